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

std::size_t CueListRoom(const SubtitleDocument& doc, std::size_t perCue) {
  std::size_t room = 64;
  for (const Subtitle& s : doc.Subtitles()) room += 2 * (s.text.size() + s.comment.size()) + perCue;
  return room;
}

std::string MillisCueText(std::string_view d, char sep, const FrameRate& rate, int hoursDigits) {
  std::string out;
  AppendMillisCueText(out, d, sep, rate, hoursDigits);
  return out;
}

std::optional<ClockTime> ReadClockTime(std::string_view& s) {
  std::string_view p = s;
  while (!p.empty() && (p.front() == ' ' || p.front() == '\t')) p.remove_prefix(1);
  // The form nearly every file writes, "HH:MM:SS,mmm" (or "."), read at fixed places.
  if (p.size() >= 12 && p[2] == ':' && p[5] == ':' && (p[8] == ',' || p[8] == '.') &&
      (p.size() == 12 || !IsDigit(p[12]))) {
    const char* d = p.data();
    if (IsDigit(d[0]) && IsDigit(d[1]) && IsDigit(d[3]) && IsDigit(d[4]) && IsDigit(d[6]) && IsDigit(d[7]) &&
        IsDigit(d[9]) && IsDigit(d[10]) && IsDigit(d[11])) {
      auto two = [d](int at) { return (d[at] - '0') * 10 + (d[at + 1] - '0'); };
      ClockTime t{two(0), two(3), two(6), (d[9] - '0') * 100 + two(10)};
      if (t.minutes > 59 || t.seconds > 59) return std::nullopt;
      s = p.substr(12);
      return t;
    }
  }
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
  // The frame number of each millisecond value, worked out once for the rate being read
  // (a file has two per cue). It may round up to a whole second (999 ms at 50 fps), which
  // ClockLabel carries.
  thread_local FrameRate tableRate;
  thread_local std::array<std::uint8_t, 1000> frameOf{};
  thread_local bool filled = false;
  if (!filled || !(tableRate == rate)) {
    for (int ms = 0; ms < 1000; ++ms) {
      const std::string ff = MillisToFrames(ms, rate);
      frameOf[static_cast<std::size_t>(ms)] = static_cast<std::uint8_t>((ff[0] - '0') * 10 + (ff[1] - '0'));
    }
    tableRate = rate;
    filled = true;
  }
  return ClockLabel(t.hours, t.minutes, t.seconds, frameOf[static_cast<std::size_t>(std::clamp(t.millis, 0, 999))], rate);
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

SubtitleDocument CollectCues(CuePass pass, std::string_view text, const FrameRate& rate, Warnings& warnings,
                             std::size_t expected) {
  SubtitleDocument doc;
  std::vector<Subtitle> subs;
  subs.reserve(std::min(expected, kMaxSubtitles));
  pass(text, rate, doc, [&subs](Subtitle&& s) { subs.push_back(std::move(s)); }, warnings);
  doc.ReplaceAll(std::move(subs));
  doc.modified = false;
  return doc;
}

std::string WriteCueList(CueListWriter& writer, const SubtitleDocument& doc, std::size_t room, Warnings& warnings) {
  std::string out;
  out.reserve(room);
  for (const Subtitle& s : doc.Subtitles()) writer.Add(out, s, warnings);
  writer.Finish(out, warnings);
  return out;
}

bool LineReader::Next(std::string_view& line) {
  if (done_) return false;
  // Lines end at CR LF, LF or a lone CR. The ends are found with memchr, which scans many
  // bytes at a time; a file without CRs is searched for one only once.
  const char* lf = static_cast<const char*>(std::memchr(p_, '\n', static_cast<std::size_t>(end_ - p_)));
  const char* stop = lf ? lf : end_;
  if (!cr_ || cr_ < p_) {
    cr_ = static_cast<const char*>(std::memchr(p_, '\r', static_cast<std::size_t>(end_ - p_)));
    if (!cr_) cr_ = end_;
  }
  if (cr_ < stop) {
    line = std::string_view(p_, static_cast<std::size_t>(cr_ - p_));
    p_ = cr_ + 1 == lf ? lf + 1 : cr_ + 1;  // the LF of a CR LF belongs to the same end
    return true;
  }
  line = std::string_view(p_, static_cast<std::size_t>(stop - p_));
  if (lf) p_ = lf + 1;
  else done_ = true;
  return true;
}

std::vector<std::string_view> SplitAnyLines(std::string_view text) {
  // One counting pass first spares the table its regrowth copies.
  std::size_t count = 1;
  const char* const end = text.data() + text.size();
  for (const char* q = text.data(); (q = static_cast<const char*>(std::memchr(q, '\n', end - q))); ++q) ++count;
  std::vector<std::string_view> lines;
  lines.reserve(count);
  LineReader reader(text);
  for (std::string_view line; reader.Next(line);) lines.push_back(line);
  return lines;
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

// A row's bytes as the tag writer sees them: the italics and underline markers, and
// everything that needs the general path (controls and colour codes, "&", a stand-in's
// lead, the "/" of group markers).
enum : std::uint8_t { kStyleMarker = 1, kOtherMarkup = 2 };
constexpr auto kWriteClass = [] {
  std::array<std::uint8_t, 256> t{};
  for (int c = 0; c < 0x20; ++c) t[c] = c == '\t' ? 0 : kOtherMarkup;
  for (unsigned char c : {0x7F, 0x26, 0xEE, 0x2F}) t[c] = kOtherMarkup;  // DEL & stand-in /
  for (char c : {kItalicOn, kItalicOff, kUnderlineOn, kUnderlineOff}) t[static_cast<unsigned char>(c)] = kStyleMarker;
  return t;
}();

// Control characters other than the tab (colour codes are markup, not these).
bool IsControl(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u < 0x20 && u != '\t' && !IsColourCode(c)) || u == 0x7F;
}

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

namespace {

// What the tag reader stops at: a '<' (a tag, or a literal), an '&' (an entity, or a
// literal) and the characters the document holds as markup (written as stand-ins).
enum : std::uint8_t { kTextByte, kTagOpen, kEntityOpen, kMarkupByte };
constexpr auto kReadClass = [] {
  std::array<std::uint8_t, 256> t{};
  for (int c = 1; c <= 7; ++c) t[c] = kMarkupByte;  // colour codes
  t['>'] = t['['] = t[']'] = kMarkupByte;
  t['<'] = kTagOpen;
  t['&'] = kEntityOpen;
  return t;
}();

// "<x>" or "</x>" for a lower-case letter x (the italics, underline and bold tags most
// files hold): its length, 0 for anything else, which the general tag reader reads.
std::size_t LetterTag(std::string_view s, bool& end, char& letter) {
  end = s.size() >= 4 && s[1] == '/';
  const std::size_t at = end ? 2 : 1;
  if (s.size() < at + 2 || s[at] < 'a' || s[at] > 'z' || s[at + 1] != '>') return 0;
  letter = s[at];
  return at + 2;
}

}  // namespace

void TagReader::AppendLine(std::string& out, std::string_view line) {
  const char* p = line.data();
  const char* const end = p + line.size();
  const char* run = p;  // characters read but not yet appended
  // A colour's font tag closed: the next character is white again.
  auto beforeText = [&] {
    if (!whiteAfter_) return;
    out += static_cast<char>(Colour::White);
    whiteAfter_ = colourOpen_ = false;
  };
  auto flush = [&] {
    if (p == run) return;
    beforeText();
    out.append(run, static_cast<std::size_t>(p - run));
  };
  while (p < end) {
    const std::uint8_t kind = kReadClass[static_cast<unsigned char>(*p)];
    if (kind == kTextByte) {
      ++p;
      continue;
    }
    const std::string_view rest(p, static_cast<std::size_t>(end - p));
    if (kind == kTagOpen) {
      bool endTag = false;
      char letter = 0;
      if (const std::size_t n = LetterTag(rest, endTag, letter)) {
        flush();
        if (letter == 'i') out += endTag ? kItalicOff : kItalicOn;
        else if (letter == 'u') out += endTag ? kUnderlineOff : kUnderlineOn;
        p += n;  // other letters ("<b>", "<s>") are dropped, their text kept
        run = p;
        continue;
      }
      if (auto tag = MatchTag(rest)) {
        flush();
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
        p += tag->length;
        run = p;
        continue;
      }
    } else if (kind == kEntityOpen) {
      if (auto e = MatchEntity(rest)) {
        flush();
        beforeText();
        if (e->first < 0x80 && IsMarkupChar(static_cast<char>(e->first))) AppendStandIn(out, static_cast<char>(e->first));
        else AppendUtf8(out, e->first);
        p += e->second;
        run = p;
        continue;
      }
      ++p;  // an "&" that starts no entity is itself
      continue;
    }
    // A markup character, or a "<" that opens no tag: its stand-in.
    flush();
    beforeText();
    AppendStandIn(out, *p);
    run = ++p;
  }
  flush();
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
  if (colour_ == Colour::Default && !how_.rtlMarks) {
    // The common rows, plain text or text with italics and underline markers only (each
    // written as its tag), are written in one pass; anything else met on the way sends
    // the row to the general path below.
    const std::size_t start = out.size();
    std::size_t from = 0;
    bool general = false;
    for (std::size_t i = 0; i < row.size(); ++i) {
      const std::uint8_t kind = kWriteClass[static_cast<unsigned char>(row[i])];
      if (kind == 0) continue;
      if (kind != kStyleMarker) {
        general = true;
        break;
      }
      const char c = row[i];
      out.append(row.data() + from, i - from);
      out += c == kItalicOn ? "<i>" : c == kItalicOff ? "</i>" : c == kUnderlineOn ? "<u>" : "</u>";
      from = i + 1;
    }
    if (!general) {
      out.append(row.data() + from, row.size() - from);
      return;
    }
    out.resize(start);
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
