#pragma once
// The timeline below the video: a strip of the programme with the audio waveform, the
// subtitles as blocks, the shot cuts and the play head. This is its model, without any
// window: which stretch of the programme shows (zoom and scroll), what lies under the
// mouse, dragging a block or one of its edges under the cue rules with snapping, and the
// analysis of a newly opened video that fills the waveform and the cut marks.
//
// The timeline's axis is the document's time in frames (the cues' own frames). The video's
// frames are put on it through each frame's timecode from the analysis, so a video that
// starts at 10:00:00:00 shows under cues of 10:00:...; before the analysis has run, video
// frame f sits at f.
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/timecode.h"
#include "platform/jobs.h"
#include "platform/signal.h"
#include "settings/keys.h"
#include "settings/option_table.h"
#include "timing/cue_rules.h"
#include "timing/shot_cuts.h"
#include "video/frame_measure.h"
#include "video/frame_table.h"

namespace kipo {

class Workstation;

inline constexpr FlagSetting kShowTimelineSubtitles{keys::kOptions, "Show timeline subtitles", true, FlagForm::TrueFalse};
inline constexpr FlagSetting kTimelineSubtitleShowNumber{keys::kOptions, "Timeline subtitle show number", true,
                                                         FlagForm::TrueFalse};
inline constexpr FlagSetting kTimelineSubtitleShowText{keys::kOptions, "Timeline subtitle show text", true,
                                                       FlagForm::TrueFalse};
// Put between the rows of a subtitle's text on its block.
inline constexpr TextSetting kTimelineSubtitleSeparator{keys::kOptions, "Timeline subtitle separator", " | "};
// The point size of the blocks' numbers and text.
inline constexpr IntSetting kTimelineSubtitleSize{keys::kOptions, "Timeline subtitle size", 8, 6, 24};
// The waveform's colour as 0xBBGGRR (green by default).
inline constexpr IntSetting kAudioWaveformColor{keys::kOptions, "Audio waveform color", 0x40C040, 0, 0xFFFFFF};
// Both channels of a stereo sound, left above right; off draws them as one.
inline constexpr FlagSetting kDisplayStereoWaveform{keys::kOptions, "Display stereo waveform", false,
                                                    FlagForm::TrueFalse};
// The blocks stay where they are: clicks choose a subtitle and seek, nothing drags.
inline constexpr FlagSetting kLockTimelineSubtitles{keys::kOptions, "Lock timeline subtitles", false,
                                                    FlagForm::TrueFalse};

struct TimelineOptions {
  bool showSubtitles = true;
  bool showNumber = true;
  bool showText = true;
  std::string separator = " | ";
  int textSize = 8;
  bool showShotCuts = true;
  long shotCutColor = 0x0000FF;  // 0xBBGGRR
  long waveformColor = 0x40C040;
  bool stereo = false;
  bool locked = false;

