// The Timed Text reader: one walk over a TTML document of any dialect. Times are read in
// every form the timing vocabulary has and inherited down the tree; styles are resolved
// through style references, inline attributes, inheritance and the paragraph's region;
// the text keeps italics, colours and underline as the document's markup, and the region
// and text alignment give the subtitle's row and alignment.
#include <unicode/uloc.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <deque>
#include <optional>
#include <unordered_map>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/languages.h"
#include "core/rich_text.h"
#include "formats/timedtext/timed_text.h"
#include "formats/timedtext/timed_text_names.h"
#include "formats/timedtext/timed_text_tree.h"
#include "platform/text_util.h"
#include "platform/user_error.h"
#include "platform/xml_scan.h"

namespace kipo {
namespace {

// A name equal to a literal, compared in place: a name of 4 to 16 letters as its first
// and last words (they overlap when it is shorter than two words), a shorter one letter by
// letter. The literal's words are known when compiling.
template <std::size_t N>
bool NameIs(std::string_view name, const char (&literal)[N]) {
  constexpr std::size_t n = N - 1;
  if (name.size() != n) return false;
  auto same = [&]<class Word>(Word) {
    Word a, b, c, d;
    std::memcpy(&a, name.data(), sizeof a);
    std::memcpy(&b, literal, sizeof b);
    std::memcpy(&c, name.data() + n - sizeof c, sizeof c);
    std::memcpy(&d, literal + n - sizeof d, sizeof d);
    return a == b && c == d;
  };
  if constexpr (n >= 8 && n <= 16) return same(std::uint64_t{});
  else if constexpr (n >= 4 && n < 8) return same(std::uint32_t{});
  for (std::size_t i = 0; i < n; ++i)
    if (name[i] != literal[i]) return false;
  return true;
}

// The first character of a name, NUL for an empty one ("tts:" has an empty local part).
char First(std::string_view name) { return name.empty() ? '\0' : name[0]; }

bool Is(const TtNode& n, std::string_view local) { return !n.text && XmlLocalName(n.value) == local; }

// An attribute's value by local name; `prefixed` asks for one with a prefix (tts:, ttp:),
// an unprefixed one otherwise (begin, style, region).
std::string_view Value(const TtTree& t, const TtNode& n, std::string_view local, bool prefixed = false) {
  for (const TtAttribute& a : t.Attributes(n)) {
    const bool hasPrefix = a.name.find(':') != std::string_view::npos;
    if (hasPrefix == prefixed && XmlLocalName(a.name) == local) return a.value;
  }
  return {};
}

// The attributes the reader looks at, gathered in one pass over an element.
struct Own {
  std::string_view begin, end, dur, region, style, space, timeContainer;
  bool timed = false;   // begin, end or dur given
  bool styled = false;  // some prefixed attribute (tts: and the like) to read
};

Own Gather(std::span<const TtAttribute> attributes) {
  Own o;
  for (const TtAttribute& a : attributes) {
    const std::string_view name = a.name;
    // The unprefixed names first, then the prefixed ones (tts: nearly always).
    switch (name[0]) {
      case 'b': if (NameIs(name, "begin")) { o.begin = a.value, o.timed = true; continue; } break;
      case 'e': if (NameIs(name, "end")) { o.end = a.value, o.timed = true; continue; } break;
      case 'd': if (NameIs(name, "dur")) { o.dur = a.value, o.timed = true; continue; } break;
      case 'r': if (NameIs(name, "region")) { o.region = a.value; continue; } break;
      case 's': if (NameIs(name, "style")) { o.style = a.value; continue; } break;
      case 't':
        if (NameIs(name, "timeContainer")) { o.timeContainer = a.value; continue; }
        if (name.starts_with("tts:")) { o.styled = true; continue; }
        break;
      case 'x':
        // xml:id and xml:lang say nothing here; xml:space is the one xml: attribute read.
        if (name.starts_with("xml:")) {
          if (NameIs(std::string_view(name.data() + 4, name.size() - 4), "space")) o.space = a.value;
          continue;
        }
        break;
      default: break;
    }
    const std::size_t colon = name.find(':');
    if (colon == std::string_view::npos) continue;
    if (colon == 3 && name.starts_with("xml")) {
      if (NameIs(std::string_view(name.data() + 4, name.size() - 4), "space")) o.space = a.value;
    } else if (!name.starts_with("xmlns")) {
      o.styled = true;
    }
  }
  return o;
}

// A prefixed attribute other than the xml: and xmlns ones: a styling attribute (tts:
// nearly always), as Gather counts them.
bool IsStyling(std::string_view name) {
  const std::size_t colon = name.find(':');
  if (colon == std::string_view::npos) return false;
  if (colon == 3 && name.starts_with("xml")) return false;
  return !name.starts_with("xmlns");
}

// What a byte of text is to the white space handling and the document's markup.
enum : unsigned char { kPlainChar, kSpaceChar, kOtherSpace, kMarkupChar };
const std::array<unsigned char, 256> kTextKind = [] {
  std::array<unsigned char, 256> t{};
  for (int c = 0; c < 256; ++c)
    if (IsMarkupChar(static_cast<char>(c))) t[c] = kMarkupChar;
  t[' '] = kSpaceChar;
  t['\t'] = t['\r'] = t['\n'] = kOtherSpace;
  return t;
}();

// Calls f for each white-space separated word of s.
template <class F>
void ForEachWord(std::string_view s, F&& f) {
  if (std::none_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; })) {
    if (!s.empty()) f(s);  // one word, the common case
    return;
  }
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n')) ++i;
    std::size_t j = i;
    while (j < s.size() && !(s[j] == ' ' || s[j] == '\t' || s[j] == '\r' || s[j] == '\n')) ++j;
    if (j > i) f(s.substr(i, j - i));
    i = j;
  }
}

std::vector<std::string_view> Words(std::string_view s) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n')) ++i;
    std::size_t j = i;
    while (j < s.size() && !(s[j] == ' ' || s[j] == '\t' || s[j] == '\r' || s[j] == '\n')) ++j;
    if (j > i) out.push_back(s.substr(i, j - i));
    i = j;
  }
  return out;
}

// Every byte above the space is not white space: one comparison for nearly all.
inline bool IsXmlSpace(char c) {
  return static_cast<unsigned char>(c) <= ' ' && (c == ' ' || c == '\t' || c == '\r' || c == '\n');
}

std::string_view StripEnds(std::string_view s) {
  const char* ws = " \t\r\n";
  std::size_t b = s.find_first_not_of(ws);
  if (b == std::string_view::npos) return {};
  return s.substr(b, s.find_last_not_of(ws) - b + 1);
}
[[gnu::always_inline]] inline std::string_view Strip(std::string_view s) {
  if (!s.empty() && !IsXmlSpace(s.front()) && !IsXmlSpace(s.back())) return s;
  return StripEnds(s);
}

// Two texts of the document equal? Style references and region names are short: compared
// eight bytes at a time (the last eight overlapping the ones before), without a library call.
[[gnu::always_inline]] inline bool SameText(std::string_view a, std::string_view b) {
  const std::size_t n = a.size();
  if (n != b.size()) return false;
  if (n < 8) {
    for (std::size_t i = 0; i < n; ++i)
      if (a[i] != b[i]) return false;
    return true;
  }
  std::uint64_t x, y;
  for (std::size_t i = 0; i + 8 < n; i += 8) {
    std::memcpy(&x, a.data() + i, 8);
    std::memcpy(&y, b.data() + i, 8);
    if (x != y) return false;
  }
  std::memcpy(&x, a.data() + n - 8, 8);
  std::memcpy(&y, b.data() + n - 8, 8);
  return x == y;
}

// The place values of fraction digits, 0.1 divided by ten again and again: a table of the
// same doubles saves a division per digit.
const std::array<double, 41> kFractionPlaces = [] {
  std::array<double, 41> t{};
  double scale = 0.1;
  for (double& place : t) place = scale, scale /= 10;
  return t;
}();

bool ParseNumber(std::string_view s, double& out) {
  if (s.empty() || s.size() > 40) return false;
  std::size_t i = 0;
  double v = 0;
  bool digits = false;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') v = v * 10 + (s[i++] - '0'), digits = true;
  if (i < s.size() && s[i] == '.') {
    ++i;
    for (std::size_t place = 0; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++place)
      v += (s[i++] - '0') * kFractionPlaces[place], digits = true;
  }
  if (!digits || i != s.size()) return false;
  out = v;
  return true;
}

