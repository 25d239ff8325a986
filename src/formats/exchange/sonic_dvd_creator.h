#pragma once
// Sonic DVD Creator subtitle scripts (.sub): a header naming the columns, then per subtitle
// "number<TAB>in<TAB>out<TAB>text" with the four-digit subtitle number; further rows on the
// lines below, a blank line after each subtitle. No styles.
#include <string>
#include <string_view>

#include "core/document.h"

namespace kipo {

using Warnings = std::vector<std::string>;

std::string WriteSonicDvdCreator(const SubtitleDocument& doc, Warnings& warnings);
SubtitleDocument ReadSonicDvdCreator(std::string_view text, const FrameRate& rate, Warnings& warnings);

}  // namespace kipo
