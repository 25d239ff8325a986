#pragma once
// A subtitle with cues given as frame counts at 25 fps, for tests of timing and checks.
// A negative frame count leaves that cue not set.
#include <string>

#include "core/document.h"

namespace kipo::test {

inline const FrameRate kPal = *FrameRate::FromCode(25);

inline Subtitle TimedSub(std::string text, Timecode in, Timecode out) {
  Subtitle s;
  s.text = std::move(text);
  s.inCue = in < 0 ? "" : FramesToDigits(in, kPal);
  s.outCue = out < 0 ? "" : FramesToDigits(out, kPal);
  return s;
}

}  // namespace kipo::test
