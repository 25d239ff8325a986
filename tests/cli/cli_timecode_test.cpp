#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/run_kipo.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

using Result = test::KipoResult;
using test::Kipo;

TEST(CliTimecode, ConvertsBothWays) {
  test::TempHome home;
  auto r = Kipo({"timecode", "00:01:00:02", "--rate", "29.97"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("Frames:  1800\n"), std::string::npos) << r.out;
  r = Kipo({"timecode", "17982", "--rate", "29.97"});
  EXPECT_NE(r.out.find("Label:   00:10:00:00\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("HH:MM:SS;FF"), std::string::npos);
  r = Kipo({"timecode", "12:34", "--rate", "25"});
  EXPECT_NE(r.out.find("Label:   00:12:34:00"), std::string::npos) << r.out;
}

TEST(CliTimecode, RefusesNonsense) {
  test::TempHome home;
  EXPECT_EQ(Kipo({"timecode", "abc"}).code, 2);
  EXPECT_EQ(Kipo({"timecode", "10", "--rate", "26"}).code, 2);
  EXPECT_EQ(Kipo({"timecode", "-1", "--frames"}).code, 2);
  EXPECT_EQ(Kipo({"timecode", "2147483648"}).code, 2);
  EXPECT_EQ(Kipo({}).code, 2);
  EXPECT_EQ(Kipo({"--help"}).code, 0);
}

// Past 99 hours the hours print with as many digits as they need, in every form; the
// last label a cue can hold is named beside them.
TEST(CliTimecode, HoursOfAHundredAndMorePrintAsNumbers) {
  test::TempHome home;
  struct Case {
    const char* frames;
    const char* rate;
    std::vector<std::string> lines;  // each must appear as a whole line
  };
  const Case cases[] = {
      {"8999999", "25", {"Label:   99:59:59:24", "  HH:MM:SS.MSS  99:59:59.960"}},
      {"9000000", "25",
       {"Label:   100:00:00:00", "Note:    past 99:59:59:24, the last timecode a cue can hold",
        "  HH:MM:SS;FF   100:00:00;00", "  HH;MM;SS;FF   100;00;00;00", "  HH:MM:SS:MSS  100:00:00:000",
        "  HH:MM:SS,MSS  100:00:00,000", "  Frames        9000000", "  Seconds       360000.000"}},
      {"90000012", "50", {"Label:   500:00:00:12", "  HH:MM:SS.MSS  500:00:00.240", "  Frames        90000012"}},
      {"10789200", "29.97", {"Label:   100:00:00:00", "  HH:MM:SS;FF   100:00:00;00", "  Frames        10789200"}},
      {"2147483647", "29.97", {"  Frames        2147483647"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.frames) + " at " + c.rate);
    auto r = Kipo({"timecode", c.frames, "--rate", c.rate});
    ASSERT_EQ(r.code, 0) << r.err;
    for (const std::string& line : c.lines) EXPECT_NE(r.out.find(line + "\n"), std::string::npos) << line << "\n" << r.out;
    EXPECT_EQ(r.out.find("  \n"), std::string::npos) << "a blank form\n" << r.out;
  }
}

TEST(CliSettings, SetThenGet) {
  test::TempHome home;
  auto path = (home / "s.ini").string();
  EXPECT_EQ(Kipo({"--settings", path, "settings", "set", "Options", "Full undo", "True"}).code, 0);
  EXPECT_EQ(Kipo({"--settings", path, "settings", "get", "Options", "Full undo"}).out, "True\n");
  EXPECT_EQ(Kipo({"--settings", path, "settings", "get", "Options", "Absent", "--default", "7"}).out, "7\n");
}

}  // namespace
}  // namespace kipo
