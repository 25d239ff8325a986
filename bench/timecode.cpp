// A million labels to frames and back at 29.97 drop-frame.
#include <benchmark/benchmark.h>

#include "core/timecode.h"

namespace {

void BM_LabelRoundTripDropFrame(benchmark::State& state) {
  kipo::FrameRate df = *kipo::FrameRate::FromCode(29);
  std::vector<std::string> labels;
  for (kipo::Timecode f = 0; f < 1000000; ++f) labels.push_back(kipo::FramesToDigits(f * 3, df));
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

}  // namespace
