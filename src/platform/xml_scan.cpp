#include "platform/xml_scan.h"

#include <unicode/utf8.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kipo {
namespace {

// What a byte is to the scan.
enum : std::uint8_t { kSpace = 1, kNameStart = 2, kNameChar = 4, kTextStop = 8, kValueStop = 16 };
constexpr std::array<std::uint8_t, 256> kClass = [] {
  std::array<std::uint8_t, 256> t{};
  for (char c : {' ', '\t', '\r', '\n'}) t[static_cast<unsigned char>(c)] |= kSpace;
  for (int c = 0; c < 128; ++c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':') t[c] |= kNameStart | kNameChar;
    if ((c >= '0' && c <= '9') || c == '-' || c == '.') t[c] |= kNameChar;
  }
  for (char c : {'<', '&', '\r'}) t[static_cast<unsigned char>(c)] |= kTextStop;
  for (char c : {'"', '\'', '<', '&', '\r', '\n', '\t'}) t[static_cast<unsigned char>(c)] |= kValueStop;
  return t;
}();

bool Is(char c, std::uint8_t what) { return kClass[static_cast<unsigned char>(c)] & what; }

[[gnu::always_inline]] inline const char* SkipSpace(const char* p, const char* end) {
  if (p < end && *p == ' ') ++p;  // one space, the common case, at once
  while (p < end && Is(*p, kSpace)) ++p;
  return p;
}
[[gnu::always_inline]] inline const char* SkipName(const char* p, const char* end) {
  for (; end - p >= 4; p += 4) {
    if (!Is(p[0], kNameChar)) return p;
    if (!Is(p[1], kNameChar)) return p + 1;
    if (!Is(p[2], kNameChar)) return p + 2;
    if (!Is(p[3], kNameChar)) return p + 3;
  }
  while (p < end && Is(*p, kNameChar)) ++p;
  return p;
}
bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) return false;
  return true;
}
// Two names of the document, equal? Names are short: up to eight bytes they are compared
// as one word each where eight bytes of the document can be read at both.
bool SameName(std::string_view a, std::string_view b, const char* end) {
  const std::size_t n = a.size();
  if (n != b.size()) return false;
  if constexpr (std::endian::native == std::endian::little) {
    if (n <= 8 && end - a.data() >= 8 && end - b.data() >= 8) {
      std::uint64_t x, y;
      std::memcpy(&x, a.data(), 8);
      std::memcpy(&y, b.data(), 8);
      const std::uint64_t mask = n == 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * n)) - 1;
      return ((x ^ y) & mask) == 0;
    }
  }
  return std::memcmp(a.data(), b.data(), n) == 0;
}

// The first '<', '&' or CR at or after p (end when there is none): text is copied in runs
// between them, sixteen bytes looked at a time where the processor allows.
[[gnu::always_inline]] inline const char* FindTextStop(const char* p, const char* end) {
#if defined(__SSE2__)
  const __m128i lt = _mm_set1_epi8('<'), amp = _mm_set1_epi8('&'), cr = _mm_set1_epi8('\r');
  while (end - p >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, lt), _mm_cmpeq_epi8(v, amp)), _mm_cmpeq_epi8(v, cr));
    if (const int bits = _mm_movemask_epi8(hit)) return p + __builtin_ctz(static_cast<unsigned>(bits));
    p += 16;
  }
#endif
  while (p < end && !Is(*p, kTextStop)) ++p;
  return p;
}

// The first quote, '<', '&' or white space other than the space at or after p.
const char* FindValueStop(const char* p, const char* end) {
#if defined(__SSE2__)
  // Bytes below 0x28 other than the space: all of the stops but '<' lie there.
  const __m128i lt = _mm_set1_epi8('<'), space = _mm_set1_epi8(' '), low = _mm_set1_epi8(0x28);
  while (end - p >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    // Signed compare: bytes of 0x80 and over are negative and would count as low.
    const __m128i below = _mm_andnot_si128(_mm_cmplt_epi8(v, _mm_setzero_si128()), _mm_cmplt_epi8(v, low));
    const __m128i hit = _mm_or_si128(_mm_andnot_si128(_mm_cmpeq_epi8(v, space), below), _mm_cmpeq_epi8(v, lt));
    int bits = _mm_movemask_epi8(hit);
    while (bits) {
      const char* at = p + __builtin_ctz(static_cast<unsigned>(bits));
      if (Is(*at, kValueStop)) return at;
      bits &= bits - 1;  // another byte below 0x28 ('!', '#', '%', ...)
    }
    p += 16;
  }
#endif
  while (p < end && !Is(*p, kValueStop)) ++p;
  return p;
}

