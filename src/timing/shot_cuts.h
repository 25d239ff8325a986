#pragma once
// Shot cuts from the per-frame change measure of the video analysis: one flag per frame,
// -1 where a cut starts at that frame, else 0. And what is done with them: snapping cues
// onto nearby cuts, a new set of empty subtitles timed on the cuts, moving the table by a
// few frames and the jumps to the previous or next cut.
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "core/document.h"
#include "settings/house_options.h"
#include "timing/bulk_cues.h"
#include "timing/timing_parameters.h"

namespace kipo {

class SettingsStore;

// The default sensitivity of detection; the measure must reach sensitivity / 10 times the
// level of the frames just before it.
inline constexpr int kDefaultShotCutSensitivity = 30;

// measure[f] is frame f's change against frame f - 1, for frames 0 ... N. A frame is a cut
// when its measure stands out as a single-frame peak: above its neighbours on both sides
// by more than the average step between frames, at least sensitivity / 10 times the level
// of the frames before it, and above the average measure. Frame 0 and the last frame are
// never cuts.
std::vector<std::int16_t> DetectShotCuts(const std::vector<std::int32_t>& measure, int sensitivity);

// The frame numbers whose flag is set, in order.
std::vector<std::int32_t> ShotCutFrames(const std::vector<std::int16_t>& flags);

// The cut flags on the document's time axis: which cue positions (frames at the document's
// rate) a cut starts at. Built from each video frame's timecode, so a video that starts at
// 10:00:00:00 snaps cues of 10:00:... and positions outside the video are never cuts.
class CutTimeline {
 public:
  CutTimeline() = default;
  // times[f] is video frame f's timecode in frames; flags[f] its cut flag.
  CutTimeline(const std::vector<Timecode>& times, const std::vector<std::int16_t>& flags);
  // Frame f at timecode f.
  static CutTimeline FromFlags(const std::vector<std::int16_t>& flags);

  bool IsCut(Timecode t) const {
    return t >= first_ && t - first_ < static_cast<Timecode>(flags_.size()) && flags_[t - first_];
  }
  bool HasCuts() const { return !cuts_.empty(); }
  // The cut positions in order.
  const std::vector<Timecode>& Cuts() const { return cuts_; }

 private:
  Timecode first_ = 0;
  std::vector<char> flags_;
  std::vector<Timecode> cuts_;
};

// The snap window's three cue settings.
struct SnapOptions {
  int inOffset = 0;   // "Shot cut in": frames after the cut
  int outChoice = 2;  // "Shot cut out": 0 one frame before, 1 two frames, 2 the default interval
  int window = 7;     // "Shot cut threshold": frames on each side of a cue

  // Frames from the cut to the out cue: -1, -2 or minus the default interval.
  int OutOffset(int defaultInterval) const { return outChoice == 0 ? -1 : outChoice == 1 ? -2 : -defaultInterval; }
  static SnapOptions Load(const SettingsStore& settings);
  void Save(SettingsStore& settings) const;
};

// Snaps subtitle `index`'s cues onto the cuts within the window around them, in increasing
// order of distance from -window to +window so that the latest cut in the window decides.
// An in cue moves to the cut plus the in offset, and the previous subtitle's out cue to the
// default interval before the cut unless the gap to it was wider than both the default
// interval and the invalid-interval threshold; an out cue moves to the cut plus the out
// offset and the next in cue, under the same rule, to the default interval after the cut.
// Positions are those before the snap; cues that are not set are left alone. Returns the
// number of cues changed.
int SnapToShotCuts(SubtitleDocument& doc, std::size_t index, const CutTimeline& cuts, const SnapOptions& options,
                   const HouseOptions& house);

// The snap over subtitles first ... last (indices): calls `before` once with the subtitles
// that may change (the range and its two neighbours), then snaps each. Returns the number
// of cues changed. Throws UserError("No shot cuts found!") without a change when the
// timeline holds no cut.
int SnapRangeToShotCuts(SubtitleDocument& doc, std::size_t first, std::size_t last, const CutTimeline& cuts,
                        const SnapOptions& options, const HouseOptions& house, const BeforeCueChange& before = {});

// The phases of CuesFromShotCuts, as the status panel shows them.
inline constexpr std::string_view kScanningShotCuts = "Scanning shot cuts...";
inline constexpr std::string_view kCreatingCues = "Creating cues...";
inline constexpr std::string_view kCheckingDuration = "Checking subtitle duration...";
using PhaseProgress = std::function<void(std::string_view phase, std::size_t done, std::size_t total)>;

// Empty subtitles timed on the cuts: one per cut with its in cue on the cut and its out
// cue the default interval before the next cut (the last keeps an empty out cue); then a
// subtitle longer than the maximum duration ends the default duration after its in cue,
// and one shorter than the minimum takes over the next subtitle's out cue in its place.
// Throws UserError for more cuts than a document holds.
std::vector<Subtitle> CuesFromShotCuts(const CutTimeline& cuts, const TimingParameters& timing, const FrameRate& rate,
                                       const PhaseProgress& progress = {});

// Moves the cut flags and the measures together by n frames: up, frame f takes the values
// of frame f + n; down, those of frame f - n. Frames left without values get 0.
void ShiftShotCuts(std::vector<std::int16_t>& flags, std::vector<std::int32_t>& measures, int n, bool up);

// The jumps of the video transport: the frame to show for "lastshotcut" (searching back
// from the frame before `current`) or "nextshotcut" (forward from the frame after it), the
// first frame i whose frame i - (offset - 5) is a cut: `storedOffset` is the setting's
// value, 5 landing on the cut, 7 two frames after it. nullopt when there is none.
std::optional<FrameCount> PreviousShotCutFrame(const std::vector<std::int16_t>& flags, FrameCount current,
                                               int storedOffset);
std::optional<FrameCount> NextShotCutFrame(const std::vector<std::int16_t>& flags, FrameCount current,
                                           int storedOffset);

}  // namespace kipo
