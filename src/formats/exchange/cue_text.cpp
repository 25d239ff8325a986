#include "formats/exchange/cue_text.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/rich_text.h"
#include "platform/encoding.h"
#include "platform/text_util.h"

namespace kipo {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Up to `max` digits; returns the count read.
int Digits(std::string_view& s, int max, int& value) {
  int n = 0;
  value = 0;
  while (n < max && n < static_cast<int>(s.size()) && IsDigit(s[n])) value = value * 10 + (s[n++] - '0');
  s.remove_prefix(n);
  return n;
}

}  // namespace

void AppendMillisCueText(std::string& out, std::string_view d, char sep, const FrameRate& rate, int hoursDigits) {
  const std::size_t start = out.size();
  // The common case, a frame number inside the second, is written field by field; a
  // frame number past the rate's range carries into the seconds (LabelMillisText).
  const std::string ms =
      d.size() == 8 && IsDigit(d[6]) && IsDigit(d[7]) ? FramesToMillis((d[6] - '0') * 10 + (d[7] - '0'), rate) : "";
  if (ms.size() == 3 && ms[0] != '-') {
    const char fields[9] = {d[0], d[1], ':', d[2], d[3], ':', d[4], d[5], sep};
    out.append(fields, 9);
    out += ms;
  } else {
    out += LabelMillisText(d, std::string_view(&sep, 1), rate);
  }
  if (hoursDigits == 1 && out.size() > start) out.erase(start, 1);
}

std::string MillisCueText(std::string_view d, char sep, const FrameRate& rate, int hoursDigits) {
  std::string out;
  AppendMillisCueText(out, d, sep, rate, hoursDigits);
  return out;
}

std::optional<ClockTime> ReadClockTime(std::string_view& s) {
  std::string_view p = s;
  while (!p.empty() && (p.front() == ' ' || p.front() == '\t')) p.remove_prefix(1);
  int f[3] = {0, 0, 0};
  int count = 0;
  for (;;) {
    int v = 0;
    int n = Digits(p, count == 0 ? 3 : 2, v);
    if (n == 0) return std::nullopt;
    f[count++] = v;
    if (count == 3 || p.empty() || p.front() != ':') break;
    // "HH:MM:SS:mmm" (a colon before the milliseconds) also occurs; three fields read.
    p.remove_prefix(1);
  }
  if (count < 2) return std::nullopt;
  ClockTime t;
  if (count == 3) {
    t.hours = f[0];
    t.minutes = f[1];
    t.seconds = f[2];
  } else {
    t.minutes = f[0];
    t.seconds = f[1];
  }
  if (t.hours > 99 || t.minutes > 59 || t.seconds > 59) return std::nullopt;
  if (!p.empty() && (p.front() == ',' || p.front() == '.' || p.front() == ':')) {
    p.remove_prefix(1);
    int v = 0;
    int n = Digits(p, 3, v);
    // "5" means 500 ms, "05" 50 ms; more than three digits are cut.
    for (int i = n; i < 3; ++i) v *= 10;
    t.millis = v;
    while (!p.empty() && IsDigit(p.front())) p.remove_prefix(1);
  }
  s = p;
  return t;
}

CueDigits ClockToDigits(const ClockTime& t, const FrameRate& rate) {
  // The frame number may round up to a whole second (999 ms at 50 fps), which carries.
  const std::string ff = MillisToFrames(t.millis, rate);
  return ClockLabel(t.hours, t.minutes, t.seconds, (ff[0] - '0') * 10 + (ff[1] - '0'), rate);
}

std::optional<TimingLine> ReadArrowTimingLine(std::string_view line, const FrameRate& rate) {
  std::size_t arrow = line.find("-->");
  if (arrow == std::string_view::npos) return std::nullopt;
  std::string_view left = line.substr(0, arrow);
  auto in = ReadClockTime(left);
  if (!in || !IsBlank(left)) return std::nullopt;
  TimingLine t;
  t.in = ClockToDigits(*in, rate);
  std::string_view right = line.substr(arrow + 3);
  if (auto out = ReadClockTime(right)) t.out = ClockToDigits(*out, rate);
  else if (!IsBlank(right)) return std::nullopt;
  return t;
}

