// The profanity find over a full document of 32,767 subtitles with a long word list.
// Goal: linear in the text and in the list; the whole find (every answer No, or every
// answer Yes) well under a second for a list of thousands of words.
#include <benchmark/benchmark.h>

#include "platform/prompter.h"
#include "text/profanity.h"

namespace {

kipo::SubtitleDocument FullDocument() {
  static const char* const kTexts[] = {
      "Damn it, where were you?\r\nI waited for hours, you idiot.",
      "\u00C9T\u00C9 was hell.\r\n- Shut up!",
      "A plain subtitle that has no listed word at all",
      "Bloody hell, bloody HELL\r\nbloody",
  };
  kipo::SubtitleDocument doc;
  for (std::size_t i = 0; i < kipo::kMaxSubtitles; ++i) {
    kipo::Subtitle s;
    s.text = kTexts[i % 4];
    doc.Append(std::move(s));
  }
  return doc;
}

// `words` entries: a few that occur, the rest made-up words that never do.
kipo::WordList LongList(std::size_t words) {
  kipo::WordList list{{"damn", "darn"}, {"hell", "heck"}, {"idiot", "fool"}, {"bloody", "very"}, {"shut up", "hush"}};
  for (std::size_t i = list.size(); i < words; ++i) list.push_back({"zq" + std::to_string(i) + "x", "-"});
  return list;
}

class Answering : public kipo::SilentPrompter {
 public:
  explicit Answering(kipo::Answer a) : answer_(a) {}
  kipo::Answer Ask(const kipo::Message& m) override {
    if (m.buttons != kipo::Buttons::YesNoCancel) return kipo::Answer::Ok;
    ++questions;
    return answer_;
  }
  long questions = 0;

 private:
  kipo::Answer answer_;
};

void RunFind(benchmark::State& state, kipo::Answer answer) {
  const kipo::SubtitleDocument original = FullDocument();
  const kipo::WordList list = LongList(static_cast<std::size_t>(state.range(0)));
  long questions = 0;
  for (auto _ : state) {
    state.PauseTiming();
    kipo::SubtitleDocument doc = original;
    Answering prompter(answer);
    state.ResumeTiming();
    kipo::FindProfanity(doc, 0, list, prompter);
    questions = prompter.questions;
  }
  state.counters["questions"] = static_cast<double>(questions);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(original.Count()));
}

void BM_ProfanityFindAnswerNo(benchmark::State& state) { RunFind(state, kipo::Answer::No); }
void BM_ProfanityFindAnswerYes(benchmark::State& state) { RunFind(state, kipo::Answer::Yes); }
BENCHMARK(BM_ProfanityFindAnswerNo)->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProfanityFindAnswerYes)->Arg(10)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
