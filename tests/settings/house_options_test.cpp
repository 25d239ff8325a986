#include "settings/house_options.h"

#include <gtest/gtest.h>

#include "platform/text_util.h"
#include "settings/keys.h"
#include "settings/settings_store.h"

namespace kipo {
namespace {

// Every field moved away from its default, so a field the table forgets shows up.
HouseOptions Changed() {
  HouseOptions h;
  h.readingSpeed = 12;
  h.minDuration = 30;
  h.maxDuration = 200;
  h.defaultInterval = 3;
  h.defaultDuration = 60;
  h.durationTooShortPolicy = CueRulePolicy::Prevent;
  h.durationTooLongPolicy = CueRulePolicy::Allow;
  h.lastIntervalPolicy = CueRulePolicy::Prevent;
  h.nextIntervalPolicy = CueRulePolicy::Allow;
  h.calcInCue = h.calcOutCue = h.lockCues = true;
  for (CheckSwitch* c : {&h.tooManyRows, &h.tooManyChars, &h.safeAreaOverride, &h.inconsistentCues, &h.cuesNotSet,
                         &h.readingSpeedCheck, &h.invalidInterval, &h.duration, &h.emptySubtitles,
                         &h.raisedSubtitles})
    c->enabled = false;
  h.tooManyRows.forced = true;
  h.raisedSubtitles.ignored = true;
  h.maxRows = 3;
  h.maxRowLength = 42;
  h.invalidIntervalThreshold = 10;
  h.ignoreReadingBelow = 5;
  h.readingTolerance = 10;
  h.allowBlankLines = true;
  h.warnTooManyRows = false;
  h.forceIntervalBy = true;
  h.forceIntervalIndex = 2;
  h.startChecksAtNextSubtitle = h.redChars = h.closedCaptionChecks = true;
  h.screenRows = 15;
  h.cleanBackupsOnExit = true;
  h.backupCleanMode = 1;
  h.backupArchiveFolder = "C:\\xyz\\archive";
  h.autosaveMinutes = 7;
  return h;
}

TEST(HouseOptions, DeclaredDefaultsAreTheStructDefaultsAndEveryFieldRoundTrips) {
  SettingsStore s;
  EXPECT_EQ(HouseOptions::Load(s), HouseOptions{});
  HouseOptions h = Changed();
  ASSERT_NE(h, HouseOptions{});
  h.Save(s);
  EXPECT_EQ(HouseOptions::Load(s), h);
  // Saving the defaults again brings every field back.
  HouseOptions{}.Save(s);
  EXPECT_EQ(HouseOptions::Load(s), HouseOptions{});
}

TEST(HouseOptions, EachKeyHasOneStoredForm) {
  SettingsStore s;
  Changed().Save(s);
  for (const std::string& key : s.Keys(keys::kHouse)) {
    SCOPED_TRACE(key);
    std::string v = s.Get(keys::kHouse, key, "");
    long n = 0;
    bool number = ParseInt(v, n);
    // Booleans and switches as "True"/"False", numbers as decimal text; the archive folder
    // is the only text.
    EXPECT_TRUE(v == "True" || v == "False" || number || key == "Move backup folders to") << v;
    if (key.ends_with(" forced") || key.ends_with(" ignored") || key == "Lock cues") {
      EXPECT_TRUE(v == "True" || v == "False") << v;
    }
  }
  EXPECT_EQ(s.Get(keys::kHouse, "Maximum row length", ""), "42");
  EXPECT_EQ(s.Get(keys::kMaxRowLength), 42);
}

TEST(HouseOptions, UnreadableOrOutOfRangeValuesReadAsTheDefault) {
  struct Case {
    const char* key;
    const char* stored;
  } cases[] = {
      {"Reading speed", "40000"},               // beyond 16 bits
      {"Reading speed", "fast"},                // not a number
      {"Duration < Minimum Duration", "7"},     // no such policy
      {"Duration < Minimum Duration", "0"},
      {"Lock cues", "maybe"},
      {"Too many rows forced", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.key) + " = " + c.stored);
    SettingsStore s;
    s.Set(keys::kHouse, c.key, c.stored);
    EXPECT_EQ(HouseOptions::Load(s), HouseOptions{});
  }
  // Older files hold switches as numbers; they still read.
  SettingsStore s;
  s.Set(keys::kHouse, "Lock cues", "-1");
  s.Set(keys::kHouse, "Cues not set", "0");
  HouseOptions h = HouseOptions::Load(s);
  EXPECT_TRUE(h.lockCues);
  EXPECT_FALSE(h.cuesNotSet.enabled);
}

}  // namespace
}  // namespace kipo
