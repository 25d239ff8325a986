#include "formats/cinema/dcinema_reader.h"

#include <unicode/uloc.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cmath>
#include <cstring>
#include <deque>
#include <optional>
#include <pugixml.hpp>
#include <set>
#include <span>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/languages.h"
#include "core/rich_text.h"
#include "platform/encoding.h"
#include "platform/text_util.h"
#include "platform/user_error.h"
#include "platform/xml_scan.h"

namespace kipo {
namespace {

constexpr double kScreenPoints = 792.0;
constexpr int kMaxDepth = 100;

std::string_view Local(const char* name) {
  const char* p = name;
  while (*p && *p != ':') ++p;
  return *p ? std::string_view(p + 1) : std::string_view(name, static_cast<std::size_t>(p - name));
}

// A local name against one spelling of letters only, without case (a letter and its
// other case differ in the 0x20 bit alone), eight bytes at a time.
bool SameName(std::string_view local, std::string_view letters) {
  const std::size_t n = letters.size();
  if (local.size() != n) return false;
  constexpr std::uint64_t kCase = 0x2020202020202020ULL;
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t a, b;
    std::memcpy(&a, local.data() + i, 8);
    std::memcpy(&b, letters.data() + i, 8);
    if ((a | kCase) != (b | kCase)) return false;
  }
  for (; i < n; ++i)
    if ((local[i] | 0x20) != (letters[i] | 0x20)) return false;
  return true;
}

// An attribute as both readings hand it over: its qualified name and its value as the XML
// library gives it (references replaced, white space as spaces).
using Attr = XmlScan::Attribute;
using Attrs = std::span<const Attr>;

// An attribute by any of its spellings (DCSubtitle "VAlign", SMPTE "Valign") in any
// namespace; nullptr when the element has none.
const Attr* AttrOf(Attrs attrs, std::initializer_list<std::string_view> names) {
  for (const Attr& a : attrs)
    for (std::string_view name : names)
      if (SameName(XmlLocalName(a.name), name)) return &a;
  return nullptr;
}

// A name of up to 16 bytes as two words that compare equal exactly when the names do:
// the first and the last eight bytes (four for shorter names, overlapping in the middle),
// so no byte outside the name is read. Longer names are not keyed.
struct NameKey {
  std::size_t size = 0;
  std::uint64_t head = 0, tail = 0;
};
[[gnu::always_inline]] inline NameKey KeyOf(std::string_view name) {
  const std::size_t n = name.size();
  NameKey k;
  const char* p = name.data();
  k.size = n;
  if (n < 4) {  // the first, middle and last byte are every byte of such a name
    if (n > 0)
      k.head = static_cast<unsigned char>(p[0]) | std::uint64_t{static_cast<unsigned char>(p[n >> 1])} << 8 |
               std::uint64_t{static_cast<unsigned char>(p[n - 1])} << 16;
    return k;
  }
  if (n >= 8) {
    std::memcpy(&k.head, p, 8);
    std::memcpy(&k.tail, p + n - 8, 8);
  } else if (n >= 4) {
    std::uint32_t a, b;
    std::memcpy(&a, p, 4);
    std::memcpy(&b, p + n - 4, 4);
    k.head = a;
    k.tail = b;
  }
  return k;
}
// Every byte with its 0x20 bit set: a letter and its other case become one.
NameKey Folded(NameKey k) {
  constexpr std::uint64_t kCase = 0x2020202020202020ULL;
  k.head |= kCase;
  k.tail |= kCase;
  return k;
}
// True when one of the key's bytes is a colon (names shorter than four bytes are padded
// with zero bytes, never a colon).
bool HasColon(const NameKey& k) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL, kHighs = 0x8080808080808080ULL;
  auto has = [](std::uint64_t x) {
    const std::uint64_t y = x ^ (kOnes * ':');
    return ((y - kOnes) & ~y & kHighs) != 0;
  };
  return has(k.head) || has(k.tail);
}

// The attributes an element kind is read for, each by any of its spellings: Find gives
// found[i], what AttrOf(attrs, names[i]) gives, in one pass over the element's
// attributes. Each spelling is kept as the key of its letters without case, which an
// attribute's local name is compared with in three comparisons.
template <std::size_t N>
class AttrNames {
 public:
  explicit AttrNames(const std::array<std::initializer_list<std::string_view>, N>& names) {
    for (std::size_t i = 0; i < N; ++i)
      for (std::string_view name : names[i]) spellings_.push_back({Folded(KeyOf(name)), name, i});
  }
  // The attribute names of the element of this kind read last (as keys of their exact
  // bytes) and where each went: the next element of a file nearly always names the same
  // attributes in the same order, and is then read without looking its names up.
  struct Layout {
    std::vector<NameKey> names;
    std::vector<int> slots;  // the index each attribute was found for, -1 for none
  };
  std::array<const Attr*, N> Find(Attrs attrs, Layout& last) const {
    std::array<const Attr*, N> found{};
    const std::size_t n = attrs.size();
    if (n == last.names.size()) {
      std::size_t k = 0;
      for (; k < n; ++k) {
        const std::string_view name = attrs[k].name;
        if (name.size() > 16) break;
        const NameKey key = KeyOf(name);
        const NameKey& was = last.names[k];
        if (key.size != was.size || key.head != was.head || key.tail != was.tail) break;
        if (last.slots[k] >= 0) found[static_cast<std::size_t>(last.slots[k])] = &attrs[k];
      }
      if (k == n) return found;
    }
    found = Find(attrs);
    last.names.clear();
    last.slots.assign(n, -1);
    for (std::size_t k = 0; k < n; ++k) {
      if (attrs[k].name.size() > 16) {  // not kept: looked up every time
        last.names.clear();
        return found;
      }
      last.names.push_back(KeyOf(attrs[k].name));
      for (std::size_t i = 0; i < N; ++i) {
        if (found[i] != &attrs[k]) continue;
        if (last.slots[k] >= 0) {  // one attribute for two names: not kept
          last.names.clear();
          return found;
        }
        last.slots[k] = static_cast<int>(i);
      }
    }
    return found;
  }
  std::array<const Attr*, N> Find(Attrs attrs) const {
    std::array<const Attr*, N> found{};
    for (const Attr& a : attrs) {
      std::string_view local = a.name;
      NameKey key;
      if (local.size() <= 16) {
        key = KeyOf(local);
        if (HasColon(key)) {
          local = XmlLocalName(local);
          key = KeyOf(local);
        }
      } else {
        local = XmlLocalName(local);
        if (local.size() <= 16) key = KeyOf(local);
      }
      if (local.empty()) continue;
      if (local.size() > 16) {  // no spelling is this long, but compare as the rule says
        for (const Spelling& s : spellings_)
          if (!found[s.index] && SameName(local, s.name)) found[s.index] = &a;
        continue;
      }
      key = Folded(key);
      for (const Spelling& s : spellings_)
        if (s.key.size == key.size && s.key.head == key.head && s.key.tail == key.tail && !found[s.index])
          found[s.index] = &a;
    }
    return found;
  }

