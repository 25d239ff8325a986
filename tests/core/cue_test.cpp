#include "core/cue.h"

#include <gtest/gtest.h>

#include <sstream>

#include "core/document.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

FrameRate RateOf(int code) { return *FrameRate::FromCode(code); }

TEST(Cue, OnlyEightDigitsCountAsSetAndTheTextIsKeptAsGiven) {
  struct Row {
    const char* text;
    bool set;
  } rows[] = {{"", false},         {"01020304", true},   {"0102030", false}, {"010203040", false},
              {"01:02:03", false}, {"0102030x", false},  {"99595924", true}, {" 1020304", false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    Cue c(row.text);
    EXPECT_EQ(c.IsSet(), row.set);
    EXPECT_EQ(c.digits(), row.text);  // kept byte for byte, set or not
    EXPECT_EQ(c, Cue(std::string(row.text)));
    EXPECT_EQ(c.empty(), *row.text == 0);
  }
  EXPECT_NE(Cue("01020304"), Cue("01020305"));
  EXPECT_FALSE(Cue().IsSet());
  EXPECT_EQ(Cue().Label(), "--:--:--:--");
  EXPECT_EQ(Cue("01020304").Label(":", ";"), "01:02:03;04");
  std::ostringstream os;
  os << Cue("01020304");
  EXPECT_EQ(os.str(), "\"01020304\"");
}

TEST(Cue, FramesAndBackAtEveryRate) {
  for (int code : AllFrameRateCodes()) {
    FrameRate r = RateOf(code);
    SCOPED_TRACE(r.label());
    for (FrameCount f : {0, 1, 1799, 1800, 17982, 107892, 359999, LastCueFrame(r) - 1, LastCueFrame(r)}) {
      SCOPED_TRACE(f);
      Cue c = Cue::FromFrames(f, r);
      ASSERT_TRUE(c.IsSet());
      EXPECT_EQ(c.ToFrames(r), f);
      EXPECT_EQ(c.Label(), FramesToLabel(f, r));
    }
    // The last cue is the last frame of 99:59:59 at the counting rate.
    EXPECT_EQ(Cue::FromFrames(LastCueFrame(r), r).digits(), "995959" + std::to_string(r.countingRate() - 1));
  }
}

// Labels stop at two digits of hours. Making a cue of 100 hours or more is refused with a
// message naming the label; the display form alone grows.
TEST(Cue, OneHundredHoursIsRefusedWhereACueIsMade) {
  for (int code : AllFrameRateCodes()) {
    FrameRate r = RateOf(code);
    SCOPED_TRACE(r.label());
    FrameCount past = LastCueFrame(r) + 1;
    EXPECT_EQ(FramesToLabel(past, r), "100:00:00:00");
    for (FrameCount f : {past, past + 12345, FrameCount{2147483647}}) {
      SCOPED_TRACE(f);
      try {
        Cue::FromFrames(f, r);
        ADD_FAILURE() << "no error";
      } catch (const UserError& e) {
        EXPECT_EQ(e.title(), "Timecode out of range");
        EXPECT_EQ(e.text().rfind(FramesToLabel(f, r) + " is past 99:59:59:", 0), 0u) << e.text();
      }
      EXPECT_THROW(FramesToDigits(f, r), UserError);
    }
  }
  EXPECT_THROW(FramesToDigits(100 * 3600 * 24, RateOf(25), true), UserError);
  EXPECT_EQ(FramesToDigits(100 * 3600 * 24 - 1, RateOf(25), true), "99595923");
}

// The document's cue setters and the call sites' habits: assignment from digits, from a
// conversion, comparison with text.
TEST(Cue, SubtitleCuesTakeDigitsAndCompareWithText) {
  SubtitleDocument d;
  Subtitle s;
  s.inCue = "00000100";
  s.outCue = FramesToDigits(50, d.frameRate());
  d.Append(s);
  EXPECT_EQ(d.At(0).inCue, "00000100");
  EXPECT_EQ(d.At(0).outCue, Cue("00000200"));
  d.SetOutCue(0, Cue());
  EXPECT_FALSE(d.At(0).outCue.IsSet());
  EXPECT_TRUE(d.modified);
  EXPECT_EQ(LabelToFrames(d.At(0).inCue, d.frameRate()), 25);
}

}  // namespace
}  // namespace kipo
