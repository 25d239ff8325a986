#pragma once
// TMPGEnc subtitle files (.subtitle, .txt): sections in brackets; the [ItemData] section
// holds one subtitle per line,
//   number,visible,"HH:MM:SS,mmm","HH:MM:SS,mmm",layout,"text"
// with "\n" between the rows of the text. The other sections (layouts, fonts) are skipped.
#include <string_view>

#include "core/document.h"

namespace kipo {

using Warnings = std::vector<std::string>;

SubtitleDocument ReadTmpgEnc(std::string_view text, const FrameRate& rate, Warnings& warnings);

}  // namespace kipo
