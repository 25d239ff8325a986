#include "core/cue.h"

#include <ostream>

namespace kipo {

Cue Cue::FromFrames(FrameCount frames, const FrameRate& rate) { return Cue(FramesToDigits(frames, rate)); }

std::ostream& operator<<(std::ostream& os, const Cue& cue) { return os << '"' << cue.digits() << '"'; }

}  // namespace kipo
