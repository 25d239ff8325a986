// The video panel's work for each frame that plays, on the largest documents: finding the
// subtitle on screen among 32,767, rebuilding the cue table after a change, and drawing a
// new subtitle for the overlay with the pictures' renderer. At 25 frames a second a frame
// has 40 ms; the lookup should take a small part of one, a new subtitle a few.
#include <benchmark/benchmark.h>

#include "app/workstation.h"
#include "imaging/dvd_settings.h"
#include "imaging/subtitle_renderer.h"
#include "platform/prompter.h"

namespace kipo {
namespace {

class SilentPrompter : public Prompter {
 public:
  Answer Ask(const Message&) override { return Answer::Ok; }
  std::optional<std::string> Input(const std::string&, const std::string&, const std::string&) override { return {}; }
  std::optional<FileChoice> OpenFile(const FileDialog&) override { return {}; }
  std::optional<FileChoice> SaveFile(const FileDialog&) override { return {}; }
  std::optional<std::string> ChooseFolder(const std::string&) override { return {}; }
  std::optional<int> Choose(const std::string&, const std::string&, const std::vector<std::string>&) override { return {}; }
  void Status(const std::string&) override {}
  void Progress(const std::string&, long, long) override {}
};

SubtitleDocument Largest() {
  SubtitleDocument d;
  const FrameRate r = d.frameRate();
  for (int i = 0; i < 32767; ++i) {
    Subtitle s;
    s.text = "A subtitle of two rows\r\n<that a viewer reads>";
    s.inCue = FramesToDigits(100 + i * 60, r);
    s.outCue = FramesToDigits(100 + i * 60 + 50, r);
    d.Append(std::move(s));
  }
  return d;
}

void BM_SubtitleOnScreen(benchmark::State& state) {
  SettingsStore settings;
  SilentPrompter prompter;
  Workstation ws(settings, prompter);
  ws.session().ReplaceDocument(Largest());
  Timecode t = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(ws.player().SubtitleAt(t));
    t = (t + 997) % (32767 * 60);
  }
}
BENCHMARK(BM_SubtitleOnScreen);

// After every change the session refreshes and the table of cues is read again.
void BM_CueTableAfterAChange(benchmark::State& state) {
  SettingsStore settings;
  SilentPrompter prompter;
  Workstation ws(settings, prompter);
  ws.session().ReplaceDocument(Largest());
  for (auto _ : state) {
    ws.player().DocumentShown();
    benchmark::DoNotOptimize(ws.player().SubtitleAt(32767 * 60));
  }
}
BENCHMARK(BM_CueTableAfterAChange)->Unit(benchmark::kMillisecond);

void BM_OverlayNewSubtitle(benchmark::State& state) {
  SettingsStore settings;
  const DvdOptions o = DvdOptionTable().Load(settings);
  RenderLayout layout = o.Layout();
  layout.cropToInk = true;
  SubtitleRenderer renderer(o.Style(), layout);
  Subtitle s;
  s.text = "A subtitle of two rows\r\n<that a viewer reads>";
  int n = 0;
  for (auto _ : state) {
    s.text[0] = static_cast<char>('A' + (n++ % 26));  // a new text each time
    benchmark::DoNotOptimize(renderer.Render(s, 1));
  }
}
BENCHMARK(BM_OverlayNewSubtitle)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kipo
