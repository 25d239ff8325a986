#pragma once
// What the frame-timed script formats share (DVD authoring scripts, spotting lists, the
// spreadsheet and presentation exports): timecode labels written and read leniently, the
// subtitle text in a script's own marks for italics, underline and rows, and the collection
// of read cues into a fresh document.
#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/document.h"
#include "core/timecode.h"

namespace kipo {

using Warnings = std::vector<std::string>;

// "HH:MM:SS:FF" of a cue; the in cue stands in for an out cue that is not set, and a cue
// that is not set at all is written as zero.
std::string FrameLabel(const Cue& cue, char sep = ':', char frameSep = ':');
void AppendFrameLabel(std::string& out, const Cue& cue, char sep = ':', char frameSep = ':');
// The out cue to write for a subtitle: its out cue, or its in cue when it has none.
const Cue& OutCueOf(const Subtitle& s);

// Reads "HH:MM:SS:FF" after spaces or tabs: one to three hour digits, two digits for each
// other field, any of ':' ';' '.' ',' between the fields (drop-frame files use ';').
// Refuses frames at or above the rate's count and minutes or seconds above 59. On success
// `s` is left after the label.
std::optional<CueDigits> ReadFrameLabel(std::string_view& s, const FrameRate& rate);
// A whole field that is only a label (spaces around allowed).
std::optional<CueDigits> FrameLabelField(std::string_view field, const FrameRate& rate);
// The cue `frames` after (or before, when negative) a label, kept within 0 and 99:59:59.
CueDigits ShiftDigits(std::string_view digits, long frames, const FrameRate& rate);

// How a script marks styles in its text. Empty marks: the format has no such style. When
// the on and off marks are the same, the mark toggles.
struct ScriptMarks {
  std::string_view italicOn, italicOff;
  std::string_view underlineOn, underlineOff;
  std::string_view rowBreak = "\r\n";
};

// Document text to a script's text. What the format cannot hold (italics, underline,
// colours, horizontal groups) is left out and named once in Finish's warnings. Italics
// that run over a row end are closed at the end of the row and opened again on the next.
class ScriptTextWriter {
 public:
  ScriptTextWriter(std::string formatName, ScriptMarks marks) : name_(std::move(formatName)), marks_(marks) {}
  // Each row of the subtitle in the script's marks (a wholly italic subtitle is italic on
  // every row).
  std::vector<std::string> Rows(const Subtitle& s);
  // The rows joined by the format's row break.
  std::string Text(const Subtitle& s);
  // The same appended to a file being written.
  void AppendText(std::string& out, const Subtitle& s);
  // Calls `each(row)` for every row, in order; the rows are views into the writer's own
  // buffer, good until its next call (no strings of their own per subtitle).
  template <class F>
  void ForEachRow(const Subtitle& s, F each) {
    rowText_.clear();
    rowEnds_.clear();
    Write(rowText_, s, &rowEnds_);
    std::size_t from = 0;
    for (std::size_t end : rowEnds_) {
      each(std::string_view(rowText_).substr(from, end - from));
      from = end + marks_.rowBreak.size();
    }
  }
  void Finish(Warnings& warnings) const;

 private:
  // The rows into `out` with the row break between them; `rowEnds` (when given) gets
  // where each row ends.
  void Write(std::string& out, const Subtitle& s, std::vector<std::size_t>* rowEnds);

  std::string name_;
  ScriptMarks marks_;
  bool lostItalics_ = false, lostUnderline_ = false, lostColour_ = false, lostGroup_ = false;
  std::string rowText_;
  std::vector<std::size_t> rowEnds_;
};

// A script's text (rows separated by the format's row break, or any line end) to document
// text: the marks become the in-text markers, characters that are markers in the document
// are held as their stand-ins, and italics closed at a row end and opened again on the
// next row become one stretch.
std::string ScriptTextToMarkup(std::string_view text, const ScriptMarks& marks);

// The same for a reader that converts many texts with the same marks: the table of the
// bytes that stop a run of ordinary characters is made once.
class ScriptMarkupReader {
 public:
  explicit ScriptMarkupReader(const ScriptMarks& marks);
  std::string operator()(std::string_view text) const;

