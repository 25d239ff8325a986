#include "formats/exchange/plain_scripts.h"

#include "formats/exchange/script_text.h"

namespace kipo {
namespace {

constexpr ScriptMarks kMarks{"<i>", "</i>", "", "", "\r\n"};

// Lines of headings and notes these systems write around the subtitles.
bool IsNoteLine(std::string_view line) {
  std::string_view t = TrimView(line);
  return t.starts_with("#") || t.starts_with("//") || t.starts_with(";") || t.starts_with("*") ||
         t.starts_with("$") || t.starts_with("@") || t.starts_with("[");
}

SubtitleDocument Read(std::string_view text, const FrameRate& rate, Warnings& warnings, const char* invalid) {
  TimedLineLayout layout;
  layout.marks = kMarks;
  layout.quiet = &IsNoteLine;
  layout.headerFirst = true;
  return ReadTimedLines(text, rate, layout, warnings, invalid);
}

}  // namespace

SubtitleDocument ReadCaptionMakerText(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  return Read(text, rate, warnings, "This is not a valid CaptionMaker text file");
}
SubtitleDocument ReadSdiMediaText(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  return Read(text, rate, warnings, "This is not a valid SDI Media Group formatted text file");
}
SubtitleDocument ReadScreenStructuredAscii(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  return Read(text, rate, warnings, "This is not a valid Screen structured ASCII file");
}

}  // namespace kipo
