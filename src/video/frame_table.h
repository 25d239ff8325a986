#pragma once
// What the analysis of a video leaves for the rest of the system: one entry per frame with
// the frame's timecode, its change measure and its cut flag, and the audio's waveform
// peaks for the timeline. Stored in the timecode data file (tcd_file.h) beside the video.
#include <cstdint>
#include <string>
#include <vector>

#include "core/timecode.h"

namespace kipo {

class VideoFile;

// The audio's loudest and quietest sample in each video frame's time, per channel, as
// 16-bit values: for frame f and channel c, min at values[2 * (f * channels + c)] and max
// just after it. No audio: channels 0 and no values.
struct WaveformPeaks {
  int channels = 0;
  std::vector<std::int16_t> values;

  std::size_t frames() const { return channels ? values.size() / (2 * static_cast<std::size_t>(channels)) : 0; }
  std::int16_t Min(std::size_t frame, int channel) const { return values[2 * (frame * channels + channel)]; }
  std::int16_t Max(std::size_t frame, int channel) const { return values[2 * (frame * channels + channel) + 1]; }
  bool operator==(const WaveformPeaks&) const = default;
};

struct FrameTable {
  FrameRate rate;                      // the rate the timecodes count at
  int videoRateNum = 25;               // the video's own frame rate, a fraction
  int videoRateDen = 1;
  std::vector<std::string> timecodes;  // "HH:MM:SS:FF" (";" before the frames for drop-frame)
  std::vector<std::int32_t> measures;  // change against the frame before (frame 0: 0)
  std::vector<std::int16_t> cuts;      // -1 where a shot cut starts, else 0
  WaveformPeaks peaks;

  std::size_t size() const { return measures.size(); }
  // Each frame's timecode in frames at `rate`.
  std::vector<Timecode> Times() const;
  bool operator==(const FrameTable&) const = default;
};

// The table of a video at a document rate: the timecodes from the video's frame table, the
// measures and peaks as the analysis gave them, no cut flags yet.
FrameTable MakeFrameTable(const VideoFile& video, const FrameRate& rate, std::vector<std::int32_t> measures,
                          WaveformPeaks peaks = {});

}  // namespace kipo
