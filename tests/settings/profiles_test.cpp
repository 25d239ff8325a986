#include "settings/profiles.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/user_error.h"
#include "settings/recent_files.h"
#include "settings/settings_store.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

Profile Client(const std::string& name) {
  Profile p;
  p.name = name;
  p.displayFile = "client.dsp";
  p.rules.readingSpeed = 12;
  p.rules.minDuration = 30;
  p.rules.maxRows = 3;
  p.rules.lastIntervalPolicy = CueRulePolicy::Prevent;
  p.rules.lockCues = true;
  p.rules.cuesNotSet.enabled = false;
  p.displayStandard = 1;
  p.punctuation[0] = true;   // "Delete space before"
  p.punctuation[11] = true;  // "Delete spaces"
  p.forced[0] = true;        // "Too many rows"
  p.ignored[1] = true;       // "Default interval"
  p.font = "Tiresias";
  return p;
}

TEST(Profiles, RecordIs512BytesAndRoundTrips) {
  Profile p = Client("Broadcaster A");
  Bytes rec = EncodeProfile(p);
  ASSERT_EQ(rec.size(), kProfileRecordSize);
  EXPECT_EQ(rec[0], 500 & 0xFF);
  EXPECT_EQ(rec[1], 500 >> 8);
  EXPECT_EQ(std::string(rec.begin() + 4, rec.begin() + 17), "Broadcaster A");
  EXPECT_EQ(rec[4 + 39], ' ');  // names are left-set and padded with spaces
  Profile back = DecodeProfile(rec);
  EXPECT_EQ(back.name, p.name);
  EXPECT_EQ(back.rules.readingSpeed, 12);
  EXPECT_EQ(back.rules.lastIntervalPolicy, CueRulePolicy::Prevent);
  EXPECT_TRUE(back.rules.tooManyRows.forced);
  EXPECT_TRUE(back.rules.invalidInterval.ignored);
  EXPECT_FALSE(back.rules.cuesNotSet.enabled);
  EXPECT_EQ(back.punctuation, p.punctuation);
  EXPECT_EQ(back.font, "Tiresias");
  EXPECT_EQ(EncodeProfile(back), rec);
  EXPECT_THROW(DecodeProfile(std::span<const std::uint8_t>(rec).subspan(0, 100)), ReadError);
}

TEST(Profiles, DefaultIsCreatedAndLogged) {
  test::TempHome home;
  ProfileStore store(DataFolder());
  auto all = store.ReadProfileData();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].name, "Default");
  EXPECT_EQ(all[0].font, "Arial");
  std::string log = test::ReadFile(DataFolder() / "kipo.log");
  EXPECT_NE(log.find("   Retrieving current profiles from "), std::string::npos);
  EXPECT_NE(log.find("    0 profiles found"), std::string::npos);  // three spaces, then " 0"
  EXPECT_NE(log.find("   ReadProfileData - done"), std::string::npos);
  EXPECT_EQ(std::filesystem::file_size(store.path()), 512u);
}

TEST(Profiles, OldProfilesAreConverted) {
  test::TempHome home;
  std::string old = std::string("Old client") + std::string(30, ' ') + "old.dsp" + std::string(23, ' ');
  ASSERT_EQ(old.size(), 70u);
  test::WriteFile(DataFolder() / "datafont.dat", old);
  ProfileStore store(DataFolder());
  auto all = store.ReadProfileData();
  EXPECT_FALSE(std::filesystem::exists(DataFolder() / "datafont.dat"));
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[1].name, "Old client");
  EXPECT_EQ(all[1].displayFile, "old.dsp");
}

TEST(Profiles, ApplyCopiesRulesPunctuationAndDisplayStandard) {
  test::TempHome home;
  ProfileStore store(DataFolder());
  store.ReadProfileData();
  store.Save(Client("Broadcaster A"));
  SettingsStore settings;
  HouseOptions house;
  house.autosaveMinutes = 9;
  ASSERT_TRUE(store.ApplyProfile("Broadcaster A", house, settings));
  EXPECT_EQ(house.readingSpeed, 12);
  EXPECT_EQ(house.autosaveMinutes, 9);  // not a house rule of the profile
  EXPECT_TRUE(house.tooManyRows.effective());
  EXPECT_FALSE(house.invalidInterval.effective());
  EXPECT_EQ(settings.Get("Punctuation", "Delete spaces", ""), "True");
  EXPECT_EQ(settings.Get("Punctuation", "Add full stops", ""), "False");
  EXPECT_EQ(settings.Get("Options", "EBU Display Standard", ""), "1");
  EXPECT_EQ(HouseOptions::Load(settings), house);
  EXPECT_FALSE(store.ApplyProfile("Nobody", house, settings));
}

