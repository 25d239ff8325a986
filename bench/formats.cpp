// Every format of the registry with a reader and a writer: writing and reading a
// 32,767-subtitle document, one benchmark pair per format (BM_Write/<id>, BM_Read/<id>).
// A format added to the registry is measured here without a line of its own.
#include <benchmark/benchmark.h>

#include "formats/broadcast/pac_languages.h"
#include "formats/registry.h"

namespace {

// Answers the language question with the first language of the Latin byte table.
class LatinPrompter : public kipo::SilentPrompter {
 public:
  std::optional<int> Choose(const std::string&, const std::string&, const std::vector<std::string>&) override {
    const auto& list = kipo::PacLanguages();
    for (std::size_t i = 0; i < list.size(); ++i)
      if (list[i].characterSet == 0) return static_cast<int>(i);
    return 0;
  }
};

const kipo::SubtitleDocument& Largest() {
  static const kipo::SubtitleDocument doc = [] {
    kipo::SubtitleDocument d(25, kipo::kDefaultLanguageId, 0);
    std::vector<kipo::Subtitle> subs;
    for (int i = 0; i < static_cast<int>(kipo::kMaxSubtitles); ++i) {
      kipo::Subtitle s;
      s.inCue = kipo::FramesToDigits(i * 60, d.frameRate());
      s.outCue = kipo::FramesToDigits(i * 60 + 50, d.frameRate());
      s.text = i % 4 ? "A subtitle line of ordinary length\r\nand its <second> row" : "One row only";
      subs.push_back(std::move(s));
    }
    d.ReplaceAll(std::move(subs));
    return d;
  }();
  return doc;
}

void Write(benchmark::State& state, const kipo::Format* f) {
  LatinPrompter prompter;
  kipo::SettingsStore settings;
  std::size_t size = 0;
  for (auto _ : state) {
    kipo::FormatContext ctx{prompter, settings};
    kipo::WriteResult r = f->write(Largest(), ctx);
    size = r.bytes.size();
    benchmark::DoNotOptimize(r.bytes.data());
  }
  state.SetLabel(std::to_string(size / 1024) + " KiB");
}

void Read(benchmark::State& state, const kipo::Format* f) {
  LatinPrompter prompter;
  kipo::SettingsStore settings;
  kipo::FormatContext writeCtx{prompter, settings};
  const kipo::Bytes bytes = f->write(Largest(), writeCtx).bytes;
  for (auto _ : state) {
    kipo::FormatContext ctx{prompter, settings};
    ctx.frameRateCode = 25;
    kipo::ReadResult r = f->read(bytes, ctx);
    benchmark::DoNotOptimize(r.document.Count());
  }
  state.SetLabel(std::to_string(bytes.size() / 1024) + " KiB");
}

const bool kRegistered = [] {
  for (const kipo::Format& f : kipo::Formats()) {
    if (!f.CanRead() || !f.CanWrite()) continue;
    benchmark::RegisterBenchmark(("BM_Write/" + f.id).c_str(), Write, &f)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("BM_Read/" + f.id).c_str(), Read, &f)->Unit(benchmark::kMillisecond);
  }
  return true;
}();

}  // namespace