// --- Timing parameters and time expressions -------------------------------------------

struct TimingParameters {
  double frameRate = 30;     // labels per second of frame-based times
  double subFrameRate = 1;
  double tickRate = 1;
  bool frameRateGiven = false;
};

// Seconds on the label clock: "HH:MM:SS:FF" counts FF at the file's frame rate, so that
// a label read back is the label written.
std::optional<double> ParseTime(std::string_view t, const TimingParameters& p) {
  // HH:MM:SS.mmm as it stands, the form most writers give, and HH:MM:SS.ff (generic
  // writers' hundredths): read at once (the same sums as the forms below).
  if ((t.size() == 12 || t.size() == 11) && t[2] == ':' && t[5] == ':' && t[8] == '.') {
    const auto* d = reinterpret_cast<const unsigned char*>(t.data());
    const unsigned h1 = d[0] - '0', h2 = d[1] - '0', m1 = d[3] - '0', m2 = d[4] - '0', s1 = d[6] - '0',
                   s2 = d[7] - '0', f1 = d[9] - '0', f2 = d[10] - '0', f3 = t.size() == 12 ? d[11] - '0' : 0u;
    if (h1 < 10 && h2 < 10 && m1 < 6 && m2 < 10 && s1 < 10 && s2 < 10 && f1 < 10 && f2 < 10 && f3 < 10) {
      const int h = static_cast<int>(h1 * 10 + h2), m = static_cast<int>(m1 * 10 + m2),
                s = static_cast<int>(s1 * 10 + s2);
      if (s < 61) {
        double seconds = s;
        seconds += f1 * kFractionPlaces[0];
        seconds += f2 * kFractionPlaces[1];
        if (t.size() == 12) seconds += f3 * kFractionPlaces[2];
        return h * 3600.0 + m * 60.0 + seconds;
      }
    }
  }
  // HH:MM:SS:FF likewise.
  if (t.size() == 11 && t[2] == ':' && t[5] == ':' && (t[8] == ':' || t[8] == ';')) {
    const auto* d = reinterpret_cast<const unsigned char*>(t.data());
    const unsigned h1 = d[0] - '0', h2 = d[1] - '0', m1 = d[3] - '0', m2 = d[4] - '0', s1 = d[6] - '0',
                   s2 = d[7] - '0', f1 = d[9] - '0', f2 = d[10] - '0';
    if (h1 < 10 && h2 < 10 && m1 < 6 && m2 < 10 && s1 < 10 && s2 < 10 && f1 < 10 && f2 < 10) {
      const int h = static_cast<int>(h1 * 10 + h2), m = static_cast<int>(m1 * 10 + m2),
                s = static_cast<int>(s1 * 10 + s2), f = static_cast<int>(f1 * 10 + f2);
      if (s < 61) return h * 3600.0 + m * 60.0 + s + f / p.frameRate;
    }
  }
  t = Strip(t);
  if (t.empty()) return std::nullopt;
  // The forms writers nearly always use, HH:MM:SS:FF and HH:MM:SS.fff (any number of
  // fraction digits), read at their places (the same sums as below).
  if (t.size() >= 10 && t[2] == ':' && t[5] == ':') {
    const char* d = t.data();
    auto pair = [d](std::size_t i) {
      const unsigned a = static_cast<unsigned char>(d[i]) - '0', b = static_cast<unsigned char>(d[i + 1]) - '0';
      return a < 10 && b < 10 ? static_cast<int>(a * 10 + b) : -1;
    };
    const int h = pair(0), m = pair(3), s = pair(6);
    if (h >= 0 && m >= 0 && m < 60 && s >= 0 && s < 61) {
      if (t.size() == 11 && (t[8] == ':' || t[8] == ';')) {
        if (const int f = pair(9); f >= 0) return h * 3600.0 + m * 60.0 + s + f / p.frameRate;
      } else if (t[8] == '.') {
        // Milliseconds, the common case: the sums ParseNumber makes, without its loop.
        const unsigned f1 = static_cast<unsigned char>(t[9]) - '0';
        if (t.size() == 12 && f1 < 10 && static_cast<unsigned>(t[10] - '0') < 10 && static_cast<unsigned>(t[11] - '0') < 10) {
          double seconds = s;
          seconds += f1 * kFractionPlaces[0];
          seconds += (t[10] - '0') * kFractionPlaces[1];
          seconds += (t[11] - '0') * kFractionPlaces[2];
          return h * 3600.0 + m * 60.0 + seconds;
        }
        if (double seconds = 0; ParseNumber(t.substr(6), seconds)) return h * 3600.0 + m * 60.0 + seconds;
      }
    }
  }
  if (t.find(':') != std::string_view::npos) {
    // Clock time: hours:minutes:seconds with a fraction, or with frames (and sub-frames).
    std::string_view parts[4];
    std::size_t count = 0, start = 0;
    for (std::size_t i = 0; i <= t.size(); ++i)
      if (i == t.size() || t[i] == ':' || t[i] == ';') {
        if (count == 4) return std::nullopt;
        parts[count++] = t.substr(start, i - start);
        start = i + 1;
      }
    if (count != 3 && count != 4) return std::nullopt;
    double h = 0, m = 0, s = 0;
    if (!ParseNumber(parts[0], h) || !ParseNumber(parts[1], m) || parts[0].find('.') != std::string_view::npos ||
        parts[1].find('.') != std::string_view::npos || m >= 60)
      return std::nullopt;
    if (count == 3) {
      if (!ParseNumber(parts[2], s) || s >= 61) return std::nullopt;
      return h * 3600 + m * 60 + s;
    }
    double f = 0, sub = 0;
    std::string_view frames = parts[3];
    if (std::size_t dot = frames.find('.'); dot != std::string_view::npos) {
      if (!ParseNumber(frames.substr(dot + 1), sub)) return std::nullopt;
      frames = frames.substr(0, dot);
    }
    if (!ParseNumber(parts[2], s) || !ParseNumber(frames, f) || parts[2].find('.') != std::string_view::npos ||
        s >= 61)
      return std::nullopt;
    return h * 3600 + m * 60 + s + (f + sub / p.subFrameRate) / p.frameRate;
  }
  // Offset time: a number and its metric.
  std::size_t unit = t.size();
  while (unit > 0 && ((t[unit - 1] >= 'a' && t[unit - 1] <= 'z'))) --unit;
  std::string_view metric = t.substr(unit);
  double v = 0;
  if (!ParseNumber(t.substr(0, unit), v)) return std::nullopt;
  if (metric == "h") return v * 3600;
  if (metric == "m") return v * 60;
  if (metric == "s") return v;
  if (metric == "ms") return v / 1000;
  if (metric == "f") return v / p.frameRate;
  if (metric == "t") return v / p.tickRate;
  return std::nullopt;
}

// --- Styles ---------------------------------------------------------------------------

struct Props {
  std::optional<bool> italic, underline, bold;
  std::optional<int> colour;  // 0 white (the default colour), 1-7 the colour switches
  std::optional<int> align;
  std::optional<std::string_view> displayAlign;
  std::optional<std::string_view> origin, extent;
  bool fontOrSize = false;
  bool operator==(const Props&) const = default;
};

// The fields `src` sets, set in `dst`.
void Overlay(Props& dst, const Props& src) {
  if (src.italic) dst.italic = src.italic;
  if (src.underline) dst.underline = src.underline;
  if (src.bold) dst.bold = src.bold;
  if (src.colour) dst.colour = src.colour;
  if (src.align) dst.align = src.align;
  if (src.displayAlign) dst.displayAlign = src.displayAlign;
  if (src.origin) dst.origin = src.origin;
  if (src.extent) dst.extent = src.extent;
  dst.fontOrSize = dst.fontOrSize || src.fontOrSize;
}

