#pragma once
// The picture side of timing: the open video, its transport, the position in the
// document's timecode with the document's video offset, and the cues set from the picture.
//
// A playback engine sits behind the small `Player` interface: the desktop app gives it
// libmpv, the tests a scripted stand-in. The engine only plays, seeks and reports seconds;
// frame numbers and timecodes always come from our own video module (VideoFile's frame
// table), so a position reported by the engine becomes a frame by looking its time up
// among the frames' own timestamps.
//
// The controller drives the Workstation's playhead (Open/Report) and listens to its
// seekRequested, so the timeline and everything else move the picture through the
// playhead alone.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/playhead.h"
#include "app/session.h"
#include "platform/signal.h"
#include "timing/cue_rules.h"
#include "video/video_file.h"

namespace kipo {

class TimingController;
class EditingController;

// A playback engine. Times are seconds on the file's own clock (the clock
// VideoFile::StartSeconds counts on). Every call returns at once; the engine calls
// `onPosition` on the interface thread once a seek has landed and as the picture moves.
class Player {
 public:
  virtual ~Player() = default;
  // Throws UserError when the engine cannot play the file.
  virtual void Open(const std::string& path) = 0;
  virtual void Close() = 0;
  virtual void Play() = 0;
  virtual void Pause() = 0;
  // Shows the frame that starts at `seconds` exactly (not the keyframe before it).
  virtual void Seek(double seconds) = 0;
  // 1 is normal speed.
  virtual void SetSpeed(double factor) = 0;

  std::function<void(double seconds, bool playing)> onPosition;
  // Playback stopped at the end of the file.
  std::function<void()> onEnded;
};

// What setting a cue from the picture does to the edit area's cues. The cue rules of the
// keyboard apply: the duration and interval tests are decided by their policies, and with
// locked cues the neighbouring cue follows to keep the default interval.
struct PlayerCue {
  bool applied = false;              // false: refused (a Prevent policy, or an out cue before the in cue)
  std::optional<Timecode> in, out;   // the cues to write
  bool clearOut = false;             // a new in cue at or after the old out cue empties it
  std::optional<Timecode> lastOut;   // the previous subtitle's out cue, moved by locked cues
  std::optional<Timecode> nextIn;    // the next subtitle's in cue, moved by locked cues
  std::string warning;               // for the warning panel
};

// "The out cue must come after the in cue": an out cue at or before the in cue is never set.
inline constexpr const char* kOutBeforeIn = "The out cue must come after the in cue";

// The rules for a cue taken at `position` (document frames, offset applied). With
// `grabInAddOut`, an out cue on a subtitle without in cue also takes its in cue the
// default interval after the previous out cue, so continuous dialogue is timed with the
// out key alone.
PlayerCue CueFromPlayer(const EditCues& cues, CueField field, Timecode position, const TimingParameters& p,
                        const HouseOptions& house, bool grabInAddOut);

// Playback speeds offered by the panel, slowest first (normal speed included).
const std::vector<double>& PlaybackSpeeds();

// Video files of the "Open video" dialog.
inline constexpr const char* kVideoFilter =
    "Video files|*.mp4;*.m4v;*.mov;*.mkv;*.avi;*.mxf;*.mpg;*.mpeg;*.m2ts;*.mts;*.ts;*.wmv;*.webm;*.vob;*.flv;*.3gp;"
    "*.dv;*.ogv|All files (*.*)|*.*";

// Whether a file name is one the "Open video" dialog lists (by its extension, any case).
bool IsVideoFileName(const std::filesystem::path& path);

class PlayerController {
 public:
  PlayerController(DocumentSession& session, TimingController& timing, EditingController& editing,
                   Playhead& playhead);
  PlayerController(const PlayerController&) = delete;
  PlayerController& operator=(const PlayerController&) = delete;
  ~PlayerController();

  // The engine (null: none; positions then come only from seeks, which land at once).
  void SetPlayer(Player* player);
  Player* player() const { return player_; }

