#include "formats/exchange/adobe_encore.h"

#include "formats/exchange/script_text.h"

namespace kipo {

std::string WriteAdobeEncore(const SubtitleDocument& doc, Warnings& warnings) {
  const char sep = doc.frameRate().dropFrame ? ';' : ':';
  ScriptTextWriter text("Adobe Encore", {});
  std::string out;
  out.reserve(doc.Count() * 64);
  std::size_t n = 0;
  for (const Subtitle& s : doc.Subtitles()) {
    out += std::to_string(++n) + ' ' + FrameLabel(s.inCue, sep, sep) + ' ' + FrameLabel(OutCueOf(s), sep, sep) + ' ';
    text.AppendText(out, s);
    out += "\r\n";
  }
  text.Finish(warnings);
  return out;
}

SubtitleDocument ReadAdobeEncore(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  return ReadTimedLines(text, rate, TimedLineLayout{}, warnings, "This is not a valid Adobe Encore script");
}

}  // namespace kipo
