#include "formats/exchange/sonic_dvd_creator.h"

#include <cstdio>

#include "formats/exchange/script_text.h"

namespace kipo {
namespace {

constexpr std::string_view kHeader = "Number\tStart\tEnd\tText";

bool IsHeader(std::string_view line) { return line.starts_with("Number\t") || line.starts_with("Number "); }

}  // namespace

std::string WriteSonicDvdCreator(const SubtitleDocument& doc, Warnings& warnings) {
  ScriptTextWriter text("Sonic DVD Creator", {});
  std::string out(kHeader);
  out += "\r\n\r\n";
  out.reserve(doc.Count() * 64);
  std::size_t n = 0;
  for (const Subtitle& s : doc.Subtitles()) {
    char number[16];
    std::snprintf(number, sizeof number, "%04zu", ++n);
    out += std::string(number) + '\t' + FrameLabel(s.inCue) + '\t' + FrameLabel(OutCueOf(s)) + '\t';
    text.AppendText(out, s);
    out += "\r\n\r\n";
  }
  text.Finish(warnings);
  return out;
}

SubtitleDocument ReadSonicDvdCreator(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  TimedLineLayout layout;
  layout.quiet = &IsHeader;
  return ReadTimedLines(text, rate, layout, warnings, "This is not a valid Sonic DVD Creator script");
}

}  // namespace kipo
