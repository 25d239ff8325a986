#pragma once
// MicroDVD (.sub): one subtitle per line, "{in frames}{out frames}row|row".
#include <string>
#include <string_view>

#include "core/document.h"

namespace kipo {

using Warnings = std::vector<std::string>;

std::string WriteMicroDvd(const SubtitleDocument& doc, Warnings& warnings);
// Throws InvalidFileFormat when no line starts with two braced frame counts. Control
// codes such as "{y:i}" are dropped ("{y:i}"/"{Y:i}" make the rows italic).
SubtitleDocument ReadMicroDvd(std::string_view text, const FrameRate& rate, Warnings& warnings);

}  // namespace kipo
