#include "formats/exchange/tab_dvd_script.h"

#include "formats/exchange/excel_csv.h"
#include "formats/exchange/script_text.h"

namespace kipo {

SubtitleDocument ReadTabDvdScript(std::string_view text, const FrameRate& rate, Warnings& warnings,
                                  std::string_view invalid) {
  constexpr ScriptMarks kMarks{"<i>", "</i>", "", "", "|"};
  const ScriptMarkupReader markup(kMarks);
  CueCollector cues(warnings);
  bool any = false;
  for (std::string_view line : ScriptLines(text)) {
    if (TrimView(line).empty()) continue;
    any = true;
    const auto fields = SplitFields(line, '\t');
    std::size_t k = 0;
    std::optional<CueDigits> in, out;
    for (; k < fields.size() && !in && k < 2; ++k) in = FrameLabelField(fields[k], rate);
    if (in && k < fields.size()) out = FrameLabelField(fields[k++], rate);
    if (!in || !out) {
      // A continuation of the previous subtitle's text, or a heading.
      if (Subtitle* last = cues.Last(); last && fields.size() == 1 && cues.Count() > 0) {
        last->text += "\r\n" + markup(TrimView(line));
        continue;
      }
      if (cues.Count() > 0) cues.Skipped("A line without two cues was skipped", line);
      continue;
    }
    Subtitle s;
    s.inCue = *in;
    s.outCue = *out;
    std::string body;
    for (std::size_t i = k; i < fields.size(); ++i) {
      if (i > k) body += ' ';
      body += fields[i];
    }
    s.text = markup(TrimView(body));
    if (!cues.Add(std::move(s))) break;
  }
  return cues.Finish(rate, invalid, !any);
}

}  // namespace kipo
