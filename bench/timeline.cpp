// Painting the timeline offscreen into a full-HD-wide image (1920 x 160) with a document of
// 32,767 subtitles (goal: under 16 ms a paint at every zoom level) over a two-hour stereo
// analysis with a cut every four seconds. "Cached" paints a view whose waveform images are
// made already, as when the play head or a drag redraws; "Scrolling" moves the view a tenth
// of its width each paint, as while playing or scrolling; "Cold" throws the waveform images
// away each paint, as after a zoom. The argument is the zoom level (0: eight pixels a frame,
// 17: 16384 frames a pixel, the whole document in view).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cmath>

#include "app/timeline_controller.h"
#include "app/workstation.h"
#include "gui/timeline_painter.h"
#include "platform/prompter.h"

namespace {

using namespace kipo;

constexpr int kSubtitles = 32767;
constexpr int kVideoFrames = 2 * 60 * 60 * 25;

struct Scene {
  SettingsStore settings;
  SilentPrompter prompter;
  Workstation ws{settings, prompter};
  std::unique_ptr<TimelineController> timeline;
  gui::TimelinePainter painter;
  QImage image{1920, 160, QImage::Format_ARGB32_Premultiplied};

  Scene() {
    SubtitleDocument d(25, 2057, 0);
    static const char* const kRows[] = {"Where were you when the lights went out?", "<I was here,> all night long.",
                                        "Nobody told me there would be a test.", "Then we leave at dawn."};
    // A subtitle every 1.6 s, most of them 1.2 s long: about fourteen and a half hours.
    for (int i = 0; i < kSubtitles; ++i) {
      Subtitle s;
      s.inCue = Cue::FromFrames(250 + i * 40, d.frameRate());
      s.outCue = Cue::FromFrames(250 + i * 40 + (i % 7 == 0 ? 38 : 30), d.frameRate());
      s.text = std::string(kRows[i % 4]) + (i % 2 ? std::string("\r\n") + kRows[(i + 1) % 4] : "");
      d.Append(std::move(s));
    }
    ws.session().ReplaceDocument(std::move(d));
    FrameTable t;
    t.rate = ws.doc().frameRate();
    t.timecodes.reserve(kVideoFrames);
    for (int f = 0; f < kVideoFrames; ++f) t.timecodes.push_back(FramesToLabel(f, t.rate));
    t.measures.assign(kVideoFrames, 0);
    t.cuts.assign(kVideoFrames, 0);
    for (int f = 100; f < kVideoFrames; f += 100) t.cuts[f] = -1;
    t.peaks.channels = 2;
    t.peaks.values.resize(static_cast<std::size_t>(kVideoFrames) * 4);
    for (int f = 0; f < kVideoFrames; ++f) {
      const double level = 0.5 + 0.45 * std::sin(f / 40.0) * std::sin(f / 1300.0);
      for (int c = 0; c < 2; ++c) {
        const auto v = static_cast<std::int16_t>(32767 * level / (c + 1));
        t.peaks.values[4 * f + 2 * c] = static_cast<std::int16_t>(-v);
        t.peaks.values[4 * f + 2 * c + 1] = v;
      }
    }
    ws.playhead().Open("", kVideoFrames);
    ws.timing().SetFrameTable(std::move(t));
    timeline = std::make_unique<TimelineController>(ws);
    timeline->SetWidth(image.width());
    ws.session().GoTo(kSubtitles / 2);
  }

  void Paint() {
    QPainter p(&image);
    painter.Paint(p, image.rect(), *timeline);
  }
};

Scene& TheScene() {
  static Scene scene;
  return scene;
}

enum class Mode { Cached, Scrolling, Cold };

void Paint(benchmark::State& state, Mode mode) {
  Scene& s = TheScene();
  s.timeline->SetZoomLevel(static_cast<int>(state.range(0)));
  // The middle of the document, where the current subtitle is.
  const Subtitle& current = s.ws.doc().At(kSubtitles / 2);
  s.timeline->ScrollTo(current.inCue.ToFrames(s.ws.doc().frameRate()) - s.timeline->width() * s.timeline->framesPerPixel() / 2);
  s.painter.Forget();
  s.Paint();
  const double start = s.timeline->left();
  int step = 0;
  for (auto _ : state) {
    if (mode == Mode::Scrolling) {
      s.timeline->ScrollTo(start + (++step % 50) * s.timeline->width() * s.timeline->framesPerPixel() / 10);
    } else if (mode == Mode::Cold) {
      s.painter.Forget();
    }
    s.Paint();
    benchmark::DoNotOptimize(s.image.constBits());
  }
  const auto [first, last] = s.timeline->VisibleBlocks(s.timeline->left(), s.timeline->right());
  state.counters["blocks"] = static_cast<double>(last - first);
}

void BM_PaintCached(benchmark::State& state) { Paint(state, Mode::Cached); }
void BM_PaintScrolling(benchmark::State& state) { Paint(state, Mode::Scrolling); }
void BM_PaintCold(benchmark::State& state) { Paint(state, Mode::Cold); }

BENCHMARK(BM_PaintCached)->Arg(0)->Arg(5)->Arg(9)->Arg(13)->Arg(17)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintScrolling)->Arg(0)->Arg(5)->Arg(9)->Arg(13)->Arg(17)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintCold)->Arg(0)->Arg(5)->Arg(9)->Arg(13)->Arg(17)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