int ColourOf(std::string_view v, bool& understood) {
  understood = true;
  std::string c = ToLowerAscii(Strip(v));
  static const std::pair<const char*, int> named[] = {
      {"white", 0},   {"red", 1},    {"lime", 2},    {"green", 2},   {"yellow", 3}, {"blue", 4},
      {"magenta", 5}, {"fuchsia", 5}, {"cyan", 6},    {"aqua", 6},    {"black", 0},  {"transparent", 0},
      {"silver", 0},  {"gray", 0},    {"maroon", 1},  {"olive", 3},   {"navy", 4},   {"purple", 5},
      {"teal", 6}};
  for (const auto& [name, code] : named)
    if (c == name) return code;
  int r = -1, g = -1, b = -1;
  if (c.size() >= 7 && c[0] == '#') {
    auto hex = [&](std::size_t i) { return static_cast<int>(std::strtol(c.substr(i, 2).c_str(), nullptr, 16)); };
    r = hex(1), g = hex(3), b = hex(5);
  } else if (c.starts_with("rgb")) {
    std::size_t open = c.find('(');
    if (open != std::string::npos) std::sscanf(c.c_str() + open + 1, "%d ,%d ,%d", &r, &g, &b);
  }
  if (r < 0 || g < 0 || b < 0) {
    understood = false;
    return 0;
  }
  const int code = (r > 127 ? 1 : 0) | (g > 127 ? 2 : 0) | (b > 127 ? 4 : 0);
  // red 1, green 2, yellow 3, blue 4, magenta 5, cyan 6, white 7 -> the default colour.
  static const int kByBits[8] = {0, 1, 2, 3, 4, 5, 6, 0};
  return kByBits[code];
}

// Elements nested deeper than this are not read (no subtitle file nests so deep; a file
// that does is not allowed to exhaust the stack).
constexpr int kMaxDepth = 200;

struct Reader {
  TimingParameters timing;
  bool tooDeep = false;
  const TtTree& t;
  std::unordered_map<std::string_view, std::uint32_t> styles;
  std::vector<std::string>& warnings;
  bool fontsSeen = false, colourNotUnderstood = false, regionNotUnderstood = false;
  int cellRows = 15;
  std::unordered_map<std::string_view, Props> regionProps;

  Reader(const TtTree& tree, std::vector<std::string>& w) : t(tree), warnings(w) {}

  void ApplyInline(std::span<const TtAttribute> attributes, Props& p) {
    for (const TtAttribute& a : attributes) {
      // Prefixed names only, not xml: or xmlns; the local name picked by its first letter.
      const std::string_view name = a.name;
      const std::size_t colon = name.find(':');
      if (colon == std::string_view::npos) continue;
      if ((colon == 3 && name.starts_with("xml")) || name.starts_with("xmlns")) continue;
      const std::string_view local(name.data() + colon + 1, name.size() - colon - 1);
      auto value = [&] { return Strip(a.value); };
      switch (First(local)) {
        case 'f':
          if (NameIs(local, "fontStyle")) {
            const std::string_view v = value();
            p.italic = v == "italic" || v == "oblique";
          } else if (NameIs(local, "fontWeight")) {
            p.bold = value() == "bold";
          } else if (NameIs(local, "fontFamily") || NameIs(local, "fontSize")) {
            p.fontOrSize = true;
          }
          break;
        case 't':
          if (NameIs(local, "textDecoration")) {
            const std::string_view v = value();
            if (v.find("noUnderline") != std::string_view::npos) p.underline = false;
            else if (v.find("underline") != std::string_view::npos) p.underline = true;
            else if (v == "none") p.underline = false;
          } else if (NameIs(local, "textAlign")) {
            const std::string_view v = value();
            if (v == "left" || v == "start") p.align = AlignLeft;
            else if (v == "right" || v == "end") p.align = AlignRight;
            else p.align = AlignCentre;
          }
          break;
        case 'c':
          if (NameIs(local, "color")) {
            bool ok = true;
            p.colour = ColourOf(value(), ok);
            colourNotUnderstood = colourNotUnderstood || !ok;
          }
          break;
        case 'd': if (NameIs(local, "displayAlign")) p.displayAlign = value(); break;
        case 'o': if (NameIs(local, "origin")) p.origin = value(); break;
        case 'e': if (NameIs(local, "extent")) p.extent = value(); break;
        default: break;
      }
    }
  }

  // What a style element sets, with the styles it refers to first; each style is resolved
  // once.
  std::unordered_map<std::uint32_t, Props> styleCache;
  const Props& StyleProps(std::uint32_t style, int depth = 0) {
    static const Props kNone;
    if (depth > 16) return kNone;
    auto it = styleCache.find(style);
    if (it != styleCache.end()) return it->second;
    Props p;
    const std::span<const TtAttribute> attributes = t.Attributes(t[style]);
    const Own own = Gather(attributes);
    ForEachWord(own.style, [&](std::string_view id) {
      auto ref = styles.find(id);
      if (ref != styles.end()) Overlay(p, StyleProps(ref->second, depth + 1));
    });
    if (own.styled) ApplyInline(attributes, p);
    return styleCache.insert_or_assign(style, p).first->second;
  }

  // The resolved style of an id, nullptr when there is none. Spans and paragraphs nearly
  // always name the style the one before named: the last is kept.
  std::string_view lastId_;
  const Props* lastStyle_ = nullptr;
  const Props* StyleById(std::string_view id) {
    if (lastStyle_ && id == lastId_) return lastStyle_;
    auto it = styles.find(id);
    if (it == styles.end()) return nullptr;
    lastId_ = id;
    lastStyle_ = &StyleProps(it->second);
    return lastStyle_;
  }

  // What a style attribute's references set together (each in order over the one before).
  // A file has a handful of different style attributes: they are kept, up to a few.
  std::vector<std::pair<std::string_view, Props>> referenced_;
  const Props& Referenced(std::string_view styleAttribute) {
    for (const auto& [attribute, props] : referenced_)
      if (SameText(attribute, styleAttribute)) return props;
    Props p;
    ForEachWord(styleAttribute, [&](std::string_view id) {
      if (const Props* style = StyleById(id)) Overlay(p, *style);
    });
    if (referenced_.size() == 16) referenced_.pop_back();
    return referenced_.emplace_back(styleAttribute, p).second;
  }

  // The element's referenced styles (in order), then its own attributes.
  void ApplyElement(std::span<const TtAttribute> attributes, Props& p, const Own& own) {
    if (!own.style.empty()) Overlay(p, Referenced(own.style));
    if (own.styled) ApplyInline(attributes, p);
  }
  void ApplyElement(const TtNode& n, Props& p) {
    const std::span<const TtAttribute> attributes = t.Attributes(n);
    ApplyElement(attributes, p, Gather(attributes));
  }

  // --- Rows from regions ----------------------------------------------------------------

  // A length along the vertical axis in percent of the root area.
  std::optional<double> VerticalPercent(std::string_view pair, bool second) {
    std::vector<std::string_view> w = Words(pair);
    if (w.size() != 2) return std::nullopt;
    std::string_view v = w[second ? 1 : 0];
    double n = 0;
    if (v.ends_with("%") && ParseNumber(v.substr(0, v.size() - 1), n)) return n;
    if (v.ends_with("c") && ParseNumber(v.substr(0, v.size() - 1), n)) return n * 100.0 / cellRows;
    return std::nullopt;
  }

  int RowOf(const Props& region, bool& understood) {
    understood = true;
    std::string_view display = region.displayAlign.value_or("before");
    double top = 0, height = 100;
    if (region.origin && *region.origin != "auto") {
      auto y = VerticalPercent(*region.origin, true);
      if (!y) understood = false;
      else top = *y;
    }
    if (region.extent && *region.extent != "auto") {
      auto h = VerticalPercent(*region.extent, true);
      if (!h) understood = false;
      else height = *h;
    }
    if (!understood) return 0;
    double anchor = display == "after" ? top + height : display == "center" ? top + height / 2 : top;
    if (anchor >= 66) return 0;
    if (anchor <= 34) return 9;
    return 5;
  }

  // --- Text -----------------------------------------------------------------------------

