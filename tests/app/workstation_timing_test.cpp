#include <gtest/gtest.h>

#include "support/timed_subtitle.h"

#include "app/workstation.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

using test::kPal;
constexpr auto Sub = test::TimedSub;

struct Bench {
  SettingsStore settings;
  test::RecordingPrompter prompter;
  Workstation ws{settings, prompter};
  explicit Bench(std::vector<Subtitle> subs) {
    SubtitleDocument d;
    for (auto& s : subs) d.Append(std::move(s));
    ws.session().ReplaceDocument(std::move(d));
  }
  std::string Label(Timecode f) const { return FramesToLabel(f, kPal); }
};

TEST(WorkstationTiming, LeavingASubtitleActsOnItsCues) {
  Bench b({Sub("First", 0, 10), Sub("Short", 100, 110), Sub("Long", 200, 500), Sub("Sing", 600, 605)});
  auto& ws = b.ws;
  {
    SCOPED_TRACE("subtitle 1 may be short");
    EXPECT_TRUE(ws.timing().MoveTo(1));
    EXPECT_EQ(ws.session().panels().warning, "");
  }
  {
    SCOPED_TRACE("Prevent asks; Cancel stays, OK goes");
    ws.session().house().durationTooShortPolicy = CueRulePolicy::Prevent;
    EXPECT_FALSE(ws.timing().MoveTo(2));
    EXPECT_EQ(ws.session().current(), 1u);
    EXPECT_EQ(b.prompter.Last().text, "Click OK or press Enter to ignore this warning.\nSubtitle 2: duration too short");
    EXPECT_EQ(b.prompter.Last().buttons, Buttons::OkCancel);
    b.prompter.answers.push_back(Answer::Ok);
    EXPECT_TRUE(ws.timing().MoveTo(2));
    EXPECT_EQ(ws.session().current(), 2u);
  }
  {
    SCOPED_TRACE("Warn shows the warning panel and goes");
    EXPECT_TRUE(ws.timing().MoveTo(3));
    EXPECT_EQ(ws.session().panels().warning, "Subtitle 3: duration too long ");
  }
  {
    SCOPED_TRACE("karaoke subtitles are never too short");
    ws.doc().SetKaraoke(3, 1, 0, 0);
    ws.session().SetWarning("");
    EXPECT_TRUE(ws.timing().MoveTo(0));
    EXPECT_EQ(ws.session().panels().warning, "");
  }
  {
    SCOPED_TRACE("an in cue with four digits typed is invalid; an empty one is not");
    ws.session().GoTo(1);
    ws.session().edit().inCue = "00:00";
    EXPECT_TRUE(ws.timing().LeaveCurrentSubtitle());
    EXPECT_EQ(ws.session().panels().warning, "In cue 2 is invalid ");
    ws.session().edit().inCue = "";
    ws.session().edit().outCue = "01";
    ws.timing().LeaveCurrentSubtitle();
    EXPECT_EQ(ws.session().panels().warning, "Out cue 2 is invalid ");
  }
}

TEST(WorkstationTiming, KeyboardMovesWriteTheCueAndTheLockedNeighbour) {
  Bench b({Sub("One", 0, 96), Sub("Two", 100, 200), Sub("Three", 204, 300)});
  auto& ws = b.ws;
  ws.session().house().lockCues = true;
  ws.session().GoTo(1);
  EXPECT_TRUE(ws.timing().MoveCueByKey(CueField::In, false, kShiftKey));
  EXPECT_EQ(ws.session().edit().inCue, b.Label(94));
  EXPECT_EQ(ws.doc().At(1).inCue, FramesToDigits(94, kPal));
  EXPECT_EQ(ws.doc().At(0).outCue, FramesToDigits(90, kPal));
  EXPECT_EQ(ws.session().edit().lastOut, b.Label(90));
  EXPECT_EQ(ws.session().edit().duration, "04:06");
  EXPECT_TRUE(ws.timing().MoveCueByKey(CueField::Out, true, 0));
  EXPECT_EQ(ws.doc().At(2).inCue, FramesToDigits(205, kPal));
  EXPECT_EQ(ws.session().edit().nextIn, b.Label(205));
  {
    SCOPED_TRACE("Prevent without LockCues discards the move and leaves the fields");
    ws.session().house().lockCues = false;
    ws.session().house().nextIntervalPolicy = CueRulePolicy::Prevent;
    std::string before = ws.session().edit().outCue;
    EXPECT_FALSE(ws.timing().MoveCueByKey(CueField::Out, true, 0));
    EXPECT_EQ(ws.session().edit().outCue, before);
  }
  {
    SCOPED_TRACE("Warn writes and says why");
    ws.session().house().nextIntervalPolicy = CueRulePolicy::Warn;
    EXPECT_TRUE(ws.timing().MoveCueByKey(CueField::Out, true, 0));
    EXPECT_EQ(ws.session().panels().warning, "Interval between current and next subtitle is less than 4 frames ");
    EXPECT_EQ(ws.doc().At(1).outCue, FramesToDigits(202, kPal));
  }
}