 private:
  struct Spelling {
    NameKey key;
    std::string_view name;
    std::size_t index;
  };
  std::vector<Spelling> spellings_;
};

// A value without the white space around it, as a view.
std::string_view Trimmed(std::string_view v) {
  auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; };
  while (!v.empty() && space(v.front())) v.remove_prefix(1);
  while (!v.empty() && space(v.back())) v.remove_suffix(1);
  return v;
}

// A number as the C library reads it (strtod). Plain decimals of up to 15 digits ("8.0",
// "-14.89": nearly every file) are their digits as a whole number divided by a power of
// ten, both exact in a double, so the one rounding is strtod's; anything else (exponents,
// spaces, long numbers) goes to strtod.
double Strtod(std::string_view v) { return std::strtod(std::string(v).c_str(), nullptr); }
double NumberOf(std::string_view v) {
  static constexpr double kTens[] = {1e0, 1e1, 1e2, 1e3, 1e4,  1e5,  1e6,  1e7,
                                     1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  if (v.size() > 17) return Strtod(v);  // more than a sign, 15 digits and a point
  const char* p = v.data();
  const char* const end = p + v.size();
  const bool negative = p < end && *p == '-';
  p += negative;
  std::int64_t whole = 0;
  const char* const first = p;
  while (p < end && static_cast<unsigned>(*p - '0') <= 9) whole = whole * 10 + (*p++ - '0');
  std::ptrdiff_t digits = p - first, scale = 0;
  if (p < end && *p == '.') {
    const char* const fraction = ++p;
    while (p < end && static_cast<unsigned>(*p - '0') <= 9) whole = whole * 10 + (*p++ - '0');
    scale = p - fraction;
    digits += scale;
  }
  if (p != end || digits == 0 || digits > 15) return Strtod(v);
  const double d = static_cast<double>(whole) / kTens[scale];
  return negative ? -d : d;
}

// What a piece of text holds that needs work: layout white space of the file (CR, LF, tab),
// which becomes spaces, and bytes that are markup in a document ('<', '>', '[', ']', the
// colour codes 1-7), which become stand-ins. Nearly every piece holds neither: eight bytes
// are looked at a time for a byte below 14 or one of the four marks, and only a piece with
// one is gone through byte by byte.
enum : unsigned { kLayoutByte = 1, kMarkupByte = 2 };
const std::array<std::uint8_t, 256> kPieceClass = [] {
  std::array<std::uint8_t, 256> t{};
  for (char c : {'\r', '\n', '\t'}) t[static_cast<unsigned char>(c)] |= kLayoutByte;
  for (int c = 0; c < 256; ++c)
    if (IsMarkupChar(static_cast<char>(c))) t[static_cast<std::size_t>(c)] |= kMarkupByte;
  return t;
}();
// `readable` is where the memory that may be read after the text ends (the document's
// end for a piece that lies in it): a short piece is looked at in one load of sixteen.
unsigned Classify(std::string_view t, const char* readable) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL, kHighs = 0x8080808080808080ULL;
  auto has = [](std::uint64_t x, unsigned char b) {
    const std::uint64_t y = x ^ (kOnes * b);
    return ((y - kOnes) & ~y & kHighs) != 0;
  };
  std::size_t i = 0;
#if defined(__SSE2__)
  // Sixteen bytes at a time: '<' and '>' are the same byte but for the 0x02 bit.
  const __m128i fourteen = _mm_set1_epi8(14), two = _mm_set1_epi8(2), angle = _mm_set1_epi8('>'),
                open = _mm_set1_epi8('['), close = _mm_set1_epi8(']');
  for (; i < t.size() && readable - (t.data() + i) >= 16; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t.data() + i));
    // Signed compare: bytes of 0x80 and over are negative and would count as low.
    const __m128i low = _mm_andnot_si128(_mm_cmplt_epi8(v, _mm_setzero_si128()), _mm_cmplt_epi8(v, fourteen));
    const __m128i hit = _mm_or_si128(_mm_or_si128(low, _mm_cmpeq_epi8(_mm_or_si128(v, two), angle)),
                                     _mm_or_si128(_mm_cmpeq_epi8(v, open), _mm_cmpeq_epi8(v, close)));
    unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(hit));
    if (t.size() - i < 16) bits &= (1u << (t.size() - i)) - 1;  // bytes past the text
    if (bits) break;
  }
  if (i >= t.size()) return 0;
#endif
  for (; i + 8 <= t.size(); i += 8) {
    std::uint64_t x;
    std::memcpy(&x, t.data() + i, 8);
    if (((x - kOnes * 14) & ~x & kHighs) || has(x, '<') || has(x, '>') || has(x, '[') || has(x, ']')) break;
  }
  unsigned what = 0;
  for (; i < t.size(); ++i) what |= kPieceClass[static_cast<unsigned char>(t[i])];
  return what;
}

// The elements the reader acts on, told apart by their local name's length and bytes.
enum class Tag : std::uint8_t { Other, Font, Text, Image, Space, Subtitle, LoadFont, SubtitleList };
Tag TagOf(std::string_view local) {
  const char* p = local.data();
  switch (local.size()) {
    case 4:
      if (std::memcmp(p, "Font", 4) == 0) return Tag::Font;
      if (std::memcmp(p, "Text", 4) == 0) return Tag::Text;
      break;
    case 5:
      if (std::memcmp(p, "Image", 5) == 0) return Tag::Image;
      if (std::memcmp(p, "Space", 5) == 0) return Tag::Space;
      break;
    case 8:
      if (std::memcmp(p, "Subtitle", 8) == 0) return Tag::Subtitle;
      if (std::memcmp(p, "LoadFont", 8) == 0) return Tag::LoadFont;
      break;
    case 12:
      if (std::memcmp(p, "SubtitleList", 12) == 0) return Tag::SubtitleList;
      break;
    default: break;
  }
  return Tag::Other;
}

// The alignment words a line's placement is read by; any other word ("center", "centre",
// a misspelling) places the line as the centre does.
enum class Place : std::uint8_t { Other, Top, Bottom, Left, Right };

