// The error list and the statistics of a document of 32,767 subtitles, the largest a
// document can hold. Every fourth subtitle carries a fault so that rows are produced.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "app/workstation.h"
#include "timing/error_list.h"
#include "timing/live_errors.h"
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

// F9 as the workstation runs it on the largest document: the interactive run from the
// first subtitle and the live error list brought up to date. On a clean document the run
// visits every subtitle before "Check completed"; on a faulty one it stops at the first
// fault. The list is built once when the document arrives, then only followed.
struct Desk {
  kipo::SettingsStore settings{std::filesystem::temp_directory_path() / "kipo-bench-checks.ini"};
  kipo::SilentPrompter prompter;
  kipo::Workstation ws{settings, prompter};
};

kipo::SubtitleDocument Clean() {
  kipo::SubtitleDocument d = Largest();
  std::vector<kipo::Subtitle> subs = d.Subtitles();
  const kipo::FrameRate pal = *kipo::FrameRate::FromCode(25);
  for (std::size_t i = 0; i < subs.size(); ++i) {
    kipo::Timecode in = static_cast<kipo::Timecode>(i) * 100;
    subs[i].outCue = kipo::FramesToDigits(in + 80, pal);
    subs[i].text = "She said, not tonight\r\nand left.";
  }
  d.ReplaceAll(std::move(subs));
  return d;
}

void F9(benchmark::State& state, kipo::SubtitleDocument doc) {
  Desk desk;
  desk.ws.session().ReplaceDocument(std::move(doc));
  desk.ws.timing().LiveErrors();
  std::size_t rows = 0;
  for (auto _ : state) {
    desk.ws.session().GoTo(0);
    auto found = desk.ws.timing().RunAllChecks();
    rows = desk.ws.timing().LiveErrors().RowCount();
    benchmark::DoNotOptimize(found);
  }
  state.counters["rows"] = static_cast<double>(rows);
}
void BM_F9_CleanDocument(benchmark::State& state) { F9(state, Clean()); }
void BM_F9_FaultyDocument(benchmark::State& state) { F9(state, Largest()); }
BENCHMARK(BM_F9_CleanDocument)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_F9_FaultyDocument)->Unit(benchmark::kMillisecond);

// The list built when a document of 32,767 subtitles is opened.
void BM_LiveListBuild(benchmark::State& state) {
  kipo::SubtitleDocument d = Largest();
  kipo::LiveErrorList live;
  for (auto _ : state) {
    live.Rebuild(d, kipo::CheckSettings{});
    benchmark::DoNotOptimize(live.RowCount());
  }
}
BENCHMARK(BM_LiveListBuild)->Unit(benchmark::kMillisecond);

// An edit in the middle of the largest document, and the list followed and read as the
// window reads it (its count and the row on screen).
void BM_RecheckAfterEdit(benchmark::State& state) {
  Desk desk;
  desk.ws.session().ReplaceDocument(Largest());
  desk.ws.timing().LiveErrors();
  std::size_t i = 0;
  for (auto _ : state) {
    desk.ws.doc().SetText(16000 + i % 100, i % 2 ? "<An unbalanced row" : "A balanced row");
    ++i;
    const kipo::LiveErrorList& live = desk.ws.timing().LiveErrors();
    benchmark::DoNotOptimize(live.Row(live.FirstRowAtOrAfter(16000)));
  }
}
BENCHMARK(BM_RecheckAfterEdit)->Unit(benchmark::kMicrosecond);

}  // namespace
