#include "formats/cinema/dcinema_reader.h"

#include <unicode/uloc.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cmath>
#include <cstring>
#include <deque>
#include <pugixml.hpp>
#include <set>
#include <span>

#include "core/languages.h"
#include "core/rich_text.h"
#include "platform/encoding.h"
#include "platform/text_util.h"
#include "platform/user_error.h"

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
// other case differ in the 0x20 bit alone).
bool SameName(std::string_view local, std::string_view letters) {
  if (local.size() != letters.size()) return false;
  for (std::size_t i = 0; i < letters.size(); ++i)
    if ((local[i] | 0x20) != (letters[i] | 0x20)) return false;
  return true;
}

// An attribute by any of its spellings (DCSubtitle "VAlign", SMPTE "Valign").
pugi::xml_attribute AttrOf(const pugi::xml_node& n, std::initializer_list<std::string_view> names) {
  for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute()) {
    const std::string_view local = Local(a.name());
    for (std::string_view name : names)
      if (SameName(local, name)) return a;
  }
  return {};
}

// Several attributes in one pass over the element's attributes: found[i] is what
// AttrOf(n, names[i]) returns.
template <std::size_t N>
std::array<pugi::xml_attribute, N> AttrsOf(const pugi::xml_node& n,
                                           const std::array<std::initializer_list<std::string_view>, N>& names) {
  std::array<pugi::xml_attribute, N> found{};
  std::array<bool, N> have{};  // (asking an attribute handle whether it is set is a library call)
  for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute()) {
    const std::string_view local = Local(a.name());
    if (local.empty()) continue;
    for (std::size_t i = 0; i < N; ++i) {
      if (have[i]) continue;
      for (std::string_view name : names[i])
        if (SameName(local, name)) {
          found[i] = a;
          have[i] = true;
          break;
        }
    }
  }
  return found;
}

