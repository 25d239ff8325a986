#include "formats/exchange/sbv.h"

#include "formats/exchange/cue_text.h"
#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

std::optional<TimingLine> ReadSbvTiming(std::string_view line, const FrameRate& rate) {
  std::string_view p = line;
  auto in = ReadClockTime(p);
  if (!in) return std::nullopt;
  while (!p.empty() && (p.front() == ' ' || p.front() == '\t')) p.remove_prefix(1);
  if (p.empty() || p.front() != ',') return std::nullopt;
  p.remove_prefix(1);
  auto out = ReadClockTime(p);
  if (!out || !IsBlank(p)) return std::nullopt;
  return TimingLine{ClockToDigits(*in, rate), ClockToDigits(*out, rate)};
}

// "[br]" (any case) is a line break in SBV files: rows of one line of the file.
std::string LineBreaks(std::string_view line) {
  std::string out;
  for (std::size_t i = 0; i < line.size();) {
    if (line[i] == '[' && i + 4 <= line.size() && ToLowerAscii(line.substr(i, 4)) == "[br]") {
      out += "<br>";
      i += 4;
      continue;
    }
    out += line[i++];
  }
  return out;
}

}  // namespace

void SbvWriter::Add(std::string& out, const Subtitle& s, Warnings& warnings) {
  if (n_++) out += "\r\n";
  const std::size_t n = n_;
  const std::string& in = s.inCue.digits().size() == 8 ? s.inCue.digits() : std::string("00000000");
  const std::string& outCue = s.outCue.digits().size() == 8 ? s.outCue.digits() : in;
  if (s.inCue.digits().size() != 8 || s.outCue.digits().size() != 8)
    warnings.push_back("Subtitle " + ZeroPad(static_cast<long>(n), 4) +
                       " has an unset cue; written with a zero-length time");
  tenHours_ = tenHours_ || in[0] != '0' || outCue[0] != '0';
  AppendMillisCueText(out, in, '.', rate_, 1);
  out += ',';
  AppendMillisCueText(out, outCue, '.', rate_, 1);
  TagWriter writer({.escapeAll = false, .colours = true});
  std::string_view text = s.text;
  for (std::size_t start = 0;;) {
    std::size_t p = text.find("\r\n", start);
    out += "\r\n";
    // A subtitle in italics as a whole has each row in italics tags.
    if (s.italic) out += "<i>";
    writer.AppendRow(out, text.substr(start, p == std::string_view::npos ? std::string_view::npos : p - start));
    if (s.italic) out += "</i>";
    if (p == std::string_view::npos) break;
    start = p + 2;
  }
  out += "\r\n";
}

void SbvWriter::Finish(std::string&, Warnings& warnings) {
  if (tenHours_) warnings.push_back("Cues of 10 hours and above lose their first hour digit in SBV files");
}

std::string WriteSbv(const SubtitleDocument& doc, Warnings& warnings) {
  SbvWriter writer(doc);
  return WriteCueList(writer, doc, CueListRoom(doc, 64), warnings);
}

SubtitleDocument ReadSbv(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  return CollectCues(&ReadSbvCues, text, rate, warnings, text.size() / 32 + 1);
}

void ReadSbvCues(std::string_view text, const FrameRate& rate, SubtitleDocument& header, const SubtitleSink& sink,
                 Warnings& warnings) {
  header.SetFrameRate(rate.code);
  LineReader reader(StripBomChar(text));
  std::string_view line;
  bool more = reader.Next(line);
  auto next = [&] { more = reader.Next(line); };
  std::size_t taken = 0;
  bool any = false;
  while (more) {
    while (more && IsBlank(line)) next();
    if (!more) break;
    auto timing = ReadSbvTiming(line, rate);
    if (!timing) {
      warnings.push_back("A block without a timing line was skipped: " + std::string(line.substr(0, 60)));
      while (more && !IsBlank(line)) next();
      continue;
    }
    any = true;
    Subtitle s;
    s.inCue = timing->in;
    s.outCue = timing->out;
    TagReader tags;
    next();
    for (bool first = true; more && !IsBlank(line); next(), first = false) {
      if (!first) s.text += "\r\n";
      tags.AppendLine(s.text, LineBreaks(line));
    }
    if (taken == kMaxSubtitles) {
      warnings.push_back("Only the first " + std::to_string(kMaxSubtitles) + " subtitles were read");
      break;
    }
    ++taken;
    sink(std::move(s));
  }
  if (!any) throw InvalidFileFormat("This is not a valid YouTube SBV file");
}

}  // namespace kipo
