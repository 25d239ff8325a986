// What is done with the cut flags: snapping cues, subtitles timed on the cuts, shifting the
// table and the jumps of the video transport.
#include <gtest/gtest.h>

#include "platform/user_error.h"
#include "settings/keys.h"
#include "settings/settings_store.h"
#include "timing/shot_cuts.h"

namespace kipo {
namespace {

const FrameRate kPal = *FrameRate::FromCode(25);

std::vector<std::int16_t> Flags(std::size_t frames, std::initializer_list<int> cuts) {
  std::vector<std::int16_t> f(frames, 0);
  for (int c : cuts) f[c] = -1;
  return f;
}

// Subtitles from (in, out) frame pairs at 25 fps; -1 leaves a cue not set.
using Cues = std::vector<std::pair<Timecode, Timecode>>;
SubtitleDocument Doc(const Cues& cues) {
  SubtitleDocument d;
  for (auto [in, out] : cues) {
    Subtitle s;
    s.text = "x";
    if (in >= 0) s.inCue = FramesToDigits(in, kPal);
    if (out >= 0) s.outCue = FramesToDigits(out, kPal);
    d.Append(s);
  }
  return d;
}

Cues CuesOf(const SubtitleDocument& d) {
  Cues c;
  for (const Subtitle& s : d.Subtitles())
    c.push_back({s.inCue.IsSet() ? s.inCue.ToFrames(kPal) : -1, s.outCue.IsSet() ? s.outCue.ToFrames(kPal) : -1});
  return c;
}

HouseOptions House(short interval = 4, short threshold = 12) {
  HouseOptions h;
  h.defaultInterval = interval;
  h.invalidIntervalThreshold = threshold;
  return h;
}

// Each case snaps one subtitle (the middle one where there are three) against the cuts.
TEST(SnapToShotCuts, WindowOffsetsAndNeighbours) {
  struct Case {
    const char* what;
    std::initializer_list<int> cuts;
    Cues before;
    std::size_t index;
    SnapOptions options;
    Cues after;
  } cases[] = {
      {"an in cue on a cut with in offset 1 moves one frame later", {100}, {{100, 150}}, 0, {1, 2, 7}, {{101, 150}}},
      {"snapping again moves it again only with another cut in the window", {100}, {{101, 150}}, 0, {1, 2, 7},
       {{101, 150}}},
      {"two cuts in the window: the later one decides", {97, 102}, {{100, 160}}, 0, {0, 2, 7}, {{102, 160}}},
      {"even when the earlier one is nearer", {99, 106}, {{100, 160}}, 0, {0, 2, 7}, {{106, 160}}},
      {"a cut just outside the window is left", {108}, {{100, 160}}, 0, {0, 2, 7}, {{100, 160}}},
      {"window 0 takes only a cut on the cue", {101}, {{100, 160}}, 0, {0, 2, 0}, {{100, 160}}},
      {"in offset 2", {103}, {{100, 160}}, 0, {2, 2, 7}, {{105, 160}}},
      // Out cue 3 frames before a cut with the default interval 4: it ends 4 frames before
      // the cut and the next in cue (close enough) moves onto the cut plus the interval.
      {"out cue before a cut with the default interval", {153}, {{100, 150}, {158, 200}}, 0, {0, 2, 7},
       {{100, 149}, {157, 200}}},
      {"out choice 0 ends one frame before the cut", {153}, {{100, 150}}, 0, {0, 0, 7}, {{100, 152}}},
      {"out choice 1 ends two frames before the cut", {153}, {{100, 150}}, 0, {0, 1, 7}, {{100, 151}}},
      // The next in cue lies 20 frames after the cut: more than both the interval (4) and
      // the threshold (12), so the gap was meant and it stays.
      {"a next in cue far after the cut stays", {153}, {{100, 150}, {173, 220}}, 0, {0, 2, 7},
       {{100, 149}, {173, 220}}},
      {"a next in cue at the threshold follows", {153}, {{100, 150}, {165, 220}}, 0, {0, 2, 7},
       {{100, 149}, {157, 220}}},
      {"the previous out cue follows the in cue's cut", {200}, {{100, 190}, {198, 250}}, 1, {0, 2, 7},
       {{100, 196}, {200, 250}}},
      {"also when the cut lies before the previous out cue", {195}, {{100, 199}, {201, 250}}, 1, {1, 2, 7},
       {{100, 191}, {196, 250}}},
      {"a previous out cue far before the cut stays", {200}, {{100, 180}, {198, 250}}, 1, {0, 2, 7},
       {{100, 180}, {200, 250}}},
      {"both cues of the middle subtitle and both neighbours", {200, 251}, {{100, 195}, {198, 248}, {256, 300}}, 1,
       {0, 2, 7}, {{100, 196}, {200, 247}, {255, 300}}},
      {"a cue that is not set is left alone", {100}, {{-1, 103}}, 0, {0, 0, 7}, {{-1, 99}}},
      {"positions outside the video are skipped", {2}, {{1, 40}}, 0, {0, 2, 7}, {{2, 40}}},
      {"a previous out cue would go before zero", {2}, {{0, 1}, {3, 40}}, 1, {0, 2, 7}, {{0, 0}, {2, 40}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SubtitleDocument d = Doc(c.before);
    d.modified = false;
    const CutTimeline cuts = CutTimeline::FromFlags(Flags(400, c.cuts));
    const int changed = SnapToShotCuts(d, c.index, cuts, c.options, House());
    EXPECT_EQ(CuesOf(d), c.after);
    EXPECT_EQ(d.modified, changed > 0);
  }
}

TEST(SnapToShotCuts, RangeTimelineAndNoCuts) {
  const HouseOptions house = House();
  // A video that starts at 10:00:00:00: its frame 25 is the cue position 10:00:01:00.
  const Timecode start = 10 * 3600 * 25;
  std::vector<Timecode> times(100);
  for (std::size_t f = 0; f < times.size(); ++f) times[f] = start + static_cast<Timecode>(f);
  const CutTimeline late(times, Flags(100, {25, 60}));
  EXPECT_EQ(late.Cuts(), (std::vector<Timecode>{start + 25, start + 60}));
  EXPECT_FALSE(late.IsCut(25));
  EXPECT_FALSE(late.IsCut(start + 100));

  SubtitleDocument d = Doc({{start + 23, start + 50}, {start + 57, start + 90}, {start + 95, start + 99}});
  std::vector<std::pair<std::size_t, std::size_t>> recorded;
  auto record = [&](std::size_t first, std::size_t count) { recorded.push_back({first, count}); };
  EXPECT_EQ(SnapRangeToShotCuts(d, 1, 1, late, SnapOptions{0, 2, 7}, house, record), 2);
  EXPECT_EQ(CuesOf(d)[0], (std::pair<Timecode, Timecode>{start + 23, start + 56}));
  EXPECT_EQ(CuesOf(d)[1], (std::pair<Timecode, Timecode>{start + 60, start + 90}));
  // One record for the range with both its neighbours, before the first change.
  EXPECT_EQ(recorded, (std::vector<std::pair<std::size_t, std::size_t>>{{0, 3}}));

  // No cut at all: the message and no change, nothing recorded.
  recorded.clear();
  const SubtitleDocument before = d;
  try {
    SnapRangeToShotCuts(d, 0, 2, CutTimeline::FromFlags(Flags(100, {})), SnapOptions{}, house, record);
    ADD_FAILURE() << "no error";
  } catch (const UserError& e) {
    EXPECT_EQ(e.text(), "No shot cuts found!");
  }
  EXPECT_EQ(d.Subtitles(), before.Subtitles());
  EXPECT_TRUE(recorded.empty());
}

TEST(SnapOptions, StoredAsTheWindowsListIndexes) {
  SettingsStore s;
  EXPECT_EQ(SnapOptions::Load(s).inOffset, 0);
  EXPECT_EQ(SnapOptions::Load(s).outChoice, 2);
  EXPECT_EQ(SnapOptions::Load(s).window, 7);
  SnapOptions{2, 0, 12}.Save(s);
  EXPECT_EQ(s.Get(keys::kShotCutIn), 2);
  EXPECT_EQ(s.Get(keys::kShotCutOut), 0);
  EXPECT_EQ(s.Get(keys::kShotCutThreshold), 12);
  EXPECT_EQ((SnapOptions{0, 2, 7}.OutOffset(4)), -4);
}

TEST(CuesFromShotCuts, OnePerCutThenDurationRules) {
  TimingParameters p;  // min 25, max 175, interval 4, default duration 50
  struct Case {
    const char* what;
    std::initializer_list<int> cuts;
    Cues expected;
  } cases[] = {
      {"one subtitle per cut, each ending the interval before the next cut", {100, 200, 300},
       {{100, 196}, {200, 296}, {300, -1}}},
      {"a single cut gives one subtitle without out cue", {100}, {{100, -1}}},
      {"a long shot ends the default duration after its in cue", {100, 400, 500}, {{100, 150}, {400, 496}, {500, -1}}},
      {"a short shot takes over the next one's out cue", {100, 110, 200, 300}, {{100, 196}, {200, 296}, {300, -1}}},
      {"a run of short shots joins until long enough", {100, 105, 110, 115, 200}, {{100, 196}, {200, -1}}},
      {"a short shot before the last takes its empty out cue", {100, 200, 210}, {{100, 196}, {200, -1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> phases;
    const auto subs = CuesFromShotCuts(CutTimeline::FromFlags(Flags(600, c.cuts)), p, kPal,
                                       [&](std::string_view phase, std::size_t done, std::size_t total) {
                                         EXPECT_LE(done, total);
                                         if (phases.empty() || phases.back() != phase) phases.emplace_back(phase);
                                       });
    SubtitleDocument d;
    d.ReplaceAll(subs);
    EXPECT_EQ(CuesOf(d), c.expected);
    for (const Subtitle& s : subs) EXPECT_TRUE(s.text.empty());
    EXPECT_EQ(phases, (std::vector<std::string>{std::string(kScanningShotCuts), std::string(kCreatingCues),
                                                std::string(kCheckingDuration)}));
  }
  EXPECT_THROW(CuesFromShotCuts(CutTimeline::FromFlags(Flags(50, {})), p, kPal), UserError);
}

TEST(ShiftShotCuts, MovesFlagsAndMeasuresTogether) {
  auto flags = Flags(8, {3, 6});
  std::vector<std::int32_t> m{0, 1, 2, 3, 4, 5, 6, 7};
  ShiftShotCuts(flags, m, 2, true);
  EXPECT_EQ(flags, Flags(8, {1, 4}));
  EXPECT_EQ(m, (std::vector<std::int32_t>{2, 3, 4, 5, 6, 7, 0, 0}));
  ShiftShotCuts(flags, m, 3, false);
  EXPECT_EQ(flags, Flags(8, {4, 7}));
  EXPECT_EQ(m, (std::vector<std::int32_t>{0, 0, 0, 2, 3, 4, 5, 6}));
  ShiftShotCuts(flags, m, 20, true);
  EXPECT_EQ(flags, Flags(8, {}));
}

TEST(ShotCutJumps, OffsetsAndEnds) {
  const auto flags = Flags(100, {20, 50, 80});
  struct Case {
    const char* what;
    bool next;
    FrameCount from;
    int offset;
    std::optional<FrameCount> to;
  } cases[] = {
      {"next lands on the cut", true, 0, 5, 20},
      {"next from the cut goes on to the next one", true, 20, 5, 50},
      {"previous lands on the cut", false, 60, 5, 50},
      {"previous from the cut goes back to the one before", false, 50, 5, 20},
      {"offset 7 lands two frames after the cut", true, 0, 7, 22},
      {"and from there the next jump goes on", true, 22, 7, 52},
      {"offset 7 backwards from two after a cut goes to the one before", false, 52, 7, 22},
      {"offset 3 lands two frames before the cut", true, 0, 3, 18},
      {"nothing after the last cut", true, 80, 5, std::nullopt},
      {"nothing before the first cut", false, 20, 5, std::nullopt},
      {"a position past the end searches from the last frame", false, 500, 5, 80},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.next ? NextShotCutFrame(flags, c.from, c.offset) : PreviousShotCutFrame(flags, c.from, c.offset), c.to);
  }
}

}  // namespace
}  // namespace kipo
