#include "formats/exchange/webvtt.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <span>

#include "core/rich_text.h"
#include "formats/exchange/cue_text.h"
#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

std::string Numbered(std::size_t n) { return ZeroPad(static_cast<long>(n), 4); }

// WebVTT forbids "-->" inside cue text and notes; the arrow loses its ">".
std::string NoArrow(std::string s, bool& changed) {
  std::size_t p;
  while ((p = s.find("-->")) != std::string::npos) {
    s.replace(p, 3, "--");
    changed = true;
  }
  return s;
}

// Appends one row as a line of cue text; false, appending nothing, when the line would be
// empty (an empty line ends the cue).
bool AppendCueLine(std::string& out, std::string_view row, bool italic, TagWriter& w) {
  const std::size_t start = out.size();
  w.AppendRow(out, row);
  if (out.size() == start) return false;
  if (italic) {
    out.insert(start, "<i>");
    out += "</i>";
  }
  out += "\r\n";
  return true;
}

}  // namespace

int DisplayFormatWidth(int index) {
  switch (index) {
    case 3: return 1280;
    case 4: return 1920;
    case 5: return 1998;
    case 6: return 2048;
    case 9: return 3996;
    case 10: return 4096;
    default: return 720;
  }
}

std::string WebVttCueSettings(const Subtitle& s, const WebVttOptions& o, const TextMeasurer& m) {
  if (!o.includePositioning) return {};
  switch (s.alignment) {
    case AlignLeft: return " align:start";
    case AlignRight: return " align:end";
    case AlignCentreLeft: {
      std::vector<std::string> rows = SplitRows(s.text);
      if (rows.size() < 2) return " align:center";
      double widest = 0;
      for (const std::string& r : rows) widest = std::max(widest, m.Width(UnescapeLiterals(StripMarkup(r)), o.font));
      double w = widest * 0.75;
      int W = o.frameWidth > 0 ? o.frameWidth : 720;
      long left = std::lround(std::floor((W - w) / 2));
      long p = std::lround(static_cast<double>(left) / W * 100);
      p = std::clamp(p, 0L, 100L);
      return " align:start position:" + std::to_string(p) + "%";
    }
    // Centred, and codes outside 1-4. "center" is the keyword of the W3C recommendation;
    // the "middle" of the early drafts is dropped by its parser.
    default: return " align:center";
  }
}

WebVttWriter::WebVttWriter(const SubtitleDocument& header, WebVttOptions options)
    : o_(std::move(options)), rate_(header.frameRate()) {}

const TextMeasurer& WebVttWriter::Measurer() {
  if (o_.measurer) return *o_.measurer;
  // No layout handed in: an estimate from the font size.
  if (!own_) own_ = o_.makeMeasurer ? o_.makeMeasurer() : std::make_unique<FixedWidthMeasurer>(o_.font.pixelSize / 2);
  return *own_;
}

void WebVttWriter::Start(std::string& out) {
  if (started_) return;
  started_ = true;
  bool nameChanged = false;
  std::string name = NoArrow(o_.movieName, nameChanged);
  for (char& c : name)
    if (c == '\r' || c == '\n') c = ' ';
  out += "WEBVTT ";
  out += name;
  out += "\r\n\r\n";
}

