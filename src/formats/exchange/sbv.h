#pragma once
// YouTube SBV (.sbv): "H:MM:SS.mmm,H:MM:SS.mmm", the text as stored, blank line. The
// hours field has one digit: the format is meant for programmes below ten hours.
#include <string>
#include <string_view>

#include "core/document.h"

namespace kipo {

using Warnings = std::vector<std::string>;

std::string WriteSbv(const SubtitleDocument& doc, Warnings& warnings);
// Throws InvalidFileFormat when no block starts with a timing line.
SubtitleDocument ReadSbv(std::string_view text, const FrameRate& rate, Warnings& warnings);

}  // namespace kipo
