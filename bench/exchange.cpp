// Converting a 32,767-subtitle SubRip file to WebVTT in memory: decode, read, write, encode.
#include <benchmark/benchmark.h>

#include "formats/exchange/subrip.h"
#include "formats/exchange/text_encoding.h"
#include "formats/exchange/webvtt.h"

namespace {

kipo::Bytes BigSubRip() {
  kipo::SubtitleDocument d;
  std::vector<kipo::Subtitle> subs;
  for (int i = 0; i < 32767; ++i) {
    kipo::Subtitle s;
    s.inCue = kipo::FramesToDigits(i * 60, d.frameRate());
    s.outCue = kipo::FramesToDigits(i * 60 + 50, d.frameRate());
    s.text = i % 4 ? "A subtitle line of ordinary length\r\nand its <second> row" : "One row only";
    subs.push_back(std::move(s));
  }
  d.ReplaceAll(std::move(subs));
  kipo::Warnings w;
  return kipo::EncodeText(kipo::WriteSubRip(d, {}, w), kipo::TextEncoding::Utf8, "windows-1252");
}

void BM_SubRipToWebVtt(benchmark::State& state) {
  static const kipo::Bytes srt = BigSubRip();
  kipo::FrameRate rate = *kipo::FrameRate::FromCode(25);
  for (auto _ : state) {
    kipo::Warnings w;
    std::string text = kipo::DecodeImportText(srt, std::nullopt);
    kipo::SubtitleDocument doc = kipo::ReadSubRip(text, rate, w);
    kipo::Bytes vtt = kipo::EncodeText(kipo::WriteWebVtt(doc, {}, w), kipo::TextEncoding::Utf8, "");
    benchmark::DoNotOptimize(vtt.data());
  }
  state.SetLabel("32767 subtitles, " + std::to_string(srt.size() / 1024) + " KiB");
}
BENCHMARK(BM_SubRipToWebVtt)->Unit(benchmark::kMillisecond);

}  // namespace
