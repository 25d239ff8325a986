// Writing and reading a full-size EBU file: 32,767 two-row subtitles with accented text.
#include <benchmark/benchmark.h>

#include "formats/broadcast/ebu_stl.h"

namespace {

kipo::SubtitleDocument BigDocument() {
  std::vector<kipo::Subtitle> subs(kipo::kMaxSubtitles);
  for (std::size_t i = 0; i < subs.size(); ++i) {
    subs[i].text = "Voil\xC3\xA0 l'\xC3\xA9t\xC3\xA9 <" + std::to_string(i) + ">\r\nna\xC3\xAFve gar\xC3\xA7on \xE2\x80\x94 fin";
    subs[i].inCue = "01000000";
    subs[i].outCue = "01000100";
  }
  kipo::SubtitleDocument d;
  d.ReplaceAll(std::move(subs));
  return d;
}

void BM_WriteStl(benchmark::State& state) {
  kipo::SubtitleDocument d = BigDocument();
  kipo::SilentPrompter p;
  kipo::StlWriteOptions o;
  o.today = "240101";
  for (auto _ : state) {
    std::vector<std::string> w;
    benchmark::DoNotOptimize(kipo::WriteStl(d, o, p, w));
  }
}
BENCHMARK(BM_WriteStl)->Unit(benchmark::kMillisecond);

void BM_ReadStl(benchmark::State& state) {
  kipo::SubtitleDocument d = BigDocument();
  kipo::SilentPrompter p;
  std::vector<std::string> w;
  kipo::StlWriteOptions o;
  o.today = "240101";
  kipo::Bytes bytes = kipo::WriteStl(d, o, p, w);
  kipo::StlReadOptions ro;
  ro.editAreaWidth = 100;
  for (auto _ : state) benchmark::DoNotOptimize(kipo::ReadStl(bytes, ro, p));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ReadStl)->Unit(benchmark::kMillisecond);

}  // namespace