std::vector<std::string_view> SplitAnyLines(std::string_view text) {
  // Lines end at CR LF, LF or a lone CR. The ends are found with memchr, which scans many
  // bytes at a time; one counting pass first spares the table its regrowth copies.
  const char* p = text.data();
  const char* const end = p + text.size();
  std::size_t count = 1;
  for (const char* q = p; (q = static_cast<const char*>(std::memchr(q, '\n', end - q))); ++q) ++count;
  std::vector<std::string_view> lines;
  lines.reserve(count);
  for (;;) {
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', end - p));
    const char* stop = lf ? lf : end;
    bool crlf = false;
    for (const char* cr; !crlf && (cr = static_cast<const char*>(std::memchr(p, '\r', stop - p)));) {
      lines.emplace_back(p, static_cast<std::size_t>(cr - p));
      p = cr + 1;
      crlf = lf && p == lf;  // the CR of a CR LF: the line feed is part of the same end
    }
    if (crlf) {
      p = lf + 1;
      continue;
    }
    lines.emplace_back(p, static_cast<std::size_t>(stop - p));
    if (!lf) return lines;
    p = lf + 1;
  }
}

bool IsBlank(std::string_view line) {
  for (char c : line)
    if (c != ' ' && c != '\t') return false;
  return true;
}

bool IsCueNumber(std::string_view line) {
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
  std::string_view t = line;
  if (t.empty() || t.size() > 9) return false;
  for (char c : t)
    if (!IsDigit(c)) return false;
  return true;
}

std::string_view StripBomChar(std::string_view text) {
  if (StartsWith(text, "\xEF\xBB\xBF")) text.remove_prefix(3);
  return text;
}

