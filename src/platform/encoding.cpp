#include "platform/encoding.h"

#include <unicode/normalizer2.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>

namespace kipo {
namespace {

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter OpenConverter(std::string_view codePage) {
  UErrorCode status = U_ZERO_ERROR;
  std::string name(codePage);
  Converter c(ucnv_open(name.c_str(), &status));
  if (U_FAILURE(status) || !c) throw std::invalid_argument("Unknown code page: " + name);
  return c;
}

std::string ToUtf8(const icu::UnicodeString& u) {
  std::string out;
  u.toUTF8String(out);
  return out;
}

}  // namespace

BomInfo DetectBom(std::span<const std::uint8_t> b) {
  if (b.size() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) return {UnicodeEncoding::Utf8, 3};
  if (b.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE) return {UnicodeEncoding::Utf16LE, 2};
  if (b.size() >= 2 && b[0] == 0xFE && b[1] == 0xFF) return {UnicodeEncoding::Utf16BE, 2};
  return {};
}

std::string FirstTextLine(std::span<const std::uint8_t> bytes, std::size_t limit) {
  const BomInfo bom = DetectBom(bytes);
  const bool wide = bom.encoding == UnicodeEncoding::Utf16LE || bom.encoding == UnicodeEncoding::Utf16BE;
  const std::size_t step = wide ? 2 : 1, low = bom.encoding == UnicodeEncoding::Utf16BE ? 1 : 0;
  std::string line;
  for (std::size_t at = bom.length + low; at < bytes.size() && line.size() < limit; at += step) {
    const char c = static_cast<char>(bytes[at]);
    if (c == '\r' || c == '\n') {
      if (!line.empty()) break;
    } else if (!line.empty() || (c != ' ' && c != '\t')) {
      line += c;
    }
  }
  return line;
}

namespace {
bool KeepsAscii(std::string_view codePage);
}  // namespace

std::string CodePageToUtf8(std::span<const std::uint8_t> bytes, std::string_view codePage) {
  if (bytes.empty()) return {};
  // ASCII in a code page that keeps ASCII is already UTF-8 (the shift and escape bytes of
  // stateful encodings excepted).
  if (std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b < 0x80 && b != 0x0E && b != 0x0F && b != 0x1B; }) &&
      KeepsAscii(codePage))
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  auto conv = OpenConverter(codePage);
  UErrorCode status = U_ZERO_ERROR;
  icu::UnicodeString u(reinterpret_cast<const char*>(bytes.data()), static_cast<int32_t>(bytes.size()),
                       conv.get(), status);
  return ToUtf8(u);
}

std::string CodePageToUtf8(std::string_view bytes, std::string_view codePage) {
  return CodePageToUtf8(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                        codePage);
}

