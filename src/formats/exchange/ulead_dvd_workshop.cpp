#include "formats/exchange/ulead_dvd_workshop.h"

#include "formats/exchange/script_text.h"

namespace kipo {
namespace {

// "#Ulead subtitle format", "#Subtitle text begin", "#Subtitle text end": lines of the file
// itself, not of a subtitle.
bool IsFileLine(std::string_view line) { return line.starts_with("#") && !(line.size() > 1 && line[1] >= '0' && line[1] <= '9'); }

}  // namespace

std::string WriteUleadDvdWorkshop(const SubtitleDocument& doc, Warnings& warnings) {
  ScriptTextWriter text("Ulead DVD Workshop", {});
  std::string out = "#Ulead subtitle format\r\n\r\n#Subtitle text begin\r\n";
  out.reserve(doc.Count() * 64);
  std::size_t n = 0;
  for (const Subtitle& s : doc.Subtitles()) {
    out += '#' + std::to_string(++n) + ' ' + FrameLabel(s.inCue, ';', ';') + ' ' + FrameLabel(OutCueOf(s), ';', ';');
    out += "\r\n";
    text.AppendText(out, s);
    out += "\r\n\r\n";
  }
  out += "#Subtitle text end\r\n";
  text.Finish(warnings);
  return out;
}

SubtitleDocument ReadUleadDvdWorkshop(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  TimedLineLayout layout;
  layout.quiet = &IsFileLine;
  layout.textBelow = true;
  layout.cueMark = "#";
  return ReadTimedLines(text, rate, layout, warnings, "This is not a valid Ulead DVD Workshop file");
}

}  // namespace kipo
