#include <gtest/gtest.h>

#include "cli/run_kipo.h"

#include <sstream>

#include "app/file_types.h"
#include "cli/cli.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

using test::Kipo;

TEST(CliExchange, ConvertThroughEveryBroadcastTypeAndBackKeepsCuesAndText) {
  test::TempHome home;
  const std::string settings = (home / "s.ini").string();
  const FrameRate pal = *FrameRate::FromCode(25);
  SubtitleDocument d;
  for (int i = 0; i < 5; ++i) {
    Subtitle s;
    s.inCue = FramesToDigits(100 + i * 75, pal);
    s.outCue = FramesToDigits(160 + i * 75, pal);
    s.text = i % 2 ? "Subtitle " + std::to_string(i + 1) + "\r\non two rows" : "Row " + std::to_string(i + 1);
    d.Append(s);
  }
  {
    SettingsStore store;
    test::RecordingPrompter prompter;
    FileContext ctx{prompter, store};
    WriteDocumentFile(d, home / "start.kpox", ctx);
  }
  std::string from = (home / "start.kpox").string();
  for (const char* ext : {"stl", "pac", "890", "srt", "vtt", "kpox"}) {
    SCOPED_TRACE(ext);
    std::string to = (home / (std::string("step.") + ext)).string();
    if (std::string(ext) == "kpox") to = (home / "end.kpox").string();
    auto r = Kipo({"--settings", settings, "--language", "english (united kingdom)", "convert", from, "-o", to});
    ASSERT_EQ(r.code, 0) << r.err;
    from = to;
  }
  SettingsStore store;
  test::RecordingPrompter prompter;
  FileContext ctx{prompter, store};
  SubtitleDocument end = ReadDocumentFile(home / "end.kpox", ctx).doc;
  ASSERT_EQ(end.Count(), d.Count());
  for (std::size_t i = 0; i < d.Count(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(end.At(i).inCue, d.At(i).inCue);
    EXPECT_EQ(end.At(i).outCue, d.At(i).outCue);
    EXPECT_EQ(end.At(i).text, d.At(i).text);
  }

  SCOPED_TRACE("a PAC file without a language to read it in");
  auto r = Kipo({"--settings", settings, "convert", (home / "step.pac").string(), "-o", (home / "x.srt").string()});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("Select Language: "), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(home / "x.srt"));
  r = Kipo({"--settings", settings, "--language", "Klingon", "convert", (home / "step.pac").string(), "-o",
            (home / "x.srt").string()});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("Select Language: 'Klingon' is not one of the choices"), std::string::npos) << r.err;
  // The program's options are taken after the command too, where users tend to put them.
  r = Kipo({"list", (home / "step.pac").string(), "--language", "English (United Kingdom)", "--settings", settings});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("Row 1"), std::string::npos) << r.out;
}

