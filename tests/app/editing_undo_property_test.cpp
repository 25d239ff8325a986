// Every command that changes the document is taken back by exactly one Undo, in reverse
// order, for as long as the visit to a subtitle lasts: checked over random sequences of
// commands on random documents against a model stack of the documents before each one.
#include <gtest/gtest.h>

#include <random>

#include "app/workstation.h"
#include "platform/user_error.h"
#include "support/recording_prompter.h"

namespace kipo {
namespace {

const FrameRate kPal = *FrameRate::FromCode(25);

std::string RandomText(std::mt19937& rng) {
  static const char* kWords[] = {"Hello", "there...", "no..", "\xC3\xA9t\xC3\xA9", "<fine>", "[ok]", "yes", "\r\n",
                                 " ", "Wait", "\xC2\xAB" "bold" "\xC2\xBB"};
  std::string t;
  int n = std::uniform_int_distribution<int>(0, 6)(rng);
  for (int i = 0; i < n; ++i) t += kWords[std::uniform_int_distribution<int>(0, 10)(rng)];
  return t;
}

SubtitleDocument RandomDoc(std::mt19937& rng, int count) {
  SubtitleDocument d;
  Timecode t = 250;
  for (int i = 0; i < count; ++i) {
    Subtitle s;
    s.text = RandomText(rng);
    t += std::uniform_int_distribution<int>(0, 20)(rng);
    if (rng() % 6) s.inCue = FramesToDigits(t, kPal);
    t += std::uniform_int_distribution<int>(10, 100)(rng);
    if (rng() % 6) s.outCue = FramesToDigits(t, kPal);
    s.row = static_cast<std::int32_t>(rng() % 4);
    s.alignment = 1 + static_cast<int>(rng() % 4);
    s.italic = rng() % 3 == 0;
    if (rng() % 3 == 0) s.comment = "note " + std::to_string(i);
    d.Append(std::move(s));
  }
  return d;
}

TEST(EditingUndo, EveryCommandIsUndoneByOneUndo) {
  for (unsigned seed : {1u, 2u, 3u}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    SettingsStore settings;
    settings.SetBool("Options", "Full undo", true);
    test::RecordingPrompter prompter;
    Workstation ws(settings, prompter);
    ws.session().ReplaceDocument(RandomDoc(rng, 12));
    MemoryClipboard clipboard;
    // What the user sees: the subtitles, the current one and its boxes.
    auto look = [&ws] {
      const EditArea& e = ws.session().edit();
      return std::make_tuple(ws.doc().Subtitles(), ws.session().current(), e.text, e.comment, e.inCue, e.outCue);
    };
    // The document before each recorded command, and whether the command changed nothing
    // the user sees (Undo passes over such a step to the one below it).
    struct Expected {
      std::vector<Subtitle> subs;
      bool noop = false;
    };
    std::vector<Expected> expected;
    auto pick = [&rng](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    auto cursor = [&] { return static_cast<std::size_t>(pick(static_cast<int>(ws.session().edit().text.size()) + 3)); };

    for (int step = 0; step < 300; ++step) {
      ASSERT_EQ(ws.session().CanUndo(), !expected.empty()) << "step " << step;
      int op = pick(26);
      if (op >= 22) {  // Undo, more often than any single command
        if (expected.empty()) continue;
        ws.session().Undo();
        while (!expected.empty() && expected.back().noop) expected.pop_back();
        if (expected.empty()) {
          ASSERT_FALSE(ws.session().CanUndo()) << "step " << step;
          continue;
        }
        ASSERT_EQ(ws.doc().Subtitles(), expected.back().subs) << "step " << step;
        expected.pop_back();
        ASSERT_TRUE(ws.doc().Count() == 0 || ws.session().HasCurrent());
        continue;
      }
      ws.session().CommitEditArea();  // what was typed so far is part of the document before the command
      const std::vector<Subtitle> before = ws.doc().Subtitles();
      const auto seenBefore = look();
      const int pointer = ws.session().undoHistory().Pointer();
      prompter.answers = {pick(2) ? Answer::Yes : Answer::No};
      if (pick(2)) prompter.answers = {pick(2) ? Answer::Ok : Answer::Cancel};
      ws.session().SetToolbar({1 + pick(4), pick(2) == 0});
      bool reset = false;
      std::string name;
      try {
        switch (op) {
          case 0: name = "Insert"; ws.editing().Insert(); break;
          case 1: name = "InsertAfter"; ws.editing().InsertAfter(); break;
          case 2: name = "Delete"; ws.editing().Delete(); break;
          case 3: name = "MergeWithNext"; ws.editing().MergeWithNext(); break;
          case 4: name = "MergeWithPrevious"; ws.editing().MergeWithPrevious(); break;
          case 5: name = "Split"; ws.editing().Split(cursor()); break;
          case 6: name = "ShiftText"; ws.editing().ShiftText(); break;
          case 7: name = "PageUp"; ws.editing().PageUp(); break;
          case 8: name = "PageDown"; ws.editing().PageDown(); break;
          case 9:
            name = "GoTo";
            ws.session().GoTo(static_cast<std::size_t>(pick(static_cast<int>(ws.doc().Count()) + 1)));
            reset = true;
            break;
          case 10:  // typing, as the window records it
            name = "Type";
            if (!ws.session().HasCurrent()) break;
            ws.session().Record("Subtitle");
            ws.session().Record("Nothing");
            ws.session().edit().text = RandomText(rng);
            ws.session().CommitEditArea();
            break;
          case 11: name = "Cut"; ws.editing().Cut(clipboard, EditingController::TextBox(pick(2)), cursor(), cursor()); break;
          case 12:
            name = "Paste";
            if (pick(3) == 0) clipboard.Clear(); else clipboard.SetText(RandomText(rng) + "\nend");
            ws.editing().Paste(clipboard, EditingController::TextBox(pick(2)), cursor(), cursor());
            break;
          case 13: name = "Fix"; ws.timing().FixInvalidIntervals(); break;
          case 14: name = "Fill"; ws.timing().FillBlankOutCues(); break;
          case 15: name = "Stretch"; ws.timing().ScaleCues(pick(2) ? 1.001 : 0.999); break;
          case 16: name = "QuickOffset"; ws.timing().QuickOffset(pick(3000)); break;
          case 17: name = "DeleteCurrentCues"; ws.timing().DeleteCurrentCues(); break;
          case 18: name = "DeleteCuesFromHere"; ws.timing().DeleteCuesFromHere(); break;
          case 19: name = "DeleteAllCues"; ws.timing().DeleteAllCues(); break;
          default: {
            name = "DeleteRange";
            long n = static_cast<long>(ws.doc().Count());
            long a = 1 + pick(static_cast<int>(n) + 1), b = a + pick(4) - 1;
            ws.timing().DeleteRange(a, b, RangeAction(pick(3)));
          }
        }
      } catch (const UserError&) {
        // Refused (a quick offset without in cue): nothing recorded, nothing changed.
      }
      SCOPED_TRACE("step " + std::to_string(step) + " " + name);
      if (reset) {
        expected.clear();
        ASSERT_FALSE(ws.session().CanUndo());
      } else if (ws.session().undoHistory().Pointer() != pointer) {
        expected.push_back({before, look() == seenBefore});
      } else {
        ASSERT_EQ(ws.doc().Subtitles(), before) << "changed without an undo step";
      }
    }
    // Everything left in the history still comes back in order.
    while (!expected.empty()) {
      ws.session().Undo();
      while (!expected.empty() && expected.back().noop) expected.pop_back();
      if (expected.empty()) break;
      ASSERT_EQ(ws.doc().Subtitles(), expected.back().subs);
      expected.pop_back();
    }
    EXPECT_FALSE(ws.session().CanUndo());
  }
}

}  // namespace
}  // namespace kipo
