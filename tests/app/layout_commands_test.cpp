// The commands that change one subtitle's place and look, and the frame-rate commands:
// what each changes, that a command at its limit records nothing, and that one Undo
// takes each back whole.
#include "app/layout_commands.h"

#include <gtest/gtest.h>

#include <functional>

#include "app/workstation.h"
#include "settings/keys.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"
#include "support/timed_subtitle.h"

namespace kipo {
namespace {

struct Fixture {
  test::TempHome home;
  SettingsStore settings;
  test::RecordingPrompter prompter;
  Workstation ws{settings, prompter};

  explicit Fixture(std::vector<Subtitle> subs = {test::TimedSub("One\r\nTwo\r\nThree", 100, 150),
                                                 test::TimedSub("Next", 200, 250)}) {
    SubtitleDocument d;
    for (auto& s : subs) d.Append(std::move(s));
    d.modified = false;
    ws.session().ReplaceDocument(std::move(d));
  }
  const Subtitle& Current() const { return ws.doc().At(ws.session().current()); }
};

TEST(LayoutCommands, EachChangesItsFieldAndOneUndoTakesItBack) {
  struct Case {
    const char* name;
    std::function<bool(Workstation&)> run;
    std::function<bool(const Subtitle&)> changed;
  };
  const Case cases[] = {
      {"row up", [](Workstation& w) { return MoveCurrentRow(w, true); }, [](const Subtitle& s) { return s.row == 1; }},
      {"nudge left", [](Workstation& w) { return NudgeCurrent(w, 1); }, [](const Subtitle& s) { return s.shiftX == -1; }},
      {"nudge right", [](Workstation& w) { return NudgeCurrent(w, 2); }, [](const Subtitle& s) { return s.shiftX == 1; }},
      {"nudge up", [](Workstation& w) { return NudgeCurrent(w, 3); }, [](const Subtitle& s) { return s.shiftY == -1; }},
      {"nudge down", [](Workstation& w) { return NudgeCurrent(w, 4); }, [](const Subtitle& s) { return s.shiftY == 1; }},
      {"box style", [](Workstation& w) { return SetCurrentBoxStyle(w, BoxGhostStripeOutline); },
       [](const Subtitle& s) { return s.boxStyle == BoxGhostStripeOutline; }},
      {"row colours", [](Workstation& w) { return SetCurrentRowColours(w, {0, 3, 6}); },
       [](const Subtitle& s) { return s.rowColours == "03600000000"; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    const Subtitle before = f.Current();
    ASSERT_TRUE(c.run(f.ws));
    EXPECT_TRUE(c.changed(f.Current()));
    EXPECT_TRUE(f.ws.doc().modified);
    ASSERT_TRUE(f.ws.session().CanUndo());
    f.ws.session().Undo();
    EXPECT_EQ(f.Current(), before);
  }
}

TEST(LayoutCommands, RefusalsRecordNothing) {
  struct Case {
    const char* name;
    std::function<bool(Workstation&)> run;
  };
  const Case cases[] = {
      {"row down at the bottom", [](Workstation& w) { return MoveCurrentRow(w, false); }},
      {"no such nudge", [](Workstation& w) { return NudgeCurrent(w, 5); }},
      {"style outside the six", [](Workstation& w) { return SetCurrentBoxStyle(w, 134); }},
      {"the style it has", [](Workstation& w) { return SetCurrentBoxStyle(w, BoxNone); }},
      {"colour of a fourth row", [](Workstation& w) { return SetCurrentRowColours(w, {1, 1, 1, 1}); }},
      {"colour 8", [](Workstation& w) { return SetCurrentRowColours(w, {8}); }},
      {"the colours it has", [](Workstation& w) { return SetCurrentRowColours(w, {0, 0}); }},
      {"no row colours to convert", [](Workstation& w) { return ConvertCurrentRowColours(w); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    const SubtitleDocument before = f.ws.doc();
    EXPECT_FALSE(c.run(f.ws));
    EXPECT_EQ(f.ws.doc().Subtitles(), before.Subtitles());
    EXPECT_FALSE(f.ws.doc().modified);
    EXPECT_FALSE(f.ws.session().CanUndo());
  }
  Fixture empty(std::vector<Subtitle>{});
  EXPECT_FALSE(MoveCurrentRow(empty.ws, true));
  EXPECT_FALSE(NudgeCurrent(empty.ws, 1));
  EXPECT_EQ(CurrentRowLabel(empty.ws), "");
}

TEST(LayoutCommands, RowStopsWhereTheScreenEnds) {
  // Three rows on a screen of eleven: the lowest row can climb to row 8 and no further.
  Fixture f;
  int moves = 0;
  while (MoveCurrentRow(f.ws, true)) ++moves;
  EXPECT_EQ(moves, 8);
  EXPECT_EQ(CurrentRowLabel(f.ws), "R08");
  // A house rule of four screen rows leaves one step.
  Fixture g;
  g.ws.session().house().screenRows = 4;
  EXPECT_TRUE(MoveCurrentRow(g.ws, true));
  EXPECT_FALSE(MoveCurrentRow(g.ws, true));
  EXPECT_EQ(CurrentRowLabel(g.ws), "R01");
}

TEST(LayoutCommands, NudgeStopsAtTheEndsOfItsRange) {
  Subtitle s = test::TimedSub("Far left", 0, 50);
  s.shiftX = INT16_MIN;
  s.shiftY = INT16_MAX;
  Fixture f({s});
  EXPECT_FALSE(NudgeCurrent(f.ws, 1));
  EXPECT_FALSE(NudgeCurrent(f.ws, 4));
  EXPECT_TRUE(NudgeCurrent(f.ws, 2));
  EXPECT_EQ(f.Current().shiftX, INT16_MIN + 1);
}

TEST(LayoutCommands, RowColoursBecomeColourCodes) {
  Fixture f;
  ASSERT_TRUE(SetCurrentRowColours(f.ws, {1, 0, 2}));
  ASSERT_TRUE(ConvertCurrentRowColours(f.ws));
  EXPECT_EQ(f.Current().text, "\x01One\r\nTwo\r\n\x02Three");
  EXPECT_EQ(f.Current().rowColours, kNoFlags);
  EXPECT_EQ(f.ws.session().panels().status, "Flags converted");
}

TEST(LayoutCommands, TypedTextIsKeptBeforeTheChange) {
  Fixture f;
  f.ws.session().edit().text = "Typed\r\nbut not yet\r\ncommitted";
  ASSERT_TRUE(SetCurrentBoxStyle(f.ws, BoxStripeOutline));
  EXPECT_EQ(f.Current().text, "Typed\r\nbut not yet\r\ncommitted");
}

// Detection asks over the cues and relabels only when the user takes the offered rate.
TEST(FrameRateCommands, DetectionOffersTheRateTheCuesImply) {
  struct Case {
    const char* name;
    int startCode;
    std::vector<std::string> cues;  // in, out pairs
    Answer answer;
    int endCode;
    std::string lastMessage;
  };
  const Case cases[] = {
      {"NTSC frames at PAL, taken", 25, {"00000128", "00000229"}, Answer::Yes, 29,
       "This appears to be an NTSC drop frame file.\nWould you like to set the frame rate to NTSC DF?"},
      {"a whole minute at frame 00 cannot be drop frame", 25, {"00010000", "00010129"}, Answer::Yes, 30,
       "This appears to be an NTSC non-drop file.\nWould you like to set the frame rate to NTSC NDF?"},
      {"PAL frames at NTSC, declined", 30, {"00000110", "00000220"}, Answer::No, 30,
       "This appears to be a PAL file.\nWould you like to set the frame rate to PAL?"},
      {"already PAL: nothing asked", 25, {"00000110", "00000220"}, Answer::Yes, 25, ""},
      {"no cues", 25, {"", ""}, Answer::Yes, 25,
       "Cannot auto-detect frame rate.\nThe file does not appear to contain valid in and out cues."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Subtitle s;
    s.text = "Cue";
    s.inCue = c.cues[0];
    s.outCue = c.cues[1];
    Fixture f({s});
    f.ws.session().SetFrameRate(c.startCode);
    f.ws.doc().modified = false;
    f.prompter.answers = {c.answer};
    DetectDocumentFrameRate(f.ws);
    EXPECT_EQ(f.ws.doc().frameRate().code, c.endCode);
    EXPECT_EQ(f.prompter.shown.empty() ? "" : f.prompter.Last().text, c.lastMessage);
    EXPECT_EQ(f.ws.doc().At(0).inCue, c.cues[0]) << "cues are labels: never rewritten";
    EXPECT_EQ(f.ws.doc().modified, c.endCode != c.startCode);
    EXPECT_EQ(f.ws.session().CanUndo(), c.endCode != c.startCode);
    if (c.endCode != c.startCode) {
      f.ws.session().Undo();
      EXPECT_EQ(f.ws.doc().frameRate().code, c.startCode) << "one undo takes the rate back";
    }
  }
}

TEST(FrameRateCommands, RelabellingKeepsTheLabelsAndCountsOtherFrames) {
  Fixture f({test::TimedSub("One second in", 25, 50)});
  ASSERT_TRUE(RelabelFrameRate(f.ws, 30));
  EXPECT_EQ(f.ws.doc().At(0).inCue, "00000100");
  EXPECT_EQ(LabelToFrames(f.ws.doc().At(0).inCue, f.ws.doc().frameRate()), 30);
  EXPECT_FALSE(RelabelFrameRate(f.ws, 30));
}

TEST(SubtitleZero, DetectedWhenAStartUpOrOpenedDocumentStartsWithOne) {
  for (bool zero : {true, false}) {
    SCOPED_TRACE(zero ? "zero" : "no zero");
    Fixture f;
    f.settings.Set(keys::kAutoZeroBased, 1L);
    f.settings.Set(keys::kSubtitleZero, !zero);
    SubtitleDocument d;
    d.Append(test::TimedSub("", 0, zero ? 8 : 9));
    d.Append(test::TimedSub("First", 50, 100));
    // Whatever loaded the document, the workstation's loaded step looks at its head.
    f.ws.session().ReplaceDocument(std::move(d));
    f.ws.text().AutoCleanAfterOpen();
    EXPECT_EQ(f.settings.Get(keys::kSubtitleZero), zero);
    EXPECT_EQ(f.ws.timing().zeroButton(), zero);
  }
  // Detection is off unless "Auto zero-based" is 1: the stored state stays.
  Fixture off;
  off.settings.Set(keys::kSubtitleZero, true);
  off.ws.text().AutoCleanAfterOpen();
  EXPECT_TRUE(off.settings.Get(keys::kSubtitleZero));
}

}  // namespace
}  // namespace kipo
