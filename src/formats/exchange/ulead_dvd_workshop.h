#pragma once
// Ulead DVD Workshop subtitle text (.txt): a "#Ulead subtitle format" header, then per
// subtitle a line "#number in out" (cues with ';' between the fields) and the rows of its
// text below, a blank line after each; "#Subtitle text end" closes the file. No styles.
#include <string>
#include <string_view>

#include "core/document.h"

namespace kipo {

using Warnings = std::vector<std::string>;

std::string WriteUleadDvdWorkshop(const SubtitleDocument& doc, Warnings& warnings);
SubtitleDocument ReadUleadDvdWorkshop(std::string_view text, const FrameRate& rate, Warnings& warnings);

}  // namespace kipo