// The five predefined entities, by the name after their '&'.
constexpr struct {
  std::string_view name;
  char c;
} kNamed[] = {{"lt;", '<'}, {"gt;", '>'}, {"amp;", '&'}, {"quot;", '"'}, {"apos;", '\''}};

// One of the five at p (which holds '&'): appends its character to `out` when it is given.
// The position after its ';', or nullptr for anything else.
const char* NamedReference(const char* p, const char* end, std::string* out) {
  const std::string_view rest(p + 1, static_cast<std::size_t>(end - p - 1));
  for (const auto& [name, c] : kNamed)
    if (rest.starts_with(name)) {
      if (out) *out += c;
      return p + 1 + name.size();
    }
  return nullptr;
}

// The reference at p (which holds '&') as far as its ';': the five predefined entities and
// character references of the characters XML allows. Appends the character to `out` when
// it is given. The position after the ';', or nullptr for anything else.
const char* Reference(const char* p, const char* end, std::string* out) {
  const char* q = p + 1;
  if (q < end && *q == '#') {
    ++q;
    const bool hex = q < end && *q == 'x';
    if (hex) ++q;
    const char* digits = q;
    std::uint32_t cp = 0;
    for (; q < end && q - digits < 8; ++q) {
      const char c = *q;
      std::uint32_t d;
      if (c >= '0' && c <= '9') d = static_cast<std::uint32_t>(c - '0');
      else if (hex && c >= 'a' && c <= 'f') d = static_cast<std::uint32_t>(c - 'a' + 10);
      else if (hex && c >= 'A' && c <= 'F') d = static_cast<std::uint32_t>(c - 'A' + 10);
      else break;
      cp = cp * (hex ? 16 : 10) + d;
    }
    if (q == digits || q == end || *q != ';') return nullptr;
    const bool allowed = cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) ||
                         (cp >= 0xE000 && cp <= 0xFFFD) || (cp >= 0x10000 && cp <= 0x10FFFF);
    if (!allowed) return nullptr;
    if (out) {
      char bytes[4];
      std::int32_t length = 0;
      U8_APPEND_UNSAFE(bytes, length, cp);
      out->append(bytes, static_cast<std::size_t>(length));
    }
    return q + 1;
  }
  return NamedReference(p, end, out);
}

// A text run checked by the scan, decoded: CR LF and lone CR as LF, references replaced.
void DecodeText(std::string_view raw, std::string& out) {
  out.clear();
  out.reserve(raw.size());
  const char* p = raw.data();
  const char* const end = p + raw.size();
  while (p < end) {
    const char* stop = FindTextStop(p, end);
    out.append(p, static_cast<std::size_t>(stop - p));
    if (stop == end) break;
    if (*stop == '\r') {
      out += '\n';
      p = stop + 1;
      if (p < end && *p == '\n') ++p;
    } else {
      p = Reference(stop, end, &out);
    }
  }
}

// An attribute value checked by the scan, decoded: tabs, line feeds and CRs as spaces (CR
// LF as one), references replaced (a referenced line feed stays one).
void DecodeValue(std::string_view raw, std::string& out) {
  const char* p = raw.data();
  const char* const end = p + raw.size();
  while (p < end) {
    const char* stop = p;
    while (stop < end && *stop != '&' && !(Is(*stop, kSpace) && *stop != ' ')) ++stop;
    out.append(p, static_cast<std::size_t>(stop - p));
    if (stop == end) break;
    if (*stop == '&') {
      p = Reference(stop, end, &out);
      continue;
    }
    out += ' ';
    p = stop + 1;
    if (*stop == '\r' && p < end && *p == '\n') ++p;
  }
}

bool EqualsIgnoreCaseAscii(std::string_view a, std::string_view lower) {
  if (a.size() != lower.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char c = a[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != lower[i]) return false;
  }
  return true;
}

}  // namespace

