// Digital cinema from the command line: a reel exported with a dialect chosen by number,
// the 3D pair, and the reel converted back to SubRip.
#include <gtest/gtest.h>

#include "cli/run_kipo.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

using test::Kipo;

TEST(CliCinema, ExportAReelAndThePairThenConvertBack) {
  test::TempHome home;
  const std::string settings = (home / "s.ini").string();
  SubtitleDocument d(24, kDefaultLanguageId, 0);
  for (int i = 0; i < 3; ++i) {
    Subtitle s;
    s.inCue = "00000" + std::to_string(1 + 2 * i) + "12";
    s.outCue = "00000" + std::to_string(2 + 2 * i) + "00";
    s.text = i == 1 ? "<Italic> & more" : "Line " + std::to_string(i + 1);
    d.Append(s);
  }
  const std::string film = test::SaveDoc(d, (home / "film.kpox").string());
  const std::string reel = (home / "reel1.xml").string();
  auto r = Kipo({"--settings", settings, "export", film, "--format", "Texas Instruments DLP Cinema", "--option",
                 "DC Version=3", "-o", reel});
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string xml = test::ReadFile(reel);
  EXPECT_NE(xml.find("<dcst:SubtitleReel"), std::string::npos);
  EXPECT_NE(xml.find("TimeIn=\"00:00:01:12\""), std::string::npos);

  r = Kipo({"--settings", settings, "convert", reel, "-o", (home / "reel1.srt").string()});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE((r.out + r.err).find("a document keeps no fonts"), std::string::npos) << r.out;
  const SubtitleDocument back = test::ReadDoc((home / "reel1.srt").string());
  ASSERT_EQ(back.Count(), 3u);
  EXPECT_EQ(back.At(1).text, "<Italic> & more");

  test::WriteFile(home / "z.txt", "2\t-3.00\r\n");
  r = Kipo({"--settings", settings, "export", film, "--format", "Texas Instruments DLP Cinema", "--option",
            "DC Version=DLP 1.1 (ZPosition)", "--option", "3D subs=1", "--option",
            "Z offsets file=" + (home / "z.txt").string(), "-o", (home / "pair.xml").string()});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(std::filesystem::exists(home / "pair_Left.xml"));
  EXPECT_TRUE(std::filesystem::exists(home / "pair_Right.xml"));
  EXPECT_FALSE(std::filesystem::exists(home / "pair.xml"));

  // A problem in the document stops the export with its message and writes nothing.
  d.Append(d.At(0));
  const std::string bad = test::SaveDoc(d, (home / "bad.kpox").string());
  r = Kipo({"--settings", settings, "export", bad, "--format", "Texas Instruments DLP Cinema", "-o",
            (home / "bad.xml").string()});
  EXPECT_NE(r.code, 0);
  EXPECT_NE(r.err.find("Inconsistent in cue in subtitle 4"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(home / "bad.xml"));
}

}  // namespace
}  // namespace kipo
