#include "video/frame_table.h"

#include "video/video_file.h"

namespace kipo {

std::vector<Timecode> FrameTable::Times() const {
  std::vector<Timecode> t;
  t.reserve(timecodes.size());
  for (const std::string& label : timecodes) t.push_back(LabelToFrames(StripSeparators(label), rate));
  return t;
}

FrameTable MakeFrameTable(const VideoFile& video, const FrameRate& rate, std::vector<std::int32_t> measures,
                          WaveformPeaks peaks) {
  FrameTable t;
  t.rate = rate;
  t.videoRateNum = video.rate().num;
  t.videoRateDen = video.rate().den;
  const std::size_t n = static_cast<std::size_t>(video.frameCount());
  t.timecodes.reserve(n);
  for (std::size_t f = 0; f < n; ++f) t.timecodes.push_back(video.FrameLabel(static_cast<FrameCount>(f), rate));
  measures.resize(n, 0);
  t.measures = std::move(measures);
  t.cuts.assign(n, 0);
  t.peaks = std::move(peaks);
  return t;
}

}  // namespace kipo
