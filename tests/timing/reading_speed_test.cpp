#include "timing/reading_speed.h"

#include <gtest/gtest.h>

#include "platform/user_error.h"
#include "settings/settings_store.h"

namespace kipo {
namespace {

TimingParameters Params(short speed = 15, short minD = 25, short maxD = 175) {
  TimingParameters p;
  p.readingSpeed = speed;
  p.minDuration = minD;
  p.maxDuration = maxD;
  p.defaultDuration = 50;
  return p;
}

TEST(ReadingDuration, CountsEverythingButLineBreaksAndSpacesThenClamps) {
  std::string text37(37, 'a');
  {
    SCOPED_TRACE("37 characters at 15 cps and 25 fps: floor(61.67)");
    EXPECT_EQ(ReadingDuration(text37, Params(15, 25)), 61);
    EXPECT_EQ(ReadingDuration(text37, Params(15, 75)), 75);
  }
  {
    SCOPED_TRACE("spaces, CR LF do not count; markup does");
    EXPECT_EQ(ReadingDurationCount("ab cd\r\nef"), 6u);
    EXPECT_EQ(ReadingDurationCount("<ab>"), 4u);
    EXPECT_EQ(ReadingDurationCount("\xC3\xA9t\xC3\xA9"), 3u);  // code points, not bytes
  }
  {
    SCOPED_TRACE("nothing to count gets the default duration, not the minimum");
    EXPECT_EQ(ReadingDuration("  \r\n ", Params(15, 75)), 50);
    EXPECT_EQ(ReadingDuration("", Params()), 50);
  }
  {
    SCOPED_TRACE("a minimum above the maximum yields the maximum");
    EXPECT_EQ(ReadingDuration("a", Params(15, 200, 100)), 100);
    EXPECT_EQ(ReadingDuration(std::string(100000, 'a'), Params()), 175);
  }
}

TEST(ReadingDuration, RefusesSettingsItCannotUse) {
  try {
    ReadingDuration("abc", Params(0));
    FAIL() << "a reading speed of 0 was accepted";
  } catch (const UserError& e) {
    EXPECT_EQ(e.text(), "The reading speed must be at least 1 character per second.\nPlease correct it in the options.");
  }
  EXPECT_THROW(ReadingDuration("abc", Params(15, -10, -5)), UserError);
}

TEST(CharactersPerSecond, LeavesOutMarkupAndRoundsTiesToEven) {
  ReadingOptions o;
  EXPECT_EQ(CharactersPerSecond("<Hello>\r\nWorld", 2.0, o), 5);
  EXPECT_EQ(CharactersPerSecond("Hello", 0.0, o), 0);
  EXPECT_EQ(CharactersPerSecond("", 2.0, o), 0);
  EXPECT_EQ(CharactersPerSecond("abcde", 2.0, o), 2);    // 2.5 -> 2
  EXPECT_EQ(CharactersPerSecond("abcdefg", 2.0, o), 4);  // 3.5 -> 4
  EXPECT_EQ(CharactersPerSecond(std::string(150, 'a'), 1.0, o), 99);
  EXPECT_EQ(CharactersPerSecond("ab cd", 1.0, o), 4);
  EXPECT_EQ(CharactersPerSecond("\x01" "ab\x07" "\xC2\xAB" "cd\xC2\xBB", 1.0, o), 4);
  o.includeSpaces = true;
  EXPECT_EQ(CharactersPerSecond("ab cd", 1.0, o), 5);
  SettingsStore store;
  store.Set("Options", "Reading speed include spaces", "True");
  store.Set("Options", "Start bold text", "*");
  store.Set("Options", "End bold text", "#");
  ReadingOptions loaded = ReadingOptions::Load(store);
  EXPECT_EQ(CharactersPerSecond("*a b#", 1.0, loaded), 3);
}

TEST(CpsLabels, TextAndColourForTheThreeFigures) {
  TimingParameters p = Params();
  ReadingOptions o;
  std::string text(30, 'a');  // 30 characters
  {
    SCOPED_TRACE("current subtitle");
    EXPECT_EQ(CurrentCpsLabel("", 0, 50, p, o), CpsLabel{});
    EXPECT_EQ(CurrentCpsLabel(text, std::nullopt, 50, p, o), (CpsLabel{"-", std::nullopt}));
    EXPECT_EQ(CurrentCpsLabel(text, 0, 50, p, o), (CpsLabel{"15 cps", std::nullopt}));  // at the limit
    EXPECT_EQ(CurrentCpsLabel(text, 0, 46, p, o), (CpsLabel{"16 cps", kCpsTooFast}));
    EXPECT_EQ(CurrentCpsLabel(std::string(150, 'a'), 0, 25, p, o), (CpsLabel{"99 cps", kCpsTooFast}));
    EXPECT_EQ(CurrentCpsLabel(text, 10, 10, p, o), (CpsLabel{"-", std::nullopt}));
  }
  {
    SCOPED_TRACE("previous and next subtitles are grey unless too fast");
    EXPECT_EQ(NeighbourCpsLabel(text, 0, std::nullopt, p, o), (CpsLabel{"-", kCpsNeighbour}));
    EXPECT_EQ(NeighbourCpsLabel(text, 0, 50, p, o), (CpsLabel{"15 cps", kCpsNeighbour}));
    EXPECT_EQ(NeighbourCpsLabel(text, 0, 46, p, o), (CpsLabel{"16 cps", kCpsTooFast}));
  }
}

TEST(DurationText, SecondsAndFramesAtTheRoundedRate) {
  EXPECT_EQ(DurationText(62, 25.0f), "02:12");
  EXPECT_EQ(DurationText(0, 25.0f), "00:00");
  EXPECT_EQ(DurationText(62, 30.0f), "02:02");
  EXPECT_EQ(DurationText(2500, 25.0f), "100:00");
  EXPECT_EQ(DurationText(62, 59.94f), "01:02");
}

}  // namespace
}  // namespace kipo