namespace {

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsSpace(char c) { return c == ' ' || c == '\t'; }

struct Tag {
  bool end = false;
  std::string name;   // lower case; "" for a karaoke time
  std::string_view attributes;
  std::size_t length = 0;
};

// Tags longer than this are not tags but text that happens to hold "<" and ">".
constexpr std::size_t kMaxTag = 256;

std::optional<Tag> MatchTag(std::string_view s) {
  if (s.size() < 3 || s[0] != '<') return std::nullopt;
  Tag t;
  std::size_t i = 1;
  if (s[i] == '/') {
    t.end = true;
    ++i;
    while (i < s.size() && IsSpace(s[i])) ++i;
  }
  if (i >= s.size()) return std::nullopt;
  if (IsAsciiLetter(s[i])) {
    std::size_t from = i;
    while (i < s.size() && (IsAsciiLetter(s[i]) || IsDigit(s[i]) || s[i] == '-')) ++i;
    t.name = ToLowerAscii(s.substr(from, i - from));
  } else if (IsDigit(s[i]) && !t.end) {
    // A karaoke time: digits, ":" and "." only.
    while (i < s.size() && (IsDigit(s[i]) || s[i] == ':' || s[i] == '.')) ++i;
    if (i >= s.size() || s[i] != '>') return std::nullopt;
  } else {
    return std::nullopt;
  }
  if (i >= s.size()) return std::nullopt;
  // After the name: ">" or attributes (a space, a class ".x" or the "/" of "<br/>").
  if (s[i] != '>' && !IsSpace(s[i]) && s[i] != '.' && s[i] != '/') return std::nullopt;
  std::size_t close = s.find_first_of("<>", i);
  if (close == std::string_view::npos || s[close] != '>' || close >= kMaxTag) return std::nullopt;
  t.attributes = s.substr(i, close - i);
  t.length = close + 1;
  return t;
}

// The teletext colour of a font tag's colour value, Default when it has none.
Colour FontColour(std::string_view attributes) {
  std::string a = ToLowerAscii(attributes);
  std::size_t p = a.find("color");
  if (p == std::string::npos) return Colour::Default;
  p = a.find('=', p);
  if (p == std::string::npos) return Colour::Default;
  std::string_view v = std::string_view(a).substr(p + 1);
  while (!v.empty() && (IsSpace(v.front()) || v.front() == '"' || v.front() == '\'')) v.remove_prefix(1);
  std::size_t e = v.find_first_of(" \t\"'/");
  v = v.substr(0, e);
  static const struct {
    std::string_view name, hex, shortHex;
    Colour colour;
  } kColours[] = {{"red", "#ff0000", "#f00", Colour::Red},          {"lime", "#00ff00", "#0f0", Colour::Green},
                  {"yellow", "#ffff00", "#ff0", Colour::Yellow},    {"blue", "#0000ff", "#00f", Colour::Blue},
                  {"magenta", "#ff00ff", "#f0f", Colour::Magenta},  {"fuchsia", "#ff00ff", "#f0f", Colour::Magenta},
                  {"cyan", "#00ffff", "#0ff", Colour::Cyan},        {"aqua", "#00ffff", "#0ff", Colour::Cyan},
                  {"white", "#ffffff", "#fff", Colour::White},      {"green", "#00ff00", "#0f0", Colour::Green}};
  for (const auto& c : kColours)
    if (v == c.name || v == c.hex || v == c.shortHex) return c.colour;
  return Colour::Default;
}

// A decoded entity at the front of s ("&lt;", "&#60;", "&#x3C;"), with its length.
std::optional<std::pair<char32_t, std::size_t>> MatchEntity(std::string_view s) {
  std::size_t semi = s.find(';');
  if (s.size() < 3 || s[0] != '&' || semi == std::string_view::npos || semi > 10) return std::nullopt;
  std::string_view body = s.substr(1, semi - 1);
  static const struct {
    std::string_view name;
    char32_t code;
  } kNamed[] = {{"lt", U'<'},     {"gt", U'>'},         {"amp", U'&'},        {"quot", U'"'},
                {"apos", U'\''},  {"nbsp", U'\u00A0'},  {"lrm", U'\u200E'},   {"rlm", U'\u200F'}};
  for (const auto& e : kNamed)
    if (body == e.name) return std::pair{e.code, semi + 1};
  if (body.size() < 2 || body[0] != '#') return std::nullopt;
  bool hex = body[1] == 'x' || body[1] == 'X';
  std::string_view digits = body.substr(hex ? 2 : 1);
  if (digits.empty()) return std::nullopt;
  char32_t v = 0;
  for (char c : digits) {
    int d = IsDigit(c) ? c - '0' : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10 : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (d < 0) return std::nullopt;
    v = v * (hex ? 16 : 10) + static_cast<char32_t>(d);
  }
  // Nothing outside Unicode, no surrogates and no NUL.
  if (v == 0 || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return std::nullopt;
  return std::pair{v, semi + 1};
}

// No markup, stand-in, entity start or group marker: written as it stands.
constexpr auto kNotPlain = [] {
  std::array<bool, 256> t{};
  for (int c = 0; c < 8; ++c) t[c] = true;
  for (unsigned char c : {0x3C, 0x3E, 0x5B, 0x5D, 0x26, 0xEE}) t[c] = true;  // < > [ ] & and a stand-in's lead
  return t;
}();

bool IsPlainRow(std::string_view row) {
  for (char c : row)
    if (kNotPlain[static_cast<unsigned char>(c)]) return false;
  return row.find(kGroupEnd) == std::string_view::npos;
}

// Control characters other than the tab (colour codes are markup, not these).
bool IsControl(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u < 0x20 && u != '\t' && !IsColourCode(c)) || u == 0x7F;
}
bool HasControl(std::string_view row) { return std::any_of(row.begin(), row.end(), IsControl); }

// Whether text after a "<" would make it a tag: to this reader, or to players that allow
// spaces before the names of the tags they know ("< b >" is bold to ffmpeg).
bool OpensTag(std::string_view after) {
  if (MatchTag("<" + std::string(after))) return true;
  if (after.empty() || !IsSpace(after.front())) return false;
  while (!after.empty() && IsSpace(after.front())) after.remove_prefix(1);
  auto t = MatchTag("<" + std::string(after));
  return t && (t->name == "b" || t->name == "i" || t->name == "u" || t->name == "s" || t->name == "font");
}

}  // namespace

std::size_t TagLength(std::string_view s) {
  auto t = MatchTag(s);
  return t ? t->length : 0;
}

void TagReader::AppendLine(std::string& out, std::string_view line) {
  // Most lines hold no tag, entity or markup character: they are the text as they stand.
  if (!whiteAfter_ && IsPlainRow(line)) {
    out += line;
    return;
  }
  auto emit = [&](std::string_view chunk) {
    if (chunk.empty()) return;
    if (whiteAfter_) {
      out += static_cast<char>(Colour::White);
      whiteAfter_ = colourOpen_ = false;
    }
    AppendEscaped(out, chunk);
  };
  std::size_t from = 0;
  for (std::size_t i = 0; i < line.size();) {
    const char c = line[i];
    if (c == '<') {
      if (auto tag = MatchTag(line.substr(i))) {
        emit(line.substr(from, i - from));
        const std::string& n = tag->name;
        if (n == "i" || n == "em") out += tag->end ? kItalicOff : kItalicOn;
        else if (n == "u") out += tag->end ? kUnderlineOff : kUnderlineOn;
        else if (n == "br") out += kCrLf;
        else if (n == "font" && !tag->end) {
          if (Colour col = FontColour(tag->attributes); col != Colour::Default) {
            out += static_cast<char>(col);
            colourOpen_ = true;
            whiteAfter_ = false;
          }
        } else if (n == "font" && colourOpen_) {
          whiteAfter_ = true;
        }
        i += tag->length;
        from = i;
        continue;
      }
    } else if (c == '&') {
      if (auto e = MatchEntity(line.substr(i))) {
        emit(line.substr(from, i - from));
        std::string decoded;
        AppendUtf8(decoded, e->first);
        emit(decoded);
        i += e->second;
        from = i;
        continue;
      }
    }
    ++i;
  }
  emit(line.substr(from));
}

