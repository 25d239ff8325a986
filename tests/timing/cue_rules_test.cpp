#include "timing/cue_rules.h"

#include <gtest/gtest.h>

#include "platform/user_error.h"

namespace kipo {
namespace {

TimingParameters Params() {
  TimingParameters p;  // 15 cps, min 25, max 175, interval 4, default 50, 25 fps
  return p;
}

std::string TextOf(int n) { return std::string(static_cast<std::size_t>(n), 'a'); }

TEST(Recalculate, OutCueFromReadingDurationKeptBeforeTheNextSubtitle) {
  TimingParameters p = Params();
  EditCues c;
  {
    SCOPED_TRACE("no in cue and no previous out cue");
    try {
      RecalculateOutCue(c, "text", p);
      FAIL();
    } catch (const UserError& e) {
      EXPECT_EQ(e.title(), "Kipo");
      EXPECT_EQ(e.text(), kCannotRecalculateOut);
    }
  }
  {
    SCOPED_TRACE("an empty in cue starts the default interval after the previous out");
    c.lastOut = 100;
    auto r = RecalculateOutCue(c, TextOf(60), p);  // 60 chars: 100 frames
    EXPECT_EQ(r.in, 104);
    EXPECT_EQ(r.out, 204);
  }
  {
    SCOPED_TRACE("the last subtitle is never limited");
    c.in = 1000;
    c.inFieldEmpty = false;
    EXPECT_EQ(RecalculateOutCue(c, TextOf(60), p).out, 1100);
  }
  {
    SCOPED_TRACE("limited to the next in cue less the interval");
    c.nextIn = 1050;
    EXPECT_EQ(RecalculateOutCue(c, TextOf(60), p).out, 1046);
    EXPECT_EQ(RecalculateOutCue(c, TextOf(6), p).out, 1025);  // the minimum duration
  }
  {
    SCOPED_TRACE("some digits typed but not all: no in cue to start from");
    EditCues partial;
    partial.lastOut = 100;
    partial.inFieldEmpty = false;
    EXPECT_THROW(RecalculateOutCue(partial, "x", p), UserError);
  }
}

TEST(Recalculate, InCueKeptAfterThePreviousSubtitle) {
  TimingParameters p = Params();
  EditCues c;
  try {
    RecalculateInCue(c, "text", p);
    FAIL();
  } catch (const UserError& e) {
    EXPECT_EQ(e.text(), "You cannot recalculate a subtitle's in cue if it does not have a valid out cue.");
  }
  c.out = 30;
  EXPECT_EQ(RecalculateInCue(c, TextOf(60), p), 9) << "the first subtitle counts its previous out as 5";
  c.out = 500;
  EXPECT_EQ(RecalculateInCue(c, TextOf(60), p), 400);
  c.lastOut = 420;
  EXPECT_EQ(RecalculateInCue(c, TextOf(60), p), 424);
  c.lastOut = 600;  // after the out cue: the in cue follows the rule and passes the out cue
  EXPECT_EQ(RecalculateInCue(c, TextOf(60), p), 604);
}

TEST(CheckCurrentCues, CodesOnLeavingASubtitle) {
  TimingParameters p = Params();
  FrameRate r = *FrameRate::FromCode(25);
  EXPECT_EQ(CheckCurrentCues("00:00", "", 0, r, p), kLeaveInIncomplete);
  EXPECT_EQ(CheckCurrentCues("", "", 0, r, p), kLeaveOk);
  EXPECT_EQ(CheckCurrentCues("00:00:01:00", "00:0", 0, r, p), kLeaveOutIncomplete);
  EXPECT_EQ(CheckCurrentCues("00:00:01:00", "00:00:01:24", 0, r, p), kLeaveTooShort);
  EXPECT_EQ(CheckCurrentCues("00:00:01:00", "00:00:02:00", 0, r, p), kLeaveOk);
  EXPECT_EQ(CheckCurrentCues("00:00:01:00", "00:00:01:24", 3, r, p), kLeaveOk) << "karaoke";
  EXPECT_EQ(CheckCurrentCues("00:00:01:00", "00:00:08:00", 0, r, p), kLeaveOk);
  EXPECT_EQ(CheckCurrentCues("00:00:01:00", "00:00:08:01", 0, r, p), kLeaveTooLong);
  EXPECT_EQ(CheckCurrentCues("00:00:01:00", "", 0, r, p), kLeaveOk);
}

HouseOptions Policies(CueRulePolicy all, bool lock = false) {
  HouseOptions h;
  h.durationTooShortPolicy = h.durationTooLongPolicy = h.lastIntervalPolicy = h.nextIntervalPolicy = all;
  h.lockCues = lock;
  return h;
}

TEST(MoveCue, StepsGrowWithTheModifiers) {
  EXPECT_EQ(CueMoveStep(0), 1);
  EXPECT_EQ(CueMoveStep(kShiftKey), 6);
  EXPECT_EQ(CueMoveStep(kCtrlKey), 11);
  EXPECT_EQ(CueMoveStep(kCtrlKey | kShiftKey), 16);
}

TEST(MoveCue, PoliciesDecideRuleBreakingMoves) {
  TimingParameters p = Params();
  EditCues c;
  c.in = 100;
  c.out = 125;  // exactly the minimum duration
  c.lastOut = 96;
  c.nextIn = 129;
  struct Case {
    const char* name;
    CueField field;
    bool later;
    int step;
    std::string warning;
  };
  const Case cases[] = {
      {"in later: too short", CueField::In, true, 1, "Subtitle duration is less than 01:00"},
      {"in earlier: into the last interval", CueField::In, false, 1,
       "Interval between current and last subtitle is less than 4 frames"},
      {"out later: into the next interval", CueField::Out, true, 1,
       "Interval between current and next subtitle is less than 4 frames"},
      {"out earlier: too short", CueField::Out, false, 1, "Subtitle duration is less than 01:00"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    CueMove prevent = MoveCue(c, k.field, k.later, k.step, p, Policies(CueRulePolicy::Prevent));
    EXPECT_FALSE(prevent.applied);
    CueMove warn = MoveCue(c, k.field, k.later, k.step, p, Policies(CueRulePolicy::Warn));
    EXPECT_TRUE(warn.applied);
    EXPECT_EQ(warn.warning, k.warning);
    CueMove allow = MoveCue(c, k.field, k.later, k.step, p, Policies(CueRulePolicy::Allow));
    EXPECT_TRUE(allow.applied);
    EXPECT_EQ(allow.warning, "");
    EXPECT_EQ(allow.cue, (k.field == CueField::In ? 100 : 125) + (k.later ? 1 : -1));
    EXPECT_FALSE(allow.neighbour);
  }
  {
    SCOPED_TRACE("too long, both ways");
    EditCues l = c;
    l.out = 275;  // exactly the maximum duration
    l.nextIn = 1000;
    EXPECT_FALSE(MoveCue(l, CueField::Out, true, 1, p, Policies(CueRulePolicy::Prevent)).applied);
    EXPECT_EQ(MoveCue(l, CueField::In, false, 1, p, Policies(CueRulePolicy::Allow)).warning, "");
    l.lastOut = 0;
    EXPECT_EQ(MoveCue(l, CueField::In, false, 1, p, Policies(CueRulePolicy::Warn)).warning,
              "Subtitle duration is greater than 07:00");
  }
  {
    SCOPED_TRACE("Prevent keeps an in cue from the last interval only when the last out is set");
    EditCues first;
    first.in = 3;
    first.out = 100;
    EXPECT_TRUE(MoveCue(first, CueField::In, false, 1, p, Policies(CueRulePolicy::Prevent)).applied);
    EXPECT_EQ(MoveCue(first, CueField::In, false, 1, p, Policies(CueRulePolicy::Warn)).warning,
              "Interval between current and last subtitle is less than 4 frames");
    EXPECT_FALSE(MoveCue(first, CueField::In, false, 6, p, Policies(CueRulePolicy::Allow)).applied)
        << "before frame 0";
  }
  {
    SCOPED_TRACE("moves within the rules are written silently");
    EditCues free;
    free.in = 100;
    free.out = 150;
    free.lastOut = 50;
    free.nextIn = 300;
    CueMove m = MoveCue(free, CueField::Out, true, 16, p, Policies(CueRulePolicy::Prevent));
    EXPECT_TRUE(m.applied);
    EXPECT_EQ(m.cue, 166);
    EXPECT_EQ(m.warning, "");
  }
}

TEST(MoveCue, LockCuesMovesTheNeighbourAndKeepsTheGap) {
  TimingParameters p = Params();
  HouseOptions prevent = Policies(CueRulePolicy::Prevent, true);
  EditCues c;
  c.in = 100;
  c.out = 200;
  c.lastOut = 96;  // gap 4
  c.nextIn = 204;  // gap 4
  {
    SCOPED_TRACE("in cue earlier: the previous out cue follows, even under Prevent");
    CueMove m = MoveCue(c, CueField::In, false, 6, p, prevent);
    EXPECT_TRUE(m.applied);
    EXPECT_EQ(m.cue, 94);
    EXPECT_EQ(m.neighbour, 90);
  }
  {
    SCOPED_TRACE("in cue later while bound: the previous out follows");
    CueMove m = MoveCue(c, CueField::In, true, 1, p, prevent);
    EXPECT_EQ(m.neighbour, 97);
  }
  {
    SCOPED_TRACE("a gap below the interval is widened to it");
    EditCues tight = c;
    tight.lastOut = 98;  // gap 2
    EXPECT_EQ(MoveCue(tight, CueField::In, true, 1, p, prevent).neighbour, 97);
    EXPECT_EQ(MoveCue(tight, CueField::In, false, 1, p, prevent).neighbour, 95);
  }
  {
    SCOPED_TRACE("a wider gap is kept when the move would cross the interval");
    EditCues wide = c;
    wide.lastOut = 90;  // gap 10
    EXPECT_FALSE(MoveCue(wide, CueField::In, false, 1, p, prevent).neighbour);
    EXPECT_EQ(MoveCue(wide, CueField::In, false, 11, p, prevent).neighbour, 79);
    EXPECT_FALSE(MoveCue(wide, CueField::In, true, 1, p, prevent).neighbour) << "not bound";
  }
  {
    SCOPED_TRACE("out cue later and earlier: the next in cue follows");
    EXPECT_EQ(MoveCue(c, CueField::Out, true, 1, p, prevent).neighbour, 205);
    EXPECT_EQ(MoveCue(c, CueField::Out, false, 6, p, prevent).neighbour, 198);
    EditCues apart = c;
    apart.nextIn = 300;
    EXPECT_FALSE(MoveCue(apart, CueField::Out, false, 1, p, prevent).neighbour);
  }
  {
    SCOPED_TRACE("without LockCues the neighbour never moves");
    EXPECT_FALSE(MoveCue(c, CueField::In, true, 1, p, Policies(CueRulePolicy::Allow)).neighbour);
    EXPECT_FALSE(MoveCue(c, CueField::Out, true, 1, p, Policies(CueRulePolicy::Prevent)).applied);
  }
}

TEST(SubtitleZero, FirstSubtitleOfEightFramesAtTheStart) {
  SubtitleDocument d;
  EXPECT_FALSE(StartsWithSubtitleZero(d));
  Subtitle s;
  s.inCue = "00000000";
  s.outCue = "00000008";
  d.Append(s);
  EXPECT_TRUE(StartsWithSubtitleZero(d));
  d.SetOutCue(0, "00000009");
  EXPECT_FALSE(StartsWithSubtitleZero(d));
}

}  // namespace
}  // namespace kipo