// An attribute's word, trimmed and without case ("Bottom " is bottom).
Place PlaceOf(std::string_view v) {
  // As files write them.
  const char* p = v.data();
  switch (v.size()) {
    case 3:
      if (std::memcmp(p, "top", 3) == 0) return Place::Top;
      break;
    case 4:
      if (std::memcmp(p, "left", 4) == 0) return Place::Left;
      break;
    case 5:
      if (std::memcmp(p, "right", 5) == 0) return Place::Right;
      break;
    case 6:
      if (std::memcmp(p, "bottom", 6) == 0) return Place::Bottom;
      if (std::memcmp(p, "center", 6) == 0) return Place::Other;
      break;
    default: break;
  }
  while (!v.empty() && (v.front() == ' ' || v.front() == '\t' || v.front() == '\r' || v.front() == '\n' ||
                        v.front() == '\f' || v.front() == '\v'))
    v.remove_prefix(1);
  while (!v.empty() && (v.back() == ' ' || v.back() == '\t' || v.back() == '\r' || v.back() == '\n' ||
                        v.back() == '\f' || v.back() == '\v'))
    v.remove_suffix(1);
  auto is = [&](std::string_view word) {
    if (v.size() != word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
      if ((v[i] >= 'A' && v[i] <= 'Z' ? static_cast<char>(v[i] + 32) : v[i]) != word[i]) return false;
    return true;
  };
  return is("top") ? Place::Top : is("bottom") ? Place::Bottom : is("left") ? Place::Left : is("right") ? Place::Right
                                                                                                 : Place::Other;
}

struct Style {
  bool italic = false;
  bool underline = false;
  bool bold = false;
  std::uint32_t rgb = 0xFFFFFF;
};

using FontNames = AttrNames<4>;
const FontNames& FontAttrs() {
  static const FontNames kNames({{{"Italic"}, {"Underlined", "Underline"}, {"Weight"}, {"Color"}}});
  return kNames;
}

Style Apply(Style st, Attrs attrs, FontNames::Layout& last) {
  const auto [italic, underline, weight, color] = FontAttrs().Find(attrs, last);
  if (italic) st.italic = EqualsIgnoreCase(Trimmed(italic->value), "yes");
  if (underline) st.underline = EqualsIgnoreCase(Trimmed(underline->value), "yes");
  if (weight) st.bold = EqualsIgnoreCase(Trimmed(weight->value), "bold");
  if (color) {
    std::string_view v = Trimmed(color->value);
    if (v.size() == 8) v = v.substr(2);  // AARRGGBB: the alpha is not kept
    if (auto rgb = ParseRgb(v)) st.rgb = *rgb;
  }
  return st;
}

// A stretch of a line's text with one style: where it lies in the file, or in the reader's
// store where its white space had to change.
struct Piece {
  std::string_view text;
  Style style;
  bool markup = false;  // holds a byte that is markup in a document
};

struct Line {
  std::vector<Piece> pieces;
  Place valign = Place::Other;
  double vpos = 0;
  Place halign = Place::Other;
  double hpos = 0;
  double order = 0;  // distance from the top of the screen, for sorting
};

struct ParsedTime {
  int h = 0, m = 0, s = 0;
  long ms = 0;
};

[[noreturn]] void Refuse(const std::string& reason) { throw InvalidFileFormat(reason); }

// The encoding named by the XML declaration, lower case; "" without one.
std::string DeclaredEncoding(std::span<const std::uint8_t> bytes) {
  std::string head(reinterpret_cast<const char*>(bytes.data()), std::min<std::size_t>(bytes.size(), 200));
  if (!head.starts_with("<?xml")) return "";
  const std::size_t end = head.find("?>");
  std::size_t at = head.find("encoding");
  if (at == std::string::npos || (end != std::string::npos && at > end)) return "";
  at = head.find_first_of("\"'", at);
  if (at == std::string::npos) return "";
  const std::size_t close = head.find(head[at], at + 1);
  if (close == std::string::npos) return "";
  return ToLowerAscii(head.substr(at + 1, close - at - 1));
}

// UTF-16 or UTF-32 without a byte-order mark: zero bytes among the first characters.
bool LooksLikeWideText(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= 4 && (bytes[0] == 0 || bytes[1] == 0);
}

// The bytes as the XML library and the scan read them: UTF-8, UTF-16, UTF-32 and Latin-1
// as they are (the library reads those itself), other 8-bit files (older tools write
// windows-1252, declared or not) made UTF-8 in `converted`.
std::span<const std::uint8_t> Decoded(std::span<const std::uint8_t> bytes, std::string& converted, Warnings& w) {
  if (DetectBom(bytes).encoding != UnicodeEncoding::None) return bytes;
  const std::string declared = DeclaredEncoding(bytes);
  const bool pugiReads = declared.empty() || declared.starts_with("utf") || declared == "iso-8859-1" ||
                         declared == "latin1" || declared == "latin-1";
  std::string_view raw(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  std::string codePage = pugiReads ? std::string() : declared;
  if (codePage.empty() && (declared.empty() || declared.starts_with("utf-8") || declared == "utf8") &&
      !IsValidUtf8(raw) && !LooksLikeWideText(bytes)) {
    codePage = "windows-1252";
    w.push_back("The file is not UTF-8; it was read as Western (Windows-1252) text");
  }
  if (codePage.empty()) return bytes;
  try {
    converted = CodePageToUtf8(raw, codePage);
    if (std::size_t at = converted.find("?>"); at != std::string::npos && converted.starts_with("<?xml"))
      converted.replace(0, at, "<?xml version=\"1.0\" encoding=\"UTF-8\"");
    return std::span(reinterpret_cast<const std::uint8_t*>(converted.data()), converted.size());
  } catch (const std::exception&) {
    converted.clear();  // a code page ICU does not know: read the bytes as they are
    return bytes;
  }
}

// "HH:MM:SS:TTT" (ticks of 4 ms, or frames of `unitRate` when it is not 0) or "HH:MM:SS.mmm".
bool IsTrimmed(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

std::optional<ParsedTime> ParseTime(std::string_view text, int unitRate) {
  // The form nearly every file writes, "HH:MM:SS:TTT" or "HH:MM:SS:FF", read at its places.
  if ((text.size() == 12 || text.size() == 11) && text[2] == ':' && text[5] == ':' && text[8] == ':') {
    auto digit = [&](std::size_t i) { return static_cast<unsigned>(text[i] - '0'); };
    // Any byte that is not a digit is 10 or more once '0' is taken from it.
    const bool other = (digit(0) > 9) | (digit(1) > 9) | (digit(3) > 9) | (digit(4) > 9) | (digit(6) > 9) |
                       (digit(7) > 9) | (digit(9) > 9) | (digit(10) > 9) | (text.size() == 12 && digit(11) > 9);
    if (!other) {
      const long h = digit(0) * 10 + digit(1), m = digit(3) * 10 + digit(4), s = digit(6) * 10 + digit(7);
      long last = digit(9) * 10 + digit(10);
      if (text.size() == 12) last = last * 10 + digit(11);
      if (m > 59 || s > 59) return std::nullopt;
      ParsedTime p{static_cast<int>(h), static_cast<int>(m), static_cast<int>(s), 0};
      if (unitRate > 0) {
        if (last >= unitRate) return std::nullopt;
        p.ms = std::lround(last * 1000.0 / unitRate);
      } else {
        if (last > 249) return std::nullopt;
        p.ms = last * 4;
      }
      return p;
    }
  }
  std::string_view t = text;
  while (!t.empty() && IsTrimmed(t.back())) t.remove_suffix(1);
  while (!t.empty() && IsTrimmed(t.front())) t.remove_prefix(1);
  // Up to four fields of up to four digits each, in place.
  std::string_view f[4];
  std::size_t count = 0, start = 0;
  char lastSep = 0;
  for (std::size_t i = 0; i <= t.size(); ++i) {
    if (i == t.size() || t[i] == ':' || t[i] == '.') {
      if (count == 4) return std::nullopt;
      f[count++] = t.substr(start, i - start);
      start = i + 1;
      if (i < t.size()) lastSep = t[i];
    } else if (t[i] < '0' || t[i] > '9' || i - start >= 4) {
      return std::nullopt;
    }
  }
  if (count != 4) return std::nullopt;
  long v[4];
  for (int i = 0; i < 4; ++i) {
    if (f[i].empty()) return std::nullopt;
    v[i] = 0;
    for (char c : f[i]) v[i] = v[i] * 10 + (c - '0');
  }
  if (v[0] > 99 || v[1] > 59 || v[2] > 59) return std::nullopt;
  ParsedTime p{static_cast<int>(v[0]), static_cast<int>(v[1]), static_cast<int>(v[2]), 0};
  if (lastSep == '.') {
    // A decimal fraction of a second: ".5" is half a second.
    long ms = 0;
    for (std::size_t i = 0; i < 3; ++i) ms = ms * 10 + (i < f[3].size() ? f[3][i] - '0' : 0);
    p.ms = ms;
  } else if (unitRate > 0) {
    if (v[3] >= unitRate) return std::nullopt;
    p.ms = std::lround(v[3] * 1000.0 / unitRate);
  } else {
    if (v[3] > 249) return std::nullopt;
    p.ms = v[3] * 4;
  }
  return p;
}

// --- The two readings ----------------------------------------------------------------
//
// A cinema file of 32,767 subtitles is some 11 MB of markup, and a tree of it costs far
// more than the few values read from it. So the file is first read by a scan of the bytes
// (XmlScan), which gives up on anything outside the plain form programs write (CDATA,
// entities other than the five, another encoding, a broken file); the XML tree then reads
// the file as before, and names what is wrong with a broken one. Both readings walk the
// elements through the same code below: each hands over an element's children in order,
// text runs and elements with their local names and attributes, as the element nodes
// below (TreeElement, ScanElement) do.

// The XML tree's element.
class TreeElement {
 public:
  TreeElement(pugi::xml_node n, std::vector<Attr>& attrs) : n_(n), attrs_(&attrs) {}
  // f(child) for each child: child.text() true for a run of text (value()), else an element
  // (local(), attrs(), and the child itself to read further).
  template <class F>
  void Children(F&& f) const {
    for (pugi::xml_node c = n_.first_child(); c; c = c.next_sibling()) {
      const pugi::xml_node_type type = c.type();
      if (type == pugi::node_pcdata || type == pugi::node_cdata) {
        f(TreeElement(c, *attrs_));
      } else if (type == pugi::node_element) {
        attrs_->clear();
        for (pugi::xml_attribute a = c.first_attribute(); a; a = a.next_attribute())
          attrs_->push_back({a.name(), a.value()});
        f(TreeElement(c, *attrs_));
      }
    }
  }
  bool text() const { return n_.type() != pugi::node_element; }
  std::string_view value() const { return n_.value(); }
  std::string_view local() const { return Local(n_.name()); }
  Attrs attrs() const { return *attrs_; }
  // The first run of text among the element's children ("" without one), as a copy.
  std::string FirstText() const { return n_.text().get(); }

 private:
  pugi::xml_node n_;
  std::vector<Attr>* attrs_;
};

// Thrown inside the scan when the file is not one it reads: the tree reads it instead.
struct NotScanned {};

// The scan's element: the one whose start tag the scan has just read (or a text run), read
// further by pulling the scan on. An element whose children are not asked for is passed
// over when its parent goes on to the next child.
class ScanElement {
 public:
  struct State {
    explicit State(std::string_view text) : scan(text), document(text) {}
    XmlScan scan;
    std::string_view document;
    std::deque<std::string>* store = nullptr;  // decoded text runs of the subtitle being read
    std::size_t* storeUsed = nullptr;
  };
  explicit ScanElement(State& s, bool text = false) : s_(&s), text_(text) {}

  template <class F>
  void Children(F&& f) const {
    XmlScan& scan = s_->scan;
    const std::size_t depth = scan.depth();  // this element's own
    while (true) {
      switch (scan.Next()) {
        case XmlScan::EndTag:
          if (scan.depth() + 1 != depth) throw NotScanned{};
          return;
        case XmlScan::Text: f(ScanElement(*s_, true)); break;
        case XmlScan::StartTag:
          f(ScanElement(*s_));
          // A child not read is passed over.
          while (scan.depth() > depth) {
            const XmlScan::Token t = scan.Next();
            if (t == XmlScan::NotPlain || t == XmlScan::End) throw NotScanned{};
          }
          break;
        default: throw NotScanned{};
      }
    }
  }
  bool text() const { return text_; }
  // A run of text; decoded runs are kept in the store until the subtitle is read.
  std::string_view value() const {
    const std::string_view v = s_->scan.text();
    const std::string_view doc = s_->document;
    if (v.data() >= doc.data() && v.data() + v.size() <= doc.data() + doc.size()) return v;
    if (*s_->storeUsed == s_->store->size()) s_->store->emplace_back();
    std::string& kept = (*s_->store)[(*s_->storeUsed)++];
    kept.assign(v);
    return kept;
  }
  std::string_view local() const { return XmlLocalName(s_->scan.name()); }
  Attrs attrs() const { return s_->scan.attributes(); }
  std::string FirstText() const {
    std::string first;
    bool found = false;
    Children([&](const ScanElement& c) {
      if (c.text() && !found) first = s_->scan.text(), found = true;
    });
    return first;
  }

 private:
  State* s_;
  bool text_ = false;
};

class Reader {
 public:
  Reader(const DlpOptions& o, int rateCode, const BoldMarkers& bold, Warnings& w)
      : o_(o), rateCode_(rateCode == 0 ? 25 : rateCode), bold_(bold), w_(w) {
    lineHeight_ = o.fontSize * (o.leading / 100.0) / kScreenPoints * 100.0;
    if (lineHeight_ <= 0) lineHeight_ = 7;
  }

  // The file by its tree; throws InvalidFileFormat with the reason when it is not one.
  SubtitleDocument ReadTree(std::span<const std::uint8_t> bytes) {
    Reserve(bytes.size());
    pugi::xml_document xml;
    const unsigned flags = pugi::parse_default | pugi::parse_ws_pcdata;
    pugi::xml_parse_result r = xml.load_buffer(bytes.data(), bytes.size(), flags);
    if (!r) Refuse(std::string("The file is not well-formed XML (") + r.description() + " at byte " +
                   std::to_string(r.offset) + ").");
    pugi::xml_node root = xml.document_element();
    const std::string_view name = Local(root.name());
    if (name == "DCSubtitle") smpte_ = false;
    else if (name == "SubtitleReel") smpte_ = true;
    else Refuse("The file is not a digital cinema subtitle file: its root element is <" + std::string(root.name()) + ">.");
    SubtitleDocument doc(25, kDefaultLanguageId, 0);
    if (smpte_) SetUpRate(doc, Child(root, "TimeCodeRate").text().get(), Child(root, "EditRate").text().get());
    else SetUpRate(doc, "", "");
    Language(doc, Trim(Child(root, "Language").text().get()));
    std::vector<Attr> attrs;
    Walk(TreeElement(root, attrs), Style{}, 0, true);
    return Finish(std::move(doc));
  }

  // The file by the scan of its bytes (UTF-8); nullopt when the scan does not read it.
  std::optional<SubtitleDocument> ReadScan(std::string_view text) {
    try {
      Reserve(text.size());
      ScanElement::State state(text);
      document_ = text;
      state.store = &store_;
      state.storeUsed = &storeUsed_;
      if (state.scan.Next() != XmlScan::StartTag) return std::nullopt;
      const std::string_view name = XmlLocalName(state.scan.name());
      if (name == "DCSubtitle") smpte_ = false;
      else if (name == "SubtitleReel") smpte_ = true;
      else return std::nullopt;
      SubtitleDocument doc(25, kDefaultLanguageId, 0);
      // The head's values come before the subtitles in every file seen; a file that names
      // its rates after them is read by the tree, which finds them anywhere.
      std::optional<std::string> timeCodeRate, editRate, language;
      auto rate = [&] {
        if (rateSet_) return;
        SetUpRate(doc, timeCodeRate.value_or(""), editRate.value_or(""));
        rateSet_ = true;
      };
      if (!smpte_) rate();
      Walk(ScanElement(state), Style{}, 0, true, [&](const ScanElement& c) {
        const std::string_view local = c.local();
        std::optional<std::string>* field = local == "TimeCodeRate" ? &timeCodeRate
                                            : local == "EditRate"    ? &editRate
                                            : local == "Language"    ? &language
                                                                     : nullptr;
        if (field) {
          if (field->has_value()) return true;
          if (smpte_ && rateSet_ && field != &language) throw NotScanned{};
          *field = c.FirstText();
          return true;
        }
        // Whatever can hold a subtitle needs the rate.
        if (local == "Font" || local == "SubtitleList" || local == "Subtitle") rate();
        return false;
      });
      if (state.scan.Next() != XmlScan::End) return std::nullopt;
      rate();
      Language(doc, Trim(language.value_or("")));
      return Finish(std::move(doc));
    } catch (const NotScanned&) {
      return std::nullopt;
    } catch (const UserError&) {
      return std::nullopt;  // the tree refuses it, or names the broken XML further on
    }
  }

 private:
  static pugi::xml_node Child(const pugi::xml_node& n, std::string_view local) {
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling())
      if (c.type() == pugi::node_element && Local(c.name()) == local) return c;
    return {};
  }

  // The document's frame rate: a reel's TimeCodeRate and EditRate, else the rate asked for.
  void SetUpRate(SubtitleDocument& doc, const std::string& timeCodeRate, const std::string& editRate) {
    if (!smpte_) {
      doc.SetFrameRate(rateCode_);
      rate_ = doc.frameRate();
      framesMade_ = false;
      return;
    }
    long tcr = 0;
    if (!ParseInt(Trim(timeCodeRate), tcr) || tcr < 1 || tcr > 1000) Refuse("The subtitle reel has no valid TimeCodeRate.");
    unitRate_ = static_cast<int>(tcr);
    const std::string edit = Trim(editRate);
    const bool ntsc = edit == "24000 1001" || edit == "30000 1001" || edit == "60000 1001";
    int code = 0;
    switch (tcr) {
      case 24: code = ntsc ? 23 : 24; break;
      case 25: code = 25; break;
      case 30: code = ntsc ? 29 : 30; break;
      case 48: code = 48; break;
      case 50: code = 50; break;
      case 60: code = ntsc ? 59 : 60; break;
      default:
        code = 25;
        w_.push_back("Time code rate " + std::to_string(tcr) + " is not a frame rate of a document; the times "
                     "were converted to 25 fps");
    }
    doc.SetFrameRate(code);
    rate_ = doc.frameRate();
    framesMade_ = false;
  }

  // Room for the subtitles a file of `bytes` can hold (a subtitle element takes well over
  // a hundred bytes), so that the table is not copied as it grows; Finish gives back what a
  // file of few subtitles did not use.
  void Reserve(std::size_t bytes) { subs_.reserve(std::min<std::size_t>(bytes / 128, kMaxSubtitles + 1)); }

  SubtitleDocument Finish(SubtitleDocument doc) {
    if (subs_.size() > kMaxSubtitles)
      Refuse("The file holds " + std::to_string(subs_.size()) + " subtitles; a document holds at most 32767.");
    if (subs_.capacity() > 2 * subs_.size() + 64) subs_.shrink_to_fit();
    doc.ReplaceAll(std::move(subs_));
    doc.modified = false;
    if (!fonts_.empty()) {
      std::string list;
      for (const std::string& f : fonts_) list += (list.empty() ? "" : ", ") + f;
      w_.push_back("The file loads the font " + list + "; a document keeps no fonts");
    }
    if (images_ > 0)
      w_.push_back(std::to_string(images_) + " subtitle(s) are pictures (Image), which a document cannot hold; "
                   "they were read without text");
    if (depths_ > 0)
      w_.push_back(std::to_string(depths_) + " subtitle(s) have a depth (Z position), which a document cannot hold");
    if (unmapped_)
      w_.push_back("Colours that are not in the colour map were read as the nearest colour of the map");
    if (bolds_ && !bold_.enabled) w_.push_back("Bold text was read as normal text (bold text is not enabled)");
    return doc;
  }

  void Language(SubtitleDocument& doc, const std::string& lang) {
    if (lang.empty()) return;
    for (const kipo::Language& l : Languages())
      if (EqualsIgnoreCase(l.name, lang)) return doc.SetLanguageId(l.id);
    // A language tag ("en", "fr-FR"); a bare language prefers the document default's.
    std::string tag = ReplaceAll(lang, "-", "_");
    if (tag.size() > 2 && tag.size() <= 3 && tag.find('_') == std::string::npos) {
      char two[8] = {};
      UErrorCode st = U_ZERO_ERROR;
      uloc_getLanguage(tag.c_str(), two, sizeof two, &st);
      if (U_SUCCESS(st) && two[0]) tag = two;
    }
    const std::uint32_t lcid = uloc_getLCID(tag.c_str());
    if (lcid != 0 && FindLanguage(static_cast<std::int32_t>(lcid))) return doc.SetLanguageId(static_cast<std::int32_t>(lcid));
    char want[16] = {};
    UErrorCode st = U_ZERO_ERROR;
    // A language that fills the buffer comes back without its terminating NUL (a warning,
    // not a failure): no language code is that long, so such a tag names none.
    uloc_getLanguage(tag.c_str(), want, sizeof want, &st);
    if (U_FAILURE(st) || st == U_STRING_NOT_TERMINATED_WARNING || !want[0]) return;
    auto languageOf = [](std::int32_t id) {
      char loc[64] = {}, l[16] = {};
      UErrorCode s = U_ZERO_ERROR;
      uloc_getLocaleForLCID(static_cast<std::uint32_t>(id), loc, sizeof loc, &s);
      if (U_SUCCESS(s)) uloc_getLanguage(loc, l, sizeof l, &s);
      return U_SUCCESS(s) && s != U_STRING_NOT_TERMINATED_WARNING ? std::string(l) : std::string();
    };
    if (languageOf(doc.languageId()) == want) return;
    for (const kipo::Language& l : Languages())
      if (languageOf(l.id) == want) return doc.SetLanguageId(l.id);
  }

  // The fonts and subtitles under an element: the root, a Font or a SubtitleList. At the
  // root, `head(child)` may take a child first (true: taken).
  template <class E, class Head = bool (*)(const E&)>
  void Walk(const E& n, Style st, int depth, bool outer, Head head = [](const E&) { return false; }) {
    if (depth > kMaxDepth) Refuse("The file's elements are nested too deeply.");
    n.Children([&](const E& c) {
      if (c.text()) return;
      if (depth == 0 && head(c)) return;
      const Tag tag = TagOf(c.local());
      if (tag == Tag::LoadFont) {
        const Attr* uri = AttrOf(c.attrs(), {"URI"});
        std::string f = uri ? Trim(uri->value) : std::string();
        if (f.empty()) f = Trim(c.FirstText());
        if (!f.empty() && fonts_.size() < 8) fonts_.insert(f);
      } else if (tag == Tag::Font) {
        const Style inner = Apply(st, c.attrs(), fontLayout_);
        const bool colour = AttrOf(c.attrs(), {"Color"}) != nullptr;
        if (outer && colour) baseRgb_ = inner.rgb;
        Walk(c, inner, depth + 1, outer && !colour);
      } else if (tag == Tag::SubtitleList) {
        Walk(c, st, depth + 1, outer);
      } else if (tag == Tag::Subtitle) {
        if (outer) baseRgb_ = st.rgb;
        ReadSubtitle(c, st, subs_.emplace_back());  // filled where it stands in the table
      }
    });
  }

  template <class E>
  void ReadSubtitle(const E& n, const Style& st, Subtitle& s) {
    const FrameRate& rate = rate_;
    const std::size_t number = ++count_;
    static const SubtitleNames kNames({{{"TimeIn"}, {"TimeOut"}, {"ZPosition"}}});
    const auto [timeIn, timeOut, zPosition] = kNames.Find(n.attrs(), subtitleLayout_);
    auto time = [&](const Attr* a, const char* attr) {
      auto t = a ? ParseTime(a->value, unitRate_) : std::nullopt;
      if (!t)
        Refuse("Subtitle " + std::to_string(number) + " has no valid " + attr +
               (a ? " (\"" + std::string(a->value.substr(0, 20)) + "\")" : std::string()) + ".");
      char label[8] = {static_cast<char>('0' + t->h / 10), static_cast<char>('0' + t->h % 10),
                       static_cast<char>('0' + t->m / 10), static_cast<char>('0' + t->m % 10),
                       static_cast<char>('0' + t->s / 10), static_cast<char>('0' + t->s % 10)};
      if (const char* ff = FramesOfMillis(t->ms)) {
        label[6] = ff[0];
        label[7] = ff[1];
        return Cue(std::string_view(label, 8));
      }
      return Cue(std::string(label, 6) + MillisToFrames(static_cast<int>(t->ms), rate));
    };
    s.inCue = time(timeIn, "TimeIn");
    s.outCue = time(timeOut, "TimeOut");
    if (zPosition && Strtod(zPosition->value) != 0) zSeen_ = true;

    // The lines are kept from subtitle to subtitle, with their tables of pieces.
    linesUsed_ = 0;
    storeUsed_ = 0;
    bool image = false;
    CollectLines(n, st, 0, image);
    const std::span<Line> lines(lines_.data(), linesUsed_);
    if (zSeen_) ++depths_;
    zSeen_ = false;
    if (image) ++images_;
    if (lines.empty()) return;

    for (Line& l : lines) {
      if (l.valign == Place::Top) l.order = l.vpos;
      else if (l.valign == Place::Bottom) l.order = 100 - l.vpos;
      else l.order = 50 + l.vpos;
    }
    auto above = [](const Line& a, const Line& b) { return a.order < b.order; };
    if (!std::is_sorted(lines.begin(), lines.end(), above)) std::stable_sort(lines.begin(), lines.end(), above);
    const int rows = static_cast<int>(lines.size());
    const Line& low = lines.back();
    const Line& top = lines.front();
    int row = 0;
    if (low.valign == Place::Bottom) row = static_cast<int>(std::lround((low.vpos - o_.marginBottom) / lineHeight_));
    else if (top.valign == Place::Top)
      row = static_cast<int>(kMaxRows) - rows - static_cast<int>(std::lround((top.vpos - o_.marginTop) / lineHeight_));
    else row = static_cast<int>(std::lround((50 - low.vpos - o_.marginBottom) / lineHeight_));
    s.row = std::clamp(row, 0, std::max(0, static_cast<int>(kMaxRows) - rows));

    bool allLeft = true, allRight = true;
    double minLeft = 100;
    for (const Line& l : lines) {
      allLeft = allLeft && l.halign == Place::Left;
      allRight = allRight && l.halign == Place::Right;
      if (l.halign == Place::Left) minLeft = std::min(minLeft, l.hpos);
    }
    if (allLeft) s.alignment = minLeft > o_.marginLeft + 5 ? AlignCentreLeft : AlignLeft;
    else if (allRight) s.alignment = AlignRight;

    s.text = Markup(lines);
  }

  // The frame digits of a millisecond of the second, worked out once per file; nullptr
  // where the label is not two digits.
  const char* FramesOfMillis(long ms) {
    if (!framesMade_) {
      framesMade_ = true;
      framesPlain_ = true;
      for (int i = 0; i < 1000; ++i) {
        const std::string ff = MillisToFrames(i, rate_);
        if (ff.size() != 2) framesPlain_ = false;
        else std::memcpy(&framesOfMillis_[2 * static_cast<std::size_t>(i)], ff.data(), 2);
      }
    }
    if (!framesPlain_ || ms < 0 || ms > 999) return nullptr;
    return &framesOfMillis_[2 * static_cast<std::size_t>(ms)];
  }
  std::array<char, 2000> framesOfMillis_{};
  bool framesMade_ = false, framesPlain_ = false;

  // The numbers of the last two positions of a kind: a file gives its lines a few
  // positions over and over ("14.89", "8.0").
  class Positions {
   public:
    double Of(std::string_view v) {
      if (v.size() > 16) return NumberOf(v);
      const NameKey key = KeyOf(v);
      for (Known& k : known_)
        if (k.set && k.key.size == key.size && k.key.head == key.head && k.key.tail == key.tail) return k.value;
      Known& k = known_[next_];
      next_ ^= 1;
      k = {key, NumberOf(v), true};
      return k.value;
    }

   private:
    struct Known {
      NameKey key;
      double value = 0;
      bool set = false;
    };
    std::array<Known, 2> known_{};
    std::size_t next_ = 0;
  };
  Positions vpos_, hpos_;

  // Where memory that may be read after a piece of text ends: the end of the document
  // for a piece inside it, the piece's own end otherwise.
  std::string_view document_;
  const char* ReadableEnd(std::string_view piece) const {
    const char* end = document_.data() + document_.size();
    return piece.data() >= document_.data() && piece.data() <= end ? end : piece.data() + piece.size();
  }

  std::vector<Line> lines_;
  std::size_t linesUsed_ = 0;
  std::deque<std::string> store_;  // a deque: views into its strings stay where they are
  std::size_t storeUsed_ = 0;

  template <class E>
  void CollectLines(const E& n, const Style& st, int depth, bool& image) {
    if (depth > kMaxDepth) Refuse("The file's elements are nested too deeply.");
    n.Children([&](const E& c) {
      if (c.text()) return;
      const Tag tag = TagOf(c.local());
      if (tag == Tag::Font) {
        CollectLines(c, Apply(st, c.attrs(), fontLayout_), depth + 1, image);
      } else if (tag == Tag::Image) {
        image = true;
        if (const Attr* z = AttrOf(c.attrs(), {"Zposition"}); z && Strtod(z->value) != 0) zSeen_ = true;
      } else if (tag == Tag::Text) {
        if (linesUsed_ == lines_.size()) lines_.emplace_back();
        Line& l = lines_[linesUsed_];
        l.pieces.clear();
        l.valign = Place::Other;
        l.vpos = 0;
        l.halign = Place::Other;
        l.hpos = 0;
        l.order = 0;
        static const TextNames kNames({{{"VAlign"}, {"VPosition"}, {"HAlign"}, {"HPosition"}, {"Zposition"}}});
        const auto [valign, vpos, halign, hpos, zpos] = kNames.Find(c.attrs(), textLayout_);
        if (valign) l.valign = PlaceOf(valign->value);
        if (vpos) l.vpos = std::clamp(vpos_.Of(vpos->value), -100.0, 100.0);
        if (halign) l.halign = PlaceOf(halign->value);
        if (hpos) l.hpos = std::clamp(hpos_.Of(hpos->value), -100.0, 100.0);
        if (zpos && Strtod(zpos->value) != 0) zSeen_ = true;
        Pieces(c, st, depth + 1, l.pieces);
        // Line ends inside the element are layout of the file, not text.
        for (Piece& p : l.pieces) {
          const unsigned what = Classify(p.text, ReadableEnd(p.text));
          p.markup = what & kMarkupByte;
          if (!(what & kLayoutByte)) continue;
          if (storeUsed_ == store_.size()) store_.emplace_back();
          std::string& spaced = store_[storeUsed_++];
          spaced.assign(p.text);
          for (char& ch : spaced)
            if (ch == '\r' || ch == '\n' || ch == '\t') ch = ' ';
          p.text = spaced;
        }
        while (!l.pieces.empty()) {
          std::string_view& t = l.pieces.front().text;
          std::size_t lead = 0;
          while (lead < t.size() && t[lead] == ' ') ++lead;
          t.remove_prefix(lead);
          if (!t.empty()) break;
          l.pieces.erase(l.pieces.begin());
        }
        while (!l.pieces.empty()) {
          std::string_view& t = l.pieces.back().text;
          std::size_t keep = t.size();
          while (keep > 0 && t[keep - 1] == ' ') --keep;
          t = t.substr(0, keep);
          if (!t.empty()) break;
          l.pieces.pop_back();
        }
        if (!l.pieces.empty()) ++linesUsed_;
      }
    });
  }

  template <class E>
  void Pieces(const E& n, const Style& st, int depth, std::vector<Piece>& out) {
    if (depth > kMaxDepth) Refuse("The file's elements are nested too deeply.");
    n.Children([&](const E& c) {
      if (c.text()) {
        out.push_back({c.value(), st});
        return;
      }
      const Tag tag = TagOf(c.local());
      if (tag == Tag::Font) Pieces(c, Apply(st, c.attrs(), fontLayout_), depth + 1, out);
      else if (tag == Tag::Space) out.push_back({" ", st});
      else Pieces(c, st, depth + 1, out);  // Ruby, HGroup, Rotate: their text
    });
  }

  // The colour switch of a colour: the map's colour that is nearest (exact when it is one).
  int CodeOf(std::uint32_t rgb) {
    if (rgb == baseRgb_) return 0;
    int best = 7;
    long bestDistance = -1;
    for (int code = 1; code <= 7; ++code) {
      const std::uint32_t c = MappedColour(o_, code);
      long d = 0;
      for (int shift : {16, 8, 0}) {
        long x = static_cast<long>((rgb >> shift) & 0xFF) - static_cast<long>((c >> shift) & 0xFF);
        d += x * x;
      }
      if (bestDistance < 0 || d < bestDistance) bestDistance = d, best = code;
    }
    if (bestDistance != 0) unmapped_ = true;
    return best;
  }

  std::string Markup(std::span<const Line> lines) {
    std::size_t room = 2 * lines.size() + 8;
    for (const Line& l : lines)
      for (const Piece& p : l.pieces) room += p.text.size();
    std::string out;
    out.reserve(room);
    int colour = 0;
    bool underline = false, bold = false;
    for (std::size_t r = 0; r < lines.size(); ++r) {
      if (r) out += "\r\n";
      bool italic = false;
      for (const Piece& p : lines[r].pieces) {
        if (p.text.empty()) continue;
        const int code = CodeOf(p.style.rgb);
        if (code != colour) {
          out += static_cast<char>(code == 0 ? 7 : code);
          colour = code;
        }
        if (p.style.bold) bolds_ = true;
        const bool b = p.style.bold && bold_.enabled;
        if (b != bold) {
          out += b ? bold_.start : bold_.end;
          bold = b;
        }
        if (p.style.underline != underline) {
          out += p.style.underline ? kUnderlineOn : kUnderlineOff;
          underline = p.style.underline;
        }
        if (p.style.italic != italic) {
          out += p.style.italic ? kItalicOn : kItalicOff;
          italic = p.style.italic;
        }
        if (p.markup) AppendEscaped(out, p.text);
        else out += p.text;
      }
      if (italic) out += kItalicOff;
    }
    if (underline) out += kUnderlineOff;
    if (bold) out += bold_.end;
    return out;
  }

  const DlpOptions& o_;
  int rateCode_;
  FrameRate rate_;
  using SubtitleNames = AttrNames<3>;
  using TextNames = AttrNames<5>;
  SubtitleNames::Layout subtitleLayout_;
  TextNames::Layout textLayout_;
  FontNames::Layout fontLayout_;
  int unitRate_ = 0;
  bool rateSet_ = false;
  std::set<std::string> fonts_;
  std::vector<Subtitle> subs_;
  BoldMarkers bold_;
  Warnings& w_;
  bool smpte_ = false;
  double lineHeight_ = 7;
  std::uint32_t baseRgb_ = 0xFFFFFF;
  std::size_t count_ = 0;
  int images_ = 0, depths_ = 0;
  bool zSeen_ = false, unmapped_ = false, bolds_ = false;
};

}  // namespace

bool LooksLikeDcinema(std::span<const std::uint8_t> bytes) {
  // The first few kilobytes as ASCII (UTF-16 loses its zero bytes).
  std::string head;
  for (std::size_t i = 0; i < bytes.size() && head.size() < 4096; ++i)
    if (bytes[i] != 0) head += static_cast<char>(bytes[i]);
  std::size_t at = 0;
  while ((at = head.find('<', at)) != std::string::npos) {
    ++at;
    if (at >= head.size()) return false;
    const char c = head[at];
    if (c == '?' || c == '!') continue;
    std::size_t end = head.find_first_of(" \t\r\n/>", at);
    const std::string tag = head.substr(at, end == std::string::npos ? std::string::npos : end - at);
    const std::string_view name = Local(tag.c_str());
    return name == "DCSubtitle" || name == "SubtitleReel";
  }
  return false;
}

namespace {
// The file's text when the scan can read it (UTF-8, with or without its mark).
std::optional<std::string_view> ScanText(std::span<const std::uint8_t> bytes) {
  const UnicodeEncoding encoding = DetectBom(bytes).encoding;
  if (encoding != UnicodeEncoding::None && encoding != UnicodeEncoding::Utf8) return std::nullopt;
  return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}
}  // namespace

SubtitleDocument ReadDcinemaXml(std::span<const std::uint8_t> bytes, const DlpOptions& options, int frameRateCode,
                                const BoldMarkers& bold, Warnings& warnings) {
  std::string converted;
  Warnings decoding;
  bytes = Decoded(bytes, converted, decoding);
  if (const auto text = ScanText(bytes)) {
    Warnings w = decoding;
    if (auto doc = Reader(options, frameRateCode, bold, w).ReadScan(*text)) {
      warnings.insert(warnings.end(), w.begin(), w.end());
      return std::move(*doc);
    }
  }
  warnings.insert(warnings.end(), decoding.begin(), decoding.end());
  return Reader(options, frameRateCode, bold, warnings).ReadTree(bytes);
}

SubtitleDocument ReadDcinemaXmlTree(std::span<const std::uint8_t> bytes, const DlpOptions& options, int frameRateCode,
                                    const BoldMarkers& bold, Warnings& warnings) {
  std::string converted;
  bytes = Decoded(bytes, converted, warnings);
  return Reader(options, frameRateCode, bold, warnings).ReadTree(bytes);
}

bool DcinemaScanReads(std::span<const std::uint8_t> bytes, const DlpOptions& options, int frameRateCode,
                      const BoldMarkers& bold) {
  std::string converted;
  Warnings w;
  bytes = Decoded(bytes, converted, w);
  const auto text = ScanText(bytes);
  return text && Reader(options, frameRateCode, bold, w).ReadScan(*text).has_value();
}

}  // namespace kipo
