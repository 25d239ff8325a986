// Writing and reading back a full-size .kpox document (32,767 subtitles). Goal: both
// directions together well under 100 ms.
#include <benchmark/benchmark.h>

#include "core/native_file.h"

namespace {

kipo::SubtitleDocument BigDocument() {
  kipo::SubtitleDocument d;
  std::vector<kipo::Subtitle> subs(kipo::kMaxSubtitles);
  for (std::size_t i = 0; i < subs.size(); ++i) {
    subs[i].text = "Subtitle number " + std::to_string(i + 1) + ", first row\r\n<and a second row in italics>";
    if (i % 10 == 0) subs[i].text += " caf\xC3\xA9 \xE2\x80\x94 na\xC3\xAFve";
    subs[i].inCue = kipo::FramesToDigits(static_cast<kipo::Timecode>(i * 60), d.frameRate());
    subs[i].outCue = kipo::FramesToDigits(static_cast<kipo::Timecode>(i * 60 + 50), d.frameRate());
    if (i % 7 == 0) subs[i].comment = "check this one";
  }
  d.ReplaceAll(std::move(subs));
  return d;
}

void BM_KpoxWriteAndRead(benchmark::State& state) {
  kipo::SubtitleDocument d = BigDocument();
  for (auto _ : state) {
    kipo::Bytes b = kipo::WriteNative(d, kipo::NativeVariant::Kpox).bytes;
    kipo::SubtitleDocument back = kipo::ReadNative(b, kipo::NativeVariant::Kpox);
    benchmark::DoNotOptimize(back.Count());
  }
}
BENCHMARK(BM_KpoxWriteAndRead)->Unit(benchmark::kMillisecond);

void BM_KpoxWrite(benchmark::State& state) {
  kipo::SubtitleDocument d = BigDocument();
  for (auto _ : state) benchmark::DoNotOptimize(kipo::WriteNative(d, kipo::NativeVariant::Kpox).bytes.size());
}
BENCHMARK(BM_KpoxWrite)->Unit(benchmark::kMillisecond);

void BM_KpoxRead(benchmark::State& state) {
  kipo::Bytes b = kipo::WriteNative(BigDocument(), kipo::NativeVariant::Kpox).bytes;
  for (auto _ : state) benchmark::DoNotOptimize(kipo::ReadNative(b, kipo::NativeVariant::Kpox).Count());
}
BENCHMARK(BM_KpoxRead)->Unit(benchmark::kMillisecond);

}  // namespace
