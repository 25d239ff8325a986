// The shot-cut analysis pass over damaged videos: a video that opens (as in
// fuzz_video_open, whose seeds this target shares) is measured, so that the pass's packet
// groups, skipped pictures and second look at the skipped runs see damaged streams. What a
// view is handed while the pass runs, and the measures at the end, must lie inside the
// video. The first byte picks the extension (its low three bits) and the options: the
// sample depth (0x08), the advanced mode (0x10), one range or two (0x20; both 0x60: a
// decode of every picture) and the sample's size (0x80: the default; else 64 pixels, the
// same path through the scaler and the comparison at a thirtieth of the work).
// Only videos of up to 64 frames are measured: a longer frame table (a damaged count, or
// a seed grown by the fuzzer) runs the same code more times over, at many times the cost.

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/jobs.h"
#include "platform/user_error.h"
#include "video_input.h"
#include "video/frame_measure.h"
#include "video/video_file.h"

namespace {

constexpr kipo::FrameCount kMostFrames = 64;

void Analyse(const kipo::VideoFile& video, const std::string& path, std::uint8_t choice) {
  kipo::MeasureOptions o;
  o.colour = !(choice & 0x08);
  o.advanced = choice & 0x10;
  o.decodeEveryFrame = (choice & 0x60) == 0x60;
  o.ranges = choice & 0x20 ? 2 : 1;
  if (!(choice & 0x80)) o.sampleSize = 64;
  const auto frames = static_cast<std::size_t>(video.frameCount());
  kipo::detail::JobCore core(1, kipo::JobObserver{});
  kipo::JobContext job(core);
  auto chunk = [frames](const kipo::AnalysisChunk& c) {
    if (c.frames != frames || c.first + c.measures.size() > frames) __builtin_trap();
    if (c.peaks.channels && c.peaksFirst + c.peaks.frames() > frames) __builtin_trap();
  };
  try {
    const kipo::VideoAnalysis a = kipo::AnalyseFrames(video, path, o, job, chunk);
    if (a.measures.size() != frames || a.measures.front() != 0) __builtin_trap();
    for (std::int32_t m : a.measures)
      if (m < 0 || m > kipo::kMaxFrameMeasure) __builtin_trap();
    if (a.peaks.channels && a.peaks.frames() != frames) __builtin_trap();
  } catch (const kipo::UserError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto file = kipo::fuzz::WriteVideoInput(data, size, "kipo-fuzz-analysis");
  if (!file) return 0;
  const std::string& path = *file;
  try {
    const kipo::VideoFile video = kipo::VideoFile::Open(path);
    if (video.frameCount() <= 0) __builtin_trap();
    if (video.frameCount() <= kMostFrames) Analyse(video, path, data[0]);
  } catch (const kipo::UserError&) {
  }
  std::remove(path.c_str());
  return 0;
}
