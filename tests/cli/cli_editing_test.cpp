// kipo fix, offset and delete on real files: what they print, what they write, and that a
// refused command leaves the file untouched.
#include <gtest/gtest.h>

#include "cli/run_kipo.h"

#include <sstream>

#include "app/file_types.h"
#include "cli/cli.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

const FrameRate kPal = *FrameRate::FromCode(25);

using test::Kipo;

// Subtitles from (in, out) frame pairs; -1 leaves a cue not set.
std::string WriteDoc(const test::TempHome& home, const std::string& name,
                     std::vector<std::pair<Timecode, Timecode>> cues) {
  SubtitleDocument d;
  int n = 0;
  for (auto [in, out] : cues) {
    Subtitle s;
    s.text = "Line " + std::to_string(++n);
    if (in >= 0) s.inCue = FramesToDigits(in, kPal);
    if (out >= 0) s.outCue = FramesToDigits(out, kPal);
    d.Append(s);
  }
  return test::SaveDoc(d, (home / name).string());
}

using test::ReadDoc;

TEST(CliEditing, FixPrintsEveryChangedCue) {
  test::TempHome home;
  std::string file = WriteDoc(home, "film.kpox", {{100, 200}, {202, 300}, {304, 400}});
  auto r = Kipo({"fix", file, "--invalid-intervals", "-o", (home / "fixed.kpox").string()});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "0001  out  00:00:08:00 -> 00:00:07:23\n1 cue changed\nSaved " + (home / "fixed.kpox").string() + "\n");
  EXPECT_NE(r.err.find("Kipo has fixed 1 invalid intervals"), std::string::npos) << r.err;
  EXPECT_EQ(ReadDoc((home / "fixed.kpox").string()).At(0).outCue, "00000723");
  EXPECT_EQ(ReadDoc(file).At(0).outCue, "00000800") << "the input stays as it was with -o";

  // A 1.001 stretch moves a cue at one hour by 3.6 seconds, one at ten seconds not at all.
  std::string hour = WriteDoc(home, "hour.kpox", {{90000, 90100}, {250, 300}});
  r = Kipo({"fix", hour, "--stretch"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("0001  in   01:00:00:00 -> 01:00:03:15\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("2 cues changed"), std::string::npos) << r.out;
  EXPECT_EQ(ReadDoc(hour).At(0).inCue, "01000315") << "written back without -o";

  EXPECT_EQ(Kipo({"fix", file}).code, 2) << "one fix must be chosen";
  EXPECT_EQ(Kipo({"fix", file, "--stretch", "--shrink"}).code, 2);
}

TEST(CliEditing, OffsetFromASubtitleAndNeverBeforeZero) {
  test::TempHome home;
  std::string file = WriteDoc(home, "film.kpox", {{100, 200}, {300, -1}, {400, 500}});
  auto r = Kipo({"offset", file, "--by=-00:00:14:00", "--from", "2"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("0002  in   00:00:12:00 -> 00:00:00:00\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("0003  in   00:00:16:00 -> 00:00:02:00\n"), std::string::npos) << r.out;
  SubtitleDocument d = ReadDoc(file);
  EXPECT_EQ(d.At(0).inCue, "00000400");
  EXPECT_TRUE(d.At(1).outCue.empty());
  EXPECT_EQ(d.At(2).outCue, "00000600");

  r = Kipo({"offset", file, "--by", "-00:00:01:00"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(ReadDoc(file).At(0).inCue, "00000300");

  std::string before = test::ReadFile(file);
  EXPECT_EQ(Kipo({"offset", file, "--by", "2 seconds"}).code, 2);
  EXPECT_EQ(Kipo({"offset", file, "--by", "00:00:01:00", "--from", "4"}).code, 2);
  // A cue pushed past 99:59:59:24 is refused whole, not cut to eight digits.
  r = Kipo({"offset", file, "--by", "99:59:56:00"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("100:00:03:00 is past 99:59:59:24"), std::string::npos) << r.err;
  EXPECT_EQ(test::ReadFile(file), before);
}

TEST(CliEditing, DeleteRangeRefusesAndDeletes) {
  test::TempHome home;
  std::string file = WriteDoc(home, "film.kpox", {{100, 200}, {300, 400}, {500, 600}, {700, 800}});
  std::string before = test::ReadFile(file);
  {
    SCOPED_TRACE("refusals leave the file as it was");
    auto r = Kipo({"delete", file, "--from", "2", "--to", "9", "--whole"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("Current file only contains 4 subtitles"), std::string::npos) << r.err;
    r = Kipo({"delete", file, "--from", "3", "--to", "2", "--cues"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("comes before the first"), std::string::npos) << r.err;
    EXPECT_EQ(Kipo({"delete", file, "--from", "1", "--to", "2"}).code, 2);
    EXPECT_EQ(test::ReadFile(file), before);
  }
  auto r = Kipo({"delete", file, "--from", "2", "--to", "3", "--whole"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("Deleted subtitles 0002-0003 (2 subtitles); 2 remain"), std::string::npos) << r.out;
  SubtitleDocument d = ReadDoc(file);
  ASSERT_EQ(d.Count(), 2u);
  EXPECT_EQ(d.At(1).text, "Line 4");
  r = Kipo({"delete", file, "--from", "1", "--to", "1", "--text"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(ReadDoc(file).At(0).text, "");
  EXPECT_EQ(ReadDoc(file).At(0).inCue, "00000400");
}

}  // namespace
}  // namespace kipo
