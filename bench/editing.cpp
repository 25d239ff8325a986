// Editing a full-size document: Insert and Delete at its start, and the Undo of a
// whole-document bulk operation, on 32,767 subtitles. Each must stay well under 5 ms.
#include <benchmark/benchmark.h>

#include "app/workstation.h"

namespace kipo {
namespace {

SubtitleDocument FullDocument() {
  const FrameRate rate = *FrameRate::FromCode(25);
  SubtitleDocument d;
  std::vector<Subtitle> subs(kMaxSubtitles);
  for (std::size_t i = 0; i < subs.size(); ++i) {
    subs[i].text = "Subtitle number " + std::to_string(i + 1) + "\r\nwith a second row of text";
    subs[i].inCue = FramesToDigits(static_cast<Timecode>(250 + i * 60), rate);
    subs[i].outCue = FramesToDigits(static_cast<Timecode>(300 + i * 60), rate);
  }
  subs.pop_back();  // room for the inserted one
  d.ReplaceAll(std::move(subs));
  return d;
}

// A workstation with the full document open.
struct Open {
  SettingsStore settings;
  SilentPrompter prompter;
  Workstation ws{settings, prompter};
  Open() { ws.session().ReplaceDocument(FullDocument()); }
};

void BM_InsertAtStart(benchmark::State& state) {
  Open open;
  Workstation& ws = open.ws;
  for (auto _ : state) {
    ws.editing().Insert();
    state.PauseTiming();
    ws.session().Undo();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_InsertAtStart)->Unit(benchmark::kMillisecond);

void BM_DeleteAtStart(benchmark::State& state) {
  Open open;
  Workstation& ws = open.ws;
  for (auto _ : state) {
    ws.editing().Delete();
    state.PauseTiming();
    ws.session().Undo();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_DeleteAtStart)->Unit(benchmark::kMillisecond);

// Stretching every cue records the whole document; Undo hands it back.
void BM_UndoWholeDocumentStretch(benchmark::State& state) {
  Open open;
  Workstation& ws = open.ws;
  for (auto _ : state) {
    state.PauseTiming();
    ws.timing().ScaleCues(1.001);
    state.ResumeTiming();
    ws.session().Undo();
  }
}
BENCHMARK(BM_UndoWholeDocumentStretch)->Unit(benchmark::kMillisecond);

void BM_StretchWholeDocument(benchmark::State& state) {
  Open open;
  Workstation& ws = open.ws;
  for (auto _ : state) {
    ws.timing().ScaleCues(1.001);
    state.PauseTiming();
    ws.session().Undo();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StretchWholeDocument)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kipo
