#include "formats/exchange/softni.h"

#include "formats/exchange/script_text.h"

namespace kipo {

SubtitleDocument ReadSoftni(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  const ScriptMarkupReader markup(ScriptMarks{"<i>", "</i>", "", "", "\r\n"});
  CueCollector cues(warnings);
  std::vector<std::string_view> rows;
  bool any = false;
  for (std::string_view line : ScriptLines(text)) {
    std::string_view t = TrimView(line);
    if (t.empty()) continue;
    any = true;
    if (t.starts_with("*") && t.ends_with("*") && t.size() > 1) {
      rows.clear();
      continue;
    }
    const std::size_t slash = t.find('\\');
    if (slash != std::string_view::npos) {
      auto in = FrameLabelField(t.substr(0, slash), rate);
      auto out = FrameLabelField(t.substr(slash + 1), rate);
      if (in && out) {
        if (!rows.empty()) {
          Subtitle s;
          s.inCue = *in;
          s.outCue = *out;
          std::string body;
          for (std::size_t i = 0; i < rows.size(); ++i) {
            std::string_view r = rows[i];
            std::string row;
            if (r.starts_with("[")) {
              r.remove_prefix(1);
              row = "<i>" + std::string(r) + "</i>";
            } else {
              row = std::string(r);
            }
            if (i) body += "\r\n";
            body += row;
          }
          s.text = markup(body);
          if (!cues.Add(std::move(s))) break;
        }
        rows.clear();
        continue;
      }
    }
    rows.push_back(line);
  }
  if (!rows.empty()) warnings.push_back("Text after the last timing line was skipped");
  return cues.Finish(rate, "This is not a valid Softni text file", !any);
}

}  // namespace kipo
