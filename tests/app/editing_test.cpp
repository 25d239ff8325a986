#include <gtest/gtest.h>

#include "app/workstation.h"
#include "platform/user_error.h"
#include "support/recording_prompter.h"

namespace kipo {
namespace {

const FrameRate kPal = *FrameRate::FromCode(25);

struct Bench {
  SettingsStore settings;
  test::RecordingPrompter prompter;
  Workstation ws{settings, prompter};

  // Subtitles "1".."n", each two seconds from 10 s on with a 4-frame gap.
  void Open(int n) {
    SubtitleDocument d;
    for (int i = 0; i < n; ++i) {
      Subtitle s;
      s.text = std::to_string(i + 1);
      s.inCue = FramesToDigits(250 + i * 54, kPal);
      s.outCue = FramesToDigits(300 + i * 54, kPal);
      d.Append(s);
    }
    ws.session().ReplaceDocument(std::move(d));
  }
  std::string Texts() const {
    std::string s;
    for (const auto& x : ws.doc().Subtitles()) s += x.text + ",";
    if (!s.empty()) s.pop_back();
    return s;
  }
};

TEST(Editing, InsertDeleteAndTheirUndo) {
  Bench b;
  b.Open(6);
  EXPECT_FALSE(b.ws.session().CanUndo());
  {
    SCOPED_TRACE("Insert on 5: the new one is 5 and current, the former 5 is 6");
    b.ws.session().GoTo(4);
    b.ws.doc().SetAlignment(4, AlignRight);
    b.ws.session().SetToolbar({b.ws.session().toolbar().alignment, true});
    b.ws.editing().Insert();
    EXPECT_EQ(b.Texts(), "1,2,3,4,,5,6");
    EXPECT_EQ(b.ws.session().current(), 4u);
    EXPECT_EQ(b.ws.doc().At(4).alignment, AlignRight);
    EXPECT_TRUE(b.ws.doc().At(4).italic);
    EXPECT_TRUE(b.ws.session().CanUndo());
    b.ws.session().Undo();
    EXPECT_EQ(b.Texts(), "1,2,3,4,5,6");
    EXPECT_FALSE(b.ws.session().CanUndo());
  }
  {
    SCOPED_TRACE("Insert After on 5: the new one is 6 and current, not italic");
    b.ws.editing().InsertAfter();
    EXPECT_EQ(b.Texts(), "1,2,3,4,5,,6");
    EXPECT_EQ(b.ws.session().current(), 5u);
    EXPECT_FALSE(b.ws.doc().At(5).italic);
    EXPECT_EQ(b.ws.doc().currentNumber(), 6);
    b.ws.session().Undo();
  }
  {
    SCOPED_TRACE("Delete records the new current subtitle, and one Undo takes back both");
    b.ws.session().GoTo(5);
    b.ws.editing().Delete();
    EXPECT_EQ(b.Texts(), "1,2,3,4,5");
    EXPECT_EQ(b.ws.session().current(), 4u);  // the last was deleted: one up
    EXPECT_EQ(b.ws.session().edit().text, "5");
    EXPECT_EQ(b.ws.session().undoHistory().Dump(),
              "Action: Initial state - Subtitle: 1 - Name: \r\n"
              "Action: Delete - Subtitle: 6 - Name: \r\n"
              "Action: Nothing - Subtitle: 6 - Name: \r\n"
              "Action: Subtitle - Subtitle: 5 - Name: TextBox\r\n"
              "Action: Nothing - Subtitle: 5 - Name: \r\n");
    b.ws.session().Undo();
    EXPECT_EQ(b.Texts(), "1,2,3,4,5,6");
    EXPECT_EQ(b.ws.session().current(), 5u);
    EXPECT_FALSE(b.ws.session().CanUndo());
  }
  {
    SCOPED_TRACE("deleting the only subtitle leaves an empty document at number 1");
    b.Open(1);
    b.ws.editing().Delete();
    EXPECT_EQ(b.ws.doc().Count(), 0u);
    EXPECT_EQ(b.ws.session().current(), 0u);
    b.ws.session().Undo();
    EXPECT_EQ(b.Texts(), "1");
  }
}

TEST(Editing, MergeUsesTheEditAreaAndTheSettings) {
  Bench b;
  b.Open(4);
  b.ws.session().GoTo(1);
  b.ws.doc().SetRow(1, 3);
  b.ws.doc().SetComment(2, "music");
  b.ws.session().edit().text = "Two...\r\nrows";  // typed, not yet committed
  b.ws.editing().MergeWithNext();
  EXPECT_EQ(b.Texts(), "1,Two \r\nrows\r\n3,4");
  EXPECT_EQ(b.ws.doc().At(1).row, 1);  // row 3 lowered by the two rows typed
  EXPECT_EQ(b.ws.doc().At(1).comment, "//music");
  EXPECT_EQ(b.ws.doc().At(1).outCue, FramesToDigits(300 + 2 * 54, kPal));
  b.ws.session().Undo();
  // The typed text was committed before the step: it stays, the merge goes.
  EXPECT_EQ(b.Texts(), "1,Two...\r\nrows,3,4");

  b.settings.SetCheck("Options", "Delete ellipses when merging", false);
  b.ws.session().GoTo(2);
  b.ws.editing().MergeWithPrevious();
  EXPECT_EQ(b.Texts(), "1,Two...\r\nrows\r\n3,4");
  EXPECT_EQ(b.ws.session().current(), 1u);
  {
    SCOPED_TRACE("no neighbour: nothing happens and nothing is recorded");
    b.ws.session().GoTo(0);
    b.ws.editing().MergeWithPrevious();
    b.ws.session().GoTo(2);
    b.ws.editing().MergeWithNext();
    EXPECT_EQ(b.Texts(), "1,Two...\r\nrows\r\n3,4");
    EXPECT_FALSE(b.ws.session().CanUndo());
  }
}

TEST(Editing, SplitCuesByReadingSpeed) {
  Bench b;
  b.Open(2);
  b.ws.session().GoTo(0);
  b.ws.session().edit().text = "Hello world, how are you?";
  b.ws.session().SetToolbar({AlignCentreLeft, true});
  {
    SCOPED_TRACE("11 letters at 15 cps: 18 frames; the second part follows after the interval");
    b.ws.editing().Split(13);
    EXPECT_EQ(b.Texts(), "Hello world,,how are you?,2");
    const Subtitle& first = b.ws.doc().At(0);
    const Subtitle& second = b.ws.doc().At(1);
    EXPECT_EQ(first.inCue, FramesToDigits(250, kPal));
    EXPECT_EQ(first.outCue, FramesToDigits(268, kPal));
    EXPECT_EQ(second.inCue, FramesToDigits(272, kPal));
    EXPECT_EQ(second.outCue, FramesToDigits(300, kPal));
    EXPECT_EQ(second.alignment, AlignCentreLeft);
    EXPECT_TRUE(second.italic);
    b.ws.session().Undo();
    EXPECT_EQ(b.Texts(), "Hello world, how are you?,2");
    EXPECT_EQ(b.ws.doc().At(0).outCue, FramesToDigits(300, kPal));
  }
  {
    SCOPED_TRACE("at the start: the first subtitle is left empty, with no reading time");
    b.ws.session().SetToolbar({7, false});  // no button pressed: centre
    b.ws.editing().Split(0);
    EXPECT_EQ(b.Texts(), ",Hello world, how are you?,2");
    EXPECT_EQ(b.ws.doc().At(0).outCue, b.ws.doc().At(0).inCue);
    EXPECT_EQ(b.ws.doc().At(1).alignment, AlignCentre);
  }
  {
    SCOPED_TRACE("a subtitle without both cues keeps its cues; the new one has none");
    b.ws.session().GoTo(2);
    b.ws.session().edit().outCue = "";
    b.ws.editing().Split(0);
    EXPECT_EQ(b.ws.doc().At(2).inCue, FramesToDigits(304, kPal));
    EXPECT_TRUE(b.ws.doc().At(3).inCue.empty());
  }
}

TEST(Editing, ShiftTextKeepsCues) {
  Bench b;
  b.Open(4);
  b.ws.session().GoTo(1);
  auto cues = b.ws.doc().Subtitles();
  b.ws.editing().ShiftText();
  EXPECT_EQ(b.Texts(), "1,,2,3,4");
  EXPECT_EQ(b.ws.session().current(), 2u);
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(b.ws.doc().At(i).inCue, cues[i].inCue);
  EXPECT_TRUE(b.ws.doc().At(4).inCue.empty());
  b.ws.session().Undo();
  EXPECT_EQ(b.Texts(), "1,2,3,4");
}

TEST(Editing, ClipboardCommands) {
  Bench b;
  b.Open(2);
  MemoryClipboard clip;
  {
    SCOPED_TRACE("nothing on the clipboard: Paste does nothing; asking for text says why");
    EXPECT_EQ(b.ws.editing().Paste(clip, EditingController::TextBox::Text, 0, 0), 0u);
    EXPECT_FALSE(b.ws.session().CanUndo());
    try {
      clip.GetText();
      FAIL() << "no error";
    } catch (const UserError& e) {
      EXPECT_EQ(e.text(), "No character data available on the clipboard for 'Format = Text'");
    }
  }
  {
    SCOPED_TRACE("paste replaces the selection, with CR LF rows; one Undo takes it back");
    clip.SetText("a\nb");
    b.ws.session().edit().text = "\xC3\xA9t\xC3\xA9 1";
    EXPECT_EQ(b.ws.editing().Paste(clip, EditingController::TextBox::Text, 1, 2), 5u);  // after "éa\r\nb"
    EXPECT_EQ(b.ws.doc().At(0).text, "\xC3\xA9" "a\r\nb 1");
    EXPECT_EQ(b.ws.session().undoHistory().ActionAt(1), "Paste");
    b.ws.session().Undo();
    EXPECT_EQ(b.ws.doc().At(0).text, "\xC3\xA9t\xC3\xA9 1");
  }
  {
    SCOPED_TRACE("cut from the comment box");
    b.ws.session().edit().comment = "keep this";
    b.ws.editing().Cut(clip, EditingController::TextBox::Comment, 4, 5);
    EXPECT_EQ(b.ws.doc().At(0).comment, "keep");
    EXPECT_EQ(clip.GetText(), " this");
    b.ws.editing().Copy(clip, EditingController::TextBox::Text, 0, 1);
    EXPECT_EQ(clip.GetText(), "\xC3\xA9");
    b.ws.session().Undo();
    EXPECT_EQ(b.ws.doc().At(0).comment, "keep this");
  }
}

TEST(Editing, HistoryResetsOnNavigationUnlessFullUndo) {
  Bench b;
  b.Open(4);
  b.ws.session().GoTo(1);
  b.ws.editing().Insert();
  b.ws.session().GoTo(3);
  EXPECT_FALSE(b.ws.session().CanUndo()) << "the list starts a new visit";
  b.ws.editing().Insert();
  b.ws.editing().PageDown();
  EXPECT_FALSE(b.ws.session().CanUndo()) << "page keys reset without Full undo";

  b.settings.SetBool("Options", "Full undo", true);
  b.ws.doc().SetAlignment(4, AlignLeft);
  b.ws.session().GoTo(4);
  b.ws.session().SetToolbar({AlignRight, true});
  b.ws.session().edit().text = "typed";
  b.ws.editing().PageDown();
  EXPECT_EQ(b.ws.session().current(), 5u);
  EXPECT_TRUE(b.ws.session().CanUndo());
  b.ws.session().Undo();
  // Back on the subtitle left, as it was shown: the typed text in the box, not yet saved.
  EXPECT_EQ(b.ws.session().current(), 4u);
  EXPECT_EQ(b.ws.session().edit().text, "typed");
  EXPECT_EQ(b.ws.doc().At(4).text, "3");
  EXPECT_EQ(b.ws.session().toolbar().alignment, AlignLeft);
  EXPECT_STREQ(EditingController::AlignmentButton(b.ws.session().toolbar().alignment), "AlignLeft");
  EXPECT_FALSE(b.ws.session().toolbar().italic);
}

TEST(Editing, BulkCommandsRecordOneStepOrNone) {
  Bench b;
  b.Open(5);
  b.ws.session().GoTo(2);
  b.ws.timing().DeleteCuesFromHere();  // answered No
  EXPECT_FALSE(b.ws.session().CanUndo());
  b.prompter.answers = {Answer::Ok};
  EXPECT_EQ(b.ws.timing().DeleteRange(2, 4, RangeAction::WholeSubtitles), RangeOutcome::Deleted);
  EXPECT_EQ(b.Texts(), "1,5");
  EXPECT_EQ(b.ws.session().undoHistory().ActionAt(1), "MultipleSubtitleDelete");
  EXPECT_EQ(b.ws.session().current(), 1u);
  b.ws.session().Undo();
  EXPECT_EQ(b.Texts(), "1,2,3,4,5");
  EXPECT_FALSE(b.ws.session().CanUndo());

  // A quick offset needs the current in cue; refused, it records nothing.
  b.ws.session().edit().inCue = "";
  EXPECT_THROW(b.ws.timing().QuickOffset(0), UserError);
  b.ws.session().CommitEditArea();
  EXPECT_FALSE(b.ws.session().CanUndo());
}

}  // namespace
}  // namespace kipo
