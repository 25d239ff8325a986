#pragma once
// Softni subtitle text (.txt): the first section's heading line and a first timing line of
// zeros open the file; each subtitle is the rows of its text followed by a line "in\out" with the cues written
// "HH:MM:SS.FF"; "*END*" closes the file. Rows starting with '[' are italic to Softni.
#include <string_view>

#include "core/document.h"

namespace kipo {

using Warnings = std::vector<std::string>;

SubtitleDocument ReadSoftni(std::string_view text, const FrameRate& rate, Warnings& warnings);

}  // namespace kipo
