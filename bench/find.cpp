// Find and Replace and spell checking over a full-size document (32,767 subtitles of two
// rows with markup). A search that finds nothing walks every text and comment, and must
// answer in well under a second; Replace All and its Undo likewise. Checking one row's
// spelling while typing must stay far below a keystroke (well under a millisecond).
#include <benchmark/benchmark.h>

#include "app/find_controller.h"
#include "text/spelling.h"

namespace kipo {
namespace {

SubtitleDocument FullDocument() {
  SubtitleDocument d;
  std::vector<Subtitle> subs(kMaxSubtitles);
  for (std::size_t i = 0; i < subs.size(); ++i) {
    subs[i].text = "<Where were you\r\nlast night,> \x03" "captain " + std::to_string(i + 1) + "?";
    subs[i].comment = i % 10 == 0 ? "check the harbour scene" : "";
  }
  d.ReplaceAll(std::move(subs));
  return d;
}

struct Open {
  SettingsStore settings;
  SilentPrompter prompter;
  Workstation ws{settings, prompter};
  FindController find{ws};
  Open() { ws.session().ReplaceDocument(FullDocument()); }
};

FindOptions Options(std::string pattern, bool regex, bool comments) {
  FindOptions o;
  o.pattern = std::move(pattern);
  o.regex = regex;
  o.wholeWords = !regex;
  o.inComments = comments;
  return o;
}

void BM_FindNothing(benchmark::State& state) {
  Open open;
  const FindOptions o = Options(state.range(0) ? "sub\\w+marine" : "submarine", state.range(0) != 0, true);
  for (auto _ : state) benchmark::DoNotOptimize(open.find.FindNext(o));
}
BENCHMARK(BM_FindNothing)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ReplaceAllAndUndo(benchmark::State& state) {
  Open open;
  const FindOptions o = Options("captain", false, false);
  for (auto _ : state) {
    benchmark::DoNotOptimize(open.find.ReplaceAll(o, "major"));
    open.ws.session().Undo();
  }
}
BENCHMARK(BM_ReplaceAllAndUndo)->Unit(benchmark::kMillisecond);

void BM_SpellCheckRow(benchmark::State& state) {
  SpellChecker checker;
  if (!checker.Load("en_US")) {
    state.SkipWithError("no en_US dictionary installed");
    return;
  }
  const std::string row = "<Where were you last nigth, captian?> I recieve the mesage.";
  checker.Misspelled(row);  // the cache as while typing: most words were seen a keystroke ago
  for (auto _ : state) benchmark::DoNotOptimize(checker.Misspelled(row));
}
BENCHMARK(BM_SpellCheckRow)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kipo
