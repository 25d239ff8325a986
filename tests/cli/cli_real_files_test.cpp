// Commands as a new user runs them on files from other systems: every refusal says why,
// the timecode calculator refuses labels that do not exist, and the warnings of commands
// that write files reach the warning list.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/run_kipo.h"
#include "core/native_save.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

using test::Kipo;

SubtitleDocument OneSubtitle(std::string text) {
  SubtitleDocument d;
  Subtitle s;
  s.inCue = "00000100";
  s.outCue = "00000300";
  s.text = std::move(text);
  d.Append(s);
  return d;
}

TEST(CliRealFiles, RefusalsSayWhy) {
  test::TempHome home;
  test::WriteFile(home / "empty.stl", "");
  const std::string pac = test::SaveDoc(OneSubtitle("Hello"), (home / "film.pac").string());
  struct Case {
    const char* what;
    std::vector<std::string> args;
    std::vector<const char*> said;
  };
  const std::vector<Case> cases = {
      {"empty EBU file", {"convert", (home / "empty.stl").string(), "-o", (home / "a.srt").string()},
       {"This is not a valid EBU STL file: the file is empty"}},
      {"PAC without a language", {"info", pac}, {"give --language NAME, one of: Albanian, Arabic (Algeria),", "Greek"}},
      {"PAC with an unknown language",
       {"--language", "Klingon", "info", pac},
       {"'Klingon' is not one of the choices; --language NAME takes one of: Albanian"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto r = Kipo(c.args);
    EXPECT_EQ(r.code, 2);
    for (const char* s : c.said) EXPECT_NE(r.err.find(s), std::string::npos) << s << "\n" << r.err;
    EXPECT_EQ(r.err.find(": : "), std::string::npos) << r.err;
  }
}

// ".fpc" files have the PAC layout and are read as PAC.
TEST(CliRealFiles, FpcFilesAreReadAsPac) {
  test::TempHome home;
  const std::string pac = test::SaveDoc(OneSubtitle("From an fpc"), (home / "film.pac").string());
  std::filesystem::copy_file(pac, home / "film.fpc");
  auto r = Kipo({"--language", "English (Ireland)", "convert", (home / "film.fpc").string(), "-o",
                 (home / "film.srt").string(), "--encoding", "utf8"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(test::ReadFile(home / "film.srt").find("From an fpc"), std::string::npos);
}

// ".stl" is both EBU STL and the Spruce script: `info` names the type that read the file.
TEST(CliRealFiles, SpruceScriptsNamedStlAreReadAsSpruce) {
  test::TempHome home;
  test::WriteFile(home / "reel1.stl",
                  "$FontName = Arial\r\n$Italic = TRUE\r\n\r\n00:00:01:00 , 00:00:02:00 , Hello|world\r\n");
  auto r = Kipo({"info", (home / "reel1.stl").string()});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("Spruce STL text file"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Subtitles:      1"), std::string::npos) << r.out;
  const std::string ebu = test::SaveDoc(OneSubtitle("Hello"), (home / "film.stl").string());
  r = Kipo({"info", ebu});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("EBU"), std::string::npos) << r.out;
}

TEST(CliRealFiles, TimecodeRefusesLabelsThatDoNotExist) {
  test::TempHome home;
  struct Case {
    const char* value;
    const char* rate;
    int code;
    const char* said;
  };
  for (const Case& c : {
           Case{"00:01:00:00", "29.97", 2, "00:01:00:00 does not exist at 29.97 fps"},
           Case{"00:01:00:01", "29.97", 2, "(the next label is 00:01:00:02)"},
           Case{"00:10:00:00", "29.97", 0, ""},
           Case{"00:01:00:02", "29.97", 0, ""},
           Case{"00:01:00:00", "30", 0, ""},
           Case{"1:2:3:4", "25", 2, "'1:2:3:4' is not a timecode"},
           Case{"1.5", "25", 2, "'1.5' is not a timecode"},
           Case{"00:00:00:2x", "25", 2, "is not a timecode"},
           Case{"00:00:00:25", "25", 2, "has a frame number past 24, the last at 25 fps"},
           Case{"00:61:00:00", "25", 2, "has minutes past 59"},
           Case{"00:00:75:00", "25", 2, "has seconds past 59"},
           Case{"12:34", "25", 0, ""},
       }) {
    SCOPED_TRACE(std::string(c.value) + " at " + c.rate);
    auto r = Kipo({"timecode", c.value, "--rate", c.rate});
    EXPECT_EQ(r.code, c.code) << r.err;
    if (*c.said) {
      EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err; }
  }
}

// What a command that writes files warns about is kept in the warning list, and a later
// run without warnings leaves no old list behind.
TEST(CliRealFiles, WarningsReachTheWarningList) {
  test::TempHome home;
  const std::string coloured = test::SaveDoc(OneSubtitle("\x03Yellow words"), (home / "colour.kpox").string());
  const std::string plain = test::SaveDoc(OneSubtitle("Plain words"), (home / "plain.kpox").string());
  auto r = Kipo({"convert", coloured, "-o", (home / "colour.vtt").string()});
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string log = test::ReadFile(WarningListPath());
  EXPECT_NE(log.find("colour.kpox: Colours cannot be written in this format and were left out"), std::string::npos)
      << log;
  EXPECT_NE(r.err.find("the warnings are listed in"), std::string::npos) << r.err;
  r = Kipo({"export", coloured, "--format", "vtt", "-o", (home / "export.vtt").string()});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(test::ReadFile(WarningListPath()).find("Colours cannot be written"), std::string::npos);
  r = Kipo({"convert", plain, "-o", (home / "plain.vtt").string()});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(test::ReadFile(WarningListPath()), "");
}

}  // namespace
}  // namespace kipo