TEST(Profiles, ForcedAndIgnoredTogetherIsRefused) {
  test::TempHome home;
  ProfileStore store(DataFolder());
  Profile p = Client("Both");
  p.forced[2] = p.ignored[2] = true;
  EXPECT_EQ(ValidateProfile(p), "The same check cannot be selected as forced and ignored.");
  try {
    store.Save(p);
    FAIL();
  } catch (const UserError& e) {
    EXPECT_EQ(e.text(), "The same check cannot be selected as forced and ignored.");
  }
}

TEST(Profiles, DeleteAsksAndKeepsDefault) {
  test::TempHome home;
  ProfileStore store(DataFolder());
  store.ReadProfileData();
  store.Save(Client("Only client"));
  test::RecordingPrompter p;
  EXPECT_FALSE(store.DeleteProfile("", p));
  EXPECT_EQ(p.Last().text, "No profile selected!");
  EXPECT_FALSE(store.DeleteProfile("Default", p));
  EXPECT_EQ(p.Last().text, "The default profile cannot be deleted");
  EXPECT_FALSE(store.DeleteProfile("Only client", p));  // answered No
  EXPECT_EQ(p.Last().title, "Delete Profile");
  EXPECT_EQ(p.Last().text, "Delete profile Only client?");
  EXPECT_EQ(store.Load().size(), 2u);
  p.answers.push_back(Answer::Yes);
  EXPECT_TRUE(store.DeleteProfile("Only client", p));
  auto left = store.Load();
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].name, "Default");
  EXPECT_EQ(std::filesystem::file_size(store.path()), 512u);
}

TEST(Profiles, ExportAndImportOnlyTakeProfilesDat) {
  test::TempHome home;
  ProfileStore store(DataFolder());
  store.ReadProfileData();
  store.Save(Client("Exported"));
  test::RecordingPrompter p;
  std::filesystem::create_directories(home / "usb");
  p.inputs.push_back((home / "usb").string());
  ASSERT_TRUE(store.ExportProfiles(p));
  EXPECT_EQ(p.shown[0].text, "Select a folder to save your profile settings in and click OK");
  EXPECT_EQ(p.Last().text, "Profile settings exported.");

  ProfileStore other(home / "other");
  auto wrongName = test::WriteFile(home / "usb" / "profiles.bak", test::ReadFile(home / "usb" / "profiles.dat"));
  p.files.push_back(FileChoice{wrongName.string(), 1});
  EXPECT_FALSE(other.ImportProfiles(p));
  EXPECT_EQ(p.dialogs.back().title, "Import Profile Settings File");
  EXPECT_EQ(p.dialogs.back().filter, "profiles.dat|profiles.dat");
  EXPECT_FALSE(std::filesystem::exists(other.path()));
  EXPECT_TRUE(other.ImportProfiles(p, home / "usb" / "profiles.dat"));
  EXPECT_EQ(p.Last().text, "Profile settings imported.");
  EXPECT_TRUE(other.Find("Exported").has_value());
}

TEST(Profiles, DamagedFileKeepsWhatCanBeRead) {
  test::TempHome home;
  ProfileStore store(DataFolder());
  store.ReadProfileData();
  store.Save(Client("Kept"));
  std::string bytes = test::ReadFile(store.path()) + "half a record";
  test::WriteFile(store.path(), bytes);
  EXPECT_EQ(store.Load().size(), 2u);
}

