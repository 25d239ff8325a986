// The timecode data file: round trips, damaged files and when a stored analysis is reused.
#include "video/tcd_file.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/files.h"
#include "platform/user_error.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

TimecodeData Sample(int frames, int channels, const FrameRate& rate) {
  TimecodeData d;
  d.video = {"film.mp4", 123456789012ull, 1700000000123456789ll};
  d.analysis.sampleSize = 900;
  d.analysis.advanced = true;
  d.sensitivity = 40;
  FrameTable& t = d.table;
  t.rate = rate;
  t.videoRateNum = rate.num;
  t.videoRateDen = rate.den;
  for (int f = 0; f < frames; ++f) {
    std::string label = FramesToLabel(f * 7, rate);
    if (rate.dropFrame) label[8] = ';';
    t.timecodes.push_back(label);
    t.measures.push_back(f % 3 == 0 ? 9000 : -f);
    t.cuts.push_back(f % 3 == 0 ? -1 : 0);
  }
  t.peaks.channels = channels;
  for (int i = 0; i < frames * channels; ++i) {
    t.peaks.values.push_back(static_cast<std::int16_t>(-i * 37));
    t.peaks.values.push_back(static_cast<std::int16_t>(i * 41));
  }
  return d;
}

// The closing checksum made again, so that a file with a lying field reaches the parser.
Bytes Resign(Bytes b) {
  b.resize(b.size() - 8);
  std::uint64_t h = 1469598103934665603ull;
  for (std::uint8_t c : b) h = (h ^ c) * 1099511628211ull;
  for (int i = 0; i < 8; ++i) b.push_back(static_cast<std::uint8_t>(h >> (8 * i)));
  return b;
}

void ExpectInvalid(const Bytes& b, const std::string& what) {
  SCOPED_TRACE(what);
  try {
    ReadTimecodeData(b);
    ADD_FAILURE() << "read without complaint";
  } catch (const UserError& e) {
    EXPECT_EQ(e.title(), "Invalid file format");
  }
}

TEST(TimecodeDataFile, RoundTrips) {
  for (int code : {25, 29, 23}) {
    for (int channels : {0, 1, 6}) {
      SCOPED_TRACE(std::to_string(code) + " fps, " + std::to_string(channels) + " channels");
      const TimecodeData d = Sample(40, channels, *FrameRate::FromCode(code));
      EXPECT_EQ(ReadTimecodeData(WriteTimecodeData(d)), d);
    }
  }
  EXPECT_EQ(ReadTimecodeData(WriteTimecodeData(TimecodeData{})), TimecodeData{});
}

TEST(TimecodeDataFile, DamagedFilesAreRefused) {
  const Bytes good = WriteTimecodeData(Sample(12, 2, *FrameRate::FromCode(25)));
  for (std::size_t n = 0; n < good.size(); ++n) ExpectInvalid(Bytes(good.begin(), good.begin() + n), "cut at " + std::to_string(n));
  for (std::size_t i = 0; i < good.size(); ++i) {
    Bytes b = good;
    b[i] ^= 0x20;
    ExpectInvalid(b, "byte " + std::to_string(i) + " changed");
  }
  // Fields that lie, with a checksum that fits: counts far beyond the bytes there are, a
  // frame rate that does not exist, a timecode or cut flag that is no such thing.
  const std::size_t header = 8 + 2 + 8 + 8 + 2 + std::string("film.mp4").size() + 16 + 2 + 4;
  struct Lie {
    const char* what;
    std::size_t at;
    std::vector<std::uint8_t> bytes;
  } lies[] = {
      {"name longer than the file", 26, {0xFF, 0xFF}},
      {"no such frame rate", header, {99, 0, 0, 0}},
      {"a billion frames", header + 12, {0, 0xCA, 0x9A, 0x3B}},
      {"frames beyond the bytes", header + 12, {13, 0, 0, 0}},
      {"a damaged timecode", header + 16 + 2, {'x'}},
      {"a cut flag of 5", header + 16 + 15, {5, 0}},
      {"more channels than peaks", good.size() - 8 - 12 * 2 * 4 - 2, {3, 0}},
      {"a version to come", 8, {2, 0}},
  };
  for (const Lie& l : lies) {
    Bytes b = good;
    std::copy(l.bytes.begin(), l.bytes.end(), b.begin() + static_cast<std::ptrdiff_t>(l.at));
    ExpectInvalid(Resign(b), l.what);
  }
  ExpectInvalid(Resign(Bytes(good.begin(), good.end() - 20)), "cut short and signed");
}

TEST(TimecodeDataFile, ReusedOnlyForTheSameVideoAndSettings) {
  test::TempHome home;
  const auto video = test::WriteFile(home / "film.mp4", "pretend video");
  TimecodeData d = Sample(10, 2, *FrameRate::FromCode(25));
  d.video = VideoIdentity::Of(video);
  const MeasureOptions analysis = d.analysis;

  EXPECT_FALSE(FindTimecodeData(video, analysis)) << "nothing stored yet";
  const auto stored = StoreTimecodeData(video, d);
  EXPECT_EQ(stored, home / "film.mp4.tcd");
  auto found = FindTimecodeData(video, analysis);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->data, d);
  EXPECT_EQ(found->path, stored);

  MeasureOptions other = analysis;
  other.minDiff += 1;
  EXPECT_FALSE(FindTimecodeData(video, other)) << "other analysis settings";

  // A damaged file beside the video is passed over for the one in the data folder.
  test::WriteFile(stored, "KIPO-TCD and then rubbish");
  EXPECT_FALSE(FindTimecodeData(video, analysis));
  const auto inData = TimecodeDataInDataFolder(d.video);
  EXPECT_TRUE(inData.string().starts_with(DataFolder().string()));
  EnsureFolder(inData.parent_path());
  WriteFileAtomic(inData, WriteTimecodeData(d));
  found = FindTimecodeData(video, analysis);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->path, inData);

  // The video changed: no stored analysis fits it any more.
  test::WriteFile(video, "pretend video, edited");
  EXPECT_FALSE(FindTimecodeData(video, analysis));
  EXPECT_NE(TimecodeDataInDataFolder(VideoIdentity::Of(video)), inData);

  // Rewriting after a shift keeps the identity and settings.
  FrameTable shifted = d.table;
  shifted.cuts.assign(shifted.size(), 0);
  RewriteTimecodeData(inData, shifted, 70);
  const TimecodeData back = ReadTimecodeData(ReadFileBytes(inData));
  EXPECT_EQ(back.table, shifted);
  EXPECT_EQ(back.video, d.video);
  EXPECT_EQ(back.sensitivity, 70);
  EXPECT_THROW(RewriteTimecodeData(home / "missing.tcd", shifted), UserError);
}

}  // namespace
}  // namespace kipo
