#include "timing/statistics.h"

#include <cmath>
#include <cstdio>

#include "core/markup.h"
#include "platform/encoding.h"
#include "platform/text_util.h"

namespace kipo {

long CountWords(std::string_view row) {
  long n = 0;
  while (!row.empty()) {
    std::size_t sp = row.find(' ');
    std::string_view tok = row.substr(0, sp);
    if (!tok.empty() && tok.find_first_not_of(",.-!<>?") != std::string_view::npos) ++n;
    if (sp == std::string_view::npos) break;
    row.remove_prefix(sp + 1);
  }
  return n;
}

namespace {

std::optional<Timecode> Frames(const CueDigits& cue, const FrameRate& rate) {
  if (!IsCompleteCue(cue) || !IsValidCue(cue, rate)) return std::nullopt;
  return LabelToFrames(cue, rate);
}

// The alignment every row of a subtitle uses, 0 when its rows differ.
int RowsAlignment(const Subtitle& s, std::size_t rows) {
  int common = -1;
  for (std::size_t k = 0; k < rows && k < s.rowAlignments.size(); ++k) {
    char c = s.rowAlignments[k];
    int a = c >= '1' && c <= '9' ? c - '0' : s.alignment;
    if (common == -1) common = a;
    else if (a != common) return 0;
  }
  return common == -1 ? s.alignment : common;
}

std::string Fixed(double v, int decimals) {
  char buf[64];
  // Half away from zero, as the report's number format rounds.
  double scale = decimals == 1 ? 10.0 : 1.0;
  std::snprintf(buf, sizeof buf, "%.*f", decimals, std::round(v * scale) / scale);
  return buf;
}

double Ratio(double a, double b) { return b == 0 ? 0 : a / b; }

}  // namespace

Statistics ComputeStatistics(const SubtitleDocument& doc, const TimingParameters& p, const ReadingOptions& o) {
  Statistics st;
  const FrameRate& rate = doc.frameRate();
  st.subtitles = static_cast<long>(doc.Count());
  bool anyDuration = false;
  for (std::size_t i = 0; i < doc.Count(); ++i) {
    const Subtitle& s = doc.At(i);
    const int number = static_cast<int>(i + 1);
    std::size_t rows = s.text.empty() ? 0 : CountRows(s.text);
    st.rows += static_cast<long>(rows);
    st.characters += static_cast<long>(CharactersPerSecondCount(s.text, o));
    std::string_view t = s.text;
    while (!t.empty()) {
      std::size_t e = t.find(kCrLf);
      std::string_view row = t.substr(0, e);
      st.words += CountWords(row);
      // The same rule as the row-length check, bold markers included.
      long len = static_cast<long>(RowLength(row, o));
      if (len > st.maxRowLength) {
        st.maxRowLength = len;
        st.maxRowSubtitle = number;
      }
      if (e == std::string_view::npos) break;
      t.remove_prefix(e + kCrLf.size());
    }
    auto in = Frames(s.inCue, rate), out = Frames(s.outCue, rate);
    if (!in || !out) ++st.emptyOrInvalidCues;
    // A negative duration is a fault of its own; it adds nothing to the screen time.
    if (in && out && *out >= *in) {
      Timecode d = *out - *in;
      st.totalDuration += d;
      if (!anyDuration || d < st.minDuration) st.minDuration = d, st.minDurationSubtitle = number;
      if (!anyDuration || d > st.maxDuration) st.maxDuration = d, st.maxDurationSubtitle = number;
      anyDuration = true;
    }
    if (s.text.empty()) ++st.emptySubtitles;
    switch (RowsAlignment(s, rows)) {
      case 0: ++st.mixed; break;
      case AlignLeft: ++st.left; break;
      case AlignCentre: ++st.centre; break;
      case AlignRight: ++st.right; break;
      case AlignCentreLeft: ++st.centreLeft; break;
      default: break;
    }
    if (s.row >= 1) ++st.raised;
    if (s.boxStyle != BoxNone) ++st.outlined;
    if (s.italic || IsWhollyItalic(s.text)) ++st.italicised;
    if (!s.comment.empty()) ++st.commented;
  }
  if (p.readingSpeed >= 1)
    st.idealTotalDuration =
        static_cast<Timecode>(std::floor(static_cast<double>(st.characters) / p.readingSpeed * p.fps));
  st.requiredReadingSpeed = Ratio(static_cast<double>(st.characters), st.totalDuration / static_cast<double>(p.fps));
  return st;
}

std::vector<std::pair<std::string, std::string>> StatisticsItems(const Statistics& s, const SubtitleDocument& doc,
                                                                 const TimingParameters& p) {
  const FrameRate& rate = doc.frameRate();
  auto tc = [&](Timecode f) { return FramesToLabel(f, rate); };
  auto of = [](int number) { return " (subtitle " + std::to_string(number) + ")"; };
  auto n = [](long v) { return std::to_string(v); };
  const double subs = static_cast<double>(s.subtitles);
  std::vector<std::pair<std::string, std::string>> items{
      {"Subtitles", n(s.subtitles)},
      {"Rows", n(s.rows)},
      {"Words", n(s.words)},
      {"Characters", n(s.characters)},
      {"Average rows per subtitle", Fixed(Ratio(s.rows, subs), 1)},
      {"Average words per subtitle", Fixed(Ratio(s.words, subs), 1)},
      {"Average words per row", Fixed(Ratio(s.words, s.rows), 1)},
      {"Average characters per subtitle", Fixed(Ratio(s.characters, subs), 0)},
      {"Average characters per row", Fixed(Ratio(s.characters, s.rows), 0)},
      {"Maximum row length", n(s.maxRowLength) + (s.maxRowSubtitle ? of(s.maxRowSubtitle) : "")},
      {"Total subtitle duration", tc(s.totalDuration)},
      {"Ideal total subtitle duration", tc(s.idealTotalDuration)},
      {"Average subtitle duration", tc(s.subtitles ? s.totalDuration / s.subtitles : 0)},
      {"Ideal average subtitle duration", tc(s.subtitles ? s.idealTotalDuration / s.subtitles : 0)},
      {"Minimum subtitle duration", tc(s.minDuration) + (s.minDurationSubtitle ? of(s.minDurationSubtitle) : "")},
      {"Maximum subtitle duration", tc(s.maxDuration) + (s.maxDurationSubtitle ? of(s.maxDurationSubtitle) : "")},
      {"Required reading speed", Fixed(s.requiredReadingSpeed, 1) + " cps"},
      {"Errors", ""},
      {"Empty subtitles", n(s.emptySubtitles)},
      {"Empty or invalid cues", n(s.emptyOrInvalidCues)},
      {"Left aligned subtitles", n(s.left)},
      {"Centre aligned subtitles", n(s.centre)},
      {"Right aligned subtitles", n(s.right)},
      {"Centre left aligned subtitles", n(s.centreLeft)},
      {"Mixed aligned subtitles", n(s.mixed)},
      {"Raised subtitles", n(s.raised)},
      {"Outlined subtitles", n(s.outlined)},
      {"Italicised subtitles", n(s.italicised)},
      {"Commented subtitles", n(s.commented)},
  };
  return items;
}

std::string BuildStatistics(const SubtitleDocument& doc, const TimingParameters& p, const ReadingOptions& o,
                            std::string_view eol) {
  Statistics s = ComputeStatistics(doc, p, o);
  std::string t;
  for (const auto& [label, value] : StatisticsItems(s, doc, p)) {
    t += label;
    t += eol;
    if (label == "Errors") continue;  // a heading, not an item
    t += value;
    t += eol;
  }
  return t;
}

std::string StatisticsReportText(const SubtitleDocument& doc, const TimingParameters& p, const ReadingOptions& o,
                                 const std::string& fileName, const std::string& date, std::string_view eol) {
  std::string t = "Report for " + fileName + " created on " + date;
  t += eol;
  t += eol;
  t += "Statistics: ";
  t += eol;
  return t + BuildStatistics(doc, p, o, eol);
}

}  // namespace kipo
