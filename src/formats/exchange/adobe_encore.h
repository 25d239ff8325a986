#pragma once
// Adobe Encore subtitle scripts (.txt): "number in out text" on one line, further rows of
// the text on the lines below. Cues use ';' between the fields at drop-frame rates, ':'
// otherwise. The script has no styles.
#include <string>
#include <string_view>

#include "core/document.h"

namespace kipo {

using Warnings = std::vector<std::string>;

std::string WriteAdobeEncore(const SubtitleDocument& doc, Warnings& warnings);
SubtitleDocument ReadAdobeEncore(std::string_view text, const FrameRate& rate, Warnings& warnings);

}  // namespace kipo
