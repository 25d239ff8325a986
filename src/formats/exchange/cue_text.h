#pragma once
// Cue text shared by the millisecond-based cue-list formats (SubRip, WebVTT, SBV) and the
// helpers their readers share. Cues stay labels: only the frames pair is turned into
// milliseconds (FramesToMillis) and back (MillisToFrames), so a cue written and read again
// at the same rate is the same label.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/document.h"
#include "core/markup.h"
#include "core/timecode.h"

namespace kipo {

using Warnings = std::vector<std::string>;

// One pass of a cue-list reader over decoded text: the document's own fields (the frame
// rate, and what the file names of itself) go into `header` before the first subtitle
// reaches `sink`, and each subtitle is handed over once it is complete. Throws
// InvalidFileFormat as the document reader does.
using CuePass = void (*)(std::string_view text, const FrameRate& rate, SubtitleDocument& header,
                         const SubtitleSink& sink, Warnings& warnings);
// The document reader over a pass: every subtitle collected, with room for `expected`.
SubtitleDocument CollectCues(CuePass pass, std::string_view text, const FrameRate& rate, Warnings& warnings,
                             std::size_t expected = 0);

// A cue-list file written one subtitle at a time as UTF-8 text with CR LF line ends. The
// document writer loops over it into one buffer; a streamed conversion empties the
// buffer into the file whenever it has grown.
class CueListWriter {
 public:
  virtual ~CueListWriter() = default;
  virtual void Add(std::string& out, const Subtitle& s, Warnings& warnings) = 0;
  // After the last subtitle: what the file ends with, and warnings about the whole.
  virtual void Finish(std::string& out, Warnings& warnings) {}
};
// Every subtitle of the document through a writer, into a buffer with `room` reserved.
std::string WriteCueList(CueListWriter& writer, const SubtitleDocument& doc, std::size_t room, Warnings& warnings);

// "HH:MM:SS" + sep + "mmm" for stored digits; hoursDigits 1 drops the first hour digit
// (SBV). Empty digits give "".
std::string MillisCueText(std::string_view digits, char sep, const FrameRate& rate, int hoursDigits = 2);
// The same appended to `out`.
void AppendMillisCueText(std::string& out, std::string_view digits, char sep, const FrameRate& rate,
                         int hoursDigits = 2);

// Room for a cue-list file of the document: its texts twice over (tags are longer than
// markers) and `perCue` bytes for each cue's number, timing and settings. Reserving more
// than is written costs nothing, since pages never written are never touched, where
// growing the buffer copies it and holds both copies for a moment.
std::size_t CueListRoom(const SubtitleDocument& doc, std::size_t perCue);

// A clock time as cue-list files write it, read leniently: one or more hour digits (or
// none: "MM:SS.mmm"), ":" between fields, "," or "." (or ":") before one to three
// millisecond digits ("5" is 500 ms). Leading spaces are skipped. On success `s` is left
// after the time. Hours above 99 are refused.
struct ClockTime {
  int hours = 0, minutes = 0, seconds = 0, millis = 0;
};
std::optional<ClockTime> ReadClockTime(std::string_view& s);
CueDigits ClockToDigits(const ClockTime& t, const FrameRate& rate);

// "in --> out" with anything after the out time (coordinates, cue settings) ignored.
struct TimingLine {
  CueDigits in, out;  // out may be empty ("00:00:01,000 -->")
};
std::optional<TimingLine> ReadArrowTimingLine(std::string_view line, const FrameRate& rate);

// Splits at any line end (CR LF, LF, lone CR).
std::vector<std::string_view> SplitAnyLines(std::string_view text);
// The same lines one at a time, for readers that need no table of them.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : p_(text.data()), end_(text.data() + text.size()) {}
  // The next line without its end; false after the last one (text that ends with a line
  // end has an empty last line, as SplitAnyLines gives).
  bool Next(std::string_view& line);

 private:
  const char* p_;
  const char* end_;
  const char* cr_ = nullptr;  // the next CR at or after p_ (end_: none; null: not looked for)
  bool done_ = false;
};
bool IsBlank(std::string_view line);
// A line that is only a whole number (a cue number), spaces around allowed.
bool IsCueNumber(std::string_view line);
// Removes a leading U+FEFF left in decoded text.
std::string_view StripBomChar(std::string_view text);

// Cue text as the cue-list formats write it (HTML-like tags and entities) to document
// text. "<i>" / "</i>" become the italics markers and "<u>" / "</u>" the underline
// markers (any case, spaces allowed after "</" and before ">"); "<br>" and "<br/>" end
// the row; "<font color=...>" with one of the seven teletext colours becomes a colour
// code, and text after its "</font>" is white again. Other tags ("<b>", "<script>",
// "<c.yellow>", "<v Bob>", karaoke times "<00:00:20.080>") are dropped and their text
// kept. Entities are decoded (named "&lt; &gt; &amp; &quot; &apos; &nbsp; &lrm; &rlm;" and
// numeric ones). A "<" that opens no tag ("a < b") is a character; characters that are
// markup in the document are held as their stand-ins.
class TagReader {
 public:
  // Appends one line of a cue (without its line end).
  void AppendLine(std::string& out, std::string_view line);
  // Forgets the colour state: call at the start of each cue.
  void NewCue() { colourOpen_ = whiteAfter_ = false; }

 private:
  bool colourOpen_ = false;  // a colour from a font tag is in effect
  bool whiteAfter_ = false;  // its font tag closed: the next character is white again
};
// One line on its own.
std::string TagsToMarkup(std::string_view line);

// Length of the tag at the front of s ("<i>", "</ i>", "<br/>", "<font color=red>",
// "<00:00:20.080>"), 0 when s does not start with one.
std::size_t TagLength(std::string_view s);

// Document text rows to cue-list tags, the inverse of TagReader.
struct TagWriting {
  bool escapeAll = false;  // "&", "<" and ">" always as entities (WebVTT)
  bool colours = false;    // colour codes as "<font color=...>"
  bool rtlMarks = false;   // a right-to-left mark after . ? ! , :
};
inline constexpr const char* kColoursNotWritten = "Colours cannot be written in this format and were left out";
class TagWriter {
 public:
  explicit TagWriter(TagWriting how) : how_(how) {}
  // Appends one row (no CR LF inside). Italics and underline tags are written where the
  // markers stand; a colour carries on to the next rows, each row opening its own tag.
  void AppendRow(std::string& out, std::string_view row);
  // A colour switch was left out (the format was asked not to write colours).
  bool droppedColour() const { return droppedColour_; }

 private:
  TagWriting how_;
  Colour colour_ = Colour::Default;
  bool droppedColour_ = false;
};

}  // namespace kipo
