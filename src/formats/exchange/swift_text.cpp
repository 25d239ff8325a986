#include "formats/exchange/swift_text.h"

#include <cstdio>
#include <filesystem>

#include "formats/exchange/script_text.h"

namespace kipo {
namespace {

constexpr ScriptMarks kMarks{"<i>", "</i>", "", "", "\r\n"};

bool Key(std::string_view line, std::string_view key, std::string_view& value) {
  std::string_view t = TrimView(line);
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
  std::size_t n = 0;
  for (const Subtitle& s : doc.Subtitles()) {
    const long frames = static_cast<long>(OutCueOf(s).ToFrames(rate) - s.inCue.ToFrames(rate));
    const long d = frames < 0 ? 0 : frames;
    char duration[32];
    std::snprintf(duration, sizeof duration, "%02ld:%02ld", d / rate.countingRate(), d % rate.countingRate());
    out += "SUBTITLE: " + std::to_string(++n) + "\r\n";
    out += "TIMEIN: " + FrameLabel(s.inCue) + "\r\n";
    out += std::string("DURATION: ") + duration + "\r\n";
    out += "TIMEOUT: " + FrameLabel(OutCueOf(s)) + "\r\n";
    out += text.Text(s);
    out += "\r\n\r\n";
  }
  text.Finish(warnings);
  return out;
}

SubtitleDocument ReadSwiftText(std::string_view text, const FrameRate& rate, Warnings& warnings) {
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
    current.text = ScriptTextToMarkup(rows, kMarks);
    rows.clear();
    return cues.Add(std::move(current));
  };
  for (std::string_view line : ScriptLines(text)) {
    std::string_view value;
    if (!TrimView(line).empty()) any = true;
    if (Key(line, "SUBTITLE:", value)) {
      if (!flush()) break;
      current = Subtitle{};
      inSubtitle = true;
    } else if (inSubtitle && !inText && Key(line, "TIMEIN:", value)) {
      if (auto d = FrameLabelField(value, rate)) current.inCue = *d;
    } else if (inSubtitle && !inText && Key(line, "TIMEOUT:", value)) {
      if (auto d = FrameLabelField(value, rate)) current.outCue = *d;
    } else if (inSubtitle && !inText && Key(line, "DURATION:", value)) {
    } else if (inSubtitle && TrimView(line).empty()) {
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
