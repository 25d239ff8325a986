#include "formats/exchange/subrip.h"

#include <algorithm>

#include "formats/exchange/cue_text.h"
#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

constexpr std::string_view kRlm = "\xE2\x80\x8F";  // U+200F RIGHT-TO-LEFT MARK

bool RightToLeft(const SubtitleDocument& doc) { return doc.characterSet() == 177 || doc.characterSet() == 178; }

std::string TagBlock(const Subtitle& s, const SubRipOptions& o) {
  std::string b = "{\\an" + std::to_string(SubRipPositionDigit(s.alignment, s.row)) + " ";
  b += "\\fn" + o.fontName + " ";
  b += "\\fs" + std::to_string(12 + 2 * o.fontSizeIndex) + " ";
  b += "\\b" + std::to_string(o.bold) + " ";
  b += "\\bord" + std::to_string(o.border) + " ";
  b += "\\blur" + std::to_string(o.blur) + " ";
  b += "\\shad" + std::to_string(o.shadow) + "}";
  return b;
}

void AppendLine(std::string& out, std::string_view row, const Subtitle& s, TagWriter& w, const std::string& tags) {
  out += tags;
  if (s.italic) out += "<i>";
  w.AppendRow(out, row);
  if (s.italic) out += "</i>";
}

// Applies "\an" (position digit) to alignment and row, `lines` being the text's rows.
void ApplyPosition(Subtitle& s, int digit, int lines) {
  static const int kAlign[10] = {1, 2, 1, 3, 2, 1, 3, 2, 1, 3};
  s.alignment = kAlign[digit];
  if (digit >= 7) s.row = std::max(0, 11 - lines);
  else if (digit >= 4) s.row = std::max(0, (11 - lines) / 2);
  else s.row = 0;
}

// Removes "{\...}" override blocks from a line; the first "\anN" seen is reported.
std::string StripOverrides(std::string_view line, int& anDigit) {
  std::string out;
  std::size_t i = 0;
  while (i < line.size()) {
    if (line[i] == '{' && i + 1 < line.size() && line[i + 1] == '\\') {
      std::size_t close = line.find('}', i);
      if (close != std::string_view::npos) {
        std::string_view block = line.substr(i, close - i);
        std::size_t an = block.find("\\an");
        if (an != std::string_view::npos && an + 3 < block.size() && anDigit == 0) {
          char d = block[an + 3];
          if (d >= '1' && d <= '9') anDigit = d - '0';
        }
        i = close + 1;
        continue;
      }
    }
    out += line[i++];
  }
  return out;
}

}  // namespace

int SubRipPositionDigit(int alignment, int row) {
  int column = alignment == AlignLeft ? 1 : alignment == AlignRight ? 3 : 2;  // others: centre
  int band = row >= 8 ? 6 : row >= 3 ? 3 : 0;                                  // negative: bottom
  return band + column;
}

SubRipWriter::SubRipWriter(const SubtitleDocument& header, SubRipOptions options)
    : o_(std::move(options)), rate_(header.frameRate()), rtl_(RightToLeft(header)) {}

void SubRipWriter::Add(std::string& out, const Subtitle& s, Warnings& warnings) {
  const std::size_t n = ++n_;
  if (n > 1) out += "\r\n\r\n";
  out += std::to_string(n);
  out += "\r\n";
  if (s.inCue.digits().size() != 8) {
    warnings.push_back("Subtitle " + ZeroPad(static_cast<long>(n), 4) + " has no in cue; written as 00:00:00,000");
    out += "00:00:00,000";
  } else {
    AppendMillisCueText(out, s.inCue, ',', rate_);
  }
  out += " --> ";
  AppendMillisCueText(out, s.outCue, ',', rate_);
  if (s.outCue.digits().size() != 8)
    warnings.push_back("Subtitle " + ZeroPad(static_cast<long>(n), 4) +
                       " has no out cue; its timing line ends after the arrow, which players do not read");
  if (o_.tags) tags_ = TagBlock(s, o_);
  TagWriter writer({.escapeAll = false, .colours = true, .rtlMarks = rtl_});
  std::size_t start = 0;
  std::string_view text = s.text;
  for (;;) {
    std::size_t p = text.find("\r\n", start);
    out += "\r\n";
    AppendLine(out, text.substr(start, p == std::string_view::npos ? std::string_view::npos : p - start), s, writer,
               tags_);
    if (p == std::string_view::npos) break;
    start = p + 2;
  }
}

