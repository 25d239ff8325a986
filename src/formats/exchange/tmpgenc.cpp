#include "formats/exchange/tmpgenc.h"

#include "formats/exchange/cue_text.h"
#include "formats/exchange/excel_csv.h"
#include "formats/exchange/script_text.h"

namespace kipo {
namespace {

std::optional<CueDigits> Time(std::string_view field, const FrameRate& rate) {
  std::string_view p = TrimView(field);
  auto t = ReadClockTime(p);
  if (!t || !TrimView(p).empty()) return std::nullopt;
  return ClockToDigits(*t, rate);
}

}  // namespace

SubtitleDocument ReadTmpgEnc(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  const ScriptMarkupReader markup({});
  CueCollector cues(warnings);
  bool items = false, sawSection = false;
  for (std::string_view line : ScriptLines(text)) {
    std::string_view t = TrimView(line);
    if (t.empty()) continue;
    if (t.front() == '[') {
      sawSection = true;
      items = t.starts_with("[ItemData]") || t.starts_with("[itemdata]");
      continue;
    }
    if (!items && sawSection) continue;
    auto records = ReadDelimited(t, ',');
    if (records.size() != 1 || records[0].size() < 6) {
      cues.Skipped("A line that is not a subtitle was skipped", line);
      continue;
    }
    const auto& f = records[0];
    auto in = Time(f[2], rate), out = Time(f[3], rate);
    if (!in || !out) {
      cues.Skipped("A line without two times was skipped", line);
      continue;
    }
    std::string body = f[5];
    for (std::size_t i = 6; i < f.size(); ++i) body += "," + f[i];
    for (std::size_t p; (p = body.find("\\n")) != std::string::npos;) body.replace(p, 2, "\r\n");
    Subtitle s;
    s.inCue = *in;
    s.outCue = *out;
    s.text = markup(body);
    if (!cues.Add(std::move(s))) break;
  }
  return cues.Finish(rate, "This is not a valid TMPGEnc subtitle file", false);
}

}  // namespace kipo
