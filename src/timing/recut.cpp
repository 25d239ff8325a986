#include "timing/recut.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "timing/interval_rule.h"

namespace kipo {
namespace {

// A typed cue ("HH:MM:SS:FF" or bare digits) when it holds exactly eight digits.
std::optional<std::string> TypedCue(std::string_view text) {
  std::string d = StripSeparators(text);
  if (!IsCompleteCue(d)) return std::nullopt;
  return d;
}

struct Refusal {
  std::string text;
  Icon icon = Icon::Warning;
};

// The cues of the range as frame counts; nullopt where not set.
struct RangeCues {
  std::vector<std::optional<FrameCount>> in, out;
};

RangeCues Read(const SubtitleDocument& doc, std::size_t first, std::size_t count) {
  const FrameRate& rate = doc.frameRate();
  RangeCues r;
  for (std::size_t i = first; i < first + count; ++i) {
    auto frames = [&](const std::string& c) -> std::optional<FrameCount> {
      if (!IsCompleteCue(c)) return std::nullopt;
      return LabelToFrames(c, rate);
    };
    r.in.push_back(frames(doc.At(i).inCue));
    r.out.push_back(frames(doc.At(i).outCue));
  }
  return r;
}

// Moves every set cue of the range by d (in cues only when not `outOnly`); with
// `keepInterval` an out cue moved later stops the default interval before the next in cue.
void Shift(RangeCues& r, const SubtitleDocument& doc, std::size_t first, FrameCount d, const RecutOptions& o,
           const HouseOptions& house) {
  const std::size_t n = r.in.size();
  for (std::size_t k = 0; k < n; ++k) {
    if (!o.outCuesOnly && r.in[k]) r.in[k] = std::max<FrameCount>(0, *r.in[k] + d);
    if (!r.out[k]) continue;
    FrameCount was = *r.out[k];
    FrameCount moved = std::max<FrameCount>(0, was + d);
    if (o.outCuesOnly && o.keepInterval && d > 0 && first + k + 1 < doc.Count()) {
      const std::string& next = doc.At(first + k + 1).inCue;
      if (IsCompleteCue(next)) {
        FrameCount limit = LabelToFrames(next, doc.frameRate()) - house.defaultInterval;
        if (moved > limit) moved = std::max(was, limit);
      }
    }
    r.out[k] = moved;
  }
}

}  // namespace

const std::vector<std::string>& RecutTypeCaptions() {
  static const std::vector<std::string> v{"Adjust offset time manually", "Base offset on new in time",
                                          "Continue timecode from last out cue",
                                          "Proportional offset based on two new in cues"};
  return v;
}

RecutOutcome Recut(SubtitleDocument& doc, RecutType type, long first, long last, const RecutOptions& o,
                   const HouseOptions& house, Prompter& prompter, const BeforeCueChange& before) {
  const FrameRate& rate = doc.frameRate();
  const long count = static_cast<long>(doc.Count());
  auto refuse = [&](const Refusal& r) {
    prompter.Ask({kRecutTitle, r.text, Buttons::Ok, r.icon});
    return RecutOutcome{RecutResult::Refused, 0};
  };
  if (count == 0) return refuse({"There are no subtitles to recut."});
  if (first < 1 || first > count)
    return refuse({"The range must start at a subtitle of the file (1 to " + std::to_string(count) + ")."});
  last = std::min(last, count);
  if (last < first) return refuse({"The last subtitle of the range must not come before the first."});

  const std::size_t lo = static_cast<std::size_t>(first - 1);
  const std::size_t n = static_cast<std::size_t>(last - first + 1);
  RangeCues cues = Read(doc, lo, n);
  const std::string number = std::to_string(first);

  switch (type) {
    case RecutType::Manual: {
      auto typed = TypedCue(o.offset);
      FrameCount d = typed ? LabelToFrames(*typed, rate) : 0;
      if (d == 0) return refuse({kRecutSetOffset, Icon::Information});
      Shift(cues, doc, lo, o.addOffset ? d : -d, o, house);
      break;
    }
    case RecutType::NewInTime:
    case RecutType::ContinueFromLastOut: {
      if (!cues.in[0]) return refuse({"Subtitle " + number + " has no in cue to move from."});
      FrameCount target = 0;
      if (type == RecutType::NewInTime) {
        auto typed = TypedCue(o.newInCue);
        if (!typed) return refuse({kRecutNoFirstNewIn});
        target = LabelToFrames(*typed, rate);
      } else {
        const std::string prevOut = lo > 0 ? std::string(doc.At(lo - 1).outCue) : std::string();
        if (!IsCompleteCue(prevOut))
          return refuse({"The subtitle before subtitle " + number + " has no out cue to continue from."});
        target = LabelToFrames(prevOut, rate) + house.defaultInterval;
      }
      FrameCount d = target - *cues.in[0];
      if (d == 0) return refuse({kRecutSameInCue, Icon::Information});
      Shift(cues, doc, lo, d, o, house);
      break;
    }
    case RecutType::Proportional: {
      auto b1 = TypedCue(o.anchor1NewIn);
      if (!b1) return refuse({kRecutNoFirstNewIn});
      auto b2 = TypedCue(o.anchor2NewIn);
      if (!b2) return refuse({kRecutNoSecondNewIn});
      if (o.anchor2 <= o.anchor1) return refuse({kRecutAnchorOrder});
      std::optional<FrameCount> a[2];
      for (int k = 0; k < 2; ++k) {
        long at = k == 0 ? o.anchor1 : o.anchor2;
        if (at < 1 || at > count) return refuse({"Subtitle " + std::to_string(at) + " is not in the file."});
        const std::string& in = doc.At(static_cast<std::size_t>(at - 1)).inCue;
        if (!IsCompleteCue(in)) return refuse({"Subtitle " + std::to_string(at) + " has no in cue."});
        a[k] = LabelToFrames(in, rate);
      }
      if (*a[0] == *a[1]) return refuse({"The two subtitles must have different in cues."});
      const double B1 = LabelToFrames(*b1, rate), B2 = LabelToFrames(*b2, rate);
      const double slope = (B2 - B1) / static_cast<double>(*a[1] - *a[0]);
      const double intercept = std::nearbyint(B1 - *a[0] * slope);  // halves to even
      auto map = [&](std::optional<FrameCount>& f) {
        // Kept inside what a frame count can hold before the cue limit applies below.
        if (f) f = static_cast<FrameCount>(std::clamp(std::nearbyint(*f * slope + intercept), 0.0, 1e9));
      };
      for (std::size_t k = 0; k < n; ++k) map(cues.in[k]), map(cues.out[k]);
      // The stretch moves every gap; one that became an invalid interval is closed up to
      // the default interval before the next in cue.
      for (std::size_t k = 0; k + 1 < n; ++k) {
        if (!cues.out[k] || !cues.in[k + 1] || *cues.out[k] < 1 || *cues.in[k + 1] < 1) continue;
        if (IsInvalidInterval(*cues.in[k + 1] - *cues.out[k], house))
          cues.out[k] = *cues.in[k + 1] - house.defaultInterval;
      }
      break;
    }
  }

  // The new cues, then one change for the whole range.
  std::vector<Subtitle> changed(doc.Subtitles().begin() + static_cast<std::ptrdiff_t>(lo),
                                doc.Subtitles().begin() + static_cast<std::ptrdiff_t>(lo + n));
  // A cue cannot pass 99:59:59 and the last frame of that second.
  const FrameCount lastCue = LabelToFrames("995959" + std::to_string(rate.countingRate() - 1), rate);
  int cuesChanged = 0;
  for (std::size_t k = 0; k < n; ++k) {
    for (bool out : {false, true}) {
      const std::optional<FrameCount>& f = out ? cues.out[k] : cues.in[k];
      if (!f) continue;
      CueDigits c = FramesToDigits(std::min(*f, lastCue), rate);
      auto& cue = out ? changed[k].outCue : changed[k].inCue;
      if (std::string_view(cue) == c) continue;
      cue = c;
      ++cuesChanged;
    }
  }
  if (cuesChanged == 0) return {RecutResult::Unchanged, 0};
  if (before) before(lo, n);
  for (std::size_t k = 0; k < n; ++k)
    if (!(doc.At(lo + k) == changed[k])) doc.Replace(lo + k, std::move(changed[k]));
  doc.modified = true;
  return {RecutResult::Recut, cuesChanged};
}

}  // namespace kipo
