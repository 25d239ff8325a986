#pragma once
// Swift subtitle text (.txt): a header of "TITLE:" and "FRAME RATE:" lines, then per
// subtitle the lines "SUBTITLE: n", "TIMEIN: in", "DURATION: SS:FF", "TIMEOUT: out", the
// rows of its text with "<i>" / "</i>" for italics, and a blank line.
#include <string>
#include <string_view>

#include "core/document.h"

namespace kipo {

using Warnings = std::vector<std::string>;

std::string WriteSwiftText(const SubtitleDocument& doc, Warnings& warnings);
SubtitleDocument ReadSwiftText(std::string_view text, const FrameRate& rate, Warnings& warnings);

}  // namespace kipo