  static const OptionTable<TimelineOptions>& Table();
  static TimelineOptions Load(const SettingsStore& s) { return Table().Load(s); }
  void Save(SettingsStore& s) const { Table().Save(s, *this); }
};

// A subtitle on the timeline: its cues in frames and its place in the document. Subtitles
// without an in cue are not on the timeline; one without an out cue is a block one frame long.
struct TimelineBlock {
  Timecode in = 0;
  Timecode out = 0;
  std::size_t index = 0;
  bool openEnd = false;  // no out cue
};

// What lies under the mouse.
struct TimelineHit {
  enum Part { None, Block, InEdge, OutEdge } part = None;
  std::size_t index = 0;  // the subtitle
  bool operator==(const TimelineHit&) const = default;
};

// A cue change by dragging, tested against the cue rules the way a change from the keys is:
// the result, the neighbour moved along by locked cues, and the warning a Warn policy gives.
struct DragResult {
  Timecode in = 0, out = 0;
  std::optional<Timecode> lastOut;  // the previous subtitle's out cue, when locked cues move it
  std::optional<Timecode> nextIn;   // the next subtitle's in cue, likewise
  std::string warning;
  bool limited = false;  // a Prevent rule stopped the change short of where it was asked to go
};
// Moves the part of a subtitle with cues `c` (in and out set) by `delta` frames. A Prevent
// rule stops the change at the last frame it allows; an in cue never reaches its out cue
// (nor the out cue its in cue) and no cue goes below 0 or beyond the last cue frame.
DragResult ApplyDragRules(const EditCues& c, TimelineHit::Part part, Timecode delta, const TimingParameters& p,
                          const HouseOptions& h, FrameCount lastFrame);

// Snapping: the position among `targets` nearest to `position`, when it lies within
// `window` frames of it.
std::optional<Timecode> NearestTarget(const std::vector<Timecode>& targets, double position, double window);

// A dragged block as it is now.
struct TimelineDrag {
  TimelineHit grab;
  double grabFrame = 0;       // where the mouse went down
  EditCues start;             // the cues and neighbours when it went down
  DragResult now;             // where they are now
  std::optional<Timecode> snappedTo;  // the position it snapped onto
  bool moved = false;
};

// The zoom steps: frames per pixel from 1/8 to 16384, doubling.
inline constexpr int kTimelineZoomLevels = 18;
double TimelineFramesPerPixel(int level);
// Pixels within which a drag snaps and an edge is grabbed.
inline constexpr double kTimelineSnapPixels = 6;
inline constexpr double kTimelineEdgePixels = 4;

class TimelineController {
 public:
  explicit TimelineController(Workstation& ws);
  ~TimelineController();
  TimelineController(const TimelineController&) = delete;
  TimelineController& operator=(const TimelineController&) = delete;

  Workstation& workstation() { return ws_; }
  const SubtitleDocument& document() const;
  const FrameRate& rate() const;
  // The current subtitle's index; past the end when there is none.
  std::size_t currentSubtitle() const;
  const TimelineOptions& options() const { return options_; }
  // Re-reads the options (after the options window).
  void ReloadOptions();
  // Stores one of the display switches and applies it.
  void SetOption(const FlagSetting& key, bool on);

  // --- the view
  void SetWidth(int pixels);
  int width() const { return width_; }
  int zoomLevel() const { return level_; }
  double framesPerPixel() const { return TimelineFramesPerPixel(level_); }
  // The frame at the left edge (fractions show part of a frame at high zoom).
  double left() const { return left_; }
  double right() const { return left_ + width_ * framesPerPixel(); }
  double FrameToX(double frame) const { return (frame - left_) / framesPerPixel(); }
  double XToFrame(double x) const { return left_ + x * framesPerPixel(); }
  // The programme's extent on the axis: the video's frames and every cue, with room after.
  std::pair<Timecode, Timecode> Extent() const;
  // Zooms in (steps > 0) or out keeping the frame under `x` where it is.
  void ZoomAt(double x, int steps);
  void SetZoomLevel(int level);
  // Scrolls by a number of pixels (positive: later), kept within the extent.
  void ScrollBy(double pixels);
  void ScrollTo(double leftFrame);
  // Brings `frame` into view: a page on when it just passed the right edge (the play head
  // while playing), else centred; nothing when it is in view.
  void Reveal(Timecode frame);

  // --- what is on it
  // Every block in order of in cue (and number for equal in cues).
  const std::vector<TimelineBlock>& Blocks() const;
  // The blocks reaching into [from, to): indexes into Blocks() from `first` to before
  // `last`; some in that run may end before `from` and are to be skipped.
  std::pair<std::size_t, std::size_t> VisibleBlocks(double from, double to) const;
  TimelineHit HitTest(double x) const;
  // The analysed video on the axis: frames' times, cut positions, peaks. Empty before the
  // analysis; while it runs, what it has found so far.
  const FrameTable& Table() const;
  const std::vector<Timecode>& FrameTimes() const;
  const std::vector<Timecode>& Cuts() const;
  // The video frame shown at axis position t, and the position of video frame f.
  FrameCount VideoFrameAt(double t) const;
  Timecode TimeOfVideoFrame(FrameCount f) const;
  // The play head on the axis.
  Timecode PlayheadTime() const;
  // Changes every time the table, its times or its cuts change (for caches of drawings).
  std::uint64_t tableVersion() const { return tableVersion_; }

