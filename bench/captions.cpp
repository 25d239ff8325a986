// Line-21 captions at full size: 32,767 two-row subtitles with accents and italics written
// as SCC (goal: under 100 ms) and read back through the decoder model (goal: under 200 ms);
// Ultech and Caption Inc for comparison.
#include <benchmark/benchmark.h>

#include "formats/caption/caption_files.h"
#include "formats/caption/scc.h"

namespace {

kipo::SubtitleDocument BigDocument() {
  const kipo::FrameRate rate = *kipo::FrameRate::FromCode(29);
  std::vector<kipo::Subtitle> subs(kipo::kMaxSubtitles);
  for (std::size_t i = 0; i < subs.size(); ++i) {
    subs[i].text = "Caption " + std::to_string(i) + ", d\xC3\xA9j\xC3\xA0 <vu>\r\n\xC3\x9C" "ber the \xE2\x99\xAA line";
    const kipo::FrameCount in = 100 + static_cast<kipo::FrameCount>(i) * 60;
    subs[i].inCue = kipo::Cue::FromFrames(in, rate);
    subs[i].outCue = kipo::Cue::FromFrames(in + 45, rate);
  }
  kipo::SubtitleDocument d(29, kipo::kDefaultLanguageId, 0);
  d.ReplaceAll(std::move(subs));
  return d;
}

void BM_WriteScc(benchmark::State& state) {
  const kipo::SubtitleDocument d = BigDocument();
  for (auto _ : state) benchmark::DoNotOptimize(kipo::WriteScc(d, {}));
}
BENCHMARK(BM_WriteScc)->Unit(benchmark::kMillisecond);

void BM_ReadScc(benchmark::State& state) {
  const kipo::SubtitleDocument d = BigDocument();
  const std::string text = kipo::WriteScc(d, {}).text;
  const kipo::Bytes bytes(text.begin(), text.end());
  for (auto _ : state) benchmark::DoNotOptimize(kipo::ReadScc(bytes, 29));
}
BENCHMARK(BM_ReadScc)->Unit(benchmark::kMillisecond);

void BM_WriteUltech(benchmark::State& state) {
  const kipo::SubtitleDocument d = BigDocument();
  for (auto _ : state) {
    std::vector<std::string> w;
    benchmark::DoNotOptimize(kipo::WriteUltech(d, {}, w));
  }
}
BENCHMARK(BM_WriteUltech)->Unit(benchmark::kMillisecond);

void BM_WriteCaptionInc(benchmark::State& state) {
  const kipo::SubtitleDocument d = BigDocument();
  for (auto _ : state) {
    std::vector<std::string> w;
    benchmark::DoNotOptimize(kipo::WriteCaptionInc(d, {}, w));
  }
}
BENCHMARK(BM_WriteCaptionInc)->Unit(benchmark::kMillisecond);

}  // namespace