  // A stretch of text with one style. The text lies in the parsed document where it is
  // read as it stands, or in `store_` where white space had to be changed.
  struct Piece {
    std::string_view text;
    bool preserve = false;
    // What the markup needs of the piece's style.
    bool italic = false, underline = false, fontOrSize = false;
    int colour = 0;
    bool plain = false;  // known to hold no markup character
    bool blank = false;  // known to be white space alone
  };
  static Piece PieceOf(std::string_view text, const Props& style, bool preserve) {
    return {text, preserve, style.italic.value_or(false), style.underline.value_or(false), style.fontOrSize,
            style.colour.value_or(0)};
  }
  // The paragraph's pieces in order; row r holds pieces [rowStarts_[r], the next row's
  // start). Both are reused from paragraph to paragraph, as are the strings of the store.
  std::vector<Piece> pieces_;
  std::vector<std::size_t> rowStarts_;
  std::deque<std::string> store_;  // a deque: the views into it stay where they are
  std::size_t textBytes_ = 0;      // the paragraph's text as read, before white space is made one
  std::size_t storeUsed_ = 0;

  std::string& Stored() {
    if (storeUsed_ == store_.size()) store_.emplace_back();
    std::string& s = store_[storeUsed_++];
    s.clear();
    return s;
  }

  void NewRow() { rowStarts_.push_back(pieces_.size()); }
  std::size_t RowEnd(std::size_t r) const { return r + 1 < rowStarts_.size() ? rowStarts_[r + 1] : pieces_.size(); }

  // The text of a paragraph's content up to the end tag of the element it stands in, as
  // pieces and rows; `depth` counts the elements between it and the paragraph.
  // `inheritedId` names the value of `inherited` (equal numbers, equal props).
  template <class Source>
  void Collect(Source& src, const Props& inherited, std::uint64_t inheritedId, bool preserve, int depth = 0) {
    if (depth > kMaxDepth) {
      tooDeep = true;
      Skip(src);
      return;
    }
    while (true) {
      const XmlScan::Token token = src.Next();
      if (token == XmlScan::EndTag) return;
      if (token == XmlScan::Text) {
        std::string_view text = src.text([this]() -> std::string& { return Stored(); });
        if (preserve) {
          // Preserved line feeds are line breaks.
          std::size_t start = 0;
          for (std::size_t i = 0; i <= text.size(); ++i)
            if (i == text.size() || text[i] == '\n') {
              std::string_view piece = text.substr(start, i - start);
              if (piece.find('\r') != std::string_view::npos) {
                std::string& kept = Stored();
                for (char ch : piece)
                  if (ch != '\r') kept += ch;
                piece = kept;
              }
              pieces_.push_back(PieceOf(piece, inherited, true));
              if (i < text.size()) NewRow();
              start = i + 1;
            }
        } else {
          pieces_.push_back(PieceOf(text, inherited, false));
          pieces_.back().blank = src.blankText();
        }
        textBytes_ += text.size();
        continue;
      }
      const std::string_view local = XmlLocalName(src.name());
      bool italicElement = false;
      switch (First(local)) {
        case 'b':
          if (NameIs(local, "br")) {
            NewRow();
            Skip(src);
            continue;
          }
          break;
        case 'i': italicElement = local.size() == 1; break;
        case 'm': if (NameIs(local, "metadata")) { Skip(src); continue; } break;
        case 'r': if (NameIs(local, "region")) { Skip(src); continue; } break;
        case 's': if (NameIs(local, "set")) { Skip(src); continue; } break;
        default: break;
      }
      const std::span<const TtAttribute> attributes = src.attributes();
      bool styleRef = false;
      if (!italicElement && attributes.size() == 1 &&
          ((styleRef = NameIs(attributes[0].name, "style")) || IsStyling(attributes[0].name))) {
        // A span with one style reference or one styling attribute and nothing else, as
        // most files write them.
        std::uint64_t id = 0;
        const Props p = SpanStyleOf(inherited, inheritedId, attributes, styleRef, id);
        Collect(src, p, id, preserve, depth + 1);
        continue;
      }
      const Own own = Gather(attributes);
      bool keep = preserve;
      if (!own.space.empty()) keep = own.space == "preserve";
      if (own.style.empty() && !own.styled && !italicElement) {
        Collect(src, inherited, inheritedId, keep, depth + 1);  // a span that changes nothing
        continue;
      }
      Props p = inherited;
      ApplyElement(attributes, p, own);
      if (italicElement) p.italic = true;
      Collect(src, p, ++propsIds_, keep, depth + 1);
    }
  }

  // Passes over the rest of the element the source stands in, its end tag included.
  template <class Source>
  static void Skip(Source& src) {
    for (std::size_t open = 0;;) {
      const XmlScan::Token token = src.Next();
      if (token == XmlScan::StartTag) ++open;
      else if (token == XmlScan::EndTag && open-- == 0) return;
    }
  }

  static bool IsSpace(char ch) { return IsXmlSpace(ch); }
  static constexpr auto kIsSpace = [](char ch) { return IsXmlSpace(ch); };

  // Default white space handling: line feeds and tabs are spaces, runs of spaces are one,
  // and rows lose the spaces at their ends.
  void Collapse(std::size_t from, std::size_t to) {
    bool lastSpace = true;  // at the start of a row spaces go
    for (std::size_t k = from; k < to; ++k) {
      Piece& piece = pieces_[k];
      if (piece.preserve) {
        if (piece.text.find('\t') != std::string_view::npos) {
          std::string& spaced = Stored();
          spaced.assign(piece.text);
          std::replace(spaced.begin(), spaced.end(), '\t', ' ');
          piece.text = spaced;
        }
        lastSpace = !piece.text.empty() ? piece.text.back() == ' ' : lastSpace;
        continue;
      }
      // White space alone (the line end and indentation between two tags) is one space,
      // or none after a space.
      std::string_view text = piece.text;
      if (piece.blank || (!text.empty() && IsSpace(text.front()) && IsSpace(text.back()) &&
                          std::all_of(text.begin(), text.end(), kIsSpace))) {
        piece.text = lastSpace ? std::string_view() : std::string_view(" ");
        piece.plain = true;
        lastSpace = true;
        continue;
      }
      // Spaces after a space go; most text then has single spaces between words only and
      // is kept where it lies, its markup characters noted on the way.
      if (lastSpace)
        while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
      bool same = true, after = lastSpace, markup = false;
      const auto* c = reinterpret_cast<const unsigned char*>(text.data());
      const auto* const end = c + text.size();
#if defined(__SSE2__)
      // Sixteen bytes at a time while they hold only other characters and single spaces;
      // the byte loop below takes any chunk with more (and goes on from there).
      // The spaces of the chunk at `at`, or ~0 when it holds other white space or markers.
      auto chunk = [](const unsigned char* at) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const __m128i space = _mm_cmpeq_epi8(v, _mm_set1_epi8(' '));
        const __m128i upToSpace = _mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8(' ')), v);  // controls, line ends
        const __m128i marks = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(kItalicOn)),
                                                        _mm_cmpeq_epi8(v, _mm_set1_epi8(kItalicOff))),
                                           _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(kUnderlineOn)),
                                                        _mm_cmpeq_epi8(v, _mm_set1_epi8(kUnderlineOff))));
        if (_mm_movemask_epi8(_mm_or_si128(_mm_andnot_si128(space, upToSpace), marks))) return ~0u;
        return static_cast<unsigned>(_mm_movemask_epi8(space));
      };
      while (end - c >= 16) {
        const unsigned spaces = chunk(c);
        if (spaces == ~0u) break;
        if ((spaces & (spaces << 1)) || (after && (spaces & 1))) break;  // a space after a space
        after = (spaces >> 15) != 0;
        c += 16;
      }
