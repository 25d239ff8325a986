// kipo export in the custom text layout: a template file, options on top of it, and the
// layout's own encoding.
#include <gtest/gtest.h>

#include "cli/run_kipo.h"
#include "formats/exchange/custom_text.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

using test::Kipo;

TEST(CliCustomText, TemplateOptionsAndEncoding) {
  test::TempHome home;
  // A WebVTT file as a browser tool writes it: LF line ends, a cue setting, an italic tag.
  const std::string vtt = test::WriteFile(home / "in.vtt",
                                          "WEBVTT\n\n00:00:01.000 --> 00:00:02.500 line:90%\n<i>Bonjour</i> à tous\n\n"
                                          "00:00:03.000 --> 00:00:04.000\nSecond\n")
                              .string();
  CustomTextOptions layout;
  layout.number = false;
  layout.duration = false;
  layout.interCueSeparator = " --> ";
  layout.textSeparator = "Space";
  layout.startItalic = "{i}";
  layout.endItalic = "{/i}";
  layout.blankLine = false;
  layout.encoding = 1;
  const Bytes ctf = WriteCustomTemplate(layout);
  const std::string tpl = test::WriteFile(home / "layout.ctf", std::string(ctf.begin(), ctf.end())).string();
  const std::string out = (home / "out.txt").string();

  auto r = Kipo({"export", vtt, "--format", "custom text format", "--template", tpl, "--option", "TC format=5", "-o", out});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, out + " (Custom text format, UTF-8, 2 subtitles)\n");
  EXPECT_EQ(test::ReadFile(out),
            "\xEF\xBB\xBF"
            "00:00:01,000 --> 00:00:02,520 {i}Bonjour{/i} à tous\r\n"
            "00:00:03,000 --> 00:00:04,000 Second\r\n");

  // --encoding picks the layout's encoding; "Remove BOM" strips the mark of UTF-16 only.
  r = Kipo({"export", vtt, "--format", "Custom text format", "--template", tpl, "--encoding", "utf16", "--option",
            "Blank line=1", "-o", out});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(test::ReadFile(out).starts_with(std::string("\xFF\xFE" "0\0" "0\0", 6)));
  ASSERT_EQ(Kipo({"settings", "set", "Export", "Remove BOM", "True"}).code, 0);
  r = Kipo({"export", vtt, "--format", "Custom text format", "--encoding", "utf16", "-o", out});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(test::ReadFile(out).starts_with(std::string("1\0\t\0", 4))) << "defaults, no mark";
  r = Kipo({"export", vtt, "--format", "Custom text format", "--template", tpl, "-o", out});
  EXPECT_TRUE(test::ReadFile(out).starts_with("\xEF\xBB\xBF")) << "a UTF-8 layout keeps its mark";

  struct Bad {
    std::vector<std::string> args;
    const char* err;
  } bad[] = {
      {{"export", vtt, "--format", "SubRip", "--template", tpl, "-o", out}, "--template is for the Custom text format only"},
      {{"export", vtt, "--format", "Custom text format", "--template", vtt, "-o", out}, "not a custom text format template"},
      {{"export", vtt, "--format", "Custom text format", "--option", "TC format=8", "-o", out}, "does not take '8'"},
  };
  for (const Bad& b : bad) {
    SCOPED_TRACE(b.err);
    r = Kipo(b.args);
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find(b.err), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace kipo
