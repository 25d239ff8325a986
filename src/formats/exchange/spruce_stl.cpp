#include "formats/exchange/spruce_stl.h"

#include "formats/exchange/script_text.h"

namespace kipo {
namespace {

constexpr ScriptMarks kMarks{"^I", "^I", "^U", "^U", "|"};

bool IsHeaderOrComment(std::string_view line) {
  std::string_view t = TrimView(line);
  return t.starts_with("$") || t.starts_with("//");
}

}  // namespace

const std::string& DefaultSpruceHeader() {
  static const std::string header =
      "$FontName       = Arial\r\n"
      "$FontSize       = 42\r\n"
      "$HorzAlign      = Center\r\n"
      "$VertAlign      = Bottom\r\n"
      "$XOffset        = 0\r\n"
      "$YOffset        = 0\r\n"
      "$TextContrast   = 15\r\n"
      "$Outline1Contrast = 15\r\n"
      "$Outline2Contrast = 13\r\n"
      "$BackgroundContrast = 0\r\n"
      "$ForceDisplay   = FALSE\r\n"
      "$FadeIn         = 0\r\n"
      "$FadeOut        = 0\r\n"
      "$TapeOffset     = FALSE\r\n";
  return header;
}

std::string WriteSpruceStl(const SubtitleDocument& doc, std::string_view header, Warnings& warnings) {
  ScriptTextWriter text("Spruce STL", kMarks);
  std::string out;
  out.reserve(doc.Count() * 64 + header.size() + 8);
  for (std::string_view line : ScriptLines(header)) {
    out += line;
    out += "\r\n";
  }
  out += "\r\n";
  for (const Subtitle& s : doc.Subtitles()) {
    out += FrameLabel(s.inCue) + " , " + FrameLabel(OutCueOf(s)) + " , ";
    text.AppendText(out, s);
    out += "\r\n";
  }
  text.Finish(warnings);
  return out;
}

SubtitleDocument ReadSpruceStl(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  TimedLineLayout layout;
  layout.marks = kMarks;
  layout.quiet = &IsHeaderOrComment;
  return ReadTimedLines(text, rate, layout, warnings, "This is not a valid Spruce STL file");
}

}  // namespace kipo
