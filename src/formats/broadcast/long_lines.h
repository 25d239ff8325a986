#pragma once
// The question a broadcast file reader asks once the file is read: rows longer than the
// edit area can widen the edit area to the longest of them.
#include <optional>
#include <string_view>

#include "core/document.h"
#include "platform/prompter.h"

namespace kipo {

// When a row of the document (markup not counted) is longer than `editAreaWidth`
// characters, asks whether to widen the edit area; on Yes shows "Max Line Width N" and
// returns the new width N.
std::optional<int> AskToWidenEditArea(const SubtitleDocument& doc, int editAreaWidth, Prompter& prompter);
// The same for readers that see one subtitle at a time: `longest` is carried from one
// text to the next (LongestRow), then asked about once.
std::size_t LongestRow(std::string_view text, std::size_t longest);
std::optional<int> AskToWidenEditArea(std::size_t longest, int editAreaWidth, Prompter& prompter);

}  // namespace kipo
