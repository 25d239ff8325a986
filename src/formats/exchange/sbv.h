#pragma once
// YouTube SBV (.sbv): "H:MM:SS.mmm,H:MM:SS.mmm", the text as stored, blank line. The
// hours field has one digit: the format is meant for programmes below ten hours.
#include <string>
#include <string_view>

#include "core/document.h"
#include "formats/exchange/cue_text.h"

namespace kipo {

using Warnings = std::vector<std::string>;

class SbvWriter : public CueListWriter {
 public:
  explicit SbvWriter(const SubtitleDocument& header) : rate_(header.frameRate()) {}
  void Add(std::string& out, const Subtitle& s, Warnings& warnings) override;
  void Finish(std::string& out, Warnings& warnings) override;

 private:
  FrameRate rate_;
  std::size_t n_ = 0;
  bool tenHours_ = false;
};
std::string WriteSbv(const SubtitleDocument& doc, Warnings& warnings);
// Throws InvalidFileFormat when no block starts with a timing line.
SubtitleDocument ReadSbv(std::string_view text, const FrameRate& rate, Warnings& warnings);
void ReadSbvCues(std::string_view text, const FrameRate& rate, SubtitleDocument& header, const SubtitleSink& sink,
                 Warnings& warnings);

}  // namespace kipo
