#pragma once
// Preformatted text: a fixed family of plain-text layouts, one chosen at a time ("Text file
// format", 0-5), italics as "[I]" ... "[/I]" in every layout:
//   0  "[0001]", the in cue and the out cue on lines of their own, then the rows
//   1  "@SHOW in out", then the rows
//   2  "0001 in out", then the rows                          (read only)
//   3  "01005216/01005608" (the cues as eight digits), then the rows
//   4  "in<TAB>out<TAB>text" with the rows joined by "<P>"     (read only)
//   5  "in<TAB>out<TAB>text" with the rows joined by "//"
// Each block ends with a blank line (the one-line layouts need none).
#include <string>
#include <string_view>
#include <vector>

#include "core/document.h"

namespace kipo {

using Warnings = std::vector<std::string>;

inline constexpr int kPreformattedLayoutCount = 6;
// A sample of each layout, for the layout choice.
const std::vector<std::string>& PreformattedLayoutSamples();
// Layouts 2 and 4 are read only.
bool PreformattedLayoutWritable(int layout);
// The message for a layout that is read only.
inline constexpr const char* kPreformattedNotWritable = "Custom formats 3 and 5 cannot be exported.";

// Throws UserError(kPreformattedNotWritable) for the read-only layouts.
std::string WritePreformattedText(const SubtitleDocument& doc, int layout, Warnings& warnings);
// Reads every layout of the family, block by block.
SubtitleDocument ReadPreformattedText(std::string_view text, const FrameRate& rate, Warnings& warnings);

}  // namespace kipo
