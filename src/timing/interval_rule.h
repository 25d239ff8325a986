#pragma once
// The one rule for a valid gap between two subtitles, shared by the checker and the bulk
// fix. A gap of exactly the default interval is valid; so is any gap above the threshold
// (a scene break). A gap below the interval, or slightly above it up to the threshold, is
// invalid: it looks like a mistimed standard interval.
#include "core/timecode.h"
#include "settings/house_options.h"

namespace kipo {

inline bool IsInvalidInterval(Timecode gap, const HouseOptions& house) {
  if (gap < house.defaultInterval) return true;
  return gap > house.defaultInterval && gap <= house.invalidIntervalThreshold;
}

}  // namespace kipo