#endif
      while (c < end) {
        const unsigned char kind = kTextKind[*c++];
        if (kind == kPlainChar) {
          // The rest of the word at once.
          while (end - c >= 4 && !(kTextKind[c[0]] | kTextKind[c[1]] | kTextKind[c[2]] | kTextKind[c[3]])) c += 4;
          while (c < end && kTextKind[*c] == kPlainChar) ++c;
          after = false;
        } else if (kind == kMarkupChar) {
          markup = true;
          after = false;
        } else if (kind == kOtherSpace || after) {
          same = false;
          break;
        } else {
          after = true;
        }
      }
      if (same) {
        piece.text = text;
        piece.plain = !markup;
        lastSpace = after;
        continue;
      }
      // Runs of other characters copied whole, each stretch of white space one space.
      std::string& out = Stored();
      out.reserve(text.size());
      std::size_t i = 0;
      while (i < text.size()) {
        if (IsSpace(text[i])) {
          if (!lastSpace) out += ' ';
          lastSpace = true;
          ++i;
          continue;
        }
        std::size_t j = i;
        for (unsigned char kind; j < text.size() && ((kind = kTextKind[static_cast<unsigned char>(text[j])]) == kPlainChar || kind == kMarkupChar); ++j)
          markup = markup || kind == kMarkupChar;
        out.append(text, i, j - i);
        lastSpace = false;
        i = j;
      }
      piece.text = out;
      piece.plain = !markup;
    }
    for (std::size_t k = to; k > from; --k) {
      Piece& piece = pieces_[k - 1];
      if (piece.preserve) break;
      while (!piece.text.empty() && piece.text.back() == ' ') piece.text.remove_suffix(1);
      if (!piece.text.empty()) break;
    }
  }

  // The paragraph's rows as document text: markup switches where the style changes.
  std::string Markup() {
    std::size_t rowCount = rowStarts_.size();
    while (rowCount > 0 && rowStarts_[rowCount - 1] == RowEnd(rowCount - 1)) --rowCount;
    bool italic = false, underline = false;
    int colour = 0;
    for (std::size_t r = 0; r < rowCount; ++r) Collapse(rowStarts_[r], RowEnd(r));
    // Room for the text, the row breaks and a few switches: the text grows once at most.
    const std::size_t room = 2 * rowCount + 8 + textBytes_;  // white space only shrinks
    std::string out;
    out.reserve(room);
    for (std::size_t r = 0; r < rowCount; ++r) {
      const std::size_t from = rowStarts_[r], to = RowEnd(r);
      if (r) {
        // Italics and underline that stop where the row stops are closed on that row.
        for (std::size_t k = from; k < to; ++k) {
          const Piece& piece = pieces_[k];
          if (piece.text.empty()) continue;
          if (italic && !piece.italic) out += kItalicOff, italic = false;
          if (underline && !piece.underline) out += kUnderlineOff, underline = false;
          break;
        }
        out.append("\r\n", 2);
      }
      for (std::size_t k = from; k < to; ++k) {
        const Piece& piece = pieces_[k];
        if (piece.text.empty()) continue;
        const bool wantItalic = piece.italic;
        const bool wantUnder = piece.underline;
        const int wantColour = piece.colour;
        // A space at the edge of an italic or underlined stretch is an ordinary space:
        // the markers go inside it.
        std::string_view text = piece.text;
        if ((italic && !wantItalic) || (underline && !wantUnder)) {
          std::size_t spaces = 0;
          while (spaces < out.size() && out[out.size() - 1 - spaces] == ' ') ++spaces;
          char off[2];
          std::size_t offs = 0;
          if (italic && !wantItalic) off[offs++] = kItalicOff, italic = false;
          if (underline && !wantUnder) off[offs++] = kUnderlineOff, underline = false;
          if (spaces) out.insert(out.size() - spaces, off, offs);
          else out.append(off, offs);
        }
        if ((!italic && wantItalic) || (!underline && wantUnder))
          while (!text.empty() && text.front() == ' ') out += ' ', text.remove_prefix(1);
        if (wantColour != colour) {
          out += static_cast<char>(wantColour ? wantColour : 7);
          colour = wantColour;
        }
        if (!underline && wantUnder) out += kUnderlineOn, underline = true;
        if (!italic && wantItalic) out += kItalicOn, italic = true;
        fontsSeen = fontsSeen || piece.fontOrSize;
        if (piece.plain) out.append(text);
        else AppendEscaped(out, text);
      }
    }
    if (underline) out += kUnderlineOff;
    if (italic) out += kItalicOff;
    return out;
  }

  // --- Timing ---------------------------------------------------------------------------

  struct Interval {
    double begin = 0;
    std::optional<double> end;  // nullopt: open
  };

  bool TimeAttr(std::string_view v, std::optional<double>& out) {
    if (v.empty()) return true;
    out = ParseTime(v, timing);
    return out.has_value();
  }

  // The element's interval from its parent's; false when a time is not understood.
  bool IntervalOf(const Own& own, const Interval& parent, double syncBase, Interval& out) {
    std::optional<double> b, e, d;
    if (!TimeAttr(own.begin, b) || !TimeAttr(own.end, e) || !TimeAttr(own.dur, d)) return false;
    out.begin = syncBase + b.value_or(0);
    std::optional<double> end;
    // End times count from the same base as begin times.
    if (e) end = syncBase + *e;
    if (d) end = end ? std::min(*end, out.begin + *d) : out.begin + *d;
    if (!end) end = parent.end;
    if (end && parent.end) end = std::min(*end, *parent.end);
    out.end = end;
    return true;
  }

  // The span children of a paragraph without times of its own: their earliest begin and
  // latest end. Reads up to the end tag of the element the source stands in.
  template <class Source>
  void SpanTimes(Source& src, const Interval& at, std::optional<double>& first, std::optional<double>& last,
                 int depth = 0) {
    if (depth > kMaxDepth) return Skip(src);
    while (true) {
      const XmlScan::Token token = src.Next();
      if (token == XmlScan::EndTag) return;
      if (token != XmlScan::StartTag) continue;
      Interval iv;
      const Own own = Gather(src.attributes());
      if (!IntervalOf(own, at, at.begin, iv)) {
        Skip(src);
        continue;
      }
      if (own.timed) {
        first = first ? std::min(*first, iv.begin) : iv.begin;
        if (iv.end) last = last ? std::max(*last, *iv.end) : *iv.end;
      }
      SpanTimes(src, iv, first, last, depth + 1);
    }
  }

  // --- Walk -----------------------------------------------------------------------------

  struct Found {
    double begin, end;
    std::string text;
    int row, align;
    std::size_t order;
  };
  std::vector<Found> found;
  std::size_t untimed = 0, badTimes = 0;

  // The paragraph whose start tag the source has just given (`attributes`, gathered in
  // `own`), read up to its end tag.
  template <class Source>
  void Paragraph(Source& src, std::span<const TtAttribute> attributes, const Own& own, const Props& chainProps,
                 std::uint64_t chain,
                 const Interval& iv, std::string_view region, bool preserve) {
    Interval at = iv;
    if (!own.timed) {
      // The times of its spans, read ahead by a second source that leaves this one here.
      Source ahead(typename Source::Ahead{}, src);
      std::optional<double> first, last;
      SpanTimes(ahead, iv, first, last);
      if (first) at.begin = *first;
      if (last) at.end = last;
    }
    if (!at.end) {
      ++untimed;
      Skip(src);
      return;
    }
    Props props;
    int row = 0;
    std::uint64_t propsId;
    if (!own.styled && last_.valid && SameText(last_.region, region) && SameText(last_.style, own.style) && last_.chain == chain) {
      props = last_.props;
      propsId = last_.propsId;
      row = last_.row;
    } else {
      auto rit = regionProps.find(region);
      if (rit != regionProps.end()) {
        props = rit->second;
        // Region styles reach the content only where the content does not say otherwise.
        props.origin.reset();
        props.extent.reset();
        props.displayAlign.reset();
      }
      Overlay(props, chainProps);
      ApplyElement(attributes, props, own);
      if (rit != regionProps.end()) {
        // Each region's row once.
        auto [cached, fresh] = regionRows.try_emplace(region, 0);
        if (fresh) {
          bool understood = true;
          cached->second = RowOf(rit->second, understood);
          regionNotUnderstood = regionNotUnderstood || !understood;
        }
        row = cached->second;
      }
      // Paragraphs with styles of their own (tts:textAlign on each) nearly always come to the
      // props the one before came to: the same number then, so their spans' kept styles serve.
      if (props == lastProps_) {
        propsId = lastPropsId_;
      } else {
        propsId = lastPropsId_ = ++propsIds_;
        lastProps_ = props;
      }
      if (!own.styled) last_ = {true, region, own.style, chain, props, propsId, row};
    }
    pieces_.clear();
    rowStarts_.assign(1, 0);
    storeUsed_ = 0;
    textBytes_ = 0;
    Collect(src, props, propsId, preserve);
    fontsSeen = fontsSeen || props.fontOrSize;
    found.push_back({at.begin, *at.end, Markup(), row, props.align.value_or(AlignCentre), found.size()});
  }
  std::unordered_map<std::string_view, int> regionRows;
  std::uint64_t chains_ = 0;  // walks begun
  std::uint64_t propsIds_ = 0;  // props of paragraphs and spans made (their numbers)
  Props lastProps_;             // the props a paragraph last came to, and their number
  std::uint64_t lastPropsId_ = 0;

  // What spans with one style reference or styling attribute make of the props they
  // inherit, for the last few pairs of inherited props and attribute: a file's spans use
  // a handful of each.
  struct SpanStyle {
    std::uint64_t inheritedId = 0, id = 0;
    bool styleRef = false;  // a style reference; otherwise the styling attribute `name`
    std::string_view name, value;
    Props props;
  };
  std::array<SpanStyle, 8> spanStyles_;
  std::size_t spanStylesMade_ = 0;
  Props SpanStyleOf(const Props& inherited, std::uint64_t inheritedId, std::span<const TtAttribute> one,
                    bool styleRef, std::uint64_t& id) {
    const TtAttribute& a = one[0];
    for (const SpanStyle& s : spanStyles_)
      if (s.id && s.inheritedId == inheritedId && s.styleRef == styleRef && SameText(s.value, a.value) &&
          (styleRef || SameText(s.name, a.name)))
        return id = s.id, s.props;
    SpanStyle& s = spanStyles_[spanStylesMade_++ % spanStyles_.size()];
    s.props = inherited;
    if (styleRef) Overlay(s.props, Referenced(a.value));
    else ApplyInline(one, s.props);
    s.inheritedId = inheritedId;
    s.styleRef = styleRef;
    s.name = a.name;
    s.value = a.value;
    s.id = id = ++propsIds_;
    return s.props;
  }
  // Paragraphs of a division nearly always share their region, their style references and
  // what the division sets: the style and row of the last paragraph without inline styles
  // are kept for the next that asks for the same.
  struct ParagraphStyle {
    bool valid = false;
    std::string_view region, style;
    std::uint64_t chain = 0;  // the walk of the division whose chainProps it had
    Props props;
    std::uint64_t propsId = 0;
    int row = 0;
  } last_;

  // The divisions and paragraphs of the element the source stands in, up to its end tag;
  // `chainProps` holds what body and divisions above set, `own` is the element's gathered
  // attributes.
  template <class Source>
  void Walk(Source& src, const Own& own, int depth, const Props& chainProps, const Interval& iv,
            std::string_view region, bool preserve) {
    if (depth > kMaxDepth) {
      tooDeep = true;
      Skip(src);
      return;
    }
    // The paragraphs of one walk share its chainProps: known by the walk's number.
    const std::uint64_t chain = ++chains_;
    const bool seq = own.timeContainer == "seq";
    double seqBase = iv.begin;
    while (true) {
      const XmlScan::Token token = src.Next();
      if (token == XmlScan::EndTag) return;
      if (token != XmlScan::StartTag) continue;
      const std::string_view local = XmlLocalName(src.name());
      const bool isP = NameIs(local, "p");
      if (!isP && !NameIs(local, "div")) {
        Skip(src);
        continue;
      }
      const std::span<const TtAttribute> attributes = src.attributes();
      const Own cown = Gather(attributes);
      Interval civ;
      if (!IntervalOf(cown, iv, seq ? seqBase : iv.begin, civ)) {
        ++badTimes;
        Skip(src);
        continue;
      }
      if (seq) seqBase = civ.end.value_or(seqBase);
      const std::string_view r = cown.region.empty() ? region : cown.region;
      const bool keep = cown.space.empty() ? preserve : cown.space == "preserve";
      if (isP) {
        Paragraph(src, attributes, cown, chainProps, chain, civ, r, keep);
      } else {
        Props props = chainProps;
        ApplyElement(attributes, props, cown);
        Walk(src, cown, depth + 1, props, civ, r, keep);
      }
    }
  }
};

