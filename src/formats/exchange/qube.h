#pragma once
// QUBE subtitle text (.txt): per subtitle a line "number  in  out" (four-digit number, two
// spaces between the fields), the rows of its text below with "<i>" / "</i>" for italics,
// and a blank line.
#include <string>
#include <string_view>

#include "core/document.h"

namespace kipo {

using Warnings = std::vector<std::string>;

std::string WriteQube(const SubtitleDocument& doc, Warnings& warnings);
SubtitleDocument ReadQube(std::string_view text, const FrameRate& rate, Warnings& warnings);

}  // namespace kipo
