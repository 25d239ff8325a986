#include "formats/exchange/swift_interchange.h"

#include "formats/exchange/script_text.h"
#include "platform/text_util.h"

namespace kipo {
namespace {

constexpr ScriptMarks kMarks{"<i>", "</i>", "<u>", "</u>", "\r\n"};

}  // namespace

std::string WriteSwiftInterchange(const SubtitleDocument& doc, Warnings& warnings) {
  ScriptTextWriter text("Swift Interchange Format", kMarks);
  std::string out = "[SIF]\r\nVersion=1\r\nFrameRate=" + doc.frameRate().label() + "\r\nCount=" +
                    std::to_string(doc.Count()) + "\r\n";
  out.reserve(doc.Count() * 90);
  std::size_t n = 0;
  for (const Subtitle& s : doc.Subtitles()) {
    out += "\r\n[Subtitle ";
    out += std::to_string(++n);
    out += "]\r\nIn=";
    AppendFrameLabel(out, s.inCue);
    out += "\r\nOut=";
    AppendFrameLabel(out, OutCueOf(s));
    out += "\r\n";
    text.ForEachRow(s, [&](std::string_view row) {
      out += "Row=";
      out += row;
      out += "\r\n";
    });
  }
  text.Finish(warnings);
  return out;
}

SubtitleDocument ReadSwiftInterchange(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  const ScriptMarkupReader markup(kMarks);
  CueCollector cues(warnings);
  bool inSubtitle = false, sawSif = false, any = false;
  Subtitle current;
  std::string rows;
  bool hasRow = false;
  auto flush = [&]() -> bool {
    if (!inSubtitle) return true;
    inSubtitle = false;
    if (!current.inCue.IsSet()) {
      cues.Skipped("A subtitle without an In line was skipped", rows);
      return true;
    }
    current.text = markup(rows);
    return cues.Add(std::move(current));
  };
  for (std::string_view line : ScriptLines(text)) {
    std::string_view t = TrimView(line);
    if (t.empty() || t.starts_with(";")) continue;
    any = true;
    if (t.front() == '[') {
      if (!flush()) break;
      const std::string name = ToLowerAscii(t);
      sawSif = sawSif || name == "[sif]";
      inSubtitle = name.starts_with("[subtitle");
      current = Subtitle{};
      rows.clear();
      hasRow = false;
      continue;
    }
    if (!inSubtitle) continue;
    const std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) {
      cues.Skipped("A line without a key was skipped", line);
      continue;
    }
    const std::string key = ToLowerAscii(TrimView(t.substr(0, eq)));
    // The value keeps its spaces: a row may begin or end with one.
    std::string_view value = line.substr(line.find('=') + 1);
    if (key == "in" || key == "out") {
      auto d = FrameLabelField(value, rate);
      if (!d) cues.Skipped("A cue that is not a timecode was skipped", line);
      else (key == "in" ? current.inCue : current.outCue) = *d;
    } else if (key == "row") {
      if (hasRow) rows += "\r\n";
      rows += value;
      hasRow = true;
    }
  }
  flush();
  if (!sawSif && cues.Count() == 0 && any) return cues.Finish(rate, "This is not a valid Swift Interchange Format file");
  return cues.Finish(rate, "This is not a valid Swift Interchange Format file", !any);
}

}  // namespace kipo
