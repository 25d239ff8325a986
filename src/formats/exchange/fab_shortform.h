#pragma once
// FAB shortform text (.txt): per subtitle a line "number in out", then each row of its text
// on a line of its own that begins with the line-start mark and a space ("C" by default,
// set by "FAB shortform line start"), "<i>" / "</i>" for italics, and a blank line.
#include <string>
#include <string_view>

#include "core/document.h"

namespace kipo {

using Warnings = std::vector<std::string>;

inline constexpr const char* kDefaultFabLineStart = "C";

std::string WriteFabShortform(const SubtitleDocument& doc, std::string_view lineStart, Warnings& warnings);
// Rows read without their line-start mark where they carry it.
SubtitleDocument ReadFabShortform(std::string_view text, const FrameRate& rate, std::string_view lineStart,
                                  Warnings& warnings);

}  // namespace kipo
