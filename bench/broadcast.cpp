// Writing and reading the largest documents (32,767 subtitles) in PAC and 890.
#include <benchmark/benchmark.h>

#include "formats/broadcast/pac.h"
#include "formats/broadcast/scan890.h"

namespace {

kipo::SubtitleDocument BigDocument() {
  std::vector<kipo::Subtitle> subs(kipo::kMaxSubtitles);
  for (std::size_t i = 0; i < subs.size(); ++i) {
    subs[i].text = "Le caf\xC3\xA9 est pr\xC3\xAAt, <Fran\xC3\xA7oise>\r\nsecond row " + std::to_string(i);
    subs[i].inCue = "10000000";
    subs[i].outCue = "10000312";
  }
  kipo::SubtitleDocument d;
  d.ReplaceAll(std::move(subs));
  return d;
}

void BM_PacWrite(benchmark::State& state) {
  const kipo::SubtitleDocument d = BigDocument();
  for (auto _ : state) {
    kipo::Warnings w;
    benchmark::DoNotOptimize(kipo::WritePac(d, {}, w));
  }
}
BENCHMARK(BM_PacWrite)->Unit(benchmark::kMillisecond);

void BM_PacRead(benchmark::State& state) {
  kipo::Warnings w;
  const kipo::Bytes b = kipo::WritePac(BigDocument(), {}, w);
  for (auto _ : state) benchmark::DoNotOptimize(kipo::ReadPac(b, {}, w));
}
BENCHMARK(BM_PacRead)->Unit(benchmark::kMillisecond);

void BM_890Write(benchmark::State& state) {
  const kipo::SubtitleDocument d = BigDocument();
  for (auto _ : state) {
    kipo::Warnings w;
    benchmark::DoNotOptimize(kipo::Write890(d, {}, w));
  }
}
BENCHMARK(BM_890Write)->Unit(benchmark::kMillisecond);

void BM_890Read(benchmark::State& state) {
  kipo::Warnings w;
  const kipo::Bytes b = kipo::Write890(BigDocument(), {}, w);
  for (auto _ : state) benchmark::DoNotOptimize(kipo::Read890(b, {}, w));
}
BENCHMARK(BM_890Read)->Unit(benchmark::kMillisecond);

}  // namespace
