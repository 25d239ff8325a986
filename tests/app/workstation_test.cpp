#include "app/workstation.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "app/commands.h"
#include "settings/keys.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

TEST(Workstation, EditAreaShowsNeighboursAndCommitsOnlyCompleteCues) {
  SettingsStore settings;
  test::RecordingPrompter prompter;
  Workstation ws(settings, prompter);
  EXPECT_EQ(ws.session().WindowTitle(), "Kipo - [Untitled]");
  SubtitleDocument d;
  for (int i = 0; i < 3; ++i) {
    Subtitle s;
    s.text = "Sub " + std::to_string(i + 1);
    s.inCue = "0000" + std::to_string(10 + i) + "00";
    s.outCue = "0000" + std::to_string(10 + i) + "20";
    d.Append(s);
  }
  d.SetFile("/films/reel.kpox");
  d.modified = false;
  ws.session().ReplaceDocument(std::move(d));
  EXPECT_EQ(ws.session().WindowTitle(), "Kipo - /FILMS/REEL.KPOX");
  ws.session().GoTo(1);
  EXPECT_EQ(ws.session().edit().text, "Sub 2");
  EXPECT_EQ(ws.session().edit().inCue, "00:00:11:00");
  EXPECT_EQ(ws.session().edit().duration, "00:20");
  EXPECT_EQ(ws.session().edit().lastOut, "00:00:10:20");
  EXPECT_EQ(ws.session().edit().nextIn, "00:00:12:00");
  ws.session().edit().text = "Changed";
  ws.session().edit().outCue = "00:00:1";  // incomplete: not set
  ws.session().GoTo(2);
  EXPECT_EQ(ws.doc().At(1).text, "Changed");
  EXPECT_EQ(ws.doc().At(1).outCue, "");
  EXPECT_TRUE(ws.doc().modified);
  EXPECT_EQ(ws.doc().currentNumber(), 3);
}

SubtitleDocument ThreeSubtitles() {
  SubtitleDocument d;
  for (int i = 0; i < 3; ++i) {
    Subtitle s;
    s.text = "Sub " + std::to_string(i + 1);
    s.inCue = "0000" + std::to_string(10 + i) + "00";
    s.outCue = "0000" + std::to_string(10 + i) + "20";
    d.Append(s);
  }
  d.modified = false;
  return d;
}

TEST(Workstation, ChangingTheFrameRateIsAChangeToSave) {
  SettingsStore settings;
  test::RecordingPrompter prompter;
  Workstation ws(settings, prompter);
  ws.session().ReplaceDocument(ThreeSubtitles());
  ws.session().SetFrameRate(25);  // the rate it has: nothing to save
  EXPECT_FALSE(ws.doc().modified);
  EXPECT_TRUE(ws.files().QuerySaveChanges());
  EXPECT_TRUE(prompter.shown.empty());

  ws.session().SetFrameRate(30);
  EXPECT_TRUE(ws.doc().modified);
  EXPECT_EQ(ws.session().panels().frameRate, "30 fps");
  EXPECT_FALSE(ws.files().QuerySaveChanges());  // Cancel keeps the document open
  EXPECT_EQ(prompter.Last().text, "Save changes to current file?");
}

TEST(Workstation, ViewsHearTheSessionUntilTheirConnectionGoes) {
  SettingsStore settings;
  test::RecordingPrompter prompter;
  Workstation ws(settings, prompter);
  int refreshed = 0;
  {
    Connection c = ws.session().OnRefresh([&] { ++refreshed; });
    ws.session().ReplaceDocument(ThreeSubtitles());
    ws.session().GoTo(2);
    EXPECT_EQ(refreshed, 2);
  }
  ws.session().GoTo(0);
  EXPECT_EQ(refreshed, 2);
}

TEST(Workstation, ProfilesAreListedAppliedSavedAndDeletedWithoutAWindow) {
  test::TempHome home;
  SettingsStore settings;
  test::RecordingPrompter prompter;
  Workstation ws(settings, prompter, home / "data");
  ProfileController& profiles = ws.profiles();
  EXPECT_EQ(profiles.Names(), std::vector<std::string>{"Default"});
  EXPECT_EQ(profiles.Current(), "Default");

  ws.session().house().readingSpeed = 11;
  prompter.inputs.push_back("Night shift");
  ASSERT_TRUE(profiles.SaveWorkingRulesAs());
  EXPECT_EQ(profiles.Names(), (std::vector<std::string>{"Default", "Night shift"}));
  EXPECT_EQ(profiles.Current(), "Night shift");

  ASSERT_TRUE(profiles.Apply("Default"));
  EXPECT_NE(ws.session().house().readingSpeed, 11);
  ASSERT_TRUE(profiles.Apply("Night shift"));
  EXPECT_EQ(ws.session().house().readingSpeed, 11);
  EXPECT_FALSE(profiles.Apply("No such profile"));

  prompter.inputs.push_back(std::string());  // an empty name saves nothing
  EXPECT_FALSE(profiles.SaveWorkingRulesAs());
  EXPECT_FALSE(profiles.DeleteCurrent());  // the question answered No
  prompter.answers.push_back(Answer::Yes);
  EXPECT_TRUE(profiles.DeleteCurrent());
  EXPECT_EQ(profiles.Names(), std::vector<std::string>{"Default"});
}

