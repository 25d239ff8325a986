#include "formats/exchange/caption_text.h"

#include <algorithm>

#include "core/markup.h"
#include "formats/exchange/script_text.h"

namespace kipo {
namespace {

constexpr std::string_view kInvalid = "This is not a valid closed caption text file";

// The caption's text with its backslash codes: italics become the script marks "\x0E" /
// "\x0F", "\E" ends the text, other codes are left out.
struct CaptionRows {
  std::string text;
  bool ended = false;
  bool italic = false;

  void AddRow(std::string_view row) {
    if (ended) return;
    std::string out;
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (row[i] != '\\' || i + 1 >= row.size()) {
        out += row[i];
        continue;
      }
      const char code = row[i + 1];
      if (code == 'E' || code == 'e') {
        ended = true;
        break;
      }
      if (code == '\\') {
        out += '\\';
        ++i;
        continue;
      }
      // "\AI\", "\AW\" and their kin run to the next backslash.
      const std::size_t close = row.find('\\', i + 1);
      const std::string_view body = row.substr(i + 1, close == std::string_view::npos ? std::string_view::npos : close - i - 1);
      if (body.size() == 2 && (body[0] == 'A' || body[0] == 'a')) {
        const bool on = body[1] == 'I' || body[1] == 'i';
        if (on != italic) out += on ? '\x0E' : '\x0F';
        italic = on;
      }
      if (close == std::string_view::npos) break;
      i = close;
    }
    // Spaces around a row are layout; the column command places it.
    const std::string_view trimmed = TrimView(out);
    if (!text.empty() || !trimmed.empty()) {
      if (!text.empty()) text += "\r\n";
      text += trimmed;
    }
  }
};

constexpr ScriptMarks kMarks{"\x0E", "\x0F", "", "", "\r\n"};

}  // namespace

SubtitleDocument ReadCaptionText(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  const std::vector<std::string_view> lines = ScriptLines(text);
  const bool starred = std::any_of(lines.begin(), lines.end(), [](std::string_view l) {
    const std::string_view t = TrimView(l);
    return t.size() > 2 && (t[0] == '*') && (t[1] == 'T' || t[1] == 't') && (t[2] == ' ' || t[2] == '\t');
  });
  if (!starred) {
    // One caption per line, or cues with the text below: the shared reader.
    TimedLineLayout layout;
    layout.marks = {"<i>", "</i>", "", "", "\r\n"};
    layout.headerFirst = true;
    return ReadTimedLines(text, rate, layout, warnings, kInvalid);
  }
  CueCollector cues(warnings);
  struct Timed {
    FrameCount at;
    CaptionRows rows;
  };
  std::vector<Timed> captions;
  bool any = false;
  for (std::string_view line : lines) {
    const std::string_view t = TrimView(line);
    if (t.empty()) continue;
    any = true;
    if (t[0] == '*') {
      if (t.size() > 2 && (t[1] == 'T' || t[1] == 't') && (t[2] == ' ' || t[2] == '\t')) {
        std::string_view rest = t.substr(2);
        if (std::optional<CueDigits> in = ReadFrameLabel(rest, rate)) {
          captions.push_back({LabelToFrames(*in, rate), {}});
          continue;
        }
        cues.Skipped("timing line", line);
      }
      continue;  // commands ("*TopDown", "*C116") and "**" comments
    }
    if (captions.empty()) {
      cues.Skipped("line before the first caption", line);
      continue;
    }
    captions.back().rows.AddRow(line);
  }
  const FrameCount last = LastCueFrame(rate);
  bool lastTimed = false;
  for (std::size_t i = 0; i < captions.size(); ++i) {
    const Timed& c = captions[i];
    if (TrimView(c.rows.text).empty()) continue;  // a caption without text clears the screen
    FrameCount out;
    if (i + 1 < captions.size()) {
      out = captions[i + 1].at;
    } else {
      out = c.at + 2 * rate.countingRate();
      lastTimed = true;
    }
    out = std::min(std::max(out, c.at + 1), last);
    Subtitle s;
    s.inCue = Cue::FromFrames(std::min(c.at, last), rate);
    s.outCue = Cue::FromFrames(out, rate);
    std::string rows = c.rows.text;
    if (c.rows.italic && !c.rows.ended) rows += '\x0F';
    s.text = ScriptTextToMarkup(rows, kMarks);
    if (!cues.Add(std::move(s))) break;
  }
  if (lastTimed) warnings.push_back("The last caption has no end; it is shown for two seconds");
  return cues.Finish(rate, kInvalid, !any);
}

}  // namespace kipo
