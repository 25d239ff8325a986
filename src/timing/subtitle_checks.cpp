#include "timing/subtitle_checks.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "core/rich_text.h"
#include "platform/encoding.h"
#include "platform/text_util.h"
#include "settings/keys.h"
#include "settings/option_table.h"
#include "settings/settings_store.h"
#include "timing/caption_checks.h"
#include "timing/interval_rule.h"
#include "timing/timing_parameters.h"

namespace kipo {
namespace {

constexpr FlagSetting kIgnoreDurationTooLong{"Options", "Ignore duration too long", false, FlagForm::TrueFalse};
constexpr FlagSetting kCcCheckSendTime{"EIA 608", "Check send time", false, FlagForm::OneZero};
constexpr FlagSetting kCcCheckIllegalCharacters{"EIA 608", "Check for illegal characters", false, FlagForm::OneZero};
constexpr FlagSetting kCcCheckRowMapping{"EIA 608", "Check row mapping", false, FlagForm::OneZero};
constexpr FlagSetting kCcCheckF3Italics{"EIA 608", "Check F3 italics", false, FlagForm::OneZero};

const OptionTable<CheckSettings>& CheckTable() {
  static const auto t = OptionTable<CheckSettings>()
                            .Bind(&CheckSettings::ignoreDurationTooLong, kIgnoreDurationTooLong)
                            .Bind(&CheckSettings::ccDelayTolerance, keys::kCcDelayTolerance)
                            .Bind(&CheckSettings::ccCheckSendTime, kCcCheckSendTime)
                            .Bind(&CheckSettings::ccCheckIllegalCharacters, kCcCheckIllegalCharacters)
                            .Bind(&CheckSettings::ccCheckRowMapping, kCcCheckRowMapping)
                            .Bind(&CheckSettings::ccCheckF3Italics, kCcCheckF3Italics)
                            .Bind(&CheckSettings::ultechCueOffset, keys::kUltechCueOffset);
  return t;
}

}  // namespace

CheckSettings CheckSettings::Load(const HouseOptions& house, const SettingsStore& store) {
  CheckSettings s;
  s.house = house;
  s.reading = ReadingOptions::Load(store);
  return CheckTable().Load(store, std::move(s));
}

bool CheckSettings::Enabled(CheckGroup g) const {
  const HouseOptions& h = house;
  switch (g) {
    case CheckGroup::Always: return true;
    case CheckGroup::CuesNotSet: return h.cuesNotSet.effective();
    case CheckGroup::Duration: return h.duration.effective();
    case CheckGroup::InconsistentCues: return h.inconsistentCues.effective();
    case CheckGroup::TooManyRows: return h.tooManyRows.effective();
    case CheckGroup::SafeArea: return h.safeAreaOverride.effective();
    case CheckGroup::ReadingSpeed: return h.readingSpeedCheck.effective();
    case CheckGroup::InvalidInterval: return h.invalidInterval.effective();
    case CheckGroup::EmptySubtitles: return h.emptySubtitles.effective();
    case CheckGroup::TooManyCharacters: return h.tooManyChars.effective();
    case CheckGroup::RaisedSubtitles: return h.raisedSubtitles.effective();
    case CheckGroup::ClosedCaption: return h.closedCaptionChecks;
  }
  return false;
}

namespace {

// A cue that cannot be read as a timecode takes part in no timing check but its format's.
std::optional<Timecode> Frames(const CueDigits& cue, const FrameRate& rate) {
  if (!IsCompleteCue(cue) || !IsValidCue(cue, rate)) return std::nullopt;
  return LabelToFrames(cue, rate);
}

// Calls f(row, k) for every CR LF separated row (k from 1), without copying.
template <typename F>
void ForEachRow(std::string_view text, F&& f) {
  int k = 1;
  for (;;) {
    std::size_t p = text.find(kCrLf);
    f(text.substr(0, p), k++);
    if (p == std::string_view::npos) return;
    text.remove_prefix(p + kCrLf.size());
  }
}

// Characters the single-subtitle check counts: not line breaks, italics or underline
// marks, not spaces unless they count for reading speed, and, with bold markers set, not
// the markers. Colour codes and group markers count.
std::size_t RequiredDurationCount(std::string_view text, const ReadingOptions& o) {
  const MarkerView bold{!o.boldStart.empty(), o.boldStart, o.boldStart.empty() ? std::string_view() : o.boldEnd};
  std::size_t n = 0;
  ScanMarkup(text, bold, [&](Mark m, std::string_view piece) {
    switch (m) {
      case Mark::None:
        for (char c : piece) {
          if (c == '\r' || c == '\n' || (c == ' ' && !o.includeSpaces)) continue;
          n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        }
        return;
      case Mark::Colour:
      case Mark::GroupStart:
      case Mark::GroupEnd: n += CountVisible(piece); return;
      default: return;
    }
  });
  return n;
}

bool ReadingTooFast(const Subtitle& sub, Timecode duration, const TimingParameters& p, const CheckSettings& s,
                    CheckMode mode) {
  if (p.readingSpeed < 1) return false;
  if (mode == CheckMode::Single) {
    double d = std::floor(static_cast<double>(RequiredDurationCount(sub.text, s.reading)) / p.readingSpeed * p.fps);
    return (1.0 - s.house.readingTolerance / 100.0) * d > duration;
  }
  float seconds = static_cast<float>(duration) / p.fps;
  return CharactersPerSecond(sub.text, seconds, s.reading) > p.readingSpeed;
}

}  // namespace

double WidestRow(std::string_view text, bool italic, const BoldMarkers& bold, const RowMeasure& m) {
  double widest = 0;
  for (const RichRow& row : RichText::Parse(text, bold).rows) {
    double w = 0;
    for (const Run& r : row)
      if (r.mark == Mark::None && !r.text.empty()) w += m.Width(r.text, r.style.bold, italic || r.style.italic);
    widest = std::max(widest, w);
  }
  return widest;
}

int SoftWrappedRows(std::string_view text, bool italic, const BoldMarkers& bold, const RowMeasure& m) {
  const double limit = m.SafeWidth();
  int rows = 0;
  ForEachRow(text, [&](std::string_view markup, int) {
    // A row wraps in one style: italic when the subtitle or the whole row is.
    const bool rowItalic = italic || IsWhollyItalic(markup);
    const std::string plain = StripMarkup(markup, bold);
    ++rows;
    std::string line;
    std::size_t start = 0;
    while (start <= plain.size()) {
      std::size_t sp = plain.find(' ', start);
      const std::string word = plain.substr(start, sp == std::string::npos ? std::string::npos : sp - start);
      std::string tried = line.empty() ? word : line + " " + word;
      if (!line.empty() && m.Width(tried, false, rowItalic) > limit) {
        ++rows;
        tried = word;
      }
      line = std::move(tried);
      if (sp == std::string::npos) break;
      start = sp + 1;
    }
  });
  return rows;
}

CueFrames ReadCueFrames(const Subtitle& s, const FrameRate& rate) {
  return {Frames(s.inCue, rate), Frames(s.outCue, rate)};
}

std::vector<CueFrames> ReadAllCueFrames(const SubtitleDocument& doc) {
  std::vector<CueFrames> cues;
  cues.reserve(doc.Count());
  for (const Subtitle& s : doc.Subtitles()) cues.push_back(ReadCueFrames(s, doc.frameRate()));
  return cues;
}

void CollectFaults(const SubtitleDocument& doc, std::size_t index, const CheckSettings& s, CheckMode mode,
                   std::vector<Finding>& out) {
  // Only the subtitle and its two neighbours are read.
  std::vector<CueFrames> cues(doc.Count());
  const FrameRate& rate = doc.frameRate();
  for (std::size_t i = index == 0 ? 0 : index - 1; i <= index + 1 && i < doc.Count(); ++i)
    cues[i] = ReadCueFrames(doc.At(i), rate);
  CollectFaults(doc, index, s, mode, cues, out);
}

void CollectFaults(const SubtitleDocument& doc, std::size_t index, const CheckSettings& s, CheckMode mode,
                   const std::vector<CueFrames>& cues, std::vector<Finding>& out) {
  const Subtitle& sub = doc.At(index);
  const FrameRate& rate = doc.frameRate();
  const HouseOptions& h = s.house;
  const TimingParameters p = TimingParameters::From(h, rate);
  auto add = [&](Fault f, int row = 0, int rows = 0) { out.push_back({f, row, rows}); };
  auto on = [&](CheckGroup g) { return s.Enabled(g); };

  const std::optional<Timecode> in = cues[index].in, outCue = cues[index].out;
  const bool both = in && outCue;
  const Timecode duration = both ? *outCue - *in : 0;
  std::optional<Timecode> prevOut;
  if (index > 0) prevOut = cues[index - 1].out;
  const Timecode prev = prevOut.value_or(-1);

  long italics = 0;  // italics-on markers less italics-off markers
  ScanMarkup(sub.text, {}, [&](Mark m, std::string_view) { italics += (m == Mark::ItalicOn) - (m == Mark::ItalicOff); });
  if (italics != 0) add(Fault::MismatchedItalics);
  if (sub.italic && HasItalicMarkers(sub.text)) add(Fault::InvalidItalics);
  if (on(CheckGroup::CuesNotSet)) {
    if (sub.inCue.empty()) add(Fault::InCueNotSet);
    if (sub.outCue.empty()) add(Fault::OutCueNotSet);
  }
  if (on(CheckGroup::Duration) && both) {
    if (duration > h.maxDuration && !s.ignoreDurationTooLong) add(Fault::DurationTooLong);
    if (duration < h.minDuration) add(Fault::DurationTooShort);
  }
  if (on(CheckGroup::InconsistentCues)) {
    if (both && *outCue <= *in) add(Fault::NegativeDuration);
    if (in && prevOut && prev > *in) add(Fault::InconsistentInCue);
    if (sub.inCue.digits().size() >= 8 && !IsValidCue(sub.inCue, rate)) add(Fault::InvalidInCueFormat);
    if (sub.outCue.digits().size() >= 8 && !IsValidCue(sub.outCue, rate)) add(Fault::InvalidOutCueFormat);
    auto partial = [](const CueDigits& c) { return !c.empty() && c.size() < 8; };
    if (partial(sub.inCue) || partial(sub.outCue)) add(Fault::InvalidCue);
  }
  if (on(CheckGroup::TooManyRows)) {
    int rows = static_cast<int>(CountRows(sub.text));
    if (rows > h.maxRows) {
      add(Fault::TooManyRows, 0, rows);
    } else if (mode == CheckMode::Run && s.display) {
      // The run also says when the rows are too many only as the editor wraps them.
      const int wrapped = SoftWrappedRows(sub.text, sub.italic, s.reading.Bold(), *s.display);
      if (wrapped > h.maxRows) out.push_back({Fault::TooManyRows, 0, wrapped, true});
    }
    if (!h.allowBlankLines && !sub.text.empty()) {
      bool blank = false;
      ForEachRow(sub.text, [&](std::string_view row, int) { blank = blank || row.empty(); });
      if (blank) add(Fault::BlankRows);
    }
  }
  // The safe area is measured in the display's font; the single-subtitle text leaves it out.
  if (on(CheckGroup::SafeArea) && mode != CheckMode::Single && s.display &&
      WidestRow(sub.text, sub.italic, s.reading.Bold(), *s.display) > s.display->SafeWidth())
    add(Fault::SafeAreaOverride);
  if (on(CheckGroup::ReadingSpeed) && both &&
      (h.ignoreReadingBelow <= 0 ? !sub.text.empty()
                                 : CountCodePoints(sub.text) > static_cast<std::size_t>(h.ignoreReadingBelow)) &&
      ReadingTooFast(sub, duration, p, s, mode))
    add(Fault::ReadingSpeed);
  if (on(CheckGroup::InvalidInterval) && sub.karaokeRole == 0 && outCue && index + 1 < doc.Count()) {
    if (auto nextIn = cues[index + 1].in; nextIn && IsInvalidInterval(*nextIn - *outCue, h))
      add(Fault::InvalidInterval);
  }
  if (on(CheckGroup::EmptySubtitles) && sub.text.empty()) add(Fault::Empty);
  if (on(CheckGroup::TooManyCharacters)) {
    const std::size_t limit = static_cast<std::size_t>(std::max<short>(h.maxRowLength, 0));
    ForEachRow(sub.text, [&](std::string_view row, int k) {
      // Markup only shortens a row: a row no longer than the limit in bytes fits.
      if (row.size() > limit && RowLength(row, s.reading) > limit)
        add(Fault::TooManyCharacters, k);
    });
  }
  if (on(CheckGroup::RaisedSubtitles) && sub.row >= 1) add(Fault::Raised);
  if (on(CheckGroup::ClosedCaption)) CollectCaptionTextFaults(sub, s, out);
  if (mode == CheckMode::Run && on(CheckGroup::ClosedCaption)) {
    // A karaoke subtitle follows the previous one of its stanza without a gap.
    if (sub.karaokeRole >= 2 && index > 0 && doc.At(index - 1).karaokeRole >= 1 && in &&
        prevOut && prev != *in)
      add(Fault::KaraokeInterval);
  }
  if (on(CheckGroup::ClosedCaption)) CollectCaptionTimingFaults(doc, index, s, cues, out);
}

std::string CheckSubtitle(const SubtitleDocument& doc, std::size_t index, const CheckSettings& s) {
  std::vector<Finding> found;
  CollectFaults(doc, index, s, CheckMode::Single, found);
  std::string text;
  for (const Finding& f : found) {
    std::string line = f.fault == Fault::DurationTooLong || f.fault == Fault::DurationTooShort
                           ? std::string("Duration too short/long")
                           : ListText(f);
    if (!text.empty()) text += kCrLf;
    text += line;
  }
  return text;
}

}  // namespace kipo
