#pragma once
// The numbers every timing rule works with, taken from the house options at the moment a
// rule runs (a profile change therefore takes effect on the next cue change).
#include "core/timecode.h"
#include "settings/house_options.h"

namespace kipo {

struct TimingParameters {
  short readingSpeed = 15;     // characters per second
  short minDuration = 25;      // frames
  short maxDuration = 175;     // frames
  short defaultInterval = 4;   // frames between one out cue and the next in cue
  short defaultDuration = 50;  // frames, for a text with nothing to count
  // The document's rate in single precision: 24 for 23.976 and 30 for 29.97
  // material, as the reading-speed formulas have always used it.
  float fps = 25.0f;

  static TimingParameters From(const HouseOptions& h, const FrameRate& rate) {
    return {h.readingSpeed, h.minDuration, h.maxDuration, h.defaultInterval, h.defaultDuration, rate.timingFps()};
  }
};

}  // namespace kipo