  // --- the mouse
  // A click chooses the subtitle under the mouse (through the leaving step) and moves the
  // picture there; false when the user stayed on the current subtitle.
  bool Choose(const TimelineHit& hit);
  void SeekTo(double x);
  // A drag: false when the timeline is locked, the subtitle has not both cues, or the
  // user stayed on the current subtitle.
  bool BeginDrag(const TimelineHit& hit, double x);
  // The mouse moved: the cues follow under the rules, snapping unless `snap` is false.
  void DragTo(double x, bool snap);
  // Writes the dragged cues as one undo step; false when nothing changed.
  bool EndDrag();
  void CancelDrag();
  const std::optional<TimelineDrag>& drag() const { return drag_; }

  // --- analysis of the opened video
  // How the analysis gets its reports back onto the owner's thread (the desktop app
  // queues them on its event loop). Without one they are applied on the worker thread,
  // which only a test that waits for the end may allow.
  void SetPost(std::function<void(std::function<void()>)> post) { post_ = std::move(post); }
  // Starts analysing the video the play head opened (done by itself when the play head
  // opens one): from its timecode data file when that matches, else one pass whose
  // findings fill the timeline as it goes; the table then goes to the timing controller.
  void Analyse(const std::filesystem::path& video);
  bool analysing() const { return static_cast<bool>(job_); }
  const JobProgress& progress() const { return progress_; }
  // The last analysis' failure ("" when none).
  const std::string& analysisError() const { return error_; }
  // Whether the last analysis came from the timecode data file.
  bool reusedData() const { return reused_; }
  void CancelAnalysis();
  // Blocks until the running analysis ends (tests, the benchmark).
  void WaitForAnalysis();

  // Anything that changes the drawing.
  Signal<> changed;
  // The analysis' progress ("" text and total 0 when it ended).
  Signal<const JobProgress&> analysisProgress;

 private:
  struct Analysis;
  void Invalidate();
  void Rebuild() const;
  // Whether subtitles first ... first + count - 1 still have the cues the blocks were made from.
  bool CuesKept(std::size_t first, std::size_t count) const;
  void RebuildTable() const;
  void ClampScroll();
  void TakeChunk(AnalysisChunk chunk);
  void Finished(std::uint64_t generation);
  std::vector<Timecode> SnapTargets(TimelineHit::Part part) const;

  Workstation& ws_;
  TimelineOptions options_;
  int width_ = 800;
  int level_ = 5;  // 4 frames a pixel
  double left_ = 0;

  mutable bool blocksDirty_ = true;
  mutable std::vector<TimelineBlock> blocks_;
  mutable std::vector<Timecode> reach_;  // the latest out cue among blocks 0 ... i
  mutable std::vector<std::pair<Cue, Cue>> cues_;  // every subtitle's cues when the blocks were made

  // The table drawn: the analysis' while it runs, then the timing controller's.
  FrameTable partial_;
  mutable const void* tableKey_ = nullptr;
  mutable std::size_t tableSize_ = 0;
  mutable FrameRate tableRate_;
  mutable FrameRate docRate_;
  mutable Timecode offset_ = 0;  // the document's video offset the times were made with
  mutable std::vector<Timecode> times_;
  mutable std::vector<Timecode> cuts_;
  mutable std::uint64_t tableVersion_ = 1;
  mutable bool cutsDirty_ = true;

  std::optional<TimelineDrag> drag_;
  std::size_t shownCurrent_ = static_cast<std::size_t>(-1);

  std::function<void(std::function<void()>)> post_;
  std::shared_ptr<Analysis> job_;
  std::uint64_t generation_ = 0;
  JobProgress progress_;
  std::string error_;
  bool reused_ = false;

  Connection docChanged_, refreshed_, moved_, opened_;
};

}  // namespace kipo
