#include "core/timecode.h"

#include <gtest/gtest.h>

#include "platform/text_util.h"

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
  // The labels' frames pair counts 24 a second at 23.976; real time of a frame count
  // runs at 24000/1001.
  EXPECT_EQ(FramesToMillis(23, Rate(23)), "958");
  EXPECT_EQ(FramesToMilliseconds(1, Rate(23)), 42);
  EXPECT_EQ(FramesToMilliseconds(23, Rate(23)), 959);
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

// A cue is set only when it is eight digits: every byte value at every place, and the
// lengths and separators typed or read from files.
TEST(Timecode, OnlyEightDigitsMakeACompleteCue) {
  for (std::size_t at = 0; at < 8; ++at) {
    for (int b = 0; b < 256; ++b) {
      std::string cue = "12345678";
      cue[at] = static_cast<char>(b);
      const bool digit = b >= '0' && b <= '9';
      if (IsCompleteCue(cue) != digit) ADD_FAILURE() << "byte " << b << " at " << at;
    }
  }
  for (const char* cue : {"", "0000000", "000000000", "00:00:00:00", "00 00 00", "0000000 ", " 0000000"})
    EXPECT_FALSE(IsCompleteCue(cue)) << '"' << cue << '"';
  EXPECT_TRUE(IsCompleteCue("99595924"));
  EXPECT_EQ(StripSeparators("01:02;03.04"), "01020304");
  EXPECT_EQ(StripSeparators(std::string(40, ':') + "1"), "1");
  EXPECT_EQ(StripSeparators(std::string(40, '5')), std::string(40, '5'));
}

TEST(Timecode, RateTable) {
  struct Row {
    int code, num, den, counting;
    bool drop;
    float timing;
  };
  const Row rows[] = {{15, 15, 1, 15, false, 15}, {23, 24000, 1001, 24, false, 24}, {24, 24, 1, 24, false, 24},
                      {25, 25, 1, 25, false, 25}, {29, 30000, 1001, 30, true, 30},   {30, 30, 1, 30, false, 30},
                      {48, 48, 1, 48, false, 48}, {50, 50, 1, 50, false, 50},        {59, 60000, 1001, 60, false, 59.94f},
                      {60, 60, 1, 60, false, 60}};
  ASSERT_EQ(AllFrameRateCodes().size(), std::size(rows));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.code);
    FrameRate r = Rate(row.code);
    EXPECT_EQ(r.num, row.num);
    EXPECT_EQ(r.den, row.den);
    EXPECT_EQ(r.countingRate(), row.counting);
    EXPECT_EQ(r.dropFrame, row.drop);
    EXPECT_EQ(r.is23976(), row.code == 23);
    EXPECT_EQ(r.timingFps(), row.timing);
    EXPECT_DOUBLE_EQ(r.fps(), static_cast<double>(row.num) / row.den);
  }
  EXPECT_EQ(Rate(59).label(), "59.94 fps");
  EXPECT_EQ(Rate(24).longLabel(), "Film (24 fps)");
  EXPECT_FALSE(FrameRate::FromCode(26).has_value());
}

}  // namespace
}  // namespace kipo

