#pragma once
// MicroDVD (.sub): one subtitle per line, "{in frames}{out frames}row|row".
#include <string>
#include <string_view>

#include "core/document.h"
#include "formats/exchange/cue_text.h"

namespace kipo {

using Warnings = std::vector<std::string>;

class MicroDvdWriter : public CueListWriter {
 public:
  explicit MicroDvdWriter(const SubtitleDocument& header) : rate_(header.frameRate()) {}
  void Add(std::string& out, const Subtitle& s, Warnings& warnings) override;
  void Finish(std::string& out, Warnings& warnings) override;

 private:
  FrameRate rate_;
  bool dropped_ = false;
};
std::string WriteMicroDvd(const SubtitleDocument& doc, Warnings& warnings);
// Throws InvalidFileFormat when no line starts with two braced frame counts. Control
// codes are dropped, except "{y:i}" (its row in italics) and "{Y:i}" (every row).
SubtitleDocument ReadMicroDvd(std::string_view text, const FrameRate& rate, Warnings& warnings);
// The same pass; a first line naming the file's frame rate sets the header's.
void ReadMicroDvdCues(std::string_view text, const FrameRate& rate, SubtitleDocument& header, const SubtitleSink& sink,
                      Warnings& warnings);

}  // namespace kipo
