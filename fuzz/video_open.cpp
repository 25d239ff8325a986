// Opening a video must take any bytes without crashing: a damaged file ends in
// "Invalid file format" or the video's own message, never a crash or a hang. The bytes go
// to a temporary file (the demuxers read files), named with an extension chosen by the
// first byte so that the container guess varies too. A video that opens has its frame
// table read, its labels made and its last, first and middle pictures decoded. The
// shot-cut analysis pass over the same files is fuzz_video_analysis: together they cost
// three times as much per input, and each reaches a million inputs sooner alone.

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/user_error.h"
#include "video_input.h"
#include "video/video_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto file = kipo::fuzz::WriteVideoInput(data, size, "kipo-fuzz-video");
  if (!file) return 0;
  const std::string& path = *file;
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
  } catch (const kipo::UserError&) {
  }
  std::remove(path.c_str());
  return 0;
}
