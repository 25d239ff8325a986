#include "formats/exchange/vegas_regions.h"

#include "formats/exchange/cue_text.h"
#include "formats/exchange/excel_csv.h"
#include "formats/exchange/script_text.h"

namespace kipo {
namespace {

// Frames from a timecode or a clock time; nullopt when the field is neither.
std::optional<long> Frames(std::string_view field, const FrameRate& rate) {
  if (auto d = FrameLabelField(field, rate)) return static_cast<long>(LabelToFrames(*d, rate));
  std::string_view p = TrimView(field);
  auto t = ReadClockTime(p);
  if (!t || !TrimView(p).empty()) return std::nullopt;
  return static_cast<long>(LabelToFrames(ClockToDigits(*t, rate), rate));
}

}  // namespace

SubtitleDocument ReadVegasRegions(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  CueCollector cues(warnings);
  const char sep = GuessSeparator(text.starts_with("\xEF\xBB\xBF") ? text.substr(3) : text);
  const auto records = ReadDelimited(text, sep);
  bool first = true;
  for (const auto& f : records) {
    const bool heading = first;
    first = false;
    std::optional<long> at, length;
    if (f.size() >= 4) {
      at = Frames(f[1], rate);
      length = Frames(f[2], rate);
    }
    if (!at || !length) {
      if (!heading) cues.Skipped("A line that is not a region was skipped", f.empty() ? "" : f[0]);
      continue;
    }
    std::string body = f[3];
    for (std::size_t i = 4; i < f.size(); ++i) body += std::string(1, sep) + f[i];
    Subtitle s;
    s.inCue = ShiftDigits("00000000", *at, rate);
    s.outCue = ShiftDigits("00000000", *at + *length, rate);
    s.text = ScriptTextToMarkup(TrimView(body), {});
    if (!cues.Add(std::move(s))) break;
  }
  return cues.Finish(rate, "This is not a valid Vegas region list", records.empty());
}

}  // namespace kipo
