#include "formats/exchange/sony_dvd_architect.h"

#include "formats/exchange/script_text.h"

namespace kipo {

std::string WriteSonyDvdArchitect(const SubtitleDocument& doc, Warnings& warnings) {
  ScriptTextWriter text("Sony DVD Architect", {});
  std::string out;
  out.reserve(doc.Count() * 64);
  for (const Subtitle& s : doc.Subtitles()) {
    out += FrameLabel(s.inCue) + '\t' + FrameLabel(OutCueOf(s)) + '\t';
    text.AppendText(out, s);
    out += "\r\n\r\n";
  }
  text.Finish(warnings);
  return out;
}

SubtitleDocument ReadSonyDvdArchitect(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  return ReadTimedLines(text, rate, TimedLineLayout{}, warnings, "This is not a valid Sony DVD Architect script");
}

}  // namespace kipo
