#include "formats/exchange/webvtt.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <span>

#include "core/rich_text.h"
#include "formats/exchange/cue_text.h"
#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

std::string Numbered(std::size_t n) { return ZeroPad(static_cast<long>(n), 4); }

// WebVTT forbids "-->" inside cue text and notes; the arrow loses its ">".
std::string NoArrow(std::string s, bool& changed) {
  std::size_t p;
  while ((p = s.find("-->")) != std::string::npos) {
    s.replace(p, 3, "--");
    changed = true;
  }
  return s;
}

void AppendCueLine(std::string& out, std::string_view row, bool italic, TagWriter& w) {
  if (italic) out += "<i>";
  w.AppendRow(out, row);
  if (italic) out += "</i>";
  out += "\r\n";
}

}  // namespace

int DisplayFormatWidth(int index) {
  switch (index) {
    case 3: return 1280;
    case 4: return 1920;
    case 5: return 1998;
    case 6: return 2048;
    case 9: return 3996;
    case 10: return 4096;
    default: return 720;
  }
}

std::string WebVttCueSettings(const Subtitle& s, const WebVttOptions& o, const TextMeasurer& m) {
  if (!o.includePositioning) return {};
  switch (s.alignment) {
    case AlignLeft: return " align:start";
    case AlignRight: return " align:end";
    case AlignCentreLeft: {
      std::vector<std::string> rows = SplitRows(s.text);
      if (rows.size() < 2) return " align:middle";
      double widest = 0;
      for (const std::string& r : rows) widest = std::max(widest, m.Width(UnescapeLiterals(StripMarkup(r)), o.font));
      double w = widest * 0.75;
      int W = o.frameWidth > 0 ? o.frameWidth : 720;
      long left = std::lround(std::floor((W - w) / 2));
      long p = std::lround(static_cast<double>(left) / W * 100);
      p = std::clamp(p, 0L, 100L);
      return " align:start position:" + std::to_string(p) + "%";
    }
    default: return " align:middle";  // centred, and codes outside 1-4
  }
}

std::string WriteWebVtt(const SubtitleDocument& doc, const WebVttOptions& o, Warnings& warnings) {
  std::unique_ptr<TextMeasurer> own;
  const TextMeasurer* m = o.measurer;
  bool anyCentreLeft = false;
  for (const Subtitle& s : doc.Subtitles()) anyCentreLeft = anyCentreLeft || s.alignment == AlignCentreLeft;
  if (!m && o.includePositioning && anyCentreLeft) {
    own = std::make_unique<FixedWidthMeasurer>(o.font.pixelSize / 2);  // no layout handed in: an estimate
    m = own.get();
  }
  FixedWidthMeasurer unused(0);
  if (!m) m = &unused;

  const FrameRate& rate = doc.frameRate();
  std::string out;
  out.reserve(doc.Count() * 72 + 16);
  bool nameChanged = false;
  std::string name = NoArrow(o.movieName, nameChanged);
  for (char& c : name)
    if (c == '\r' || c == '\n') c = ' ';
  out += "WEBVTT ";
  out += name;
  out += "\r\n\r\n";
  std::size_t n = 0;
  const std::size_t count = doc.Count();
  bool droppedColour = false;
  for (const Subtitle& s : doc.Subtitles()) {
    ++n;
    if (s.text.empty()) continue;
    bool arrow = false, blank = false;
    out += std::to_string(n);
    out += "\r\n";
    out += s.inCue.digits().size() == 8 ? MillisCueText(s.inCue, '.', rate) : std::string("00:00:00.000");
    out += " --> ";
    // A cue needs an end time; an unset out cue ends where it starts.
    out += MillisCueText(s.outCue.digits().size() == 8 ? s.outCue : s.inCue.digits().size() == 8 ? s.inCue : "00000000", '.', rate);
    if (s.inCue.digits().size() != 8 || s.outCue.digits().size() != 8)
      warnings.push_back("Subtitle " + Numbered(n) + " has an unset cue; written with a zero-length time");
    out += WebVttCueSettings(s, o, *m);
    out += "\r\n";
    std::string_view text = s.text;
    TagWriter writer({.escapeAll = true, .colours = false});
    for (std::size_t start = 0;;) {
      std::size_t p = text.find("\r\n", start);
      std::string_view row = text.substr(start, p == std::string_view::npos ? std::string_view::npos : p - start);
      // An empty line would end the cue, so blank rows are left out. In "-->" the ">" is
      // an italics marker, which the arrow loses.
      if (IsBlank(row)) blank = true;
      else if (row.find("-->") != std::string_view::npos) AppendCueLine(out, NoArrow(std::string(row), arrow), s.italic, writer);
      else AppendCueLine(out, row, s.italic, writer);
      if (p == std::string_view::npos) break;
      start = p + 2;
    }
    droppedColour = droppedColour || writer.droppedColour();
    out += "\r\n";
    if (arrow) warnings.push_back("Subtitle " + Numbered(n) + ": \"-->\" cannot appear in a cue and was written as \"--\"");
    if (blank) warnings.push_back("Subtitle " + Numbered(n) + ": blank rows cannot appear in a cue and were left out");
    if (o.includeComments && !s.comment.empty()) {
      bool noteArrow = false;
      std::string note = NoArrow(s.comment, noteArrow);
      std::vector<std::string> rows;
      for (std::string& r : SplitRows(ReplaceAll(note, "\n", "\r\n")))
        if (!IsBlank(r)) rows.push_back(TrimRight(ReplaceAll(r, "\r", "")));
      out += "NOTE ";
      out += JoinRows(rows);
      out += "\r\n";
      if (n < count) out += "\r\n";
      if (noteArrow) warnings.push_back("Subtitle " + Numbered(n) + ": \"-->\" cannot appear in a note and was written as \"--\"");
    }
  }
  if (droppedColour) warnings.push_back(kColoursNotWritten);
  return out;
}

