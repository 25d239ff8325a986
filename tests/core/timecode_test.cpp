#include "core/timecode.h"

#include <gtest/gtest.h>

namespace kipo {
namespace {

FrameRate Rate(int code) { return *FrameRate::FromCode(code); }

TEST(Timecode, DropFrameLabelsSkipTwoNumbersEachMinuteButEveryTenth) {
  FrameRate df = Rate(29);
  EXPECT_EQ(FramesToLabel(1800, df), "00:01:00:02");
  EXPECT_EQ(FramesToLabel(17982, df), "00:10:00:00");
  EXPECT_EQ(LabelToFrames("00:01:00:02", df), 1800);
  EXPECT_EQ(LabelToFrames("00:10:00:00", df), 17982);
  EXPECT_EQ(FramesToLabel(1799, df), "00:00:59:29");
  // One hour of drop-frame labels is 107892 frames.
  EXPECT_EQ(LabelToFrames("01:00:00:00", df), 107892);
  EXPECT_EQ(FramesToLabel(107892, df), "01:00:00:00");
}

TEST(Timecode, EveryFrameRoundTripsThroughItsLabelAtEveryRate) {
  for (int code : AllFrameRateCodes()) {
    FrameRate r = Rate(code);
    SCOPED_TRACE(r.label());
    for (Timecode f = 0; f < 200000; f += (f < 40000 ? 1 : 37)) {
      std::string label = FramesToLabel(f, r);
      ASSERT_EQ(LabelToFrames(label, r), f) << label;
      ASSERT_TRUE(IsValidCue(label, r)) << label;
      ASSERT_EQ(FramesToDigits(f, r), StripSeparators(label));
    }
  }
}

TEST(Timecode, ChangingTheRateKeepsLabelsAndChangesFrameCounts) {
  EXPECT_EQ(LabelToFrames("00:00:01:00", Rate(25)), 25);
  EXPECT_EQ(LabelToFrames("00:00:01:00", Rate(30)), 30);
  // 23.976 labels count 24 per second, exactly as 24 fps.
  EXPECT_EQ(LabelToFrames("00:01:00:12", Rate(23)), LabelToFrames("00:01:00:12", Rate(24)));
  EXPECT_EQ(FramesToLabel(1452, Rate(23)), "00:01:00:12");
  // 59.94 counts 60 labels a second, so labels survive the round trip.
  EXPECT_EQ(LabelToFrames("00:00:01:59", Rate(59)), 119);
  EXPECT_EQ(FramesToLabel(119, Rate(59)), "00:00:01:59");
  // An explicit rate overrides the document's.
  EXPECT_EQ(LabelToFrames("00:00:02:00", Rate(25), 24.0), 48);
  // force24 counts 24 a second whatever the rate.
  EXPECT_EQ(FramesToLabel(48, Rate(25), true), "00:00:02:00");
}

TEST(Timecode, StrayCharactersReadAsZeroAndNegativeFramesClamp) {
  FrameRate r = Rate(25);
  EXPECT_EQ(LabelToFrames("00:00:0x:10", r), 0);  // conversion stops at the first non-digit
  EXPECT_EQ(LabelToFrames("", r), 0);
  EXPECT_EQ(LabelToFrames("00000100", r), 25);
  EXPECT_EQ(FramesToLabel(-5, r), "00:00:00:00");
  // Hours are not limited to 23, nor to two digits.
  EXPECT_EQ(FramesToLabel(100 * 3600 * 25, r), "100:00:00:00");
}

TEST(Timecode, DisplayFormsOfStoredDigits) {
  FrameRate r = Rate(25);
  EXPECT_EQ(DigitsToLabel(""), "--:--:--:--");
  EXPECT_EQ(DigitsToLabel("01020304", ":", ";"), "01:02:03;04");
  EXPECT_EQ(DigitsToLabel("0102"), "01:02");
  EXPECT_EQ(DigitsToLabel("010203", "."), "01.02.03");
  EXPECT_EQ(DigitsToLabel("0102030"), "");
  EXPECT_EQ(FormatTimecode("00000012", 4, r), "00:00:00.480");
  EXPECT_EQ(FormatTimecode("01020304", 0, r), "01:02:03:04");
  EXPECT_EQ(FormatTimecode("01020304", 1, r), "01:02:03;04");
  EXPECT_EQ(FormatTimecode("01020304", 2, r), "01;02;03;04");
  EXPECT_EQ(FormatTimecode("01020304", 3, r), "01:02:03:160");
  EXPECT_EQ(FormatTimecode("01020304", 5, r), "01:02:03,160");
  EXPECT_EQ(FormatTimecode("00000125", 6, Rate(30)), "55");
  EXPECT_EQ(FormatTimecode("00000110", 7, r), "1.400");
  EXPECT_EQ(FormatTimecode("01020304", 8, r), "");
  EXPECT_EQ(FormatTimecode("01020304", -1, r), "");
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(FormatTimecode("00123412", i, r), FormatTimecodeFromLabel("00:12:34:12", i, r));
  }
}

TEST(Timecode, MillisecondTablesRoundAndCap) {
  EXPECT_EQ(MillisToFrames(990, Rate(25)), "24");  // 24.75 rounds to 25, capped at 24
  EXPECT_EQ(MillisToFrames(999, Rate(30)), "29");
  EXPECT_EQ(MillisToFrames(999, Rate(60)), "60");  // no cap at 60
  EXPECT_EQ(FramesToMillis(12, Rate(25)), "480");
  EXPECT_EQ(FramesToMillis(1, Rate(24)), "042");
  EXPECT_EQ(FramesToMillis(1, FrameRate::Exact23976()), "042");
  EXPECT_EQ(FramesToMillis(23, FrameRate::Exact23976()), "959");
  EXPECT_EQ(FramesToMillis(29, Rate(29)), "967");
  EXPECT_EQ(MillisToLabel(3723480, Rate(25)), "01:02:03:12");
  EXPECT_EQ(SecondsToLabel(3723.48, Rate(25)), "01:02:03:12");
}

TEST(Timecode, DurationLabel) {
  FrameRate r = Rate(25);
  EXPECT_EQ(DurationLabel("00000000", "00000212", r), "02:12");
  EXPECT_EQ(DurationLabel("", "00000212", r), "__:__");
  EXPECT_EQ(DurationLabel("0000001", "00000212", r), "__:__");
  EXPECT_EQ(DurationLabel("00000000", "00013924", r), "99:24");
  EXPECT_EQ(DurationLabel("00000000", "00014000", r), "99:00");  // 100 seconds
  EXPECT_EQ(DurationLabel("00000100", "00000000", r), std::nullopt);
  EXPECT_EQ(DurationLabel("00005900", "00010002", Rate(29)), "01:00");  // 30 frames across a dropped minute
}

TEST(Timecode, ValidationAndShapes) {
  EXPECT_FALSE(IsValidCue("00:00:00:25", Rate(25)));
  EXPECT_TRUE(IsValidCue("00:00:00:25", Rate(30)));
  EXPECT_TRUE(IsValidCue("00:00:00:24", Rate(25)));
  EXPECT_FALSE(IsValidCue("00:00:00:24", Rate(24)));
  EXPECT_FALSE(IsValidCue("00:00:00:24", Rate(23)));
  EXPECT_TRUE(IsValidCue("00:00:00:59", Rate(59)));
  EXPECT_FALSE(IsValidCue("00:00:00:60", Rate(60)));
  EXPECT_TRUE(IsValidCue("00:00:00:99", Rate(50)));  // no frame limit at 15, 48, 50
  for (int code : AllFrameRateCodes()) {
    EXPECT_FALSE(IsValidCue("00:60:00:00", Rate(code)));
    EXPECT_FALSE(IsValidCue("00:00:60:00", Rate(code)));
  }
  EXPECT_TRUE(IsValidCue("99:59:59.24", Rate(25)));
  EXPECT_FALSE(IsValidCue("00:00:0:00", Rate(25)));
  EXPECT_TRUE(IsLabelShape("00:00:00:00"));
  EXPECT_TRUE(IsLabelShape("00:00:00;00"));
  EXPECT_TRUE(IsLabelShape("00:00:00.00"));
  EXPECT_FALSE(IsLabelShape("00;00:00:00"));
  EXPECT_FALSE(IsLabelShape("00:00:00:0"));
  EXPECT_EQ(NormalizeShortLabel("12:34"), "00:12:34:00");
  EXPECT_EQ(NormalizeShortLabel("12:34:05"), "00:12:34:05");
  EXPECT_EQ(NormalizeShortLabel("1:2"), "1:2");
}

TEST(Timecode, RateTable) {
  EXPECT_EQ(Rate(23).integerRate(), 24);
  EXPECT_TRUE(Rate(23).is23976);
  EXPECT_EQ(Rate(29).integerRate(), 30);
  EXPECT_TRUE(Rate(29).dropFrame);
  EXPECT_EQ(Rate(59).integerRate(), 60);
  EXPECT_FALSE(Rate(59).dropFrame);
  EXPECT_EQ(Rate(59).label(), "59.94 fps");
  EXPECT_EQ(Rate(24).longLabel(), "Film (24 fps)");
  EXPECT_FALSE(FrameRate::FromCode(26).has_value());
}

}  // namespace
}  // namespace kipo
