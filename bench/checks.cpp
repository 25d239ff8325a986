// The error list and the statistics of a document of 32,767 subtitles, the largest a
// document can hold. Every fourth subtitle carries a fault so that rows are produced.
#include <benchmark/benchmark.h>

#include "timing/error_list.h"
#include "timing/statistics.h"

namespace {

kipo::SubtitleDocument Largest() {
  const kipo::FrameRate pal = *kipo::FrameRate::FromCode(25);
  std::vector<kipo::Subtitle> subs(kipo::kMaxSubtitles);
  for (std::size_t i = 0; i < subs.size(); ++i) {
    kipo::Subtitle& s = subs[i];
    kipo::Timecode in = static_cast<kipo::Timecode>(i) * 100;
    s.inCue = kipo::FramesToDigits(in, pal);
    s.outCue = kipo::FramesToDigits(in + (i % 4 == 0 ? 20 : 80), pal);
    s.text = i % 4 == 1 ? "<She said, \"not tonight\"\r\nand left the room." : "She said, \"not tonight\"\r\nand left.";
    if (i % 7 == 0) s.alignment = kipo::AlignLeft;
  }
  kipo::SubtitleDocument d;
  d.ReplaceAll(std::move(subs));
  return d;
}

void BM_BuildErrorList(benchmark::State& state) {
  kipo::SubtitleDocument d = Largest();
  kipo::CheckSettings s;
  std::size_t rows = 0;
  for (auto _ : state) {
    auto list = kipo::BuildErrorList(d, s);
    rows = list.size();
    benchmark::DoNotOptimize(list.data());
  }
  state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_BuildErrorList)->Unit(benchmark::kMillisecond);

void BM_BuildStatistics(benchmark::State& state) {
  kipo::SubtitleDocument d = Largest();
  kipo::TimingParameters p;
  for (auto _ : state) {
    std::string text = kipo::BuildStatistics(d, p, kipo::ReadingOptions{});
    benchmark::DoNotOptimize(text.data());
  }
}
BENCHMARK(BM_BuildStatistics)->Unit(benchmark::kMillisecond);

}  // namespace
