#include "formats/exchange/titra.h"

#include "formats/exchange/script_text.h"

namespace kipo {
namespace {

constexpr ScriptMarks kMarks{"<i>", "</i>", "", "", "|"};

}  // namespace

std::string WriteTitra(const SubtitleDocument& doc, Warnings& warnings) {
  ScriptTextWriter text("Titra", kMarks);
  std::string out;
  out.reserve(doc.Count() * 64);
  std::size_t n = 0;
  for (const Subtitle& s : doc.Subtitles()) {
    out += std::to_string(++n) + '\t' + FrameLabel(s.inCue) + '\t' + FrameLabel(OutCueOf(s)) + '\t';
    text.AppendText(out, s);
    out += "\r\n";
  }
  text.Finish(warnings);
  return out;
}

SubtitleDocument ReadTitra(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  TimedLineLayout layout;
  layout.marks = kMarks;
  return ReadTimedLines(text, rate, layout, warnings, "This is not a valid Titra file");
}

}  // namespace kipo
