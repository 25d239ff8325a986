// kipo video info and kipo shotcuts on generated videos.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/run_kipo.h"
#include "support/temp_home.h"
#include "support/test_videos.h"

namespace kipo {
namespace {

using test::Kipo;

TEST(CliVideo, Info) {
  KIPO_TEST_VIDEO(path, "timecode.mov");
  test::TempHome home;
  auto r = Kipo({"video", "info", path.string()});
  ASSERT_EQ(r.code, 0) << r.err;
  for (const char* line : {"Frames:         25\n", "Frame rate:     25/1 (25.000 fps)\n",
                           "Duration:       00:00:01:00 (1.000 s)\n", "Start timecode: 01:00:00:00 at 25 fps\n",
                           "Keyframes:      3\n"})
    EXPECT_NE(r.out.find(line), std::string::npos) << line << "in:\n" << r.out;

  r = Kipo({"video", "info", path.string(), "--json", "--rate", "30"});
  ASSERT_EQ(r.code, 0) << r.err;
  auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["frames"], 25);
  EXPECT_EQ(j["rate"]["num"], 25);
  EXPECT_EQ(j["start timecode"], "01:00:00:00");
  EXPECT_EQ(j["timecode rate"], "30 fps");
}

// The cuts of the generated shots at the default sensitivity, with every sample depth and
// mode of the analysis settings: the three hard cuts, not the cross-fade, the zoom or the
// flash frame.
TEST(CliVideo, ShotCutsOfGeneratedShots) {
  KIPO_TEST_VIDEO(path, "shots.mp4");
  test::TempHome home;
  const auto settings = (home / "kipo.ini").string();
  struct Mode {
    const char* key;
    const char* value;
  } modes[] = {{"Shot cut advanced", "0"}, {"Shot cut bits per pixel", "0"}, {"Shot cut advanced", "1"},
               {"Shot cut sample size", "500"}};
  for (const Mode& m : modes) {
    SCOPED_TRACE(std::string(m.key) + " " + m.value);
    ASSERT_EQ(Kipo({"--settings", settings, "settings", "set", "Options", m.key, m.value}).code, 0);
    auto r = Kipo({"--settings", settings, "shotcuts", path.string(), "--json"});
    ASSERT_EQ(r.code, 0) << r.err;
    auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["frames"], 170);
    std::vector<int> frames;
    for (const auto& c : j["cuts"]) frames.push_back(c["frame"]);
    EXPECT_EQ(frames, (std::vector<int>{30, 60, 90}));
    ASSERT_EQ(j["cuts"].size(), 3u);
    EXPECT_EQ(j["cuts"][0]["timecode"], "00:00:01:05");
  }
  auto r = Kipo({"--settings", settings, "shotcuts", path.string()});
  EXPECT_EQ(r.out, "3 shot cuts in 170 frames\n30\t00:00:01:05\n60\t00:00:02:10\n90\t00:00:03:15\n");
  EXPECT_EQ(Kipo({"--settings", settings, "shotcuts", path.string(), "--sensitivity", "-5"}).code, 2);
}

TEST(CliVideo, BadVideoIsAnErrorExit) {
  test::TempHome home;
  const auto bad = test::WriteFile(home / "film.mp4", "not a video at all");
  for (const char* cmd : {"info", "shotcuts"}) {
    SCOPED_TRACE(cmd);
    auto r = std::string(cmd) == "info" ? Kipo({"video", "info", bad.string()}) : Kipo({"shotcuts", bad.string()});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("kipo: Invalid file format: "), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace kipo
