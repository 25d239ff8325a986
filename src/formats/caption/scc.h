#pragma once
// Scenarist SCC: a text file of timed lines of line-21 code words ("9420 9476 97a2 ...").
//
// Writing: each subtitle becomes one caption line, pop-on (loaded off screen from a start
// S before the in cue so that the flip lands on it) or roll-up (sent at the in cue), and an
// erase line at its out cue when the next caption leaves room. A start that would not come
// after the previous caption is moved and logged.
//
// Reading: the words are played through the line-21 decoder model one per frame; a
// subtitle is what the model shows, from the frame it appears to the frame it is erased or
// replaced.
#include <span>
#include <string>
#include <vector>

#include "core/document.h"
#include "platform/binary_io.h"

namespace kipo {

struct SccOptions {
  int captionType = 0;             // 0 pop-on, 1-3 roll-up 2, 3 or 4 rows
  bool doubleControlCodes = false;
  int ignoreBuildup = 0;           // non-zero: no load time
  bool noTwoFrameWait = false;
};

struct SccWriteResult {
  std::string text;               // CR LF line ends
  std::vector<std::string> log;   // "Subtitle 0002: in cue was offset by 3 frames"
  int moved = 0;
  std::vector<std::string> warnings;
};
SccWriteResult WriteScc(const SubtitleDocument& doc, const SccOptions& o);

// The load time of a caption of `words` code words under the options.
int SccLoadTime(std::size_t words, const SccOptions& o);

struct SccReadResult {
  SubtitleDocument doc;
  std::vector<std::string> warnings;
};
// `rateCode`: the frame rate for files without drop-frame labels (0: 29.97 counted as 30);
// labels with ';' are 29.97 drop-frame. Throws InvalidFileFormat("This is not a valid
// Scenarist CC file.") when the first line is not the SCC header.
SccReadResult ReadScc(std::span<const std::uint8_t> bytes, int rateCode);

// The timed lines of an SCC file in two flat tables: each line's label (a view into the
// text read) and its run of code words in one vector for the whole file.
struct CaptionLines {
  struct Line {
    std::string_view label;
    std::uint32_t first = 0, count = 0;  // its words: words[first, first + count)
  };
  std::vector<Line> lines;
  std::vector<std::uint16_t> words;
  int badTokens = 0;  // tokens that are not four hexadecimal digits (skipped)
  std::span<const std::uint16_t> WordsOf(const Line& l) const;
};
// The lines after the header; throws like ReadScc on a file without one. The labels are
// views into `text`.
CaptionLines ParseSccLines(std::string_view text);
// Plays timed lines of code words (parity included) through the decoder model, one word
// per frame from each line's label, into the subtitles the model shows. Lines whose label
// is not a valid cue at the rate are skipped and counted in the warnings.
SccReadResult DecodeCaptionLines(const CaptionLines& lines, const FrameRate& rate);

}  // namespace kipo
