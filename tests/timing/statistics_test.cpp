#include "timing/statistics.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "settings/settings_store.h"
#include "support/timed_subtitle.h"
#include "timing/subtitle_checks.h"

namespace kipo {
namespace {

using test::kPal;
constexpr auto Sub = test::TimedSub;

TEST(Statistics, EveryItemInOrder) {
  SubtitleDocument d;
  d.Append(Sub("Hello there - friend!\r\nHow are you ?", 0, 50));  // 6 words, 28 characters
  d.Append(Sub("<Left and raised>", 100, 175));                   // 3 words, 13 characters
  d.SetAlignment(1, AlignLeft);
  d.SetRow(1, 2);
  d.SetBoxStyle(1, BoxBoxedOutline);
  d.Append(Sub("Mixed\r\nrows", 200, 225));
  d.SetRowAlignments(2, "23000000000");
  d.SetComment(2, "check this");
  Subtitle empty = Sub("", 0, 0);
  empty.inCue = Cue();
  d.Append(empty);
  d.Append(Sub("Right", 300, 310));
  d.SetAlignment(4, AlignRight);
  d.SetItalic(4, true);
  TimingParameters p;
  std::string text = BuildStatistics(d, p, ReadingOptions{}, "\n");
  EXPECT_EQ(text,
            "Subtitles\n5\n"
            "Rows\n6\n"
            "Words\n12\n"
            "Characters\n55\n"
            "Average rows per subtitle\n1.2\n"
            "Average words per subtitle\n2.4\n"
            "Average words per row\n2.0\n"
            "Average characters per subtitle\n11\n"
            "Average characters per row\n9\n"
            "Maximum row length\n21 (subtitle 1)\n"
            "Total subtitle duration\n00:00:06:10\n"
            "Ideal total subtitle duration\n00:00:03:16\n"
            "Average subtitle duration\n00:00:01:07\n"
            "Ideal average subtitle duration\n00:00:00:18\n"
            "Minimum subtitle duration\n00:00:00:10 (subtitle 5)\n"
            "Maximum subtitle duration\n00:00:03:00 (subtitle 2)\n"
            "Required reading speed\n8.6 cps\n"
            "Errors\n"
            "Empty subtitles\n1\n"
            "Empty or invalid cues\n1\n"
            "Left aligned subtitles\n1\n"
            "Centre aligned subtitles\n2\n"
            "Right aligned subtitles\n1\n"
            "Centre left aligned subtitles\n0\n"
            "Mixed aligned subtitles\n1\n"
            "Raised subtitles\n1\n"
            "Outlined subtitles\n1\n"
            "Italicised subtitles\n2\n"
            "Commented subtitles\n1\n");
}

TEST(Statistics, WordsAndEmptyDocuments) {
  EXPECT_EQ(CountWords("- Yes . it is ... ?!"), 3);
  EXPECT_EQ(CountWords("  double  spaces "), 2);
  EXPECT_EQ(CountWords(""), 0);
  SubtitleDocument d;
  std::string text = BuildStatistics(d, TimingParameters{}, ReadingOptions{}, "\n");
  EXPECT_NE(text.find("Average words per row\n0.0\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Minimum subtitle duration\n00:00:00:00\n"), std::string::npos);
  TimingParameters zero;
  zero.readingSpeed = 0;
  EXPECT_NE(BuildStatistics(d, zero, ReadingOptions{}).find("Ideal total"), std::string::npos);
}

// The longest row of the statistics and the too-many-characters check count a row by one
// rule, with bold markers left out only while "Enable bold text" is on.
TEST(Statistics, RowLengthFollowsTheCheckForBoldMarkers) {
  SubtitleDocument d;
  d.Append(Sub("\xC2\xAB" "Twelve chars" "\xC2\xBB", 0, 100));  // 14 characters, 12 shown when bold
  d.Append(Sub("*Twelve*\r\n<short>", 200, 300));
  struct Case {
    const char* enabled;
    const char* start;
    const char* end;
    long length;
  };
  for (Case c : {Case{"0", "\xC2\xAB", "\xC2\xBB", 14}, Case{"1", "\xC2\xAB", "\xC2\xBB", 12},
                 Case{"1", "*", "*", 14}, Case{"0", "*", "*", 14}}) {
    SCOPED_TRACE(std::string(c.enabled) + " " + c.start);
    SettingsStore store;
    store.Set("Options", "Enable bold text", c.enabled);
    store.Set("Options", "Start bold text", c.start);
    store.Set("Options", "End bold text", c.end);
    CheckSettings s = CheckSettings::Load(HouseOptions{}, store);
    s.house.maxRowLength = 13;
    Statistics st = ComputeStatistics(d, TimingParameters{}, s.reading);
    EXPECT_EQ(st.maxRowLength, c.length);
    std::vector<Finding> found;
    CollectFaults(d, 0, s, CheckMode::ErrorList, found);
    bool tooLong = std::any_of(found.begin(), found.end(), [](const Finding& f) { return f.fault == Fault::TooManyCharacters; });
    EXPECT_EQ(tooLong, c.length > 13);
  }
}

}  // namespace
}  // namespace kipo
