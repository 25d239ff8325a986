#include "formats/broadcast/long_lines.h"

#include <algorithm>

#include "core/markup.h"
#include "core/rich_text.h"
#include "platform/text_util.h"

namespace kipo {

std::optional<int> AskToWidenEditArea(const SubtitleDocument& doc, int editAreaWidth, Prompter& prompter) {
  static constexpr const char* kQuestion =
      "One or more subtitles in this file are longer than the current edit area width.\n"
      "Do you want to increase the edit area width to accommodate these subtitles?";
  std::size_t longest = 0;
  for (const Subtitle& s : doc.Subtitles()) {
    const std::string_view text = s.text;
    for (std::size_t start = 0;;) {
      const std::size_t end = text.find(kCrLf, start);
      // A row shows at most one character per byte: rows no longer than the longest so
      // far cannot be longer, and are not counted.
      const std::string_view row = text.substr(start, end - start);
      if (row.size() > longest) longest = std::max(longest, VisibleChars(row, MarkerView{}));
      if (end == std::string_view::npos) break;
      start = end + 2;
    }
  }
  if (longest <= static_cast<std::size_t>(std::max(editAreaWidth, 0)) || !prompter.AskYesNo("", kQuestion))
    return std::nullopt;
  prompter.Status("Max Line Width " + std::to_string(longest));
  return static_cast<int>(longest);
}

}  // namespace kipo
