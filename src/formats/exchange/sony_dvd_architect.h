#pragma once
// Sony DVD Architect subtitle scripts (.sub): "in<TAB>out<TAB>text" on one line, further
// rows of the text on the lines below, a blank line after each subtitle. No styles.
#include <string>
#include <string_view>

#include "core/document.h"

namespace kipo {

using Warnings = std::vector<std::string>;

std::string WriteSonyDvdArchitect(const SubtitleDocument& doc, Warnings& warnings);
SubtitleDocument ReadSonyDvdArchitect(std::string_view text, const FrameRate& rate, Warnings& warnings);

}  // namespace kipo
