#include "formats/exchange/avid_nitris.h"

#include "formats/exchange/script_text.h"

namespace kipo {
namespace {

bool IsFileLine(std::string_view line) {
  std::string_view t = TrimView(line);
  return t.starts_with("@") || t.starts_with("<begin subtitles>") || t.starts_with("<end subtitles>");
}

}  // namespace

std::string WriteAvidNitris(const SubtitleDocument& doc, const NitrisOptions& o, Warnings& warnings) {
  const FrameRate& rate = doc.frameRate();
  const char sep = rate.dropFrame ? ';' : ':';
  long offset = 0;
  if (auto d = FrameLabelField(o.timecodeOffset, rate)) offset = static_cast<long>(LabelToFrames(*d, rate));
  else if (!TrimView(o.timecodeOffset).empty())
    warnings.push_back("The timecode offset " + o.timecodeOffset + " is not a timecode and was not applied");
  ScriptTextWriter text("Avid DS Nitris", {});
  std::string out = "@ Avid DS Nitris subtitles\r\n";
  if (!o.preset.empty()) out += "@ Preset: " + o.preset + "\r\n";
  out += "@ Character transform Y: " + std::to_string(o.characterTransformY) + "\r\n";
  out += std::string("@ Force non realtime: ") + (o.forceNonRealtime ? "1" : "0") + "\r\n\r\n";
  out += "<begin subtitles>\r\n\r\n";
  out.reserve(out.size() + doc.Count() * 64);
  auto cue = [&](const Cue& c) {
    Cue shifted = offset ? Cue(ShiftDigits(c.IsSet() ? c.digits() : "00000000", offset, rate)) : c;
    return FrameLabel(shifted, sep, sep);
  };
  for (const Subtitle& s : doc.Subtitles()) {
    out += cue(s.inCue) + ' ' + cue(OutCueOf(s)) + "\r\n";
    for (const std::string& row : text.Rows(s)) out += (o.addSpaces ? " " + row + " " : row) + "\r\n";
    out += "\r\n";
  }
  out += "<end subtitles>\r\n";
  text.Finish(warnings);
  return out;
}

SubtitleDocument ReadAvidNitris(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  TimedLineLayout layout;
  layout.quiet = &IsFileLine;
  layout.textBelow = true;
  layout.trimRows = true;
  return ReadTimedLines(text, rate, layout, warnings, "This is not a valid Avid DS Nitris subtitle file");
}

}  // namespace kipo
