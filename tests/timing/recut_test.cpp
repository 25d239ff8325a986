#include "timing/recut.h"

#include <gtest/gtest.h>

#include "support/recording_prompter.h"
#include "support/timed_subtitle.h"

namespace kipo {
namespace {

using test::kPal;
using test::TimedSub;
using R = RecutType;

constexpr Timecode T0 = 900000;  // 10:00:00:00 at 25 fps

// Four subtitles at 25 fps: the third has no out cue.
SubtitleDocument Reel() {
  SubtitleDocument d;
  d.Append(TimedSub("a", T0, T0 + 50));
  d.Append(TimedSub("b", T0 + 75, T0 + 125));
  d.Append(TimedSub("c", T0 + 150, -1));
  d.Append(TimedSub("d", T0 + 225, T0 + 250));
  d.modified = false;
  return d;
}

// Every cue as frames from T0 (unset: -1), in, out, in, out, ...
std::vector<Timecode> Cues(const SubtitleDocument& d) {
  std::vector<Timecode> v;
  for (const Subtitle& s : d.Subtitles())
    for (const std::string& c : {std::string(s.inCue), std::string(s.outCue)})
      v.push_back(IsCompleteCue(c) ? LabelToFrames(c, kPal) - T0 : -1);
  return v;
}

HouseOptions House() {
  HouseOptions h;
  h.defaultInterval = 4;
  h.invalidIntervalThreshold = 12;
  return h;
}

TEST(Recut, SingleOffsets) {
  struct Case {
    const char* what;
    R type;
    long first, last;
    RecutOptions options;
    std::vector<Timecode> expected;
  };
  auto manual = [](std::string offset, bool add, bool outOnly = false, bool keep = false) {
    RecutOptions o;
    o.offset = std::move(offset);
    o.addOffset = add;
    o.outCuesOnly = outOnly;
    o.keepInterval = keep;
    return o;
  };
  RecutOptions newIn;
  newIn.newInCue = "10:00:04:00";
  RecutOptions cont;
  const Case cases[] = {
      {"added, unset cues stay unset", R::Manual, 2, 3, manual("00:00:01:05", true),
       {0, 50, 105, 155, 180, -1, 225, 250}},
      {"subtracted, the range cut to the last subtitle", R::Manual, 1, 99, manual("00:00:01:00", false),
       {-25, 25, 50, 100, 125, -1, 200, 225}},
      {"out cues only", R::Manual, 1, 2, manual("00:00:02:00", true, true), {0, 100, 75, 175, 150, -1, 225, 250}},
      {"out cues only, stopping the default interval before the next in cue", R::Manual, 1, 2,
       manual("00:00:02:00", true, true, true), {0, 71, 75, 146, 150, -1, 225, 250}},
      {"the interval box does not hold back cues moved earlier", R::Manual, 2, 2,
       manual("00:00:00:10", false, true, true), {0, 50, 75, 115, 150, -1, 225, 250}},
      {"new in time: the rest of the range follows", R::NewInTime, 2, 4, newIn, {0, 50, 100, 150, 175, -1, 250, 275}},
      {"continue from the out cue before the range plus the default interval", R::ContinueFromLastOut, 3, 4, cont,
       {0, 50, 75, 125, 129, -1, 204, 229}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SubtitleDocument d = Reel();
    test::RecordingPrompter p;
    std::size_t first = 99, count = 0;
    RecutOutcome r = Recut(d, c.type, c.first, c.last, c.options, House(), p,
                           [&](std::size_t f, std::size_t n) { first = f, count = n; });
    EXPECT_EQ(r.result, RecutResult::Recut);
    EXPECT_EQ(Cues(d), c.expected);
    EXPECT_TRUE(p.shown.empty());
    EXPECT_EQ(first, static_cast<std::size_t>(c.first - 1));
    EXPECT_EQ(first + count, static_cast<std::size_t>(std::min(c.last, 4L)));
    EXPECT_TRUE(d.modified);
  }
}

TEST(Recut, NoCueGoesBeforeZero) {
  SubtitleDocument d = Reel();
  test::RecordingPrompter p;
  RecutOptions o;
  o.offset = "10:00:01:00";
  o.addOffset = false;
  Recut(d, R::Manual, 1, 4, o, House(), p);
  EXPECT_EQ(std::string(d.At(0).inCue), "00000000");
  EXPECT_EQ(std::string(d.At(0).outCue), "00000100");  // 25 frames
  EXPECT_EQ(std::string(d.At(1).inCue), "00000200");
}

TEST(Recut, ProportionalStretch) {
  {
    SCOPED_TRACE("an hour stretched by 36 seconds moves its middle by 18");
    SubtitleDocument d;
    d.Append(TimedSub("a", T0, T0 + 100));
    d.Append(TimedSub("b", LabelToFrames("10300000", kPal), LabelToFrames("10300400", kPal)));
    d.Append(TimedSub("c", LabelToFrames("11000000", kPal), -1));
    RecutOptions o;
    o.anchor1 = 1, o.anchor1NewIn = "10:00:00:00";
    o.anchor2 = 3, o.anchor2NewIn = "11:00:36:00";
    test::RecordingPrompter p;
    EXPECT_EQ(Recut(d, R::Proportional, 1, 3, o, House(), p).result, RecutResult::Recut);
    EXPECT_EQ(std::string(d.At(1).inCue), "10301800");
    EXPECT_EQ(std::string(d.At(1).outCue), "10302201");  // and 4 seconds stretched by a frame
    EXPECT_EQ(std::string(d.At(0).outCue), "10000401");
    EXPECT_EQ(std::string(d.At(2).inCue), "11003600");
  }
  {
    SCOPED_TRACE("gaps the stretch spoils are closed to the default interval");
    SubtitleDocument d;
    d.Append(TimedSub("a", 100, 500));   // -> 110, 550: gap to 552 is 2 -> out 548
    d.Append(TimedSub("b", 502, 700));   // -> 552, 770: gap to 1100 is 330, a pause
    d.Append(TimedSub("c", 1000, 1200)); // -> 1100, 1320: gap to 1331 is 11 -> out 1327
    d.Append(TimedSub("d", 1210, 1300)); // -> 1331, 1430: last of the range, kept
    d.Append(TimedSub("e", 1303, 1400)); // outside the range: untouched
    RecutOptions o;
    o.anchor1 = 1, o.anchor1NewIn = FramesToLabel(110, kPal);
    o.anchor2 = 3, o.anchor2NewIn = FramesToLabel(1100, kPal);
    test::RecordingPrompter p;
    Recut(d, R::Proportional, 1, 4, o, House(), p);
    std::vector<Timecode> frames;
    for (const Subtitle& s : d.Subtitles())
      frames.push_back(LabelToFrames(s.inCue, kPal)), frames.push_back(LabelToFrames(s.outCue, kPal));
    EXPECT_EQ(frames, (std::vector<Timecode>{110, 548, 552, 770, 1100, 1327, 1331, 1430, 1303, 1400}));
  }
}

TEST(Recut, ProportionalStretchStopsAtTheLastCue) {
  // Anchors one frame apart moved ninety hours apart: a slope of millions of frames.
  SubtitleDocument d;
  d.Append(TimedSub("a", 100, 101));
  d.Append(TimedSub("b", 101, 200));
  RecutOptions o;
  o.anchor1 = 1, o.anchor1NewIn = "00:00:04:00";
  o.anchor2 = 2, o.anchor2NewIn = "90:00:00:00";
  test::RecordingPrompter p;
  EXPECT_EQ(Recut(d, R::Proportional, 1, 2, o, House(), p).result, RecutResult::Recut);
  EXPECT_EQ(std::string(d.At(1).inCue), "90000000");
  EXPECT_EQ(std::string(d.At(1).outCue), "99595924");
}

// Every refusal: its message, nothing changed, no undo step.
TEST(Recut, RefusalsAndTheirMessages) {
  struct Case {
    const char* what;
    R type;
    long first, last;
    RecutOptions options;
    std::string text;
    Icon icon = Icon::Warning;
  };
  auto opts = [](auto set) {
    RecutOptions o;
    o.anchor1 = 1, o.anchor1NewIn = "10:00:00:00";
    o.anchor2 = 4, o.anchor2NewIn = "10:00:20:00";
    o.offset = "00:00:00:00";
    set(o);
    return o;
  };
  const Case cases[] = {
      {"manual offset of zero", R::Manual, 1, 4, opts([](RecutOptions&) {}), kRecutSetOffset, Icon::Information},
      {"manual offset not typed", R::Manual, 1, 4, opts([](RecutOptions& o) { o.offset = "__:__:__:__"; }),
       kRecutSetOffset, Icon::Information},
      {"new in cue same as current", R::NewInTime, 2, 4, opts([](RecutOptions& o) { o.newInCue = "10:00:03:00"; }),
       kRecutSameInCue, Icon::Information},
      {"new in cue not typed", R::NewInTime, 2, 4, opts([](RecutOptions& o) { o.newInCue = "10:00:03"; }),
       kRecutNoFirstNewIn},
      {"continuing would not move the range", R::ContinueFromLastOut, 2, 4,
       opts([](RecutOptions&) {}), "", Icon::Information},
      {"first anchor's new in cue missing (checked first)", R::Proportional, 1, 4, opts([](RecutOptions& o) {
         o.anchor1NewIn = "";
         o.anchor2NewIn = "";
         o.anchor2 = 1;
       }),
       kRecutNoFirstNewIn},
      {"second anchor's new in cue incomplete", R::Proportional, 1, 4,
       opts([](RecutOptions& o) { o.anchor2NewIn = "10:00:20:0"; }), kRecutNoSecondNewIn},
      {"anchors the same", R::Proportional, 1, 4, opts([](RecutOptions& o) { o.anchor2 = 1; }), kRecutAnchorOrder},
      {"anchors reversed", R::Proportional, 1, 4, opts([](RecutOptions& o) { o.anchor1 = 3, o.anchor2 = 2; }),
       kRecutAnchorOrder},
      {"anchor outside the file", R::Proportional, 1, 4, opts([](RecutOptions& o) { o.anchor2 = 9; }),
       "Subtitle 9 is not in the file."},
      {"nothing before the range to continue from", R::ContinueFromLastOut, 1, 4, opts([](RecutOptions&) {}),
       "The subtitle before subtitle 1 has no out cue to continue from."},
      {"range before the first subtitle", R::Manual, 0, 4, opts([](RecutOptions& o) { o.offset = "00:00:01:00"; }),
       "The range must start at a subtitle of the file (1 to 4)."},
      {"range after the last subtitle", R::Manual, 5, 9, opts([](RecutOptions& o) { o.offset = "00:00:01:00"; }),
       "The range must start at a subtitle of the file (1 to 4)."},
      {"range ending before it starts", R::Manual, 3, 2, opts([](RecutOptions& o) { o.offset = "00:00:01:00"; }),
       "The last subtitle of the range must not come before the first."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SubtitleDocument d = Reel();
    if (c.text.empty()) d.SetInCue(1, FramesToDigits(T0 + 54, kPal));  // exactly 4 after subtitle 1
    d.modified = false;
    const SubtitleDocument before = d;
    test::RecordingPrompter p;
    bool called = false;
    RecutOutcome r = Recut(d, c.type, c.first, c.last, c.options, House(), p,
                           [&](std::size_t, std::size_t) { called = true; });
    EXPECT_EQ(r.result, RecutResult::Refused);
    ASSERT_EQ(p.shown.size(), 1u);
    EXPECT_EQ(p.Last().title, kRecutTitle);
    EXPECT_EQ(p.Last().text, c.text.empty() ? std::string(kRecutSameInCue) : c.text);
    EXPECT_FALSE(called);
    EXPECT_EQ(d.Subtitles(), before.Subtitles());
    EXPECT_FALSE(d.modified);
  }
}

TEST(Recut, CaptionsInTheirOrder) {
  EXPECT_EQ(RecutTypeCaptions(),
            (std::vector<std::string>{"Adjust offset time manually", "Base offset on new in time",
                                      "Continue timecode from last out cue",
                                      "Proportional offset based on two new in cues"}));
}

}  // namespace
}  // namespace kipo
