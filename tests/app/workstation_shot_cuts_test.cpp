// The shot-cut commands of the timing controller: the snap window's OK and Alt+keypad 5,
// cues from shot cuts, the shift and the jumps, each with its messages and undo step.
#include <gtest/gtest.h>

#include "app/workstation.h"
#include "settings/keys.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"
#include "support/timed_subtitle.h"
#include "platform/files.h"
#include "video/tcd_file.h"

namespace kipo {
namespace {

using test::kPal;
constexpr auto Sub = test::TimedSub;

// A table of `frames` frames at 25 fps from `start` on, cut where given.
FrameTable Table(int frames, std::initializer_list<int> cuts, Timecode start = 0) {
  FrameTable t;
  t.rate = kPal;
  for (int f = 0; f < frames; ++f) {
    t.timecodes.push_back(FramesToLabel(start + f, kPal));
    t.measures.push_back(f);
  }
  t.cuts.assign(frames, 0);
  for (int c : cuts) t.cuts[c] = -1;
  return t;
}

struct Bench {
  SettingsStore settings;
  test::RecordingPrompter prompter;
  Workstation ws{settings, prompter};
  explicit Bench(std::vector<Subtitle> subs) {
    SubtitleDocument d;
    for (auto& s : subs) d.Append(std::move(s));
    ws.session().ReplaceDocument(std::move(d));
  }
  std::vector<std::pair<Timecode, Timecode>> Cues() const {
    std::vector<std::pair<Timecode, Timecode>> c;
    for (const Subtitle& s : ws.doc().Subtitles())
      c.push_back({s.inCue.IsSet() ? s.inCue.ToFrames(kPal) : -1, s.outCue.IsSet() ? s.outCue.ToFrames(kPal) : -1});
    return c;
  }
};

using CueList = std::vector<std::pair<Timecode, Timecode>>;

TEST(WorkstationShotCuts, SnapWindowRefusalsAndOneUndoStep) {
  Bench b({Sub("One", 100, 150), Sub("Two", 158, 200), Sub("Three", 290, 340)});
  TimingController& t = b.ws.timing();
  const CueList original = b.Cues();
  {
    SCOPED_TRACE("an end below the start is refused and the window stays");
    t.SetFrameTable(Table(400, {153}));
    EXPECT_EQ(t.SnapShotCuts(SnapRange::Numbered, 3, 2, {0, 2, 7}), SnapOutcome::Refused);
    EXPECT_EQ(b.prompter.Last().text, "End subtitle must be less than start subtitle");
    EXPECT_EQ(b.Cues(), original);
  }
  {
    SCOPED_TRACE("no cut in the table");
    t.SetFrameTable(Table(400, {}));
    EXPECT_EQ(t.SnapShotCuts(SnapRange::WholeFile, 0, 0, {0, 2, 7}), SnapOutcome::NoCuts);
    EXPECT_EQ(b.prompter.Last().text, "No shot cuts found!");
    EXPECT_EQ(b.Cues(), original);
    EXPECT_FALSE(b.settings.Has(keys::kSnapShotCutRange.section, keys::kSnapShotCutRange.name));
  }
  {
    SCOPED_TRACE("the whole file in one step; the choices are stored");
    t.SetFrameTable(Table(400, {153, 293}));
    EXPECT_EQ(t.SnapShotCuts(SnapRange::WholeFile, 0, 0, {1, 2, 7}), SnapOutcome::Snapped);
    // Subtitle 2 first follows the cut at the interval, then snaps onto it with its own offset.
    EXPECT_EQ(b.Cues(), (CueList{{100, 149}, {154, 200}, {294, 340}}));
    EXPECT_EQ(b.settings.Get(keys::kShotCutIn), 1);
    EXPECT_EQ(b.settings.Get(keys::kSnapShotCutRange), 0);
    EXPECT_TRUE(b.ws.doc().modified);
    b.ws.session().Undo();
    EXPECT_EQ(b.Cues(), original);
  }
  {
    SCOPED_TRACE("a numbered range touches only its subtitles and their neighbours' cues");
    EXPECT_EQ(t.SnapShotCuts(SnapRange::Numbered, 3, 3, {0, 2, 7}), SnapOutcome::Snapped);
    EXPECT_EQ(b.Cues(), (CueList{{100, 150}, {158, 200}, {293, 340}}));
    EXPECT_EQ(b.settings.Get(keys::kSnapShotCutRange), 2);
    b.ws.session().Undo();
    EXPECT_EQ(b.Cues(), original);
  }
  {
    SCOPED_TRACE("Alt+keypad 5 snaps the current subtitle with the stored settings");
    b.settings.Set(keys::kShotCutOut, 0L);
    b.ws.session().GoTo(0);
    EXPECT_TRUE(t.SnapCurrentToShotCuts());
    EXPECT_EQ(b.Cues(), (CueList{{100, 152}, {157, 200}, {290, 340}}));
    EXPECT_EQ(b.ws.session().edit().outCue, FramesToLabel(152, kPal));
  }
}

// Cuts are found on the video's clock; the snap window sees them where the player shows
// them: the video's own start timecode, then the document's video offset (forward or back).
TEST(WorkstationShotCuts, CutsSitWhereThePlayerShowsThem) {
  const Timecode tenHours = 10 * 3600 * 25;
  const struct {
    const char* name;
    Timecode videoStart;
    const char* offset;
    bool back;
    Timecode cueBase;  // where video frame 0 lands on the document's timecode
  } cases[] = {
      {"a video starting at 10:00:00:00", tenHours, "00:00:00:00", false, tenHours},
      {"an offset of 10 hours", 0, "10:00:00:00", false, tenHours},
      {"an offset of 10 hours back", tenHours, "10:00:00:00", true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bench b({Sub("One", c.cueBase + 50, c.cueBase + 100)});
    b.ws.player().SetVideoOffset(c.offset, c.back);
    b.ws.timing().SetFrameTable(Table(200, {53}, c.videoStart));
    EXPECT_EQ(b.ws.timing().SnapShotCuts(SnapRange::WholeFile, 0, 0, {0, 2, 7}), SnapOutcome::Snapped);
    EXPECT_EQ(b.Cues(), (CueList{{c.cueBase + 53, c.cueBase + 100}}));
  }
}

TEST(WorkstationShotCuts, CreateCuesAsksAndIsOneStep) {
  Bench b({Sub("Keep me", 10, 60)});
  TimingController& t = b.ws.timing();
  t.SetFrameTable(Table(600, {100, 200, 300}));
  EXPECT_FALSE(t.CreateCuesFromShotCuts());  // answered No
  EXPECT_EQ(b.prompter.Last().text,
            "Warning! This will delete all subtitles in the current file and create an empty file containing only "
            "cues. Do you want to continue?");
  EXPECT_EQ(b.ws.doc().Count(), 1u);

  b.prompter.answers.push_back(Answer::Yes);
  EXPECT_TRUE(t.CreateCuesFromShotCuts());
  EXPECT_EQ(b.Cues(), (CueList{{100, 196}, {200, 296}, {300, -1}}));
  for (const char* phase : {"Scanning shot cuts...", "Creating cues...", "Checking subtitle duration..."})
    EXPECT_NE(std::find(b.prompter.statuses.begin(), b.prompter.statuses.end(), phase), b.prompter.statuses.end())
        << phase;
  b.ws.session().Undo();
  EXPECT_EQ(b.Cues(), (CueList{{10, 60}}));
  EXPECT_EQ(b.ws.doc().At(0).text, "Keep me");

  t.SetFrameTable(Table(600, {}));
  b.prompter.answers.push_back(Answer::Yes);
  EXPECT_FALSE(t.CreateCuesFromShotCuts());
  EXPECT_EQ(b.prompter.Last().text, "No shot cuts found!");
  EXPECT_EQ(b.ws.doc().At(0).text, "Keep me");
}

TEST(WorkstationShotCuts, JumpsAndShiftRewritingTheDataFile) {
  test::TempHome home;
  Bench b({Sub("One", 0, 50)});
  TimingController& t = b.ws.timing();
  TimecodeData data;
  data.video = {"film.mp4", 1234, 5678};
  data.table = Table(100, {20, 50});
  const auto file = home / "film.mp4.tcd";
  const Bytes bytes = WriteTimecodeData(data);
  test::WriteFile(file, std::string(bytes.begin(), bytes.end()));
  t.SetFrameTable(data.table, file.string());

  b.settings.Set(keys::kNextShotCutOffset, 7L);
  t.SetVideoFrame(0);
  EXPECT_EQ(t.JumpToShotCut(true), 22);
  EXPECT_EQ(t.JumpToShotCut(true), 52);
  EXPECT_EQ(t.JumpToShotCut(true), std::nullopt);
  EXPECT_EQ(t.videoFrame(), 52);
  EXPECT_EQ(t.JumpToShotCut(false), 50);  // "Last shot cut offset" is still 5: on the cut
  EXPECT_DOUBLE_EQ(t.ShotCutJumpSeconds(50), 2.001);

  EXPECT_TRUE(t.ShiftShotCuts(2, true));
  EXPECT_EQ(ShotCutFrames(t.frameTable().cuts), (std::vector<std::int32_t>{18, 48}));
  const TimecodeData stored = ReadTimecodeData(ReadFileBytes(file));
  EXPECT_EQ(stored.table.cuts, t.frameTable().cuts);
  EXPECT_EQ(stored.table.measures, t.frameTable().measures);
  EXPECT_EQ(stored.video, data.video);
  EXPECT_TRUE(t.ShiftShotCuts(3, false));
  EXPECT_EQ(ShotCutFrames(t.frameTable().cuts), (std::vector<std::int32_t>{21, 51}));
}

}  // namespace
}  // namespace kipo