// The command table is what the menus and shortcuts are built from: one key and one
// mnemonic letter may do only one thing.
TEST(Commands, KeysMnemonicsAndIdsAreUnique) {
  std::set<std::string_view> menuIds;
  std::set<char> barLetters;
  for (const MenuInfo& m : Menus()) {
    SCOPED_TRACE(std::string(m.title));
    EXPECT_TRUE(menuIds.insert(m.id).second);
    EXPECT_TRUE(barLetters.insert(Mnemonic(m.title)).second);
  }
  std::set<std::string_view> ids;
  std::map<std::string, std::string_view> keys;
  std::map<std::string_view, std::map<char, std::string_view>> letters;
  for (const CommandInfo& c : Commands()) {
    SCOPED_TRACE(std::string(c.id));
    EXPECT_TRUE(ids.insert(c.id).second) << "id used twice";
    EXPECT_TRUE(menuIds.contains(c.menu)) << "no such menu";
    EXPECT_TRUE(c.id.starts_with(std::string(c.menu) + ".")) << "ids start with their menu";
    const char letter = Mnemonic(c.text);
    ASSERT_NE(letter, 0) << "no mnemonic";
    auto [at, fresh] = letters[c.menu].emplace(letter, c.text);
    EXPECT_TRUE(fresh) << "mnemonic '" << letter << "' also used by " << at->second;
    if (c.keys.empty()) continue;
    auto [k, newKey] = keys.emplace(NormalizeKeys(c.keys), c.id);
    EXPECT_TRUE(newKey) << c.keys << " also runs " << k->second;
  }
  EXPECT_EQ(FindCommand("edit.undo")->keys, "Ctrl+Z");
  EXPECT_EQ(FindCommand("no.such"), nullptr);
}

TEST(Commands, TextHelpers) {
  EXPECT_EQ(Mnemonic("Save &As..."), 'a');
  EXPECT_EQ(Mnemonic("Fish && &Chips"), 'c');
  EXPECT_EQ(Mnemonic("No letter"), 0);
  EXPECT_EQ(Mnemonic("Trailing &"), 0);
  EXPECT_EQ(NormalizeKeys("Shift+Ctrl+m"), "ctrl+shift+m");
  EXPECT_EQ(NormalizeKeys("Ctrl+Shift+M"), "ctrl+shift+m");
  EXPECT_EQ(NormalizeKeys("Alt+Shift+F7"), NormalizeKeys("shift+alt+f7"));
  EXPECT_EQ(NormalizeKeys("Ctrl++"), "ctrl++");
  EXPECT_NE(NormalizeKeys("Ctrl+T"), NormalizeKeys("Ctrl+Shift+T"));
}

// Availability follows the session, and every command the table runs is safe on an empty
// document and on an ordinary one (questions answered with the reply that changes nothing).
TEST(Commands, AvailabilityAndEveryRunnableCommandOnEmptyAndFullDocuments) {
  test::TempHome home;
  SettingsStore settings;
  test::RecordingPrompter prompter;
  Workstation ws(settings, prompter, home / "data");
  const CommandInfo& merge = *FindCommand("edit.mergeNext");
  const CommandInfo& undo = *FindCommand("edit.undo");
  const CommandInfo& insert = *FindCommand("edit.insert");
  EXPECT_FALSE(IsAvailable(merge, ws));
  EXPECT_FALSE(IsAvailable(undo, ws));
  EXPECT_TRUE(IsAvailable(insert, ws));
  ASSERT_TRUE(insert.run(ws));
  EXPECT_TRUE(IsAvailable(merge, ws));
  EXPECT_TRUE(IsAvailable(undo, ws));

  for (bool empty : {true, false}) {
    if (empty) ws.session().ReplaceDocument(SubtitleDocument());
    else ws.session().ReplaceDocument(ThreeSubtitles());
    for (const CommandInfo& c : Commands()) {
      if (!c.run || !IsAvailable(c, ws)) continue;
      SCOPED_TRACE(std::string(c.id) + (empty ? " on an empty document" : " on three subtitles"));
      EXPECT_NO_THROW(c.run(ws));
      EXPECT_LE(ws.session().current(), ws.doc().Count());
    }
  }
  const CommandInfo& typing = *FindCommand("tools.replaceWhileTyping");
  ASSERT_NE(typing.checked, nullptr);
  const bool before = typing.checked(ws);
  typing.run(ws);
  EXPECT_NE(typing.checked(ws), before);
  EXPECT_EQ(settings.Get(keys::kReplaceAsYouType), !before);
}

}  // namespace
}  // namespace kipo
