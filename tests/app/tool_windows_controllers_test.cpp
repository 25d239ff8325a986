// What the controllers give the tool windows: the auto-replace list stored only when its
// file is written, word list files through the file dialogs, the profile window's save
// with its question and refusals.
#include <gtest/gtest.h>

#include "app/workstation.h"
#include "platform/files.h"
#include "platform/user_error.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

struct Fixture {
  test::TempHome home;
  SettingsStore settings;
  test::RecordingPrompter prompter;
  Workstation ws{settings, prompter, home / "profiles"};
};

TEST(ToolWindowControllers, AutoReplaceListIsUsedOnlyOnceItIsWritten) {
  Fixture f;
  f.ws.text().SaveAutoReplaceList({{"teh", "the"}, {"", ""}, {"cant", "can't"}}, true);
  EXPECT_EQ(test::ReadFile(DataFolder() / kAutoReplaceFile), "teh\tthe\r\ncant\tcan't\r\n");
  EXPECT_EQ(f.ws.text().autoReplaceList().size(), 2u);
  EXPECT_TRUE(f.ws.text().replaceAsYouType());

  // A file that cannot be written: the list in use and the switch stay as they were.
  std::filesystem::remove(DataFolder() / kAutoReplaceFile);
  std::filesystem::create_directories(DataFolder() / kAutoReplaceFile / "in the way");
  EXPECT_THROW(f.ws.text().SaveAutoReplaceList({{"x", "y"}}, false), UserError);
  EXPECT_EQ(f.ws.text().autoReplaceList().size(), 2u);
  EXPECT_TRUE(f.ws.text().replaceAsYouType());
}

TEST(ToolWindowControllers, WordListFilesThroughTheDialogs) {
  Fixture f;
  EXPECT_FALSE(f.ws.text().OpenWordListFile("Open Profanity List")) << "cancelled";
  EXPECT_EQ(f.prompter.dialogs.back().title, "Open Profanity List");
  // A list written by an older tool in a Windows code page, with LF line ends.
  auto legacy = test::WriteFile(f.home / "old.dat", "caf\xE9\tcafe\nna\xEFve\tnaive\n");
  f.prompter.files = {FileChoice{legacy.string(), 1}};
  auto read = f.ws.text().OpenWordListFile("Open Profanity List");
  ASSERT_TRUE(read);
  EXPECT_EQ((*read)[0].find, "caf\xC3\xA9");
  f.prompter.files = {FileChoice{(f.home / "out.dat").string(), 1}};
  EXPECT_TRUE(f.ws.text().SaveWordListFileAs("Save Profanity List", *read));
  EXPECT_EQ(test::ReadFile(f.home / "out.dat"), "caf\xC3\xA9\tcafe\r\nna\xC3\xAFve\tnaive\r\n");
  // A folder where the file should go: reported, nothing written.
  std::filesystem::create_directories(f.home / "taken.dat" / "x");
  f.prompter.files = {FileChoice{(f.home / "taken.dat").string(), 1}};
  EXPECT_FALSE(f.ws.text().SaveWordListFileAs("Save Profanity List", *read));
  EXPECT_EQ(f.prompter.Last().kind, "ask");
}

TEST(ToolWindowControllers, ProfileSaveAsksAndRefuses) {
  Fixture f;
  f.ws.profiles().Names();
  const Profile original = *f.ws.profiles().Find("Default");
  EXPECT_TRUE(f.ws.profiles().SaveEdited(original, original));
  EXPECT_TRUE(f.prompter.shown.empty()) << "nothing changed, nothing asked";

  Profile both = original;
  both.forced[1] = both.ignored[1] = true;
  EXPECT_FALSE(f.ws.profiles().SaveEdited(original, both));
  EXPECT_EQ(f.prompter.Last().text, "The same check cannot be selected as forced and ignored.");

  Profile display = original;
  display.displayFile = "client.dsp";
  EXPECT_FALSE(f.ws.profiles().SaveEdited(original, display));
  EXPECT_EQ(f.prompter.Last().text, "Display settings file does not exist or cannot be accessed");
  test::WriteFile(f.home / "profiles" / "client.dsp", "display");
  f.prompter.answers = {Answer::Yes};
  EXPECT_TRUE(f.ws.profiles().SaveEdited(original, display));
  EXPECT_EQ(f.ws.profiles().Find("Default")->displayFile, "client.dsp");
}

}  // namespace
}  // namespace kipo
