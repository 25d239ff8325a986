// Writing and reading a full-size EBU-TT-D file in process: 32,767 two-row subtitles
// with accents, italics and an escaped ampersand (goal: write under 60 ms, read under
// 120 ms). The other dialects' writers for comparison.
#include <benchmark/benchmark.h>

#include "formats/timedtext/timed_text.h"

namespace {

kipo::SubtitleDocument BigDocument() {
  const kipo::FrameRate rate = *kipo::FrameRate::FromCode(25);
  std::vector<kipo::Subtitle> subs(kipo::kMaxSubtitles);
  for (std::size_t i = 0; i < subs.size(); ++i) {
    subs[i].text = "Voil\xC3\xA0 l'\xC3\xA9t\xC3\xA9 <" + std::to_string(i) + ">\r\nna\xC3\xAFve & gar\xC3\xA7on \xE2\x80\x94 fin";
    const auto in = static_cast<kipo::FrameCount>(i * 25);
    subs[i].inCue = kipo::FramesToDigits(in, rate);
    subs[i].outCue = kipo::FramesToDigits(in + 20, rate);
    subs[i].row = static_cast<int>(i % 12);
    subs[i].alignment = 1 + static_cast<int>(i % 3);
  }
  kipo::SubtitleDocument d(25, kipo::kDefaultLanguageId, 0);
  d.ReplaceAll(std::move(subs));
  return d;
}

void BM_WriteTimedText(benchmark::State& state) {
  const kipo::SubtitleDocument d = BigDocument();
  const auto dialect = static_cast<kipo::TimedTextDialect>(state.range(0));
  kipo::TimedTextWriteOptions o;
  o.today = "2024-01-01";
  for (auto _ : state) {
    std::vector<std::string> w;
    benchmark::DoNotOptimize(kipo::WriteTimedText(d, dialect, o, w));
  }
}
BENCHMARK(BM_WriteTimedText)
    ->ArgName("dialect")
    ->Arg(static_cast<int>(kipo::TimedTextDialect::EbuTtD))
    ->Arg(static_cast<int>(kipo::TimedTextDialect::W3C))
    ->Arg(static_cast<int>(kipo::TimedTextDialect::Netflix))
    ->Unit(benchmark::kMillisecond);

void BM_ReadEbuTtd(benchmark::State& state) {
  const kipo::SubtitleDocument d = BigDocument();
  kipo::TimedTextWriteOptions o;
  o.today = "2024-01-01";
  std::vector<std::string> w;
  const std::string xml = kipo::WriteTimedText(d, kipo::TimedTextDialect::EbuTtD, o, w);
  const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(xml.data()), xml.size());
  for (auto _ : state) benchmark::DoNotOptimize(kipo::ReadTimedText(bytes, 25, w));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * xml.size()));
}
BENCHMARK(BM_ReadEbuTtd)->Unit(benchmark::kMillisecond);

}  // namespace
