#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"
#include "cli/run_kipo.h"
#include "cli/terminal_prompter.h"
#include "platform/files.h"
#include "settings/profiles.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

int Kipo(std::vector<std::string> args, std::string* out = nullptr, std::string* err = nullptr) {
  test::KipoResult r = test::Kipo(args);
  if (out) *out = r.out;
  if (err) *err = r.err;
  return r.code;
}

TEST(CliProfiles, ApplyDeleteAndTheQuestionsOfAScript) {
  test::TempHome home;
  auto settings = (home / "s.ini").string();
  ProfileStore store(DataFolder());
  store.ReadProfileData();
  Profile p;
  p.name = "Client";
  p.rules.readingSpeed = 13;
  store.Save(p);

  std::string out, err;
  EXPECT_EQ(Kipo({"--settings", settings, "profiles", "list"}, &out), 0);
  EXPECT_NE(out.find("Client\n  reading speed 13 cps"), std::string::npos) << out;
  EXPECT_EQ(Kipo({"--settings", settings, "profiles", "apply", "Client"}), 0);
  EXPECT_EQ(SettingsStore(settings).Get("House options", "Reading speed", ""), "13");
  EXPECT_EQ(Kipo({"--settings", settings, "profiles", "apply", "Nobody"}), 2);

  // Without a terminal and without --yes the question keeps the profile, and says so.
  EXPECT_EQ(Kipo({"--settings", settings, "profiles", "delete", "Client"}, &out, &err), 2);
  EXPECT_EQ(err, "Delete Profile: Delete profile Client? -> No\n");
  EXPECT_TRUE(store.Find("Client").has_value());
  EXPECT_EQ(Kipo({"--yes", "--settings", settings, "profiles", "delete", "Client"}), 0);
  EXPECT_FALSE(store.Find("Client").has_value());
  EXPECT_EQ(Kipo({"--yes", "--settings", settings, "profiles", "delete", "Default"}, &out, &err), 2);
  EXPECT_EQ(err, "Kipo: The default profile cannot be deleted\n");
  EXPECT_EQ(Kipo({"--settings", settings, "profiles", "import", (home / "x.dat").string()}), 2);
}

TEST(CliProfiles, SaveTakesTheWorkingRulesAndRefusesForcedAndIgnored) {
  test::TempHome home;
  auto settings = (home / "s.ini").string();
  SettingsStore(settings).Set("House options", "Reading speed", "16");
  std::string out, err;
  EXPECT_EQ(Kipo({"--settings", settings, "profiles", "save", "Client B", "--force", "too-many-rows", "--force",
                  "Raised subtitles", "--ignore", "Default interval"}, &out, &err), 0) << err;
  auto saved = ProfileStore(DataFolder()).Find("Client B");
  ASSERT_TRUE(saved.has_value());
  EXPECT_EQ(saved->rules.readingSpeed, 16);
  EXPECT_TRUE(saved->forced[0]);
  EXPECT_TRUE(saved->forced[4]);
  EXPECT_TRUE(saved->ignored[1]);
  EXPECT_EQ(Kipo({"--settings", settings, "profiles", "save", "Both", "--force", "Empty subtitles", "--ignore",
                  "Empty subtitles"}, &out, &err), 2);
  EXPECT_EQ(err, "kipo: Kipo: The same check cannot be selected as forced and ignored.\n");
  EXPECT_FALSE(ProfileStore(DataFolder()).Find("Both").has_value());
  EXPECT_EQ(Kipo({"--settings", settings, "profiles", "save", "X", "--force", "Nonsense"}, &out, &err), 2);
}

TEST(CliProfiles, RefusesALongNameAndAnEmptyImportWithoutTouchingTheProfiles) {
  test::TempHome home;
  auto settings = (home / "s.ini").string();
  std::string out, err;
  ASSERT_EQ(Kipo({"--settings", settings, "profiles", "save", "Client"}, &out, &err), 0) << err;
  std::string before = test::ReadFile(ProfileStore(DataFolder()).path());
  EXPECT_EQ(Kipo({"--settings", settings, "profiles", "save", std::string(41, 'n')}, &out, &err), 2);
  EXPECT_NE(err.find("is too long"), std::string::npos) << err;
  auto empty = test::WriteFile(home / "usb" / "profiles.dat", "");
  EXPECT_EQ(Kipo({"--settings", settings, "profiles", "import", empty.string()}, &out, &err), 2);
  EXPECT_NE(err.find("This is not a valid profile settings file"), std::string::npos) << err;
  EXPECT_EQ(test::ReadFile(ProfileStore(DataFolder()).path()), before);
}

TEST(TerminalPrompter, NeverWaitsWithoutATerminal) {
  std::ostringstream err;
  cli::TerminalPrompter p(err, cli::AutoAnswer::None, false);
  EXPECT_EQ(p.Ask({"", "Save changes to current file?", Buttons::YesNoCancel, Icon::Question}), Answer::Cancel);
  EXPECT_EQ(p.Ask({"", "Overwrite?", Buttons::OkCancel, Icon::Question}), Answer::Cancel);
  EXPECT_EQ(p.Ask({"", "Convert?", Buttons::YesNo, Icon::Question}), Answer::No);
  EXPECT_FALSE(p.Input("", "Name", "x").has_value());
  EXPECT_FALSE(p.OpenFile({}).has_value());
  EXPECT_EQ(err.str(),
            "Kipo: Save changes to current file? -> Cancel\nKipo: Overwrite? -> Cancel\nKipo: Convert? -> No\n");
  p.setAutoAnswer(cli::AutoAnswer::Yes);
  EXPECT_EQ(p.Ask({"", "Save changes to current file?", Buttons::YesNoCancel, Icon::Question}), Answer::Yes);
  EXPECT_EQ(p.Ask({"", "Overwrite?", Buttons::OkCancel, Icon::Question}), Answer::Ok);
  p.setAutoAnswer(cli::AutoAnswer::No);
  EXPECT_EQ(p.Ask({"", "Save changes to current file?", Buttons::YesNoCancel, Icon::Question}), Answer::No);
}

}  // namespace
}  // namespace kipo
