#include "formats/exchange/hoek.h"

#include "formats/exchange/script_text.h"

namespace kipo {
namespace {

constexpr ScriptMarks kMarks{"<i>", "</i>", "", "", "\r\n"};

std::string Label(const Cue& cue, const HoekOptions& o) {
  const std::string full = FrameLabel(cue, ':', o.timecodeFormat == 1 ? '.' : ':');
  return o.frames ? full : full.substr(0, 8);
}

// "HH:MM:SS" or a full label at the front of s.
std::optional<CueDigits> ReadHoekCue(std::string_view& s, const FrameRate& rate) {
  if (auto d = ReadFrameLabel(s, rate)) return d;
  std::string_view p = TrimView(s);
  if (p.size() < 8) return std::nullopt;
  std::string digits;
  for (std::size_t i = 0; i < 8; ++i) {
    const bool sep = i == 2 || i == 5;
    if (sep ? p[i] != ':' : (p[i] < '0' || p[i] > '9')) return std::nullopt;
    if (!sep) digits += p[i];
  }
  if (p.size() > 8 && p[8] != ' ' && p[8] != '\t') return std::nullopt;
  if (digits[2] > '5' || digits[4] > '5') return std::nullopt;
  s = p.substr(8);
  return digits + "00";
}

}  // namespace

std::string WriteHoek(const SubtitleDocument& doc, const HoekOptions& o, Warnings& warnings) {
  ScriptTextWriter text("Hoek en Son\xC3\xA9pouse", kMarks);
  std::string out;
  out.reserve(doc.Count() * 64);
  bool lostFrames = false;
  for (const Subtitle& s : doc.Subtitles()) {
    out += Label(s.inCue, o) + ' ' + Label(OutCueOf(s), o) + "\r\n";
    lostFrames = lostFrames || (!o.frames && (s.inCue.digits().substr(6) != "00" || OutCueOf(s).digits().substr(6) != "00"));
    const auto rows = text.Rows(s);
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (i) out += o.rowsOnLines ? "\r\n" : " ";
      out += rows[i];
    }
    out += "\r\n\r\n";
  }
  if (lostFrames) warnings.push_back("Cues are written without their frames");
  if (!o.rowsOnLines) warnings.push_back("The rows of each subtitle are joined into one line");
  text.Finish(warnings);
  return out;
}

SubtitleDocument ReadHoek(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  CueCollector cues(warnings);
  Subtitle current;
  bool open = false, any = false;
  std::string rows;
  auto flush = [&]() -> bool {
    if (!open) return true;
    open = false;
    current.text = ScriptTextToMarkup(rows, kMarks);
    rows.clear();
    return cues.Add(std::move(current));
  };
  for (std::string_view line : ScriptLines(text)) {
    if (TrimView(line).empty()) {
      if (!flush()) break;
      continue;
    }
    any = true;
    std::string_view p = line;
    auto in = ReadHoekCue(p, rate);
    std::optional<CueDigits> out;
    if (in) out = ReadHoekCue(p, rate);
    if (in && out && TrimView(p).empty()) {
      if (!flush()) break;
      current = Subtitle{};
      current.inCue = *in;
      current.outCue = *out;
      open = true;
      continue;
    }
    if (!open) {
      cues.Skipped("A line that is not part of a subtitle was skipped", line);
      continue;
    }
    if (!rows.empty()) rows += "\r\n";
    rows += line;
  }
  flush();
  return cues.Finish(rate, "This is not a valid Hoek en Son\xC3\xA9pouse file", !any);
}

}  // namespace kipo