TEST(CliExchange, ConvertExportImportAndFormats) {
  test::TempHome home;
  std::string settings = (home / "s.ini").string();
  auto p = [&](const char* n) { return (home / n).string(); };
  test::WriteFile(home / "a.srt", "1\n00:00:01,000 --> 00:00:02,000\n<i>Hi</i> <font color=\"red\">there</font>\n");
  test::WriteFile(home / "b.srt", "1\n00:00:03,000 --> 00:00:04,000\nYo\n");

  // Many inputs into a folder; the writer's warnings are printed.
  auto r = Kipo({"--settings", settings, "convert", p("a.srt"), p("b.srt"), "-o", p("out"), "--to", "vtt"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("warning: Colours cannot be written in this format"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("2 files have been converted."), std::string::npos);
  EXPECT_EQ(test::ReadFile(home / "out" / "b.vtt"),
            "\xEF\xBB\xBFWEBVTT \r\n\r\n1\r\n00:00:03.000 --> 00:00:04.000 align:center\r\nYo\r\n\r\n");

  r = Kipo({"--settings", settings, "convert", p("b.srt"), "-o", p("b.sub"), "--offset", "00:00:01:00"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(test::ReadFile(home / "b.sub"), "{100}{125}Yo\r\n");

  r = Kipo({"--settings", settings, "export", p("b.srt"), "--format", "subrip", "-o", p("t.srt"), "--encoding",
            "ansi", "--option", "Tags=1"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(test::ReadFile(home / "t.srt").substr(0, 40), "1\r\n00:00:03,000 --> 00:00:04,000\r\n{\\an2 ");
  EXPECT_EQ(test::ReadFile(home / "s.ini").find("Tags"), std::string::npos) << "options apply to one export";

  r = Kipo({"--settings", settings, "export", p("b.srt"), "--format", "QUBE", "-o", p("q.txt")});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(test::ReadFile(home / "q.txt"), "0001  00:00:03:00  00:00:04:00\r\nYo\r\n\r\n");
  r = Kipo({"--settings", settings, "export", p("b.srt"), "--format", "DVD/Blu-ray bitmap stream"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("not available yet"), std::string::npos);
  r = Kipo({"--settings", settings, "export", p("b.srt"), "--format", "WebVTT", "--option", "Nope=1"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("WebVTT movie name"), std::string::npos) << r.err;
  r = Kipo({"--settings", settings, "export", p("b.srt"), "--format", "SubRip", "--option", "Font size=big"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("option 'Font size' does not take 'big'"), std::string::npos) << r.err;

  r = Kipo({"--settings", settings, "import", p("a.srt"), "--format", "srt", "--rate", "30"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("1 subtitles at 30 fps, 00:00:01:00 to 00:00:02:00"), std::string::npos) << r.out;

  test::WriteFile(home / "bad.vtt", "garbage");
  r = Kipo({"--settings", settings, "convert", p("bad.vtt"), "--to", "srt"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("Invalid file format: This is not a valid WebVTT file"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(home / "bad.srt"));

  r = Kipo({"formats", "--json"});
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.out.find("\"name\": \"Scenarist Closed Caption\""), std::string::npos);
}

// --rate names the rate of the labels the file already has; --retime-to moves every cue to
// another rate by real time. Both read the same 25 fps document.
TEST(CliExchange, ConvertRateLabelsTheDocumentAndRetimeToMovesTheCues) {
  test::TempHome home;
  const std::string settings = (home / "s.ini").string();
  SubtitleDocument d(25, kDefaultLanguageId, 0);
  Subtitle s;
  s.inCue = "00000110";   // 00:00:01:10
  s.outCue = "00000224";  // 00:00:02:24
  s.text = "One";
  d.Append(s);
  {
    SettingsStore store;
    test::RecordingPrompter prompter;
    FileContext ctx{prompter, store};
    WriteDocumentFile(d, home / "film.kpox", ctx);
  }
  struct Case {
    std::vector<std::string> options;
    int rate;
    const char *in, *out;
  };
  for (const Case& c : {Case{{"--rate", "29.97"}, 29, "00000110", "00000224"},
                        Case{{"--rate", "30"}, 30, "00000110", "00000224"},
                        Case{{"--retime-to", "30"}, 30, "00000112", "00000229"},
                        Case{{"--rate", "25", "--retime-to", "50"}, 50, "00000120", "00000248"},
                        Case{{}, 25, "00000110", "00000224"}}) {
    SCOPED_TRACE(c.options.empty() ? "no rate" : c.options[0] + " " + c.options[1]);
    std::vector<std::string> args{"--settings", settings, "convert", (home / "film.kpox").string(), "-o",
                                  (home / "out.kpox").string()};
    args.insert(args.end(), c.options.begin(), c.options.end());
    auto r = Kipo(args);
    ASSERT_EQ(r.code, 0) << r.err;
    SettingsStore store;
    test::RecordingPrompter prompter;
    FileContext ctx{prompter, store};
    SubtitleDocument out = ReadDocumentFile(home / "out.kpox", ctx).doc;
    EXPECT_EQ(out.frameRate().code, c.rate);
    ASSERT_EQ(out.Count(), 1u);
    EXPECT_EQ(out.At(0).inCue, c.in);
    EXPECT_EQ(out.At(0).outCue, c.out);
  }
  auto help = Kipo({"convert", "--help"});
  EXPECT_NE(help.out.find("--retime-to"), std::string::npos);
  auto bad = Kipo({"--settings", settings, "convert", (home / "film.kpox").string(), "-o",
                   (home / "x.kpox").string(), "--retime-to", "26"});
  EXPECT_NE(bad.code, 0);
  EXPECT_FALSE(std::filesystem::exists(home / "x.kpox"));
}

}  // namespace
}  // namespace kipo
