// The document history as a user meets it: typing is recorded as it happens, every command
// is taken back and put back whole, and the history lasts as long as the settings say.
#include <gtest/gtest.h>

#include <functional>

#include "app/app_keys.h"
#include "app/workstation.h"
#include "settings/keys.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"
#include "support/timed_subtitle.h"

namespace kipo {
namespace {

struct History : ::testing::Test {
  test::TempHome home;
  SettingsStore settings;
  test::RecordingPrompter prompter;
  Workstation ws{settings, prompter};

  void SetUp() override {
    SubtitleDocument d;
    for (int i = 0; i < 6; ++i) {
      Subtitle s = test::TimedSub("Text " + std::to_string(i + 1) + "...", 100 + i * 100, 170 + i * 100);
      s.comment = i % 2 ? "note " + std::to_string(i + 1) : "";
      d.Append(s);
    }
    d.modified = false;
    ws.session().ReplaceDocument(std::move(d));
  }
  // What the user sees: every subtitle, which one is current and what its boxes hold.
  struct Seen {
    std::vector<Subtitle> subs;
    std::size_t current;
    std::string text, comment, in, out;
    bool operator==(const Seen&) const = default;
  };
  Seen Look() const {
    const auto& s = ws.session();
    return {ws.doc().Subtitles(), s.current(), s.edit().text, s.edit().comment, s.edit().inCue, s.edit().outCue};
  }
};

using UndoRedo = History;

// Every command: Undo shows what was there before it, Redo what it made, and again.
TEST_F(UndoRedo, EveryCommandIsTakenBackAndPutBackWhole) {
  struct Command {
    const char* name;
    std::function<void(Workstation&)> run;
  };
  const Command commands[] = {
      {"Insert", [](Workstation& w) { w.editing().Insert(); }},
      {"Insert After", [](Workstation& w) { w.editing().InsertAfter(); }},
      {"Delete", [](Workstation& w) { w.editing().Delete(); }},
      {"Merge", [](Workstation& w) { w.editing().MergeWithNext(); }},
      {"Merge previous", [](Workstation& w) { w.editing().MergeWithPrevious(); }},
      {"Split", [](Workstation& w) { w.editing().Split(3); }},
      {"Shift text", [](Workstation& w) { w.editing().ShiftText(); }},
      {"Italics", [](Workstation& w) { w.editing().ToggleItalics(); }},
      {"Copy text to comments", [](Workstation& w) { w.editing().CopyTextToComments(); }},
      {"Swap text and comments", [](Workstation& w) { w.editing().SwapTextAndComments(); }},
      {"Typing", [](Workstation& w) {
         w.session().Typed(EditField::Text, "T");
         w.session().Typed(EditField::Text, "Ty");
         w.session().CommitEditArea();
       }},
      {"Delete cues from here", [](Workstation& w) { w.timing().DeleteCuesFromHere(); }},
  };
  for (const Command& c : commands) {
    SCOPED_TRACE(c.name);
    SetUp();
    ws.session().GoTo(3);
    prompter.answers = {Answer::Yes};
    const Seen before = Look();
    c.run(ws);
    const Seen after = Look();
    ASSERT_NE(after.subs, before.subs);
    EXPECT_FALSE(ws.session().CanRedo());
    for (int round = 0; round < 2; ++round) {
      ws.session().Undo();
      EXPECT_EQ(Look().subs, before.subs);
      EXPECT_TRUE(ws.session().CanRedo());
      ws.session().Redo();
      EXPECT_EQ(Look(), after);
      EXPECT_FALSE(ws.session().CanRedo());
    }
    // A new step forgets what could be put back.
    ws.session().Undo();
    ws.editing().InsertAfter();
    EXPECT_FALSE(ws.session().CanRedo());
  }
}

// Typing in each box records its own step once per run of typing, and leaving the
// subtitle by the page keys (with the history kept) loses nothing Undo could take back.
TEST_F(UndoRedo, TypingInEachBoxIsRecordedAsItHappens) {
  struct Box {
    EditField field;
    const char* action;
    std::string first, second;
  };
  const Box boxes[] = {{EditField::Text, "Subtitle", "Changed", "Changed again"},
                       {EditField::Comment, "Comments", "A note", "A longer note"},
                       {EditField::InCue, "InCue", "00:00:08:0", "00:00:08:05"},
                       {EditField::OutCue, "OutCue", "00:00:10:0", "00:00:10:20"},
                       {EditField::Duration, "Duration", "03:1", "03:12"}};
  settings.Set(keys::kFullUndo, true);
  for (const Box& b : boxes) {
    SCOPED_TRACE(b.action);
    SetUp();
    ws.session().GoTo(2);
    const std::vector<Subtitle> original = ws.doc().Subtitles();
    ws.session().Typed(b.field, b.first);
    ws.session().Typed(b.field, b.second);
    EXPECT_EQ(ws.session().undoHistory().ActionAt(1), b.action);
    EXPECT_EQ(ws.session().undoHistory().Pointer(), 2) << ws.session().undoHistory().Dump();
    if (b.field == EditField::Duration) {
      EXPECT_EQ(ws.session().edit().outCue, "00:00:15:12"); }
    ws.editing().PageDown();
    EXPECT_NE(ws.doc().Subtitles(), original);
    ws.session().Undo();  // back on the subtitle, the typing still in its box
    EXPECT_EQ(ws.session().current(), 2u);
    ws.session().Undo();  // and the typing taken back
    EXPECT_EQ(ws.doc().Subtitles(), original);
    EXPECT_FALSE(ws.session().CanUndo());
  }
}

// Typing already taken back in its box (the box's own undo) leaves a step that would
// change nothing: Undo passes over it to the command below.
TEST_F(UndoRedo, UndoPassesOverStepsThatShowNothing) {
  ws.session().GoTo(1);
  const std::vector<Subtitle> before = ws.doc().Subtitles();
  ws.editing().InsertAfter();
  const std::string shown = ws.session().edit().text;
  ws.session().Typed(EditField::Text, "typo");
  ws.session().Typed(EditField::Text, shown);  // the box's undo put it back
  ws.session().Undo();
  EXPECT_EQ(ws.doc().Subtitles(), before);
  EXPECT_FALSE(ws.session().CanUndo());
}

// How long the history lasts: one visit by default, the page keys' moves with "Full undo",
// every move with the setting of our own; New and Open always start afresh.
TEST_F(UndoRedo, TheHistoryLastsAsLongAsTheSettingsSay) {
  struct Move {
    const char* name;
    std::function<void(Workstation&)> go;
  };
  const Move moves[] = {{"list", [](Workstation& w) { w.session().GoTo(4); }},
                        {"checks", [](Workstation& w) { w.timing().MoveTo(0); }},
                        {"page down", [](Workstation& w) { w.editing().PageDown(); }},
                        {"page up", [](Workstation& w) { w.editing().PageUp(); }}};
  struct Setting {
    bool fullUndo, keep;
    bool keptBy[4];  // list, checks, page down, page up
  };
  const Setting settingsTable[] = {{false, false, {false, false, false, false}},
                                   {true, false, {false, false, true, true}},
                                   {false, true, {true, true, true, true}}};
  for (const Setting& st : settingsTable) {
    settings.Set(keys::kFullUndo, st.fullUndo);
    settings.Set(app_keys::kKeepUndoHistory, st.keep);
    for (int m = 0; m < 4; ++m) {
      SCOPED_TRACE(::testing::Message() << moves[m].name << (st.fullUndo ? " full undo" : "") << (st.keep ? " keep" : ""));
      SetUp();
      ws.session().GoTo(2);
      ws.editing().InsertAfter();
      moves[m].go(ws);
      EXPECT_EQ(ws.session().CanUndo(), st.keptBy[m]);
      if (!st.keptBy[m]) continue;
      while (ws.session().CanUndo()) ws.session().Undo();
      EXPECT_EQ(ws.doc().Count(), 6u);
    }
  }
  ws.editing().Insert();
  ws.session().Undo();
  ASSERT_TRUE(ws.session().CanRedo());
  ws.doc().modified = false;
  ASSERT_TRUE(ws.files().New(25, 2057, 0));
  EXPECT_FALSE(ws.session().CanUndo());
  EXPECT_FALSE(ws.session().CanRedo());
}

}  // namespace
}  // namespace kipo
