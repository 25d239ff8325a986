#include <gtest/gtest.h>

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
  // Frame counts from 100 hours on have no cue label; the last one still has.
  auto r = Kipo({"timecode", "2147483647", "--rate", "29.97"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("is past 99:59:59:29"), std::string::npos) << r.err;
  r = Kipo({"timecode", "8999999"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("Label:   99:59:59:24\n"), std::string::npos) << r.out;
  EXPECT_EQ(Kipo({}).code, 2);
  EXPECT_EQ(Kipo({"--help"}).code, 0);
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
