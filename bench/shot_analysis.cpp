// The analysis pass over one video as it runs by default (pictures nothing refers to left
// out where no new shot shows) and decoding every picture, and whether the two find the
// same cuts at each sensitivity. KIPO_BENCH_CLIP names the video; bench/real_clip.sh
// makes a grainy one of many kinds of shots, fades and a flash. Without it the benchmarks
// are skipped.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <string>

#include "platform/jobs.h"
#include "timing/shot_cuts.h"
#include "video/frame_measure.h"

namespace kipo {
namespace {

VideoAnalysis Analyse(const std::string& path, bool everyFrame, int ranges = 0, bool referenceB = true,
                      bool checkPictures = false) {
  detail::JobCore core(1, JobObserver{});
  JobContext job(core);
  MeasureOptions o;
  o.decodeEveryFrame = everyFrame;
  o.ranges = ranges;
  o.skipReferenceB = referenceB;
  o.checkPictures = checkPictures;
  return AnalyseFrames(path, o, job);
}

const char* Clip(benchmark::State& state) {
  const char* clip = std::getenv("KIPO_BENCH_CLIP");
  if (!clip) state.SkipWithError("set KIPO_BENCH_CLIP to a video (bench/real_clip.sh makes one)");
  return clip;
}

void BM_Analyse(benchmark::State& state) {
  const char* clip = Clip(state);
  if (!clip) return;
  VideoAnalysis a;
  for (auto _ : state) a = Analyse(clip, state.range(0) != 0, static_cast<int>(state.range(1)), state.range(2) != 0);
  state.counters["frames"] = static_cast<double>(a.measures.size());
  state.counters["decoded"] = static_cast<double>(a.decodedPictures);
  state.counters["cuts"] = static_cast<double>(ShotCutFrames(DetectShotCuts(a.measures, kDefaultShotCutSensitivity)).size());
}
// ranges 0: as many as the free cores suggest; 1: one range decoded from the start; 8: eight
// ranges (as the keyframes allow) with a worker on every core, free or not. reference_b 0:
// only non-reference pictures are left out (for callgrind: --benchmark_filter with ranges:1).
BENCHMARK(BM_Analyse)->ArgNames({"every_frame", "ranges", "reference_b"})->Args({0, 0, 1})->Args({0, 1, 1})
    ->Args({0, 1, 0})->Args({0, 8, 1})->Args({1, 0, 0})->Iterations(1)
    ->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// Cutting the video into ranges for the workers gives the measures of one pass from the
// start; a difference is an error.
void BM_SameMeasuresInRanges(benchmark::State& state) {
  const char* clip = Clip(state);
  if (!clip) return;
  for (auto _ : state) {
    const VideoAnalysis one = Analyse(clip, false, 1);
    for (int ranges : {2, 3, 8, 1000}) {
      const VideoAnalysis many = Analyse(clip, false, ranges);
      std::size_t differ = 0;
      for (std::size_t f = 0; f < one.measures.size() && f < many.measures.size(); ++f)
        differ += one.measures[f] != many.measures[f];
      std::cerr << ranges << " ranges: " << differ << " measures differ from one range\n";
      if (differ || one.measures.size() != many.measures.size() || one.peaks.values != many.peaks.values)
        state.SkipWithError("ranges change the measures");
    }
  }
}
BENCHMARK(BM_SameMeasuresInRanges)->Iterations(1)->Unit(benchmark::kMillisecond);

// Both passes once; a sensitivity from the default up where the cuts differ is an error.
void BM_SameCuts(benchmark::State& state) {
  const char* clip = Clip(state);
  if (!clip) return;
  for (auto _ : state) {
    const VideoAnalysis every = Analyse(clip, true);
    const VideoAnalysis skipping = Analyse(clip, false);
    int differ = 0;
    for (int sensitivity : {10, 20, 30, 50, 100, 300, 1000}) {
      const auto a = ShotCutFrames(DetectShotCuts(every.measures, sensitivity));
      const auto b = ShotCutFrames(DetectShotCuts(skipping.measures, sensitivity));
      std::cerr << "sensitivity " << sensitivity << ": " << a.size() << " cuts decoding every picture, " << b.size()
                << " skipping, " << (a == b ? "the same" : "different");
      // The cuts one pass finds and the other not, with the measures around them.
      for (const auto* mine : {&a, &b})
        for (std::int32_t f : *mine)
          if (!std::binary_search((mine == &a ? b : a).begin(), (mine == &a ? b : a).end(), f)) {
            std::cerr << (mine == &a ? "; only decoding every picture: " : "; only skipping: ") << f << " (";
            for (std::int32_t g = std::max(1, f - 2); g <= f + 2 && g < static_cast<std::int32_t>(every.measures.size()); ++g)
              std::cerr << every.measures[g] << "/" << skipping.measures[g] << (g < f + 2 ? " " : ")");
          }
      std::cerr << "\n";
      if (a != b && sensitivity >= kDefaultShotCutSensitivity) ++differ;
    }
    if (differ) state.SkipWithError("the skipping pass finds other cuts");
  }
}
BENCHMARK(BM_SameCuts)->Iterations(1)->Unit(benchmark::kMillisecond);

// Leaving out reference B-pictures too: how many pictures each pass decodes, whether every
// picture the skipping passes decode is the same as decoding every picture gives (a hash of
// all its planes), what the decoder complained of, and whether the cuts stay the same.
void BM_ReferenceBPictures(benchmark::State& state) {
  const char* clip = Clip(state);
  if (!clip) return;
  auto run = [clip](bool every, bool referenceB) { return Analyse(clip, every, 0, referenceB, true); };
  for (auto _ : state) {
    const VideoAnalysis every = run(true, false), noref = run(false, false), bidir = run(false, true);
    bool bad = false;
    for (const auto* a : {&noref, &bidir}) {
      std::size_t differ = 0, decoded = 0;
      for (std::size_t f = 0; f < a->pictureHashes.size(); ++f)
        if (a->pictureHashes[f]) {
          ++decoded;
          differ += a->pictureHashes[f] != every.pictureHashes[f];
        }
      std::cerr << (a == &noref ? "non-reference pictures left out: " : "reference B-pictures left out too: ")
                << a->decodedPictures << " pictures decoded (" << every.decodedPictures << " of every picture), "
                << differ << " of " << decoded << " differ, " << a->decoderComplaints << " decoder complaints\n";
      bad = bad || differ || a->decoderComplaints;
    }
    for (int sensitivity : {10, 20, 30, 50, 100, 300, 1000}) {
      const auto a = ShotCutFrames(DetectShotCuts(noref.measures, sensitivity));
      const auto b = ShotCutFrames(DetectShotCuts(bidir.measures, sensitivity));
      std::cerr << "sensitivity " << sensitivity << ": " << a.size() << " and " << b.size() << " cuts, "
                << (a == b ? "the same" : "different") << "\n";
      bad = bad || (a != b && sensitivity >= kDefaultShotCutSensitivity);
    }
    state.counters["decoded"] = static_cast<double>(bidir.decodedPictures);
    state.counters["decoded_noref"] = static_cast<double>(noref.decodedPictures);
    if (bad) state.SkipWithError("leaving out reference B-pictures changes a decoded picture or a cut");
  }
}
BENCHMARK(BM_ReferenceBPictures)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kipo