bool DecodeNamedReferences(std::string_view text, std::string& out) {
  if (text.empty()) return true;
  const char* p = text.data();
  const char* const end = p + text.size();
  while (true) {
    const char* amp = static_cast<const char*>(std::memchr(p, '&', static_cast<std::size_t>(end - p)));
    out.append(p, static_cast<std::size_t>((amp ? amp : end) - p));
    if (!amp) return true;
    if (!(p = NamedReference(amp, end, &out))) return false;
  }
}

XmlScan::XmlScan(std::string_view document)
    : begin_(document.data()), p_(document.data()), end_(document.data() + document.size()) {
  // A NUL byte ends the text for most XML libraries: such a file is not read here.
  if (document.empty() || std::memchr(document.data(), '\0', document.size())) {
    where_ = Where::Failed;
    return;
  }
  if (document.starts_with("\xEF\xBB\xBF")) p_ += 3;
  if (end_ - p_ > 5 && std::memcmp(p_, "<?xml", 5) == 0 && Is(p_[5], kSpace) && !ReadDeclaration())
    where_ = Where::Failed;
}

// The XML declaration at the start: only its encoding matters, which must be UTF-8.
bool XmlScan::ReadDeclaration() {
  const std::string_view rest(p_, static_cast<std::size_t>(end_ - p_));
  const std::size_t close = rest.find("?>");
  if (close == std::string_view::npos) return false;
  const std::string_view declaration = rest.substr(5, close - 5);
  if (declaration.find('<') != std::string_view::npos) return false;
  if (const std::size_t at = declaration.find("encoding"); at != std::string_view::npos) {
    const char* q = declaration.data() + at + 8;
    const char* const end = declaration.data() + declaration.size();
    q = SkipSpace(q, end);
    if (q == end || *q != '=') return false;
    q = SkipSpace(q + 1, end);
    if (q == end || (*q != '"' && *q != '\'')) return false;
    const char quote = *q++;
    const char* v = q;
    while (q < end && *q != quote) ++q;
    if (q == end) return false;
    const std::string_view name(v, static_cast<std::size_t>(q - v));
    if (!EqualsIgnoreCaseAscii(name, "utf-8") && !EqualsIgnoreCaseAscii(name, "utf8")) return false;
  }
  p_ += close + 2;
  return true;
}

XmlScan::Token XmlScan::Fail() {
  where_ = Where::Failed;
  return NotPlain;
}

XmlScan::Token XmlScan::Next() {
  if (pendingEnd_) {
    pendingEnd_ = false;
    name_ = open_.back();
    open_.pop_back();
    if (open_.empty()) where_ = Where::Epilog;
    return EndTag;
  }
  while (true) {
    // A tag inside the root, the most common token, before anything else is asked.
    if (where_ == Where::Content && end_ - p_ >= 2 && *p_ == '<') [[likely]] {
      if (p_[1] == '/') return EndTagAt();
      if (p_[1] != '!' && p_[1] != '?') return StartTagAt();
    }
    switch (where_) {
      case Where::Failed: return NotPlain;
      case Where::Done: return End;
      case Where::Content: {
        if (p_ == end_) return Fail();
        if (*p_ != '<') {
          const char* start = p_;
          // A line end and the indentation of the next line up to a tag, the text between
          // the tags of most files written with CR LF: its LF is the run decoded.
          if (*p_ == '\r' && end_ - p_ > 2 && p_[1] == '\n') {
            const char* q = p_ + 2;
#if defined(__SSE2__)
            // The spaces sixteen at a time: the first other byte found at once.
            for (const __m128i space = _mm_set1_epi8(' '); end_ - q >= 16; q += 16) {
              const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
              if (const unsigned other = ~static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, space))) & 0xFFFF) {
                q += __builtin_ctz(other);
                break;
              }
            }
#endif
            while (q < end_ && (*q == ' ' || *q == '\t')) ++q;
            if (q < end_ && *q == '<') {
              p_ = q;
              raw_ = std::string_view(start, static_cast<std::size_t>(p_ - start));
              rawPlain_ = false;
              lineEnd_ = true;
              return Text;
            }
          }
          // A text run as far as the next '<', its references checked on the way.
          bool plain = true;
          while (true) {
            p_ = FindTextStop(p_, end_);
            if (p_ == end_) return Fail();
            if (*p_ == '<') break;
            plain = false;
            if (*p_ == '&') {
              const char* after = Reference(p_, end_, nullptr);
              if (!after) return Fail();
              p_ = after;
            } else {
              ++p_;
            }
          }
          raw_ = std::string_view(start, static_cast<std::size_t>(p_ - start));
          rawPlain_ = plain;
          lineEnd_ = false;
          decoded_ = false;
          return Text;
        }
        if (end_ - p_ < 2) return Fail();
        switch (p_[1]) {
          case '/': return EndTagAt();
          case '!':
            if (!SkipComment()) return Fail();  // CDATA, a DOCTYPE inside the root, ...
            continue;
          case '?':
            if (!SkipPi()) return Fail();
            continue;
          default: return StartTagAt();
        }
      }
      case Where::Prolog:
      case Where::Epilog: {
        p_ = SkipSpace(p_, end_);
        if (p_ == end_) {
          if (where_ == Where::Prolog) return Fail();  // no root element
          where_ = Where::Done;
          return End;
        }
        if (*p_ != '<' || end_ - p_ < 2) return Fail();
        const char next = p_[1];
        if (next == '!') {
          const bool doctype = where_ == Where::Prolog && end_ - p_ > 9 && std::memcmp(p_, "<!DOCTYPE", 9) == 0;
          if (!(doctype ? SkipDoctype() : SkipComment())) return Fail();
          continue;
        }
        if (next == '?') {
          if (!SkipPi()) return Fail();
          continue;
        }
        if (where_ == Where::Epilog || next == '/') return Fail();  // a second root, a stray end tag
        return StartTagAt();
      }
    }
  }
}