SubtitleDocument ReadWebVtt(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  std::vector<std::string_view> lines = SplitAnyLines(StripBomChar(text));
  std::string_view first = lines.empty() ? std::string_view() : lines[0];
  if (!StartsWith(first, "WEBVTT") || (first.size() > 6 && first[6] != ' ' && first[6] != '\t'))
    throw InvalidFileFormat("This is not a valid WebVTT file");
  SubtitleDocument doc;
  doc.SetFrameRate(rate.code);
  std::vector<Subtitle> subs;
  std::size_t i = 0;
  // The header block runs to the first blank line.
  while (i < lines.size() && !IsBlank(lines[i])) ++i;
  bool truncated = false;
  while (i < lines.size()) {
    while (i < lines.size() && IsBlank(lines[i])) ++i;
    std::size_t start = i;
    while (i < lines.size() && !IsBlank(lines[i])) ++i;
    if (start == i) break;
    std::span<std::string_view> block(lines.data() + start, i - start);
    std::string head = ToUpperAscii(Trim(block[0]));
    if (StartsWith(head, "NOTE") && (head.size() == 4 || head[4] == ' ' || head[4] == '\t')) {
      if (subs.empty()) continue;  // a note before the first cue belongs to no subtitle
      std::vector<std::string> rows;
      for (std::string_view l : block) rows.emplace_back(l);
      std::string note = Trim(TrimLeft(JoinRows(rows)).substr(4));
      Subtitle& last = subs.back();
      last.comment = last.comment.empty() ? note : last.comment + "\r\n" + note;
      continue;
    }
    std::size_t t = 0;
    if (block[0].find("-->") == std::string_view::npos) {
      if (block.size() < 2 || block[1].find("-->") == std::string_view::npos) continue;  // STYLE, REGION, ...
      t = 1;
    }
    auto timing = ReadArrowTimingLine(block[t], rate);
    if (!timing) {
      warnings.push_back("A cue with an unreadable timing line was skipped: " + std::string(block[t].substr(0, 60)));
      continue;
    }
    if (subs.size() == kMaxSubtitles) {
      truncated = true;
      break;
    }
    Subtitle s;
    s.inCue = timing->in;
    s.outCue = timing->out;
    TagReader tags;
    for (std::size_t k = t + 1; k < block.size(); ++k) {
      if (k > t + 1) s.text += "\r\n";
      tags.AppendLine(s.text, block[k]);
    }
    subs.push_back(std::move(s));
  }
  if (truncated)
    warnings.push_back("The file holds more than " + std::to_string(kMaxSubtitles) + " cues; only the first " +
                       std::to_string(kMaxSubtitles) + " were read");
  doc.ReplaceAll(std::move(subs));
  doc.modified = false;
  return doc;
}

}  // namespace kipo
