#include "timing/bulk_cues.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/text_util.h"
#include "platform/user_error.h"
#include "timing/interval_rule.h"

namespace kipo {
namespace {

bool IsSet(const CueDigits& c) { return IsCompleteCue(c); }

void Announce(const BeforeCueChange& before, std::size_t first, std::size_t count) {
  if (before) before(first, count);
}

struct CueEdit {
  std::size_t index;
  bool out;  // the out cue, else the in cue
  CueDigits value;
};

// Applies edits collected first, so that the undo hook sees the exact range beforehand.
void Apply(SubtitleDocument& doc, const std::vector<CueEdit>& edits, const BeforeCueChange& before) {
  if (edits.empty()) return;
  std::size_t lo = edits.front().index, hi = edits.front().index;
  for (const CueEdit& e : edits) {
    lo = std::min(lo, e.index);
    hi = std::max(hi, e.index);
  }
  Announce(before, lo, hi - lo + 1);
  if (hi - lo + 1 == doc.Count() && edits.size() > 1) {
    // Whole-document edits: one change for the listeners instead of one per cue.
    std::vector<Subtitle> all = doc.Subtitles();
    for (const CueEdit& e : edits) (e.out ? all[e.index].outCue : all[e.index].inCue) = e.value;
    doc.ReplaceAll(std::move(all));
    return;
  }
  for (const CueEdit& e : edits) {
    if (e.out)
      doc.SetOutCue(e.index, e.value);
    else
      doc.SetInCue(e.index, e.value);
  }
}

}  // namespace

int FixInvalidIntervals(SubtitleDocument& doc, const HouseOptions& house, Prompter& prompter,
                        const BeforeCueChange& before) {
  const FrameRate& rate = doc.frameRate();
  std::vector<CueEdit> edits;
  std::vector<std::size_t> negative;  // subtitles the fix leaves with out <= in
  for (std::size_t i = 0; i + 1 < doc.Count(); ++i) {
    const Subtitle& s = doc.At(i);
    const Subtitle& next = doc.At(i + 1);
    if (!IsSet(s.outCue) || !IsSet(next.inCue)) continue;
    Timecode out = LabelToFrames(s.outCue, rate);
    Timecode nextIn = LabelToFrames(next.inCue, rate);
    if (out <= 0 || nextIn <= 0) continue;
    if (!IsInvalidInterval(nextIn - out, house)) continue;
    const Timecode fixed = std::max<Timecode>(nextIn - house.defaultInterval, 0);
    edits.push_back({i, true, FramesToDigits(fixed, rate)});
    // Overlapping subtitles: the out cue moves to or before its own in cue.
    if (IsSet(s.inCue) && fixed <= LabelToFrames(s.inCue, rate)) negative.push_back(i);
  }
  Apply(doc, edits, before);
  int count = static_cast<int>(edits.size());
  std::string text = count == 0 ? std::string("No invalid intervals found")
                                : "Kipo has fixed " + std::to_string(count) + " invalid intervals";
  if (!negative.empty()) {
    text += "\n" + std::to_string(negative.size()) + (negative.size() == 1 ? " subtitle now ends" : " subtitles now end") +
            " before it starts (a negative duration); check the timing of subtitle";
    for (std::size_t k = 0; k < negative.size() && k < 20; ++k)
      text += (k ? ", " : " ") + ZeroPad(static_cast<long>(negative[k] + 1), 4);
    if (negative.size() > 20) text += ", ...";
  }
  prompter.Inform("Fix invalid intervals", text);
  return count;
}

int FillBlankOutCues(SubtitleDocument& doc, const HouseOptions& house, Prompter& prompter,
                     const BeforeCueChange& before) {
  const FrameRate& rate = doc.frameRate();
  std::vector<CueEdit> edits;
  const std::size_t n = doc.Count();
  for (std::size_t i = 0; i + 1 < n; ++i) {
    if (IsSet(doc.At(i).outCue) || !IsSet(doc.At(i + 1).inCue)) continue;
    edits.push_back({i, true, FramesToDigits(LabelToFrames(doc.At(i + 1).inCue, rate) - house.defaultInterval, rate)});
  }
  bool last = n > 0 && IsSet(doc.At(n - 1).inCue) && !IsSet(doc.At(n - 1).outCue);
  if (last)
    edits.push_back(
        {n - 1, true, FramesToDigits(LabelToFrames(doc.At(n - 1).inCue, rate) + house.defaultDuration, rate)});
  Apply(doc, edits, before);
  if (last)
    prompter.Inform(kAppTitle,
                    "The out cue of the last subtitle in the file did not contain a valid out cue.\n"
                    "This has been set to the in cue plus the default duration.");
  return static_cast<int>(edits.size());
}

CueDigits ScaleCue(std::string_view cue, double factor, const FrameRate& rate) {
  if (cue.empty()) return {};
  // Shorter digit strings are read right-aligned, as a zero-padded number would be.
  std::string d = std::string(cue.size() < 8 ? 8 - cue.size() : 0, '0') + std::string(cue.substr(0, 8));
  auto field = [&d](int at) { return static_cast<long>(LeadingNumber(d.substr(static_cast<std::size_t>(at), 2))); };
  double ms = static_cast<double>((field(0) * 3600 + field(2) * 60 + field(4)) * 1000) + field(6) * 41.666;
  long scaled = std::lround(ms * factor);
  return StripSeparators(MillisToLabel(scaled, rate));
}

int ScaleCues(SubtitleDocument& doc, double factor, const BeforeCueChange& before) {
  const FrameRate& rate = doc.frameRate();
  std::vector<CueEdit> edits;
  for (std::size_t i = 0; i < doc.Count(); ++i) {
    const Subtitle& s = doc.At(i);
    if (IsSet(s.inCue)) edits.push_back({i, false, ScaleCue(s.inCue, factor, rate)});
    if (IsSet(s.outCue)) edits.push_back({i, true, ScaleCue(s.outCue, factor, rate)});
  }
  Apply(doc, edits, before);
  return static_cast<int>(edits.size());
}

int OffsetCues(SubtitleDocument& doc, std::size_t from, Timecode offset, const BeforeCueChange& before) {
  const FrameRate& rate = doc.frameRate();
  std::vector<CueEdit> edits;
  auto shift = [&](const CueDigits& c) {
    long f = static_cast<long>(LabelToFrames(c, rate)) + offset;
    return FramesToDigits(static_cast<Timecode>(std::max(0L, f)), rate);
  };
  for (std::size_t i = from; i < doc.Count() && offset != 0; ++i) {
    const Subtitle& s = doc.At(i);
    if (IsSet(s.inCue)) edits.push_back({i, false, shift(s.inCue)});
    if (IsSet(s.outCue)) edits.push_back({i, true, shift(s.outCue)});
  }
  Apply(doc, edits, before);
  return static_cast<int>(edits.size());
}

int QuickOffset(SubtitleDocument& doc, std::size_t current, Timecode videoPosition, const BeforeCueChange& before) {
  if (current >= doc.Count() || !IsSet(doc.At(current).inCue))
    throw UserError(kAppTitle, "The current subtitle has no in cue to move to the video position.");
  Timecode offset = videoPosition - LabelToFrames(doc.At(current).inCue, doc.frameRate());
  return OffsetCues(doc, current, offset, before);
}

namespace {

bool ClearCues(SubtitleDocument& doc, std::size_t first, std::size_t count, const BeforeCueChange& before) {
  if (first >= doc.Count() || count == 0) return false;
  count = std::min(count, doc.Count() - first);
  std::vector<CueEdit> edits;
  for (std::size_t i = first; i < first + count; ++i) {
    edits.push_back({i, false, {}});
    edits.push_back({i, true, {}});
  }
  Apply(doc, edits, before);
  return true;
}

}  // namespace

bool DeleteCurrentCues(SubtitleDocument& doc, std::size_t current, Prompter& prompter, const BeforeCueChange& before) {
  if (current >= doc.Count()) return false;
  if (prompter.Ask({"Confirm cue delete", "Delete current in and out cue?", Buttons::YesNo, Icon::Question}) !=
      Answer::Yes)
    return false;
  return ClearCues(doc, current, 1, before);
}

bool DeleteCuesFromHere(SubtitleDocument& doc, std::size_t current, Prompter& prompter,
                        const BeforeCueChange& before) {
  if (current >= doc.Count()) return false;
  if (prompter.Ask({"Confirm Delete Cues", "Delete time cues from this point forward?", Buttons::YesNo,
                    Icon::Warning}) != Answer::Yes)
    return false;
  return ClearCues(doc, current, doc.Count() - current, before);
}

bool DeleteAllCues(SubtitleDocument& doc, Prompter& prompter, const BeforeCueChange& before) {
  if (doc.Count() == 0) return false;
  if (prompter.Ask({"Confirm Delete All Cues", "Delete time cues for all subtitles?", Buttons::YesNo,
                    Icon::Warning}) != Answer::Yes)
    return false;
  return ClearCues(doc, 0, doc.Count(), before);
}

const char* RangeActionCaption(RangeAction a) {
  switch (a) {
    case RangeAction::WholeSubtitles: return "Delete whole subtitle";
    case RangeAction::TextOnly: return "Delete subtitle text only";
    case RangeAction::CuesOnly: return "Delete subtitle cues only";
  }
  return "";
}

const char* RangeActionUndoName(RangeAction a) {
  switch (a) {
    case RangeAction::WholeSubtitles: return "MultipleSubtitleDelete";
    case RangeAction::TextOnly: return "DeleteRangeText";
    case RangeAction::CuesOnly: return "MultipleCueDelete";
  }
  return "";
}

RangeOutcome DeleteRange(SubtitleDocument& doc, long start, long end, RangeAction action, Prompter& prompter,
                         const BeforeCueChange& before) {
  const long count = static_cast<long>(doc.Count());
  if (end > count) {
    prompter.Inform(kAppTitle, "Current file only contains " + std::to_string(count) + " subtitles");
    return RangeOutcome::Refused;
  }
  if (start < 1) {
    prompter.Inform(kAppTitle, "The first subtitle to delete must be number 1 or above");
    return RangeOutcome::Refused;
  }
  if (end < start) {
    prompter.Inform(kAppTitle, "The last subtitle to delete (" + std::to_string(end) +
                                   ") comes before the first (" + std::to_string(start) + ")");
    return RangeOutcome::Refused;
  }
  const char* question = action == RangeAction::WholeSubtitles ? "Delete text and cues from selected subtitles?"
                         : action == RangeAction::TextOnly      ? "Delete text from selected subtitles?"
                                                                : "Delete cues from selected subtitles?";
  if (prompter.Ask({"Confirm Delete", question, Buttons::OkCancel, Icon::Question}) != Answer::Ok)
    return RangeOutcome::Cancelled;

  const auto first = static_cast<std::size_t>(start - 1);
  const auto n = static_cast<std::size_t>(end - start + 1);
  switch (action) {
    case RangeAction::WholeSubtitles:
      Announce(before, first, n);
      doc.RemoveRange(first, n);
      break;
    case RangeAction::TextOnly:
      Announce(before, first, n);
      for (std::size_t i = first; i < first + n; ++i)
        if (!doc.At(i).text.empty()) doc.SetText(i, {});
      break;
    case RangeAction::CuesOnly:
      ClearCues(doc, first, n, before);
      break;
  }
  return RangeOutcome::Deleted;
}

}  // namespace kipo
