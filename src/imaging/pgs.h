#pragma once
// Blu-ray presentation graphics (PGS, ".sup"): each subtitle is a display set that shows
// its picture (presentation composition, window, palette, object, end segments) and one
// that clears it at the out cue.
#include <cstdint>
#include <vector>

#include "core/timecode.h"
#include "imaging/dib_section.h"

namespace kipo {

struct PgsEvent {
  long inMs = 0, outMs = 0;  // presentation times in milliseconds
  PixelRect rect;            // the picture's place in the frame
};

// The two display sets of one subtitle. `picture` is the cropped subtitle (full colour,
// straight alpha); it is reduced to a palette of at most 255 colours.
// `composition` numbers the display sets (each event uses two).
std::vector<std::uint8_t> EncodePgsEvent(const DibSection& picture, const PgsEvent& e, int frameWidth,
                                         int frameHeight, int composition, double fps);

// The run-length coding of one indexed picture (rows end with 00 00).
std::vector<std::uint8_t> PgsRunLength(const std::vector<std::uint8_t>& indices, int width, int height);

}  // namespace kipo
