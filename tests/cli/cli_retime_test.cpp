// kipo retime and kipo recut on real files: what they print, what they write, and that a
// refused command writes nothing.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/file_types.h"
#include "cli/run_kipo.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

using test::Kipo;

// A native file at 25 fps from (in, out) labels as eight digits.
std::string WriteDoc(const test::TempHome& home, const std::string& name,
                     std::vector<std::pair<std::string, std::string>> cues) {
  SubtitleDocument d;
  int n = 0;
  for (auto& [in, out] : cues) {
    Subtitle s;
    s.text = "Line " + std::to_string(++n);
    s.inCue = in;
    s.outCue = out;
    d.Append(s);
  }
  return test::SaveDoc(d, (home / name).string());
}

using test::ReadDoc;

std::vector<std::string> Cues(const SubtitleDocument& d) {
  std::vector<std::string> v;
  for (const Subtitle& s : d.Subtitles()) v.push_back(s.inCue), v.push_back(s.outCue);
  return v;
}

TEST(CliRetime, ConvertsWritesAndSaysWhat) {
  test::TempHome home;
  std::string file = WriteDoc(home, "film.kpox", {{"10000024", "10000200"}, {"10000300", ""}});
  const std::string out = (home / "ntsc.kpox").string();
  auto r = Kipo({"retime", file, "--method", "simple", "--conversion", "pal to ntsc non-drop", "-o", out});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out,
            "0001  in   10:00:00:24 -> 10:00:00:29\n"
            "Simple frame-only conversion, PAL to NTSC Non-Drop, start hour 10: 1 cue changed, frame rate 25 fps -> "
            "30 fps\nSaved " + out + "\n");
  SubtitleDocument d = ReadDoc(out);
  EXPECT_EQ(d.frameRate().code, 30);
  EXPECT_EQ(Cues(d), (std::vector<std::string>{"10000029", "10000200", "10000300", ""}));
  EXPECT_EQ(ReadDoc(file).frameRate().code, 25) << "the input stays as it was with -o";

  // Linear keeps the frame count; the labels of a 24-label rate differ.
  r = Kipo({"retime", file, "--method", "linear", "--conversion", "PAL to 23.976 fps", "--start-hour", "10"});
  ASSERT_EQ(r.code, 0) << r.err;
  d = ReadDoc(file);
  EXPECT_EQ(d.frameRate().code, 23);
  EXPECT_EQ(Cues(d), (std::vector<std::string>{"10250100", "10250202", "10250303", ""}));

  r = Kipo({"retime", "--help"});
  EXPECT_NE(r.out.find("NSTC Drop Frame to 23.976 fps"), std::string::npos);
  EXPECT_NE(r.out.find("telecine"), std::string::npos);
}

TEST(CliRetime, RefusalsWriteNothing) {
  test::TempHome home;
  std::string file = WriteDoc(home, "film.kpox", {{"10000000", "10000200"}, {"09595900", "10000000"}});
  const std::string out = (home / "out.kpox").string();
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const Case cases[] = {
      {{"--method", "fast", "--conversion", "PAL to 24 fps"}, "'fast' is not a method"},
      {{"--method", "linear", "--conversion", "PAL to 26 fps"}, "'PAL to 26 fps' is not a conversion"},
      {{"--method", "telecine", "--conversion", "NTSC Drop Frame to 24 fps"},
       "Telecine conversion has no rule for \"NTSC Drop Frame to 24 fps\""},
      {{"--method", "simple", "--conversion", "PAL to 24 fps", "--start-hour", "25"}, "is not an hour"},
      {{"--method", "simple", "--conversion", "PAL to 24 fps"},
       "Cue conversion: Subtitle 2 has a cue before the start hour (10:00:00:00)."},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{"retime", file, "-o", out};
    args.insert(args.end(), c.args.begin(), c.args.end());
    auto r = Kipo(args);
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out)) << c.err;
  }
}

TEST(CliRecut, EachWayToMoveARange) {
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> cues;
  };
  const Case cases[] = {
      {{"--from", "2", "--offset", "-00:00:01:00"}, {"10000000", "10000100", "10000200", "10000300", "10000500", ""}},
      {{"--from", "2", "--to", "2", "--offset", "00:00:02:10", "--out-only", "--keep-interval"},
       {"10000000", "10000100", "10000300", "10000521", "10000600", ""}},
      {{"--from", "2", "--new-in", "10:00:04:00"}, {"10000000", "10000100", "10000400", "10000500", "10000700", ""}},
      {{"--from", "2", "--continue"}, {"10000000", "10000100", "10000104", "10000204", "10000404", ""}},
      {{"--anchor", "1=10:00:00:00", "--anchor", "3=10:00:12:00"},
       {"10000000", "10000200", "10000600", "10000800", "10001200", ""}},
  };
  for (const Case& c : cases) {
    test::TempHome home;
    std::string file = WriteDoc(home, "film.kpox", {{"10000000", "10000100"}, {"10000300", "10000400"}, {"10000600", ""}});
    std::vector<std::string> args{"recut", file};
    args.insert(args.end(), c.args.begin(), c.args.end());
    auto r = Kipo(args);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("changed"), std::string::npos) << r.out;
    EXPECT_EQ(Cues(ReadDoc(file)), c.cues) << args[3];
  }
}

TEST(CliRecut, RefusalsWriteNothing) {
  test::TempHome home;
  std::string file = WriteDoc(home, "film.kpox", {{"10000000", "10000100"}, {"10000300", "10000400"}});
  const std::string out = (home / "out.kpox").string();
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const Case cases[] = {
      {{"--offset", "00:00:00:00"}, "Recut: Set offset before recutting"},
      {{"--from", "2", "--new-in", "10:00:03:00"}, "Recut: No point in recutting - new in cue is same as current in cue"},
      {{"--anchor", "2=10:00:00:00", "--anchor", "1=10:00:09:00"}, "Recut: Subtitle one must be less than subtitle two."},
      {{"--anchor", "1=10:00:00:00", "--anchor", "2=10:00"}, "Recut: Please supply the new in cue for the second subtitle."},
      {{"--anchor", "1=10:00:00:00"}, "give --anchor twice"},
      {{"--anchor", "one=10:00:00:00", "--anchor", "2=10:00:00:00"}, "is not NUMBER=HH:MM:SS:FF"},
      {{"--from", "3", "--offset", "00:00:01:00"}, "The range must start at a subtitle of the file (1 to 2)."},
      {{"--offset", "00:00:01:00", "--continue"}, ""},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{"recut", file, "-o", out};
    args.insert(args.end(), c.args.begin(), c.args.end());
    auto r = Kipo(args);
    EXPECT_EQ(r.code, 2) << c.err;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out)) << c.err;
  }
}

}  // namespace
}  // namespace kipo
