// Line-21 captions on the command line: export to the three caption files with options,
// SCC converted like any other file, and `kipo check --captions`.
#include <gtest/gtest.h>

#include "cli/run_kipo.h"
#include "platform/files.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

using test::Kipo;

SubtitleDocument Film() {
  const FrameRate ntsc = *FrameRate::FromCode(30);
  SubtitleDocument d(30, kDefaultLanguageId, 0);
  auto add = [&](FrameCount in, FrameCount out, const char* text) {
    Subtitle s;
    s.inCue = Cue::FromFrames(in, ntsc);
    s.outCue = Cue::FromFrames(out, ntsc);
    s.text = text;
    d.Append(s);
  };
  add(100, 104, "Hello");
  add(105, 160, "\xD0\x96uk and <more>");  // five frames later, and a letter line 21 lacks
  add(400, 460, "Two rows\r\nof text");
  return d;
}

std::string Text(const std::filesystem::path& p) {
  Bytes b = ReadFileBytes(p);
  return std::string(b.begin(), b.end());
}

TEST(CliCaptions, ExportCheckAndConvert) {
  test::TempHome home;
  const std::string settings = (home / "s.ini").string();
  const std::string film = test::SaveDoc(Film(), (home / "film.kpox").string());
  auto p = [&](const char* name) { return (home / name).string(); };

  // The document as the SCC export would send it: each caption's times and the faults.
  auto r = Kipo({"--settings", settings, "check", "--captions", film});
  EXPECT_EQ(r.code, 1) << r.err;
  EXPECT_NE(r.out.find("Caption\tAppears\tDisappears\tText\n0001\t00:00:03:09\t"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("fault: Subtitle 0002: in cue was offset by"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("fault: 0002: line 1 holds a character captions cannot show"), std::string::npos);
  EXPECT_NE(r.out.find("Two rows / of text"), std::string::npos);

  r = Kipo({"--settings", settings, "export", film, "--format", "Scenarist Closed Caption", "-o", p("film.scc"),
            "--option", "SCC caption type=1"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.err.find("Characters that line-21 captions cannot show were left out"), std::string::npos) << r.err;
  const std::string scc = Text(home / "film.scc");
  EXPECT_TRUE(scc.starts_with("Scenarist_SCC V1.0\r\n\r\n00:00:03:10\t9425 942c 94ad ")) << scc;

  // An SCC file is shown as the decoder shows it.
  r = Kipo({"--settings", settings, "check", "--captions", p("film.scc")});
  EXPECT_EQ(r.code, 0) << r.err << r.out;
  EXPECT_NE(r.out.find("\tHello\n"), std::string::npos) << r.out;

  r = Kipo({"--settings", settings, "convert", p("film.scc"), "-o", p("film.srt"), "--encoding", "utf8"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(Text(home / "film.srt").find("of text"), std::string::npos);

  r = Kipo({"--settings", settings, "export", film, "--format", "Ultech", "-o", p("film.ult"), "--option",
            "Data channel=2"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(Text(home / "film.ult").starts_with(std::string("ULTECH\0" "1.30\0", 12)));
  r = Kipo({"--settings", settings, "export", film, "--format", "Caption Inc", "-o", p("film.cin"), "--option",
            "Header info=Episode 4"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(Text(home / "film.cin").find("// Episode 4\r\n"), std::string::npos);
  r = Kipo({"--settings", settings, "export", film, "--format", "Scenarist Closed Caption", "--option",
            "SCC caption type=7"});
  EXPECT_EQ(r.code, 2);
}

}  // namespace
}  // namespace kipo