// A number attribute as the C library reads it (strtod, what pugixml's as_double calls).
// Plain decimals of up to 15 digits ("8.0", "-14.89": nearly every file) are their digits
// as a whole number divided by a power of ten, both exact in a double, so the one rounding
// is strtod's; anything else (exponents, spaces, long numbers) goes to strtod.
double NumberOf(const pugi::xml_attribute& a) {
  static constexpr double kTens[] = {1e0, 1e1, 1e2, 1e3, 1e4,  1e5,  1e6,  1e7,
                                     1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const char* s = a.value();
  const char* p = s;
  const bool negative = *p == '-';
  if (negative) ++p;
  std::int64_t whole = 0;
  int digits = 0, scale = 0;
  bool dot = false;
  for (; *p; ++p) {
    if (*p >= '0' && *p <= '9') {
      if (++digits > 15) return std::strtod(s, nullptr);
      whole = whole * 10 + (*p - '0');
      scale += dot;
    } else if (*p == '.' && !dot) {
      dot = true;
    } else {
      return std::strtod(s, nullptr);
    }
  }
  if (digits == 0) return std::strtod(s, nullptr);
  const double v = static_cast<double>(whole) / kTens[scale];
  return negative ? -v : v;
}

// An attribute's word trimmed and in lower case ("Bottom " -> "bottom"), into `out`.
void LowerWord(const char* value, std::string& out) {
  std::string_view v = value;
  while (!v.empty() && (v.front() == ' ' || v.front() == '\t' || v.front() == '\r' || v.front() == '\n' ||
                        v.front() == '\f' || v.front() == '\v'))
    v.remove_prefix(1);
  while (!v.empty() && (v.back() == ' ' || v.back() == '\t' || v.back() == '\r' || v.back() == '\n' ||
                        v.back() == '\f' || v.back() == '\v'))
    v.remove_suffix(1);
  out.assign(v);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
}

struct Style {
  bool italic = false;
  bool underline = false;
  bool bold = false;
  std::uint32_t rgb = 0xFFFFFF;
};

Style Apply(Style st, const pugi::xml_node& font) {
  const auto [italic, underline, weight, color] = AttrsOf<4>(font, {{{"Italic"}, {"Underlined", "Underline"}, {"Weight"}, {"Color"}}});
  if (auto a = italic) st.italic = EqualsIgnoreCase(Trim(a.value()), "yes");
  if (auto a = underline) st.underline = EqualsIgnoreCase(Trim(a.value()), "yes");
  if (auto a = weight) st.bold = EqualsIgnoreCase(Trim(a.value()), "bold");
  if (auto a = color) {
    std::string v = Trim(a.value());
    if (v.size() == 8) v = v.substr(2);  // AARRGGBB: the alpha is not kept
    if (auto rgb = ParseRgb(v)) st.rgb = *rgb;
  }
  return st;
}

// A stretch of a line's text with one style: where it lies in the parsed file, or in the
// reader's store where its white space had to change.
struct Piece {
  std::string_view text;
  Style style;
};

struct Line {
  std::vector<Piece> pieces;
  std::string valign = "center";
  double vpos = 0;
  std::string halign = "center";
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

// "HH:MM:SS:TTT" (ticks of 4 ms, or frames of `unitRate` when it is not 0) or "HH:MM:SS.mmm".
bool IsTrimmed(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

std::optional<ParsedTime> ParseTime(std::string_view text, int unitRate) {
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

class Reader {
 public:
  Reader(const DlpOptions& o, int rateCode, const BoldMarkers& bold, Warnings& w)
      : o_(o), rateCode_(rateCode == 0 ? 25 : rateCode), bold_(bold), w_(w) {
    lineHeight_ = o.fontSize * (o.leading / 100.0) / kScreenPoints * 100.0;
    if (lineHeight_ <= 0) lineHeight_ = 7;
  }

  SubtitleDocument Read(std::span<const std::uint8_t> bytes) {
    pugi::xml_document xml;
    const unsigned flags = pugi::parse_default | pugi::parse_ws_pcdata;
    // pugixml reads UTF-8, UTF-16, UTF-32 and Latin-1 itself; other 8-bit files (older
    // tools write windows-1252, declared or not) are made UTF-8 first.
    std::string converted;
    if (DetectBom(bytes).encoding == UnicodeEncoding::None) {
      const std::string declared = DeclaredEncoding(bytes);
      const bool pugiReads = declared.empty() || declared.starts_with("utf") || declared == "iso-8859-1" ||
                             declared == "latin1" || declared == "latin-1";
      std::string_view raw(reinterpret_cast<const char*>(bytes.data()), bytes.size());
      std::string codePage = pugiReads ? std::string() : declared;
      if (codePage.empty() && (declared.empty() || declared.starts_with("utf-8") || declared == "utf8") &&
          !IsValidUtf8(raw) && !LooksLikeWideText(bytes)) {
        codePage = "windows-1252";
        w_.push_back("The file is not UTF-8; it was read as Western (Windows-1252) text");
      }
      if (!codePage.empty()) {
        try {
          converted = CodePageToUtf8(raw, codePage);
          if (std::size_t at = converted.find("?>"); at != std::string::npos && converted.starts_with("<?xml"))
            converted.replace(0, at, "<?xml version=\"1.0\" encoding=\"UTF-8\"");
          bytes = std::span(reinterpret_cast<const std::uint8_t*>(converted.data()), converted.size());
        } catch (const std::exception&) {
          converted.clear();  // a code page ICU does not know: read the bytes as they are
        }
      }
    }
    pugi::xml_parse_result r = xml.load_buffer(bytes.data(), bytes.size(), flags);
    if (!r) Refuse(std::string("The file is not well-formed XML (") + r.description() + " at byte " +
                   std::to_string(r.offset) + ").");
    pugi::xml_node root = xml.document_element();
    const std::string_view name = Local(root.name());
    if (name == "DCSubtitle") smpte_ = false;
    else if (name == "SubtitleReel") smpte_ = true;
    else Refuse("The file is not a digital cinema subtitle file: its root element is <" + std::string(root.name()) + ">.");

    SubtitleDocument doc(25, kDefaultLanguageId, 0);
    int unitRate = 0;
    if (smpte_) {
      long tcr = 0;
      if (!ParseInt(Trim(Child(root, "TimeCodeRate").text().get()), tcr) || tcr < 1 || tcr > 1000)
        Refuse("The subtitle reel has no valid TimeCodeRate.");
      unitRate = static_cast<int>(tcr);
      const std::string edit = Trim(Child(root, "EditRate").text().get());
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
    } else {
      doc.SetFrameRate(rateCode_);
    }
    Language(doc, root);

    std::set<std::string> fonts;
    std::vector<Subtitle> subs;
    // The colour of the outermost font is the text colour; others are colour switches.
    baseRgb_ = 0xFFFFFF;
    Walk(root, Style{}, 0, [&](const pugi::xml_node& sub, const Style& st) { subs.push_back(ReadSubtitle(sub, st, unitRate, doc.frameRate())); },
         fonts, true);
    if (subs.size() > kMaxSubtitles)
      Refuse("The file holds " + std::to_string(subs.size()) + " subtitles; a document holds at most 32767.");
    doc.ReplaceAll(std::move(subs));
    doc.modified = false;

    if (!fonts.empty()) {
      std::string list;
      for (const std::string& f : fonts) list += (list.empty() ? "" : ", ") + f;
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

 private:
  static pugi::xml_node Child(const pugi::xml_node& n, std::string_view local) {
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling())
      if (c.type() == pugi::node_element && Local(c.name()) == local) return c;
    return {};
  }

  void Language(SubtitleDocument& doc, const pugi::xml_node& root) {
    const std::string lang = Trim(Child(root, "Language").text().get());
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

  template <class F>
  void Walk(const pugi::xml_node& n, Style st, int depth, F&& onSubtitle, std::set<std::string>& fonts, bool outer) {
    if (depth > kMaxDepth) Refuse("The file's elements are nested too deeply.");
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) {
      if (c.type() != pugi::node_element) continue;
      const std::string_view name = Local(c.name());
      if (name == "LoadFont") {
        std::string f = Trim(AttrOf(c, {"URI"}).value());
        if (f.empty()) f = Trim(c.text().get());
        if (!f.empty() && fonts.size() < 8) fonts.insert(f);
      } else if (name == "Font") {
        Style inner = Apply(st, c);
        if (outer && AttrOf(c, {"Color"})) baseRgb_ = inner.rgb;
        Walk(c, inner, depth + 1, onSubtitle, fonts, outer && !AttrOf(c, {"Color"}));
      } else if (name == "SubtitleList") {
        Walk(c, st, depth + 1, onSubtitle, fonts, outer);
      } else if (name == "Subtitle") {
        if (outer) baseRgb_ = st.rgb;
        onSubtitle(c, st);
      }
    }
  }

  Subtitle ReadSubtitle(const pugi::xml_node& n, const Style& st, int unitRate, const FrameRate& rate) {
    const std::size_t number = ++count_;
    const auto [timeIn, timeOut, zPosition] = AttrsOf<3>(n, {{{"TimeIn"}, {"TimeOut"}, {"ZPosition"}}});
    auto time = [&](const pugi::xml_attribute& a, const char* attr) {
      auto t = a ? ParseTime(a.value(), unitRate) : std::nullopt;
      if (!t)
        Refuse("Subtitle " + std::to_string(number) + " has no valid " + attr + (a ? std::string(" (\"") + std::string(a.value()).substr(0, 20) + "\")" : std::string()) + ".");
      const std::string ff = MillisToFrames(static_cast<int>(t->ms), rate);
      const char hms[6] = {static_cast<char>('0' + t->h / 10), static_cast<char>('0' + t->h % 10),
                           static_cast<char>('0' + t->m / 10), static_cast<char>('0' + t->m % 10),
                           static_cast<char>('0' + t->s / 10), static_cast<char>('0' + t->s % 10)};
      return Cue(std::string(hms, 6) + ff);
    };
    Subtitle s;
    s.inCue = time(timeIn, "TimeIn");
    s.outCue = time(timeOut, "TimeOut");
    if (auto z = zPosition; z && std::strtod(z.value(), nullptr) != 0) zSeen_ = true;

    // The lines are kept from subtitle to subtitle, with their tables of pieces.
    linesUsed_ = 0;
    storeUsed_ = 0;
    bool image = false;
    CollectLines(n, st, 0, image);
    const std::span<Line> lines(lines_.data(), linesUsed_);
    if (zSeen_) ++depths_;
    zSeen_ = false;
    if (image) ++images_;
    if (lines.empty()) return s;

    for (Line& l : lines) {
      if (l.valign == "top") l.order = l.vpos;
      else if (l.valign == "bottom") l.order = 100 - l.vpos;
      else l.order = 50 + l.vpos;
    }
    auto above = [](const Line& a, const Line& b) { return a.order < b.order; };
    if (!std::is_sorted(lines.begin(), lines.end(), above)) std::stable_sort(lines.begin(), lines.end(), above);
    const int rows = static_cast<int>(lines.size());
    const Line& low = lines.back();
    const Line& top = lines.front();
    int row = 0;
    if (low.valign == "bottom") row = static_cast<int>(std::lround((low.vpos - o_.marginBottom) / lineHeight_));
    else if (top.valign == "top")
      row = static_cast<int>(kMaxRows) - rows - static_cast<int>(std::lround((top.vpos - o_.marginTop) / lineHeight_));
    else row = static_cast<int>(std::lround((50 - low.vpos - o_.marginBottom) / lineHeight_));
    s.row = std::clamp(row, 0, std::max(0, static_cast<int>(kMaxRows) - rows));

    bool allLeft = true, allRight = true;
    double minLeft = 100;
    for (const Line& l : lines) {
      allLeft = allLeft && l.halign == "left";
      allRight = allRight && l.halign == "right";
      if (l.halign == "left") minLeft = std::min(minLeft, l.hpos);
    }
    if (allLeft) s.alignment = minLeft > o_.marginLeft + 5 ? AlignCentreLeft : AlignLeft;
    else if (allRight) s.alignment = AlignRight;

    s.text = Markup(lines);
    return s;
  }

  std::vector<Line> lines_;
  std::size_t linesUsed_ = 0;
  std::deque<std::string> store_;  // a deque: views into its strings stay where they are
  std::size_t storeUsed_ = 0;

  void CollectLines(const pugi::xml_node& n, const Style& st, int depth, bool& image) {
    if (depth > kMaxDepth) Refuse("The file's elements are nested too deeply.");
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) {
      if (c.type() != pugi::node_element) continue;
      const std::string_view name = Local(c.name());
      if (name == "Font") {
        CollectLines(c, Apply(st, c), depth + 1, image);
      } else if (name == "Image") {
        image = true;
        if (auto z = AttrOf(c, {"Zposition"}); z && std::strtod(z.value(), nullptr) != 0) zSeen_ = true;
      } else if (name == "Text") {
        if (linesUsed_ == lines_.size()) lines_.emplace_back();
        Line& l = lines_[linesUsed_];
        l.pieces.clear();
        l.valign = "center";
        l.vpos = 0;
        l.halign = "center";
        l.hpos = 0;
        l.order = 0;
        const auto [valign, vpos, halign, hpos, zpos] =
            AttrsOf<5>(c, {{{"VAlign"}, {"VPosition"}, {"HAlign"}, {"HPosition"}, {"Zposition"}}});
        if (auto a = valign) LowerWord(a.value(), l.valign);
        if (auto a = vpos) l.vpos = std::clamp(NumberOf(a), -100.0, 100.0);
        if (auto a = halign) LowerWord(a.value(), l.halign);
        if (auto a = hpos) l.hpos = std::clamp(NumberOf(a), -100.0, 100.0);
        if (auto z = zpos; z && std::strtod(z.value(), nullptr) != 0) zSeen_ = true;
        Pieces(c, st, depth + 1, l.pieces);
        // Line ends inside the element are layout of the file, not text.
        for (Piece& p : l.pieces) {
          if (p.text.find_first_of("\r\n\t") == std::string_view::npos) continue;
          if (storeUsed_ == store_.size()) store_.emplace_back();
          std::string& spaced = store_[storeUsed_++];
          spaced.assign(p.text);
          for (char& ch : spaced)
            if (ch == '\r' || ch == '\n' || ch == '\t') ch = ' ';
          p.text = spaced;
        }
        while (!l.pieces.empty()) {
          std::string_view& t = l.pieces.front().text;
          t.remove_prefix(std::min(t.find_first_not_of(' '), t.size()));
          if (!t.empty()) break;
          l.pieces.erase(l.pieces.begin());
        }
        while (!l.pieces.empty()) {
          std::string_view& t = l.pieces.back().text;
          std::size_t keep = t.find_last_not_of(' ');
          t = t.substr(0, keep == std::string_view::npos ? 0 : keep + 1);
          if (!t.empty()) break;
          l.pieces.pop_back();
        }
        if (!l.pieces.empty()) ++linesUsed_;
      }
    }
  }

  void Pieces(const pugi::xml_node& n, const Style& st, int depth, std::vector<Piece>& out) {
    if (depth > kMaxDepth) Refuse("The file's elements are nested too deeply.");
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) {
      if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata) {
        out.push_back({c.value(), st});
      } else if (c.type() == pugi::node_element) {
        const std::string_view name = Local(c.name());
        if (name == "Font") Pieces(c, Apply(st, c), depth + 1, out);
        else if (name == "Space") out.push_back({" ", st});
        else Pieces(c, st, depth + 1, out);  // Ruby, HGroup, Rotate: their text
      }
    }
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
        AppendEscaped(out, p.text);
      }
      if (italic) out += kItalicOff;
    }
    if (underline) out += kUnderlineOff;
    if (bold) out += bold_.end;
    return out;
  }

  const DlpOptions& o_;
  int rateCode_;
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

SubtitleDocument ReadDcinemaXml(std::span<const std::uint8_t> bytes, const DlpOptions& options, int frameRateCode,
                                const BoldMarkers& bold, Warnings& warnings) {
  return Reader(options, frameRateCode, bold, warnings).Read(bytes);
}

}  // namespace kipo
