#include "app/timeline_controller.h"

#include <algorithm>
#include <cmath>

#include "app/video_analysis.h"
#include "app/workstation.h"
#include "platform/user_error.h"
#include "video/tcd_file.h"
#include "video/video_file.h"

namespace kipo {

const OptionTable<TimelineOptions>& TimelineOptions::Table() {
  static const auto t = OptionTable<TimelineOptions>()
                            .Bind(&TimelineOptions::showSubtitles, kShowTimelineSubtitles)
                            .Bind(&TimelineOptions::showNumber, kTimelineSubtitleShowNumber)
                            .Bind(&TimelineOptions::showText, kTimelineSubtitleShowText)
                            .Bind(&TimelineOptions::separator, kTimelineSubtitleSeparator)
                            .Bind(&TimelineOptions::textSize, kTimelineSubtitleSize)
                            .Bind(&TimelineOptions::showShotCuts, keys::kShowTimelineShotCuts)
                            .Bind(&TimelineOptions::shotCutColor, keys::kShotCutColor)
                            .Bind(&TimelineOptions::waveformColor, kAudioWaveformColor)
                            .Bind(&TimelineOptions::stereo, kDisplayStereoWaveform)
                            .Bind(&TimelineOptions::locked, kLockTimelineSubtitles);
  return t;
}

double TimelineFramesPerPixel(int level) { return std::ldexp(1.0, std::clamp(level, 0, kTimelineZoomLevels - 1) - 3); }

// --- the rules of a drag

namespace {

struct Attempt {
  bool applied = false;
  DragResult r;
};

// The change of `delta` frames run through the rules of a change from the keys. A whole
// block is an in cue and an out cue moved together: each is tested against its own
// neighbour only (its duration does not change). A drag is many one-frame steps: locked
// cues, once bound, stay the default interval apart, so a neighbour that follows ends the
// interval away from where the cue stops.
Attempt Try(const EditCues& c, TimelineHit::Part part, Timecode delta, const TimingParameters& p,
            const HouseOptions& h) {
  Attempt a;
  a.r.in = *c.in;
  a.r.out = *c.out;
  if (delta == 0) {
    a.applied = true;
    return a;
  }
  const bool later = delta > 0;
  const int step = static_cast<int>(later ? delta : -delta);
  if (part == TimelineHit::InEdge || part == TimelineHit::Block) {
    EditCues in = c;
    if (part == TimelineHit::Block) in.out.reset();
    CueMove m = MoveCue(in, CueField::In, later, step, p, h);
    if (!m.applied) return a;
    a.r.in = m.cue;
    if (m.neighbour) a.r.lastOut = std::max<Timecode>(0, m.cue - p.defaultInterval);
    a.r.warning = m.warning;
  }
  if (part == TimelineHit::OutEdge || part == TimelineHit::Block) {
    EditCues out = c;
    if (part == TimelineHit::Block) out.in.reset();
    CueMove m = MoveCue(out, CueField::Out, later, step, p, h);
    if (!m.applied) return a;
    a.r.out = m.cue;
    if (m.neighbour) a.r.nextIn = m.cue + p.defaultInterval;
    if (a.r.warning.empty()) a.r.warning = m.warning;
  }
  a.applied = true;
  return a;
}

}  // namespace

DragResult ApplyDragRules(const EditCues& c, TimelineHit::Part part, Timecode delta, const TimingParameters& p,
                          const HouseOptions& h, FrameCount lastFrame) {
  DragResult none;
  if (!c.in || !c.out || part == TimelineHit::None) return none;
  const Timecode in = *c.in, out = *c.out;
  // Limits no policy lifts: cues stay on the label range and a block keeps one frame.
  Timecode lo = 0, hi = 0;
  switch (part) {
    case TimelineHit::InEdge: lo = -in; hi = std::max<Timecode>(0, out - 1 - in); break;
    case TimelineHit::OutEdge: lo = std::min<Timecode>(0, in + 1 - out); hi = lastFrame - out; break;
    default: lo = -in; hi = lastFrame - out; break;
  }
  const Timecode want = std::clamp(delta, std::min<Timecode>(lo, 0), std::max<Timecode>(hi, 0));
  Attempt a = Try(c, part, want, p, h);
  if (a.applied) {
    a.r.limited = want != delta;
    return a.r;
  }
  // A Prevent rule refused the whole way: go as far as it allows. The rules refuse from a
  // threshold on (a gap that became too small, a duration that passed a limit), so the
  // last allowed step is found by halving.
  const Timecode sign = want < 0 ? -1 : 1;
  Timecode ok = 0, bad = want * sign;
  while (bad - ok > 1) {
    const Timecode mid = ok + (bad - ok) / 2;
    if (Try(c, part, mid * sign, p, h).applied) ok = mid;
    else bad = mid;
  }
  DragResult r = Try(c, part, ok * sign, p, h).r;
  r.limited = true;
  return r;
}

std::optional<Timecode> NearestTarget(const std::vector<Timecode>& targets, double position, double window) {
  auto it = std::lower_bound(targets.begin(), targets.end(), position,
                             [](Timecode t, double p) { return static_cast<double>(t) < p; });
  std::optional<Timecode> best;
  double bestDistance = window;
  auto consider = [&](std::vector<Timecode>::const_iterator i) {
    const double d = std::abs(static_cast<double>(*i) - position);
    if (d <= bestDistance) {
      best = *i;
      bestDistance = d;
    }
  };
  if (it != targets.begin()) consider(std::prev(it));
  if (it != targets.end()) consider(it);
  return best;
}

// --- the analysis job

struct TimelineController::Analysis {
  std::uint64_t generation = 0;
  Batch<AnalysedVideo> batch;
  bool applied = false;
};

// --- the controller

TimelineController::TimelineController(Workstation& ws) : ws_(ws), options_(TimelineOptions::Load(ws.settings())) {
  docChanged_ = ws_.doc().Subscribe([this](const DocumentChange& c) {
    // A change of text, style or comment leaves the blocks where they are: only a change
    // of cues orders them again (typing must not cost a pass over every subtitle).
    if (c.kind == DocumentChange::ValuesChanged) return;
    if (c.kind == DocumentChange::Changed && !blocksDirty_ && CuesKept(c.first, c.count)) {
      changed();
      return;
    }
    blocksDirty_ = true;
    changed();
  });
  refreshed_ = ws_.session().OnRefresh([this] {
    // A new document, a changed rate or a shifted cut table all arrive here.
    blocksDirty_ = true;
    cutsDirty_ = true;
    // Another current subtitle comes into view; a view scrolled away from the same one
    // stays where the user put it.
    const std::size_t current = currentSubtitle();
    const bool chosen = current != shownCurrent_;
    shownCurrent_ = current;
    if (chosen && !drag_ && ws_.session().HasCurrent()) {
      const Subtitle& s = ws_.doc().At(current);
      if (s.inCue.IsSet() && !ws_.playhead().playing()) {
        const Timecode in = s.inCue.ToFrames(ws_.doc().frameRate());
        if (in < left() || in >= right()) Reveal(in);
      }
    }
    changed();
  });
  moved_ = ws_.playhead().moved.Connect([this](Timecode) {
    // The view holds still under a drag, or the block would slide from under the mouse.
    const Timecode t = PlayheadTime();
    if (!drag_ && (ws_.playhead().playing() || t < left() || t >= right())) Reveal(t);
    changed();
  });
  opened_ = ws_.playhead().opened.Connect([this](Timecode frames) {
    if (frames > 0 && !ws_.playhead().video().empty()) {
      Analyse(ws_.playhead().video());
    } else {
      CancelAnalysis();
      ws_.timing().SetFrameTable({});
      Invalidate();
    }
  });
}

TimelineController::~TimelineController() { CancelAnalysis(); }

const SubtitleDocument& TimelineController::document() const { return ws_.doc(); }
const FrameRate& TimelineController::rate() const { return ws_.doc().frameRate(); }
std::size_t TimelineController::currentSubtitle() const {
  return ws_.session().HasCurrent() ? ws_.session().current() : static_cast<std::size_t>(-1);
}

void TimelineController::ReloadOptions() {
  options_ = TimelineOptions::Load(ws_.settings());
  changed();
}

void TimelineController::SetOption(const FlagSetting& key, bool on) {
  ws_.settings().Set(key, on);
  options_ = TimelineOptions::Load(ws_.settings());
  if (options_.locked) CancelDrag();
  Invalidate();
}

void TimelineController::Invalidate() {
  blocksDirty_ = true;
  cutsDirty_ = true;
  changed();
}

// --- view

void TimelineController::SetWidth(int pixels) {
  width_ = std::max(1, pixels);
  ClampScroll();
}

std::pair<Timecode, Timecode> TimelineController::Extent() const {
  const auto& blocks = Blocks();
  const auto& times = FrameTimes();
  const Timecode margin = 10 * ws_.doc().frameRate().countingRate();
  bool any = false;
  Timecode first = 0, last = 0;
  auto take = [&](Timecode a, Timecode b) {
    first = any ? std::min(first, a) : a;
    last = any ? std::max(last, b) : b;
    any = true;
  };
  // Room before the first cue as after the last, down to 00:00:00:00.
  if (!blocks.empty()) take(std::max<Timecode>(0, blocks.front().in - margin), reach_.back());
  if (!times.empty()) take(times.front(), times.back() + 1);
  else if (ws_.playhead().hasVideo()) take(0, ws_.playhead().length());
  if (!any) return {0, 6 * margin};
  return {first, last + margin};
}

void TimelineController::ClampScroll() {
  const auto [first, last] = Extent();
  const double span = width_ * framesPerPixel();
  left_ = std::clamp(left_, static_cast<double>(first), std::max<double>(first, last - span));
}

void TimelineController::SetZoomLevel(int level) {
  const double centre = XToFrame(width_ / 2.0);
  level_ = std::clamp(level, 0, kTimelineZoomLevels - 1);
  left_ = centre - width_ / 2.0 * framesPerPixel();
  ClampScroll();
  changed();
}

void TimelineController::ZoomAt(double x, int steps) {
  const double frame = XToFrame(x);
  level_ = std::clamp(level_ - steps, 0, kTimelineZoomLevels - 1);
  left_ = frame - x * framesPerPixel();
  ClampScroll();
  changed();
}

void TimelineController::ScrollBy(double pixels) { ScrollTo(left_ + pixels * framesPerPixel()); }

void TimelineController::ScrollTo(double leftFrame) {
  left_ = leftFrame;
  ClampScroll();
  changed();
}

void TimelineController::Reveal(Timecode frame) {
  const double span = width_ * framesPerPixel();
  if (frame >= left_ && frame < left_ + span) return;
  if (frame >= left_ + span && frame < left_ + span * 1.5) left_ = frame - span * 0.1;  // turn the page
  else left_ = frame - span / 2;
  ClampScroll();
}

// --- blocks

bool TimelineController::CuesKept(std::size_t first, std::size_t count) const {
  const SubtitleDocument& doc = ws_.doc();
  if (cues_.size() != doc.Count() || first + count > cues_.size()) return false;
  for (std::size_t i = first; i < first + count; ++i)
    if (cues_[i].first != doc.At(i).inCue || cues_[i].second != doc.At(i).outCue) return false;
  return true;
}

void TimelineController::Rebuild() const {
  blocks_.clear();
  reach_.clear();
  const SubtitleDocument& doc = ws_.doc();
  const FrameRate& rate = doc.frameRate();
  blocks_.reserve(doc.Count());
  cues_.resize(doc.Count());
  for (std::size_t i = 0; i < doc.Count(); ++i) {
    const Subtitle& s = doc.At(i);
    cues_[i] = {s.inCue, s.outCue};
    if (!s.inCue.IsSet()) continue;
    TimelineBlock b;
    b.index = i;
    b.in = s.inCue.ToFrames(rate);
    b.openEnd = !s.outCue.IsSet();
    b.out = b.openEnd ? b.in + 1 : std::max(s.outCue.ToFrames(rate), b.in + 1);
    blocks_.push_back(b);
  }
  // Documents are usually in order already; a stable sort keeps equal in cues by number.
  if (!std::is_sorted(blocks_.begin(), blocks_.end(), [](const auto& a, const auto& b) { return a.in < b.in; }))
    std::stable_sort(blocks_.begin(), blocks_.end(), [](const auto& a, const auto& b) { return a.in < b.in; });
  reach_.reserve(blocks_.size());
  Timecode reach = 0;
  for (const TimelineBlock& b : blocks_) reach_.push_back(reach = std::max(reach, b.out));
  blocksDirty_ = false;
}

const std::vector<TimelineBlock>& TimelineController::Blocks() const {
  if (blocksDirty_) Rebuild();
  return blocks_;
}

std::pair<std::size_t, std::size_t> TimelineController::VisibleBlocks(double from, double to) const {
  const auto& blocks = Blocks();
  // reach_ never goes down: the first block that can reach into the view is found by
  // halving, and so is the first that starts after it.
  const auto first = std::upper_bound(reach_.begin(), reach_.end(), from,
                                      [](double f, Timecode r) { return f < static_cast<double>(r); });
  const auto last = std::lower_bound(blocks.begin(), blocks.end(), to,
                                     [](const TimelineBlock& b, double t) { return static_cast<double>(b.in) < t; });
  const std::size_t a = static_cast<std::size_t>(first - reach_.begin());
  const std::size_t b = static_cast<std::size_t>(last - blocks.begin());
  return {std::min(a, b), b};
}

TimelineHit TimelineController::HitTest(double x) const {
  const double fpp = framesPerPixel();
  const double frame = XToFrame(x);
  const auto [first, last] = VisibleBlocks(frame - kTimelineEdgePixels * fpp, frame + kTimelineEdgePixels * fpp + 1);
  const auto& blocks = Blocks();
  const std::size_t current = ws_.session().current();
  TimelineHit best;
  bool bestCurrent = false;
  for (std::size_t i = first; i < last; ++i) {
    const TimelineBlock& b = blocks[i];
    const double xin = FrameToX(b.in), xout = FrameToX(b.out);
    if (x < xin - kTimelineEdgePixels || x > xout + kTimelineEdgePixels) continue;
    // Narrow blocks keep their middle third for moving the whole block.
    const double edge = std::min(kTimelineEdgePixels, (xout - xin) / 3);
    TimelineHit h{TimelineHit::None, b.index};
    if (!b.openEnd && std::abs(x - xin) <= edge) h.part = TimelineHit::InEdge;
    else if (!b.openEnd && std::abs(x - xout) <= edge) h.part = TimelineHit::OutEdge;
    else if (x >= xin && x <= xout) h.part = TimelineHit::Block;
    else continue;
    // The current subtitle is drawn on top; otherwise the later block is.
    const bool isCurrent = b.index == current;
    if (best.part == TimelineHit::None || isCurrent || !bestCurrent) {
      best = h;
      bestCurrent = isCurrent;
    }
  }
  return best;
}

// --- the table on the axis

const FrameTable& TimelineController::Table() const { return job_ ? partial_ : ws_.timing().frameTable(); }

void TimelineController::RebuildTable() const {
  const FrameTable& t = Table();
  const FrameRate& doc = ws_.doc().frameRate();
  const Timecode offset = ws_.player().videoOffset();
  if (t.timecodes.data() != tableKey_ || t.size() != tableSize_ || t.rate != tableRate_ || doc != docRate_ ||
      offset != offset_) {
    tableKey_ = t.timecodes.data();
    tableSize_ = t.size();
    tableRate_ = t.rate;
    docRate_ = doc;
    offset_ = offset;
    times_ = t.timecodes.size() == t.size() ? TimesOnDocument(t, doc, offset) : std::vector<Timecode>{};
    cutsDirty_ = true;
    ++tableVersion_;
  }
  if (cutsDirty_) {
    cuts_.clear();
    for (std::size_t f = 0; f < t.cuts.size() && f < times_.size(); ++f)
      if (t.cuts[f]) cuts_.push_back(times_[f]);
    std::sort(cuts_.begin(), cuts_.end());
    cutsDirty_ = false;
    ++tableVersion_;
  }
}

const std::vector<Timecode>& TimelineController::FrameTimes() const {
  RebuildTable();
  return times_;
}

const std::vector<Timecode>& TimelineController::Cuts() const {
  RebuildTable();
  return cuts_;
}

FrameCount TimelineController::VideoFrameAt(double t) const {
  const auto& times = FrameTimes();
  const FrameCount length = ws_.playhead().length();
  if (times.empty()) {
    const FrameCount f = static_cast<FrameCount>(std::floor(t)) - offset_;
    return length > 0 ? std::clamp<FrameCount>(f, 0, length - 1) : std::max<FrameCount>(f, 0);
  }
  auto it = std::upper_bound(times.begin(), times.end(), t,
                             [](double v, Timecode x) { return v < static_cast<double>(x); });
  if (it == times.begin()) return 0;
  return static_cast<FrameCount>(it - times.begin() - 1);
}

Timecode TimelineController::TimeOfVideoFrame(FrameCount f) const {
  const auto& times = FrameTimes();
  if (times.empty()) return f + offset_;
  if (f < 0) return times.front() + f;
  const std::size_t n = times.size();
  if (static_cast<std::size_t>(f) >= n) return times.back() + static_cast<Timecode>(f - (n - 1));
  return times[static_cast<std::size_t>(f)];
}

Timecode TimelineController::PlayheadTime() const { return TimeOfVideoFrame(ws_.playhead().position()); }

// --- the mouse

bool TimelineController::Choose(const TimelineHit& hit) {
  if (hit.part == TimelineHit::None) return true;
  if (ws_.session().HasCurrent() && ws_.session().current() == hit.index) return true;
  return ws_.timing().MoveTo(hit.index);
}

void TimelineController::SeekTo(double x) { ws_.playhead().Seek(VideoFrameAt(XToFrame(x))); }

std::vector<Timecode> TimelineController::SnapTargets(TimelineHit::Part part) const {
  const TimingParameters p = ws_.timing().Timing();
  const SnapOptions snap = SnapOptions::Load(ws_.settings());
  std::vector<Timecode> targets;
  const bool in = part == TimelineHit::InEdge;
  const int offset = in ? snap.inOffset : snap.OutOffset(p.defaultInterval);
  for (Timecode c : Cuts()) targets.push_back(c + offset);
  const EditCues& c = drag_->start;
  if (in && c.lastOut) targets.push_back(*c.lastOut + p.defaultInterval);
  if (!in && c.nextIn) targets.push_back(*c.nextIn - p.defaultInterval);
  if (ws_.playhead().hasVideo()) targets.push_back(PlayheadTime());
  std::sort(targets.begin(), targets.end());
  return targets;
}

bool TimelineController::BeginDrag(const TimelineHit& hit, double x) {
  drag_.reset();
  if (options_.locked || hit.part == TimelineHit::None || hit.index >= ws_.doc().Count()) return false;
  const Subtitle& s = ws_.doc().At(hit.index);
  if (!s.inCue.IsSet() || !s.outCue.IsSet()) return false;
  if (!Choose(hit)) return false;
  EditCues start = ws_.timing().CurrentCues();
  if (!start.in || !start.out) return false;
  TimelineDrag d;
  d.grab = hit;
  d.grabFrame = XToFrame(x);
  d.start = start;
  d.now.in = *start.in;
  d.now.out = *start.out;
  drag_ = std::move(d);
  changed();
  return true;
}

void TimelineController::DragTo(double x, bool snap) {
  if (!drag_) return;
  TimelineDrag& d = *drag_;
  const TimelineHit::Part part = d.grab.part;
  const double delta = XToFrame(x) - d.grabFrame;
  const Timecode startIn = *d.start.in, startOut = *d.start.out;
  Timecode step = static_cast<Timecode>(std::lround(delta));
  d.snappedTo.reset();
  if (snap) {
    // The edges snap onto their targets; a whole block onto whichever edge comes nearer.
    const double window = kTimelineSnapPixels * framesPerPixel();
    std::optional<Timecode> best;
    double bestDistance = window + 1;
    auto consider = [&](TimelineHit::Part edge, Timecode from) {
      const double at = from + delta;
      if (auto t = NearestTarget(SnapTargets(edge), at, window)) {
        const double dist = std::abs(*t - at);
        if (dist < bestDistance) {
          bestDistance = dist;
          best = *t;
          step = *t - from;
        }
      }
    };
    if (part != TimelineHit::OutEdge) consider(TimelineHit::InEdge, startIn);
    if (part != TimelineHit::InEdge) consider(TimelineHit::OutEdge, startOut);
    d.snappedTo = best;
  }
  const FrameRate& rate = ws_.doc().frameRate();
  d.now = ApplyDragRules(d.start, part, step, ws_.timing().Timing(), ws_.session().house(), LastCueFrame(rate));
  if (d.snappedTo && *d.snappedTo != d.now.in && *d.snappedTo != d.now.out) d.snappedTo.reset();
  d.moved = d.moved || d.now.in != startIn || d.now.out != startOut;
  changed();
}

bool TimelineController::EndDrag() {
  if (!drag_) return false;
  const TimelineDrag d = std::move(*drag_);
  drag_.reset();
  DocumentSession& s = ws_.session();
  if ((d.now.in == *d.start.in && d.now.out == *d.start.out) || !s.HasCurrent() || s.current() != d.grab.index) {
    changed();
    return false;
  }
  const FrameRate& rate = s.doc().frameRate();
  const std::size_t cur = s.current();
  // One step holds the subtitle and both neighbours, whichever the locked cues moved.
  s.Record(d.grab.part == TimelineHit::OutEdge ? "OutCue" : "InCue");
  s.edit().inCue = FramesToLabel(d.now.in, rate);
  s.edit().outCue = FramesToLabel(d.now.out, rate);
  if (d.now.lastOut && cur > 0) s.doc().SetOutCue(cur - 1, FramesToDigits(*d.now.lastOut, rate));
  if (d.now.nextIn && cur + 1 < s.doc().Count()) s.doc().SetInCue(cur + 1, FramesToDigits(*d.now.nextIn, rate));
  s.CommitEditArea();
  if (!d.now.warning.empty()) s.ShowWarning(d.now.warning);
  s.EndCommand();
  return true;
}

void TimelineController::CancelDrag() {
  if (!drag_) return;
  drag_.reset();
  changed();
}

// --- analysis

void TimelineController::Analyse(const std::filesystem::path& video) {
  CancelAnalysis();
  ws_.timing().SetFrameTable({});
  error_.clear();
  reused_ = false;
  partial_ = FrameTable{};
  auto job = std::make_shared<Analysis>();
  job->generation = ++generation_;
  job_ = job;
  std::weak_ptr<Analysis> weak = job;
  const std::uint64_t generation = job->generation;
  // Every report comes back through post_, and counts only while its analysis is the
  // running one.
  auto back = [this, weak, generation](std::function<void(TimelineController&)> f) {
    auto call = [this, weak, generation, f = std::move(f)] {
      auto j = weak.lock();
      if (j && j == job_ && j->generation == generation && !j->applied) f(*this);
    };
    if (post_) post_(std::move(call));
    else call();
  };
  JobObserver observer;
  observer.post = post_;
  observer.onProgress = [this, weak, generation](const JobProgress& p) {
    auto j = weak.lock();
    if (!j || j != job_ || j->generation != generation) return;
    progress_ = p;
    analysisProgress(progress_);
  };
  // Without a way back the owner collects the result with WaitForAnalysis (the end is
  // announced before the job can be waited for, so it cannot be collected from here).
  if (post_)
    observer.onFinished = [this, weak, generation](JobOutcome) {
      auto j = weak.lock();
      if (j && j == job_ && j->generation == generation) Finished(generation);
    };
  auto skeleton = [back](FrameTable t) {
    auto shared = std::make_shared<FrameTable>(std::move(t));
    back([shared](TimelineController& c) {
      c.partial_ = std::move(*shared);
      c.Invalidate();
    });
  };
  auto partial = [back](AnalysisChunk chunk) {
    auto shared = std::make_shared<AnalysisChunk>(std::move(chunk));
    back([shared](TimelineController& c) { c.TakeChunk(std::move(*shared)); });
  };
  const FrameRate rate = ws_.doc().frameRate();
  const MeasureOptions options = MeasureOptions::Load(ws_.settings());
  progress_ = {0, 1, "Analysing video..."};
  analysisProgress(progress_);
  job->batch = RunJob(
      SharedPool(),
      [video, rate, options, skeleton, partial](JobContext& ctx) {
        return AnalyseVideo(video, rate, options, kDefaultShotCutSensitivity, ctx, skeleton, partial);
      },
      observer);
  changed();
}

void TimelineController::TakeChunk(AnalysisChunk chunk) {
  FrameTable& t = partial_;
  const std::size_t n = t.size();
  if (n == 0) return;
  for (std::size_t i = 0; i < chunk.measures.size() && chunk.first + i < n; ++i)
    t.measures[chunk.first + i] = chunk.measures[i];
  if (chunk.peaks.channels > 0) {
    if (t.peaks.channels != chunk.peaks.channels) {
      t.peaks.channels = chunk.peaks.channels;
      t.peaks.values.assign(n * 2 * static_cast<std::size_t>(chunk.peaks.channels), 0);
    }
    const std::size_t from = chunk.peaksFirst * 2 * static_cast<std::size_t>(t.peaks.channels);
    const std::size_t count = std::min(chunk.peaks.values.size(), t.peaks.values.size() - std::min(from, t.peaks.values.size()));
    std::copy_n(chunk.peaks.values.begin(), count, t.peaks.values.begin() + static_cast<std::ptrdiff_t>(from));
  }
  // The cut marks so far: detection over the frames measured, which the final pass redoes
  // over the whole video.
  const std::size_t done = std::min(n, chunk.first + chunk.measures.size());
  std::vector<std::int32_t> measured(t.measures.begin(), t.measures.begin() + static_cast<std::ptrdiff_t>(done));
  std::vector<std::int16_t> cuts = DetectShotCuts(measured, kDefaultShotCutSensitivity);
  std::copy(cuts.begin(), cuts.end(), t.cuts.begin());
  cutsDirty_ = true;
  ++tableVersion_;
  changed();
}

void TimelineController::Finished(std::uint64_t generation) {
  if (!job_ || job_->generation != generation || job_->applied) return;
  job_->applied = true;
  std::shared_ptr<Analysis> job = std::move(job_);
  job_.reset();
  try {
    AnalysedVideo a = std::move(job->batch.Get().front());
    reused_ = a.reused;
    ws_.timing().SetFrameTable(std::move(a.table), a.dataFile.string());
  } catch (const JobCancelled&) {
  } catch (const UserError& e) {
    error_ = e.text();
  } catch (const std::exception& e) {
    error_ = e.what();
  }
  partial_ = FrameTable{};
  progress_ = {};
  analysisProgress(progress_);
  Invalidate();
}

void TimelineController::CancelAnalysis() {
  if (!job_) return;
  std::shared_ptr<Analysis> job = std::move(job_);
  job_.reset();
  job->batch.Cancel();
  job->batch.Wait();
  partial_ = FrameTable{};
  progress_ = {};
  analysisProgress(progress_);
}

void TimelineController::WaitForAnalysis() {
  if (!job_) return;
  job_->batch.Wait();
  Finished(job_->generation);
}

}  // namespace kipo
