#include "app/player_controller.h"

#include <algorithm>
#include <cmath>

#include "app/editing_controller.h"
#include "app/timing_controller.h"
#include "platform/text_util.h"
#include "platform/user_error.h"
#include "settings/recent_files.h"
#include "settings/keys.h"

namespace kipo {
namespace {

// Keys of the picture side of timing.
inline constexpr FlagSetting kGrabInAddOut{keys::kOptions, "Grab in add out", false, FlagForm::OneZero};
inline constexpr FlagSetting kAutoPageDown{keys::kOptions, "Auto page down", false, FlagForm::OneZero};
inline constexpr FlagSetting kOffsetTimecodeBack{keys::kOptions, "Offset timecode back", false, FlagForm::OneZero};
// The video and the video offset of each document file: the key is the document's path.
inline constexpr std::string_view kDocumentVideos = "Document videos";
inline constexpr std::string_view kDocumentVideoOffsets = "Document video offsets";

// A frame reported by the engine may differ from the frame's own timestamp by rounding.
constexpr double kTimeSlack = 0.001;

std::string Label(Timecode frames, const FrameRate& rate) {
  std::string label = FramesToLabel(frames, rate);
  if (rate.dropFrame && label.size() == 11) label[8] = ';';
  return label;
}

// The outcome of one failed rule; false when its policy refuses the cue.
bool Decide(CueRulePolicy policy, const std::string& message, PlayerCue& cue) {
  std::optional<std::string> w = ApplyPolicy(policy, message);
  if (!w) return false;
  if (cue.warning.empty()) cue.warning = *w;
  return true;
}

// The duration rules over in and out; false when a policy refuses.
bool CheckDuration(Timecode in, Timecode out, const TimingParameters& p, const HouseOptions& h, PlayerCue& cue) {
  const Timecode d = out - in;
  if (d > p.maxDuration) return Decide(h.durationTooLongPolicy, DurationGreaterWarning(p), cue);
  if (d < p.minDuration) return Decide(h.durationTooShortPolicy, DurationLessWarning(p), cue);
  return true;
}

}  // namespace

PlayerCue CueFromPlayer(const EditCues& c, CueField field, Timecode position, const TimingParameters& p,
                        const HouseOptions& h, bool grabInAddOut) {
  PlayerCue cue;
  position = std::max<Timecode>(position, 0);
  if (field == CueField::In) {
    cue.in = position;
    if (c.lastOut && position < *c.lastOut + p.defaultInterval) {
      if (h.lockCues) cue.lastOut = std::max<Timecode>(position - p.defaultInterval, 0);
      else if (!Decide(h.lastIntervalPolicy, LastIntervalWarning(p), cue)) return {};
    }
    if (c.out) {
      // An out cue at or before the new in cue belongs to an earlier timing: it goes.
      if (*c.out <= position) cue.clearOut = true;
      else if (!CheckDuration(position, *c.out, p, h, cue)) return {};
    }
    cue.applied = true;
    return cue;
  }
  cue.out = position;
  std::optional<Timecode> in = c.in;
  if (!in && grabInAddOut && c.lastOut) {
    in = *c.lastOut + p.defaultInterval;
    cue.in = in;
  }
  if (in) {
    if (position <= *in) {
      PlayerCue refused;
      refused.warning = kOutBeforeIn;
      return refused;
    }
    if (!CheckDuration(*in, position, p, h, cue)) return {};
  }
  if (c.nextIn && position > *c.nextIn - p.defaultInterval) {
    if (h.lockCues) cue.nextIn = position + p.defaultInterval;
    else if (!Decide(h.nextIntervalPolicy, NextIntervalWarning(p), cue)) return {};
  }
  cue.applied = true;
  return cue;
}

bool IsVideoFileName(const std::filesystem::path& path) {
  std::string ext = ToLowerAscii(path.extension().string());
  if (ext.size() < 2) return false;
  const std::string_view filter = kVideoFilter;
  const std::string pattern = "*" + ext;
  // The dialog's first pattern list: "*.mp4;*.mov;...".
  const std::size_t from = filter.find('|') + 1, to = filter.find('|', from);
  std::string_view list = filter.substr(from, to - from);
  for (std::size_t at = 0; at < list.size();) {
    std::size_t end = list.find(';', at);
    if (end == std::string_view::npos) end = list.size();
    if (list.substr(at, end - at) == pattern) return true;
    at = end + 1;
  }
  return false;
}

const std::vector<double>& PlaybackSpeeds() {
  static const std::vector<double> speeds{0.5, 0.75, 1.0, 1.25, 1.5, 2.0};
  return speeds;
}

PlayerController::PlayerController(DocumentSession& session, TimingController& timing, EditingController& editing,
                                   Playhead& playhead)
    : s_(session), timing_(timing), editing_(editing), playhead_(playhead) {
  seek_ = playhead_.seekRequested.Connect([this](Timecode f) { SeekFrame(f); });
  refresh_ = s_.OnRefresh([this] { DocumentShown(); });
  documentPath_ = s_.doc().filePath;
}

PlayerController::~PlayerController() {
  if (player_) {
    player_->onPosition = nullptr;
    player_->onEnded = nullptr;
  }
}

void PlayerController::SetPlayer(Player* player) {
  if (player_) {
    player_->onPosition = nullptr;
    player_->onEnded = nullptr;
  }
  player_ = player;
  if (!player_) return;
  player_->onPosition = [this](double seconds, bool playing) { OnPlayerPosition(seconds, playing); };
  player_->onEnded = [this] { OnPlayerEnded(); };
  if (video_) {
    player_->Open(video_->path());
    player_->SetSpeed(speed_);
    SeekFrame(frame());
  }
}

// --- the video

void PlayerController::OpenVideo(const std::filesystem::path& path) {
  VideoFile v = VideoFile::Open(path.string());  // the video's own reason when it cannot
  if (v.frameCount() <= 0) throw UserError("Video", "The video has no pictures: " + path.string());
  if (player_) player_->Open(v.path());
  std::vector<double> starts(static_cast<std::size_t>(v.frameCount()));
  const double first = v.StartSeconds();
  for (FrameCount n = 0; n < v.frameCount(); ++n) starts[static_cast<std::size_t>(n)] = first + v.FrameSeconds(n);
  starts_ = std::move(starts);
  video_.emplace(std::move(v));
  stopAt_.reset();
  if (!s_.doc().filePath.empty()) s_.settings().Set(kDocumentVideos, s_.doc().filePath, video_->path());
  RecentFiles recent("MRUVideoFiles");
  recent.Load(s_.settings());
  recent.Add(video_->path());
  recent.Save(s_.settings());
  playhead_.Open(video_->path(), video_->frameCount());
  if (player_) player_->SetSpeed(speed_);
  SeekFrame(0);
  if (!player_) Report(0, false);
  videoChanged();
}

bool PlayerController::OpenVideoDialog() {
  FileDialog dialog;
  dialog.title = "Open video";
  dialog.filter = kVideoFilter;
  dialog.pathMustExist = true;
  auto choice = s_.prompter().OpenFile(dialog);
  if (!choice) return false;
  try {
    OpenVideo(choice->path);
  } catch (const UserError& e) {
    s_.prompter().Inform(e.title(), e.text(), Icon::Warning);
    return false;
  }
  return true;
}

void PlayerController::CloseVideo() {
  if (!video_) return;
  if (player_) player_->Close();
  video_.reset();
  seeking_.reset();
  starts_.clear();
  stopAt_.reset();
  playhead_.Open({}, 0);
  Report(0, false);
  videoChanged();
}

std::string PlayerController::LinkedVideo(const std::string& documentPath) const {
  if (documentPath.empty()) return {};
  return s_.settings().Get(kDocumentVideos, documentPath, "");
}

void PlayerController::DocumentShown() {
  cuesStale_ = true;
  const std::string path = s_.doc().filePath;
  if (path == documentPath_) return;
  documentPath_ = path;
  if (path.empty()) return;  // a new document keeps the video the subtitler has open
  const std::string linked = LinkedVideo(path);
  if (linked.empty()) {
    // A new name for the document that is open (Save As, a first save): its video and
    // offset go with it.
    if (video_) {
      s_.settings().Set(kDocumentVideos, path, video_->path());
      StoreOffset();
    } else {
      SetOffsetFrames(0);
    }
    return;
  }
  LoadOffset();
  if (video_ && video_->path() == linked) return;
  std::error_code ec;
  if (!std::filesystem::exists(linked, ec)) {
    CloseVideo();
    s_.prompter().Inform("Video", "The video of this document cannot be found:\n" + linked, Icon::Warning);
    return;
  }
  try {
    OpenVideo(linked);
  } catch (const UserError& e) {
    CloseVideo();
    s_.prompter().Inform(e.title(), e.text(), Icon::Warning);
  }
}

// --- position

Timecode PlayerController::PositionOf(FrameCount f) const {
  if (!video_) return 0;
  f = std::clamp<FrameCount>(f, 0, video_->frameCount() - 1);
  return video_->FrameTimecode(f, s_.doc().frameRate()) + offset_;
}

std::string PlayerController::PositionLabel() const {
  if (!video_) return "--:--:--:--";
  return Label(Position(), s_.doc().frameRate());
}

std::optional<FrameCount> PlayerController::FrameAt(Timecode time) const {
  if (!video_) return std::nullopt;
  // Timecodes grow with the frame number: the first frame at or after `time`.
  FrameCount lo = 0, hi = video_->frameCount();
  while (lo < hi) {
    FrameCount mid = lo + (hi - lo) / 2;
    if (PositionOf(mid) < time) lo = mid + 1;
    else hi = mid;
  }
  if (lo >= video_->frameCount()) return std::nullopt;
  return lo;
}

std::optional<std::size_t> PlayerController::SubtitleAt(Timecode time) const {
  const SubtitleDocument& doc = s_.doc();
  const FrameRate& rate = doc.frameRate();
  if (s_.HasCurrent()) {
    EditCues c = timing_.CurrentCues();
    if (c.in && c.out && *c.in <= time && time < *c.out) return s_.current();
  }
  if (cuesStale_ || cues_.size() != doc.Count()) {
    cues_.resize(doc.Count());
    for (std::size_t i = 0; i < doc.Count(); ++i) {
      const Subtitle& sub = doc.At(i);
      cues_[i] = {IsCompleteCue(sub.inCue) ? LabelToFrames(sub.inCue, rate) : -1,
                  IsCompleteCue(sub.outCue) ? LabelToFrames(sub.outCue, rate) : -1};
    }
    cuesStale_ = false;
  }
  for (std::size_t i = 0; i < cues_.size(); ++i) {
    if (i == s_.current()) continue;  // its typed cues decided above
    if (cues_[i].first >= 0 && cues_[i].first <= time && time < cues_[i].second) return i;
  }
  return std::nullopt;
}

FrameCount PlayerController::FrameOfSeconds(double seconds) const {
  if (starts_.empty()) return 0;
  auto it = std::upper_bound(starts_.begin(), starts_.end(), seconds + kTimeSlack);
  if (it == starts_.begin()) return 0;
  return static_cast<FrameCount>(it - starts_.begin() - 1);
}

void PlayerController::Report(FrameCount f, bool playing) {
  timing_.SetVideoFrame(f);
  playhead_.Report(f, playing);
}

// --- transport

void PlayerController::Play() {
  if (!video_ || !player_) return;
  // At the end, playing starts again from the beginning.
  if (!stopAt_ && frame() >= video_->frameCount() - 1) SeekFrame(0);
  player_->Play();
}

void PlayerController::Pause() {
  stopAt_.reset();
  if (!video_ || !player_) return;
  player_->Pause();
}

void PlayerController::PlayPause() { playing() ? Pause() : Play(); }

void PlayerController::SeekFrame(FrameCount f) {
  if (!video_) return;
  f = std::clamp<FrameCount>(f, 0, video_->frameCount() - 1);
  if (player_) {
    seeking_ = f;
    player_->Seek(starts_[static_cast<std::size_t>(f)]);
  } else {
    Report(f, false);
  }
}

FrameCount PlayerController::Cursor() const { return seeking_.value_or(frame()); }

void PlayerController::StepFrames(int frames) {
  if (!video_) return;
  Pause();
  SeekFrame(Cursor() + frames);
}

void PlayerController::StepSeconds(double seconds) {
  if (!video_) return;
  const double now = starts_[static_cast<std::size_t>(std::clamp<FrameCount>(Cursor(), 0, video_->frameCount() - 1))];
  SeekFrame(FrameOfSeconds(std::max(now + seconds, starts_.front())));
}

std::optional<FrameCount> PlayerController::CueFrame(CueField field) const {
  if (!video_ || !s_.HasCurrent()) return std::nullopt;
  EditCues c = timing_.CurrentCues();
  std::optional<Timecode> cue = field == CueField::In ? c.in : c.out;
  if (!cue) return std::nullopt;
  // A cue after the video's end shows its last frame.
  return FrameAt(*cue).value_or(video_->frameCount() - 1);
}

bool PlayerController::GoToInCue() {
  auto f = CueFrame(CueField::In);
  if (!f) return false;
  Pause();
  SeekFrame(*f);
  return true;
}

bool PlayerController::GoToOutCue() {
  auto f = CueFrame(CueField::Out);
  if (!f) return false;
  Pause();
  SeekFrame(*f);
  return true;
}

bool PlayerController::PlayCurrentSubtitle() {
  auto in = CueFrame(CueField::In), out = CueFrame(CueField::Out);
  if (!in || !out || *out <= *in) return false;
  loopFrom_ = *in;
  SeekFrame(*in);
  stopAt_ = *out;
  Play();
  return true;
}

void PlayerController::SetSpeed(double factor) {
  speed_ = std::clamp(factor, 0.5, 2.0);
  if (player_) player_->SetSpeed(speed_);
}

// --- video offset

void PlayerController::SetVideoOffset(const std::string& label, bool back) {
  const std::string digits = StripSeparators(label);
  const FrameRate& rate = s_.doc().frameRate();
  Timecode frames = 0;
  if (!digits.empty()) {
    bool ok = digits.size() == 8 && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (ok) {
      frames = LabelToFrames(digits, rate);
      ok = FramesToDigits(frames, rate) == digits;  // frames within the second, a label that exists
    }
    if (!ok) throw UserError("Video offset", "\"" + label + "\" is not a timecode (HH:MM:SS:FF).");
  }
  SetOffsetFrames(back ? -frames : frames);
  s_.settings().Set(kOffsetTimecodeBack, back);
  StoreOffset();
  Report(frame(), playing());
  s_.Refresh();
}

void PlayerController::StoreOffset() {
  const std::string& path = s_.doc().filePath;
  if (path.empty()) return;
  if (offset_ == 0) s_.settings().Remove(kDocumentVideoOffsets, path);
  else s_.settings().Set(kDocumentVideoOffsets, path, (offset_ < 0 ? "-" : "") + OffsetLabel());
}

void PlayerController::SetOffsetFrames(Timecode frames) {
  offset_ = frames;
  // Shot cuts are found on the video's clock; snapping and cues from cuts see them where
  // the player shows them.
  timing_.SetVideoOffset(frames);
}

void PlayerController::LoadOffset() {
  SetOffsetFrames(0);
  std::string stored = s_.settings().Get(kDocumentVideoOffsets, s_.doc().filePath, "");
  bool back = !stored.empty() && stored.front() == '-';
  std::string digits = StripSeparators(back ? stored.substr(1) : stored);
  if (digits.size() != 8) return;
  const Timecode f = LabelToFrames(digits, s_.doc().frameRate());
  SetOffsetFrames(back ? -f : f);
}

std::string PlayerController::OffsetLabel() const {
  return Label(offset_ < 0 ? -offset_ : offset_, s_.doc().frameRate());
}

bool PlayerController::OffsetBack() const { return offset_ < 0 || (offset_ == 0 && s_.settings().Get(kOffsetTimecodeBack)); }

// --- cues from the picture

bool PlayerController::ApplyCue(CueField field) {
  if (!video_ || !s_.HasCurrent()) return false;
  const FrameRate& rate = s_.doc().frameRate();
  const PlayerCue c = CueFromPlayer(timing_.CurrentCues(), field, Position(), timing_.Timing(), s_.house(),
                                    s_.settings().Get(kGrabInAddOut));
  if (!c.applied) {
    if (!c.warning.empty()) {
      s_.ShowWarning(c.warning);
      s_.Refresh();
    }
    return false;
  }
  s_.Record(field == CueField::In ? "InCue" : "OutCue");
  EditArea& e = s_.edit();
  const std::size_t cur = s_.current();
  if (c.in) e.inCue = Label(*c.in, rate);
  if (c.out) e.outCue = Label(*c.out, rate);
  if (c.clearOut) e.outCue.clear();
  if (c.lastOut && cur > 0) {
    s_.doc().SetOutCue(cur - 1, FramesToDigits(*c.lastOut, rate));
    e.lastOut = Label(*c.lastOut, rate);
    e.lastDuration = DurationLabel(s_.doc().At(cur - 1).inCue, s_.doc().At(cur - 1).outCue, rate).value_or(e.lastDuration);
  }
  if (c.nextIn && cur + 1 < s_.doc().Count()) {
    s_.doc().SetInCue(cur + 1, FramesToDigits(*c.nextIn, rate));
    e.nextIn = Label(*c.nextIn, rate);
    e.nextDuration = DurationLabel(s_.doc().At(cur + 1).inCue, s_.doc().At(cur + 1).outCue, rate).value_or(e.nextDuration);
  }
  if (auto d = DurationLabel(StripSeparators(e.inCue), StripSeparators(e.outCue), rate)) e.duration = *d;
  else if (e.outCue.empty()) e.duration.clear();
  s_.CommitEditArea();
  s_.SetWarning("");
  if (!c.warning.empty()) s_.ShowWarning(c.warning);
  s_.Refresh();
  return true;
}

bool PlayerController::SetInCue() { return ApplyCue(CueField::In); }

bool PlayerController::SetOutCue() {
  if (!ApplyCue(CueField::Out)) return false;
  // "Auto page down": on to the next subtitle through the leaving step, ready for its in cue.
  if (s_.settings().Get(kAutoPageDown) && s_.current() + 1 < s_.doc().Count() && timing_.LeaveCurrentSubtitle())
    editing_.PageDown();
  return true;
}

bool PlayerController::QuickOffset() {
  if (!video_ || !s_.HasCurrent()) return false;
  return timing_.QuickOffset(Position()) > 0;
}

// --- from the engine

void PlayerController::OnPlayerPosition(double seconds, bool playing) {
  if (!video_) return;
  const FrameCount f = FrameOfSeconds(seconds);
  if (seeking_ && (f == *seeking_ || playing)) seeking_.reset();
  if (stopAt_ && playing && f >= *stopAt_) {
    if (loop_ && player_) {
      SeekFrame(loopFrom_);  // the engine reports the in cue's frame when it is there
      return;
    }
    // Stop on the out cue's own frame, not on the frame the engine had reached.
    const FrameCount stop = *stopAt_;
    stopAt_.reset();
    if (player_) {
      player_->Pause();
      player_->Seek(starts_[static_cast<std::size_t>(stop)]);
    }
    Report(stop, false);
    return;
  }
  Report(f, playing);
}

void PlayerController::OnPlayerEnded() {
  stopAt_.reset();
  if (!video_) return;
  if (loop_ && player_) {
    SeekFrame(0);
    player_->Play();
    return;
  }
  Report(video_->frameCount() - 1, false);
}

}  // namespace kipo
