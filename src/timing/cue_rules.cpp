#include "timing/cue_rules.h"

#include <algorithm>

#include "platform/user_error.h"

namespace kipo {

std::optional<Timecode> CueFieldFrames(std::string_view field, const FrameRate& rate) {
  std::string d = StripSeparators(field);
  if (!IsCompleteCue(d)) return std::nullopt;
  return LabelToFrames(d, rate);
}

std::size_t CueFieldDigits(std::string_view field) { return StripSeparators(field).size(); }

RecalculatedCues RecalculateOutCue(const EditCues& c, std::string_view text, const TimingParameters& p) {
  if (!c.in && !c.lastOut) throw UserError(kAppTitle, kCannotRecalculateOut);
  Timecode d = ReadingDuration(text, p);
  std::optional<Timecode> in = c.in;
  if (c.inFieldEmpty && c.lastOut) in = *c.lastOut + p.defaultInterval;
  // Some digits typed but not all: there is still no in cue to start from.
  if (!in) throw UserError(kAppTitle, kCannotRecalculateOut);
  Timecode out = *in + d;
  if (c.nextIn) out = std::min(out, *c.nextIn - p.defaultInterval);
  return {*in, out};
}

Timecode RecalculateInCue(const EditCues& c, std::string_view text, const TimingParameters& p) {
  if (!c.out) throw UserError(kAppTitle, kCannotRecalculateIn);
  Timecode in = *c.out - ReadingDuration(text, p);
  // Without a previous out cue the rule keeps the first subtitle clear of frame 0 by
  // counting defaultInterval + 1 as its previous out.
  Timecode prev = c.lastOut.value_or(p.defaultInterval + 1);
  if (in - prev < p.defaultInterval) in = prev + p.defaultInterval;
  return std::max<Timecode>(in, 0);
}

int CheckCurrentCues(std::string_view inField, std::string_view outField, int karaokeRole, const FrameRate& rate,
                     const TimingParameters& p) {
  std::size_t ni = CueFieldDigits(inField), no = CueFieldDigits(outField);
  if (ni >= 1 && ni <= 7) return kLeaveInIncomplete;
  if (no >= 1 && no <= 7) return kLeaveOutIncomplete;
  auto in = CueFieldFrames(inField, rate), out = CueFieldFrames(outField, rate);
  if (!in || !out) return kLeaveOk;
  Timecode d = *out - *in;
  if (d < p.minDuration && karaokeRole == 0) return kLeaveTooShort;
  if (d > p.maxDuration) return kLeaveTooLong;
  return kLeaveOk;
}

std::string DurationLessWarning(const TimingParameters& p) {
  return "Subtitle duration is less than " + DurationText(p.minDuration, p.fps);
}
std::string DurationGreaterWarning(const TimingParameters& p) {
  return "Subtitle duration is greater than " + DurationText(p.maxDuration, p.fps);
}
std::string LastIntervalWarning(const TimingParameters& p) {
  return std::string("Interval between current and last subtitle is less than") + " " +
         std::to_string(p.defaultInterval) + " frames";
}
std::string NextIntervalWarning(const TimingParameters& p) {
  return std::string("Interval between current and next subtitle is less than") + " " +
         std::to_string(p.defaultInterval) + " frames";
}

std::optional<std::string> ApplyPolicy(CueRulePolicy policy, const std::string& warning) {
  switch (policy) {
    case CueRulePolicy::Prevent: return std::nullopt;
    case CueRulePolicy::Warn: return warning;
    case CueRulePolicy::Allow: break;
  }
  return std::string();
}

namespace {

// Runs one failed rule through its policy; false when the move is discarded. The first
// warning of a move is the one shown.
bool Decide(CueRulePolicy policy, const std::string& warning, CueMove& m, bool canPrevent = true) {
  if (policy == CueRulePolicy::Prevent && !canPrevent) return true;  // nothing to protect: silent
  auto w = ApplyPolicy(policy, warning);
  if (!w) return false;
  if (m.warning.empty()) m.warning = *w;
  return true;
}

CueMove MoveIn(const EditCues& c, bool later, int step, const TimingParameters& p, const HouseOptions& h) {
  CueMove m;
  if (!c.in) return m;
  Timecode in = *c.in + (later ? step : -step);
  if (in < 0) return m;
  m.cue = in;
  auto dur = [&] { return *c.out - in; };
  auto lock = [&] {
    Timecode gap = *c.in - *c.lastOut;
    m.neighbour = std::max<Timecode>(0, in - std::max<Timecode>(gap, p.defaultInterval));
  };
  if (later) {
    if (c.out && dur() < p.minDuration && !Decide(h.durationTooShortPolicy, DurationLessWarning(p), m)) return m;
    if (h.lockCues && c.lastOut && *c.in - *c.lastOut <= p.defaultInterval) lock();
  } else {
    // An unset previous out cue counts as frame 0, but Prevent then has nothing to protect.
    if (in < c.lastOut.value_or(0) + p.defaultInterval) {
      if (h.lockCues) {
        if (c.lastOut) lock();
      } else if (!Decide(h.lastIntervalPolicy, LastIntervalWarning(p), m, c.lastOut.has_value())) {
        return m;
      }
    }
    if (c.out && dur() > p.maxDuration && !Decide(h.durationTooLongPolicy, DurationGreaterWarning(p), m)) return m;
    if (c.out && dur() < p.minDuration && !Decide(h.durationTooShortPolicy, DurationLessWarning(p), m)) return m;
  }
  m.applied = true;
  return m;
}

CueMove MoveOut(const EditCues& c, bool later, int step, const TimingParameters& p, const HouseOptions& h) {
  CueMove m;
  if (!c.out) return m;
  Timecode out = *c.out + (later ? step : -step);
  if (out < 0) return m;
  m.cue = out;
  auto dur = [&] { return out - *c.in; };
  auto lock = [&] {
    Timecode gap = *c.nextIn - *c.out;
    m.neighbour = out + std::max<Timecode>(gap, p.defaultInterval);
  };
  if (later) {
    if (c.in && dur() > p.maxDuration && !Decide(h.durationTooLongPolicy, DurationGreaterWarning(p), m)) return m;
    if (c.in && dur() < p.minDuration && !Decide(h.durationTooShortPolicy, DurationLessWarning(p), m)) return m;
    // Without a next in cue there is no interval to keep.
    if (c.nextIn && out > *c.nextIn - p.defaultInterval) {
      if (h.lockCues) lock();
      else if (!Decide(h.nextIntervalPolicy, NextIntervalWarning(p), m)) return m;
    }
  } else {
    if (c.in && dur() < p.minDuration && !Decide(h.durationTooShortPolicy, DurationLessWarning(p), m)) return m;
    if (h.lockCues && c.nextIn && *c.nextIn - *c.out <= p.defaultInterval) lock();
  }
  m.applied = true;
  return m;
}

}  // namespace

CueMove MoveCue(const EditCues& c, CueField field, bool later, int step, const TimingParameters& p,
                const HouseOptions& h) {
  return field == CueField::In ? MoveIn(c, later, step, p, h) : MoveOut(c, later, step, p, h);
}

bool StartsWithSubtitleZero(const SubtitleDocument& doc) {
  return doc.Count() > 0 && doc.At(0).inCue == "00000000" && doc.At(0).outCue == "00000008";
}

}  // namespace kipo
