#include "formats/broadcast/long_lines.h"

#include <algorithm>

#include "core/markup.h"
#include "core/rich_text.h"
#include "platform/text_util.h"

namespace kipo {

namespace {

// Visible characters of a row, as VisibleChars counts them. Without a "/" (which group
// markers start with) that is its characters but the markup ones, counted in one pass.
std::size_t RowLength(std::string_view row) {
  if (row.find('/') != std::string_view::npos) return VisibleChars(row, MarkerView{});
  std::size_t n = 0;
  for (char c : row) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 && !IsMarkupChar(c);
  return n;
}

}  // namespace

std::size_t LongestRow(std::string_view text, std::size_t longest) {
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find(kCrLf, start);
    // A row shows at most one character per byte: rows no longer than the longest so
    // far cannot be longer, and are not counted.
    const std::string_view row = text.substr(start, end - start);
    if (row.size() > longest) longest = std::max(longest, RowLength(row));
    if (end == std::string_view::npos) break;
    start = end + 2;
  }
  return longest;
}

std::optional<int> AskToWidenEditArea(std::size_t longest, int editAreaWidth, Prompter& prompter) {
  static constexpr const char* kQuestion =
      "One or more subtitles in this file are longer than the current edit area width.\n"
      "Do you want to increase the edit area width to accommodate these subtitles?";
  if (longest <= static_cast<std::size_t>(std::max(editAreaWidth, 0)) || !prompter.AskYesNo("", kQuestion))
    return std::nullopt;
  prompter.Status("Max Line Width " + std::to_string(longest));
  return static_cast<int>(longest);
}

std::optional<int> AskToWidenEditArea(const SubtitleDocument& doc, int editAreaWidth, Prompter& prompter) {
  std::size_t longest = 0;
  for (const Subtitle& s : doc.Subtitles()) longest = LongestRow(s.text, longest);
  return AskToWidenEditArea(longest, editAreaWidth, prompter);
}

}  // namespace kipo
