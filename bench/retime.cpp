// Re-timing a full-size document: each conversion method and the proportional recut over
// 32,767 subtitles (65,534 cues). A conversion is one command the user waits for; it should
// stay well under 100 ms.
#include <benchmark/benchmark.h>

#include "platform/prompter.h"
#include "timing/cue_conversion.h"
#include "timing/recut.h"

namespace kipo {
namespace {

SubtitleDocument FullDocument() {
  const FrameRate rate = *FrameRate::FromCode(25);
  SubtitleDocument d;
  std::vector<Subtitle> subs(kMaxSubtitles);
  for (std::size_t i = 0; i < subs.size(); ++i) {
    subs[i].text = "Subtitle";
    subs[i].inCue = FramesToDigits(static_cast<Timecode>(900000 + i * 60), rate);
    subs[i].outCue = FramesToDigits(static_cast<Timecode>(900050 + i * 60), rate);
  }
  d.ReplaceAll(std::move(subs));
  return d;
}

void BM_ConvertCues(benchmark::State& state) {
  const SubtitleDocument full = FullDocument();
  const auto method = static_cast<ConversionMethod>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    SubtitleDocument d = full;
    state.ResumeTiming();
    ConvertCues(d, method, Conversion::PalToDropFrame, 10);
    benchmark::DoNotOptimize(d);
  }
  state.SetLabel(ConversionMethodLabels()[static_cast<std::size_t>(state.range(0))]);
}
BENCHMARK(BM_ConvertCues)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_ProportionalRecut(benchmark::State& state) {
  const SubtitleDocument full = FullDocument();
  HouseOptions house;
  SilentPrompter prompter;
  RecutOptions o;
  o.anchor1 = 1, o.anchor1NewIn = "10:00:00:00";
  o.anchor2 = static_cast<long>(kMaxSubtitles), o.anchor2NewIn = "22:00:00:00";
  for (auto _ : state) {
    state.PauseTiming();
    SubtitleDocument d = full;
    state.ResumeTiming();
    Recut(d, RecutType::Proportional, 1, static_cast<long>(kMaxSubtitles), o, house, prompter);
    benchmark::DoNotOptimize(d);
  }
}
BENCHMARK(BM_ProportionalRecut)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kipo
