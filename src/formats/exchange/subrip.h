#pragma once
// SubRip (.srt): numbered cues "HH:MM:SS,mmm --> HH:MM:SS,mmm", text lines, blank line.
// The writer returns UTF-8 text with CR LF line ends; the caller encodes it.
#include <string>
#include <string_view>

#include "core/document.h"
#include "formats/exchange/cue_text.h"

namespace kipo {

using Warnings = std::vector<std::string>;

struct SubRipOptions {
  bool tags = false;             // write the position and style tag block before each line
  std::string fontName = "Arial";
  int fontSizeIndex = 6;         // the tag value is 12 + 2 x index
  int bold = 0, border = 1, blur = 1, shadow = 1;
};

// The "\an" position digit for an alignment code and a screen row (rows count up from 0).
int SubRipPositionDigit(int alignment, int row);

// Writes one cue at a time; `header` gives the frame rate and the character set (right-to-left
// marks for Hebrew and Arabic).
class SubRipWriter : public CueListWriter {
 public:
  SubRipWriter(const SubtitleDocument& header, SubRipOptions options);
  void Add(std::string& out, const Subtitle& s, Warnings& warnings) override;

 private:
  SubRipOptions o_;
  FrameRate rate_;
  bool rtl_;
  std::string tags_;  // the tag block of the subtitle being written
  std::size_t n_ = 0;
};
std::string WriteSubRip(const SubtitleDocument& doc, const SubRipOptions& options, Warnings& warnings);

// Reads SubRip text (already decoded) into a new document at `rate`. Throws
// InvalidFileFormat when the text holds no cue at all.
SubtitleDocument ReadSubRip(std::string_view text, const FrameRate& rate, Warnings& warnings);
// The same pass handing each subtitle to a sink.
void ReadSubRipCues(std::string_view text, const FrameRate& rate, SubtitleDocument& header, const SubtitleSink& sink,
                    Warnings& warnings);

}  // namespace kipo
