// The change measure between two samples, and the analysis pass over a generated video with
// detection on its result.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "platform/jobs.h"
#include "platform/user_error.h"
#include "support/test_videos.h"
#include "timing/shot_cuts.h"
#include "video/frame_measure.h"
#include "video/video_file.h"

namespace kipo {
namespace {

TEST(FrameMeasure, ComparesSamples) {
  const MeasureOptions defaults;
  MeasureOptions advanced;
  advanced.advanced = true;
  MeasureOptions grey;
  grey.colour = false;
  const std::size_t px = 100;
  auto plain = [&](int r, int g, int b, int channels) {
    std::vector<std::uint8_t> v;
    for (std::size_t i = 0; i < px; ++i) {
      v.push_back(static_cast<std::uint8_t>(r));
      if (channels == 3) v.push_back(static_cast<std::uint8_t>(g)), v.push_back(static_cast<std::uint8_t>(b));
    }
    return v;
  };
  // Half the pixels changed completely, the other half untouched.
  std::vector<std::uint8_t> half = plain(100, 100, 100, 3);
  for (std::size_t i = 0; i < px * 3 / 2; ++i) half[i] = 250;
  struct Case {
    const char* what;
    std::vector<std::uint8_t> a, b;
    int channels;
    MeasureOptions o;
    std::int32_t low, high;
  } cases[] = {
      {"identical", plain(10, 20, 30, 3), plain(10, 20, 30, 3), 3, defaults, 0, 0},
      {"noise below min rgb", plain(100, 100, 100, 3), plain(104, 97, 100, 3), 3, defaults, 0, 0},
      {"every pixel past max rgb", plain(0, 0, 0, 3), plain(0, 200, 0, 3), 3, defaults, kMaxFrameMeasure,
       kMaxFrameMeasure},
      {"half the picture: a quarter of the scale", plain(100, 100, 100, 3), half, 3, defaults, 2500, 2500},
      {"small change under baseline counts little", plain(100, 100, 100, 3), plain(110, 100, 100, 3), 3, defaults,
       0, 0},
      {"one channel is enough in colour", plain(50, 50, 50, 3), plain(50, 50, 200, 3), 3, defaults,
       kMaxFrameMeasure, kMaxFrameMeasure},
      {"even brightness change counts in the plain mode", plain(60, 60, 60, 3), plain(120, 120, 120, 3), 3,
       defaults, kMaxFrameMeasure, kMaxFrameMeasure},
      {"and not in the advanced mode", plain(60, 60, 60, 3), plain(120, 120, 120, 3), 3, advanced, 0, 0},
      {"8-bit samples", plain(0, 0, 0, 1), plain(255, 0, 0, 1), 1, grey, kMaxFrameMeasure, kMaxFrameMeasure},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::int32_t m = CompareSamples(c.a.data(), c.b.data(), px, c.channels, c.o);
    EXPECT_GE(m, c.low);
    EXPECT_LE(m, c.high);
  }
}

TEST(FrameMeasure, SampleKeepsThePictureShape) {
  struct Case {
    int width, height, sample, w, h;
  } cases[] = {{1920, 1080, 2000, 60, 33}, {160, 120, 2000, 52, 38}, {720, 576, 100, 11, 9}, {8, 8, 2000, 8, 8}};
  for (const Case& c : cases) {
    int w = 0, h = 0;
    SampleSize(c.width, c.height, c.sample, w, h);
    EXPECT_EQ(w, c.w) << c.width << "x" << c.height;
    EXPECT_EQ(h, c.h) << c.width << "x" << c.height;
  }
}

std::vector<std::int32_t> Measure(const std::string& path, const MeasureOptions& o, std::vector<JobProgress>* seen) {
  JobObserver obs;
  if (seen) obs.onProgress = [seen](const JobProgress& p) { seen->push_back(p); };
  detail::JobCore core(1, obs);
  JobContext job(core);
  return MeasureFrames(path, o, job);
}

// The measure peaks on the frames that start a shot and at the flash (the white frame and
// the frame after it), and stays low through the cross-fade and the slow zoom, for each
// sample depth and mode, and in pictures two pixels wide. (Detection over it: the shotcuts
// command's tests.)
TEST(FrameMeasure, PeaksAtPictureChanges) {
  MeasureOptions grey;
  grey.colour = false;
  MeasureOptions advanced;
  advanced.advanced = true;
  for (const char* name : {"shots.mp4", "narrowshots.mp4"}) {
    KIPO_TEST_VIDEO(path, name);
    for (const MeasureOptions& o : {MeasureOptions{}, grey, advanced}) {
      SCOPED_TRACE(std::string(name) + (o.colour ? " 24-bit" : " 8-bit") + (o.advanced ? " advanced" : ""));
      std::vector<JobProgress> progress;
      const std::vector<std::int32_t> m = Measure(path.string(), o, &progress);
      ASSERT_EQ(m.size(), 170u);
      EXPECT_EQ(m[0], 0);
      std::int32_t quiet = 0;
      for (int f = 1; f < 170; ++f)
        if (f != 30 && f != 60 && f != 90 && f != 160 && f != 161) quiet = std::max(quiet, m[f]);
      for (int f : {30, 60, 90, 160, 161}) EXPECT_GT(m[f], 3 * quiet) << "frame " << f;
      ASSERT_FALSE(progress.empty());
      EXPECT_EQ(progress.back().done, 170u);
      EXPECT_EQ(progress.back().total, 170u);
    }
  }
}

TEST(FrameMeasure, CancelStopsTheAnalysis) {
  KIPO_TEST_VIDEO(path, "shots.mp4");
  detail::JobCore core(1, {});
  core.stop().request_stop();
  JobContext job(core);
  EXPECT_THROW(MeasureFrames(path.string(), {}, job), JobCancelled);

  // Through the shared pool, as the command line and the workstation run it.
  auto batch = RunJob(SharedPool(), [p = path.string()](JobContext& c) { return MeasureFrames(p, {}, c).size(); });
  EXPECT_EQ(batch.Get().front(), 170u);
}

// The waveform peaks come out of the same pass: silence for the first second, then the
// left channel at half scale and the right at a quarter, per video frame.
TEST(FrameMeasure, WaveformPeaksPerVideoFrame) {
  KIPO_TEST_VIDEO(path, "tone.mkv");
  detail::JobCore core(1, JobObserver{});
  JobContext job(core);
  const VideoAnalysis a = AnalyseFrames(path.string(), MeasureOptions{}, job);
  ASSERT_EQ(a.measures.size(), 50u);
  ASSERT_EQ(a.peaks.channels, 2);
  ASSERT_EQ(a.peaks.frames(), 50u);
  for (std::size_t f = 0; f < 50; ++f) {
    SCOPED_TRACE("frame " + std::to_string(f));
    if (f < 25) {
      for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(a.peaks.Min(f, c), 0);
        EXPECT_EQ(a.peaks.Max(f, c), 0);
      }
    } else if (f > 25) {  // frame 25 starts on the first sound
      EXPECT_NEAR(a.peaks.Max(f, 0), 16384, 300);
      EXPECT_NEAR(a.peaks.Min(f, 0), -16384, 300);
      EXPECT_NEAR(a.peaks.Max(f, 1), 8192, 300);
      EXPECT_NEAR(a.peaks.Min(f, 1), -8192, 300);
    }
  }
  // A video without sound has no peaks.
  KIPO_TEST_VIDEO(silent, "h264.mp4");
  EXPECT_EQ(AnalyseFrames(silent.string(), MeasureOptions{}, job).peaks.channels, 0);
}

// One analysis pass in a job of the test's own; the options name what differs from the
// defaults.
VideoAnalysis Analyse(const std::filesystem::path& path, const MeasureOptions& o) {
  detail::JobCore core(1, JobObserver{});
  JobContext job(core);
  return AnalyseFrames(path.string(), o, job);
}

// The pass leaves out pictures no other picture refers to where the stream shows no sign
// of a new shot. The cuts it finds must be those of a decode of every picture, at the
// default sensitivity and at the stricter ones a user can ask for over the stored
// measures; the measures that decide a cut (the cut's and its neighbours') must be the
// exact ones, and the sound's peaks are untouched. The videos: shots as H.264 (small and
// large pictures, a keyframe every 12 frames) and HEVC, cuts into plain pictures that the
// encoder makes cheap (found only by decoding a skipped run again), plain coloured shots
// with the frame number burnt in, and sound.
TEST(FrameMeasure, SkippingPicturesFindsTheCutsOfTheFullDecode) {
  struct Case {
    const char* video;
    std::vector<std::int32_t> cuts;
  } cases[] = {
      {"shots.mp4", {30, 60, 90}},      {"shots720.mp4", {30, 60, 90}},     {"shots.hevc.mp4", {30, 60, 90}},
      {"plaincuts.mp4", {30, 61, 96, 131}}, {"numbered.mp4", {25, 50}}, {"tone.mkv", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.video);
    KIPO_TEST_VIDEO(path, c.video);
    const VideoAnalysis every = Analyse(path, {.decodeEveryFrame = true});
    const VideoAnalysis skipping = Analyse(path, {});
    ASSERT_EQ(every.measures.size(), skipping.measures.size());
    EXPECT_EQ(ShotCutFrames(DetectShotCuts(every.measures, kDefaultShotCutSensitivity)), c.cuts);
    for (int sensitivity : {kDefaultShotCutSensitivity, 50, 100, 300, 1000}) {
      SCOPED_TRACE("sensitivity " + std::to_string(sensitivity));
      EXPECT_EQ(DetectShotCuts(skipping.measures, sensitivity), DetectShotCuts(every.measures, sensitivity));
    }
    for (std::int32_t cut : c.cuts)
      for (std::int32_t f = cut - 1; f <= cut + 1; ++f) EXPECT_EQ(skipping.measures[f], every.measures[f]) << f;
    EXPECT_EQ(skipping.peaks.channels, every.peaks.channels);
    EXPECT_EQ(skipping.peaks.values, every.peaks.values);
  }
}

// H.264 reference B-pictures are left out too where the bitstream shows that no picture
// decoded later depends on them. Every picture the pass decodes must then be the very
// picture a decode of every picture (in the same ranges) gives, all its planes compared;
// the decoder must complain no more than when it leaves out non-reference pictures only
// (of a missing reference, of a marking command that found nothing: never, where a range
// starts with an IDR picture), and the cuts stay those of the full decode. x264's
// veryfast preset (one reference frame, B-pyramid, as the bench clip) gains in MP4 and in
// MPEG-TS (start codes); open groups of pictures and x264's default preset (three
// reference frames) may fall back to leaving out non-reference pictures only, never to a
// wrong picture.
TEST(FrameMeasure, LeavingOutReferenceBPicturesKeepsEveryDecodedPicture) {
  struct Case {
    const char* video;
    bool fewer;  // fewer pictures decoded than leaving out non-reference pictures only
    bool closed;  // every range starts with an IDR picture
  } cases[] = {
      {"veryfast.mp4", true, true},        {"veryfast.ts", true, true},  {"veryfast-open.mkv", false, false},
      {"default-preset.mp4", false, true}, {"opengop.mkv", false, false}, {"plaincuts.mp4", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.video);
    KIPO_TEST_VIDEO(path, c.video);
    // (One range: frame threads where cores are free.)
    for (int ranges : {0, 1, 1000}) {
      SCOPED_TRACE(std::to_string(ranges) + " ranges");
      auto checked = [&](bool everyFrame, bool referenceB) {
        return Analyse(path, {.decodeEveryFrame = everyFrame, .ranges = ranges, .skipReferenceB = referenceB,
                              .checkPictures = true});
      };
      const VideoAnalysis every = checked(true, false);
      const VideoAnalysis noref = checked(false, false);
      const VideoAnalysis bidir = checked(false, true);
      ASSERT_EQ(bidir.pictureHashes.size(), every.pictureHashes.size());
      std::size_t decoded = 0;
      for (std::size_t f = 0; f < bidir.pictureHashes.size(); ++f)
        if (bidir.pictureHashes[f]) {
          ++decoded;
          EXPECT_EQ(bidir.pictureHashes[f], every.pictureHashes[f]) << "frame " << f;
        }
      EXPECT_GT(decoded, 0u);
      EXPECT_LE(bidir.decoderComplaints, noref.decoderComplaints);
      if (c.closed) {
        EXPECT_EQ(bidir.decoderComplaints, 0u);
      }
      if (c.fewer) {
        EXPECT_LT(bidir.decodedPictures, noref.decodedPictures);
      } else {
        EXPECT_LE(bidir.decodedPictures, noref.decodedPictures);
      }
      if (std::string(c.video) == "default-preset.mp4") {
        EXPECT_EQ(bidir.decodedPictures, noref.decodedPictures);
      }
      for (int sensitivity : {kDefaultShotCutSensitivity, 50, 100, 300, 1000})
        EXPECT_EQ(DetectShotCuts(bidir.measures, sensitivity), DetectShotCuts(every.measures, sensitivity))
            << "sensitivity " << sensitivity;
    }
  }
}

// The pass cuts the video at keyframes into ranges that workers decode side by side; the
// measures and peaks must be those of one range decoded from the start, for any number of
// ranges (1000: every keyframe starts one), skipping pictures or not, and whatever order the
// workers take them in (the longest first: with one worker and two ranges of which the
// second is longer, the first range is read after the second, by a reader that has moved
// on). With a keyframe every
// 12 frames, ranges start on the cut at 60 of shots.mp4 and inside its cross-fade (120,
// 132); opengop.mkv has pictures shown before each keyframe but decoded after it, the cut
// at 47 among them; hues.ts has no index to seek by; vfr.mkv changes its frame rate.
TEST(FrameMeasure, RangesGiveTheMeasuresOfOnePass) {
  struct Case {
    const char* video;
    std::vector<FrameCount> boundaries;  // keyframes that must start a range with 1000
  } cases[] = {
      {"shots.mp4", {60, 120, 132}}, {"shots.hevc.mp4", {60, 120}}, {"opengop.mkv", {48}}, {"plaincuts.mp4", {}},
      {"numbered.mp4", {24}},        {"tone.mkv", {12}},            {"hues.ts", {12}},     {"vfr.mkv", {12}},
      {"shots720.mp4", {60}},        {"veryfast.mp4", {100}},       {"veryfast-open.mkv", {100}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.video);
    KIPO_TEST_VIDEO(path, c.video);
    const std::vector<FrameCount> keys = VideoFile::Open(path.string()).keyframes();
    for (FrameCount b : c.boundaries) EXPECT_TRUE(std::binary_search(keys.begin(), keys.end(), b)) << b;
    for (bool every : {false, true}) {
      const VideoAnalysis one = Analyse(path, {.decodeEveryFrame = every, .ranges = 1});
      ASSERT_EQ(one.measures.size(), static_cast<std::size_t>(VideoFile::Open(path.string()).frameCount()));
      for (const auto& [ranges, workers] : {std::pair{2, 0}, {2, 1}, {4, 0}, {1000, 0}}) {
        SCOPED_TRACE(std::to_string(ranges) + " ranges, " + std::to_string(workers) + " workers" +
                     (every ? ", every picture" : ""));
        const VideoAnalysis many = Analyse(path, {.decodeEveryFrame = every, .ranges = ranges, .workers = workers});
        EXPECT_EQ(many.measures, one.measures);
        EXPECT_EQ(many.peaks.channels, one.peaks.channels);
        EXPECT_EQ(many.peaks.values, one.peaks.values);
      }
    }
  }
  // The cut on a picture decoded after its keyframe is found however the file is cut up.
  KIPO_TEST_VIDEO(open, "opengop.mkv");
  EXPECT_EQ(ShotCutFrames(DetectShotCuts(Analyse(open, {.ranges = 1000}).measures, kDefaultShotCutSensitivity)),
            std::vector<std::int32_t>{47});
}

// Progress and the partial results while the workers run: reports up to every frame, the
// measures handed over in order from frame 0 without a hole, none of them changed by a
// later range (every picture decoded: skipped runs may be decoded again at the end);
// cancel from a report stops every worker.
TEST(FrameMeasure, RangesReportInOrderAndStopOnCancel) {
  KIPO_TEST_VIDEO(path, "shots.mp4");
  std::vector<JobProgress> progress;
  JobObserver obs;
  obs.onProgress = [&progress](const JobProgress& p) { progress.push_back(p); };
  detail::JobCore core(1, obs);
  JobContext job(core);
  MeasureOptions o;
  o.ranges = 6;
  o.decodeEveryFrame = true;
  std::vector<std::int32_t> handed;
  const VideoAnalysis a = AnalyseFrames(path.string(), o, job, [&handed](AnalysisChunk c) {
    EXPECT_EQ(c.first, handed.size());
    EXPECT_EQ(c.frames, 170u);
    handed.insert(handed.end(), c.measures.begin(), c.measures.end());
  });
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back().done, 170u);
  for (std::size_t i = 1; i < progress.size(); ++i) EXPECT_GE(progress[i].done, progress[i - 1].done);
  ASSERT_LE(handed.size(), a.measures.size());
  EXPECT_GT(handed.size(), 0u);
  for (std::size_t f = 0; f < handed.size(); ++f) EXPECT_EQ(handed[f], a.measures[f]) << f;

