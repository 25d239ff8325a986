#pragma once
// The two byte-coded caption files of the export catalogue: Ultech (.ult, binary records)
// and Caption Inc (.cin, one text line per caption event). Both send the same code words
// as SCC for a subtitle's rows and characters; docs/captions.md gives their layouts.
#include <string>
#include <vector>

#include "core/cea608.h"
#include "core/document.h"
#include "platform/binary_io.h"

namespace kipo {

// A caption event: the code words that go out from one frame on.
struct CaptionEvent {
  FrameCount frame = 0;
  std::vector<cea608::Word> words;
};

// Control codes moved to data channel 2 (the first byte of a control code + 8).
cea608::Word OnChannel(cea608::Word w, int channel);

struct UltechOptions {
  int captionType = 0;      // "Caption type": 0 pop-on, 1 roll-up, 2 paint-on
  int dataChannel = 1;      // "Data channel": 1 or 2
  int cueOffset = 0;        // "Cue offset" (frames added to every cue)
  bool compensate = false;  // "Compensate for TX delay": send a caption early by its length
  bool eraseDisplayed = false;  // "Erase displayed memory": out cues erase instead of flipping in nothing
  bool noOutCue = false;    // "Do not add out cue caption"
  int delayTolerance = 0;   // "EIA 608" / "Delay tolerance": frames a caption may come late unreported
};
std::vector<CaptionEvent> UltechEvents(const SubtitleDocument& doc, const UltechOptions& o,
                                       std::vector<std::string>& warnings);
Bytes WriteUltech(const SubtitleDocument& doc, const UltechOptions& o, std::vector<std::string>& warnings);
// The records of an Ultech file we wrote (for tests and checks); empty when it is not one.
std::vector<CaptionEvent> ReadUltechRecords(std::span<const std::uint8_t> bytes);

struct CaptionIncOptions {
  int captionType = 0;    // "Caption type": 0 pop-on, 1-3 roll-up 2, 3 or 4 rows
  int dataChannel = 1;    // "Data channel": 1 or 2
  int precompensate = 0;  // "Precompensate": frames every event is sent early
  std::string headerInfo; // "Header info"
};
std::vector<CaptionEvent> CaptionIncEvents(const SubtitleDocument& doc, const CaptionIncOptions& o,
                                           std::vector<std::string>& warnings);
Bytes WriteCaptionInc(const SubtitleDocument& doc, const CaptionIncOptions& o, std::vector<std::string>& warnings);

// Reads a Caption Inc file: the header line's video standard (or drop-frame labels) gives
// the rate, each further line is a cue, the 0xFE mark and channel ("000", "002") and the
// caption's bytes without parity, played through the decoder model as SCC lines are.
// `rateCode` is the rate when the file names none (0: 29.97 counted as 30). Throws
// InvalidFileFormat("This is not a valid Caption Inc file.") when no line is a caption line.
struct CaptionIncReadResult {
  SubtitleDocument doc;
  std::vector<std::string> warnings;
};
CaptionIncReadResult ReadCaptionInc(std::span<const std::uint8_t> bytes, int rateCode);

}  // namespace kipo