namespace kipo {
namespace {

FrameRate RateOf(int code) { return *FrameRate::FromCode(code); }

// Frames of a label worked out from scratch: drop-frame labels lose two numbers at every
// minute except each tenth.
long ExpectedFrames(long hh, long mm, long ss, long ff, const FrameRate& r) {
  long counting = r.num == 30000 ? 30 : r.num == 60000 ? 60 : r.num == 24000 ? 24 : r.num;
  long frames = ((hh * 60 + mm) * 60 + ss) * counting + ff;
  if (r.dropFrame) {
    long minutes = hh * 60 + mm;
    frames -= 2 * (minutes - minutes / 10);
  }
  return frames;
}

TEST(TimecodeAtEveryRate, LabelsGiveTheirFrameCountAndComeBack) {
  const char* labels[] = {"00:00:00:00", "00:00:00:01", "00:00:59:00", "00:01:00:02", "00:09:59:14",
                          "00:10:00:00", "00:59:59:00", "01:00:00:00", "10:11:12:13", "23:59:59:05",
                          "99:59:59:00"};
  for (int code : AllFrameRateCodes()) {
    FrameRate r = RateOf(code);
    SCOPED_TRACE(r.label());
    for (const char* label : labels) {
      SCOPED_TRACE(label);
      std::string l(label);
      long hh = std::stol(l.substr(0, 2)), mm = std::stol(l.substr(3, 2)), ss = std::stol(l.substr(6, 2)),
           ff = std::stol(l.substr(9, 2));
      FrameCount f = LabelToFrames(l, r);
      EXPECT_EQ(f, ExpectedFrames(hh, mm, ss, ff, r));
      EXPECT_EQ(FramesToLabel(f, r), l);
      EXPECT_EQ(LabelToFrames(StripSeparators(l), r), f);
      // The last frame of the second before and the first of the next stay apart.
      EXPECT_EQ(LabelToFrames(FramesToLabel(f + 1, r), r), f + 1);
    }
  }
}

// Real time of a frame count against the exact fraction, worked out in integers here.
TEST(TimecodeAtEveryRate, RealTimeUsesTheExactFraction) {
  for (int code : AllFrameRateCodes()) {
    FrameRate r = RateOf(code);
    SCOPED_TRACE(r.label());
    for (long f : {0L, 1L, 2L, 23L, 29L, 59L, 1000L, 17982L, 107892L, 86400L * 60, 2147483647L}) {
      SCOPED_TRACE(f);
      // f * 1000 * den / num rounded half up.
      long long n = static_cast<long long>(f) * 1000 * r.den;
      long long ms = (2 * n + r.num) / (2LL * r.num);
      EXPECT_EQ(FramesToMilliseconds(static_cast<FrameCount>(f), r), ms);
      EXPECT_NEAR(FramesToSeconds(static_cast<FrameCount>(f), r), static_cast<double>(n) / r.num / 1000.0,
                  1e-9 * (1 + static_cast<double>(f)));
    }
    // One real hour at each rate: 29.97 and 59.94 run slow by a thousandth.
    FrameCount hour = LabelToFrames("01:00:00:00", r);
    EXPECT_EQ(FramesToMilliseconds(hour, r), r.dropFrame      ? 3599996   // 107892 x 1001 / 30
                                             : r.den == 1001 ? 3603600  // 24 or 60 labels a second
                                                             : 3600000);
  }
}

// The milliseconds field of a label: each frame number gives the nearest millisecond of
// its share of the label clock, and reads back as the same frame number.
TEST(TimecodeAtEveryRate, FramesPairToMillisecondsAndBack) {
  for (int code : AllFrameRateCodes()) {
    FrameRate r = RateOf(code);
    SCOPED_TRACE(r.label());
    long num = code == 59 ? 60000 : r.countingRate(), den = code == 59 ? 1001 : 1;
    for (int ff = 0; ff < r.countingRate(); ++ff) {
      SCOPED_TRACE(ff);
      long ms = (2L * ff * 1000 * den + num) / (2 * num);
      std::string text = FramesToMillis(ff, r);
      EXPECT_EQ(text, ZeroPad(ms, 3));
      EXPECT_EQ(std::stoi(MillisToFrames(static_cast<int>(ms), r)), ff);
    }
  }
  // Exact halves round away from zero. At 59.94 a frame is 1001/60 ms, so frame 30 is
  // 500.5 ms: 501 (an earlier four-digit factor gave 500). At 15 fps 500 ms is frame 7.5:
  // 8 (float division gave 7).
  EXPECT_EQ(FramesToMillis(30, RateOf(59)), "501");
  EXPECT_EQ(MillisToFrames(500, RateOf(15)), "08");
  EXPECT_EQ(MillisToFrames(250, RateOf(30)), "08");
  EXPECT_EQ(MillisToFrames(125, RateOf(60)), "08");
}

}  // namespace
}  // namespace kipo