  detail::JobCore* stopping = nullptr;
  JobObserver cancel;
  cancel.onProgress = [&stopping](const JobProgress& p) {
    if (p.done > 0) stopping->stop().request_stop();
  };
  detail::JobCore cancelled(1, cancel);
  stopping = &cancelled;
  JobContext cancelledJob(cancelled);
  EXPECT_THROW(AnalyseFrames(path.string(), o, cancelledJob), JobCancelled);
}

// Damaged pictures in the middle of a stream (lost packets, bytes overwritten) leave the
// decoder without references and the skipping pass with odd groups and runs: it must still
// give one measure per frame, or the file's own message, and never crash or hang.
TEST(FrameMeasure, DamagedStreamsStillGiveOneMeasurePerFrame) {
  for (const char* name : {"shots.mp4", "shots.hevc.mp4", "plaincuts.mp4"}) {
    KIPO_TEST_VIDEO(path, name);
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    struct Damage {
      const char* what;
      char fill;
      std::size_t from, length;  // parts of the file's size
    } damages[] = {{"zeros", '\0', 3, 40}, {"noise", 'x', 2, 100}, {"one byte in every stretch", '\xff', 4, 1}};
    for (const Damage& d : damages) {
      SCOPED_TRACE(std::string(name) + ": " + d.what);
      std::string damaged = bytes;
      for (std::size_t at = damaged.size() / d.from; at < damaged.size() * 3 / 4; at += damaged.size() / 50)
        for (std::size_t i = 0; i < d.length && at + i < damaged.size(); ++i)
          damaged[at + i] = static_cast<char>(d.fill + static_cast<char>(i % 7));
      const auto file = test::VideoFolder() / (std::string("damaged-") + d.what + "-" + name);
      std::ofstream(file, std::ios::binary) << damaged;
      for (bool every : {false, true}) {
        try {
          const VideoAnalysis a = Analyse(file, {.decodeEveryFrame = every});
          EXPECT_EQ(a.measures.size(), static_cast<std::size_t>(VideoFile::Open(file.string()).frameCount()));
          for (std::int32_t m : a.measures) EXPECT_TRUE(m >= 0 && m <= kMaxFrameMeasure) << m;
        } catch (const UserError& e) {
          SUCCEED() << e.what();
        }
      }
    }
  }
}

