#include "core/undo.h"

#include <gtest/gtest.h>

#include "core/text_undo.h"

namespace kipo {
namespace {

UndoStep Step(const std::string& action, std::int16_t number = 1) {
  UndoStep s;
  s.action = action;
  s.subtitleNumber = number;
  return s;
}

Subtitle Sub(const std::string& text) {
  Subtitle s;
  s.text = text;
  return s;
}

TEST(UndoStack, PopSkipsNothingMarkersAndCountersFollow) {
  UndoStack u;
  u.SetInitialState(InitialStep(1));
  EXPECT_EQ(u.Pointer(), 0);
  EXPECT_EQ(u.ActionAt(0), "empty");
  EXPECT_EQ(u.ActionAt(1), "empty");
  u.Push(Step("Insert", 4));
  u.Push(Step("Nothing", 4));
  u.Push(Step("Split", 5));
  u.Push(Step("Nothing", 5));
  EXPECT_EQ(u.Pointer(), 4);
  EXPECT_EQ(u.Size(), 5);
  EXPECT_EQ(u.ActionAt(3), "Split");
  EXPECT_EQ(u.ActionAt(5), "empty");
  auto s = u.Pop();
  ASSERT_TRUE(s);
  EXPECT_EQ(s->action, "Split");
  EXPECT_EQ(u.Pointer(), 2);
  EXPECT_EQ(u.ActionAt(u.Pointer()), "Nothing");
  EXPECT_EQ(u.Pop()->action, "Insert");
  EXPECT_EQ(u.Pointer(), 0);
  EXPECT_FALSE(u.Pop());
  // A history of markers alone gives nothing back and ends empty.
  u.Push(Step("Nothing"));
  EXPECT_FALSE(u.Pop());
  EXPECT_EQ(u.Pointer(), 0);
  EXPECT_EQ(u.Size(), 1);
}

TEST(UndoStack, ResetAndDump) {
  UndoStack u;
  u.SetInitialState(InitialStep(3));
  UndoStep s = Step("InCue", 12);
  s.name = "InCueBox";
  u.Push(s);
  EXPECT_EQ(u.Dump(),
            "Action: Initial state - Subtitle: 3 - Name: \r\n"
            "Action: InCue - Subtitle: 12 - Name: InCueBox\r\n");
  u.Reset(0);
  EXPECT_EQ(u.Pointer(), 0);
  EXPECT_EQ(u.NextSlot(), 1);
  EXPECT_EQ(u.initialState().subtitleNumber, 3);
}

TEST(UndoStack, FullHistoryDropsTheOldestStep) {
  UndoStack u;
  for (std::size_t i = 0; i < kMaxUndoSteps + 2; ++i) u.Push(Step(i == 0 ? "First" : "Later"));
  EXPECT_EQ(u.Pointer(), static_cast<int>(kMaxUndoSteps));
  EXPECT_EQ(u.ActionAt(1), "Later");
}

// The range a step captured comes back over whatever the command made of it.
TEST(UndoStack, RestoreFollowsGrowthAndShrinkage) {
  SubtitleDocument doc;
  for (const char* t : {"a", "b", "c", "d"}) doc.Append(Sub(t));
  auto texts = [&doc] {
    std::string s;
    for (const auto& x : doc.Subtitles()) s += x.text.empty() ? "_" : x.text;
    return s;
  };
  auto capture = [&doc](std::size_t first, std::size_t count) {
    UndoStep s = Step("x");
    s.first = first;
    s.countBefore = doc.Count();
    s.subtitles.assign(doc.Subtitles().begin() + first, doc.Subtitles().begin() + first + count);
    return s;
  };
  {
    SCOPED_TRACE("an insert is removed");
    UndoStep s = capture(1, 0);
    doc.Insert(1, Sub(""));
    ASSERT_TRUE(RestoreSubtitles(doc, s));
    EXPECT_EQ(texts(), "abcd");
  }
  {
    SCOPED_TRACE("a merge of two comes back as two");
    UndoStep s = capture(2, 2);
    doc.Replace(2, Sub("c\r\nd"));
    doc.Remove(3);
    ASSERT_TRUE(RestoreSubtitles(doc, s));
    EXPECT_EQ(texts(), "abcd");
  }
  {
    SCOPED_TRACE("a range of three deleted at once comes back in place");
    UndoStep s = capture(0, 3);
    doc.RemoveRange(0, 3);
    ASSERT_TRUE(RestoreSubtitles(doc, s));
    EXPECT_EQ(texts(), "abcd");
  }
  {
    SCOPED_TRACE("a step that no longer fits the document changes nothing");
    UndoStep s = capture(3, 1);
    doc.Clear();
    EXPECT_FALSE(RestoreSubtitles(doc, s));
    EXPECT_EQ(doc.Count(), 0u);
  }
}

TEST(TextUndo, GroupsKeystrokesWithinTheInterval) {
  using namespace std::chrono_literals;
  TextUndo u("TextBox", 500ms);
  EXPECT_EQ(u.TimerName(), "UndoTimer_TextBox");
  std::vector<std::string> events;
  u.onEvent = [&events](const std::string& e) { events.push_back(e); };
  auto t0 = TextUndo::Clock::time_point{} + 10s;
  TextState box{"", 0, 0};
  auto type = [&](const std::string& s, TextUndo::Clock::time_point at) {
    u.Changed(box, at);
    box = {box.text + s, box.text.size() + s.size(), 0};
  };
  type("H", t0);
  type("i", t0 + 100ms);
  u.Tick(t0 + 400ms);  // not yet: the group is still open
  EXPECT_EQ(u.UndoCount(), 1u);
  type(" there", t0 + 2s);  // a pause: a second group
  EXPECT_EQ(u.UndoCount(), 2u);
  auto apply = [&box](const TextState& s) { box = s; };
  ASSERT_TRUE(u.Undo(box, apply));
  EXPECT_EQ(box.text, "Hi");
  EXPECT_EQ(box.selStart, 2u);
  ASSERT_TRUE(u.Undo(box, apply));
  EXPECT_EQ(box.text, "");
  EXPECT_FALSE(u.Undo(box, apply));
  ASSERT_TRUE(u.Redo(box, apply));
  EXPECT_EQ(box.text, "Hi");
  EXPECT_EQ(events, (std::vector<std::string>{"TextBlock_BeforeChange", "TextBlock_AfterChange",
                                              "TextBlock_BeforeChange", "TextBlock_AfterChange",
                                              "TextBlock_BeforeChange", "TextBlock_AfterChange"}));
  // Typing after an undo drops what could have been redone.
  type("!", t0 + 10s);
  EXPECT_FALSE(u.CanRedo());
}

}  // namespace
}  // namespace kipo
