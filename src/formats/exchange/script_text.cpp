#include "formats/exchange/script_text.h"

#include <array>
#include <cstring>

#include "core/markup.h"
#include "core/rich_text.h"
#include "formats/exchange/cue_text.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLabelSep(char c) { return c == ':' || c == ';' || c == '.' || c == ','; }

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  if (prefix.empty() || s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char a = s[i], b = prefix[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

const Cue kZeroCue{"00000000"};

}  // namespace

const Cue& OutCueOf(const Subtitle& s) { return s.outCue.IsSet() ? s.outCue : s.inCue; }

void AppendFrameLabel(std::string& out, const Cue& cue, char sep, char frameSep) {
  const char* d = (cue.IsSet() ? cue.digits() : kZeroCue.digits()).data();
  const char label[11] = {d[0], d[1], sep, d[2], d[3], sep, d[4], d[5], frameSep, d[6], d[7]};
  out.append(label, 11);
}

std::string FrameLabel(const Cue& cue, char sep, char frameSep) {
  std::string out;
  AppendFrameLabel(out, cue, sep, frameSep);
  return out;
}

namespace {

// A label's eight digits into `d`; false when `s` does not start with a label.
bool ReadLabelDigits(std::string_view& s, const FrameRate& rate, char* d) {
  // Read in place: this runs for every line of a script, text lines included.
  const char* p = s.data();
  const char* const end = p + s.size();
  while (p < end && (*p == ' ' || *p == '\t')) ++p;
  // The usual label, "HH:MM:SS:FF" and not followed by a digit, read at once.
  if (end - p >= 11 && IsDigit(p[0]) && IsDigit(p[1]) && IsLabelSep(p[2]) && IsDigit(p[3]) && IsDigit(p[4]) &&
      IsLabelSep(p[5]) && IsDigit(p[6]) && IsDigit(p[7]) && IsLabelSep(p[8]) && IsDigit(p[9]) && IsDigit(p[10]) &&
      (end - p == 11 || !IsDigit(p[11]))) {
    if (p[3] > '5' || p[6] > '5' || (p[9] - '0') * 10 + (p[10] - '0') >= rate.countingRate()) return false;
    const char digits[8] = {p[0], p[1], p[3], p[4], p[6], p[7], p[9], p[10]};
    std::memcpy(d, digits, 8);
    s.remove_prefix(static_cast<std::size_t>(p + 11 - s.data()));
    return true;
  }
  int hours = 0, n = 0;
  for (; n < 3 && p < end && IsDigit(*p); ++n, ++p) hours = hours * 10 + (*p - '0');
  if (n == 0) return false;
  // Minutes, seconds and frames: a separator and exactly two digits each.
  int f[3];
  for (int& v : f) {
    if (end - p < 3 || !IsLabelSep(p[0]) || !IsDigit(p[1]) || !IsDigit(p[2])) return false;
    v = (p[1] - '0') * 10 + (p[2] - '0');
    p += 3;
  }
  if (p < end && IsDigit(*p)) return false;
  if (hours > 99 || f[0] > 59 || f[1] > 59 || f[2] >= rate.countingRate()) return false;
  const char digits[8] = {static_cast<char>('0' + hours / 10), static_cast<char>('0' + hours % 10),
                     static_cast<char>('0' + f[0] / 10),  static_cast<char>('0' + f[0] % 10),
                     static_cast<char>('0' + f[1] / 10),  static_cast<char>('0' + f[1] % 10),
                     static_cast<char>('0' + f[2] / 10),  static_cast<char>('0' + f[2] % 10)};
  std::memcpy(d, digits, 8);
  s.remove_prefix(static_cast<std::size_t>(p - s.data()));
  return true;
}

}  // namespace

std::optional<CueDigits> ReadFrameLabel(std::string_view& s, const FrameRate& rate) {
  char d[8];
  if (!ReadLabelDigits(s, rate, d)) return std::nullopt;
  return CueDigits(d, 8);
}

std::optional<CueDigits> FrameLabelField(std::string_view field, const FrameRate& rate) {
  auto d = ReadFrameLabel(field, rate);
  if (!d || !TrimView(field).empty()) return std::nullopt;
  return d;
}

CueDigits ShiftDigits(std::string_view digits, long frames, const FrameRate& rate) {
  long f = static_cast<long>(LabelToFrames(digits, rate)) + frames;
  const long last = static_cast<long>(LabelToFrames("99595900", rate)) + rate.countingRate() - 1;
  if (f < 0) f = 0;
  if (f > last) f = last;
  return FramesToDigits(static_cast<Timecode>(f), rate);
}

void ScriptTextWriter::Write(std::string& out, const Subtitle& s, std::vector<std::size_t>* rowEnds) {
  std::string text;
  if (s.italic && !HasItalicMarkers(s.text)) text = kItalicOn + s.text + kItalicOff;
  std::string_view source = text.empty() ? std::string_view(s.text) : std::string_view(text);
  // A colour code holds a character cell on screen: dropped, it still parts the words
  // it stood between.
  std::string spaced;
  if (std::any_of(source.begin(), source.end(), IsColourCode)) {
    lostColour_ = lostColour_ || std::any_of(source.begin(), source.end(), [](char c) {
                    return IsColourCode(c) && static_cast<Colour>(c) != Colour::White;
                  });
    spaced = ColoursAsSpaces(source);
    source = spaced;
  }
  // Bytes that keep a piece from going over as it stands: control characters and the lead
  // byte EE of the stand-ins of literal markup characters.
  static constexpr auto kSpecial = [] {
    std::array<bool, 256> t{};
    for (int c = 0; c < 0x20; ++c) t[c] = true;
    t[0x7F] = t[0xEE] = true;
    return t;
  }();
  bool italic = false, underline = false;
  const bool hasItalics = !marks_.italicOn.empty();
  const bool hasUnderline = !marks_.underlineOn.empty();
  ScanMarkup(source, MarkerView{}, [&](Mark m, std::string_view piece) {
    switch (m) {
      case Mark::None:
        // Most text holds no stand-ins and no control characters: it goes over as it stands.
        if (std::none_of(piece.begin(), piece.end(), [](char c) { return kSpecial[static_cast<unsigned char>(c)]; })) {
          out += piece;
          break;
        }
        // Control characters have no place in a text file.
        for (char c : UnescapeLiterals(piece))
          if (!((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F)) out += c;
        break;
      case Mark::RowBreak:
        if (italic && hasItalics) out += marks_.italicOff;
        if (underline && hasUnderline) out += marks_.underlineOff;
        if (rowEnds) rowEnds->push_back(out.size());
        out += marks_.rowBreak;
        if (italic && hasItalics) out += marks_.italicOn;
        if (underline && hasUnderline) out += marks_.underlineOn;
        break;
      case Mark::ItalicOn:
      case Mark::ItalicOff: {
        const bool on = m == Mark::ItalicOn;
        if (!hasItalics) lostItalics_ = true;
        else if (on != italic) out += on ? marks_.italicOn : marks_.italicOff;
        italic = on;
        break;
      }
      case Mark::UnderlineOn:
      case Mark::UnderlineOff: {
        const bool on = m == Mark::UnderlineOn;
        if (!hasUnderline) lostUnderline_ = true;
        else if (on != underline) out += on ? marks_.underlineOn : marks_.underlineOff;
        underline = on;
        break;
      }
      case Mark::Colour: lostColour_ = true; break;
      case Mark::GroupStart:
      case Mark::GroupEnd: lostGroup_ = true; break;
      default: out += piece; break;
    }
  });
  if (italic && hasItalics) out += marks_.italicOff;
  if (underline && hasUnderline) out += marks_.underlineOff;
  if (rowEnds) rowEnds->push_back(out.size());
}

std::vector<std::string> ScriptTextWriter::Rows(const Subtitle& s) {
  std::string all;
  std::vector<std::size_t> ends;
  Write(all, s, &ends);
  std::vector<std::string> rows;
  rows.reserve(ends.size());
  std::size_t from = 0;
  for (std::size_t end : ends) {
    rows.emplace_back(all, from, end - from);
    from = end + marks_.rowBreak.size();
  }
  return rows;
}

std::string ScriptTextWriter::Text(const Subtitle& s) {
  std::string out;
  Write(out, s, nullptr);
  return out;
}

void ScriptTextWriter::AppendText(std::string& out, const Subtitle& s) { Write(out, s, nullptr); }

void ScriptTextWriter::Finish(Warnings& w) const {
  if (lostItalics_) w.push_back("Italics cannot be written in " + name_ + " files and were left out");
  if (lostUnderline_) w.push_back("Underline cannot be written in " + name_ + " files and was left out");
  if (lostColour_) w.push_back("Colours cannot be written in " + name_ + " files and were left out");
  if (lostGroup_) w.push_back("Horizontal groups cannot be written in " + name_ + " files and were left out");
}

std::string ScriptTextToMarkup(std::string_view text, const ScriptMarks& marks) {
  return ScriptMarkupReader(marks)(text);
}

// Where a run of ordinary characters stops: at a byte a mark or a line end can start with
// (letters in either case), and at a markup character of the document, which is held as
// its stand-in. A mark's first byte is never inside a character.
enum : unsigned char { kMayStartMark = 1, kMarkupChar = 2 };

// The stops every reader has: the document's markup characters and the line ends. Made
// once, so that a reader made for one text costs a copy of 256 bytes.
static const std::array<unsigned char, 256>& CommonStops() {
  static const std::array<unsigned char, 256> stops = [] {
    std::array<unsigned char, 256> t{};
    for (int c = 0; c < 256; ++c) t[c] = IsMarkupChar(static_cast<char>(c)) ? kMarkupChar : 0;
    t['\r'] = t['\n'] = kMayStartMark;
    return t;
  }();
  return stops;
}

ScriptMarkupReader::ScriptMarkupReader(const ScriptMarks& marks)
    : marks_(marks),
      italicToggles_(!marks.italicOn.empty() && marks.italicOn == marks.italicOff),
      underlineToggles_(!marks.underlineOn.empty() && marks.underlineOn == marks.underlineOff),
      ownRowBreak_(!marks.rowBreak.empty() && marks.rowBreak != "\r\n") {
  stop_ = CommonStops();
  for (std::string_view m : {marks.italicOn, marks.italicOff, marks.underlineOn, marks.underlineOff, marks.rowBreak}) {
    if (m.empty()) continue;
    const auto c = static_cast<unsigned char>(m[0]);
    stop_[c] |= kMayStartMark;
    if (c >= 'a' && c <= 'z') stop_[c - 'a' + 'A'] |= kMayStartMark;
    if (c >= 'A' && c <= 'Z') stop_[c - 'A' + 'a'] |= kMayStartMark;
  }
}

std::string ScriptMarkupReader::operator()(std::string_view text) const {
  const ScriptMarks& marks = marks_;
  const bool italicToggles = italicToggles_, underlineToggles = underlineToggles_, ownRowBreak = ownRowBreak_;
  const std::array<unsigned char, 256>& stop = stop_;
  std::string out;
  out.reserve(text.size() + 8);
  bool italic = false, underline = false;

  std::size_t i = 0;
  // A style's marks at `rest`: the on mark turns it on (or flips it, where one mark serves
  // both ways), the off mark turns it off. True when one was read.
  const auto styleMark = [&](std::string_view rest, bool& on, bool toggles, std::string_view onMark,
                             std::string_view offMark, char onTag, char offTag) {
    if (StartsWithNoCase(rest, onMark)) {
      on = toggles ? !on : true;
      out += on ? onTag : offTag;
      i += onMark.size();
      return true;
    }
    if (!toggles && StartsWithNoCase(rest, offMark)) {
      on = false;
      out += offTag;
      i += offMark.size();
      return true;
    }
    return false;
  };
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (stop[c] & kMayStartMark) {
      std::string_view rest = text.substr(i);
      if (ownRowBreak && rest.starts_with(marks.rowBreak)) {
        out += "\r\n";
        i += marks.rowBreak.size();
        continue;
      }
      if (c == '\r' || c == '\n') {
        out += "\r\n";
        i += (c == '\r' && rest.size() > 1 && rest[1] == '\n') ? 2 : 1;
        continue;
      }
      if (styleMark(rest, italic, italicToggles, marks.italicOn, marks.italicOff, kItalicOn, kItalicOff) ||
          styleMark(rest, underline, underlineToggles, marks.underlineOn, marks.underlineOff, kUnderlineOn,
                    kUnderlineOff))
        continue;
    }
    // Characters as they stand up to the next stop; the first is taken whatever it is,
    // since no mark starts there.
    std::size_t from = i;
    if (stop[c] & kMarkupChar) {
      AppendStandIn(out, text[i]);
      from = i + 1;
    }
    const auto* t = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    for (++i;; ++i) {
      // Ordinary bytes four at a time, then one at a time up to the stop.
      while (i + 4 <= n && !(stop[t[i]] | stop[t[i + 1]] | stop[t[i + 2]] | stop[t[i + 3]])) i += 4;
      while (i < n && !stop[t[i]]) ++i;
      if (i >= n || (stop[t[i]] & kMayStartMark)) break;
      out.append(text.data() + from, i - from);
      AppendStandIn(out, text[i]);
      from = i + 1;
    }
    out.append(text.data() + from, i - from);
  }
  // Italics closed and opened again around a row end are one stretch.
  for (std::size_t p = 0; (p = out.find(">\r\n<", p)) != std::string::npos;) out.replace(p, 4, "\r\n");
  return out;
}

bool CueCollector::Add(Subtitle&& s) {
  if (full_) return false;
  if (subs_.size() == kMaxSubtitles) {
    warnings_.push_back("Only the first " + std::to_string(kMaxSubtitles) + " subtitles were read");
    full_ = true;
    return false;
  }
  subs_.push_back(std::move(s));
  return true;
}

void CueCollector::Skipped(std::string_view what, std::string_view line) {
  ++skipped_;
  if (skipped_ <= 3) {
    std::string shown(line.substr(0, 60));
    warnings_.push_back(std::string(what) + ": " + shown);
  } else if (skipped_ == 4) {
    warnings_.push_back("Further lines that could not be read were skipped");
  }
}

SubtitleDocument CueCollector::Finish(const FrameRate& rate, std::string_view invalid, bool emptyFile) {
  if (subs_.empty() && !emptyFile) throw InvalidFileFormat(std::string(invalid));
  SubtitleDocument doc;
  doc.SetFrameRate(rate.code);
  doc.ReplaceAll(std::move(subs_));
  doc.modified = false;
  return doc;
}

std::vector<std::string_view> ScriptLines(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  // A line end at the very end opens no further line.
  std::vector<std::string_view> lines = SplitAnyLines(text);
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

std::vector<std::string_view> SplitFields(std::string_view line, char sep) {
  std::vector<std::string_view> out;
  std::size_t start = 0;
  for (;;) {
    std::size_t p = line.find(sep, start);
    out.push_back(line.substr(start, p == std::string_view::npos ? std::string_view::npos : p - start));
    if (p == std::string_view::npos) return out;
    start = p + 1;
  }
}

std::string_view TrimView(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace kipo

namespace kipo {
namespace {

bool IsSepChar(char c) { return c == ' ' || c == '\t' || c == ',' || c == '-' || c == '>' || c == '='; }

}  // namespace

std::optional<CueLine> ReadCueLine(std::string_view& line, const FrameRate& rate) {
  std::string_view p = TrimView(line);
  if (!p.empty() && p.front() == '#') p.remove_prefix(1);
  // A subtitle number before the cues.
  std::size_t n = 0;
  while (n < p.size() && p[n] >= '0' && p[n] <= '9') ++n;
  if (n > 0 && n < p.size() && (p[n] == ' ' || p[n] == '\t' || p[n] == ',')) {
    p.remove_prefix(n);
    while (!p.empty() && (p.front() == ' ' || p.front() == '\t' || p.front() == ',')) p.remove_prefix(1);
  }
  // The digits read in place; the strings of the cues made once, in the result.
  char in[8], out[8];
  if (!ReadLabelDigits(p, rate, in)) return std::nullopt;
  std::size_t sep = 0;
  while (sep < p.size() && IsSepChar(p[sep])) ++sep;
  if (sep == 0) return std::nullopt;
  p.remove_prefix(sep);
  if (!ReadLabelDigits(p, rate, out)) return std::nullopt;
  // One separator before the text: a tab, a comma with the spaces around it, or spaces.
  while (!p.empty() && (p.front() == ' ' || p.front() == ',')) {
    p.remove_prefix(1);
    if (!p.empty() && p.front() == '\t') break;
  }
  if (!p.empty() && p.front() == '\t') p.remove_prefix(1);
  line = p;
  std::optional<CueLine> cue(std::in_place);
  cue->in.assign(in, 8);
  cue->out.assign(out, 8);
  return cue;
}

bool TimedLineReader::Flush() {
  if (!hasCurrent_) return true;
  current_.text = markup_(rows_);
  hasCurrent_ = false;
  rows_.clear();
  return cues_.Add(std::move(current_));
}

bool TimedLineReader::Line(std::string_view line) {
  const std::string_view trimmed = TrimView(line);
  if (trimmed.empty()) {
    open_ = false;
    return true;
  }
  nonBlank_ = true;
  const bool prefixed = !layout_.rowPrefix.empty() && line.starts_with(layout_.rowPrefix);
  std::string_view rest = line;
  const bool marked = layout_.cueMark.empty() || trimmed.starts_with(layout_.cueMark);
  std::optional<CueLine> cue;
  if (marked && !prefixed) cue = ReadCueLine(rest, rate_);
  // Below an open subtitle, a line of cues followed by words is a row that looks like one.
  if (cue && layout_.textBelow && !layout_.ignoreRest && open_ && !TrimView(rest).empty()) cue.reset();
  if (cue) {
    if (!Flush()) return false;
    current_ = Subtitle{};
    current_.inCue = std::move(cue->in);
    current_.outCue = std::move(cue->out);
    hasCurrent_ = open_ = true;
    rows_.clear();
    hasText_ = !TrimView(rest).empty() && !layout_.ignoreRest;
    if (hasText_ && layout_.textBelow) {
      cues_.Skipped("Text after the cues was skipped", line);
      hasText_ = false;
    }
    if (hasText_) rows_.assign(layout_.trimRows ? TrimView(rest) : rest);
    return true;
  }
  const bool quiet = layout_.quiet && layout_.quiet(line);
  if (open_ && !quiet) {
    std::string_view row = prefixed ? line.substr(layout_.rowPrefix.size()) : line;
    if (layout_.trimRows) row = TrimView(row);
    if (hasText_) rows_ += "\r\n";
    rows_ += row;
    hasText_ = true;
    return true;
  }
  if (quiet || (layout_.headerFirst && !hasCurrent_ && cues_.Count() == 0)) return true;
  cues_.Skipped("A line that is not part of a subtitle was skipped", line);
  return true;
}

SubtitleDocument TimedLineReader::Finish(std::string_view invalid) {
  Flush();
  return cues_.Finish(rate_, invalid, !nonBlank_);
}

SubtitleDocument ReadTimedLines(std::string_view text, const FrameRate& rate, const TimedLineLayout& layout,
                                Warnings& warnings, std::string_view invalid) {
  TimedLineReader reader(rate, layout, warnings);
  const std::vector<std::string_view> lines = ScriptLines(text);
  reader.Reserve(lines.size());
  for (std::string_view line : lines)
    if (!reader.Line(line)) break;
  return reader.Finish(invalid);
}

}  // namespace kipo
