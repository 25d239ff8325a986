// Opening a video starts its analysis as a job: the timeline fills with measures and cut
// marks while the pass runs, the finished table goes to the timing controller and into the
// timecode data file, and the next opening takes it from there. Reports come back through
// a queue that the test empties one call at a time, as an event loop would.
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <mutex>
#include <thread>

#include "app/timeline_controller.h"
#include "app/workstation.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"
#include "support/test_videos.h"
#include "video/tcd_file.h"

namespace kipo {
namespace {

class Queue {
 public:
  void Post(std::function<void()> f) {
    std::lock_guard lock(m_);
    q_.push_back(std::move(f));
  }
  // Runs the oldest call; false when none is waiting.
  bool RunOne() {
    std::function<void()> f;
    {
      std::lock_guard lock(m_);
      if (q_.empty()) return false;
      f = std::move(q_.front());
      q_.pop_front();
    }
    f();
    return true;
  }

 private:
  std::mutex m_;
  std::deque<std::function<void()>> q_;
};

struct Studio {
  SettingsStore settings;
  test::RecordingPrompter prompter;
  Workstation ws{settings, prompter};
  TimelineController timeline{ws};
  Queue queue;
  Studio() {
    timeline.SetPost([this](std::function<void()> f) { queue.Post(std::move(f)); });
  }
  // Runs the reports until the analysis ends; `each` looks at the timeline after each one.
  void RunAnalysis(const std::function<void()>& each = {}) {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (timeline.analysing() && std::chrono::steady_clock::now() < give_up) {
      if (!queue.RunOne()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
      else if (each) each();
    }
    ASSERT_FALSE(timeline.analysing()) << "the analysis did not end";
  }
};

TEST(TimelineAnalysis, FillsAsItGoesThenComesFromTheTimecodeDataFile) {
  KIPO_TEST_VIDEO(shared, "shots.mp4");
  test::TempHome home;
  // A copy of our own, so that its timecode data file is ours too.
  const std::filesystem::path video = home / "shots.mp4";
  std::filesystem::copy_file(shared, video);
  Studio s;
  int changes = 0;
  Connection counted = s.timeline.changed.Connect([&] { ++changes; });
  std::vector<JobProgress> progress;
  Connection heard = s.timeline.analysisProgress.Connect([&](const JobProgress& p) { progress.push_back(p); });
  bool sawPartialCut = false, sawPartialMeasure = false;
  s.ws.playhead().Open(video, 170);
  ASSERT_TRUE(s.timeline.analysing());
  s.RunAnalysis([&] {
    if (!s.timeline.analysing()) return;
    const FrameTable& t = s.timeline.Table();
    for (std::int32_t m : t.measures) sawPartialMeasure |= m > 0;
    sawPartialCut |= !s.timeline.Cuts().empty();
  });
  EXPECT_TRUE(sawPartialMeasure);
  EXPECT_TRUE(sawPartialCut);
  EXPECT_GT(changes, 10);
  ASSERT_GE(progress.size(), 2u);
  EXPECT_EQ(progress.front().text, "Analysing video...");
  EXPECT_EQ(progress.back().total, 0u);  // the end clears the status
  EXPECT_EQ(s.timeline.analysisError(), "");
  EXPECT_FALSE(s.timeline.reusedData());

  const FrameTable first = s.ws.timing().frameTable();
  ASSERT_EQ(first.size(), 170u);
  EXPECT_EQ(s.timeline.Cuts(), (std::vector<Timecode>{30, 60, 90}));
  EXPECT_TRUE(std::filesystem::exists(TimecodeDataBeside(video)));

  // The second opening reads the stored analysis: the same table, no pass.
  s.ws.playhead().Open("", 0);
  EXPECT_EQ(s.ws.timing().frameTable().size(), 0u);
  s.ws.playhead().Open(video, 170);
  s.RunAnalysis();
  EXPECT_TRUE(s.timeline.reusedData());
  EXPECT_EQ(s.ws.timing().frameTable(), first);
}

TEST(TimelineAnalysis, AFileThatIsNoVideoLeavesAMessageAndNoTable) {
  test::TempHome home;
  const auto bad = test::WriteFile(home / "notes.mp4", "these are words, not pictures");
  Studio s;
  s.ws.playhead().Open(bad, 100);
  s.RunAnalysis();
  EXPECT_NE(s.timeline.analysisError(), "");
  EXPECT_EQ(s.ws.timing().frameTable().size(), 0u);
  EXPECT_FALSE(std::filesystem::exists(TimecodeDataBeside(bad)));
}

TEST(TimelineAnalysis, ANewVideoCancelsTheRunningAnalysisAndWaitingCollectsTheResult) {
  KIPO_TEST_VIDEO(shared, "tone.mkv");
  test::TempHome home;
  const std::filesystem::path video = home / "tone.mkv";
  std::filesystem::copy_file(shared, video);
  Studio s;
  s.ws.playhead().Open(video, 50);
  s.ws.playhead().Open(video, 50);  // opened again before the reports came back
  s.timeline.WaitForAnalysis();
  EXPECT_FALSE(s.timeline.analysing());
  const FrameTable& t = s.ws.timing().frameTable();
  ASSERT_EQ(t.size(), 50u);
  ASSERT_EQ(t.peaks.channels, 2);
  // Sound from the second second on: silent first frames, loud last ones.
  EXPECT_EQ(t.peaks.Max(5, 0), 0);
  EXPECT_GT(t.peaks.Max(40, 0), 10000);
  EXPECT_LT(t.peaks.Min(40, 1), -5000);
  // Reports of the earlier runs that were still queued change nothing any more.
  while (s.queue.RunOne()) {
  }
  EXPECT_EQ(s.ws.timing().frameTable().size(), 50u);
  EXPECT_FALSE(s.timeline.analysing());
}

}  // namespace
}  // namespace kipo
