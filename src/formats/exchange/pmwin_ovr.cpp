#include "formats/exchange/pmwin_ovr.h"

#include <charconv>
#include <cstdio>
#include <optional>

#include "formats/exchange/script_text.h"

namespace kipo {
namespace {

constexpr ScriptMarks kMarks{"<i>", "</i>", "<u>", "</u>", "\r\n"};
constexpr std::string_view kInvalid = "This is not a valid PMWin OVR file";

bool Heading(std::string_view line) { return TrimView(line).starts_with("OVR"); }

// "R3 L": the screen row and the alignment letter after the out cue.
void ReadPlacement(std::string_view rest, Subtitle& s) {
  for (std::string_view field : SplitFields(TrimView(rest), ' ')) {
    field = TrimView(field);
    if (field.size() >= 2 && (field[0] == 'R' || field[0] == 'r')) {
      int row = 0;
      auto [end, ec] = std::from_chars(field.data() + 1, field.data() + field.size(), row);
      if (ec == std::errc() && end == field.data() + field.size() && row >= 0 && row <= static_cast<int>(kMaxRows)) s.row = row;
    } else if (field == "L" || field == "l") {
      s.alignment = AlignLeft;
    } else if (field == "R" || field == "r") {
      s.alignment = AlignRight;
    } else if (field == "C" || field == "c") {
      s.alignment = AlignCentre;
    }
  }
}

}  // namespace

std::string WritePmWinOvr(const SubtitleDocument& doc, Warnings& warnings) {
  ScriptTextWriter text("PMWin OVR", kMarks);
  std::string out = "OVR " + doc.frameRate().label() + "\r\n\r\n";
  out.reserve(doc.Count() * 64 + out.size());
  std::size_t n = 0;
  for (const Subtitle& s : doc.Subtitles()) {
    char head[32];
    std::snprintf(head, sizeof head, "%04zu ", ++n);
    const char align = s.alignment == AlignLeft ? 'L' : s.alignment == AlignRight ? 'R' : 'C';
    out += head + FrameLabel(s.inCue) + " " + FrameLabel(OutCueOf(s)) + " R" + std::to_string(s.row) + " " + align +
           "\r\n";
    text.AppendText(out, s);
    out += "\r\n\r\n";
  }
  text.Finish(warnings);
  return out;
}

SubtitleDocument ReadPmWinOvr(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  CueCollector cues(warnings);
  std::string rows;  // the rows of the subtitle being read
  bool open = false, any = false;
  auto close = [&] {
    if (!open) return true;
    open = false;
    cues.Last()->text = ScriptTextToMarkup(rows, kMarks);
    return true;
  };
  for (std::string_view line : ScriptLines(text)) {
    const std::string_view t = TrimView(line);
    if (t.empty()) {
      close();
      continue;
    }
    any = true;
    // A cue line: an optional number, the two cues, the placement.
    std::string_view rest = t;
    if (std::optional<CueLine> c = ReadCueLine(rest, rate)) {
      close();
      Subtitle s;
      s.inCue = c->in;
      s.outCue = c->out;
      ReadPlacement(rest, s);
      if (!cues.Add(std::move(s))) break;
      rows.clear();
      open = true;
      continue;
    }
    if (open) {
      if (!rows.empty()) rows += "\r\n";
      rows += line;
    } else if (!(cues.Count() == 0 && Heading(t))) {
      cues.Skipped("line", line);
    }
  }
  close();
  return cues.Finish(rate, kInvalid, !any);
}

}  // namespace kipo
