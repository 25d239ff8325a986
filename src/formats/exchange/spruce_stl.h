#pragma once
// Spruce subtitle scripts (.stl), as DVD authoring tools import them: "$Name = value"
// header lines (font, alignment, contrasts; kept in the header file spruce.dat), "//"
// comment lines, and per subtitle "in , out , text" on one line with '|' between rows,
// "^I" switching italics and "^U" underline on and off. "$Italic = TRUE" makes the
// subtitles after it italic until "$Italic = FALSE".
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/document.h"

namespace kipo {

using Warnings = std::vector<std::string>;

// The header written when spruce.dat holds none.
const std::string& DefaultSpruceHeader();
// The header file's name in the data folder.
inline constexpr const char* kSpruceHeaderFile = "spruce.dat";

// `header`: the header lines (any line ends), written before the subtitles.
std::string WriteSpruceStl(const SubtitleDocument& doc, std::string_view header, Warnings& warnings);
SubtitleDocument ReadSpruceStl(std::string_view text, const FrameRate& rate, Warnings& warnings);
// Whether the bytes of a ".stl" file are a Spruce script (text starting with a "$" or "//"
// line or a cue line) rather than EBU STL, whose files start with a code page number and
// "STL".
bool LooksLikeSpruceStl(std::span<const std::uint8_t> bytes);

}  // namespace kipo
