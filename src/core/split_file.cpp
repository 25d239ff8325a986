#include "core/split_file.h"

#include <algorithm>

#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {

std::vector<SplitPart> SplitParts(std::size_t subtitles, std::vector<long> points) {
  std::sort(points.begin(), points.end());
  points.erase(std::unique(points.begin(), points.end()), points.end());
  if (points.empty()) throw UserError(kAppTitle, kNoSplitPoints);
  if (points.size() > static_cast<std::size_t>(kMaxSplitPoints)) throw UserError(kAppTitle, kTooManySplitPoints);
  for (long p : points)
    if (p <= 1 || p >= static_cast<long>(subtitles))
      throw UserError(kAppTitle, "Subtitle " + std::to_string(p) + " cannot be a split point");
  std::vector<SplitPart> parts;
  std::size_t first = 0;
  for (long p : points) {
    const auto start = static_cast<std::size_t>(p - 1);
    parts.push_back({first, start - first});
    first = start;
  }
  parts.push_back({first, subtitles - first});
  return parts;
}

SubtitleDocument PartDocument(const SubtitleDocument& doc, const SplitPart& part, Timecode offset) {
  SubtitleDocument out = doc;
  const auto& all = doc.Subtitles();
  const std::size_t first = std::min(part.first, all.size());
  const std::size_t last = std::min(first + part.count, all.size());
  std::vector<Subtitle> subs(all.begin() + static_cast<std::ptrdiff_t>(first),
                             all.begin() + static_cast<std::ptrdiff_t>(last));
  if (offset != 0) {
    const FrameRate& rate = doc.frameRate();
    auto move = [&](Cue& c) {
      if (c.IsSet()) c = Cue(FramesToDigits(c.ToFrames(rate) + offset, rate));
    };
    for (Subtitle& s : subs) {
      move(s.inCue);
      move(s.outCue);
    }
  }
  out.ReplaceAll(std::move(subs));
  out.SetCurrentNumber(1);
  out.modified = false;
  return out;
}

Timecode StartTimeOffset(std::string_view firstInCue, std::string_view entered, const FrameRate& rate) {
  return LabelToFrames(entered, rate) - LabelToFrames(firstInCue, rate);
}

std::string SplitRootName(const std::string& chosenPath) {
  if (chosenPath.size() >= 5 && EqualsIgnoreCase(std::string_view(chosenPath).substr(chosenPath.size() - 5), ".kpox"))
    return chosenPath.substr(0, chosenPath.size() - 5);
  return chosenPath;
}

std::string PartFileName(const std::string& root, int n) { return root + "_" + std::to_string(n) + ".kpox"; }

std::string LanguageFileName(const std::string& root, int language) {
  return root + "_Lang" + std::to_string(language) + ".kpox";
}

std::string KeepLanguage(const std::string& text, int keep) {
  const std::vector<std::string> rows = SplitRows(text);
  if (keep == 1) return rows.front();
  return rows.size() >= 2 ? rows[1] : text;
}

std::string LanguageFileText(const std::string& text, int language) {
  const std::vector<std::string> rows = SplitRows(text);
  if (language == 1) return rows.size() >= 2 ? rows[1] : std::string();
  return rows.front();
}

SubtitleDocument LanguageDocument(const SubtitleDocument& doc, int language) {
  SubtitleDocument out = doc;
  std::vector<Subtitle> subs = doc.Subtitles();
  for (Subtitle& s : subs) s.text = LanguageFileText(s.text, language);
  out.ReplaceAll(std::move(subs));
  out.modified = false;
  return out;
}

}  // namespace kipo