TEST(WorkstationTiming, RecalculationAndAutomaticCues) {
  Bench b({Sub("One", 0, 100), Sub(std::string(60, 'a'), -1, -1), Sub("", -1, -1), Sub("Next", 400, 450)});
  auto& ws = b.ws;
  ws.session().GoTo(1);
  {
    SCOPED_TRACE("entering the in cue field with Calculate in cue");
    ws.timing().EnterInCueField();
    EXPECT_EQ(ws.session().edit().inCue, "") << "switched off";
    ws.session().house().calcInCue = true;
    ws.timing().EnterInCueField();
    EXPECT_EQ(ws.session().edit().inCue, b.Label(104));
    EXPECT_EQ(ws.session().edit().outCue, b.Label(204)) << "the out cue was recalculated too";
  }
  {
    SCOPED_TRACE("the in cue from the out cue");
    ws.session().edit().outCue = b.Label(300);
    EXPECT_TRUE(ws.timing().RecalculateInCue());
    EXPECT_EQ(ws.doc().At(1).inCue, FramesToDigits(200, kPal));
  }
  {
    SCOPED_TRACE("entering the out cue field of an empty subtitle");
    ws.session().GoTo(2);
    ws.session().house().calcOutCue = true;
    ws.timing().EnterOutCueField();
    EXPECT_EQ(ws.session().edit().inCue, b.Label(304));
    EXPECT_EQ(ws.session().edit().outCue, b.Label(354));
    ws.session().edit().outCue = "";
    ws.session().house().defaultDuration = 100;
    ws.session().house().nextIntervalPolicy = CueRulePolicy::Prevent;
    ws.timing().EnterOutCueField();
    EXPECT_EQ(ws.session().edit().outCue, "") << "Prevent leaves it empty";
  }
  {
    SCOPED_TRACE("recalculation without the cues it needs explains why");
    Bench lone({Sub("Alone", -1, -1)});
    EXPECT_FALSE(lone.ws.timing().RecalculateOutCue());
    EXPECT_EQ(lone.prompter.Last().text,
              "You cannot recalculate a subtitle's out cue if it is does not have a valid in cue\n"
              "or if the previous subtitle does not have a valid out cue.");
    EXPECT_FALSE(lone.ws.timing().RecalculateInCue());
    EXPECT_EQ(lone.ws.doc().At(0), Sub("Alone", -1, -1));
  }
  {
    SCOPED_TRACE("a player position is written as a typed cue");
    ws.timing().SetCueFromPlayer(CueField::Out, 390);
    EXPECT_EQ(ws.doc().At(2).outCue, FramesToDigits(390, kPal));
  }
}

TEST(WorkstationTiming, CpsLabelsFollowTheEditArea) {
  Bench b({Sub(std::string(30, 'a'), 0, 40), Sub(std::string(30, 'a'), 100, 150), Sub("x", -1, -1)});
  b.ws.session().GoTo(1);
  EXPECT_EQ(b.ws.timing().CurrentCps(), (CpsLabel{"15 cps", std::nullopt}));
  EXPECT_EQ(b.ws.timing().LastCps(), (CpsLabel{"19 cps", kCpsTooFast}));
  EXPECT_EQ(b.ws.timing().NextCps(), (CpsLabel{"-", kCpsNeighbour}));
}

