// A million labels to frames and back at 29.97 drop-frame, as bare digits and as cues.
#include <benchmark/benchmark.h>

#include "core/cue.h"
#include "core/timecode.h"

namespace {

std::vector<std::string> DropFrameLabels(const kipo::FrameRate& df) {
  std::vector<std::string> labels;
  for (kipo::FrameCount f = 0; f < 1000000; ++f) labels.push_back(kipo::FramesToDigits(f * 3, df));
  return labels;
}

void BM_LabelRoundTripDropFrame(benchmark::State& state) {
  kipo::FrameRate df = *kipo::FrameRate::FromCode(29);
  std::vector<std::string> labels = DropFrameLabels(df);
  for (auto _ : state) {
    long sum = 0;
    for (const auto& l : labels) {
      kipo::Timecode t = kipo::LabelToFrames(l, df);
      sum += kipo::FramesToDigits(t, df).size();
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(labels.size()));
}
BENCHMARK(BM_LabelRoundTripDropFrame)->Unit(benchmark::kMillisecond);

void BM_CueRoundTripDropFrame(benchmark::State& state) {
  kipo::FrameRate df = *kipo::FrameRate::FromCode(29);
  std::vector<kipo::Cue> cues;
  for (const auto& l : DropFrameLabels(df)) cues.emplace_back(l);
  for (auto _ : state) {
    long sum = 0;
    for (const auto& c : cues) sum += kipo::Cue::FromFrames(c.ToFrames(df), df).IsSet();
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(cues.size()));
}
BENCHMARK(BM_CueRoundTripDropFrame)->Unit(benchmark::kMillisecond);

}  // namespace