void WebVttWriter::Add(std::string& out, const Subtitle& s, Warnings& warnings) {
  Start(out);
  const std::size_t n = ++n_;
  // An empty line parts a note from the block after it; the file's last note has none.
  if (blankOwed_) out += "\r\n";
  blankOwed_ = false;
  if (s.text.empty()) return;
  bool arrow = false, blank = false;
  out += std::to_string(n);
  out += "\r\n";
  if (s.inCue.digits().size() == 8) AppendMillisCueText(out, s.inCue, '.', rate_);
  else out += "00:00:00.000";
  out += " --> ";
  // A cue needs an end time; an unset out cue ends where it starts.
  const std::string_view end = s.outCue.digits().size() == 8 ? s.outCue.digits()
                               : s.inCue.digits().size() == 8 ? s.inCue.digits()
                                                              : std::string_view("00000000");
  AppendMillisCueText(out, end, '.', rate_);
  if (s.inCue.digits().size() != 8 || s.outCue.digits().size() != 8)
    warnings.push_back("Subtitle " + Numbered(n) + " has an unset cue; written with a zero-length time");
  // Only centred-left blocks are placed by their width.
  if (o_.includePositioning)
    out += WebVttCueSettings(s, o_, s.alignment == AlignCentreLeft ? Measurer() : unmeasured_);
  out += "\r\n";
  std::string_view text = s.text;
  TagWriter writer({.escapeAll = true, .colours = false});
  for (std::size_t start = 0;;) {
    std::size_t p = text.find("\r\n", start);
    std::string_view row = text.substr(start, p == std::string_view::npos ? std::string_view::npos : p - start);
    // An empty line would end the cue, so empty rows are left out (a row of spaces is
    // cue text). In "-->" the ">" is an italics marker, which the arrow loses.
    if (row.find("-->") != std::string_view::npos) {
      if (!AppendCueLine(out, NoArrow(std::string(row), arrow), s.italic, writer)) blank = true;
    } else if (!AppendCueLine(out, row, s.italic, writer)) {
      blank = true;
    }
    if (p == std::string_view::npos) break;
    start = p + 2;
  }
  droppedColour_ = droppedColour_ || writer.droppedColour();
  out += "\r\n";
  if (arrow) warnings.push_back("Subtitle " + Numbered(n) + ": \"-->\" cannot appear in a cue and was written as \"--\"");
  if (blank) warnings.push_back("Subtitle " + Numbered(n) + ": blank rows cannot appear in a cue and were left out");
  if (o_.includeComments && !s.comment.empty()) {
    bool noteArrow = false;
    std::string note = NoArrow(s.comment, noteArrow);
    std::vector<std::string> rows;
    for (std::string& r : SplitRows(ReplaceAll(note, "\n", "\r\n")))
      if (!IsBlank(r)) rows.push_back(TrimRight(ReplaceAll(r, "\r", "")));
    out += "NOTE ";
    out += JoinRows(rows);
    out += "\r\n";
    blankOwed_ = true;
    if (noteArrow) warnings.push_back("Subtitle " + Numbered(n) + ": \"-->\" cannot appear in a note and was written as \"--\"");
  }
}

void WebVttWriter::Finish(std::string& out, Warnings& warnings) {
  Start(out);
  if (droppedColour_) warnings.push_back(kColoursNotWritten);
}

std::string WriteWebVtt(const SubtitleDocument& doc, const WebVttOptions& o, Warnings& warnings) {
  WebVttWriter writer(doc, o);
  return WriteCueList(writer, doc, CueListRoom(doc, 96) + o.movieName.size(), warnings);
}

namespace {

bool IsSignature(std::string_view line) {
  return StartsWith(line, "WEBVTT") && (line.size() == 6 || line[6] == ' ' || line[6] == '\t');
}

// A line that starts with the word (a block's kind): followed by a space, a tab or nothing.
bool StartsWithWord(std::string_view line, std::string_view word) {
  return StartsWith(line, word) && (line.size() == word.size() || line[word.size()] == ' ' || line[word.size()] == '\t');
}

// Form feeds separate the parts of a timing line as spaces and tabs do. `storage` holds
// the changed copy when the line has any.
std::string_view TimingWithSpaces(std::string_view line, std::string& storage) {
  if (line.find('\f') == std::string_view::npos) return line;
  storage.assign(line);
  for (char& c : storage)
    if (c == '\f') c = ' ';
  return storage;
}

// A NUL in the file is the replacement character. Files without one (all but damaged
// ones) are read where they lie: `storage` is filled only when something changes.
std::string_view WithoutNul(std::string_view text, std::string& storage) {
  if (text.find('\0') == std::string_view::npos) return text;
  std::string& s = storage;
  s.reserve(text.size() + 8);
  for (char c : text) {
    if (c == '\0') s += "\xEF\xBF\xBD";
    else s += c;
  }
  return s;
}

}  // namespace

// Blocks are collected as the W3C parser collects them: a block ends at an empty line (a
// line of spaces is cue text), a timing line is the block's first line or its second after
// an identifier, and a line with "-->" further down ends the cue and starts the next block.
SubtitleDocument ReadWebVtt(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  // A cue takes at least a timing line and an empty line.
  return CollectCues(&ReadWebVttCues, text, rate, warnings, text.size() / 24 + 1);
}

