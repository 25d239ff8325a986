#include "formats/exchange/surtitles.h"

#include "formats/exchange/script_text.h"
#include "formats/exchange/tab_dvd_script.h"

namespace kipo {
namespace {

constexpr ScriptMarks kMarks{"<i>", "</i>", "", "", "|"};

std::string Write(const SubtitleDocument& doc, const char* name, std::string heading, Warnings& warnings) {
  ScriptTextWriter text(name, kMarks);
  std::string out = std::move(heading);
  out.reserve(doc.Count() * 64);
  std::size_t n = 0;
  for (const Subtitle& s : doc.Subtitles()) {
    out += std::to_string(++n) + '\t' + FrameLabel(s.inCue) + '\t' + FrameLabel(OutCueOf(s)) + '\t';
    std::string row = text.Text(s);
    for (char& c : row)
      if (c == '\t') c = ' ';
    out += row;
    out += "\r\n";
  }
  text.Finish(warnings);
  return out;
}

}  // namespace

std::string WriteSonyaFriedman(const SubtitleDocument& doc, Warnings& warnings) {
  return Write(doc, "Sonya Friedman tab-delimited", "", warnings);
}

std::string WriteFigaro(const SubtitleDocument& doc, Warnings& warnings) {
  return Write(doc, "Figaro Systems in-Ovation", "Cue\tIn\tOut\tText\r\n", warnings);
}

SubtitleDocument ReadSurtitleCues(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  return ReadTabDvdScript(text, rate, warnings, "This is not a valid surtitle cue list");
}

}  // namespace kipo