 private:
  ScriptMarks marks_;
  bool italicToggles_, underlineToggles_, ownRowBreak_;
  std::array<unsigned char, 256> stop_;
};

// Collects the subtitles a reader finds, up to the largest document.
class CueCollector {
 public:
  explicit CueCollector(Warnings& warnings) : warnings_(warnings) {}
  // False once the document is full (said once in the warnings): stop reading.
  bool Add(Subtitle&& s);
  // Room for about `n` subtitles (at most the largest document), so that the table is not
  // copied as it grows.
  void Reserve(std::size_t n) { subs_.reserve(std::min(n, kMaxSubtitles)); }
  std::size_t Count() const { return subs_.size(); }
  Subtitle* Last() { return subs_.empty() ? nullptr : &subs_.back(); }
  // Warns about a skipped piece of the file (at most a few times, then once in sum).
  void Skipped(std::string_view what, std::string_view line);
  // The document at the rate; throws InvalidFileFormat(`invalid`) when nothing was read
  // from a file that was not empty.
  SubtitleDocument Finish(const FrameRate& rate, std::string_view invalid, bool emptyFile = false);

 private:
  Warnings& warnings_;
  std::vector<Subtitle> subs_;
  bool full_ = false;
  int skipped_ = 0;
};

// Lines of a text file (any line end), a leading byte-order mark removed.
std::vector<std::string_view> ScriptLines(std::string_view text);
// Splits at a separator character.
std::vector<std::string_view> SplitFields(std::string_view line, char sep);
std::string_view TrimView(std::string_view s);

}  // namespace kipo

namespace kipo {

// The reader of the scripts that put a subtitle's cues on one line and its text on that
// line and the lines after it:
//   [number] IN [separator] OUT [separator text]
//   more text
// Numbers may carry a leading '#'; the separators are spaces, tabs, ',', '-' or "-->".
// A blank line ends a subtitle's text. Lines that are neither cue lines nor text of a
// subtitle are skipped with a warning unless `quiet` says they are the format's own
// (headers, comments).
struct TimedLineLayout {
  ScriptMarks marks;
  bool (*quiet)(std::string_view line) = nullptr;
  // The text of a subtitle starts on the line after its cues (nothing after the out cue).
  bool textBelow = false;
  // Cue lines start with this mark (the text below them may not be taken for cues).
  std::string_view cueMark;
  // Rows start with this mark: it is taken off where a row has it, and a line that starts
  // with it is a row even when it looks like a cue line.
  std::string_view rowPrefix;
  // Spaces around each row are layout, not text.
  bool trimRows = false;
  // What follows the out cue on a cue line (a duration) is not text.
  bool ignoreRest = false;
  // Lines before the first cue line are the file's header and skipped without a word.
  bool headerFirst = false;
};
SubtitleDocument ReadTimedLines(std::string_view text, const FrameRate& rate, const TimedLineLayout& layout,
                                Warnings& warnings, std::string_view invalid);

// The same reading fed one line at a time (a reader that finds the lines itself, such as
// the RTF lists, needs no text of the whole file split again).
class TimedLineReader {
 public:
  TimedLineReader(const FrameRate& rate, const TimedLineLayout& layout, Warnings& warnings)
      : rate_(rate), layout_(layout), cues_(warnings) {}
  void Reserve(std::size_t lines) { cues_.Reserve(lines); }
  // One line without its line end; false once the document is full (stop reading).
  bool Line(std::string_view line);
  SubtitleDocument Finish(std::string_view invalid);

 private:
  bool Flush();
  const FrameRate& rate_;
  const TimedLineLayout& layout_;
  ScriptMarkupReader markup_{layout_.marks};
  CueCollector cues_;
  std::string rows_;   // the open subtitle's text in the script's marks
  Subtitle current_;
  bool open_ = false;  // a subtitle takes text lines
  bool hasCurrent_ = false, hasText_ = false, nonBlank_ = false;
};

// The cues at the front of a cue line; `line` is left at the text after them.
struct CueLine {
  CueDigits in, out;
};
std::optional<CueLine> ReadCueLine(std::string_view& line, const FrameRate& rate);

}  // namespace kipo
