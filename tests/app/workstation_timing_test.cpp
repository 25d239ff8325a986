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
    ws.ReplaceDocument(std::move(d));
  }
  std::string Label(Timecode f) const { return FramesToLabel(f, kPal); }
};

TEST(WorkstationTiming, LeavingASubtitleActsOnItsCues) {
  Bench b({Sub("First", 0, 10), Sub("Short", 100, 110), Sub("Long", 200, 500), Sub("Sing", 600, 605)});
  auto& ws = b.ws;
  {
    SCOPED_TRACE("subtitle 1 may be short");
    EXPECT_TRUE(ws.MoveTo(1));
    EXPECT_EQ(ws.panels().warning, "");
  }
  {
    SCOPED_TRACE("Prevent asks; Cancel stays, OK goes");
    ws.house().durationTooShortPolicy = CueRulePolicy::Prevent;
    EXPECT_FALSE(ws.MoveTo(2));
    EXPECT_EQ(ws.current(), 1u);
    EXPECT_EQ(b.prompter.Last().text, "Click OK or press Enter to ignore this warning.\nSubtitle 2: duration too short");
    EXPECT_EQ(b.prompter.Last().buttons, Buttons::OkCancel);
    b.prompter.answers.push_back(Answer::Ok);
    EXPECT_TRUE(ws.MoveTo(2));
    EXPECT_EQ(ws.current(), 2u);
  }
  {
    SCOPED_TRACE("Warn shows the warning panel and goes");
    EXPECT_TRUE(ws.MoveTo(3));
    EXPECT_EQ(ws.panels().warning, "Subtitle 3: duration too long ");
  }
  {
    SCOPED_TRACE("karaoke subtitles are never too short");
    ws.doc().SetKaraoke(3, 1, 0, 0);
    ws.SetWarning("");
    EXPECT_TRUE(ws.MoveTo(0));
    EXPECT_EQ(ws.panels().warning, "");
  }
  {
    SCOPED_TRACE("an in cue with four digits typed is invalid; an empty one is not");
    ws.GoTo(1);
    ws.edit().inCue = "00:00";
    EXPECT_TRUE(ws.LeaveCurrentSubtitle());
    EXPECT_EQ(ws.panels().warning, "In cue 2 is invalid ");
    ws.edit().inCue = "";
    ws.edit().outCue = "01";
    ws.LeaveCurrentSubtitle();
    EXPECT_EQ(ws.panels().warning, "Out cue 2 is invalid ");
  }
}

TEST(WorkstationTiming, KeyboardMovesWriteTheCueAndTheLockedNeighbour) {
  Bench b({Sub("One", 0, 96), Sub("Two", 100, 200), Sub("Three", 204, 300)});
  auto& ws = b.ws;
  ws.house().lockCues = true;
  ws.GoTo(1);
  EXPECT_TRUE(ws.MoveCueByKey(CueField::In, false, kShiftKey));
  EXPECT_EQ(ws.edit().inCue, b.Label(94));
  EXPECT_EQ(ws.doc().At(1).inCue, FramesToDigits(94, kPal));
  EXPECT_EQ(ws.doc().At(0).outCue, FramesToDigits(90, kPal));
  EXPECT_EQ(ws.edit().lastOut, b.Label(90));
  EXPECT_EQ(ws.edit().duration, "04:06");
  EXPECT_TRUE(ws.MoveCueByKey(CueField::Out, true, 0));
  EXPECT_EQ(ws.doc().At(2).inCue, FramesToDigits(205, kPal));
  EXPECT_EQ(ws.edit().nextIn, b.Label(205));
  {
    SCOPED_TRACE("Prevent without LockCues discards the move and leaves the fields");
    ws.house().lockCues = false;
    ws.house().nextIntervalPolicy = CueRulePolicy::Prevent;
    std::string before = ws.edit().outCue;
    EXPECT_FALSE(ws.MoveCueByKey(CueField::Out, true, 0));
    EXPECT_EQ(ws.edit().outCue, before);
  }
  {
    SCOPED_TRACE("Warn writes and says why");
    ws.house().nextIntervalPolicy = CueRulePolicy::Warn;
    EXPECT_TRUE(ws.MoveCueByKey(CueField::Out, true, 0));
    EXPECT_EQ(ws.panels().warning, "Interval between current and next subtitle is less than 4 frames ");
    EXPECT_EQ(ws.doc().At(1).outCue, FramesToDigits(202, kPal));
  }
}

