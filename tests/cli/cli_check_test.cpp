#include <gtest/gtest.h>

#include "cli/run_kipo.h"

#include <nlohmann/json.hpp>
#include <sstream>

#include "app/file_types.h"
#include "cli/check_report.h"
#include "cli/cli.h"
#include "platform/files.h"
#include "settings/profiles.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

using test::Kipo;

const FrameRate kPal = *FrameRate::FromCode(25);

SubtitleDocument Doc(bool withFault) {
  SubtitleDocument d;
  for (int i = 0; i < 3; ++i) {
    Subtitle s;
    s.text = "Line " + std::to_string(i + 1);
    s.inCue = FramesToDigits(i * 100, kPal);
    s.outCue = FramesToDigits(i * 100 + 50, kPal);
    d.Append(s);
  }
  if (withFault) d.SetText(1, "<Open italics");
  return d;
}

std::filesystem::path Save(const SubtitleDocument& d, const std::filesystem::path& path) {
  SettingsStore settings;
  test::RecordingPrompter prompter;
  FileContext ctx{prompter, settings};
  WriteDocumentFile(d, path, ctx);
  return path;
}

TEST(CliCheck, ExitStatusGatesADelivery) {
  test::TempHome home;
  auto clean = Save(Doc(false), home / "clean.kpox");
  auto faulty = Save(Doc(true), home / "faulty.kpox");
  auto r = Kipo({"check", clean.string()});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "File contains 0 errors\n");
  r = Kipo({"check", faulty.string()});
  EXPECT_EQ(r.code, 1) << r.err;
  EXPECT_EQ(r.out, "File contains 1 error\n0002\tMismatched italics\n");
  {
    SCOPED_TRACE("unreadable files");
    r = Kipo({"check", (home / "absent.kpox").string()});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("kipo check: "), std::string::npos) << r.err;
    test::WriteFile(home / "junk.kpox", "not a subtitle file");
    EXPECT_EQ(Kipo({"check", (home / "junk.kpox").string()}).code, 2);
    test::WriteFile(home / "notes.xyz", "x");
    EXPECT_EQ(Kipo({"check", (home / "notes.xyz").string()}).code, 2);
  }
  {
    SCOPED_TRACE("--save-list and --json");
    r = Kipo({"check", faulty.string(), "--json", "--save-list", (home / "list.txt").string()});
    EXPECT_EQ(r.code, 1);
    auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["errors"], 1);
    EXPECT_EQ(j["faults"][0]["subtitle"], 2);
    EXPECT_EQ(j["faults"][0]["fault"], "Mismatched italics");
    std::string saved = test::ReadFile(home / "list.txt");
    EXPECT_EQ(saved.substr(0, 29), "Error list for faulty.kpox cr");
    EXPECT_NE(saved.find("\r\n\r\nSubtitle:Error:\r\n0002     Mismatched italics\r\n"), std::string::npos);
  }
  {
    SCOPED_TRACE("the house options in the settings decide");
    r = Kipo({"settings", "set", "House options", "Maximum rows", "0"});
    EXPECT_EQ(r.code, 0);
    r = Kipo({"check", clean.string()});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("0001\tSubtitle contains too many lines\n"), std::string::npos) << r.out;
  }
}

TEST(CliCheck, ProfileForcesAndIgnoresChecksForThisRunOnly) {
  test::TempHome home;
  SubtitleDocument d = Doc(false);
  d.SetText(0, "One\r\nTwo\r\nThree");
  d.SetInCue(1, FramesToDigits(52, kPal));  // two frames after subtitle 1: under the default interval
  auto file = Save(d, home / "film.kpox");
  ASSERT_EQ(Kipo({"settings", "set", "House options", "Too many rows", "False"}).code, 0);
  const std::string rows = "0001\tSubtitle contains too many lines\n";
  const std::string gap = "0001\tInvalid interval to next subtitle\n";
  auto r = Kipo({"check", file.string()});
  EXPECT_EQ(r.out.find(rows), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(gap), std::string::npos) << r.out;

  ProfileStore profiles(DataFolder());
  Profile strict;
  strict.name = "Strict";
  strict.rules.tooManyRows.enabled = false;
  strict.forced[static_cast<int>(ProfileCheck::TooManyRows)] = true;
  profiles.Save(strict);
  Profile relaxed;
  relaxed.name = "Relaxed";
  relaxed.rules.tooManyRows.enabled = false;
  relaxed.ignored[static_cast<int>(ProfileCheck::DefaultInterval)] = true;
  profiles.Save(relaxed);

  r = Kipo({"check", file.string(), "--profile", "Strict"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.out.find(rows), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(gap), std::string::npos) << r.out;
  r = Kipo({"check", file.string(), "--profile", "Relaxed"});
  EXPECT_EQ(r.out.find(rows), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find(gap), std::string::npos) << r.out;

  SCOPED_TRACE("the user's settings keep their own rules and profile");
  SettingsStore user(SettingsStore::DefaultPath());
  EXPECT_FALSE(user.Has("Options", "Profile"));
  EXPECT_EQ(user.Get("House options", "Too many rows", ""), "False");
  r = Kipo({"check", file.string()});
  EXPECT_EQ(r.out.find(rows), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(gap), std::string::npos) << r.out;

  r = Kipo({"check", file.string(), "--profile", "Nobody"});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "kipo check: no profile named \"Nobody\" (see kipo profiles list)\n");
}