  // --- the video
  // Opens a video for the document and remembers it for the document's file. Throws
  // UserError (the video's own reason) and keeps the video that was open.
  void OpenVideo(const std::filesystem::path& path);
  // The File menu's "Open video...": asks for a file. False when cancelled or refused (the
  // reason shown).
  bool OpenVideoDialog();
  void CloseVideo();
  bool hasVideo() const { return video_.has_value(); }
  const VideoFile* video() const { return video_ ? &*video_ : nullptr; }
  // The video remembered for a document file ("" when none).
  std::string LinkedVideo(const std::string& documentPath) const;
  // Checks whether the document changed its file: a document with a remembered video
  // reopens it (saying so when it cannot be found and closing the one that was open); a
  // document that takes a new file name (Save As, a first save) keeps the video open and
  // remembers it for its new name. Runs on every refresh of the session.
  void DocumentShown();

  // --- position
  FrameCount frame() const { return playhead_.position(); }
  bool playing() const { return playhead_.playing(); }
  // The document timecode of a video frame: its timecode at the document's rate plus the
  // video offset. The frame shown when no frame is named.
  Timecode Position() const { return PositionOf(frame()); }
  Timecode PositionOf(FrameCount frame) const;
  // "HH:MM:SS:FF" (";" before the frames at drop-frame rates); dashes without video.
  std::string PositionLabel() const;
  // The first video frame whose document timecode is `time` or later (nullopt past the end
  // or without video).
  std::optional<FrameCount> FrameAt(Timecode time) const;

  // The subtitle on screen at a document timecode (in cue <= time < out cue): the current
  // subtitle when it is one of them (its cues as typed), else the first. nullopt for none.
  std::optional<std::size_t> SubtitleAt(Timecode time) const;

  // --- transport
  void Play();
  void Pause();
  void PlayPause();
  void SeekFrame(FrameCount frame);
  void StepFrames(int frames);        // pauses first
  void StepSeconds(double seconds);   // keeps playing
  bool GoToInCue();
  bool GoToOutCue();
  // Plays from the current subtitle's in cue and stops on its out cue (with loop on, starts
  // again from the in cue).
  bool PlayCurrentSubtitle();
  bool loop() const { return loop_; }
  void SetLoop(bool on) { loop_ = on; }
  double speed() const { return speed_; }
  // Clamped to 0.5-2.
  void SetSpeed(double factor);

  // --- the document's video offset: added to every video timecode shown and taken
  // (subtracted when "Offset timecode back"), kept per document file.
  Timecode videoOffset() const { return offset_; }
  // The offset window's OK: `label` "HH:MM:SS:FF" (digits alone also read); `back` is the
  // "Offset timecode back" box, stored for the next time. Throws UserError on a label that
  // is no timecode.
  void SetVideoOffset(const std::string& label, bool back);
  // What the offset window shows: the offset's label and direction.
  std::string OffsetLabel() const;
  bool OffsetBack() const;

  // --- cues from the picture (one undo step each; the leaving step and "Auto page down"
  // after an out cue)
  bool SetInCue();
  bool SetOutCue();
  // The Cues menu's "Quick offset": the current subtitle starts at the picture's position.
  bool QuickOffset();

  // --- from the engine
  void OnPlayerPosition(double seconds, bool playing);
  void OnPlayerEnded();

  // The video opened or closed (the panel updates its title and controls).
  Signal<> videoChanged;

 private:
  FrameCount FrameOfSeconds(double seconds) const;
  // Where the next step starts: the frame a seek is on its way to, else the frame shown.
  FrameCount Cursor() const;
  void Report(FrameCount frame, bool playing);
  void LoadOffset();
  void StoreOffset();
  void SetOffsetFrames(Timecode frames);
  bool ApplyCue(CueField field);
  std::optional<FrameCount> CueFrame(CueField field) const;

  DocumentSession& s_;
  TimingController& timing_;
  EditingController& editing_;
  Playhead& playhead_;
  Player* player_ = nullptr;
  std::optional<VideoFile> video_;
  std::vector<double> starts_;  // each frame's start on the file's clock
  std::optional<FrameCount> stopAt_;
  std::optional<FrameCount> seeking_;  // a seek the engine has not reported yet
  FrameCount loopFrom_ = 0;
  bool loop_ = false;
  double speed_ = 1.0;
  Timecode offset_ = 0;
  std::string documentPath_;
  // Every subtitle's cues in frames (-1 when not set), rebuilt after the session refreshes.
  mutable std::vector<std::pair<Timecode, Timecode>> cues_;
  mutable bool cuesStale_ = true;
  Connection seek_, refresh_;
};

}  // namespace kipo
