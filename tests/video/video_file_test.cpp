// The frame table of generated videos and frame-exact decoding against ffmpeg's own.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <fstream>

#include "platform/user_error.h"
#include "support/temp_home.h"
#include "support/test_videos.h"
#include "video/video_file.h"

namespace kipo {
namespace {

using test::FfmpegFrame;

// The most memory the process has held so far, in KiB.
long PeakMemoryKib() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

// Frame n, ours and ffmpeg's, identical byte for byte; frames asked out of order so that
// every decode seeks (backwards, forwards, inside and across groups of pictures). The
// pictures two pixels wide have rows narrower than the blocks the scaler writes.
TEST(VideoFile, DecodesEveryAskedFrameExactlyAsFfmpegDoes) {
  struct Case {
    const char* name;
    FrameCount frames;
    int width, height;
  } cases[] = {{"h264.mp4", 50, 160, 120}, {"mpeg2.mpg", 50, 160, 120}, {"vfr.mkv", 50, 160, 120},
               {"narrowshots.mp4", 170, 2, 64}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    KIPO_TEST_VIDEO(path, c.name);
    VideoFile video = VideoFile::Open(path.string());
    ASSERT_EQ(video.frameCount(), c.frames);
    for (FrameCount n : {49, 0, 13, 12, 11, 1, 37, 24, 25, 48}) {
      SCOPED_TRACE("frame " + std::to_string(n));
      const VideoPicture ours = video.DecodeFrame(n);
      const std::vector<unsigned char> theirs = FfmpegFrame(path, n);
      ASSERT_EQ(ours.width, c.width);
      ASSERT_EQ(ours.height, c.height);
      ASSERT_EQ(theirs.size(), ours.rgb.size());
      EXPECT_TRUE(std::equal(theirs.begin(), theirs.end(), ours.rgb.begin())) << "pixels differ";
    }
    EXPECT_THROW(video.DecodeFrame(c.frames), UserError);
    EXPECT_THROW(video.DecodeFrame(-1), UserError);
  }
}

TEST(VideoFile, FrameTableFromTheStreamsTimestamps) {
  const FrameRate pal = *FrameRate::FromCode(25);
  const FrameRate ntsc = *FrameRate::FromCode(29);
  struct Case {
    const char* file;
    FrameCount frames;
    int rateNum, rateDen;
    double seconds;
    std::size_t keyframes;  // 0: not checked
    FrameRate rate;
    std::vector<std::pair<FrameCount, const char*>> labels;
  } cases[] = {
      {"h264.mp4", 50, 25, 1, 2.0, 5, pal, {{0, "00:00:00:00"}, {24, "00:00:00:24"}, {49, "00:00:01:24"}}},
      {"mpeg2.mpg", 50, 25, 1, 2.0, 5, pal, {{0, "00:00:00:00"}, {25, "00:00:01:00"}}},
      // After frame 19 the frames lie two 25ths of a second apart: the labels follow the
      // timestamps, not the frame numbers.
      {"vfr.mkv", 50, 0, 0, 0, 0, pal, {{19, "00:00:00:19"}, {20, "00:00:00:20"}, {21, "00:00:00:22"},
                                        {30, "00:00:01:15"}}},
      // A start timecode carried by the file moves every label.
      {"timecode.mov", 25, 25, 1, 1.0, 3, pal, {{0, "01:00:00:00"}, {24, "01:00:00:24"}}},
      // Drop-frame: labels 00:01:00;00 and ;01 do not exist.
      {"dropframe.mov", 30, 30000, 1001, 1.001, 3, ntsc,
       {{0, "00:00:59;28"}, {1, "00:00:59;29"}, {2, "00:01:00;02"}, {29, "00:01:00;29"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    KIPO_TEST_VIDEO(path, c.file);
    const VideoFile video = VideoFile::Open(path.string());
    EXPECT_EQ(video.frameCount(), c.frames);
    if (c.rateNum) {
      EXPECT_EQ(video.rate().num, c.rateNum);
      EXPECT_EQ(video.rate().den, c.rateDen);
      EXPECT_NEAR(video.durationSeconds(), c.seconds, 0.002);
      EXPECT_EQ(video.keyframes().size(), c.keyframes);
      EXPECT_EQ(NearestFrameRate(video.rate()), c.rate);
    }
    EXPECT_EQ(video.keyframes().front(), 0);
    for (const auto& [frame, label] : c.labels) EXPECT_EQ(video.FrameLabel(frame, c.rate), label) << "frame " << frame;
  }
}

// Anything that is not a readable video is refused with the readers' title and one line.
// A damaged header can claim pictures far larger than any programme's, which every
// decoded frame then fills: pictures up to 8K open and show, larger ones are refused with
// their size (the fuzzer's case claimed 145 million pixels a picture).
TEST(VideoFile, PicturesUpTo8K) {
  const VideoFile wide = VideoFile::Open(test::MakeVideo("8k-wide.mp4").string());
  EXPECT_EQ(wide.width(), 8192);
  VideoFile shown = VideoFile::Open(test::MakeVideo("8k-wide.mp4").string());
  EXPECT_EQ(shown.DecodeFrame(0).width, 8192);
  try {
    VideoFile::Open(test::MakeVideo("over-8k-wide.mp4").string());
    ADD_FAILURE() << "a picture wider than 8K opened";
  } catch (const UserError& e) {
    EXPECT_NE(std::string(e.what()).find("8208 x 16"), std::string::npos) << e.what();
  }
}

TEST(VideoFile, RefusesWhatIsNotAVideo) {
  if (!test::HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
  test::TempHome home;
  const std::string good = [] {
    std::ifstream in(test::MakeVideo("h264.mp4"), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }();
  ASSERT_GT(good.size(), 4000u);
  std::string damaged = good;
  for (std::size_t i = 0; i < damaged.size(); i += 7) damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
  // The sample size table says every sample is one byte and that there are 83,886,150 of
  // them: the demuxer indexes them all (2 GB, seconds of paging) unless FFmpeg's blocks
  // are capped.
  std::string counted = good;
  const std::size_t stsz = counted.find("stsz");
  ASSERT_NE(stsz, std::string::npos);
  counted.replace(stsz + 8, 8, std::string("\0\0\0\x01\x05\0\0\x46", 8));
  const std::pair<const char*, std::string> files[] = {
      {"empty.mp4", ""},
      {"text.mp4", "1\n00:00:01,000 --> 00:00:02,000\nHello\n"},
      {"noise.mkv", std::string(5000, '\x9c')},
      {"head-only.mp4", good.substr(0, 2000)},
      {"scrambled.mp4", damaged},
      {"counted.mp4", counted},
      // A damaged JPEG XL picture (found by fuzz_video_open): FFmpeg hands it to libjxl,
      // which crashed on it; a still picture is no programme video and is refused.
      {"picture.m2v", std::string("\xff\x0a\x00\x00\x23\x01\x00\xf9\xe0\x03\x5b\x80\x00\x00\x00\x27\x27\x27\x27\x27\x27\x27\x27\x00\x08\x00\x40\x00\x00\x01\x00\x00\x0f\xff\xf8\x00\x00\x01\xb5\x8f\xff\xf3\x41\x80\x00\x00\x01\x01\x23\x23\x40\xff\xe0\x00", 54)},
  };
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    const auto path = test::WriteFile(home / name, bytes);
    const long peak = PeakMemoryKib();
    try {
      VideoFile v = VideoFile::Open(path.string());
      // A file FFmpeg half-reads may open; every frame it lists (a frame takes a byte of
      // the file at least) must then decode or fail with the video's own message.
      ASSERT_LE(static_cast<std::size_t>(v.frameCount()), bytes.size());
      for (FrameCount n = 0; n < v.frameCount(); ++n) try {
          v.DecodeFrame(n);
        } catch (const UserError&) {
        }
    } catch (const UserError& e) {
      EXPECT_EQ(e.title(), "Invalid file format");
      EXPECT_FALSE(e.text().empty());
      EXPECT_EQ(e.text().find('\n'), std::string::npos);
    }
    // However much it claims, a damaged file of a few KB never takes a quarter GB to read.
    EXPECT_LT(PeakMemoryKib() - peak, 256 * 1024);
  }
  for (const std::string& path : {(home / "missing.mp4").string(), test::MakeVideo("audio.wav").string()}) {
    SCOPED_TRACE(path);
    try {
      VideoFile::Open(path);
      ADD_FAILURE() << "opened";
    } catch (const UserError& e) {
      EXPECT_EQ(e.title(), "Invalid file format");
    }
  }
}

}  // namespace
}  // namespace kipo
