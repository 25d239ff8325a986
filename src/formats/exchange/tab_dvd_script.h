#pragma once
// Tab-separated DVD scripts (.txt): one subtitle per line, "in<TAB>out<TAB>text" with an
// optional subtitle number first; '|' separates the rows of the text, and "<i>" / "</i>"
// mark italics where the authoring tool carries them. Spreadsheets and DVD authoring tools
// write such files; lines that carry no cues (headings, notes) are skipped.
#include <string_view>

#include "core/document.h"

namespace kipo {

using Warnings = std::vector<std::string>;

SubtitleDocument ReadTabDvdScript(std::string_view text, const FrameRate& rate, Warnings& warnings,
                                  std::string_view invalid = "This is not a valid tab-separated DVD script");

}  // namespace kipo
