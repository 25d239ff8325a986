#include <gtest/gtest.h>

#include "app/file_types.h"
#include "cli/clean_report.h"
#include "support/recording_prompter.h"
#include "cli/run_kipo.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

using Result = test::KipoResult;
using test::Kipo;

TEST(CliClean, RefusesWhatItCannotReadAndLeavesItAlone) {
  test::TempHome home;
  auto file = test::WriteFile(home / "notes.xyz", "not subtitles");
  for (const char* command : {"clean", "punctuate"}) {
    SCOPED_TRACE(command);
    Result r = Kipo({"--settings", (home / "s.ini").string(), command, file.string()});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("Invalid file format"), std::string::npos) << r.err;
    EXPECT_EQ(test::ReadFile(file), "not subtitles");
    EXPECT_EQ(Kipo({command, (home / "missing.kpox").string()}).code, 2);
  }
  Result help = Kipo({"clean", "--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("--align-centre"), std::string::npos);
}

TEST(CliClean, CleansANativeFileWithChosenSteps) {
  test::TempHome home;
  const auto ini = home / "s.ini";
  {
    SettingsStore store(ini);
    store.Set("File clean", "Remove comments", "1");  // stored, but a flag chooses the steps
    store.Set("File clean", "SDH char count", "1");
    store.Set("File clean", "SDH chars 1", "#");
    store.Set("Punctuation", "Insert space after", "True");
  }
  SubtitleDocument doc;
  for (const char* t : {"# Music #", "<Hello.There>", "Fine"}) {
    Subtitle s;
    s.text = t;
    s.comment = "note";
    doc.Append(s);
  }
  SettingsStore none;
  test::RecordingPrompter p;
  FileContext ctx{p, none};
  const auto film = home / "film.kpox";
  WriteDocumentFile(doc, film, ctx);
  const std::string original = test::ReadFile(film);

  Result r = Kipo({"--settings", ini.string(), "clean", film.string(), "--sdh", "--italics", "-o",
                   (home / "out.kpox").string()});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out,
            "File Clean Report\n"
            "0001\tCharacter '#' deleted\t# Music #\n"
            "0002\tPartial italics removed\t<Hello.There>\n");
  EXPECT_EQ(test::ReadFile(film), original);  // -o leaves the source alone
  LoadedDocument out = ReadDocumentFile(home / "out.kpox", ctx);
  EXPECT_EQ(out.doc.At(0).text, " Music ");
  EXPECT_EQ(out.doc.At(1).text, "Hello.There");
  EXPECT_EQ(out.doc.At(2).comment, "note");

  r = Kipo({"--settings", ini.string(), "punctuate", (home / "out.kpox").string()});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "Punctuation Check Report\n0002\tSpace inserted after .\tHello.There\n");
  EXPECT_EQ(ReadDocumentFile(home / "out.kpox", ctx).doc.At(1).text, "Hello. There");
}

TEST(CliClean, ReportShowsFormerTextOnOneLine) {
  EXPECT_EQ(cli::OneLineText("\x01Red\r\n<it>"), "{red}Red|<it>");
  EXPECT_EQ(cli::OneLineText("\x02g\x03y\x04" "b\x05m\x06" "c\x07w", " | "), "{green}g{yellow}y{blue}b{magenta}m{cyan}c{white}w");
}

}  // namespace
}  // namespace kipo
