#include "formats/exchange/preformatted_text.h"

#include <cstdio>
#include <optional>

#include "formats/exchange/script_text.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

constexpr ScriptMarks kMarks{"[I]", "[/I]", "", "", "\r\n"};
constexpr std::string_view kInvalid = "This is not a valid preformatted text file";

std::string Number(std::size_t n) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04zu", n);
  return buf;
}

std::string EightDigits(const Cue& c) { return c.IsSet() ? c.digits() : std::string("00000000"); }

// "01005216/01005608": two labels of eight digits.
std::optional<CueLine> EightDigitCues(std::string_view t, const FrameRate& rate) {
  if (t.size() != 17 || t[8] != '/') return std::nullopt;
  for (std::size_t i = 0; i < 17; ++i)
    if (i != 8 && (t[i] < '0' || t[i] > '9')) return std::nullopt;
  const std::string in(t.substr(0, 8)), out(t.substr(9, 8));
  if (!IsValidCue(in, rate) || !IsValidCue(out, rate)) return std::nullopt;
  return CueLine{in, out};
}

// "[0001]"
bool NumberLine(std::string_view t) {
  if (t.size() < 3 || t.front() != '[' || t.back() != ']') return false;
  for (char c : t.substr(1, t.size() - 2))
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

const std::vector<std::string>& PreformattedLayoutSamples() {
  static const std::vector<std::string> samples = {
      "[0001] / 01:00:52:16 / 01:00:56:08 / text",
      "@SHOW 01:00:52:16 01:00:56:08 / text",
      "0001 01:00:52:16 01:00:56:08 / text (import only)",
      "01005216/01005608 / text",
      "01:00:52:16<TAB>01:00:56:08<TAB>row<P>row (import only)",
      "01:00:52:16<TAB>01:00:56:08<TAB>row//row",
  };
  return samples;
}

bool PreformattedLayoutWritable(int layout) { return layout != 2 && layout != 4 && layout >= 0 && layout < kPreformattedLayoutCount; }

std::string WritePreformattedText(const SubtitleDocument& doc, int layout, Warnings& warnings) {
  if (!PreformattedLayoutWritable(layout)) throw UserError(kAppTitle, kPreformattedNotWritable);
  ScriptMarks marks = kMarks;
  if (layout == 5) marks.rowBreak = "//";
  ScriptTextWriter text("Preformatted text", marks);
  std::string out;
  out.reserve(doc.Count() * 64);
  std::size_t n = 0;
  for (const Subtitle& s : doc.Subtitles()) {
    ++n;
    const std::string in = FrameLabel(s.inCue), outCue = FrameLabel(OutCueOf(s));
    switch (layout) {
      case 0: out += "[" + Number(n) + "]\r\n" + in + "\r\n" + outCue + "\r\n" + text.Text(s) + "\r\n\r\n"; break;
      case 1: out += "@SHOW " + in + " " + outCue + "\r\n" + text.Text(s) + "\r\n\r\n"; break;
      case 3: out += EightDigits(s.inCue) + "/" + EightDigits(OutCueOf(s)) + "\r\n" + text.Text(s) + "\r\n\r\n"; break;
      default: out += in + "\t" + outCue + "\t" + text.Text(s) + "\r\n"; break;
    }
  }
  text.Finish(warnings);
  return out;
}

SubtitleDocument ReadPreformattedText(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  const ScriptMarkupReader markup(kMarks);
  CueCollector cues(warnings);
  std::string rows;
  bool open = false, any = false;
  int pendingCues = 0;  // after "[0001]": the in and out cue lines still to come
  Subtitle pending;
  auto close = [&] {
    if (open) cues.Last()->text = markup(rows);
    open = false;
    rows.clear();
  };
  auto start = [&](Subtitle s, std::string_view rest) {
    close();
    if (!cues.Add(std::move(s))) return false;
    open = true;
    // The one-line layouts join the rows with "<P>" or "//".
    std::string line(TrimView(rest));
    for (std::string_view join : {"<P>", "<p>", "//"})
      for (std::size_t at; (at = line.find(join)) != std::string::npos;) line.replace(at, join.size(), "\r\n");
    rows = line;
    return true;
  };
  for (std::string_view line : ScriptLines(text)) {
    const std::string_view t = TrimView(line);
    if (t.empty()) {
      close();
      continue;
    }
    any = true;
    if (pendingCues > 0) {
      if (std::optional<CueDigits> cue = FrameLabelField(t, rate)) {
        (pendingCues == 2 ? pending.inCue : pending.outCue) = *cue;
        if (--pendingCues == 0 && !start(pending, {})) break;
        continue;
      }
      pendingCues = 0;
      cues.Skipped("numbered block without its cues", line);
      continue;
    }
    if (NumberLine(t)) {
      close();
      pending = Subtitle{};
      pendingCues = 2;
      continue;
    }
    std::string_view rest = t;
    if (rest.starts_with("@SHOW")) rest.remove_prefix(5);
    std::optional<CueLine> c = EightDigitCues(t, rate);
    if (c) rest = {};
    else c = ReadCueLine(rest, rate);
    if (c) {
      Subtitle s;
      s.inCue = c->in;
      s.outCue = c->out;
      if (!start(std::move(s), rest)) break;
      continue;
    }
    if (open) {
      if (!rows.empty()) rows += "\r\n";
      rows += line;
    } else {
      cues.Skipped("line", line);
    }
  }
  close();
  return cues.Finish(rate, kInvalid, !any);
}

}  // namespace kipo
