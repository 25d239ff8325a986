#include "formats/exchange/swift_text.h"

#include <filesystem>

#include "formats/exchange/script_text.h"

namespace kipo {
namespace {

constexpr ScriptMarks kMarks{"<i>", "</i>", "", "", "\r\n"};

// `t` is a line without the spaces around it.
bool Key(std::string_view t, std::string_view key, std::string_view& value) {
  if (t.size() < key.size()) return false;
  for (std::size_t i = 0; i < key.size(); ++i)
    if ((t[i] >= 'a' && t[i] <= 'z' ? t[i] - 32 : t[i]) != key[i]) return false;
  value = TrimView(t.substr(key.size()));
  return true;
}

}  // namespace

std::string WriteSwiftText(const SubtitleDocument& doc, Warnings& warnings) {
  const FrameRate& rate = doc.frameRate();
  ScriptTextWriter text("Swift text", kMarks);
  std::string out = "TITLE: " + std::filesystem::path(doc.filePath).stem().string() + "\r\n";
  out += "FRAME RATE: " + rate.label() + "\r\n\r\n";
  out.reserve(doc.Count() * 100);
  // Straight into the file's text: no pieces of their own per subtitle.
  auto number = [&out](long v) {
    if (v >= 0 && v < 100) {
      const char pair[2] = {static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
      out.append(pair, 2);
    } else {
      out += std::to_string(v);
    }
  };
  std::size_t n = 0;
  for (const Subtitle& s : doc.Subtitles()) {
    const Cue& outCue = OutCueOf(s);
    const long frames = static_cast<long>(outCue.ToFrames(rate) - s.inCue.ToFrames(rate));
    const long d = frames < 0 ? 0 : frames;
    out += "SUBTITLE: ";
    out += std::to_string(++n);
    out += "\r\nTIMEIN: ";
    AppendFrameLabel(out, s.inCue);
    out += "\r\nDURATION: ";
    number(d / rate.countingRate());
    out += ':';
    number(d % rate.countingRate());
    out += "\r\nTIMEOUT: ";
    AppendFrameLabel(out, outCue);
    out += "\r\n";
    text.AppendText(out, s);
    out += "\r\n\r\n";
  }
  text.Finish(warnings);
  return out;
}

SubtitleDocument ReadSwiftText(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  const ScriptMarkupReader markup(kMarks);
  CueCollector cues(warnings);
  Subtitle current;
  bool inSubtitle = false, inText = false, any = false;
  std::string rows;
  auto flush = [&]() -> bool {
    if (!inSubtitle) return true;
    inSubtitle = inText = false;
    if (!current.inCue.IsSet()) {
      cues.Skipped("A subtitle without a TIMEIN line was skipped", rows);
      rows.clear();
      return true;
    }
    current.text = markup(rows);
    rows.clear();
    return cues.Add(std::move(current));
  };
  const std::vector<std::string_view> lines = ScriptLines(text);
  cues.Reserve(lines.size() / 4);
  for (std::string_view line : lines) {
    std::string_view value;
    // Trimmed once; the keys are looked for only in lines that start with their letters.
    const std::string_view t = TrimView(line);
    const char first = t.empty() ? '\0' : static_cast<char>(t[0] & ~0x20);
    const bool keys = first == 'S' || first == 'T' || first == 'D';
    if (!t.empty()) any = true;
    if (keys && Key(t, "SUBTITLE:", value)) {
      if (!flush()) break;
      current = Subtitle{};
      inSubtitle = true;
    } else if (keys && inSubtitle && !inText && Key(t, "TIMEIN:", value)) {
      if (auto d = FrameLabelField(value, rate)) current.inCue = *d;
    } else if (keys && inSubtitle && !inText && Key(t, "TIMEOUT:", value)) {
      if (auto d = FrameLabelField(value, rate)) current.outCue = *d;
    } else if (keys && inSubtitle && !inText && Key(t, "DURATION:", value)) {
    } else if (inSubtitle && t.empty()) {
      if (inText && !flush()) break;
    } else if (inSubtitle) {
      if (inText) rows += "\r\n";
      rows += line;
      inText = true;
    }
  }
  flush();
  return cues.Finish(rate, "This is not a valid Swift text file", !any);
}

}  // namespace kipo
