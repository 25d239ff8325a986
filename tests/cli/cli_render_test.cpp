// kipo render: pictures and scripts from the command line, the preview, and refusals.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/run_kipo.h"
#include "imaging/dib_section.h"
#include "imaging/text_layout.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

namespace fs = std::filesystem;
using test::Kipo;

// A SubRip file as editors write it: byte-order mark, CRLF, an italic tag and a blank cue.
std::string Srt() {
  return "\xEF\xBB\xBF"
         "1\r\n00:00:01,000 --> 00:00:03,500\r\nFirst line\r\n\r\n"
         "2\r\n00:00:04,000 --> 00:00:06,000\r\n<i>Second</i> subtitle\r\nwith two rows\r\n\r\n"
         "3\r\n00:00:07,000 --> 00:00:09,000\r\nThird\r\n\r\n";
}

TEST(CliRender, ScenaristPicturesScriptAndLog) {
  if (ReferenceFontFile().empty()) GTEST_SKIP() << "no DejaVu Sans";
  test::TempHome home;
  const std::string srt = test::WriteFile(home / "film.srt", Srt()).string();
  const std::string dir = (home / "dvd").string();
  auto r = Kipo({"render", srt, "--target", "Sonic Scenarist", "-o", dir, "--font-file", ReferenceFontFile(),
                 "--option", "Bitmap stream=film", "--threads", "2"});
  ASSERT_EQ(r.code, 0) << r.err << r.out;
  EXPECT_NE(r.out.find("film.sst: Export complete - zero warnings"), std::string::npos) << r.out;
  EXPECT_TRUE(fs::exists(home / "dvd" / "film0003.bmp"));
  const std::string sst = test::ReadFile(home / "dvd" / "film.sst");
  EXPECT_NE(sst.find("0002        00:00:04:00 00:00:06:00 film0002.bmp\r\n"), std::string::npos) << sst;
  EXPECT_EQ(LoadPicture(home / "dvd" / "film0001.bmp").width(), 720);

  // Blu-ray at 1080: PNG pictures cropped to the text, listed in the BDN XML.
  r = Kipo({"render", srt, "--target", "Blu-ray BDN XML", "--size", "1920x1080", "-o", (home / "bd").string(),
            "--font-file", ReferenceFontFile()});
  ASSERT_EQ(r.code, 0) << r.err << r.out;
  EXPECT_NE(test::ReadFile(home / "bd" / "sub.xml").find("VideoFormat=\"1080p\""), std::string::npos);
  EXPECT_LT(LoadPicture(home / "bd" / "sub0001.png").width(), 1920);

  // The preview of one subtitle.
  r = Kipo({"render", srt, "--preview", "2", "-o", (home / "p.png").string(), "--font-file", ReferenceFontFile()});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(LoadPicture(home / "p.png").height(), 576);
}

TEST(CliRender, RefusalsNameTheProblem) {
  test::TempHome home;
  const std::string srt = test::WriteFile(home / "film.srt", Srt()).string();
  const std::string dir = (home / "out").string();
  struct Case {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"--target", "Nonesuch", "-o", dir}, "unknown target 'Nonesuch'"},
      {{"--target", "Sonic Scenarist", "--picture", "32-bit PNG", "-o", dir},
       "The bitmap format for the selected target system must be 8 or 24-bit BMP or TIF"},
      {{"--picture", "GIF", "-o", dir}, "unknown picture format 'GIF'"},
      {{"--size", "big", "-o", dir}, "--size takes WIDTHxHEIGHT"},
      {{"--option", "Border=12", "-o", dir}, "option 'Border' does not take '12'"},
      {{"--option", "Nonsense=1", "-o", dir}, "no option 'Nonsense=1'"},
      {{"--option", "Baseline=900", "-o", dir}, "Baseline setting is greater than bitmap height!"},
      {{"--from", "3", "--to", "2", "-o", dir}, "Invalid subtitle range"},
      {{"--preview", "9", "-o", dir}, "there is no subtitle 9"},
      {{"--target", "Blu-ray BDN XML"}, "give the export folder with -o DIR"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{"render", srt};
    args.insert(args.end(), c.args.begin(), c.args.end());
    SCOPED_TRACE(c.message);
    auto r = Kipo(args);
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  EXPECT_FALSE(fs::exists(home / "out")) << "nothing is written when the settings are refused";
}

}  // namespace
}  // namespace kipo
