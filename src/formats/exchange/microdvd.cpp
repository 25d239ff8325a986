#include "formats/exchange/microdvd.h"

#include "formats/exchange/cue_text.h"
#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

// "{digits}" at the front of s; empty braces give -1 (an unset cue).
bool ReadBraced(std::string_view& s, long& frames) {
  if (s.empty() || s.front() != '{') return false;
  std::size_t close = s.find('}');
  if (close == std::string_view::npos) return false;
  std::string inner = Trim(s.substr(1, close - 1));
  if (inner.empty()) frames = -1;
  else if (!ParseInt(inner, frames) || frames < 0) return false;
  s.remove_prefix(close + 1);
  return true;
}

}  // namespace

std::string WriteMicroDvd(const SubtitleDocument& doc, Warnings& warnings) {
  const FrameRate& rate = doc.frameRate();
  std::string out;
  out.reserve(doc.Count() * 48);
  bool dropped = false;
  for (const Subtitle& s : doc.Subtitles()) {
    out += '{';
    if (s.inCue.digits().size() == 8) out += std::to_string(LabelToFrames(s.inCue, rate));
    out += "}{";
    if (s.outCue.digits().size() == 8) out += std::to_string(LabelToFrames(s.outCue, rate));
    out += '}';
    TagWriter writer({.escapeAll = false, .colours = false});
    std::string_view text = s.text;
    for (std::size_t start = 0;;) {
      std::size_t p = text.find("\r\n", start);
      if (start) out += '|';
      writer.AppendRow(out, text.substr(start, p == std::string_view::npos ? std::string_view::npos : p - start));
      if (p == std::string_view::npos) break;
      start = p + 2;
    }
    out += "\r\n";
    dropped = dropped || writer.droppedColour();
  }
  if (dropped) warnings.push_back(kColoursNotWritten);
  return out;
}

SubtitleDocument ReadMicroDvd(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  SubtitleDocument doc;
  doc.SetFrameRate(rate.code);
  std::vector<Subtitle> subs;
  bool any = false;
  for (std::string_view line : SplitAnyLines(StripBomChar(text))) {
    std::string_view p = line;
    while (!p.empty() && (p.front() == ' ' || p.front() == '\t')) p.remove_prefix(1);
    if (p.empty()) continue;
    long in = -1, out = -1;
    if (!ReadBraced(p, in) || !ReadBraced(p, out)) {
      warnings.push_back("A line without frame counts was skipped: " + std::string(line.substr(0, 60)));
      continue;
    }
    any = true;
    bool italic = false;
    std::string body;
    // Control codes "{x:value}" may follow the counts or start a row; they are dropped.
    for (std::size_t i = 0; i < p.size();) {
      if (p[i] == '{') {
        std::size_t close = p.find('}', i);
        if (close != std::string_view::npos && close - i > 2 && p[i + 2] == ':') {
          std::string code = ToLowerAscii(p.substr(i + 1, close - i - 1));
          if (code == "y:i") italic = true;
          i = close + 1;
          continue;
        }
      }
      body += p[i++];
    }
    // A first line "{1}{1}23.976" names the frame rate of the file; it is not a subtitle.
    if (subs.empty() && in == 1 && out == 1 && !body.empty() &&
        body.find_first_not_of("0123456789.") == std::string::npos)
      continue;
    Subtitle s;
    // Frame counts beyond 99:59:59 have no label.
    if (in > LastCueFrame(rate) || out > LastCueFrame(rate)) {
      warnings.push_back("A line with frame counts beyond 100 hours was skipped: " + std::string(line.substr(0, 60)));
      continue;
    }
    if (in >= 0) s.inCue = FramesToDigits(static_cast<Timecode>(in), rate);
    if (out >= 0) s.outCue = FramesToDigits(static_cast<Timecode>(out), rate);
    TagReader tags;
    const std::string trimmed = TrimRight(body);
    std::string_view rest = trimmed;
    for (std::size_t start = 0;;) {
      std::size_t bar = rest.find('|', start);
      if (start) s.text += "\r\n";
      tags.AppendLine(s.text, rest.substr(start, bar == std::string_view::npos ? bar : bar - start));
      if (bar == std::string_view::npos) break;
      start = bar + 1;
    }
    s.italic = italic;
    if (subs.size() == kMaxSubtitles) {
      warnings.push_back("Only the first " + std::to_string(kMaxSubtitles) + " subtitles were read");
      break;
    }
    subs.push_back(std::move(s));
  }
  if (!any) throw InvalidFileFormat("This is not a valid MicroDVD file");
  doc.ReplaceAll(std::move(subs));
  doc.modified = false;
  return doc;
}

}  // namespace kipo