TEST(WorkstationTiming, SubtitleZeroDetectionFollowsItsSetting) {
  Bench b({Sub("Zero", 0, 8), Sub("One", 100, 150)});
  b.ws.timing().DetectSubtitleZero();
  EXPECT_FALSE(b.settings.Has("Options", "Subtitle zero")) << "off unless \"Auto zero-based\" is 1";
  b.settings.SetInt("Options", "Auto zero-based", 1);
  b.ws.timing().DetectSubtitleZero();
  EXPECT_TRUE(b.ws.timing().zeroButton());
  EXPECT_EQ(b.settings.Get("Options", "Subtitle zero", ""), "True");
  b.ws.doc().SetOutCue(0, "00000009");
  b.ws.timing().DetectSubtitleZero();
  EXPECT_EQ(b.settings.Get("Options", "Subtitle zero", ""), "False");
}

TEST(WorkstationTiming, RunAllChecksStopsAtEachFaultInTurn) {
  Bench b({Sub("Fine", 0, 50), Sub("<Open", 100, 150), Sub("Fine", 200, 250), Sub("Two\r\nThree\r\nFour", 300, 350)});
  auto& ws = b.ws;
  EXPECT_EQ(ws.timing().RunAllChecks(), 1u);
  EXPECT_EQ(ws.session().current(), 1u);
  EXPECT_EQ(ws.session().panels().warning, "Mismatched italics ");
  EXPECT_EQ(ws.timing().RunAllChecks(), 1u) << "the unfixed fault is found again";
  ws.session().house().startChecksAtNextSubtitle = true;
  EXPECT_EQ(ws.timing().RunAllChecks(), 3u);
  EXPECT_EQ(ws.session().panels().warning, "Subtitle contains 3 lines ");
  EXPECT_EQ(ws.timing().RunAllChecks(), std::nullopt);
  EXPECT_EQ(b.prompter.Last().title, "Subtitle Check");
  EXPECT_EQ(b.prompter.Last().text, "Check completed");
  EXPECT_EQ(ws.session().panels().warning, "");
}

TEST(WorkstationTiming, ReportsAndSavedList) {
  test::TempHome home;
  Bench b({Sub("<Open", 0, 50)});
  b.prompter.files.push_back(FileChoice{(home / "errors.txt").string(), 1});
  EXPECT_TRUE(b.ws.timing().SaveErrorList());
  EXPECT_EQ(b.prompter.dialogs.back().title, "Save Error List");
  std::string saved = test::ReadFile(home / "errors.txt");
  EXPECT_NE(saved.find("\r\n0001     Mismatched italics\r\n"), std::string::npos) << saved;
  EXPECT_FALSE(b.ws.timing().SaveErrorList()) << "cancelled";
  std::string stats = b.ws.timing().StatisticsReport();
  EXPECT_EQ(stats.substr(0, 14), "Subtitles\r\n1\r\n");
  ASSERT_GE(b.prompter.statuses.size(), 1u);
  EXPECT_EQ(b.prompter.statuses.front(), "Preparing stats. Please wait...");
}

}  // namespace
}  // namespace kipo

namespace kipo {
namespace {

// Every combination of held modifiers: the step is 1 + 5 x (Shift 1 + Ctrl 2 + Alt 4), in
// both directions, so Ctrl is not Shift and Ctrl+Shift is not Alt.
TEST(WorkstationTiming, CueKeysWeighTheirModifiers) {
  struct Case {
    bool shift, ctrl, alt;
    Timecode step;
  };
  const Case cases[] = {{false, false, false, 1}, {true, false, false, 6},  {false, true, false, 11},
                        {true, true, false, 16},  {false, false, true, 21}, {true, false, true, 26},
                        {false, true, true, 31},  {true, true, true, 36}};
  for (const Case& c : cases) {
    for (bool later : {true, false}) {
      SCOPED_TRACE(::testing::Message() << "shift " << c.shift << " ctrl " << c.ctrl << " alt " << c.alt
                                        << (later ? " up" : " down"));
      Bench b({Sub("Before", 0, 50), Sub("Moved", 500, 700), Sub("After", 1200, 1300)});
      b.ws.session().GoTo(1);
      const int held = CueKeyModifiers(c.shift, c.ctrl, c.alt);
      ASSERT_TRUE(b.ws.timing().MoveCueByKey(CueField::In, later, held));
      ASSERT_TRUE(b.ws.timing().MoveCueByKey(CueField::Out, later, held));
      const Timecode delta = later ? c.step : -c.step;
      EXPECT_EQ(b.ws.doc().At(1).inCue, FramesToDigits(500 + delta, kPal));
      EXPECT_EQ(b.ws.doc().At(1).outCue, FramesToDigits(700 + delta, kPal));
    }
  }
}

}  // namespace
}  // namespace kipo