// Damaged videos the fuzz targets found: the pass over each ends in a measure per frame
// or the video's own message (under the sanitizers: without leaking a packet either; under
// memcheck, tests/CMakeLists.txt: without FFmpeg writing past a buffer of ours).
TEST(FrameMeasure, DamagedVideosEndInMeasuresOrTheirMessage) {
  struct Case {
    const char* file;
    int ranges;
  };
  const Case cases[] = {
      // Two ranges; a range starting at a later keyframe learns too short a history of
      // sizes and starts again from an earlier one while its reader holds a packet.
      {"short_history_two_ranges.mp4", 2},
      {"short_history_two_ranges.mp4", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string path = std::string(KIPO_TEST_DATA) + "/video/" + c.file;
    MeasureOptions o;
    o.ranges = c.ranges;
    o.sampleSize = 64;
    detail::JobCore core(1, JobObserver{});
    JobContext job(core);
    try {
      const VideoFile video = VideoFile::Open(path);
      const VideoAnalysis a = AnalyseFrames(video, path, o, job);
      EXPECT_EQ(a.measures.size(), static_cast<std::size_t>(video.frameCount()));
    } catch (const UserError& e) {
      EXPECT_EQ(e.title(), "Invalid file format");
    }
  }
}

}  // namespace
}  // namespace kipo