TEST(WorkstationTiming, RecalculationAndAutomaticCues) {
  Bench b({Sub("One", 0, 100), Sub(std::string(60, 'a'), -1, -1), Sub("", -1, -1), Sub("Next", 400, 450)});
  auto& ws = b.ws;
  ws.GoTo(1);
  {
    SCOPED_TRACE("entering the in cue field with Calculate in cue");
    ws.EnterInCueField();
    EXPECT_EQ(ws.edit().inCue, "") << "switched off";
    ws.house().calcInCue = true;
    ws.EnterInCueField();
    EXPECT_EQ(ws.edit().inCue, b.Label(104));
    EXPECT_EQ(ws.edit().outCue, b.Label(204)) << "the out cue was recalculated too";
  }
  {
    SCOPED_TRACE("the in cue from the out cue");
    ws.edit().outCue = b.Label(300);
    EXPECT_TRUE(ws.RecalculateInCue());
    EXPECT_EQ(ws.doc().At(1).inCue, FramesToDigits(200, kPal));
  }
  {
    SCOPED_TRACE("entering the out cue field of an empty subtitle");
    ws.GoTo(2);
    ws.house().calcOutCue = true;
    ws.EnterOutCueField();
    EXPECT_EQ(ws.edit().inCue, b.Label(304));
    EXPECT_EQ(ws.edit().outCue, b.Label(354));
    ws.edit().outCue = "";
    ws.house().defaultDuration = 100;
    ws.house().nextIntervalPolicy = CueRulePolicy::Prevent;
    ws.EnterOutCueField();
    EXPECT_EQ(ws.edit().outCue, "") << "Prevent leaves it empty";
  }
  {
    SCOPED_TRACE("recalculation without the cues it needs explains why");
    Bench lone({Sub("Alone", -1, -1)});
    EXPECT_FALSE(lone.ws.RecalculateOutCue());
    EXPECT_EQ(lone.prompter.Last().text,
              "You cannot recalculate a subtitle's out cue if it is does not have a valid in cue\n"
              "or if the previous subtitle does not have a valid out cue.");
    EXPECT_FALSE(lone.ws.RecalculateInCue());
    EXPECT_EQ(lone.ws.doc().At(0), Sub("Alone", -1, -1));
  }
  {
    SCOPED_TRACE("a player position is written as a typed cue");
    ws.SetCueFromPlayer(CueField::Out, 390);
    EXPECT_EQ(ws.doc().At(2).outCue, FramesToDigits(390, kPal));
  }
}

TEST(WorkstationTiming, CpsLabelsFollowTheEditArea) {
  Bench b({Sub(std::string(30, 'a'), 0, 40), Sub(std::string(30, 'a'), 100, 150), Sub("x", -1, -1)});
  b.ws.GoTo(1);
  EXPECT_EQ(b.ws.CurrentCps(), (CpsLabel{"15 cps", std::nullopt}));
  EXPECT_EQ(b.ws.LastCps(), (CpsLabel{"19 cps", kCpsTooFast}));
  EXPECT_EQ(b.ws.NextCps(), (CpsLabel{"-", kCpsNeighbour}));
}

TEST(WorkstationTiming, SubtitleZeroDetectionFollowsItsSetting) {
  Bench b({Sub("Zero", 0, 8), Sub("One", 100, 150)});
  b.ws.DetectSubtitleZero();
  EXPECT_FALSE(b.settings.Has("Options", "Subtitle zero")) << "off unless \"Auto zero-based\" is 1";
  b.settings.SetInt("Options", "Auto zero-based", 1);
  b.ws.DetectSubtitleZero();
  EXPECT_TRUE(b.ws.zeroButton);
  EXPECT_EQ(b.settings.Get("Options", "Subtitle zero", ""), "True");
  b.ws.doc().SetOutCue(0, "00000009");
  b.ws.DetectSubtitleZero();
  EXPECT_EQ(b.settings.Get("Options", "Subtitle zero", ""), "False");
}

TEST(WorkstationTiming, RunAllChecksStopsAtEachFaultInTurn) {
  Bench b({Sub("Fine", 0, 50), Sub("<Open", 100, 150), Sub("Fine", 200, 250), Sub("Two\r\nThree\r\nFour", 300, 350)});
  auto& ws = b.ws;
  EXPECT_EQ(ws.RunAllChecks(), 1u);
  EXPECT_EQ(ws.current(), 1u);
  EXPECT_EQ(ws.panels().warning, "Mismatched italics ");
  EXPECT_EQ(ws.RunAllChecks(), 1u) << "the unfixed fault is found again";
  ws.house().startChecksAtNextSubtitle = true;
  EXPECT_EQ(ws.RunAllChecks(), 3u);
  EXPECT_EQ(ws.panels().warning, "Subtitle contains 3 lines ");
  EXPECT_EQ(ws.RunAllChecks(), std::nullopt);
  EXPECT_EQ(b.prompter.Last().title, "Subtitle Check");
  EXPECT_EQ(b.prompter.Last().text, "Check completed");
  EXPECT_EQ(ws.panels().warning, "");
}

TEST(WorkstationTiming, ReportsAndSavedList) {
  test::TempHome home;
  Bench b({Sub("<Open", 0, 50)});
  b.prompter.files.push_back(FileChoice{(home / "errors.txt").string(), 1});
  EXPECT_TRUE(b.ws.SaveErrorList());
  EXPECT_EQ(b.prompter.dialogs.back().title, "Save Error List");
  std::string saved = test::ReadFile(home / "errors.txt");
  EXPECT_NE(saved.find("\r\n0001     Mismatched italics\r\n"), std::string::npos) << saved;
  EXPECT_FALSE(b.ws.SaveErrorList()) << "cancelled";
  std::string stats = b.ws.StatisticsReport();
  EXPECT_EQ(stats.substr(0, 14), "Subtitles\r\n1\r\n");
  ASSERT_GE(b.prompter.statuses.size(), 1u);
  EXPECT_EQ(b.prompter.statuses.front(), "Preparing stats. Please wait...");
}

}  // namespace
}  // namespace kipo
