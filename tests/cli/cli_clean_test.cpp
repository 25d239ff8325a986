#include <gtest/gtest.h>

#include <sstream>

#include "cli/clean_report.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

struct Result {
  int code;
  std::string out, err;
};

Result Kipo(std::vector<std::string> args) {
  std::ostringstream out, err;
  int code = cli::Run(args, out, err);
  return {code, out.str(), err.str()};
}

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

TEST(CliClean, ReportShowsFormerTextOnOneLine) {
  EXPECT_EQ(cli::OneLineText("\x01Red\r\n<it>"), "{1}Red|<it>");
}

}  // namespace
}  // namespace kipo
