// The timeline's model: the view's arithmetic, finding and hitting blocks, dragging under
// the cue rules with snapping and one undo step, the video's frames on the document's time
// axis, and the jumps to the shot cuts from the picture shown.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "app/commands.h"
#include "app/timeline_controller.h"
#include "app/workstation.h"
#include "support/recording_prompter.h"
#include "support/timed_subtitle.h"

namespace kipo {
namespace {

using test::kPal;
constexpr auto Sub = test::TimedSub;
using Part = TimelineHit::Part;

// A table of `frames` frames at `rate` from `start` on, cut where given, without sound.
FrameTable Table(int frames, std::initializer_list<int> cuts, Timecode start = 0, const FrameRate& rate = kPal) {
  FrameTable t;
  t.rate = rate;
  for (int f = 0; f < frames; ++f) {
    t.timecodes.push_back(FramesToLabel(start + f, rate));
    t.measures.push_back(0);
  }
  t.cuts.assign(frames, 0);
  for (int c : cuts) t.cuts[c] = -1;
  return t;
}

struct Bench {
  SettingsStore settings;
  test::RecordingPrompter prompter;
  Workstation ws{settings, prompter};
  TimelineController timeline{ws};
  explicit Bench(std::vector<Subtitle> subs, int current = 0) {
    SubtitleDocument d;
    for (auto& s : subs) d.Append(std::move(s));
    ws.session().ReplaceDocument(std::move(d));
    ws.session().GoTo(current);
    timeline.SetWidth(1000);
    timeline.SetZoomLevel(3);  // a frame a pixel
    timeline.ScrollTo(0);
  }
  std::pair<Timecode, Timecode> Cues(std::size_t i) const {
    const Subtitle& s = ws.doc().At(i);
    return {s.inCue.ToFrames(kPal), s.outCue.ToFrames(kPal)};
  }
  // A video of `frames` frames shown by a player that does what it is asked at once.
  void OpenVideo(FrameCount frames, FrameTable table) {
    ws.playhead().Open("", frames);
    ws.timing().SetFrameTable(std::move(table));
  }
};

// --- the rules of a drag, without a window

struct RuleCase {
  const char* what;
  Part part;
  Timecode delta;
  CueRulePolicy shortP, longP, lastP, nextP;
  bool lock;
  bool hasNext;
  Timecode in, out;
  std::optional<Timecode> lastOut, nextIn;
  bool limited, warned;
};

TEST(TimelineDragRules, EachPartUnderEachPolicy) {
  constexpr auto P = CueRulePolicy::Prevent, W = CueRulePolicy::Warn, A = CueRulePolicy::Allow;
  const std::nullopt_t no = std::nullopt;
  // A subtitle from 100 to 150 between an out cue at 90 and an in cue at 160; minimum 25,
  // maximum 175 frames, default interval 4.
  const RuleCase cases[] = {
      {"in edge later, still long enough", Part::InEdge, 10, W, W, W, W, false, true, 110, 150, no, no, false, false},
      {"in edge too short: Prevent stops at the minimum", Part::InEdge, 30, P, W, W, W, false, true, 125, 150, no, no, true, false},
      {"in edge too short: Warn lets it and warns", Part::InEdge, 30, W, W, W, W, false, true, 130, 150, no, no, false, true},
      {"in edge too short: Allow is silent", Part::InEdge, 30, A, A, A, A, false, true, 130, 150, no, no, false, false},
      {"in edge into the gap: Prevent keeps the interval", Part::InEdge, -10, W, W, P, W, false, true, 94, 150, no, no, true, false},
      {"in edge into the gap: Warn", Part::InEdge, -10, W, W, W, W, false, true, 90, 150, no, no, false, true},
      {"in edge into the gap with locked cues moves the out cue before", Part::InEdge, -10, P, P, P, P, true, true, 90, 150, 86, no, false, false},
      {"in edge never reaches the out cue", Part::InEdge, 100, A, A, A, A, false, true, 149, 150, no, no, true, false},
      {"in edge stops at 00:00:00:00", Part::InEdge, -500, A, A, A, A, false, true, 0, 150, no, no, true, false},
      {"out edge into the gap: Prevent", Part::OutEdge, 10, W, W, W, P, false, true, 100, 156, no, no, true, false},
      {"out edge into the gap with locked cues moves the next in cue", Part::OutEdge, 10, W, W, W, W, true, true, 100, 160, no, 164, false, false},
      {"out edge too long: Prevent stops at the maximum", Part::OutEdge, 200, W, P, W, W, false, false, 100, 275, no, no, true, false},
      {"out edge too short: Prevent", Part::OutEdge, -30, P, W, W, W, false, true, 100, 125, no, no, true, false},
      {"out edge never passes the in cue", Part::OutEdge, -80, A, A, A, A, false, true, 100, 101, no, no, true, false},
      {"block earlier into the gap: Prevent", Part::Block, -20, P, P, P, P, false, true, 94, 144, no, no, true, false},
      {"block earlier with locked cues", Part::Block, -20, P, P, P, P, true, true, 80, 130, 76, no, false, false},
      {"block later into the gap: Prevent", Part::Block, 20, P, P, P, P, false, true, 106, 156, no, no, true, false},
      {"block later: Warn keeps the duration and warns", Part::Block, 20, P, P, W, W, false, true, 120, 170, no, no, false, true},
      {"block back where it was", Part::Block, 0, P, P, P, P, false, true, 100, 150, no, no, false, false},
  };
  for (const RuleCase& c : cases) {
    SCOPED_TRACE(c.what);
    HouseOptions h;
    h.durationTooShortPolicy = c.shortP;
    h.durationTooLongPolicy = c.longP;
    h.lastIntervalPolicy = c.lastP;
    h.nextIntervalPolicy = c.nextP;
    h.lockCues = c.lock;
    EditCues cues;
    cues.in = 100;
    cues.out = 150;
    cues.lastOut = 90;
    if (c.hasNext) cues.nextIn = 160;
    const DragResult r = ApplyDragRules(cues, c.part, c.delta, TimingParameters::From(h, kPal), h, LastCueFrame(kPal));
    EXPECT_EQ(r.in, c.in);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.lastOut, c.lastOut);
    EXPECT_EQ(r.nextIn, c.nextIn);
    EXPECT_EQ(r.limited, c.limited);
    EXPECT_EQ(!r.warning.empty(), c.warned) << r.warning;
  }
}

// --- the view

TEST(TimelineView, ZoomKeepsTheFrameUnderTheMouseAndScrollStaysInTheProgramme) {
  Bench b({Sub("One", 100, 150), Sub("Last", 99000, 99050)});
  TimelineController& t = b.timeline;
  t.ScrollTo(40000);
  for (double x : {0.0, 137.0, 500.0, 999.0})
    for (int steps : {1, 2, -1, -3}) {
      SCOPED_TRACE(testing::Message() << "x " << x << " steps " << steps);
      const int level = t.zoomLevel();
      const double frame = t.XToFrame(x);
      t.ZoomAt(x, steps);
      EXPECT_EQ(t.zoomLevel(), level - steps);
      EXPECT_NEAR(t.XToFrame(x), frame, 1e-6);
      EXPECT_NEAR(t.FrameToX(t.XToFrame(x)), x, 1e-6);
      t.ZoomAt(x, -steps);
      EXPECT_NEAR(t.XToFrame(x), frame, 1e-6);
    }
  t.ZoomAt(0, 100);
  EXPECT_EQ(t.zoomLevel(), 0);
  EXPECT_DOUBLE_EQ(t.framesPerPixel(), 1.0 / 8);
  t.ZoomAt(0, -100);
  EXPECT_EQ(t.zoomLevel(), kTimelineZoomLevels - 1);
  // Zoomed out beyond the programme, the view starts ten seconds before its first cue, or
  // at 00:00:00:00.
  EXPECT_DOUBLE_EQ(t.left(), 0);

  t.SetZoomLevel(3);
  const auto [first, last] = t.Extent();
  EXPECT_EQ(first, 0);
  EXPECT_EQ(last, 99050 + 250);  // ten seconds after the last cue
  t.ScrollTo(-5000);
  EXPECT_DOUBLE_EQ(t.left(), first);
  t.ScrollTo(1e9);
  EXPECT_DOUBLE_EQ(t.right(), last);
  t.ScrollBy(-100);
  EXPECT_DOUBLE_EQ(t.right(), last - 100);

  // A programme at 10:00:00:00 does not scroll back through ten empty hours.
  Bench late({Sub("One", 900100, 900150)});
  EXPECT_EQ(late.timeline.Extent().first, 900100 - 250);
  EXPECT_DOUBLE_EQ(late.timeline.left(), 900100 - 250);
}

TEST(TimelineView, TheViewFollowsThePlayHeadAndTheCurrentSubtitle) {
  Bench b({Sub("One", 100, 150), Sub("Two", 30000, 30050), Sub("Last", 99000, 99050)});
  TimelineController& t = b.timeline;
  b.OpenVideo(100000, {});
  // While playing, passing the right edge turns a page: the head comes in near the left.
  b.ws.playhead().Report(400, true);
  EXPECT_DOUBLE_EQ(t.left(), 0);
  b.ws.playhead().Report(1101, true);
  EXPECT_DOUBLE_EQ(t.left(), 1001);
  // A seek far away centres the head.
  b.ws.playhead().Report(50000, false);
  EXPECT_DOUBLE_EQ(t.left(), 49500);
  // Choosing a subtitle elsewhere brings it into view.
  b.ws.timing().MoveTo(1);
  EXPECT_LE(t.left(), 30000);
  EXPECT_GT(t.right(), 30000);
  // A view scrolled away stays there while the same subtitle is edited.
  t.ScrollTo(70000);
  b.ws.session().Refresh();
  EXPECT_DOUBLE_EQ(t.left(), 70000);
  // Under a drag the view holds still even while the picture plays on past it.
  b.ws.timing().MoveTo(0);
  t.ScrollTo(0);
  ASSERT_TRUE(t.BeginDrag(t.HitTest(120), 120));
  b.ws.playhead().Report(5000, true);
  EXPECT_DOUBLE_EQ(t.left(), 0);
  t.CancelDrag();
}

// The blocks in view come from halving over the ordered blocks; they must be exactly the
// blocks that reach into the view, whatever the order and overlaps of the document.
TEST(TimelineView, VisibleBlocksAreExactlyThoseReachingIntoTheView) {
  std::mt19937 rng(20);
  std::vector<Subtitle> subs;
  for (int i = 0; i < 400; ++i) {
    const int in = std::uniform_int_distribution<int>(0, 20000)(rng);
    const int len = std::uniform_int_distribution<int>(1, i % 37 == 0 ? 4000 : 200)(rng);
    const int kind = i % 23;
    subs.push_back(Sub("s", kind == 0 ? -1 : in, kind == 1 ? -1 : in + len));
  }
  Bench b(subs);
  const auto& blocks = b.timeline.Blocks();
  EXPECT_EQ(blocks.size(), 400u - 18u);  // the subtitles without an in cue are not shown
  for (std::size_t i = 1; i < blocks.size(); ++i) ASSERT_LE(blocks[i - 1].in, blocks[i].in);
  for (int k = 0; k < 300; ++k) {
    const double from = std::uniform_real_distribution<double>(-100, 21000)(rng);
    const double to = from + std::uniform_real_distribution<double>(0.5, k % 10 == 0 ? 20000 : 600)(rng);
    std::set<std::size_t> want, got;
    for (const TimelineBlock& bl : blocks)
      if (bl.in < to && bl.out > from) want.insert(bl.index);
    const auto [a, e] = b.timeline.VisibleBlocks(from, to);
    for (std::size_t i = a; i < e; ++i)
      if (blocks[i].out > from) got.insert(blocks[i].index);
    ASSERT_EQ(got, want) << "view " << from << " - " << to;
  }
}

TEST(TimelineView, HitTestFindsEdgesAndBlocksAndPrefersTheCurrentSubtitle) {
  Bench b({Sub("Wide", 100, 150), Sub("Overlapping", 120, 200), Sub("Narrow", 300, 306), Sub("Open", 400, -1)}, 3);
  struct Case {
    double x;
    Part part;
    std::size_t index;
  };
  const Case cases[] = {
      {100, Part::InEdge, 0},  {97, Part::InEdge, 0},   {95, Part::None, 0},      {110, Part::Block, 0},
      {200, Part::OutEdge, 1}, {203.5, Part::OutEdge, 1}, {205, Part::None, 0},    {130, Part::Block, 1},
      // A block six pixels wide keeps two pixels at each edge and its middle for moving.
      {298, Part::InEdge, 2},  {303, Part::Block, 2},   {306, Part::OutEdge, 2}, {309, Part::None, 0},
      // A subtitle without out cue can be chosen, not stretched.
      {400, Part::Block, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.x);
    const TimelineHit h = b.timeline.HitTest(c.x);
    EXPECT_EQ(h.part, c.part);
    if (c.part != Part::None) {
      EXPECT_EQ(h.index, c.index);
    }
  }
  // Where two blocks overlap the current one is on top.
  b.ws.session().GoTo(0);
  EXPECT_EQ(b.timeline.HitTest(130), (TimelineHit{Part::Block, 0}));
  // A new text leaves the blocks as they are; a new cue moves one.
  b.ws.doc().SetText(0, "Wider");
  EXPECT_EQ(b.timeline.HitTest(110), (TimelineHit{Part::Block, 0}));
  b.ws.doc().SetInCue(0, FramesToDigits(140, kPal));
  EXPECT_EQ(b.timeline.HitTest(110), (TimelineHit{}));
  EXPECT_EQ(b.timeline.HitTest(140), (TimelineHit{Part::InEdge, 0}));
  EXPECT_EQ(b.timeline.Blocks().front().index, 1u);
}

// --- dragging through the workstation

TEST(TimelineDrag, ABlockMovesAndOneUndoTakesItBack) {
  Bench b({Sub("One", 100, 150), Sub("Two", 160, 220), Sub("Three", 300, 400)});
  TimelineController& t = b.timeline;
  // Dragging a subtitle that is not current makes it current first.
  ASSERT_TRUE(t.BeginDrag(t.HitTest(180), 180));
  EXPECT_EQ(b.ws.session().current(), 1u);
  for (double x = 181; x <= 193; x += 1) t.DragTo(x, false);
  ASSERT_TRUE(t.drag());
  EXPECT_EQ(t.drag()->now.in, 173);
  EXPECT_EQ(b.Cues(1), (std::pair<Timecode, Timecode>{160, 220}));  // nothing written while dragging
  ASSERT_TRUE(t.EndDrag());
  EXPECT_EQ(b.Cues(1), (std::pair<Timecode, Timecode>{173, 233}));
  EXPECT_EQ(b.ws.session().edit().inCue, "00:00:06:23");
  EXPECT_TRUE(b.ws.doc().modified);
  ASSERT_TRUE(b.ws.session().CanUndo());
  b.ws.session().Undo();
  EXPECT_EQ(b.Cues(1), (std::pair<Timecode, Timecode>{160, 220}));
  EXPECT_FALSE(b.ws.session().CanUndo());

  {
    SCOPED_TRACE("a drag that comes back where it started changes nothing");
    ASSERT_TRUE(t.BeginDrag(t.HitTest(220), 220));
    t.DragTo(260, false);
    t.DragTo(220, false);
    EXPECT_FALSE(t.EndDrag());
    EXPECT_FALSE(b.ws.session().CanUndo());
  }
  {
    SCOPED_TRACE("a locked timeline chooses but does not drag");
    t.SetOption(kLockTimelineSubtitles, true);
    EXPECT_TRUE(b.settings.Get(kLockTimelineSubtitles));
    EXPECT_FALSE(t.BeginDrag(t.HitTest(120), 120));
    EXPECT_TRUE(t.Choose(t.HitTest(120)));
    EXPECT_EQ(b.ws.session().current(), 0u);
    t.SetOption(kLockTimelineSubtitles, false);
  }
}

TEST(TimelineDrag, PreventStopsAtTheRuleAndLockedCuesMoveTogetherInOneStep) {
  Bench b({Sub("One", 100, 150), Sub("Two", 160, 220), Sub("Three", 300, 400)}, 1);
  TimelineController& t = b.timeline;
  HouseOptions& h = b.ws.session().house();
  h.lastIntervalPolicy = CueRulePolicy::Prevent;
  ASSERT_TRUE(t.BeginDrag(t.HitTest(160), 160));
  t.DragTo(120, false);
  EXPECT_EQ(t.drag()->now.in, 154);
  EXPECT_TRUE(t.drag()->now.limited);
  t.EndDrag();
  EXPECT_EQ(b.Cues(1).first, 154);
  EXPECT_EQ(b.Cues(0).second, 150);

  h.lastIntervalPolicy = CueRulePolicy::Warn;
  ASSERT_TRUE(t.BeginDrag(t.HitTest(154), 154));
  t.DragTo(140, false);
  t.EndDrag();
  EXPECT_EQ(b.Cues(1).first, 140);
  EXPECT_EQ(b.ws.session().panels().warning, "Interval between current and last subtitle is less than 4 frames ");

  h.lockCues = true;
  b.ws.session().GoTo(1);
  ASSERT_TRUE(t.BeginDrag(t.HitTest(220), 220));
  t.DragTo(298, false);
  t.EndDrag();
  EXPECT_EQ(b.Cues(1).second, 298);
  EXPECT_EQ(b.Cues(2).first, 302);  // the next in cue keeps the default interval
  b.ws.session().Undo();
  EXPECT_EQ(b.Cues(1).second, 220);
  EXPECT_EQ(b.Cues(2).first, 300);
}

TEST(TimelineDrag, SnapsToCutsNeighboursAndThePlayHeadUnlessShiftIsHeld) {
  struct Case {
    const char* what;
    double grab, to;
    bool snap;
    Timecode in, out;
    std::optional<Timecode> snapped;
  };
  // Subtitle 2 runs from 160 to 220 after one ending at 150; a cut at 240; the play head at
  // 200; a frame a pixel, so the window is six frames. "Shot cut out" 2 ends a subtitle the
  // default interval (4) before a cut, "Shot cut in" 0 starts it on the cut.
  const Case cases[] = {
      {"out edge onto the cut less the interval", 220, 233, true, 160, 236, 236},
      {"out edge out of reach", 220, 228, true, 160, 228, std::nullopt},
      {"Shift: no snapping", 220, 233, false, 160, 233, std::nullopt},
      {"out edge onto the play head", 220, 203, true, 160, 200, 200},
      {"in edge onto the previous out cue plus the interval", 160, 157, true, 154, 220, 154},
      {"in edge onto the play head", 160, 197, true, 200, 220, 200},
      {"in edge too far from anything", 160, 175, true, 175, 220, std::nullopt},
      {"in edge onto the cut itself", 160, 243, true, 219, 220, std::nullopt},
      {"a block by whichever edge is nearer", 190, 204, true, 176, 236, 236},
      {"a block without snapping", 190, 204, false, 174, 234, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bench b({Sub("One", 100, 150), Sub("Two", 160, 220), Sub("Three", 300, 400)}, 1);
    b.OpenVideo(1000, Table(1000, {240}));
    b.ws.playhead().Report(200, false);
    b.timeline.ScrollTo(0);
    ASSERT_TRUE(b.timeline.BeginDrag(b.timeline.HitTest(c.grab), c.grab));
    b.timeline.DragTo(c.to, c.snap);
    EXPECT_EQ(b.timeline.drag()->now.in, c.in);
    EXPECT_EQ(b.timeline.drag()->now.out, c.out);
    EXPECT_EQ(b.timeline.drag()->snappedTo, c.snapped);
  }
}

// --- the video on the axis, and the jumps

TEST(TimelineVideo, FramesSitAtTheirTimecodesAndAtTheDocumentRate) {
  struct Case {
    const char* what;
    int docRate, tableRate;
    Timecode start;
    Timecode cutAt;  // on the document's axis for the cut of video frame 30
    Timecode frame40;
    const char* offset = "";  // the document's video offset, "Offset timecode back" with `back`
    bool back = false;
  };
  const Case cases[] = {
      {"a video from 00:00:00:00", 25, 25, 0, 30, 40},
      {"a video offset of ten seconds", 25, 25, 0, 280, 290, "00:00:10:00"},
      {"a video offset taken back", 25, 25, 900000, 899780, 899790, "00:00:10:00", true},
      {"a video from 10:00:00:00", 25, 25, 900000, 900030, 900040},
      {"a 25 fps table read by a 50 fps document", 50, 25, 0, 60, 80},
      // 00:00:59;28 is frame 1798; the labels skip ;00 and ;01 of the next minute, the
      // frames run on.
      {"a drop-frame video across a minute", 29, 29, 1798, 1828, 1838},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bench b({});
    b.ws.session().SetFrameRate(c.docRate);
    if (*c.offset) b.ws.player().SetVideoOffset(c.offset, c.back);
    b.OpenVideo(100, Table(100, {30}, c.start, *FrameRate::FromCode(c.tableRate)));
    EXPECT_EQ(b.timeline.Cuts(), std::vector<Timecode>{c.cutAt});
    EXPECT_EQ(b.timeline.TimeOfVideoFrame(40), c.frame40);
    EXPECT_EQ(b.timeline.VideoFrameAt(c.frame40 + 0.5), 40);
    EXPECT_EQ(b.timeline.VideoFrameAt(c.frame40 - 0.5), 39);
    b.ws.playhead().Report(40, false);
    EXPECT_EQ(b.timeline.PlayheadTime(), c.frame40);
    // A click asks the player for the video frame under the mouse.
    std::vector<Timecode> asked;
    Connection seek = b.ws.playhead().seekRequested.Connect([&](Timecode f) { asked.push_back(f); });
    b.timeline.SeekTo(b.timeline.FrameToX(c.cutAt));
    EXPECT_EQ(asked, std::vector<Timecode>{30});
  }
  // Without an analysis video frame f sits at f; closing the video forgets the table.
  Bench b({});
  b.OpenVideo(100, Table(100, {30}, 900000));
  b.ws.playhead().Open("", 0);
  EXPECT_EQ(b.ws.timing().frameTable().size(), 0u);
  EXPECT_TRUE(b.timeline.Cuts().empty());
  EXPECT_EQ(b.timeline.TimeOfVideoFrame(40), 40);
}

TEST(TimelineVideo, JumpCommandsMoveThePictureToTheCutsWithTheOffsets) {
  Bench b({});
  b.OpenVideo(300, Table(300, {50, 120}));
  std::vector<Timecode> asked;
  // The player does what it is asked.
  Connection seek = b.ws.playhead().seekRequested.Connect([&](Timecode f) {
    asked.push_back(f);
    b.ws.playhead().Report(f, false);
  });
  const CommandInfo* next = FindCommand("go.nextShotCut");
  const CommandInfo* last = FindCommand("go.lastShotCut");
  ASSERT_TRUE(next && last);
  EXPECT_EQ(next->keys, "Alt+Num+6");
  EXPECT_EQ(last->keys, "Alt+Num+4");
  EXPECT_TRUE(next->run(b.ws));
  EXPECT_TRUE(next->run(b.ws));
  EXPECT_FALSE(next->run(b.ws));  // no cut after 120
  // Two frames after each cut: back from 120 the first landing is two after the cut at 50.
  b.settings.Set(keys::kLastShotCutOffset, 7L);
  EXPECT_TRUE(last->run(b.ws));
  EXPECT_FALSE(last->run(b.ws));
  EXPECT_EQ(asked, (std::vector<Timecode>{50, 120, 52}));
}

}  // namespace
}  // namespace kipo