// "00" to "99", two characters a number.
constexpr std::array<char, 200> kDigitPairs = [] {
  std::array<char, 200> t{};
  for (int i = 0; i < 100; ++i) t[2 * i] = static_cast<char>('0' + i / 10), t[2 * i + 1] = static_cast<char>('0' + i % 10);
  return t;
}();

// The document rate of the file's frame-rate parameters; 0 when they name none we have.
int RateCodeOf(double frameRate, double multiplier) {
  const double effective = frameRate * multiplier;
  struct Row {
    double fps;
    int code;
  };
  static const Row rows[] = {{15, 15}, {24000.0 / 1001, 23}, {24, 24}, {25, 25}, {30000.0 / 1001, 29},
                             {30, 30}, {48, 48},            {50, 50}, {60000.0 / 1001, 59}, {60, 60}};
  for (const Row& r : rows)
    if (std::fabs(effective - r.fps) < 0.005) return r.code;
  return 0;
}

bool KnownNamespace(std::string_view ns) {
  return ns == kTtmlNs || ns.find("ttaf1") != std::string_view::npos || ns.starts_with("http://www.w3.org/ns/ttml");
}

// The namespace of the root element from the declarations on it.
std::string_view NamespaceOf(const TtTree& t, const TtNode& root) {
  const std::string_view name = root.value;
  const std::size_t colon = name.find(':');
  const std::string attr = colon == std::string_view::npos ? "xmlns" : "xmlns:" + std::string(name.substr(0, colon));
  for (const TtAttribute& a : t.Attributes(root))
    if (a.name == attr) return a.value;
  return {};
}

// The one-line reason a file is not Timed Text; empty when the root is a TTML tt.
std::string RootProblem(const TtTree& t) {
  if (t.root() == TtNode::kNone) return "The file holds no XML element.";
  const TtNode& root = t[t.root()];
  if (XmlLocalName(root.value) != "tt")
    return "The root element is <" + std::string(root.value) + ">, not the <tt> of a Timed Text document.";
  std::string_view ns = NamespaceOf(t, root);
  if (!ns.empty() && !KnownNamespace(ns))
    return "The <tt> element is in the namespace " + std::string(ns) + ", not a Timed Text namespace.";
  return {};
}

