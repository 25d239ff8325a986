#include "formats/exchange/fab_shortform.h"

#include "formats/exchange/script_text.h"

namespace kipo {
namespace {

constexpr ScriptMarks kMarks{"<i>", "</i>", "", "", "\r\n"};

std::string Mark(std::string_view lineStart) {
  return std::string(lineStart.empty() ? std::string_view(kDefaultFabLineStart) : lineStart) + ' ';
}

}  // namespace

std::string WriteFabShortform(const SubtitleDocument& doc, std::string_view lineStart, Warnings& warnings) {
  const std::string mark = Mark(lineStart);
  ScriptTextWriter text("FAB shortform", kMarks);
  std::string out;
  out.reserve(doc.Count() * 64);
  std::size_t n = 0;
  for (const Subtitle& s : doc.Subtitles()) {
    out += std::to_string(++n);
    out += ' ';
    AppendFrameLabel(out, s.inCue);
    out += ' ';
    AppendFrameLabel(out, OutCueOf(s));
    out += "\r\n";
    text.ForEachRow(s, [&](std::string_view row) {
      out += mark;
      out += row;
      out += "\r\n";
    });
    out += "\r\n";
  }
  text.Finish(warnings);
  return out;
}

SubtitleDocument ReadFabShortform(std::string_view text, const FrameRate& rate, std::string_view lineStart,
                                  Warnings& warnings) {
  const std::string mark = Mark(lineStart);
  TimedLineLayout layout;
  layout.marks = kMarks;
  layout.textBelow = true;
  layout.rowPrefix = mark;
  return ReadTimedLines(text, rate, layout, warnings, "This is not a valid FAB shortform file");
}

}  // namespace kipo
