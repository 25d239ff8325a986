#include "core/editing.h"

#include <unicode/utf8.h>

#include <cmath>

#include "platform/encoding.h"
#include "platform/text_util.h"

namespace kipo {

Subtitle NewSubtitle(int alignment, bool italic) {
  Subtitle s;
  s.alignment = alignment;
  s.italic = italic;
  return s;
}

std::string DeleteEllipses(std::string text) {
  text = ReplaceAll(std::move(text), "...", " ");
  return ReplaceAll(std::move(text), "..", " ");
}

Subtitle MergeSubtitles(const Subtitle& a, const Subtitle& b, bool deleteEllipses) {
  Subtitle m = a;
  // An empty text on either side adds no row (an empty next subtitle left a blank row).
  m.text = a.text.empty() ? b.text : b.text.empty() ? a.text : a.text + std::string(kCrLf) + b.text;
  if (deleteEllipses) m.text = DeleteEllipses(std::move(m.text));
  if (!b.comment.empty()) m.comment = a.comment + "//" + b.comment;
  if (b.outCue.IsSet()) m.outCue = b.outCue;
  if (m.row > 0) {
    // The rows of a's text as it stood before the merge: CR characters plus one.
    auto rows = static_cast<std::int32_t>(CountChar(a.text, '\r') + 1);
    m.row = std::max<std::int32_t>(0, m.row - rows);
  }
  return m;
}

std::size_t CodePointOffset(std::string_view text, std::size_t cursor) {
  std::int32_t i = 0;
  const auto len = static_cast<std::int32_t>(text.size());
  const auto* s = reinterpret_cast<const std::uint8_t*>(text.data());
  std::size_t n = std::min<std::size_t>(cursor, text.size());
  U8_FWD_N(s, i, len, static_cast<std::int32_t>(n));
  return static_cast<std::size_t>(i);
}

namespace {

std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

}  // namespace

SplitParts SplitTextAt(std::string_view text, std::size_t cursor) {
  std::size_t at = CodePointOffset(text, cursor);
  if (at > 0 && at < text.size() && text[at - 1] == '\r' && text[at] == '\n') ++at;
  std::string_view first = TrimSpaces(text.substr(0, at));
  std::string_view second = TrimSpaces(text.substr(at));
  if (EndsWith(first, kCrLf)) first = TrimSpaces(first.substr(0, first.size() - 2));
  if (StartsWith(second, kCrLf)) second = TrimSpaces(second.substr(2));
  return {std::string(first), std::string(second)};
}

Timecode SplitReadingFrames(std::string_view text, int readingSpeed, double framesPerSecond, bool includeSpaces,
                            const BoldMarkers& bold) {
  if (readingSpeed <= 0) return 0;
  std::string t(text);
  if (!bold.start.empty()) t = ReplaceAll(std::move(t), bold.start, "");
  if (!bold.end.empty()) t = ReplaceAll(std::move(t), bold.end, "");
  std::string kept;
  kept.reserve(t.size());
  for (char c : t) {
    if (c == '\r' || c == '\n' || c == kItalicOn || c == kItalicOff || c == kUnderlineOn || c == kUnderlineOff)
      continue;
    if (c == ' ' && !includeSpaces) continue;
    kept += c;
  }
  double n = static_cast<double>(CountCodePoints(kept));
  return static_cast<Timecode>(std::floor(n / readingSpeed * framesPerSecond));
}

}  // namespace kipo
