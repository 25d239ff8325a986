#pragma once
// Shot cuts from the per-frame change measure of the video analysis: one flag per frame,
// -1 where a cut starts at that frame, else 0.
#include <cstdint>
#include <vector>

namespace kipo {

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

}  // namespace kipo
