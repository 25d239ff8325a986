// The timeline widget on the offscreen platform over a generated video: three coloured
// shots with the frame number burnt in and a stereo tone. The analysis fills the waveform
// and the cut marks; the mouse seeks, zooms, scrolls and drags a block, which one Undo
// takes back. Screenshots go to build/screenshots/.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QStatusBar>
#include <QTest>
#include <QWheelEvent>

#include "gui/main_window.h"
#include "gui/qt_prompter.h"
#include "gui/timeline_widget.h"
#include "support/temp_home.h"
#include "support/test_videos.h"
#include "support/timed_subtitle.h"

namespace kipo {
namespace {

using test::kPal;

// Shots cut at frames 30 and 60 (90 frames), the frame number in white, and sound from 0.4 s
// on: a loud left channel and a quieter right one.
std::filesystem::path ShotsWithTone() {
  const std::filesystem::path out = test::VideoFolder() / "timeline-shots-tone.mp4";
  if (std::filesystem::exists(out)) return out;
  const std::string cmd =
      "ffmpeg -nostdin -v error -y -f lavfi -i color=c=0xC03030:s=160x120:r=25:d=1.2 "
      "-f lavfi -i color=c=0x30A040:s=160x120:r=25:d=1.2 -f lavfi -i color=c=0x3050C0:s=160x120:r=25:d=1.2 "
      "-f lavfi -i \"aevalsrc='0.6*sin(2*PI*440*t)*gte(t,0.4)|0.25*sin(2*PI*660*t)*gte(t,0.4)':s=48000:d=3.6\" "
      "-filter_complex \"[0][1][2]concat=n=3,drawtext=text='%{n}':fontsize=48:fontcolor=white:x=20:y=30[v]\" "
      "-map \"[v]\" -map 3 -c:v libx264 -pix_fmt yuv420p -c:a aac -shortest '" + out.string() + "'";
  if (std::system(cmd.c_str()) != 0) return {};
  return out;
}

void Send(QWidget& w, QEvent::Type type, QPointF at, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent e(type, at, w.mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, mods);
  QApplication::sendEvent(&w, &e);
}

void Wheel(QWidget& w, QPointF at, int angle, Qt::KeyboardModifiers mods) {
  QWheelEvent e(at, w.mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton, mods, Qt::NoScrollPhase, false);
  QApplication::sendEvent(&w, &e);
}

bool WaitForAnalysis(const TimelineController& c) {
  QElapsedTimer timer;
  timer.start();
  while (c.analysing() && timer.elapsed() < 120000) QTest::qWait(10);
  return !c.analysing();
}

// Pixels of a colour in a column range of the picture, between two rows.
int Count(const QImage& img, QColor colour, int x0, int x1, int y0, int y1) {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) n += img.pixelColor(x, y).rgb() == colour.rgb();
  return n;
}

struct Studio {
  test::TempHome home;
  SettingsStore settings;
  gui::QtPrompter prompter;
  Workstation ws{settings, prompter};
  std::filesystem::path video;
  explicit Studio(const std::filesystem::path& shared) : video(home / "shots-tone.mp4") {
    std::filesystem::copy_file(shared, video);
    SubtitleDocument d(25, 2057, 0);
    d.Append(test::TimedSub("First shot", 10, 40));
    d.Append(test::TimedSub("Second shot,\r\n<two rows>", 50, 80));
    ws.session().ReplaceDocument(std::move(d));
  }
};

TEST(TimelineWidget, ShowsPeaksAndCutsAndTheMouseSeeksZoomsAndDrags) {
  if (!test::HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
  const auto shared = ShotsWithTone();
  ASSERT_FALSE(shared.empty()) << "ffmpeg could not make the video";
  Studio s(shared);
  QStatusBar status;
  gui::TimelineWidget w(s.ws, &status);
  TimelineController& c = w.controller();
  w.resize(760, 150);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  c.SetZoomLevel(0);  // eight pixels a frame: the 90 frames fill the width
  c.ScrollTo(0);

  s.ws.playhead().Open(s.video, 90);
  EXPECT_TRUE(status.findChild<QProgressBar*>("analysisProgress")->isVisibleTo(&status));
  ASSERT_TRUE(WaitForAnalysis(c));
  EXPECT_FALSE(status.findChild<QProgressBar*>("analysisProgress")->isVisibleTo(&status));
  EXPECT_EQ(c.analysisError(), "");
  ASSERT_EQ(c.Cuts(), (std::vector<Timecode>{30, 60}));
  ASSERT_EQ(s.ws.timing().frameTable().peaks.channels, 2);

  QTest::qWait(20);
  QImage img = w.grab().toImage();
  QDir().mkpath(KIPO_SCREENSHOTS);
  EXPECT_TRUE(img.save(QString(KIPO_SCREENSHOTS) + "/timeline.png"));
  const auto l = gui::TimelinePainter::LayoutFor(w.rect(), true);
  const int top = l.wave.top() + 2, above = l.band.top() - 2;
  {
    SCOPED_TRACE("a cut mark at each cut, in the cut colour, and nowhere else");
    const QColor cut = gui::StoredColour(c.options().shotCutColor);
    for (Timecode t : c.Cuts()) {
      const int x = static_cast<int>(std::lround(c.FrameToX(t)));
      EXPECT_EQ(Count(img, cut, x, x + 1, top, above), above - top) << "frame " << t;
    }
    EXPECT_EQ(Count(img, cut, 0, img.width(), top, top + 1), 2);
  }
  {
    SCOPED_TRACE("the waveform: silent before 0.4 s (frame 10), loud after");
    const QColor wave = gui::StoredColour(c.options().waveformColor);
    EXPECT_EQ(Count(img, wave, 4, static_cast<int>(c.FrameToX(8)), top, above), 0);
    const int loud = Count(img, wave, static_cast<int>(c.FrameToX(12)), static_cast<int>(c.FrameToX(28)), top, above);
    EXPECT_GT(loud, 16 * 8 * 10);
    // Stereo draws the channels apart: the left one, above, swings wider.
    s.settings.Set(kDisplayStereoWaveform, true);
    c.ReloadOptions();
    QTest::qWait(20);
    const QImage stereo = w.grab().toImage();
    EXPECT_TRUE(stereo.save(QString(KIPO_SCREENSHOTS) + "/timeline_stereo.png"));
    const int mid = l.wave.top() + l.wave.height() / 2;
    const int x0 = static_cast<int>(c.FrameToX(12)), x1 = static_cast<int>(c.FrameToX(28));
    EXPECT_GT(Count(stereo, wave, x0, x1, l.wave.top(), mid), 2 * Count(stereo, wave, x0, x1, mid, l.wave.bottom()));
  }
  {
    SCOPED_TRACE("painting again makes no new waveform images; another zoom level does");
    const int made = w.painter().tilesMade();
    w.repaint();
    EXPECT_EQ(w.painter().tilesMade(), made);
  }

  std::vector<Timecode> asked;
  Connection seek = s.ws.playhead().seekRequested.Connect([&](Timecode f) {
    asked.push_back(f);
    s.ws.playhead().Report(f, false);
  });
  const double waveY = l.wave.top() + 10, bandY = l.band.center().y();
  {
    SCOPED_TRACE("a click above the blocks seeks");
    Send(w, QEvent::MouseButtonPress, {c.FrameToX(45) + 2, waveY});
    Send(w, QEvent::MouseButtonRelease, {c.FrameToX(45) + 2, waveY});
    EXPECT_EQ(asked, std::vector<Timecode>{45});
  }
  {
    SCOPED_TRACE("dragging the second block six frames later, then one Undo");
    const double from = c.FrameToX(65);
    Send(w, QEvent::MouseButtonPress, {from, bandY});
    EXPECT_EQ(s.ws.session().current(), 1u);
    for (int dx = 8; dx <= 48; dx += 8) Send(w, QEvent::MouseMove, {from + dx, bandY});
    QTest::qWait(20);
    EXPECT_TRUE(w.grab().save(QString(KIPO_SCREENSHOTS) + "/timeline_drag.png"));
    Send(w, QEvent::MouseButtonRelease, {from + 48, bandY});
    const Subtitle& moved = s.ws.doc().At(1);
    EXPECT_EQ(moved.inCue.ToFrames(kPal), 56);
    EXPECT_EQ(moved.outCue.ToFrames(kPal), 86);
    s.ws.session().Undo();
    EXPECT_EQ(s.ws.doc().At(1).inCue.ToFrames(kPal), 50);
    EXPECT_EQ(s.ws.doc().At(1).outCue.ToFrames(kPal), 80);
    EXPECT_FALSE(s.ws.session().CanUndo());
  }
  {
    SCOPED_TRACE("a double click on a block takes the picture to its in cue");
    asked.clear();
    Send(w, QEvent::MouseButtonDblClick, {c.FrameToX(20), bandY});
    EXPECT_EQ(s.ws.session().current(), 0u);
    EXPECT_EQ(asked, std::vector<Timecode>{10});
  }
  {
    SCOPED_TRACE("an edge dragged near a cut snaps onto it, with Shift it does not");
    // The in edge of the second block, dragged to a tenth of a frame before the cut at 60.
    const double edge = c.FrameToX(50);
    Send(w, QEvent::MouseButtonPress, {edge, bandY});
    Send(w, QEvent::MouseMove, {c.FrameToX(59.6), bandY});
    ASSERT_TRUE(c.drag());
    EXPECT_EQ(c.drag()->now.in, 60);
    Send(w, QEvent::MouseMove, {c.FrameToX(58), bandY}, Qt::ShiftModifier);
    EXPECT_EQ(c.drag()->now.in, 58);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&w, &escape);
    EXPECT_FALSE(c.drag());
    Send(w, QEvent::MouseButtonRelease, {c.FrameToX(58), bandY});
    EXPECT_EQ(s.ws.doc().At(1).inCue.ToFrames(kPal), 50);
  }
  {
    SCOPED_TRACE("Ctrl and the wheel zoom about the mouse; the wheel alone scrolls");
    c.ScrollTo(150);
    const int made = w.painter().tilesMade();
    const double x = 300, frame = c.XToFrame(x);
    Wheel(w, {x, waveY}, -120, Qt::ControlModifier);
    EXPECT_EQ(c.zoomLevel(), 1);
    EXPECT_NEAR(c.XToFrame(x), frame, 1e-9);
    w.repaint();
    EXPECT_GT(w.painter().tilesMade(), made);
    const double left = c.left();
    Wheel(w, {x, waveY}, -120, Qt::NoModifier);
    EXPECT_GT(c.left(), left);
  }
}

// At every zoom level and rate the ruler's labels have room, and the step is a whole number
// of frames under a second or of seconds above, so labels fall on round timecodes.
TEST(TimelinePainter, RulerStepsLeaveRoomAndFallOnRoundTimecodes) {
  for (int perSecond : {24, 25, 30, 50, 60})
    for (int level = 0; level < kTimelineZoomLevels; ++level) {
      SCOPED_TRACE(testing::Message() << perSecond << " fps, zoom level " << level);
      const double fpp = TimelineFramesPerPixel(level);
      const Timecode step = gui::TimelinePainter::RulerStep(fpp, perSecond, 96);
      EXPECT_GE(step / fpp, 96);
      EXPECT_TRUE(step < perSecond ? perSecond % step == 0 : step % perSecond == 0) << step;
      // Not much more room than needed: the step below it would not do.
      if (step > 1) {
        EXPECT_LT(step / fpp, 96 * 3.1) << step; }
    }
}

// A drag held near an end scrolls the view on, and the block with it.
TEST(TimelineWidget, ADragNearTheEndScrollsOn) {
  SettingsStore settings;
  gui::QtPrompter prompter;
  Workstation ws{settings, prompter};
  SubtitleDocument d(25, 2057, 0);
  for (int i = 0; i < 40; ++i) d.Append(test::TimedSub("Line " + std::to_string(i), 100 + 200 * i, 150 + 200 * i));
  ws.session().ReplaceDocument(std::move(d));
  gui::TimelineWidget w(ws);
  w.resize(400, 120);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  TimelineController& c = w.controller();
  c.SetZoomLevel(3);
  c.ScrollTo(0);
  const double y = gui::TimelinePainter::LayoutFor(w.rect(), true).band.center().y();
  Send(w, QEvent::MouseButtonPress, {c.FrameToX(125), y});
  Send(w, QEvent::MouseMove, {398, y}, Qt::ShiftModifier);
  const Timecode before = c.drag()->now.in;
  QTest::qWait(300);
  EXPECT_GT(c.left(), 0);
  EXPECT_GT(c.drag()->now.in, before);
  Send(w, QEvent::MouseButtonRelease, {398, y});
  EXPECT_GT(ws.doc().At(0).inCue.ToFrames(kPal), before);
  EXPECT_EQ(ws.doc().At(0).outCue.ToFrames(kPal) - ws.doc().At(0).inCue.ToFrames(kPal), 50);
}

// The main window holds the timeline in a dock along its bottom, and the analysis shows in its
// status bar.
TEST(TimelineWidget, SitsInTheMainWindow) {
  if (!test::HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
  const auto shared = ShotsWithTone();
  ASSERT_FALSE(shared.empty());
  Studio s(shared);
  gui::MainWindow window(s.ws, s.prompter);
  auto* timeline = window.findChild<gui::TimelineWidget*>("timeline");
  ASSERT_NE(timeline, nullptr);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  timeline->controller().SetZoomLevel(0);
  s.ws.playhead().Open(s.video, 90);
  ASSERT_NE(window.statusBar()->findChild<QProgressBar*>("analysisProgress"), nullptr);
  ASSERT_TRUE(WaitForAnalysis(timeline->controller()));
  s.ws.playhead().Report(20, false);
  QTest::qWait(30);
  EXPECT_TRUE(window.grab().save(QString(KIPO_SCREENSHOTS) + "/main_window_timeline.png"));
}

}  // namespace
}  // namespace kipo
