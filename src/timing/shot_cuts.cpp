#include "timing/shot_cuts.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/user_error.h"
#include "settings/keys.h"
#include "settings/settings_store.h"

namespace kipo {

namespace {

// Nearest whole number, a half going to the even neighbour.
long long Round(double v) { return static_cast<long long>(std::nearbyint(v)); }

}  // namespace

std::vector<std::int16_t> DetectShotCuts(const std::vector<std::int32_t>& m, int sensitivity) {
  std::vector<std::int16_t> cuts(m.size(), 0);
  if (m.size() < 2) return cuts;
  const long long n = static_cast<long long>(m.size()) - 1;
  const long long k = Round(sensitivity / 10.0);

  long long sum = 0, steps = 0;
  for (long long f = 1; f <= n; ++f) {
    sum += m[f];
    steps += std::llabs(static_cast<long long>(m[f]) - m[f - 1]);
  }
  const long long mean = Round(static_cast<double>(sum) / n);
  const long long meanStep = Round(static_cast<double>(steps) / n);

  // The average of the frames x - 2 ... x that exist, rounded; 0 when none does.
  auto window = [&](long long x) -> long long {
    long long s = 0, count = 0;
    for (long long i = x - 2; i <= x; ++i)
      if (i >= 0 && i <= n) s += m[i], ++count;
    return count ? Round(static_cast<double>(s) / count) : 0;
  };

  for (long long f = 1; f <= n; ++f) {
    const long long cur = m[f];
    const long long prev = f == 1 ? 0 : m[f - 1];
    const long long next = f == n ? m[n] : m[f + 1];
    long long base = Round((window(f - 3) + window(f - 2) + window(f - 1)) / 3.0);
    if (base == 0) base = 1;
    if (cur - prev <= meanStep || cur - next <= meanStep) continue;
    if (cur < base * k) continue;
    if (cur > mean) cuts[f] = -1;
  }
  return cuts;
}

std::vector<std::int32_t> ShotCutFrames(const std::vector<std::int16_t>& flags) {
  std::vector<std::int32_t> frames;
  for (std::size_t f = 0; f < flags.size(); ++f)
    if (flags[f]) frames.push_back(static_cast<std::int32_t>(f));
  return frames;
}

CutTimeline::CutTimeline(const std::vector<Timecode>& times, const std::vector<std::int16_t>& flags) {
  const std::size_t n = std::min(times.size(), flags.size());
  if (n == 0) return;
  const auto [lo, hi] = std::minmax_element(times.begin(), times.begin() + n);
  first_ = *lo;
  flags_.assign(static_cast<std::size_t>(*hi - *lo) + 1, 0);
  for (std::size_t f = 0; f < n; ++f)
    if (flags[f]) flags_[times[f] - first_] = 1;
  for (std::size_t t = 0; t < flags_.size(); ++t)
    if (flags_[t]) cuts_.push_back(first_ + static_cast<Timecode>(t));
}

CutTimeline CutTimeline::FromFlags(const std::vector<std::int16_t>& flags) {
  std::vector<Timecode> times(flags.size());
  for (std::size_t f = 0; f < times.size(); ++f) times[f] = static_cast<Timecode>(f);
  return CutTimeline(times, flags);
}

SnapOptions SnapOptions::Load(const SettingsStore& s) {
  SnapOptions o;
  o.inOffset = static_cast<int>(s.Get(keys::kShotCutIn));
  o.outChoice = static_cast<int>(s.Get(keys::kShotCutOut));
  o.window = static_cast<int>(s.Get(keys::kShotCutThreshold));
  return o;
}

void SnapOptions::Save(SettingsStore& s) const {
  SettingsStore::Batch batch(s);
  s.Set(keys::kShotCutIn, static_cast<long>(inOffset));
  s.Set(keys::kShotCutOut, static_cast<long>(outChoice));
  s.Set(keys::kShotCutThreshold, static_cast<long>(window));
}

namespace {

// A set cue's frames, or nullopt.
std::optional<Timecode> CueAt(const Cue& c, const FrameRate& rate) {
  if (!c.IsSet()) return std::nullopt;
  return c.ToFrames(rate);
}

// Writes a cue when it differs; a position before 00:00:00:00 becomes 00:00:00:00.
bool Put(SubtitleDocument& doc, std::size_t i, bool out, Timecode frames) {
  const FrameRate& rate = doc.frameRate();
  const Cue cue = Cue::FromFrames(std::max<Timecode>(0, frames), rate);
  const Cue& old = out ? doc.At(i).outCue : doc.At(i).inCue;
  if (old == cue) return false;
  if (out)
    doc.SetOutCue(i, cue);
  else
    doc.SetInCue(i, cue);
  return true;
}

}  // namespace

int SnapToShotCuts(SubtitleDocument& doc, std::size_t index, const CutTimeline& cuts, const SnapOptions& o,
                   const HouseOptions& house) {
  if (index >= doc.Count()) return 0;
  const FrameRate& rate = doc.frameRate();
  const auto in = CueAt(doc.At(index).inCue, rate);
  const auto out = CueAt(doc.At(index).outCue, rate);
  const Timecode prevOut = index > 0 ? CueAt(doc.At(index - 1).outCue, rate).value_or(0) : 0;
  const Timecode nextIn = index + 1 < doc.Count() ? CueAt(doc.At(index + 1).inCue, rate).value_or(0) : 0;
  const Timecode interval = house.defaultInterval;
  const Timecode outOffset = o.OutOffset(interval);
  // A neighbour's cue follows the cut unless it lay further off than both the default
  // interval and the invalid-interval threshold: then the gap was meant.
  auto near = [&](Timecode gap) { return !(gap > interval && gap > house.invalidIntervalThreshold); };

  std::optional<Timecode> newIn, newOut, newPrevOut, newNextIn;
  for (int j = -o.window; j <= o.window; ++j) {
    if (in && cuts.IsCut(*in + j)) {
      const Timecode cut = *in + j;
      newIn = cut + o.inOffset;
      if (prevOut >= 1 && near(cut - prevOut)) newPrevOut = cut - interval;
    }
    if (out && cuts.IsCut(*out + j)) {
      const Timecode cut = *out + j;
      newOut = cut + outOffset;
      if (nextIn >= 1 && near(nextIn - cut)) newNextIn = cut + interval;
    }
  }
  int changed = 0;
  if (newPrevOut) changed += Put(doc, index - 1, true, *newPrevOut);
  if (newIn) changed += Put(doc, index, false, *newIn);
  if (newOut) changed += Put(doc, index, true, *newOut);
  if (newNextIn) changed += Put(doc, index + 1, false, *newNextIn);
  return changed;
}

int SnapRangeToShotCuts(SubtitleDocument& doc, std::size_t first, std::size_t last, const CutTimeline& cuts,
                        const SnapOptions& options, const HouseOptions& house, const BeforeCueChange& before) {
  if (!cuts.HasCuts()) throw UserError("", "No shot cuts found!");
  if (doc.Count() == 0 || first > last || first >= doc.Count()) return 0;
  last = std::min(last, doc.Count() - 1);
  const std::size_t lo = first > 0 ? first - 1 : 0;
  const std::size_t hi = std::min(last + 1, doc.Count() - 1);
  if (before) before(lo, hi - lo + 1);
  int changed = 0;
  for (std::size_t i = first; i <= last; ++i) changed += SnapToShotCuts(doc, i, cuts, options, house);
  return changed;
}

std::vector<Subtitle> CuesFromShotCuts(const CutTimeline& cuts, const TimingParameters& p, const FrameRate& rate,
                                       const PhaseProgress& progress) {
  auto report = [&](std::string_view phase, std::size_t done, std::size_t total) {
    if (progress) progress(phase, done, total);
  };
  const std::vector<Timecode>& times = cuts.Cuts();
  report(kScanningShotCuts, times.size(), times.size());
  if (times.empty()) throw UserError("", "No shot cuts found!");
  if (times.size() > kMaxSubtitles)
    throw UserError("", "The video has " + std::to_string(times.size()) + " shot cuts; a file holds at most " +
                            std::to_string(kMaxSubtitles) + " subtitles.");

  struct Span {
    Timecode in;
    std::optional<Timecode> out;
  };
  std::vector<Span> spans;
  spans.reserve(times.size());
  const std::size_t step = std::max<std::size_t>(1, times.size() / 100);
  for (std::size_t k = 0; k < times.size(); ++k) {
    if (!spans.empty()) spans.back().out = times[k] - p.defaultInterval;
    spans.push_back({times[k], std::nullopt});
    if (k % step == 0) report(kCreatingCues, k, times.size());
  }
  report(kCreatingCues, times.size(), times.size());

  for (std::size_t i = 0; i < spans.size();) {
    if (i % step == 0) report(kCheckingDuration, i, spans.size());
    Span& s = spans[i];
    if (!s.out) {
      ++i;
      continue;
    }
    const Timecode duration = *s.out - s.in;
    if (duration > p.maxDuration) {
      s.out = s.in + p.defaultDuration;
    } else if (duration < p.minDuration && i + 1 < spans.size()) {
      // A shot too short for a subtitle joins the next; the joined one is checked again.
      s.out = spans[i + 1].out;
      spans.erase(spans.begin() + static_cast<std::ptrdiff_t>(i) + 1);
      continue;
    }
    ++i;
  }
  report(kCheckingDuration, spans.size(), spans.size());

  std::vector<Subtitle> subtitles(spans.size());
  for (std::size_t i = 0; i < spans.size(); ++i) {
    subtitles[i].inCue = Cue::FromFrames(spans[i].in, rate);
    if (spans[i].out) subtitles[i].outCue = Cue::FromFrames(std::max<Timecode>(0, *spans[i].out), rate);
  }
  return subtitles;
}

void ShiftShotCuts(std::vector<std::int16_t>& flags, std::vector<std::int32_t>& measures, int n, bool up) {
  auto shift = [n, up](auto& v) {
    using T = typename std::decay_t<decltype(v)>::value_type;
    const std::size_t size = v.size(), k = static_cast<std::size_t>(std::max(0, n));
    if (k >= size) {
      std::fill(v.begin(), v.end(), T{});
    } else if (up) {
      std::move(v.begin() + k, v.end(), v.begin());
      std::fill(v.end() - k, v.end(), T{});
    } else {
      std::move_backward(v.begin(), v.end() - k, v.end());
      std::fill(v.begin(), v.begin() + k, T{});
    }
  };
  shift(flags);
  shift(measures);
}

namespace {

std::optional<FrameCount> FindCut(const std::vector<std::int16_t>& flags, FrameCount current, int storedOffset,
                                  int direction) {
  const FrameCount n = static_cast<FrameCount>(flags.size());
  const FrameCount after = storedOffset - 5;  // frames after the cut the jump lands
  FrameCount start = current + direction;
  start = direction < 0 ? std::min(start, n - 1) : std::max<FrameCount>(start, 0);
  for (FrameCount i = start; i >= 0 && i < n; i += direction) {
    const FrameCount cut = i - after;
    if (cut >= 0 && cut < n && flags[cut]) return i;
  }
  return std::nullopt;
}

}  // namespace

std::optional<FrameCount> PreviousShotCutFrame(const std::vector<std::int16_t>& flags, FrameCount current,
                                               int storedOffset) {
  return FindCut(flags, current, storedOffset, -1);
}

std::optional<FrameCount> NextShotCutFrame(const std::vector<std::int16_t>& flags, FrameCount current,
                                           int storedOffset) {
  return FindCut(flags, current, storedOffset, +1);
}

}  // namespace kipo
