#pragma once
// MicroDVD (.sub): one subtitle per line, "{in frames}{out frames}row|row".
#include <string>
#include <string_view>

#include "core/document.h"

namespace kipo {

using Warnings = std::vector<std::string>;

std::string WriteMicroDvd(const SubtitleDocument& doc, Warnings& warnings);
// Throws InvalidFileFormat when no line starts with two braced frame counts. Control
// codes are dropped, except "{y:i}" (its row in italics) and "{Y:i}" (every row).
SubtitleDocument ReadMicroDvd(std::string_view text, const FrameRate& rate, Warnings& warnings);

}  // namespace kipo
