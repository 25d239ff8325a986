// The analysis pass over one video as it runs by default (pictures nothing refers to left
// out where no new shot shows) and decoding every picture, and whether the two find the
// same cuts at each sensitivity. KIPO_BENCH_CLIP names the video; bench/real_clip.sh
// makes a grainy one of many kinds of shots, fades and a flash. Without it the benchmarks
// are skipped.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <iostream>
#include <string>

#include "platform/jobs.h"
#include "timing/shot_cuts.h"
#include "video/frame_measure.h"

namespace kipo {
namespace {

VideoAnalysis Analyse(const std::string& path, bool everyFrame) {
  detail::JobCore core(1, JobObserver{});
  JobContext job(core);
  MeasureOptions o;
  o.decodeEveryFrame = everyFrame;
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
  for (auto _ : state) a = Analyse(clip, state.range(0) != 0);
  state.counters["frames"] = static_cast<double>(a.measures.size());
  state.counters["cuts"] = static_cast<double>(ShotCutFrames(DetectShotCuts(a.measures, kDefaultShotCutSensitivity)).size());
}
BENCHMARK(BM_Analyse)->ArgName("every_frame")->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()->UseRealTime();

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
                << " skipping, " << (a == b ? "the same" : "different") << "\n";
      if (a != b && sensitivity >= kDefaultShotCutSensitivity) ++differ;
    }
    if (differ) state.SkipWithError("the skipping pass finds other cuts");
  }
}
BENCHMARK(BM_SameCuts)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kipo
