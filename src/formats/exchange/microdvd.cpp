#include "formats/exchange/microdvd.h"

#include <algorithm>
#include <cmath>
#include <optional>

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

// "23.976", "25", "29.970": digits with at most one point.
bool IsRateText(std::string_view t) {
  return !t.empty() && t.size() <= 12 && t.find_first_not_of("0123456789.") == std::string_view::npos &&
         std::count(t.begin(), t.end(), '.') <= 1 && t.front() != '.';
}

// The frame-rate choice of a rate as MicroDVD files name it, nullopt when none is near.
std::optional<int> RateCodeOf(std::string_view t) {
  double fps = 0;
  try {
    fps = std::stod(std::string(t));
  } catch (const std::exception&) {
    return std::nullopt;
  }
  std::optional<int> best;
  double gap = 0.02;  // 23.98 for 23.976, 29.97 for 29.970
  for (int code : AllFrameRateCodes()) {
    const double d = std::abs(FrameRate::FromCode(code)->fps() - fps);
    if (d < gap) gap = d, best = code;
  }
  return best;
}

}  // namespace

void MicroDvdWriter::Add(std::string& out, const Subtitle& s, Warnings&) {
  out += '{';
  if (s.inCue.digits().size() == 8) out += std::to_string(LabelToFrames(s.inCue, rate_));
  out += "}{";
  if (s.outCue.digits().size() == 8) out += std::to_string(LabelToFrames(s.outCue, rate_));
  out += '}';
  // A subtitle in italics as a whole carries the format's own italics code for every row
  // ("{y:i}" would be the first row's alone).
  if (s.italic) out += "{Y:i}";
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
  dropped_ = dropped_ || writer.droppedColour();
}

void MicroDvdWriter::Finish(std::string&, Warnings& warnings) {
  if (dropped_) warnings.push_back(kColoursNotWritten);
}

std::string WriteMicroDvd(const SubtitleDocument& doc, Warnings& warnings) {
  MicroDvdWriter writer(doc);
  return WriteCueList(writer, doc, doc.Count() * 48, warnings);
}

SubtitleDocument ReadMicroDvd(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  return CollectCues(&ReadMicroDvdCues, text, rate, warnings, text.size() / 24 + 1);
}

void ReadMicroDvdCues(std::string_view text, const FrameRate& rate, SubtitleDocument& doc, const SubtitleSink& sink,
                      Warnings& warnings) {
  doc.SetFrameRate(rate.code);
  FrameRate r = rate;  // the file's own rate once its first line names one
  FrameCount lastFrame = LastCueFrame(r);
  bool rateLine = false;
  std::size_t taken = 0;
  bool any = false;
  LineReader lines(StripBomChar(text));
  std::vector<bool> rowItalic;  // kept from line to line with their room
  std::string body;
  for (std::string_view line; lines.Next(line);) {
    std::string_view p = line;
    while (!p.empty() && (p.front() == ' ' || p.front() == '\t')) p.remove_prefix(1);
    if (p.empty()) continue;
    long in = -1, out = -1;
    if (!ReadBraced(p, in) || !ReadBraced(p, out)) {
      warnings.push_back("A line without frame counts was skipped: " + std::string(line.substr(0, 60)));
      continue;
    }
    any = true;
    // Control codes "{x:value}" may follow the counts or start a row. "{y:i}" puts its own
    // row in italics, "{Y:i}" every row; the others are dropped.
    bool allItalic = false;
    rowItalic.assign(1, false);
    body.clear();
    for (std::size_t i = 0; i < p.size();) {
      // Text up to the next row break or brace at once.
      std::size_t stop = i;
      while (stop < p.size() && p[stop] != '|' && p[stop] != '{') ++stop;
      body.append(p.data() + i, stop - i);
      i = stop;
      if (i == p.size()) break;
      if (p[i] == '|') rowItalic.push_back(false);
      if (p[i] == '{') {
        std::size_t close = p.find('}', i);
        if (close != std::string_view::npos && close - i > 2 && p[i + 2] == ':') {
          const std::string_view code = p.substr(i + 1, close - i - 1);
          if (code == "y:i" || code == "y:I") rowItalic.back() = true;
          if (code == "Y:i" || code == "Y:I") allItalic = true;
          i = close + 1;
          continue;
        }
      }
      body += p[i++];
    }
    // A first line "{1}{1}23.976" (or "{0}{0}", "{1}{20}") names the frame rate of the
    // file's frame counts; it is not a subtitle.
    if (taken == 0 && !rateLine && in >= 0 && in <= 1 && IsRateText(Trim(body))) {
      rateLine = true;
      if (std::optional<int> code = RateCodeOf(Trim(body))) {
        r = *FrameRate::FromCode(*code);
        lastFrame = LastCueFrame(r);
        doc.SetFrameRate(*code);
      } else {
        warnings.push_back("The file names a frame rate of " + Trim(body) + " fps, which has no place here; read at " +
                           r.label());
      }
      continue;
    }
    Subtitle s;
    // Frame counts beyond 99:59:59 have no label.
    if (in > lastFrame || out > lastFrame) {
      warnings.push_back("A line with frame counts beyond 100 hours was skipped: " + std::string(line.substr(0, 60)));
      continue;
    }
    if (in >= 0) s.inCue = FramesToDigits(static_cast<Timecode>(in), r);
    if (out >= 0) s.outCue = FramesToDigits(static_cast<Timecode>(out), r);
    TagReader tags;
    std::string_view rest = body;
    while (!rest.empty() && (rest.back() == ' ' || (rest.back() >= '\t' && rest.back() <= '\r'))) rest.remove_suffix(1);
    // Every row in italics is an italic subtitle; some rows alone carry the markers.
    const bool whole = allItalic || std::find(rowItalic.begin(), rowItalic.end(), false) == rowItalic.end();
    std::size_t row = 0;
    for (std::size_t start = 0;; ++row) {
      std::size_t bar = rest.find('|', start);
      if (start) s.text += "\r\n";
      const bool marked = !whole && row < rowItalic.size() && rowItalic[row];
      if (marked) s.text += kItalicOn;
      tags.AppendLine(s.text, rest.substr(start, bar == std::string_view::npos ? bar : bar - start));
      if (marked) s.text += kItalicOff;
      if (bar == std::string_view::npos) break;
      start = bar + 1;
    }
    s.italic = whole;
    if (taken == kMaxSubtitles) {
      warnings.push_back("Only the first " + std::to_string(kMaxSubtitles) + " subtitles were read");
      break;
    }
    ++taken;
    sink(std::move(s));
  }
  if (!any) throw InvalidFileFormat("This is not a valid MicroDVD file");
}

}  // namespace kipo