XmlScan::Token XmlScan::StartTagAt() {
  const char* q = p_ + 1;
  if (q == end_ || !Is(*q, kNameStart)) return Fail();
  const char* nameStart = q;
  q = SkipName(q, end_);
  name_ = std::string_view(nameStart, static_cast<std::size_t>(q - nameStart));
  attributes_.clear();
  bool decode = false;  // some value holds references or white space to turn into spaces
  while (true) {
    const char* spaced = q;
    q = SkipSpace(q, end_);
    if (q == end_) return Fail();
    if (*q == '>') {
      ++q;
      empty_ = false;
      break;
    }
    if (*q == '/') {
      if (end_ - q < 2 || q[1] != '>') return Fail();
      q += 2;
      empty_ = true;
      break;
    }
    if (q == spaced || !Is(*q, kNameStart)) return Fail();
    const char* attrStart = q;
    q = SkipName(q, end_);
    const std::string_view attrName(attrStart, static_cast<std::size_t>(q - attrStart));
    if (end_ - q >= 2 && q[0] == '=' && (q[1] == '"' || q[1] == '\'')) {
      ++q;  // name="value", as nearly every file writes it
    } else {
      q = SkipSpace(q, end_);
      if (q == end_ || *q != '=') return Fail();
      q = SkipSpace(q + 1, end_);
      if (q == end_ || (*q != '"' && *q != '\'')) return Fail();
    }
    const char quote = *q++;
    const char* valueStart = q;
    bool plain = true;
    while (true) {
      q = FindValueStop(q, end_);
      if (q == end_) return Fail();
      const char c = *q;
      if (c == quote) break;
      if (c == '<') return Fail();
      if (c == '"' || c == '\'') {
        ++q;
        continue;
      }
      plain = false;
      if (c == '&') {
        q = Reference(q, end_, nullptr);
        if (!q) return Fail();
      } else {
        ++q;
      }
    }
    const std::string_view raw(valueStart, static_cast<std::size_t>(q - valueStart));
    ++q;
    for (const Attribute& a : attributes_)  // the same attribute twice
      if (a.name.size() == attrName.size() && a.name.back() == attrName.back() && SameLetters(a.name, attrName))
        return Fail();
    attributes_.push_back({attrName, raw});
    decode = decode || !plain;
  }
  valuesDecoded_ = decode;
  if (decode) DecodeValues();
  p_ = q;
  where_ = Where::Content;
  open_.push_back(name_);
  pendingEnd_ = empty_;
  return StartTag;
}

namespace {
// A value needs decoding when it holds a reference or white space other than the space (a
// quote of the other kind is itself).
bool NeedsDecoding(std::string_view value) {
  return std::any_of(value.begin(), value.end(), [](char c) { return c == '&' || (Is(c, kSpace) && c != ' '); });
}
}  // namespace