std::string Repeat(std::string_view s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

TEST(Profiles, NamesThatFitTheRecordAreFoundAgainAndOthersAreRefused) {
  struct Case {
    std::string name;
    bool stored;
  } cases[] = {
      {Repeat("a", 40), true},
      {Repeat("\xC3\xA9", 20), true},          // 20 x e-acute: 40 bytes
      {Repeat("\xE4\xB8\xAD", 13) + "a", true},  // 13 CJK characters and a letter: 40 bytes
      {Repeat("a", 41), false},
      {Repeat("\xC3\xA9", 21), false},         // would be cut inside a character
      {Repeat("a", 39) + "\xC3\xA9", false},
      {"Tab\tname", false},
      {" Client", false},
      {"Client ", false},                       // the record pads with spaces: it would read back as "Client"
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempHome home;
    ProfileStore store(DataFolder());
    store.ReadProfileData();
    std::string before = test::ReadFile(store.path());
    Profile p = Client(c.name);
    if (!c.stored) {
      EXPECT_TRUE(ValidateProfile(p).has_value());
      EXPECT_THROW(store.Save(p), UserError);
      EXPECT_EQ(test::ReadFile(store.path()), before);
      continue;
    }
    store.Save(p);
    p.rules.readingSpeed = 14;
    store.Save(p);  // replaces, never adds a second record
    ASSERT_EQ(store.Load().size(), 2u);
    EXPECT_EQ(store.Load()[1].name, c.name);
    HouseOptions house;
    SettingsStore settings;
    ASSERT_TRUE(store.ApplyProfile(c.name, house, settings));
    EXPECT_EQ(house.readingSpeed, 14);
    test::RecordingPrompter prompter;
    prompter.answers.push_back(Answer::Yes);
    EXPECT_TRUE(store.DeleteProfile(c.name, prompter));
    EXPECT_EQ(store.Load().size(), 1u);
  }
  ProfileStore store(std::filesystem::temp_directory_path());
  try {
    store.Save(Client(Repeat("a", 41)));
    FAIL();
  } catch (const UserError& e) {
    EXPECT_NE(e.text().find("is too long: a profile name holds at most 40 bytes"), std::string::npos) << e.text();
  }
}

TEST(Profiles, ANameCutInsideACharacterByAnOlderBuildReadsWithoutTheBrokenCharacter) {
  Bytes rec = EncodeProfile(Client("x"));
  std::string cut = Repeat("a", 39) + "\xC3";  // the first byte of e-acute
  std::copy(cut.begin(), cut.end(), rec.begin() + 4);
  EXPECT_EQ(DecodeProfile(rec).name, Repeat("a", 39));
}

TEST(Profiles, ImportRefusesFilesThatHoldNoProfilesAndKeepsTheUsersOwn) {
  std::string valid;
  for (const char* name : {"Default", "Broadcaster A"}) {
    Bytes rec = EncodeProfile(Client(name));
    valid.append(rec.begin(), rec.end());
  }
  std::string random(1024, '\0');
  std::uint32_t x = 12345;
  for (char& c : random) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
  std::string text;
  while (text.size() < 512) text += "Just a line of text in a file someone named profiles.dat\r\n";
  text.resize(512);
  std::string blankName = valid.substr(0, 512);
  std::fill(blankName.begin() + 4, blankName.begin() + 44, ' ');
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"random bytes", random},
      {"text", text},
      {"a part record", valid.substr(0, 300)},
      {"a good record then random bytes", valid.substr(0, 512) + random.substr(0, 512)},
      {"a record without a name", blankName},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempHome home;
    ProfileStore store(DataFolder());
    store.ReadProfileData();
    store.Save(Client("Mine"));
    std::string before = test::ReadFile(store.path());
    auto file = test::WriteFile(home / "in" / "profiles.dat", c.bytes);
    test::RecordingPrompter p;
    try {
      store.ImportProfiles(p, file);
      FAIL();
    } catch (const UserError& e) {
      EXPECT_EQ(e.text(), "This is not a valid profile settings file: " + file.string());
    }
    EXPECT_EQ(test::ReadFile(store.path()), before);
    EXPECT_TRUE(store.Find("Mine").has_value());
  }
  test::TempHome home;
  ProfileStore store(DataFolder());
  test::RecordingPrompter p;
  EXPECT_TRUE(store.ImportProfiles(p, test::WriteFile(home / "in" / "profiles.dat", valid)));
  EXPECT_TRUE(store.Find("Broadcaster A").has_value());
}

TEST(RecentFiles, NineMostRecentFirstWithoutDuplicates) {
  SettingsStore s;
  RecentFiles mru;
  for (int i = 1; i <= 11; ++i) mru.Add("/f/" + std::to_string(i) + ".kpox");
  mru.Add("/f/5.kpox");
  mru.Save(s);
  EXPECT_EQ(s.Get("MRUSubtitleFiles", "1", ""), "/f/5.kpox");
  EXPECT_EQ(s.Get("MRUSubtitleFiles", "2", ""), "/f/11.kpox");
  EXPECT_EQ(s.Get("MRUSubtitleFiles", "9", ""), "/f/3.kpox");  // 4 moved up when 5 left its place
  RecentFiles back;
  back.Load(s);
  EXPECT_EQ(back.paths(), mru.paths());
  EXPECT_EQ(back.paths().size(), 9u);
}

}  // namespace
}  // namespace kipo