std::string_view AsText(std::span<const std::uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// --- The body's content as tokens ---------------------------------------------------------

// The scan gave up inside the body, or the document is not laid out as the body's reader
// expects: the file is read again into the whole tree.
struct ReadAgain {
  bool notPlain;  // the scan gave up: the XML library reads the file
};

// The content of an element of the tree replayed as the tokens of the scan (start tags,
// text, end tags), up to and including the element's own end tag.
class TreeTokens {
 public:
  struct Ahead {};
  TreeTokens(const TtTree& t, std::uint32_t element) : t_(t) { stack_.push_back(t[element].firstChild); }
  TreeTokens(Ahead, const TreeTokens& from) : t_(from.t_), stack_(from.stack_), at_(from.at_) {}

  XmlScan::Token Next() {
    const std::uint32_t at = stack_.back();
    if (at == TtNode::kNone) {
      stack_.pop_back();
      return XmlScan::EndTag;
    }
    at_ = &t_[at];
    stack_.back() = at_->next;
    if (at_->text) return XmlScan::Text;
    stack_.push_back(at_->firstChild);
    return XmlScan::StartTag;
  }
  std::string_view name() const { return at_->value; }
  std::span<const TtAttribute> attributes() const { return t_.Attributes(*at_); }
  template <class Store>
  std::string_view text(Store&&) const { return at_->value; }
  bool blankText() const { return false; }

 private:
  const TtTree& t_;
  std::vector<std::uint32_t> stack_;  // per open element: its child to give next
  const TtNode* at_ = nullptr;
};

// The content of the body read from the scan where it lies. Attribute values the scan
// decoded are kept with the tree's for the rest of the read (regions and style references
// are remembered by view); decoded text is copied into the paragraph's store.
class ScanTokens {
 public:
  struct Ahead {};
  ScanTokens(XmlScan& scan, TtTree& tree, std::string_view document)
      : scan_(&scan), tree_(&tree), document_(document) {}
  // A second reader from where `from` stands, which leaves `from` there: the values it
  // hands out are looked at at once, not kept.
  ScanTokens(Ahead, const ScanTokens& from)
      : own_(*from.scan_), scan_(&*own_), tree_(from.tree_), document_(from.document_), keep_(false) {}
  ScanTokens(const ScanTokens&) = delete;

  XmlScan::Token Next() {
    const XmlScan::Token token = scan_->Next();
    if (token == XmlScan::NotPlain || token == XmlScan::End) throw ReadAgain{true};
    return token;
  }
  std::string_view name() const { return scan_->name(); }
  std::span<const TtAttribute> attributes() {
    if (!scan_->valuesDecoded() || !keep_) return scan_->attributes();
    kept_.assign(scan_->attributes().begin(), scan_->attributes().end());
    for (TtAttribute& a : kept_) {
      const std::string_view value = tree_->Keep(a.value, document_);
      if (value.size() != a.value.size()) throw ReadAgain{false};
      a.value = value;
    }
    return kept_;
  }
  bool blankText() const { return scan_->lineEndAndIndent(); }
  template <class Store>
  std::string_view text(Store&& store) {
    if (!scan_->textDecoded()) return scan_->rawText();
    if (const std::string_view text = scan_->TextInPlace(); text.data()) return text;
    std::string& kept = store();
    scan_->DecodeText(kept);
    return kept;
  }

 private:
  std::optional<XmlScan> own_;
  XmlScan* scan_;
  TtTree* tree_;
  std::string_view document_;
  bool keep_ = true;
  std::vector<TtAttribute> kept_;
};

// The file read into the tree: by the scan when it is a plain document, otherwise by the
// XML library (or by the one `parser` names). Throws for a file that is not well-formed.
// `scanned` says the scan has already been tried and gave up.
void ReadTree(std::span<const std::uint8_t> bytes, TimedTextParser parser, TtTree& tree, bool scanned) {
  if (parser != TimedTextParser::Library && !scanned && tree.Scan(AsText(bytes))) return;
  if (parser == TimedTextParser::Scan) throw InvalidFileFormat("The file is not a plain XML document.");
  pugi::xml_parse_result parsed = tree.Parse(bytes);
  if (!parsed)
    throw InvalidFileFormat(std::string("The file is not well-formed XML: ") + parsed.description() + " at byte " +
                            std::to_string(parsed.offset) + ".");
}

void SetLanguage(SubtitleDocument& doc, std::string_view lang) {
  if (lang.empty()) return;
  std::string code(lang);
  std::replace(code.begin(), code.end(), '-', '_');
  std::uint32_t id = uloc_getLCID(code.c_str());
  const Language* l = id ? FindLanguage(static_cast<std::int32_t>(id)) : nullptr;
  // A bare language is its default regional form (sub-language 1).
  if (!l && id && id < 0x400) l = FindLanguage(static_cast<std::int32_t>(id | 0x400));
  if (!l) {
    // A bare language ("fr"): its first regional form in the list.
    char language[16] = {};
    UErrorCode status = U_ZERO_ERROR;
    uloc_getLanguage(code.c_str(), language, sizeof language, &status);
    // A language that fills the buffer comes back without its terminating NUL (a warning,
    // not a failure): no language code is that long, so such a tag names none.
    const bool named = U_SUCCESS(status) && status != U_STRING_NOT_TERMINATED_WARNING && language[0];
    for (const Language& candidate : Languages()) {
      if (!named) break;
      if (ShortLanguageCode(candidate.id) == language) {
        l = &candidate;
        break;
      }
    }
  }
  if (!l) return;
  doc.SetLanguageId(l->id);
  doc.SetCharacterSet(l->charset);
}

}  // namespace

bool LooksLikeTimedText(std::span<const std::uint8_t> bytes) {
  // Other formats written as XML (editing-system projects, cinema reels) are told apart by
  // their root element at once, without reading the whole file: a plain document whose
  // root is not a tt is not Timed Text, well-formed or not.
  XmlScan peek(AsText(bytes));
  if (peek.Next() == XmlScan::StartTag && XmlLocalName(peek.name()) != "tt") return false;
  TtTree tree;
  if (!tree.Scan(AsText(bytes)) && !tree.Parse(bytes)) return false;
  return RootProblem(tree).empty();
}

namespace {

// The document of a Timed Text tree. With `stream`, the tree ends with the root's body
// without its content, which is read from the scan where it lies, and the rest of the
// document is read into the tree after it; ReadAgain is thrown when the scan gives up or
// a head or a second body follows (the whole tree is read then).
SubtitleDocument ReadDocument(TtTree& tree, TtTreeScan* stream, int defaultRateCode, std::vector<std::string>& warnings) {
  const TtTree& t = tree;
  const TtNode& tt = t[t.root()];

  Reader r(t, warnings);
  // A paragraph takes 100 bytes of the file or more: room made from the size when the
  // tree does not hold the paragraphs.
  r.found.reserve(stream ? stream->document().size() / 100 : t.paragraphs());
  double frameRate = 0, multiplier = 1;
  if (std::string_view v = Value(t, tt, "frameRate", true); !v.empty() && ParseNumber(Strip(v), frameRate) && frameRate > 0) {
    r.timing.frameRate = frameRate;
    r.timing.frameRateGiven = true;
  } else {
    frameRate = 0;
  }
  if (std::vector<std::string_view> m = Words(Value(t, tt, "frameRateMultiplier", true)); m.size() == 2) {
    double a = 0, b = 0;
    if (ParseNumber(m[0], a) && ParseNumber(m[1], b) && a > 0 && b > 0) multiplier = a / b;
  }
  if (double sub = 0; ParseNumber(Strip(Value(t, tt, "subFrameRate", true)), sub) && sub > 0) r.timing.subFrameRate = sub;
  if (double tick = 0; ParseNumber(Strip(Value(t, tt, "tickRate", true)), tick) && tick > 0) r.timing.tickRate = tick;
  else if (r.timing.frameRateGiven) r.timing.tickRate = r.timing.frameRate * r.timing.subFrameRate;
  if (std::vector<std::string_view> c = Words(Value(t, tt, "cellResolution", true)); c.size() == 2) {
    double rows = 0;
    if (ParseNumber(c[1], rows) && rows >= 1) r.cellRows = static_cast<int>(rows);
  }

  int code = frameRate > 0 ? RateCodeOf(frameRate, multiplier) : 0;
  if (frameRate > 0 && !code)
    warnings.push_back("The file's frame rate of " + std::string(Value(t, tt, "frameRate", true)) +
                       " frames per second is not one Kipo edits at; its times are read at the document's rate");
  if (!code) code = FrameRate::FromCode(defaultRateCode) ? defaultRateCode : 25;
  if (!r.timing.frameRateGiven) r.timing.frameRate = FrameRate::FromCode(code)->countingRate();

  // Styles and regions by id.
  std::uint32_t head = TtNode::kNone, body = TtNode::kNone;
  for (std::uint32_t c : t.Children(tt)) {
    if (Is(t[c], "head")) head = c;
    if (Is(t[c], "body")) body = c;
  }
  if (head != TtNode::kNone) {
    for (std::uint32_t section : t.Children(t[head])) {
      if (Is(t[section], "styling"))
        for (std::uint32_t s : t.Children(t[section]))
          if (Is(t[s], "style")) r.styles.emplace(Value(t, t[s], "id", true), s);
    }
    for (std::uint32_t section : t.Children(t[head])) {
      if (!Is(t[section], "layout")) continue;
      for (std::uint32_t reg : t.Children(t[section])) {
        if (!Is(t[reg], "region")) continue;
        Props p;
        r.ApplyElement(t[reg], p);
        // Styles given as children of the region.
        for (std::uint32_t s : t.Children(t[reg]))
          if (Is(t[s], "style")) r.ApplyElement(t[s], p);
        r.regionProps.emplace(Value(t, t[reg], "id", true), p);
      }
    }
  }

  SubtitleDocument doc(code, kDefaultLanguageId, 0);
  SetLanguage(doc, Value(t, tt, "lang", true));
  if (body != TtNode::kNone) {
    Reader::Interval top;
    const TtNode& b = t[body];
    const Own own = Gather(t.Attributes(b));
    if (!r.IntervalOf(own, Reader::Interval{}, 0, top)) ++r.badTimes;
    bool preserve = Value(t, tt, "space", true) == "preserve";
    if (!own.space.empty()) preserve = own.space == "preserve";
    Props props;
    r.ApplyElement(t.Attributes(b), props, own);
    if (stream) {
      ScanTokens content(stream->scan(), tree, stream->document());
      r.Walk(content, own, 0, props, top, own.region, preserve);
      if (stream->Finish() != TtTreeScan::Done) throw ReadAgain{true};
      // The walk took the first body; the tree reads the one after the last head.
      for (std::uint32_t c = t[body].next; c != TtNode::kNone; c = t[c].next)
        if (Is(t[c], "head") || Is(t[c], "body")) throw ReadAgain{false};
    } else {
      TreeTokens content(t, body);
      r.Walk(content, own, 0, props, top, own.region, preserve);
    }
  }
  if (r.found.size() > kMaxSubtitles)
    throw InvalidFileFormat("The file holds " + std::to_string(r.found.size()) + " subtitles; a document holds at most " +
                            std::to_string(kMaxSubtitles) + ".");
  auto earlier = [](const auto& a, const auto& b) { return a.begin < b.begin; };
  if (!std::is_sorted(r.found.begin(), r.found.end(), earlier)) std::stable_sort(r.found.begin(), r.found.end(), earlier);

  const FrameRate& rate = doc.frameRate();
  std::string framesOfMillis[1000];
  auto label = [&](double seconds) {
    if (seconds < 0) seconds = 0;
    if (seconds >= 100.0 * 3600)
      throw InvalidFileFormat("A time of the file lies beyond 99:59:59, the last a cue can hold.");
    double whole = std::floor(seconds);
    long ms = std::lround((seconds - whole) * 1000);
    if (ms >= 1000) whole += 1, ms -= 1000;
    long s = static_cast<long>(whole);
    // Milliseconds to frames once per distinct fraction (nearly every file repeats a few).
    std::string& ff = framesOfMillis[ms];
    if (ff.empty()) ff = MillisToFrames(static_cast<int>(ms), rate);
    // A fraction that rounds up to a whole second is the next second's first frame.
    const bool nextSecond = (ff[0] - '0') * 10 + (ff[1] - '0') >= rate.countingRate();
    if (nextSecond) ++s;
    if (s >= 100L * 3600) throw InvalidFileFormat("A time of the file lies beyond 99:59:59, the last a cue can hold.");
    // Hours, minutes and seconds as pairs of digits from a table (under 100 hours here).
    std::array<char, 8> b;
    std::memcpy(b.data(), &kDigitPairs[2 * (s / 3600)], 2);
    std::memcpy(b.data() + 2, &kDigitPairs[2 * (s / 60 % 60)], 2);
    std::memcpy(b.data() + 4, &kDigitPairs[2 * (s % 60)], 2);
    b[6] = nextSecond ? '0' : ff[0];
    b[7] = nextSecond ? '0' : ff[1];
    return b;
  };
  std::vector<Subtitle> subs(r.found.size());
  for (std::size_t i = 0; i < subs.size(); ++i) {
    Reader::Found& f = r.found[i];
    Subtitle& s = subs[i];
    const std::array<char, 8> in = label(f.begin), out = label(f.end);
    s.inCue = Cue(std::string_view(in.data(), in.size()));
    s.outCue = Cue(std::string_view(out.data(), out.size()));
    s.text = std::move(f.text);
    s.row = f.row;
    s.alignment = f.align;
  }
  doc.ReplaceAll(std::move(subs));

  if (r.untimed) warnings.push_back(std::to_string(r.untimed) + " paragraphs without an end time left out");
  if (r.badTimes) warnings.push_back(std::to_string(r.badTimes) + " elements with times Kipo does not understand left out");
  if (r.tooDeep) warnings.push_back("Elements nested more than " + std::to_string(kMaxDepth) + " deep are left out");
  if (r.fontsSeen) warnings.push_back("Fonts and font sizes of the file are not kept");
  if (r.colourNotUnderstood) warnings.push_back("Colours Kipo does not understand are read as white");
  if (r.regionNotUnderstood)
    warnings.push_back("Regions placed in units other than percent or cells are read as the bottom row");
  doc.modified = false;
  return doc;
}

}  // namespace

