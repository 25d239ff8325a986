// The file clean and the punctuation check over a full document of 32,767 subtitles.
// Goal: every step on, the whole clean well under a second, linear in the document.
#include <benchmark/benchmark.h>

#include "text/clean.h"

namespace {

kipo::SubtitleDocument FullDocument() {
  static const char* const kTexts[] = {
      "<Um, I don't know>\r\n-THe door  .Look...there",
      "[door slams]\r\n# Who\u2019s there? #",
      "\x02Green text\r\n\r\n- and\u2026 more,",
      "A plain subtitle that needs nothing",
  };
  kipo::SubtitleDocument doc;
  for (std::size_t i = 0; i < kipo::kMaxSubtitles; ++i) {
    kipo::Subtitle s;
    s.text = kTexts[i % 4];
    s.italic = i % 7 == 0;
    s.comment = i % 5 == 0 ? "note" : "";
    s.row = i % 9 == 0 ? 3 : 0;
    doc.Append(std::move(s));
  }
  return doc;
}

kipo::CleanSettings EveryStep() {
  kipo::CleanSettings s;
  s.steps = {true, true, true, true, true, true, true, true, true};
  s.sdh.round = s.sdh.square = s.sdh.curly = true;
  s.sdh.chars = {"#", "*"};
  s.sdh.interjections = {"Ah", "Eh", "Er", "Erm", "Ha", "Haha", "Hmm", "Mmm", "Oh", "Ooh", "Ow", "Ugh", "Uh", "Uhuh", "Um"};
  s.typographic = {true, true, true};
  s.rules = {true, true, true, true, false, true, true, false, false, true, false, true, true, true};
  return s;
}

void BM_CleanDocument(benchmark::State& state) {
  const kipo::SubtitleDocument original = FullDocument();
  const kipo::CleanSettings settings = EveryStep();
  std::size_t rows = 0;
  for (auto _ : state) {
    state.PauseTiming();
    kipo::SubtitleDocument doc = original;
    state.ResumeTiming();
    rows = kipo::CleanDocument(doc, settings).rows.size();
    benchmark::DoNotOptimize(rows);
  }
  state.counters["report rows"] = static_cast<double>(rows);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(original.Count()));
}
BENCHMARK(BM_CleanDocument)->Unit(benchmark::kMillisecond);

void BM_PunctuationCheck(benchmark::State& state) {
  const kipo::SubtitleDocument original = FullDocument();
  kipo::CleanSettings settings = EveryStep();
  settings.steps = {};
  settings.steps.autoFormat = settings.steps.punctuation = true;
  for (auto _ : state) {
    state.PauseTiming();
    kipo::SubtitleDocument doc = original;
    state.ResumeTiming();
    benchmark::DoNotOptimize(kipo::CleanDocument(doc, settings, kipo::CleanKind::PunctuationCheck).rows.size());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(original.Count()));
}
BENCHMARK(BM_PunctuationCheck)->Unit(benchmark::kMillisecond);

}  // namespace