std::string WriteSubRip(const SubtitleDocument& doc, const SubRipOptions& o, Warnings& warnings) {
  SubRipWriter writer(doc, o);
  return WriteCueList(writer, doc, CueListRoom(doc, 64 + (o.tags ? 64 + o.fontName.size() : 0)), warnings);
}

// One pass over the lines: a cue's text is the lines after its timing line up to the next
// timing line, without the blank lines around it and without the next cue's number.
SubtitleDocument ReadSubRip(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  // Room for every cue the file could hold (a cue takes at least a short timing line such
  // as "0:01-->0:02" and its line end); pages of it never written are never touched.
  return CollectCues(&ReadSubRipCues, text, rate, warnings, text.size() / 12 + 1);
}

void ReadSubRipCues(std::string_view text, const FrameRate& rate, SubtitleDocument& header, const SubtitleSink& sink,
                    Warnings& warnings) {
  header.SetFrameRate(rate.code);
  text = StripBomChar(text);
  std::size_t taken = 0;  // subtitles handed to the sink
  std::vector<std::string_view> body;  // the open cue's lines, its room kept from cue to cue
  TimingLine open;  // the timing of the cue being collected
  bool isOpen = false;
  std::size_t found = 0;
  long lastNumber = 0;  // the last cue number taken off a cue's end
  auto close = [&](bool numberFollows) {
    std::size_t first = 0, last = body.size();  // exclusive
    // The next cue's number sits right before its timing line (it may be missing). After a
    // blank line any number is taken as it; where the blank line is missing too (files
    // joined by hand, some tools' last-minute edits), only the number this cue or the one
    // before it leads up to, so that a row "1984" at the end of a text stays text.
    if (numberFollows && last > first && IsCueNumber(body[last - 1])) {
      const bool afterBlank = last - 1 == first || IsBlank(body[last - 2]);
      long n = 0;
      ParseInt(body[last - 1], n);  // IsCueNumber: digits with spaces around
      if (afterBlank || n == static_cast<long>(found) || (lastNumber != 0 && n == lastNumber + 1)) {
        lastNumber = n;
        --last;
      }
    }
    while (first < last && IsBlank(body[first])) ++first;
    while (last > first && IsBlank(body[last - 1])) --last;
    Subtitle s;
    s.inCue = std::move(open.in);
    s.outCue = std::move(open.out);
    int anDigit = 0;
    TagReader tags;
    if (first < last) s.text.reserve(static_cast<std::size_t>(body[last - 1].end() - body[first].begin()) + 8);
    for (std::size_t i = first; i < last; ++i) {
      if (i > first) s.text += "\r\n";
      if (body[i].find('{') == std::string_view::npos) tags.AppendLine(s.text, body[i]);
      else tags.AppendLine(s.text, StripOverrides(body[i], anDigit));
    }
    if (anDigit) ApplyPosition(s, anDigit, static_cast<int>(std::max<std::size_t>(1, last - first)));
    ++taken;
    sink(std::move(s));
  };
  LineReader lines(text);
  for (std::string_view line; lines.Next(line);) {
    if (line.find("-->") != std::string_view::npos) {
      if (auto t = ReadArrowTimingLine(line, rate)) {
        ++found;
        if (isOpen) close(true);
        isOpen = taken < kMaxSubtitles;
        if (isOpen) {
          open = std::move(*t);
          body.clear();
        }
        continue;
      }
    }
    if (isOpen) body.push_back(line);
  }
  if (isOpen) close(false);
  if (found == 0) throw InvalidFileFormat("This is not a valid SubRip file");
  if (found > kMaxSubtitles)
    warnings.push_back("The file holds " + std::to_string(found) + " subtitles; only the first " +
                       std::to_string(kMaxSubtitles) + " were read");
}

}  // namespace kipo
