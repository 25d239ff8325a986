// Opening a video must take any bytes without crashing: a damaged file ends in
// "Invalid file format" or the video's own message, never a crash or a hang. The bytes go
// to a temporary file (the demuxers read files), named with an extension chosen by the
// first byte so that the container guess varies too. A video that opens is also measured
// by the shot-cut analysis pass, so that its packet groups, skipped pictures and second
// look at the skipped runs see damaged streams: the first byte's higher bits choose the
// sample depth, the advanced mode and (one input in four) a decode of every picture.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/jobs.h"
#include "platform/user_error.h"
#include "video/frame_measure.h"
#include "video/video_file.h"

namespace {

void Analyse(const kipo::VideoFile& video, const std::string& path, std::uint8_t choice) {
  kipo::MeasureOptions o;
  o.colour = !(choice & 0x08);
  o.advanced = choice & 0x10;
  o.decodeEveryFrame = (choice & 0x60) == 0x60;
  const auto frames = static_cast<std::size_t>(video.frameCount());
  kipo::detail::JobCore core(1, kipo::JobObserver{});
  kipo::JobContext job(core);
  // What a view is handed while the pass runs lies inside the video.
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
  if (size < 1) return 0;
  static const char* kExtensions[] = {".mp4", ".mkv", ".mpg", ".ts", ".avi", ".mov", ".webm", ".m2v"};
  static const std::string base = "/tmp/kipo-fuzz-video-" + std::to_string(::getpid());
  const std::string path = base + kExtensions[data[0] % 8];
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);
  } else {
    return 0;
  }
  try {
    kipo::VideoFile video = kipo::VideoFile::Open(path);
    const kipo::FrameCount n = video.frameCount();
    if (n <= 0) __builtin_trap();
    const kipo::FrameRate rate = kipo::NearestFrameRate(video.rate());
    for (kipo::FrameCount f : {n - 1, kipo::FrameCount{0}, n / 2}) {
      (void)video.FrameLabel(f, rate);
      try {
        kipo::VideoPicture p = video.DecodeFrame(f);
        if (p.rgb.size() != static_cast<std::size_t>(p.width) * p.height * 3) __builtin_trap();
      } catch (const kipo::UserError&) {
      }
    }
    Analyse(video, path, data[0]);
  } catch (const kipo::UserError&) {
  }
  std::remove(path.c_str());
  return 0;
}