TEST(CliStats, TextAndJson) {
  test::TempHome home;
  auto file = Save(Doc(false), home / "film.kpox");
  auto r = Kipo({"stats", file.string()});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, 26), "Subtitles\n3\nRows\n3\nWords\n6");
  r = Kipo({"stats", file.string(), "--json"});
  ASSERT_EQ(r.code, 0) << r.err;
  auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["statistics"]["Subtitles"], 3);
  EXPECT_EQ(j["statistics"]["Total subtitle duration"], 6.0);
  EXPECT_EQ(j["labels"]["Total subtitle duration"], "00:00:06:00");
  EXPECT_EQ(j["statistics"]["Required reading speed"], 2.5);
  EXPECT_FALSE(j["statistics"].contains("Errors"));
  EXPECT_EQ(Kipo({"stats", (home / "none.kpox").string()}).code, 2);
}

// The safe area is measured in the display's font against its picture less the margins:
// a row of 35 capital Ws passes the 37-character limit but not the safe area at 40 pixels,
// and fits once the display font is small or the picture wide.
TEST(CliCheck, SafeAreaIsMeasuredWithTheDisplayFont) {
  test::TempHome home;
  SubtitleDocument d = Doc(false);
  d.SetText(1, std::string(35, 'W'));
  auto file = Save(d, home / "wide.kpox").string();
  // 35 characters in two seconds read too fast; that is another check's business.
  ASSERT_EQ(Kipo({"settings", "set", "House options", "Reading speed check", "False"}).code, 0);
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> settings;  // "Display Settings" keys
    std::string out;
  };
  const Case cases[] = {
      {"the default display", {}, "File contains 1 error\n0002\tSafe area override\n"},
      {"a small display font", {{"Font size", "10"}}, "File contains 0 errors\n"},
      {"a 4K picture", {{"Font size", "40"}, {"Video format", "9"}}, "File contains 0 errors\n"},
      {"margins that leave no room", {{"Video format", "9"}, {"Left margin", "1900"}, {"Right margin", "1900"}},
       "File contains 1 error\n0002\tSafe area override\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const auto& [key, value] : c.settings)
      ASSERT_EQ(Kipo({"settings", "set", "Display Settings", key, value}).code, 0);
    auto r = Kipo({"check", file});
    EXPECT_EQ(r.out, c.out) << r.err;
  }
  ASSERT_EQ(Kipo({"settings", "set", "House options", "Safe area override", "False"}).code, 0);
  EXPECT_EQ(Kipo({"check", file}).out, "File contains 0 errors\n");
}

TEST(CliStats, PrintedReportNamesTheFileAndTheDay) {
  test::TempHome home;
  auto file = Save(Doc(false), home / "film.kpox").string();
  const std::string report = (home / "report.txt").string();
  auto r = Kipo({"stats", file, "--report", report});
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string text = test::ReadFile(report);
  EXPECT_EQ(text.rfind("Report for film.kpox created on ", 0), 0u) << text;
  EXPECT_NE(text.find(" 20"), std::string::npos) << "the year of the date";
  EXPECT_NE(text.find("\r\n\r\nStatistics: \r\nSubtitles\r\n3\r\nRows\r\n3\r\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("\n"), text.find("\r\n") + 1) << "CR LF lines";
  EXPECT_EQ(r.out.rfind("Subtitles\n3\n", 0), 0u) << "the screen report is printed as before";
  {
    SCOPED_TRACE("a report that cannot be written");
    r = Kipo({"stats", file, "--report", (home / "film.kpox" / "r.txt").string()});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("kipo stats: Cannot save file"), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace kipo
