// Cues set from the picture: the rules as a table, then through the Workstation with a
// generated video, its undo step, the video offset and the settings that chain the keys.
#include <gtest/gtest.h>

#include "app/commands.h"
#include "app/workstation.h"
#include "platform/user_error.h"
#include "settings/keys.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"
#include "support/test_videos.h"
#include "support/timed_subtitle.h"

namespace kipo {
namespace {

using test::kPal;
constexpr auto Sub = test::TimedSub;
constexpr auto P = CueRulePolicy::Prevent;
constexpr auto W = CueRulePolicy::Warn;
constexpr auto A = CueRulePolicy::Allow;
constexpr std::optional<Timecode> none;

// min 25, max 175, interval 4 (the house defaults).
TEST(PlayerCues, RulesAndPoliciesForCuesTakenFromThePicture) {
  struct Case {
    const char* what;
    CueField field;
    std::optional<Timecode> in, out, lastOut, nextIn;
    Timecode position;
    CueRulePolicy policy = W;  // every policy of the case
    bool lock = false, grab = false;
    // expected
    bool applied = true;
    std::optional<Timecode> newIn = {}, newOut = {}, lastOutTo = {}, nextInTo = {};
    bool clearOut = false;
    std::string warning = {};
  };
  const TimingParameters p;
  const std::string shortW = DurationLessWarning(p), longW = DurationGreaterWarning(p);
  const std::string lastW = LastIntervalWarning(p), nextW = NextIntervalWarning(p);
  const Case cases[] = {
      {"plain in cue", CueField::In, none, none, 50, none, 100, W, false, false, true, 100},
      {"in cue keeps the old out cue", CueField::In, 90, 160, 50, none, 100, W, false, false, true, 100},
      {"in cue at the old out cue empties it", CueField::In, 90, 160, 50, none, 160, W, false, false, true, 160, none,
       none, none, true},
      {"in cue after the old out cue empties it", CueField::In, 90, 160, 50, none, 300, A, false, false, true, 300, none,
       none, none, true},
      {"in cue too close to the last out: warn", CueField::In, none, none, 100, none, 102, W, false, false, true, 102,
       none, none, none, false, lastW},
      {"in cue too close to the last out: prevent", CueField::In, none, none, 100, none, 102, P, false, false, false},
      {"in cue too close to the last out: allow", CueField::In, none, none, 100, none, 102, A, false, false, true, 102},
      {"in cue before the last out, locked: the last out follows", CueField::In, none, none, 100, none, 90, P, true,
       false, true, 90, none, 86},
      {"in cue leaves too short a subtitle: warn", CueField::In, none, 200, none, none, 190, W, false, false, true, 190,
       none, none, none, false, shortW},
      {"in cue leaves too short a subtitle: prevent", CueField::In, none, 200, none, none, 190, P, false, false, false},
      {"in cue leaves too long a subtitle: warn", CueField::In, none, 400, none, none, 100, W, false, false, true, 100,
       none, none, none, false, longW},
      {"plain out cue", CueField::Out, 100, none, none, none, 150, W, false, false, true, none, 150},
      {"out cue without in cue is written alone", CueField::Out, none, none, 50, none, 150, P, false, false, true, none,
       150},
      {"grab in add out: the in cue follows the last out", CueField::Out, none, none, 50, none, 150, P, false, true,
       true, 54, 150},
      {"grab in add out without a last out: out alone", CueField::Out, none, none, none, none, 150, P, false, true, true,
       none, 150},
      {"grab in add out: out before the grabbed in", CueField::Out, none, none, 200, none, 150, A, false, true, false,
       none, none, none, none, false, kOutBeforeIn},
      {"out cue on the in cue is refused whatever the policy", CueField::Out, 100, none, none, none, 100, A, false,
       false, false, none, none, none, none, false, kOutBeforeIn},
      {"out cue before the in cue is refused", CueField::Out, 100, 150, none, none, 80, A, false, false, false, none,
       none, none, none, false, kOutBeforeIn},
      {"out cue too short: warn", CueField::Out, 100, none, none, none, 110, W, false, false, true, none, 110, none,
       none, false, shortW},
      {"out cue too short: prevent", CueField::Out, 100, none, none, none, 110, P, false, false, false},
      {"out cue too long: allow", CueField::Out, 100, none, none, none, 400, A, false, false, true, none, 400},
      {"out cue too long: prevent", CueField::Out, 100, none, none, none, 400, P, false, false, false},
      {"out cue too close to the next in: warn", CueField::Out, 100, none, none, 200, 198, W, false, false, true, none,
       198, none, none, false, nextW},
      {"out cue too close to the next in: prevent", CueField::Out, 100, none, none, 200, 198, P, false, false, false},
      {"out cue past the next in, locked: the next in follows", CueField::Out, 100, none, none, 200, 210, P, true, false,
       true, none, 210, none, 214},
      {"out cue at the interval before the next in is fine", CueField::Out, 100, none, none, 200, 196, P, false, false,
       true, none, 196},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HouseOptions h;
    h.durationTooShortPolicy = h.durationTooLongPolicy = h.lastIntervalPolicy = h.nextIntervalPolicy = c.policy;
    h.lockCues = c.lock;
    EditCues cues;
    cues.in = c.in;
    cues.out = c.out;
    cues.lastOut = c.lastOut;
    cues.nextIn = c.nextIn;
    PlayerCue r = CueFromPlayer(cues, c.field, c.position, p, h, c.grab);
    EXPECT_EQ(r.applied, c.applied);
    EXPECT_EQ(r.warning, c.warning);
    if (!c.applied) continue;
    EXPECT_EQ(r.in, c.newIn);
    EXPECT_EQ(r.out, c.newOut);
    EXPECT_EQ(r.lastOut, c.lastOutTo);
    EXPECT_EQ(r.nextIn, c.nextInTo);
    EXPECT_EQ(r.clearOut, c.clearOut);
  }
}

struct Bench {
  test::TempHome home;
  SettingsStore settings{home / "settings.ini"};
  test::RecordingPrompter prompter;
  Workstation ws{settings, prompter, home / "data"};
  explicit Bench(std::vector<Subtitle> subs) {
    SubtitleDocument d;
    for (auto& s : subs) d.Append(std::move(s));
    ws.session().ReplaceDocument(std::move(d));
  }
  std::string Label(Timecode f) const { return FramesToLabel(f, kPal); }
};

// Seeking lands on a frame; the position is that frame's timecode at the document's rate,
// plus the document's video offset; a cue taken there is exactly that timecode, one undo
// step takes it back, and the offset window refuses what is no timecode.
TEST(PlayerCues, CuesFromTheFrameShownWithTheVideoOffset) {
  KIPO_TEST_VIDEO(video, "numbered.mp4");
  Bench b({Sub("One", -1, -1), Sub("Two", 200, 260)});
  auto& ws = b.ws;
  EXPECT_FALSE(ws.player().SetInCue()) << "no video, no cue";
  ws.player().OpenVideo(video);
  ASSERT_TRUE(ws.player().hasVideo());
  EXPECT_EQ(ws.playhead().length(), 75);
  EXPECT_EQ(ws.playhead().video(), video);

  struct Step {
    const char* offset;
    bool back;
    FrameCount frame;
    Timecode expected;  // the cue in frames at 25 fps
  };
  const Step steps[] = {
      {"", false, 37, 37},
      {"10:00:00:00", false, 12, 900000 + 12},
      {"00:00:01:00", true, 60, 35},
      {"00000000", false, 74, 74},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(std::string("offset ") + s.offset + (s.back ? " back" : "") + ", frame " + std::to_string(s.frame));
    ws.player().SetVideoOffset(s.offset, s.back);
    ws.playhead().Seek(s.frame);
    EXPECT_EQ(ws.playhead().position(), s.frame);
    EXPECT_EQ(ws.player().PositionLabel(), b.Label(s.expected));
    EXPECT_EQ(ws.player().FrameAt(s.expected), s.frame);
    ws.session().GoTo(0);
    ASSERT_TRUE(ws.player().SetInCue());
    EXPECT_EQ(ws.doc().At(0).inCue, FramesToDigits(s.expected, kPal));
    EXPECT_EQ(ws.session().edit().inCue, b.Label(s.expected));
    ws.session().Undo();
    EXPECT_EQ(ws.doc().At(0).inCue, "");
  }
  EXPECT_TRUE(b.settings.Get(keys::kOptions, "Offset timecode back", "") == "0");
  for (const char* bad : {"12:34", "00:00:00:25", "ab:cd:ef:gh", "1000000000"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(ws.player().SetVideoOffset(bad, true), UserError);
    EXPECT_EQ(ws.player().videoOffset(), 0) << "a refused offset changes nothing";
  }
  {
    SCOPED_TRACE("a damaged video is refused and the open one stays");
    const auto junk = test::WriteFile(b.home / "junk.mp4", "1\r\n00:00:01,000 --> 00:00:02,000\r\nNot a video\r\n");
    EXPECT_THROW(ws.player().OpenVideo(junk), UserError);
    EXPECT_EQ(ws.playhead().video(), video);
    EXPECT_EQ(ws.playhead().length(), 75);
  }
  {
    SCOPED_TRACE("a position at a drop-frame rate is written with its separator");
    ws.session().SetFrameRate(29);
    ws.playhead().Seek(74);
    EXPECT_EQ(ws.player().PositionLabel().substr(8, 1), ";");
  }
}

// A playback engine that plays by being told to: each Advance moves one frame of 1/25 s.
struct ScriptedPlayer : Player {
  double at = 0;
  bool playing = false;
  double speed = 1;
  std::string opened;
  int seeks = 0;
  void Open(const std::string& path) override { opened = path; }
  void Close() override { opened.clear(); }
  void Play() override {
    playing = true;
    onPosition(at, true);
  }
  void Pause() override {
    playing = false;
    onPosition(at, false);
  }
  void Seek(double seconds) override {
    at = seconds;
    ++seeks;
    if (!slow) onPosition(at, playing);
  }
  // A slow engine reports only the seek that landed last.
  bool slow = false;
  void Land() { onPosition(at, playing); }
  void SetSpeed(double f) override { speed = f; }
  void Advance(int frames) {
    for (int i = 0; i < frames && playing; ++i) {
      at += 0.04;
      onPosition(at, true);
    }
  }
};

// The transport: play the subtitle stops on its out cue (or loops), steps by frames and
// seconds, going to cues, speeds within 0.5-2, and the commands of the Video menu.
TEST(PlayerTransport, PlayingTheSubtitleStopsOnItsOutCue) {
  KIPO_TEST_VIDEO(video, "numbered.mp4");
  ScriptedPlayer engine;  // outlives the Workstation that plays through it
  Bench b({Sub("One", 10, 30), Sub("Two", 40, 200)});
  auto& ws = b.ws;
  ws.player().SetPlayer(&engine);
  ws.player().OpenVideo(video);
  EXPECT_EQ(engine.opened, video.string());

  ASSERT_TRUE(ws.player().PlayCurrentSubtitle());
  EXPECT_TRUE(ws.playhead().playing());
  EXPECT_EQ(ws.playhead().position(), 10);
  engine.Advance(40);
  EXPECT_FALSE(ws.playhead().playing());
  EXPECT_EQ(ws.playhead().position(), 30) << "stopped on the out cue's own frame";
  EXPECT_FALSE(engine.playing);

  ws.player().SetLoop(true);
  ASSERT_TRUE(ws.player().PlayCurrentSubtitle());
  engine.Advance(25);  // 20 frames to the out cue, then back to the in cue
  EXPECT_TRUE(ws.playhead().playing());
  EXPECT_LT(ws.playhead().position(), 30);
  EXPECT_GE(ws.playhead().position(), 10);
  ws.player().Pause();
  ws.player().SetLoop(false);

  struct Move {
    const char* command;
    FrameCount from, to;
  };
  const Move moves[] = {
      {"video.frameForward", 10, 11}, {"video.frameBack", 10, 9},   {"video.frameBack", 0, 0},
      {"video.forward1", 10, 35},     {"video.back1", 30, 5},       {"video.back1", 10, 0},
      {"video.forward5", 10, 74},     {"video.back5", 74, 0},       {"video.goToOut", 50, 30},
      {"video.goToIn", 50, 10},
  };
  for (const Move& m : moves) {
    SCOPED_TRACE(std::string(m.command) + " from " + std::to_string(m.from));
    ws.playhead().Seek(m.from);
    ASSERT_TRUE(FindCommand(m.command)->run(ws));
    EXPECT_EQ(ws.playhead().position(), m.to);
  }

  {
    SCOPED_TRACE("a subtitle running past the video stops on the last frame");
    ws.session().GoTo(1);
    ASSERT_TRUE(ws.player().PlayCurrentSubtitle());
    engine.Advance(100);
    EXPECT_EQ(ws.playhead().position(), 74);
    EXPECT_FALSE(ws.playhead().playing());
  }

  {
    SCOPED_TRACE("steps taken before the engine has landed add up");
    ws.playhead().Seek(20);
    engine.slow = true;
    for (int i = 0; i < 3; ++i) FindCommand("video.frameForward")->run(ws);
    FindCommand("video.forward1")->run(ws);
    engine.Land();
    engine.slow = false;
    EXPECT_EQ(ws.playhead().position(), 48);
  }

  for (auto [asked, got] : {std::pair{0.1, 0.5}, {0.75, 0.75}, {3.0, 2.0}}) {
    ws.player().SetSpeed(asked);
    EXPECT_EQ(engine.speed, got);
  }
  ws.player().SetSpeed(1);
  FindCommand("video.faster")->run(ws);
  EXPECT_EQ(ws.player().speed(), 1.25);
  FindCommand("video.slower")->run(ws);
  FindCommand("video.slower")->run(ws);
  EXPECT_EQ(ws.player().speed(), 0.75);

  {
    SCOPED_TRACE("the timeline's seek goes through the engine");
    const int before = engine.seeks;
    ws.playhead().Seek(1000);
    EXPECT_EQ(engine.seeks, before + 1);
    EXPECT_EQ(ws.playhead().position(), 74);
  }
  for (const char* name : {"film.mp4", "REEL1.MXF", "cut.Mov", "tx.ts", "a.m2ts"}) EXPECT_TRUE(IsVideoFileName(name)) << name;
  for (const char* name : {"film.srt", "notes", "mp4", "film.mp4.txt", ".ts.kpox"}) EXPECT_FALSE(IsVideoFileName(name)) << name;
  ws.player().CloseVideo();
  EXPECT_FALSE(ws.playhead().hasVideo());
  EXPECT_EQ(engine.opened, "");
  EXPECT_FALSE(ws.player().GoToInCue());
  ws.player().SetPlayer(nullptr);
}

// Timing a run of dialogue with the keys: "Grab in add out" lets the out key time a
// subtitle that has no in cue, and "Auto page down" moves on after each out cue through the
// leaving step (which may keep the subtitler where they are).
TEST(PlayerCues, OutKeyChainsThroughTheDialogue) {
  KIPO_TEST_VIDEO(video, "numbered.mp4");
  Bench b({Sub("One", -1, -1), Sub("Two", -1, -1), Sub("Three", -1, -1)});
  auto& ws = b.ws;
  ws.player().OpenVideo(video);
  b.settings.Set(keys::kOptions, "Grab in add out", "1");
  b.settings.Set(keys::kOptions, "Auto page down", "1");
  ws.playhead().Seek(5);
  ASSERT_TRUE(ws.player().SetInCue());
  ws.playhead().Seek(33);
  ASSERT_TRUE(ws.player().SetOutCue());
  EXPECT_EQ(ws.session().current(), 1u) << "auto page down";
  ws.playhead().Seek(70);
  ASSERT_TRUE(ws.player().SetOutCue());
  EXPECT_EQ(ws.session().current(), 2u);
  EXPECT_EQ(ws.doc().At(0).inCue, FramesToDigits(5, kPal));
  EXPECT_EQ(ws.doc().At(0).outCue, FramesToDigits(33, kPal));
  EXPECT_EQ(ws.doc().At(1).inCue, FramesToDigits(37, kPal)) << "grabbed: the last out plus the interval";
  EXPECT_EQ(ws.doc().At(1).outCue, FramesToDigits(70, kPal));

  // The last one is short, and the house allows it; without "Auto page down" the
  // subtitler stays on it.
  ws.session().house().durationTooShortPolicy = CueRulePolicy::Allow;
  b.settings.Set(keys::kOptions, "Auto page down", "0");
  ws.playhead().Seek(72);
  ASSERT_TRUE(ws.player().SetInCue());
  EXPECT_EQ(ws.session().panels().warning, LastIntervalWarning(ws.timing().Timing()) + " ");
  ws.playhead().Seek(74);
  ASSERT_TRUE(ws.player().SetOutCue());
  EXPECT_EQ(ws.session().current(), 2u);
  EXPECT_EQ(ws.doc().At(2).outCue, FramesToDigits(74, kPal));
  EXPECT_TRUE(ws.doc().modified);

  ws.session().GoTo(1);
  ws.playhead().Seek(20);
  EXPECT_FALSE(ws.player().SetOutCue()) << "before its in cue";
  EXPECT_EQ(ws.session().panels().warning, std::string(kOutBeforeIn) + " ");
  EXPECT_EQ(ws.doc().At(1).outCue, FramesToDigits(70, kPal));
}

// The video is remembered for the document's file: opening the file again opens its video
// with its offset, a missing video is said and leaves the document without one, and a new
// name for the document takes its video along.
TEST(PlayerVideo, RememberedPerDocumentFile) {
  KIPO_TEST_VIDEO(video, "numbered.mp4");
  test::TempHome home;
  const auto settingsFile = home / "settings.ini";
  const std::string film = (home / "film.kpox").string(), copy = (home / "copy.kpox").string();
  {
    SettingsStore settings(settingsFile);
    test::RecordingPrompter prompter;
    Workstation ws(settings, prompter, home / "data");
    SubtitleDocument d;
    d.Append(Sub("One", 10, 40));
    d.SetFile(film);
    ws.session().ReplaceDocument(std::move(d));
    ws.player().OpenVideo(video);
    ws.player().SetVideoOffset("01:00:00:00", false);
    EXPECT_EQ(ws.player().LinkedVideo(film), video.string());
    ws.doc().SetFile(copy);
    ws.session().Refresh();
    EXPECT_EQ(ws.player().LinkedVideo(copy), video.string()) << "Save As takes the video along";
  }
  for (const std::string& path : {film, copy}) {
    SCOPED_TRACE(path);
    SettingsStore settings(settingsFile);
    test::RecordingPrompter prompter;
    Workstation ws(settings, prompter, home / "data");
    SubtitleDocument d;
    d.Append(Sub("One", 10, 40));
    d.SetFile(path);
    ws.session().ReplaceDocument(std::move(d));
    EXPECT_TRUE(ws.player().hasVideo());
    EXPECT_EQ(ws.playhead().video(), video);
    EXPECT_EQ(ws.player().videoOffset(), 90000);
    EXPECT_EQ(ws.player().OffsetLabel(), "01:00:00:00");
    EXPECT_FALSE(ws.player().OffsetBack());
    EXPECT_TRUE(prompter.shown.empty());
  }
  {
    SCOPED_TRACE("the video has gone");
    SettingsStore settings(settingsFile);
    settings.Set("Document videos", film, (home / "gone.mp4").string());
    test::RecordingPrompter prompter;
    Workstation ws(settings, prompter, home / "data");
    SubtitleDocument d;
    d.Append(Sub("One", 10, 40));
    d.SetFile(film);
    ws.session().ReplaceDocument(std::move(d));
    EXPECT_FALSE(ws.player().hasVideo());
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_NE(prompter.Last().text.find("gone.mp4"), std::string::npos);
    EXPECT_EQ(ws.doc().Count(), 1u) << "the document stays open";
  }
}

}  // namespace
}  // namespace kipo
