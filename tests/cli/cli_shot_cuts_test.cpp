// kipo shotcuts with its timecode data file, kipo snap and kipo cues-from-shots on the
// generated shots (hard cuts at frames 30, 60 and 90 of 170, at 25 fps).
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/run_kipo.h"
#include "support/temp_home.h"
#include "support/test_videos.h"
#include "support/timed_subtitle.h"

namespace kipo {
namespace {

using test::Kipo;
using test::kPal;
using CueList = std::vector<std::pair<Timecode, Timecode>>;

CueList CuesOf(const SubtitleDocument& d) {
  CueList c;
  for (const Subtitle& s : d.Subtitles())
    c.push_back({s.inCue.IsSet() ? s.inCue.ToFrames(kPal) : -1, s.outCue.IsSet() ? s.outCue.ToFrames(kPal) : -1});
  return c;
}

// A private copy of the shots, so that its timecode data file is this test's own.
std::filesystem::path CopyShots(const test::TempHome& home) {
  const auto to = home / "shots.mp4";
  std::filesystem::copy_file(test::MakeVideo("shots.mp4"), to);
  return to;
}

std::vector<int> CutFrames(const std::string& json) {
  std::vector<int> frames;
  const auto j = nlohmann::json::parse(json);
  for (const auto& c : j["cuts"]) frames.push_back(c["frame"]);
  return frames;
}

TEST(CliShotCuts, AnalysisIsStoredReusedAndShifted) {
  KIPO_TEST_VIDEO(original, "shots.mp4");
  test::TempHome home;
  const auto video = CopyShots(home).string();
  const auto tcd = video + ".tcd";
  auto r = Kipo({"shotcuts", video, "--json"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(CutFrames(r.out), (std::vector<int>{30, 60, 90}));
  ASSERT_TRUE(std::filesystem::exists(tcd));
  EXPECT_EQ(nlohmann::json::parse(r.out)["timecode data"], tcd);

  // The stored analysis answers the next run: a file whose measures were made up shows
  // that it was read instead of the video.
  const auto stamp = std::filesystem::last_write_time(tcd);
  r = Kipo({"shotcuts", video});
  EXPECT_EQ(r.out, "3 shot cuts in 170 frames\n30\t00:00:01:05\n60\t00:00:02:10\n90\t00:00:03:15\n");
  EXPECT_EQ(std::filesystem::last_write_time(tcd), stamp) << "rewritten although nothing changed";

  // A shift moves the stored table; later runs see the moved cuts.
  r = Kipo({"shotcuts", video, "--shift", "2"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "3 shot cuts in 170 frames");
  EXPECT_EQ(CutFrames(Kipo({"shotcuts", video, "--json"}).out), (std::vector<int>{28, 58, 88}));
  EXPECT_EQ(CutFrames(Kipo({"shotcuts", video, "--json", "--shift", "-2"}).out), (std::vector<int>{30, 60, 90}));

  // Another sensitivity detects again from the stored measures: at 1000 only the cuts out
  // of still shots (whose level before is nothing) remain.
  EXPECT_EQ(CutFrames(Kipo({"shotcuts", video, "--json", "--sensitivity", "1000"}).out), (std::vector<int>{60, 90}));

  // A damaged data file is analysed again and replaced.
  test::WriteFile(tcd, "KIPO-TCD but not really");
  r = Kipo({"shotcuts", video, "--json"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(CutFrames(r.out), (std::vector<int>{30, 60, 90}));
  EXPECT_GT(std::filesystem::file_size(tcd), 170u * 17);
}

TEST(CliShotCuts, SnapMovesCuesOntoTheCuts) {
  KIPO_TEST_VIDEO(original, "shots.mp4");
  test::TempHome home;
  const auto video = CopyShots(home).string();
  SubtitleDocument d;
  d.Append(test::TimedSub("One", 28, 57));
  d.Append(test::TimedSub("Two", 62, 88));
  d.Append(test::TimedSub("Far", 140, 160));
  const auto file = test::SaveDoc(d, (home / "film.kpox").string());
  const auto out = (home / "snapped.kpox").string();

  auto r = Kipo({"snap", file, "--video", video, "-o", out});
  ASSERT_EQ(r.code, 0) << r.err;
  // In cues onto the cuts; out cues the default interval (4) before them.
  EXPECT_EQ(CuesOf(test::ReadDoc(out)), (CueList{{30, 56}, {60, 86}, {140, 160}}));
  EXPECT_NE(r.out.find("0001  in   00:00:01:03 -> 00:00:01:05"), std::string::npos) << r.out;

  r = Kipo({"snap", file, "--video", video, "--from", "2", "--to", "2", "-o", out});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(CuesOf(test::ReadDoc(out)), (CueList{{28, 56}, {60, 86}, {140, 160}}));

  r = Kipo({"snap", file, "--video", video, "--from", "3", "--to", "2"});
  EXPECT_NE(r.code, 0);
  EXPECT_NE(r.err.find("End subtitle must be less than start subtitle"), std::string::npos) << r.err;
  EXPECT_EQ(CuesOf(test::ReadDoc(file)), (CueList{{28, 57}, {62, 88}, {140, 160}})) << "the input is left alone";

  const auto bad = test::WriteFile(home / "bad.mp4", "no video here");
  r = Kipo({"snap", file, "--video", bad.string()});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("Invalid file format"), std::string::npos) << r.err;
  EXPECT_EQ(CuesOf(test::ReadDoc(file)), (CueList{{28, 57}, {62, 88}, {140, 160}}));
}

TEST(CliShotCuts, CuesFromShots) {
  KIPO_TEST_VIDEO(original, "shots.mp4");
  test::TempHome home;
  const auto video = CopyShots(home).string();
  const auto out = (home / "cues.kpox").string();
  auto r = Kipo({"cues-from-shots", video, "-o", out});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("3 subtitles from 3 shot cuts"), std::string::npos) << r.out;
  const SubtitleDocument d = test::ReadDoc(out);
  EXPECT_EQ(CuesOf(d), (CueList{{30, 56}, {60, 86}, {90, -1}}));
  EXPECT_EQ(d.frameRate().code, 25);
  for (const Subtitle& s : d.Subtitles()) EXPECT_EQ(s.text, "");

  EXPECT_EQ(Kipo({"cues-from-shots", video}).code, 2) << "the output file is required";
}

// Pictures much taller than the sample are scaled from every few rows only; the cuts stay
// the same, on the same frames, for both sample depths.
TEST(CliShotCuts, LargePicturesFindTheSameCuts) {
  KIPO_TEST_VIDEO(path, "shots720.mp4");
  test::TempHome home;
  const auto settings = (home / "kipo.ini").string();
  for (const char* bits : {"1", "0"}) {
    SCOPED_TRACE(std::string("bits per pixel ") + bits);
    ASSERT_EQ(Kipo({"--settings", settings, "settings", "set", "Options", "Shot cut bits per pixel", bits}).code, 0);
    const auto r = Kipo({"--settings", settings, "shotcuts", path.string(), "--json"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(CutFrames(r.out), (std::vector<int>{30, 60, 90}));
  }
}

}  // namespace
}  // namespace kipo
