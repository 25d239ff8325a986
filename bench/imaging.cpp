// Bitmap exports at the size of a feature film: 1,500 PAL subtitles to 8-bit BMP plus the
// Scenarist script (goal: under 5 s on two cores), 1,500 HD subtitles to 32-bit PNG plus
// BDN XML (goal: under 10 s), and one subtitle rendered alone.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "imaging/bitmap_export.h"
#include "imaging/text_layout.h"

namespace {

namespace fs = std::filesystem;

kipo::SubtitleDocument Film(int count) {
  kipo::SubtitleDocument d(25, 2057, 0);
  static const char* const kRows[] = {"Where were you when the lights went out?", "<I was here,> all night long.",
                                      "Nobody told me there would be a test.", "Then we leave at dawn."};
  for (int i = 0; i < count; ++i) {
    kipo::Subtitle s;
    s.inCue = kipo::Cue::FromFrames(250 + i * 75, d.frameRate());
    s.outCue = kipo::Cue::FromFrames(250 + i * 75 + 60, d.frameRate());
    s.text = std::string(kRows[i % 4]) + (i % 2 ? std::string("\r\n") + kRows[(i + 1) % 4] : "");
    d.Append(s);
  }
  return d;
}

void Export(benchmark::State& state, kipo::AuthoringTarget target, kipo::PictureFormat pf, int sizeChoice) {
  const fs::path dir = fs::temp_directory_path() / ("kipo_bench_imaging_" + std::to_string(static_cast<int>(target)));
  kipo::BitmapExportRequest req;
  req.document = Film(static_cast<int>(state.range(0)));
  req.options.targetSystem = static_cast<int>(target);
  req.options.pictureFormat = static_cast<int>(pf);
  req.options.ChoosePictureSize(sizeChoice);
  if (sizeChoice == 4) req.options.baseline = 1020, req.options.fontSize = 54;
  req.options.antialiasType = static_cast<int>(kipo::AntiAlias::AntiAliased);
  req.options.fontName = "DejaVu Sans";
  req.fontFiles = kipo::ReferenceFontFiles();
  req.folder = dir;
  for (auto _ : state) {
    kipo::BitmapExportResult r = kipo::BitmapExport::Run(req, kipo::SharedPool());
    benchmark::DoNotOptimize(r.entries.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  fs::remove_all(dir);
}

void BM_PalBmp8WithScenarist(benchmark::State& state) {
  Export(state, kipo::AuthoringTarget::SonicScenarist, kipo::PictureFormat::Bmp8, 0);
}
BENCHMARK(BM_PalBmp8WithScenarist)->Arg(1500)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_HdPng32WithBdn(benchmark::State& state) {
  Export(state, kipo::AuthoringTarget::BdnXml, kipo::PictureFormat::Png32, 4);
}
BENCHMARK(BM_HdPng32WithBdn)->Arg(1500)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_HdPgsStream(benchmark::State& state) {
  Export(state, kipo::AuthoringTarget::PgsStream, kipo::PictureFormat::Png32, 4);
}
BENCHMARK(BM_HdPgsStream)->Arg(1500)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_RenderOne(benchmark::State& state) {
  kipo::RenderStyle st;
  st.fontFamily = "DejaVu Sans";
  st.fontFiles = kipo::ReferenceFontFiles();
  st.antialias = static_cast<kipo::AntiAlias>(state.range(0));
  kipo::SubtitleRenderer r(st, kipo::RenderLayout{});
  kipo::Subtitle s;
  s.text = "Where were you when the lights went out?\r\n<I was here,> all night long.";
  for (auto _ : state) benchmark::DoNotOptimize(r.Render(s, 1).ink);
}
BENCHMARK(BM_RenderOne)->Arg(0)->Arg(6)->Arg(10)->Arg(11)->Unit(benchmark::kMicrosecond);

}  // namespace