void ReadWebVttCues(std::string_view text, const FrameRate& rate, SubtitleDocument& header, const SubtitleSink& sink,
                    Warnings& warnings) {
  header.SetFrameRate(rate.code);
  std::string withoutNul;
  const std::string_view clean = WithoutNul(StripBomChar(text), withoutNul);
  LineReader reader(clean);
  std::string_view line;  // the line being looked at
  bool more = reader.Next(line);
  auto next = [&] { more = reader.Next(line); };
  const bool signature = IsSignature(line);
  Warnings notes;
  if (signature) {
    // The header runs to the first empty line; a timing line ends it early.
    for (next(); more && !line.empty(); next())
      if (line.find("-->") != std::string_view::npos) {
        notes.push_back("A cue follows the header with no empty line before it; it was read");
        break;
      }
  } else if (StartsWith(line, "WEBVTT")) {
    next();  // "WEBVTT-..." or "WEBVTTFILE": a header line all the same
  }
  // A cue is handed over once the block after it is read: a note there is its comment.
  Subtitle held;
  bool holding = false;
  std::size_t taken = 0;
  auto handOver = [&] {
    if (!holding) return;
    holding = false;
    ++taken;
    sink(std::move(held));
    held = Subtitle();
  };
  bool truncated = false;
  std::vector<std::string_view> body;  // one block's lines, its room kept from block to block
  std::string timingStorage;
  while (more && !truncated) {
    if (line.empty()) {
      next();
      continue;
    }
    body.clear();
    std::optional<std::string_view> timingLine;
    for (std::size_t count = 1; more && !line.empty(); ++count) {
      if (line.find("-->") != std::string_view::npos) {
        if (!timingLine && (count == 1 || count == 2)) {
          timingLine = line;
          body.clear();  // the identifier
          next();
          continue;
        }
        break;  // the next block starts here
      }
      body.push_back(line);
      next();
    }
    if (!timingLine) {
      if (body.empty()) continue;
      if (StartsWithWord(body[0], "NOTE")) {
        if (!holding) continue;  // a note before the first cue belongs to no subtitle
        std::vector<std::string> rows(body.begin(), body.end());
        std::string note = Trim(TrimLeft(JoinRows(rows)).substr(4));
        held.comment = held.comment.empty() ? note : held.comment + "\r\n" + note;
      } else if (!StartsWithWord(body[0], "STYLE") && !StartsWithWord(body[0], "REGION")) {
        notes.push_back("A block that is neither a cue nor a note was skipped: " + std::string(body[0].substr(0, 60)));
      }
      continue;
    }
    auto timing = ReadArrowTimingLine(TimingWithSpaces(*timingLine, timingStorage), rate);
    if (!timing) {
      notes.push_back("A cue with an unreadable timing line was skipped: " + std::string(timingLine->substr(0, 60)));
      continue;
    }
    handOver();
    if (taken == kMaxSubtitles) {
      truncated = true;
      break;
    }
    // Rows of spaces at the end of a cue show nothing.
    while (!body.empty() && IsBlank(body.back())) body.pop_back();
    held.inCue = timing->in;
    held.outCue = timing->out;
    TagReader tags;
    if (!body.empty()) held.text.reserve(static_cast<std::size_t>(body.back().end() - body.front().begin()) + 8);
    for (std::size_t k = 0; k < body.size(); ++k) {
      if (k > 0) held.text += "\r\n";
      tags.AppendLine(held.text, body[k]);
    }
    holding = true;
  }
  handOver();
  if (!signature) {
    if (taken == 0) throw InvalidFileFormat("This is not a valid WebVTT file");
    warnings.push_back("The file does not start with a \"WEBVTT\" line; its cues were read all the same");
  }
  warnings.insert(warnings.end(), notes.begin(), notes.end());
  if (truncated)
    warnings.push_back("The file holds more than " + std::to_string(kMaxSubtitles) + " cues; only the first " +
                       std::to_string(kMaxSubtitles) + " were read");
}

}  // namespace kipo
