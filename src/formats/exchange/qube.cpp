#include "formats/exchange/qube.h"

#include <cstdio>

#include "formats/exchange/script_text.h"

namespace kipo {
namespace {

constexpr ScriptMarks kMarks{"<i>", "</i>", "", "", "\r\n"};

}  // namespace

std::string WriteQube(const SubtitleDocument& doc, Warnings& warnings) {
  ScriptTextWriter text("QUBE", kMarks);
  std::string out;
  out.reserve(doc.Count() * 64);
  std::size_t n = 0;
  for (const Subtitle& s : doc.Subtitles()) {
    char number[16];
    std::snprintf(number, sizeof number, "%04zu", ++n);
    out += std::string(number) + "  " + FrameLabel(s.inCue) + "  " + FrameLabel(OutCueOf(s)) + "\r\n";
    text.AppendText(out, s);
    out += "\r\n\r\n";
  }
  text.Finish(warnings);
  return out;
}

SubtitleDocument ReadQube(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  TimedLineLayout layout;
  layout.marks = kMarks;
  layout.textBelow = true;
  return ReadTimedLines(text, rate, layout, warnings, "This is not a valid QUBE file");
}

}  // namespace kipo