// The values of the tag's attributes that need it decoded into values_, made large enough
// first so that the views into it stay where they are.
void XmlScan::DecodeValues() {
  std::size_t room = 0;
  for (const Attribute& a : attributes_)
    if (NeedsDecoding(a.value)) room += a.value.size();  // decoding never lengthens a value
  values_.clear();
  values_.reserve(room);
  for (Attribute& a : attributes_) {
    if (!NeedsDecoding(a.value)) continue;
    const std::size_t offset = values_.size();
    DecodeValue(a.value, values_);
    a.value = std::string_view(values_.data() + offset, values_.size() - offset);
  }
}

XmlScan::Token XmlScan::EndTagAt() {
  if (open_.empty()) return Fail();
  const std::string_view open = open_.back();
  const char* q = p_ + 2;
  if (static_cast<std::size_t>(end_ - q) < open.size() || !SameName(std::string_view(q, open.size()), open, end_))
    return Fail();
  q += open.size();
  if (q < end_ && Is(*q, kNameChar)) return Fail();
  q = SkipSpace(q, end_);
  if (q == end_ || *q != '>') return Fail();
  p_ = q + 1;
  name_ = open;
  open_.pop_back();
  if (open_.empty()) where_ = Where::Epilog;
  return EndTag;
}

// A comment at p_ ("<!--"); false for any other "<!" and for "--" inside a comment.
bool XmlScan::SkipComment() {
  const std::string_view rest(p_, static_cast<std::size_t>(end_ - p_));
  if (!rest.starts_with("<!--")) return false;
  const std::size_t dashes = rest.find("--", 4);
  if (dashes == std::string_view::npos || dashes + 2 >= rest.size() || rest[dashes + 2] != '>') return false;
  p_ += dashes + 3;
  return true;
}

// A processing instruction at p_ ("<?"); an XML declaration anywhere but the start is not
// one of the plain form.
bool XmlScan::SkipPi() {
  const char* q = p_ + 2;
  if (q == end_ || !Is(*q, kNameStart)) return false;
  const char* target = q;
  q = SkipName(q, end_);
  if (EqualsIgnoreCaseAscii(std::string_view(target, static_cast<std::size_t>(q - target)), "xml")) return false;
  const std::string_view rest(q, static_cast<std::size_t>(end_ - q));
  if (rest.starts_with("?>")) {
    p_ = q + 2;
    return true;
  }
  if (rest.empty() || !Is(rest[0], kSpace)) return false;
  const std::size_t close = rest.find("?>");
  if (close == std::string_view::npos) return false;
  p_ = q + close + 2;
  return true;
}

// A DOCTYPE before the root, once, without an internal subset (its declarations could
// define entities and default attributes the scan does not know).
bool XmlScan::SkipDoctype() {
  if (doctypeSeen_ || end_ - p_ < 10 || !Is(p_[9], kSpace)) return false;
  char quote = 0;
  for (const char* q = p_ + 9; q < end_; ++q) {
    const char c = *q;
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      p_ = q + 1;
      doctypeSeen_ = true;
      return true;
    } else if (c == '[' || c == '<') {
      return false;
    }
  }
  return false;
}

std::string_view XmlScan::TextInPlace() const {
  if (rawPlain_) return raw_;
  if (lineEnd_) return raw_.substr(1);
  if (raw_.size() >= 2 && raw_[0] == '\r' && raw_[1] == '\n' &&
      FindTextStop(raw_.data() + 2, raw_.data() + raw_.size()) == raw_.data() + raw_.size())
    return raw_.substr(1);
  return {};
}

void XmlScan::DecodeText(std::string& out) {
  if (decoded_) out.assign(text_);
  else kipo::DecodeText(raw_, out);
}

std::string_view XmlScan::text() {
  if (rawPlain_) return raw_;
  if (lineEnd_) return raw_.substr(1);
  // The line end before the indentation of the next line (CR LF, then spaces), the one
  // thing to decode in most runs of white space of a CR LF file: the run after its CR.
  if (raw_.size() >= 2 && raw_[0] == '\r' && raw_[1] == '\n' &&
      FindTextStop(raw_.data() + 2, raw_.data() + raw_.size()) == raw_.data() + raw_.size())
    return raw_.substr(1);
  if (!decoded_) {
    kipo::DecodeText(raw_, text_);
    decoded_ = true;
  }
  return text_;
}

}  // namespace kipo
