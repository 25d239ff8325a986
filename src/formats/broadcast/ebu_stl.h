#pragma once
// EBU subtitle files (".stl"): a 1024-byte General Subtitle Information block followed by
// 128-byte Text and Timing Information blocks. The header fields a document carries are
// kept as its properties "STL.<field>" (see kStlHeaderFields) and written back.
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/document.h"
#include "formats/broadcast/stl_text.h"
#include "platform/binary_io.h"
#include "platform/prompter.h"

namespace kipo {

// Header fields kept with the document, as property keys "STL.OPT", ...
inline constexpr const char* kStlHeaderFields[] = {"OPT", "OET", "TPT", "TET", "TN", "TCD", "SLR", "RN",
                                                   "LC",  "CO",  "PUB", "EN",  "ECD", "TCP", "UDA"};

struct StlWriteOptions {
  bool saveComments = false;    // off: no comment blocks
  std::string displayStandard = "0";  // DSC: "0" open, "1" level-1, "2" level-2 teletext
  bool doubleHeight = false;    // teletext double-height layout
  bool doubleHeightCr = false;  // with double height, two 0x8A per line break
  bool blockMarkers = false;    // start-box / end-box pairs around each row
  bool force23 = false;         // teletext rows (MNR "23") without double height
  bool force23ZeroBased = false;
  bool screenEbu = true;        // the variant for Screen-style teletext inserters
  bool literalItalics = false;  // "<" and ">" written as they stand
  bool dashesAsHyphens = false;
  bool subtitleZero = false;    // SN counts from 0
  bool colours = true;
  int maxCharsPerRow = 37;      // MNC
  std::string today;            // CD and RD, "yymmdd"; empty: the current date
};

struct StlReadOptions {
  bool screenEbu = true;
  bool doubleHeight = false;
  bool colours = true;
  int editAreaWidth = 37;  // characters; longer rows lead to the long-line question
};

struct StlReadResult {
  SubtitleDocument doc;
  std::vector<std::string> warnings;
  // Set when the user agreed to widen the edit area to the longest row (characters).
  std::optional<int> newEditAreaWidth;
};

// The vertical position byte for a subtitle of `lines` text lines on screen row `row`.
int StlVerticalPosition(int lines, int row, const StlWriteOptions& o);
// The screen row of a subtitle read from a file: `teletext` selects teletext rows.
int StlRowFromVerticalPosition(int vp, int lines, bool teletext);

// Writes the blocks of one subtitle at a time. The header block holds totals (blocks,
// subtitles, the first in cue), so it is made last, for the file's first 1024 bytes.
class StlWriter {
 public:
  StlWriter(const SubtitleDocument& header, StlWriteOptions options);
  // Appends the subtitle's comment and text blocks.
  void Add(const Subtitle& s, ByteWriter& out, std::vector<std::string>& warnings);
  // The header block for what was added. The frame-rate message goes through the prompter.
  Bytes Header(Prompter& prompter, std::vector<std::string>& warnings);

 private:
  const SubtitleDocument& header_;  // the document's own fields, read by Header
  StlWriteOptions o_;
  StlTable table_;
  std::size_t count_ = 0, blocks_ = 0, commentsLeftOut_ = 0;
  std::string firstIn_ = "00000000";
};

// Writes the file's bytes. The frame-rate message goes through the prompter; everything
// the file cannot carry is added to `warnings`.
Bytes WriteStl(const SubtitleDocument& doc, const StlWriteOptions& o, Prompter& prompter,
               std::vector<std::string>& warnings);

// Asks the signature question when the bytes do not start like an EBU file; false when
// the user declines.
bool ConfirmStlSignature(std::span<const std::uint8_t> bytes, Prompter& prompter);

// Reads a whole file into a new document (after the signature check). Throws UserError
// ("Invalid file format") for files too short to hold a header, Cancelled when the user
// declines the signature question.
StlReadResult ReadStl(std::span<const std::uint8_t> bytes, const StlReadOptions& o, Prompter& prompter);
// The same pass handing each subtitle to a sink; `header` gets the header block's fields
// first. Returns the edit area width the long-row question set.
std::optional<int> ReadStlCues(std::span<const std::uint8_t> bytes, const StlReadOptions& o, Prompter& prompter,
                               SubtitleDocument& header, const SubtitleSink& sink,
                               std::vector<std::string>& warnings);

// Reads the header only into `doc`: frame rate, header fields, character set and
// language. Throws UserError for a file too short to hold a header.
void ReadStlHeader(std::span<const std::uint8_t> bytes, SubtitleDocument& doc);

}  // namespace kipo