SubtitleDocument ReadTimedText(std::span<const std::uint8_t> bytes, int defaultRateCode,
                               std::vector<std::string>& warnings, TimedTextParser parser) {
  // The tree's tables are kept from one read to the next on this thread: a file of 30,000
  // subtitles needs some 15 MB of them, which the allocator would otherwise give back to
  // the system after each read and take again page by page (a page fault for every 4 KB).
  thread_local TtTree tree;
  struct ReleaseAfter {
    TtTree& tree;
    ~ReleaseAfter() { tree.Release(); }
  } releaseAfter{tree};
  // A plain file is read as far as its body into the tree and its body from the scan.
  bool whole = false, scanned = false;
  if (parser != TimedTextParser::Library) {
    TtTreeScan scan(tree, AsText(bytes));
    switch (scan.Build(true)) {
      case TtTreeScan::AtBody:
        if (!RootProblem(tree).empty()) break;  // a broken file says so first: read whole
        try {
          std::vector<std::string> found;
          SubtitleDocument doc = ReadDocument(tree, &scan, defaultRateCode, found);
          warnings.insert(warnings.end(), found.begin(), found.end());
          return doc;
        } catch (const ReadAgain& again) {
          scanned = again.notPlain;
        }
        break;
      case TtTreeScan::Done: whole = true; break;
      case TtTreeScan::NotPlain: scanned = true; break;
    }
  }
  if (!whole) ReadTree(bytes, parser, tree, scanned);
  if (std::string problem = RootProblem(tree); !problem.empty()) throw InvalidFileFormat(problem);
  // As from the scan: a file refused part way says why, without the warnings read before.
  std::vector<std::string> found;
  SubtitleDocument doc = ReadDocument(tree, nullptr, defaultRateCode, found);
  warnings.insert(warnings.end(), found.begin(), found.end());
  return doc;
}

SubtitleDocument ReadITunesPieces(std::string_view text, const FrameRate& rate, std::vector<std::string>& warnings) {
  SubtitleDocument doc(rate.code, kDefaultLanguageId, 0);
  std::vector<Subtitle> subs;
  constexpr std::string_view kMarker = "p begin=";
  std::size_t at = text.find(kMarker);
  std::size_t skipped = 0;
  while (at != std::string_view::npos) {
    std::size_t next = text.find(kMarker, at + kMarker.size());
    const std::size_t from = at + kMarker.size();
    std::string_view piece =
        text.substr(from, next == std::string_view::npos ? std::string_view::npos : next - from);
    at = next;
    // The piece starts at the quote of the in cue: the cues are the 11 characters at its
    // second and twentieth characters.
    if (piece.size() < 31) {
      ++skipped;
      continue;
    }
    std::string in(piece.substr(1, 11)), out(piece.substr(19, 11));
    if (!IsLabelShape(in) || !IsLabelShape(out)) {
      ++skipped;
      continue;
    }
    std::size_t gt = piece.find('>');
    std::size_t endP = piece.find("</p>");
    if (gt == std::string_view::npos || endP == std::string_view::npos || endP < gt) {
      ++skipped;
      continue;
    }
    std::string body(piece.substr(gt + 1, endP - gt - 1));
    std::string plain;
    // <i> and </i> are the italic markers, </br> and <br/> row breaks; other markup stays
    // as the characters it is.
    for (std::size_t i = 0; i < body.size();) {
      auto starts = [&](std::string_view s) { return std::string_view(body).substr(i).starts_with(s); };
      if (starts("<i>")) plain += kItalicOn, i += 3;
      else if (starts("</i>")) plain += kItalicOff, i += 4;
      else if (starts("</br>")) plain += "\r\n", i += 5;
      else if (starts("<br/>")) plain += "\r\n", i += 5;
      else {
        const char c = body[i++];
        if (IsMarkupChar(c)) plain += LiteralStandIn(c);
        else plain += c;
      }
    }
    Subtitle s;
    s.inCue = StripSeparators(in);
    s.outCue = StripSeparators(out);
    s.text = std::move(plain);
    subs.push_back(std::move(s));
    if (subs.size() > kMaxSubtitles) throw InvalidFileFormat("The file holds more subtitles than a document can.");
  }
  if (subs.empty()) throw InvalidFileFormat("No <p begin=\"HH:MM:SS:FF\" end=\"HH:MM:SS:FF\"> paragraphs found.");
  if (skipped) warnings.push_back(std::to_string(skipped) + " paragraphs without cues in the expected places left out");
  doc.ReplaceAll(std::move(subs));
  doc.modified = false;
  return doc;
}

}  // namespace kipo
