// kipo split on a file from another tool: the files it writes, what it prints, and the
// refusals that write nothing.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/run_kipo.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

using test::Kipo;
namespace fs = std::filesystem;

// A SubRip file as editors write it: LF line ends, a BOM, two languages per subtitle.
std::string Bilingual(const test::TempHome& home) {
  std::string srt = "\xEF\xBB\xBF";
  for (int i = 1; i <= 6; ++i)
    srt += std::to_string(i) + "\n00:00:0" + std::to_string(i) + ",000 --> 00:00:0" + std::to_string(i) +
           ",800\nEnglish " + std::to_string(i) + "\nFrançais " + std::to_string(i) + "\n\n";
  return test::WriteFile(home / "show.srt", srt).string();
}

TEST(CliSplit, PartsWithAStartTimeAndLanguageFiles) {
  test::TempHome home;
  const std::string file = Bilingual(home);
  auto r = Kipo({"split", file, "--at", "3,5", "--start", "2=10:00:00:00", "-o", (home / "out" / "show.kpox").string()});
  EXPECT_NE(r.code, 0) << "the folder does not exist";
  EXPECT_NE(r.err.find("kipo split: "), std::string::npos) << r.err;

  r = Kipo({"split", file, "--at", "3,5", "--start", "2=10:00:00:00", "-o", (home / "show.kpox").string()});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "File has been split into 3 parts\n" + (home / "show_1.kpox").string() + "\n" +
                       (home / "show_2.kpox").string() + "\n" + (home / "show_3.kpox").string() + "\n");
  SubtitleDocument p1 = test::ReadDoc((home / "show_1.kpox").string());
  SubtitleDocument p2 = test::ReadDoc((home / "show_2.kpox").string());
  ASSERT_EQ(p1.Count(), 2u);
  ASSERT_EQ(p2.Count(), 2u);
  EXPECT_EQ(p1.At(0).inCue.digits(), "00000100") << "parts without --start keep their cues";
  EXPECT_EQ(p2.At(0).inCue.digits(), "10000000");
  EXPECT_EQ(p2.At(1).inCue.digits(), "10000100");
  EXPECT_EQ(p2.At(0).text, "English 3\r\nFrançais 3");

  r = Kipo({"split", file, "--languages", "-o", (home / "show").string()});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(test::ReadDoc((home / "show_Lang1.kpox").string()).At(5).text, "Français 6");
  EXPECT_EQ(test::ReadDoc((home / "show_Lang2.kpox").string()).At(5).text, "English 6");
}

TEST(CliSplit, RefusalsWriteNothing) {
  test::TempHome home;
  const std::string file = Bilingual(home);
  const std::string root = (home / "x").string();
  struct Case {
    std::vector<std::string> args;
    const char* err;
  } cases[] = {
      {{"split", file, "-o", root}, "give either --at"},
      {{"split", file, "--at", "2", "--languages", "-o", root}, "give either --at"},
      {{"split", file, "--at", "2,x", "-o", root}, "is not a list of subtitle numbers"},
      {{"split", file, "--at", "1", "-o", root}, "Subtitle 1 cannot be a split point"},
      {{"split", file, "--at", "2,3,4,5", "--start", "two=10:00:00:00", "-o", root}, "is not PART=HH:MM:SS:FF"},
      {{"split", file, "--at", "2,3,4,5,2,3,4,5,5,5", "-o", root}, nullptr},  // repeats count once: fine
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[2]);
    auto r = Kipo(c.args);
    if (!c.err) {
      EXPECT_EQ(r.code, 0) << r.err;
      continue;
    }
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(root + "_1.kpox"));
  }
}

}  // namespace
}  // namespace kipo