namespace {

void AppendBytes(std::string& out, const uint8_t* p, std::size_t n) { out.append(reinterpret_cast<const char*>(p), n); }
void AppendBytes(std::vector<std::uint8_t>& out, const uint8_t* p, std::size_t n) { out.insert(out.end(), p, p + n); }

// One code point through a converter set to stop at characters it lacks; false when the
// code page has no bytes for it.
template <class Out>
bool FromCodePoint(UConverter* conv, char32_t c, Out& out) {
  UChar u16[2];
  int32_t n = 0;
  UBool err = false;
  U16_APPEND(u16, n, 2, static_cast<UChar32>(c), err);
  UErrorCode status = U_ZERO_ERROR;
  ucnv_resetFromUnicode(conv);
  char buf[16];
  const int32_t len = ucnv_fromUChars(conv, buf, sizeof buf, u16, n, &status);
  if (U_FAILURE(status) || err) return false;
  AppendBytes(out, reinterpret_cast<const uint8_t*>(buf), static_cast<std::size_t>(len));
  return true;
}

Converter OpenStoppingConverter(std::string_view codePage) {
  Converter conv = OpenConverter(codePage);
  UErrorCode status = U_ZERO_ERROR;
  ucnv_setFromUCallBack(conv.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  return conv;
}

// Whether a code page writes every ASCII character as that byte (the Windows and ISO 8859
// code pages do), asked of ICU once per code page and thread.
bool KeepsAscii(std::string_view codePage) {
  thread_local std::map<std::string, bool, std::less<>> known;
  if (auto it = known.find(codePage); it != known.end()) return it->second;
  Converter conv = OpenStoppingConverter(codePage);
  bool keeps = true;
  for (char32_t c = 0; c < 0x80 && keeps; ++c) {
    std::string b;
    keeps = FromCodePoint(conv.get(), c, b) && b.size() == 1 && static_cast<char32_t>(b[0]) == c;
  }
  known.emplace(std::string(codePage), keeps);
  return keeps;
}

}  // namespace

namespace {

// The end of the run of ASCII bytes at `i`: 64 bytes at a time while none of them has its
// top bit (one test of the eight words or-ed together), then eight, then one.
int32_t AsciiRunEnd(const uint8_t* p, int32_t i, int32_t n) {
  while (i + 64 <= n) {
    std::uint64_t w[8];
    std::memcpy(w, p + i, 64);
    if ((w[0] | w[1] | w[2] | w[3] | w[4] | w[5] | w[6] | w[7]) & 0x8080808080808080ULL) break;
    i += 64;
  }
  while (i + 8 <= n) {
    std::uint64_t w;
    std::memcpy(&w, p + i, 8);
    if (w & 0x8080808080808080ULL) break;
    i += 8;
  }
  while (i < n && p[i] < 0x80) ++i;
  return i;
}

}  // namespace

namespace {

// UTF-8 to a code page appended to `out` (a string or a byte vector).
template <class Out>
void AppendInCodePage(Out& out, std::string_view utf8, std::string_view codePage,
                      std::vector<char32_t>* unmappable) {
  if (utf8.empty()) return;
  const bool ascii = KeepsAscii(codePage);
  out.reserve(out.size() + utf8.size());
  // Runs of ASCII go over as they are where the code page keeps them; other characters
  // are converted one at a time, so that each one the code page lacks is known.
  Converter conv;
  const auto* p = reinterpret_cast<const uint8_t*>(utf8.data());
  const auto n = static_cast<int32_t>(utf8.size());
  for (int32_t i = 0; i < n;) {
    if (ascii && p[i] < 0x80) {
      const int32_t from = i;
      i = AsciiRunEnd(p, i, n);
      AppendBytes(out, p + from, static_cast<std::size_t>(i - from));
      continue;
    }
    UChar32 cp;
    U8_NEXT(p, i, n, cp);
    const char32_t c = cp < 0 ? U'\uFFFD' : static_cast<char32_t>(cp);
    if (!conv) conv = OpenStoppingConverter(codePage);
    if (!FromCodePoint(conv.get(), c, out)) {
      out.push_back('?');
      if (unmappable && std::find(unmappable->begin(), unmappable->end(), c) == unmappable->end())
        unmappable->push_back(c);
    }
  }
}

}  // namespace

std::string Utf8ToCodePage(std::string_view utf8, std::string_view codePage,
                           std::vector<char32_t>* unmappable) {
  std::string out;
  AppendInCodePage(out, utf8, codePage, unmappable);
  return out;
}

void AppendUtf8InCodePage(std::vector<std::uint8_t>& out, std::string_view utf8, std::string_view codePage,
                          std::vector<char32_t>* unmappable) {
  AppendInCodePage(out, utf8, codePage, unmappable);
}

namespace {

// UTF-16 code units to UTF-8 in one pass; a lone surrogate becomes U+FFFD, as ICU does.
template <bool kBigEndian>
std::string Utf16ToUtf8(std::span<const std::uint8_t> b) {
  std::string out;
  out.reserve(b.size() / 2 + b.size() / 8);
  const std::size_t n = b.size() / 2;
  auto unit = [&](std::size_t i) -> char16_t {
    return kBigEndian ? static_cast<char16_t>((b[2 * i] << 8) | b[2 * i + 1])
                      : static_cast<char16_t>(b[2 * i] | (b[2 * i + 1] << 8));
  };
  // ASCII, by far the most common, four code units at a time.
  constexpr std::uint64_t kNotAscii = kBigEndian ? 0x80FF80FF80FF80FFULL : 0xFF80FF80FF80FF80ULL;
  constexpr int kLow = kBigEndian ? 1 : 0;
  for (std::size_t i = 0; i < n; ++i) {
    std::uint64_t w;
    while (i + 4 <= n && (std::memcpy(&w, b.data() + 2 * i, 8), (w & kNotAscii) == 0)) {
      const char four[4] = {static_cast<char>(b[2 * i + kLow]), static_cast<char>(b[2 * i + 2 + kLow]),
                            static_cast<char>(b[2 * i + 4 + kLow]), static_cast<char>(b[2 * i + 6 + kLow])};
      out.append(four, 4);
      i += 4;
    }
    if (i >= n) break;
    char32_t c = unit(i);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && unit(i + 1) >= 0xDC00 && unit(i + 1) <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  return out;
}

}  // namespace

std::string Utf16LEToUtf8(std::span<const std::uint8_t> b) { return Utf16ToUtf8<false>(b); }

std::string Utf16BEToUtf8(std::span<const std::uint8_t> b) { return Utf16ToUtf8<true>(b); }

void AppendUtf16LE(std::vector<std::uint8_t>& out, std::string_view utf8) {
  // Every byte of UTF-8 gives at most two bytes of UTF-16 (a four-byte sequence gives a
  // surrogate pair, a broken byte one U+FFFD), so the room is made once and written
  // through a pointer.
  const std::size_t start = out.size();
  out.resize(start + 2 * utf8.size());
  std::uint8_t* q = out.data() + start;
  const auto* p = reinterpret_cast<const uint8_t*>(utf8.data());
  const auto n = static_cast<int32_t>(utf8.size());
  auto put = [&q](char16_t u) {
    q[0] = static_cast<std::uint8_t>(u & 0xFF);
    q[1] = static_cast<std::uint8_t>(u >> 8);
    q += 2;
  };
  for (int32_t i = 0; i < n;) {
    // ASCII, by far the most common, eight bytes at a time.
    std::uint64_t w;
    if (i + 8 <= n && (std::memcpy(&w, p + i, 8), (w & 0x8080808080808080ULL) == 0)) {
      for (int k = 0; k < 8; ++k) q[2 * k] = p[i + k], q[2 * k + 1] = 0;
      q += 16;
      i += 8;
      continue;
    }
    if (p[i] < 0x80) {
      put(p[i++]);
      continue;
    }
    UChar32 c;
    U8_NEXT(p, i, n, c);
    if (c < 0) c = 0xFFFD;  // a broken sequence, as ICU's conversion gives it
    if (c > 0xFFFF) {
      put(static_cast<char16_t>(U16_LEAD(c)));
      put(static_cast<char16_t>(U16_TRAIL(c)));
    } else {
      put(static_cast<char16_t>(c));
    }
  }
  out.resize(static_cast<std::size_t>(q - out.data()));
}

std::vector<std::uint8_t> Utf8ToUtf16LE(std::string_view utf8) {
  std::vector<std::uint8_t> out;
  AppendUtf16LE(out, utf8);
  return out;
}

std::vector<std::uint8_t> Utf8ToUtf16BE(std::string_view utf8) {
  auto le = Utf8ToUtf16LE(utf8);
  for (std::size_t i = 0; i + 1 < le.size(); i += 2) std::swap(le[i], le[i + 1]);
  return le;
}

bool IsValidUtf8(std::string_view s) {
  int32_t i = 0, n = static_cast<int32_t>(s.size());
  const auto* p = reinterpret_cast<const uint8_t*>(s.data());
  while (i < n) {
    i = AsciiRunEnd(p, i, n);
    if (i >= n) break;
    UChar32 c;
    U8_NEXT(p, i, n, c);
    if (c < 0) return false;
  }
  return true;
}

DecodedView DecodeTextView(std::span<const std::uint8_t> bytes, std::string_view fallbackCodePage,
                           std::string& storage) {
  DecodedView d;
  BomInfo bom = DetectBom(bytes);
  auto body = bytes.subspan(bom.length);
  const std::string_view sv(reinterpret_cast<const char*>(body.data()), body.size());
  d.hadBom = bom.encoding != UnicodeEncoding::None;
  UnicodeEncoding enc = bom.encoding;
  if (enc == UnicodeEncoding::None) {
    // UTF-16 without a mark: Latin text has a zero in every other byte.
    std::size_t evenZero = 0, oddZero = 0, pairs = std::min<std::size_t>(body.size() / 2, 4096);
    for (std::size_t i = 0; i < pairs; ++i) {
      if (body[2 * i] == 0) ++evenZero;
      if (body[2 * i + 1] == 0) ++oddZero;
    }
    if (pairs >= 2 && oddZero * 10 >= pairs * 4 && evenZero * 10 < pairs) enc = UnicodeEncoding::Utf16LE;
    else if (pairs >= 2 && evenZero * 10 >= pairs * 4 && oddZero * 10 < pairs) enc = UnicodeEncoding::Utf16BE;
    else if (IsValidUtf8(sv)) enc = UnicodeEncoding::Utf8;
  }
  d.encoding = enc;
  switch (enc) {
    case UnicodeEncoding::Utf8: d.text = sv; return d;
    case UnicodeEncoding::Utf16LE: storage = Utf16LEToUtf8(body); break;
    case UnicodeEncoding::Utf16BE: storage = Utf16BEToUtf8(body); break;
    case UnicodeEncoding::None: storage = CodePageToUtf8(body, fallbackCodePage); break;
  }
  d.text = storage;
  return d;
}

DecodedText DecodeText(std::span<const std::uint8_t> bytes, std::string_view fallbackCodePage) {
  DecodedText d;
  const DecodedView v = DecodeTextView(bytes, fallbackCodePage, d.text);
  if (v.encoding == UnicodeEncoding::Utf8) d.text.assign(v.text);
  d.encoding = v.encoding;
  d.hadBom = v.hadBom;
  return d;
}

std::size_t CountCodePoints(std::string_view s) {
  std::size_t n = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

std::u32string Utf8ToUtf32(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  int32_t i = 0, n = static_cast<int32_t>(s.size());
  const auto* p = reinterpret_cast<const uint8_t*>(s.data());
  while (i < n) {
    UChar32 c;
    U8_NEXT(p, i, n, c);
    out.push_back(c < 0 ? U'\uFFFD' : static_cast<char32_t>(c));
  }
  return out;
}

void AppendUtf8(std::string& out, char32_t c) {
  uint8_t buf[4];
  int32_t n = 0;
  UBool err = false;
  U8_APPEND(buf, n, 4, static_cast<UChar32>(c), err);
  if (err) {
    out += "\xEF\xBF\xBD";
    return;
  }
  out.append(reinterpret_cast<const char*>(buf), static_cast<std::size_t>(n));
}

std::string Utf32ToUtf8(std::u32string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char32_t c : s) AppendUtf8(out, c);
  return out;
}

std::string CodePageForCharset(int charset, std::string_view ansiCodePage) {
  // Windows character-set codes (the font charset numbers) and their code pages.
  static const struct {
    int charset;
    const char* codePage;
  } kTable[] = {
      {128, "windows-932"},   // Shift-JIS
      {129, "windows-949"},   // Hangul
      {130, "ibm-1363"},      // Johab (Korean)
      {134, "windows-936"},   // GB2312 / GBK
      {136, "windows-950"},   // Big5
      {161, "windows-1253"},  // Greek
      {162, "windows-1254"},  // Turkish
      {163, "windows-1258"},  // Vietnamese
      {177, "windows-1255"},  // Hebrew
      {178, "windows-1256"},  // Arabic
      {186, "windows-1257"},  // Baltic
      {204, "windows-1251"},  // Cyrillic
      {222, "windows-874"},   // Thai
      {238, "windows-1250"},  // Central European
      {77, "macintosh"},
      {255, "ibm-437"},       // OEM
  };
  for (const auto& e : kTable)
    if (e.charset == charset) return e.codePage;
  return std::string(ansiCodePage);
}

std::string ComposeNfc(std::string_view utf8) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* n = icu::Normalizer2::getNFCInstance(status);
  auto u = icu::UnicodeString::fromUTF8(icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())));
  icu::UnicodeString r = n->normalize(u, status);
  return U_FAILURE(status) ? std::string(utf8) : ToUtf8(r);
}

std::string DecomposeNfd(std::string_view utf8) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* n = icu::Normalizer2::getNFDInstance(status);
  auto u = icu::UnicodeString::fromUTF8(icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())));
  icu::UnicodeString r = n->normalize(u, status);
  return U_FAILURE(status) ? std::string(utf8) : ToUtf8(r);
}

}  // namespace kipo
