#include "timing/bulk_cues.h"

#include <gtest/gtest.h>

#include "platform/text_util.h"
#include "platform/user_error.h"
#include "support/recording_prompter.h"

namespace kipo {
namespace {

const FrameRate kPal = *FrameRate::FromCode(25);

// Subtitles from (in, out) frame pairs at 25 fps; -1 leaves a cue not set.
SubtitleDocument Doc(std::vector<std::pair<Timecode, Timecode>> cues) {
  SubtitleDocument d;
  for (auto [in, out] : cues) {
    Subtitle s;
    s.text = "x";
    if (in >= 0) s.inCue = FramesToDigits(in, kPal);
    if (out >= 0) s.outCue = FramesToDigits(out, kPal);
    d.Append(s);
  }
  return d;
}

Timecode Out(const SubtitleDocument& d, std::size_t i) { return LabelToFrames(d.At(i).outCue, kPal); }

TEST(FixInvalidIntervals, FixesWhatTheCheckerReports) {
  HouseOptions house;
  house.defaultInterval = 4;
  house.invalidIntervalThreshold = 12;
  // Gaps 2, 7, 4, 13 and 12 (the threshold itself), then a next subtitle without in cue.
  SubtitleDocument d = Doc({{100, 200}, {202, 300}, {307, 400}, {404, 500}, {513, 600}, {612, 700}, {-1, 800}});
  test::RecordingPrompter p;
  std::size_t first = 99, count = 0;
  int fixed = FixInvalidIntervals(d, house, p, [&](std::size_t f, std::size_t c) { first = f, count = c; });
  EXPECT_EQ(fixed, 3);
  EXPECT_EQ(Out(d, 0), 198);  // gap 2 -> 4
  EXPECT_EQ(Out(d, 1), 303);  // gap 7 -> 4
  EXPECT_EQ(Out(d, 2), 400);  // gap 4 kept
  EXPECT_EQ(Out(d, 3), 500);  // gap 13: beyond the threshold, a real pause
  EXPECT_EQ(Out(d, 4), 608);  // gap 12 still counts as a mistimed interval
  EXPECT_EQ(Out(d, 5), 700);  // next has no in cue
  EXPECT_EQ(first, 0u);
  EXPECT_EQ(count, 5u);
  ASSERT_EQ(p.shown.size(), 1u);
  EXPECT_EQ(p.Last().title, "Fix invalid intervals");
  EXPECT_EQ(p.Last().text, "Kipo has fixed 3 invalid intervals");

  bool called = false;
  EXPECT_EQ(FixInvalidIntervals(d, house, p, [&](std::size_t, std::size_t) { called = true; }), 0);
  EXPECT_FALSE(called);
  EXPECT_EQ(p.Last().text, "No invalid intervals found");
}

TEST(FillBlankOutCues, FromTheNextInCueAndForTheLast) {
  HouseOptions house;
  house.defaultInterval = 4;
  house.defaultDuration = 50;
  {
    SCOPED_TRACE("gaps filled, last one from its in cue, with the message");
    SubtitleDocument d = Doc({{100, -1}, {200, 250}, {300, -1}, {-1, -1}, {500, -1}});
    test::RecordingPrompter p;
    EXPECT_EQ(FillBlankOutCues(d, house, p), 3);
    EXPECT_EQ(Out(d, 0), 196);
    EXPECT_TRUE(d.At(2).outCue.empty());  // the next has no in cue
    EXPECT_EQ(Out(d, 3), 496);            // a subtitle without in cue still gets one
    EXPECT_EQ(Out(d, 4), 550);
    EXPECT_EQ(p.Texts(), (std::vector<std::string>{
                             "The out cue of the last subtitle in the file did not contain a valid out cue.\n"
                             "This has been set to the in cue plus the default duration."}));
  }
  {
    SCOPED_TRACE("after deleting all cues nothing is filled and nothing is said");
    SubtitleDocument d = Doc({{100, 200}, {300, 400}});
    test::RecordingPrompter p;
    p.answers = {Answer::Yes};
    ASSERT_TRUE(DeleteAllCues(d, p));
    p.shown.clear();
    EXPECT_EQ(FillBlankOutCues(d, house, p), 0);
    EXPECT_TRUE(p.shown.empty());
    EXPECT_TRUE(d.At(1).outCue.empty());
  }
}

TEST(ScaleCues, FramesCountFixedMilliseconds) {
  // 01:00:00:00 stretched is 3 603 600 ms: 01:00:03 and 600 ms, 15 frames at 25 fps.
  EXPECT_EQ(ScaleCue("01000000", 1.001, kPal), "01000315");
  // Shrinking is not the exact inverse: 15 frames are 624.99 ms, and the result rounds.
  EXPECT_EQ(ScaleCue("01000315", 0.999, kPal), "01000001");
  // A frame is 41.666 ms whatever the rate: 12 frames = 499.992 ms, half a second.
  EXPECT_EQ(ScaleCue("00000012", 1.0, *FrameRate::FromCode(30)), "00000015");
  EXPECT_EQ(ScaleCue("", 1.001, kPal), "");
  SubtitleDocument d = Doc({{90000, -1}});
  EXPECT_EQ(ScaleCues(d, 1.001), 1);
  EXPECT_EQ(d.At(0).inCue, "01000315");
  EXPECT_TRUE(d.At(0).outCue.empty());
}

// Labels that drop-frame counting skips, and frame numbers past the rate, are never made.
TEST(ScaleCues, EveryResultIsALabelTheRateHas) {
  for (int code : {29, 30, 25, 50, 59}) {
    SCOPED_TRACE(code);
    const FrameRate rate = *FrameRate::FromCode(code);
    for (double factor : {1.001, 0.999}) {
      for (long s = 0; s < 3 * 3600; s += 7) {
        for (int f : {0, 1, 2, rate.countingRate() - 1}) {
          const CueDigits cue = ZeroPad(s / 3600, 2) + ZeroPad(s / 60 % 60, 2) + ZeroPad(s % 60, 2) + ZeroPad(f, 2);
          const CueDigits scaled = ScaleCue(cue, factor, rate);
          ASSERT_TRUE(IsValidCue(scaled, rate)) << cue << " -> " << scaled;
        }
      }
    }
  }
  // 00:00:59:23 stretched at 29.97 lands on frame 01 of minute 1, a label that is skipped.
  EXPECT_EQ(ScaleCue("00005923", 1.001, *FrameRate::FromCode(29)), "00010002");
}

// Overlapping subtitles: moving the out cue before the next in cue can put it before its
// own in cue, and the message says so.
TEST(FixInvalidIntervals, ReportsNegativeDurations) {
  HouseOptions house;
  house.defaultInterval = 4;
  house.invalidIntervalThreshold = 12;
  SubtitleDocument d = Doc({{100, 300}, {102, 400}, {401, 500}, {450, 600}});
  test::RecordingPrompter p;
  EXPECT_EQ(FixInvalidIntervals(d, house, p), 3);
  EXPECT_EQ(Out(d, 0), 98);
  EXPECT_EQ(Out(d, 1), 397);
  EXPECT_EQ(Out(d, 2), 446);
  EXPECT_EQ(p.Last().text,
            "Kipo has fixed 3 invalid intervals\n1 subtitle now ends before it starts (a negative duration); check the "
            "timing of subtitle 0001");
}

TEST(OffsetCues, LaterOnlyAndNeverBeforeZero) {
  SubtitleDocument d = Doc({{100, 200}, {300, -1}, {400, 500}});
  EXPECT_EQ(OffsetCues(d, 1, -350), 3);
  EXPECT_EQ(Out(d, 0), 200);                 // before the start: untouched
  EXPECT_EQ(d.At(1).inCue, "00000000");      // would be -50
  EXPECT_TRUE(d.At(1).outCue.empty());       // not set stays not set
  EXPECT_EQ(LabelToFrames(d.At(2).inCue, kPal), 50);
  // Quick offset: the current subtitle starts at the video position.
  EXPECT_EQ(QuickOffset(d, 2, 1000), 2);
  EXPECT_EQ(LabelToFrames(d.At(2).inCue, kPal), 1000);
  EXPECT_EQ(Out(d, 2), 1100);
  // Without an in cue there is nothing to line up with the video; nothing moves.
  SubtitleDocument noIn = Doc({{-1, 100}, {200, 300}});
  bool recorded = false;
  EXPECT_THROW(QuickOffset(noIn, 0, 10, [&](std::size_t, std::size_t) { recorded = true; }), UserError);
  EXPECT_FALSE(recorded);
  EXPECT_EQ(Out(noIn, 0), 100);
}

TEST(DeleteCues, AskFirstAndNoChangesNothing) {
  struct Case {
    const char* title;
    const char* question;
    std::function<bool(SubtitleDocument&, Prompter&)> run;
    std::vector<bool> cleared;
  } cases[] = {
      {"Confirm cue delete", "Delete current in and out cue?",
       [](SubtitleDocument& d, Prompter& p) { return DeleteCurrentCues(d, 1, p); }, {false, true, false}},
      {"Confirm Delete Cues", "Delete time cues from this point forward?",
       [](SubtitleDocument& d, Prompter& p) { return DeleteCuesFromHere(d, 1, p); }, {false, true, true}},
      {"Confirm Delete All Cues", "Delete time cues for all subtitles?",
       [](SubtitleDocument& d, Prompter& p) { return DeleteAllCues(d, p); }, {true, true, true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    SubtitleDocument d = Doc({{100, 200}, {300, 400}, {500, 600}});
    const SubtitleDocument before = d;
    test::RecordingPrompter p;
    EXPECT_FALSE(c.run(d, p));
    EXPECT_EQ(d.Subtitles(), before.Subtitles());
    EXPECT_EQ(p.Last().title, c.title);
    EXPECT_EQ(p.Last().text, c.question);
    p.answers = {Answer::Yes};
    EXPECT_TRUE(c.run(d, p));
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(d.At(i).inCue.empty(), c.cleared[i]) << i;
      EXPECT_EQ(d.At(i).outCue.empty(), c.cleared[i]) << i;
      EXPECT_EQ(d.At(i).text, "x");
    }
  }
}

TEST(DeleteRange, RefusesBadNumbersAndAsksBeforeDeleting) {
  SubtitleDocument d = Doc({{100, 200}, {300, 400}, {500, 600}, {700, 800}});
  const SubtitleDocument before = d;
  test::RecordingPrompter p;
  bool recorded = false;
  auto hook = [&](std::size_t, std::size_t) { recorded = true; };
  {
    SCOPED_TRACE("refusals");
    EXPECT_EQ(DeleteRange(d, 2, 5, RangeAction::WholeSubtitles, p, hook), RangeOutcome::Refused);
    EXPECT_EQ(p.Last().text, "Current file only contains 4 subtitles");
    EXPECT_EQ(DeleteRange(d, 3, 2, RangeAction::WholeSubtitles, p, hook), RangeOutcome::Refused);
    EXPECT_EQ(p.Last().text, "The last subtitle to delete (2) comes before the first (3)");
    EXPECT_EQ(DeleteRange(d, 0, 2, RangeAction::TextOnly, p, hook), RangeOutcome::Refused);
    EXPECT_EQ(DeleteRange(d, 2, 3, RangeAction::CuesOnly, p, hook), RangeOutcome::Cancelled);
    EXPECT_EQ(p.Last().title, "Confirm Delete");
    EXPECT_EQ(p.Last().text, "Delete cues from selected subtitles?");
    EXPECT_EQ(p.Last().buttons, Buttons::OkCancel);
    EXPECT_FALSE(recorded);
    EXPECT_EQ(d.Subtitles(), before.Subtitles());
  }
  {
    SCOPED_TRACE("text only keeps cues");
    p.answers = {Answer::Ok};
    EXPECT_EQ(DeleteRange(d, 2, 3, RangeAction::TextOnly, p, hook), RangeOutcome::Deleted);
    EXPECT_EQ(p.Last().text, "Delete text from selected subtitles?");
    EXPECT_EQ(d.At(1).text, "");
    EXPECT_EQ(d.At(2).text, "");
    EXPECT_EQ(d.At(3).text, "x");
    EXPECT_EQ(d.At(1).inCue, before.At(1).inCue);
  }
  {
    SCOPED_TRACE("whole subtitles renumber the rest");
    p.answers = {Answer::Ok};
    EXPECT_EQ(DeleteRange(d, 1, 2, RangeAction::WholeSubtitles, p), RangeOutcome::Deleted);
    EXPECT_EQ(p.Last().text, "Delete text and cues from selected subtitles?");
    ASSERT_EQ(d.Count(), 2u);
    EXPECT_EQ(d.At(0).inCue, before.At(2).inCue);
  }
}

}  // namespace
}  // namespace kipo