std::string TagsToMarkup(std::string_view line) {
  std::string out;
  out.reserve(line.size());
  TagReader r;
  r.AppendLine(out, line);
  return out;
}

void TagWriter::AppendRow(std::string& out, std::string_view row) {
  static constexpr std::string_view kFont[] = {"", "#ff0000", "#00ff00", "#ffff00", "#0000ff", "#ff00ff", "#00ffff", ""};
  if (colour_ == Colour::Default && !how_.rtlMarks && IsPlainRow(row) && !HasControl(row)) {
    out += row;
    return;
  }
  // Without colour tags a colour code still parts the words it stood between.
  std::string spaced;
  if (!how_.colours && std::any_of(row.begin(), row.end(), IsColourCode)) {
    for (char c : row)
      droppedColour_ = droppedColour_ || (IsColourCode(c) && static_cast<Colour>(c) != Colour::White);
    spaced = ColoursAsSpaces(row);
    row = spaced;
  }
  bool fontOpen = false;
  auto openColour = [&] {
    if (!how_.colours) {
      droppedColour_ = droppedColour_ || (colour_ != Colour::Default && colour_ != Colour::White);
      return;
    }
    if (fontOpen) out += "</font>";
    fontOpen = colour_ != Colour::Default && colour_ != Colour::White;
    if (fontOpen) {
      out += "<font color=\"";
      out += kFont[static_cast<int>(colour_)];
      out += "\">";
    }
  };
  if (colour_ != Colour::Default) openColour();
  // Characters the loop below may change: a stand-in's lead, controls, entities' "&",
  // "<" and ">", and the punctuation that takes a right-to-left mark.
  auto needsCare = [this](char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F || c == '\xEE' || c == '&' || c == '<' || c == '>') return true;
    return how_.rtlMarks && (c == '.' || c == '?' || c == '!' || c == ',' || c == ':');
  };
  ScanMarkup(row, {}, [&](Mark m, std::string_view piece) {
    switch (m) {
      case Mark::ItalicOn: out += "<i>"; return;
      case Mark::ItalicOff: out += "</i>"; return;
      case Mark::UnderlineOn: out += "<u>"; return;
      case Mark::UnderlineOff: out += "</u>"; return;
      case Mark::Colour:
        colour_ = static_cast<Colour>(piece[0]);
        openColour();
        return;
      case Mark::None: break;
      default: return;  // group markers have no cue-text form; rows come one at a time
    }
    for (std::size_t i = 0; i < piece.size(); ++i) {
      // Ordinary characters go over in one run.
      const std::size_t run = i;
      while (i < piece.size() && !needsCare(piece[i])) ++i;
      out.append(piece.data() + run, i - run);
      if (i == piece.size()) break;
      char c = piece[i];
      if (c == '\xEE') {
        if (char lit = StandInAt(piece.substr(i))) {
          i += 2;
          // A literal "<" is written as itself unless it would read back as a tag.
          if (lit == '<' && (how_.escapeAll || OpensTag(UnescapeLiterals(piece.substr(i + 1)))))
            out += "&lt;";
          else if (lit == '>' && how_.escapeAll) out += "&gt;";
          else out += lit;
          continue;
        }
      }
      if (IsControl(c)) continue;  // control characters have no place in a text file
      if (c == '&' && (how_.escapeAll || MatchEntity(piece.substr(i)))) out += "&amp;";
      else if (how_.escapeAll && c == '<') out += "&lt;";
      else if (how_.escapeAll && c == '>') out += "&gt;";
      else {
        out += c;
        if (how_.rtlMarks && (c == '.' || c == '?' || c == '!' || c == ',' || c == ':')) out += "\xE2\x80\x8F";
      }
    }
  });
  if (fontOpen) out += "</font>";
}

}  // namespace kipo
