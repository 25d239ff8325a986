// The video panel on the offscreen platform with the real engine (libmpv's software
// renderer) and a generated video: red, green and blue shots of 25 frames each with the
// frame number burnt in and a tone.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "gui/main_window.h"
#include "gui/player_mpv.h"
#include "gui/qt_prompter.h"
#include "gui/subtitle_overlay.h"
#include "gui/video_offset_dialog.h"
#include "gui/video_panel.h"
#include "gui/video_view.h"
#include "settings/settings_store.h"
#include "support/temp_home.h"
#include "support/test_videos.h"
#include "support/timed_subtitle.h"

namespace kipo {
namespace {

using test::kPal;

struct Studio {
  test::TempHome home;
  SettingsStore settings{home / "settings.ini"};
  gui::QtPrompter prompter;
  Workstation ws{settings, prompter, home / "data"};
  gui::MainWindow window{ws, prompter};
  gui::VideoPanel* panel = window.findChild<gui::VideoPanel*>("videoPanel");

  explicit Studio(std::vector<Subtitle> subs) {
    SubtitleDocument d;
    for (auto& s : subs) d.Append(std::move(s));
    d.SetFile((home / "film.kpox").string());
    ws.session().ReplaceDocument(std::move(d));
    window.resize(1400, 860);
    window.show();
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
  }
  // Waits (the engine works on threads of its own) until `done` holds; a loaded machine
  // can take many seconds to seek, so the limit is generous (a passing test never waits it).
  static bool Until(const std::function<bool()>& done, int ms = 20000) {
    for (int waited = 0; waited < ms; waited += 10) {
      if (done()) return true;
      QTest::qWait(10);
    }
    return done();
  }
  bool ShowsFrame(FrameCount f) {
    return Until([&] { return !ws.playhead().playing() && ws.playhead().position() == f; });
  }
  // The colour in the middle of the picture as the view shows it.
  QColor Middle() {
    QImage shot = panel->view()->grab().toImage();
    return shot.pixelColor(shot.width() / 2, shot.height() / 2);
  }
  void Trigger(const char* id) { window.command(id)->trigger(); }
};

enum class Shot { Red, Green, Blue, Other };
Shot ShotOf(const QColor& c) {
  if (c.red() > 150 && c.green() < 90 && c.blue() < 90) return Shot::Red;
  if (c.green() > 120 && c.red() < 90 && c.blue() < 110) return Shot::Green;
  if (c.blue() > 150 && c.red() < 90) return Shot::Blue;
  return Shot::Other;
}

// Seeking lands on the exact frame (either side of each cut shows its own shot), the large
// timecode shows the frame's timecode, and a cue set while paused there is that frame.
TEST(VideoPanel, SeeksToExactFramesAndSetsCuesFromThem) {
  KIPO_TEST_VIDEO(video, "numbered.mp4");
  Studio s({test::TimedSub("First", -1, -1), test::TimedSub("Second", 60, 70)});
  ASSERT_NE(s.panel, nullptr);
  ASSERT_NE(s.panel->player(), nullptr) << "libmpv did not start";
  EXPECT_FALSE(gui::CanUseOpenGl()) << "the offscreen platform draws with mpv's software renderer";
  ASSERT_TRUE(s.panel->OpenVideo(QString::fromStdString(video.string())));
  ASSERT_TRUE(Studio::Until([&] { return s.panel->player()->loaded(); }));

  struct Case {
    FrameCount frame;
    Shot shot;
  };
  for (const Case& c : {Case{24, Shot::Red}, Case{25, Shot::Green}, Case{49, Shot::Green}, Case{50, Shot::Blue},
                        Case{3, Shot::Red}, Case{74, Shot::Blue}, Case{37, Shot::Green}}) {
    SCOPED_TRACE("frame " + std::to_string(c.frame));
    s.ws.playhead().Seek(c.frame);
    ASSERT_TRUE(s.ShowsFrame(c.frame));
    EXPECT_EQ(s.panel->timecode()->text().toStdString(), FramesToLabel(c.frame, kPal));
    EXPECT_TRUE(Studio::Until([&] { return ShotOf(s.Middle()) == c.shot; }))
        << "middle pixel " << s.Middle().name().toStdString();
  }
  // Paused on frame 37: F5 sets the in cue, stepping on and F6 the out cue.
  s.window.textBox()->setFocus();
  QTest::keyClick(&s.window, Qt::Key_F5);
  EXPECT_EQ(s.ws.doc().At(0).inCue, FramesToDigits(37, kPal));
  EXPECT_EQ(s.window.inCueField()->text().toStdString(), FramesToLabel(37, kPal));
  for (int i = 0; i < 3; ++i) s.Trigger("video.frameForward");
  ASSERT_TRUE(s.ShowsFrame(40));
  s.Trigger("video.forward1");
  ASSERT_TRUE(s.ShowsFrame(65));
  QTest::keyClick(&s.window, Qt::Key_F6);
  EXPECT_EQ(s.ws.doc().At(0).outCue, FramesToDigits(65, kPal));
  s.Trigger("edit.undo");
  EXPECT_EQ(s.ws.doc().At(0).outCue, "");
}

// The frame mpv shows after a seek is the frame our own decoder gives for that number, in
// every container (B-frames, a transport stream starting at 11.4 s, MPEG-2 program
// stream, 29.97 with a drop-frame timecode track), and the timecode shown is that frame's.
TEST(VideoPanel, EveryContainerShowsTheFrameOurDecoderNames) {
  struct Case {
    const char* video;
    int rateCode;
    std::vector<FrameCount> frames;
  };
  const Case cases[] = {
      {"hues.mp4", 25, {0, 1, 13, 37, 36, 74, 12}},
      {"hues.ts", 25, {0, 1, 13, 37, 36, 74, 12}},
      {"hues.mpg", 25, {0, 1, 13, 37, 36, 74, 12}},
      {"hues.mov", 29, {0, 1, 59, 60, 61, 89, 30}},
  };
  Studio s({test::TimedSub("One", 0, 20)});
  ASSERT_NE(s.panel->player(), nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.video);
    KIPO_TEST_VIDEO(path, c.video);
    s.ws.session().SetFrameRate(c.rateCode);
    ASSERT_TRUE(s.panel->OpenVideo(QString::fromStdString(path.string())));
    VideoFile ours = VideoFile::Open(path.string());
    for (FrameCount f : c.frames) {
      SCOPED_TRACE("frame " + std::to_string(f));
      s.ws.playhead().Seek(f);
      ASSERT_TRUE(s.ShowsFrame(f));
      EXPECT_EQ(s.panel->timecode()->text().toStdString(), ours.FrameLabel(f, s.ws.doc().frameRate()));
      const VideoPicture pic = ours.DecodeFrame(f);
      const std::size_t mid = 3 * (static_cast<std::size_t>(pic.height / 2) * pic.width + pic.width / 2);
      const QColor want(pic.rgb[mid], pic.rgb[mid + 1], pic.rgb[mid + 2]);
      auto near = [&] {
        const QColor got = s.Middle();
        return std::abs(got.red() - want.red()) < 12 && std::abs(got.green() - want.green()) < 12 &&
               std::abs(got.blue() - want.blue()) < 12;
      };
      EXPECT_TRUE(Studio::Until(near)) << "shown " << s.Middle().name().toStdString() << ", frame "
                                             << want.name().toStdString();
    }
  }
  EXPECT_EQ(s.panel->timecode()->text().toStdString().substr(8, 1), ";") << "drop-frame labels at 29.97";
}

// Playing the subtitle plays at speed through the engine and stops on the out cue's frame;
// the video offset moves every timecode shown and the cues set from the picture.
TEST(VideoPanel, PlaysTheSubtitleToItsOutCueAndShowsTheOffset) {
  KIPO_TEST_VIDEO(video, "numbered.mp4");
  Studio s({test::TimedSub("Played", 12, 31)});
  ASSERT_NE(s.panel->player(), nullptr);
  ASSERT_TRUE(s.panel->OpenVideo(QString::fromStdString(video.string())));
  s.Trigger("video.playSubtitle");
  EXPECT_TRUE(Studio::Until([&] { return s.ws.playhead().playing(); }));
  ASSERT_TRUE(s.ShowsFrame(31)) << "stopped at " << s.ws.playhead().position();
  EXPECT_TRUE(Studio::Until([&] { return ShotOf(s.Middle()) == Shot::Green; }));

  s.panel->speed()->setCurrentIndex(s.panel->speed()->findData(2.0));
  emit s.panel->speed()->activated(s.panel->speed()->currentIndex());
  EXPECT_EQ(s.ws.player().speed(), 2.0);

  QTimer::singleShot(50, [] {
    auto* dlg = qobject_cast<gui::VideoOffsetDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->windowTitle().toStdString(), "Video Offset");
    dlg->offsetField()->setText("10:00:00:00");
    dlg->backBox()->setChecked(false);
    dlg->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
  });
  s.Trigger("video.offset");
  EXPECT_EQ(s.ws.player().videoOffset(), 900000);
  EXPECT_EQ(s.panel->timecode()->text().toStdString(), FramesToLabel(900031, kPal));
  EXPECT_EQ(s.panel->findChild<QLabel*>("videoOffset")->text().toStdString(), "Offset +10:00:00:00");
  s.ws.session().GoTo(0);
  s.Trigger("video.setIn");
  EXPECT_EQ(s.ws.doc().At(0).inCue, "10000106");
}

// The subtitle on screen is drawn over the picture by the pictures' renderer: italics lean
// (the top of the letters lies right of their foot), the text shows where the layout puts
// it, and it follows the text as it is typed.
TEST(VideoPanel, OverlayDrawsTheSubtitleOnScreenWithItsItalics) {
  KIPO_TEST_VIDEO(video, "numbered.mp4");
  Studio s({test::TimedSub("IIIIIIII", 0, 20), test::TimedSub("<IIIIIIII>", 20, 40), test::TimedSub("", 40, 60)});
  ASSERT_NE(s.panel->player(), nullptr);
  ASSERT_TRUE(s.panel->OpenVideo(QString::fromStdString(video.string())));
  // Mean column of the ink in the top and bottom quarter of the rendered rows.
  auto lean = [&]() -> double {
    const QImage& pic = s.panel->overlay().picture();
    if (pic.isNull()) return 1e9;
    double top = 0, bottom = 0;
    int nt = 0, nb = 0;
    for (int y = 0; y < pic.height(); ++y)
      for (int x = 0; x < pic.width(); ++x) {
        const QColor c = pic.pixelColor(x, y);
        if (c.alpha() < 128 || c.lightness() < 200) continue;  // the text is white
        if (y < pic.height() / 4) top += x, ++nt;
        else if (y >= pic.height() * 3 / 4) bottom += x, ++nb;
      }
    return nt && nb ? top / nt - bottom / nb : 1e9;
  };
  s.ws.playhead().Seek(10);
  ASSERT_TRUE(s.ShowsFrame(10));
  ASSERT_TRUE(s.panel->overlay().shown());
  EXPECT_EQ(s.panel->overlay().shown()->text, "IIIIIIII");
  const double upright = lean();
  s.ws.playhead().Seek(30);
  ASSERT_TRUE(s.ShowsFrame(30));
  ASSERT_TRUE(s.panel->overlay().shown());
  const double italic = lean();
  EXPECT_LT(std::abs(upright), 1.0);
  EXPECT_GT(italic, upright + 2.0) << "italic letters lean right";
  // Drawn on the picture: white text pixels near the bottom of the view.
  QImage shot = s.panel->view()->grab().toImage();
  const QRectF picture = gui::PictureRect(QRectF(shot.rect()), QSize(320, 240));
  int white = 0;
  for (int y = static_cast<int>(picture.top() + picture.height() * 0.7); y < picture.bottom(); ++y)
    for (int x = static_cast<int>(picture.left()); x < picture.right(); ++x)
      if (shot.pixelColor(x, y).lightness() > 230) ++white;
  EXPECT_GT(white, 20);
  s.ws.playhead().Seek(50);
  ASSERT_TRUE(s.ShowsFrame(50));
  EXPECT_TRUE(s.panel->overlay().picture().isNull()) << "an empty subtitle draws nothing";
  s.ws.session().GoTo(2);
  s.window.textBox()->setPlainText("Typed now");
  s.panel->ShowState();
  ASSERT_TRUE(s.panel->overlay().shown());
  EXPECT_EQ(s.panel->overlay().shown()->text, "Typed now");

  s.panel->findChild<QAction*>("videoSafeArea")->setChecked(true);
  s.panel->findChild<QAction*>("videoMargins")->setChecked(true);
  EXPECT_TRUE(s.panel->overlay().safeArea());
  EXPECT_EQ(s.settings.Get("Video panel", "Safe area guides", ""), "1");
  s.ws.playhead().Seek(30);
  ASSERT_TRUE(s.ShowsFrame(30));
  QTest::qWait(100);
  QDir().mkpath(KIPO_SCREENSHOTS);
  EXPECT_TRUE(s.window.grab().save(QString(KIPO_SCREENSHOTS) + "/main_window_video.png"));
}

// The raster takes the picture's shape and keeps its height: the same text covers the same
// raster pixels over a 4:3 and a 16:9 picture, and each raster pixel is drawn square.
TEST(VideoPanel, OverlayLettersKeepTheirShapeOnWidePictures) {
  test::TempHome home;
  SettingsStore settings;
  gui::SubtitleOverlay overlay;
  overlay.LoadSettings(settings);
  const RenderLayout set = overlay.layout();
  ASSERT_GT(set.height, 0);
  Subtitle sub = test::TimedSub("OOOO", 0, 20);
  overlay.Show(sub, 1);
  ASSERT_FALSE(overlay.picture().isNull());
  const int letters = overlay.picture().width();
  struct Case {
    int w, h;
  };
  for (const Case& c : {Case{1920, 1080}, Case{640, 480}, Case{set.width, set.height}, Case{0, 0}}) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
    overlay.SetPictureShape(c.w, c.h);
    ASSERT_FALSE(overlay.picture().isNull()) << "the shown subtitle is drawn again";
    EXPECT_EQ(overlay.layout().height, set.height);
    if (c.w > 0) EXPECT_NEAR(double(overlay.layout().width) / overlay.layout().height, double(c.w) / c.h, 0.01);
    else EXPECT_EQ(overlay.layout().width, set.width);
    EXPECT_NEAR(overlay.picture().width(), letters, 1) << "the letters are as wide on every picture";
  }
}

// A video stored anamorphic shows at its pixels' shape: the picture's rectangle and the
// subtitle's raster are 16:9, not the 5:4 of its stored 720x576.
TEST(VideoPanel, AnamorphicVideoShowsAtItsPixelsShape) {
  KIPO_TEST_VIDEO(video, "anamorphic.mp4");
  Studio s({test::TimedSub("Wide", 0, 20)});
  ASSERT_NE(s.panel->player(), nullptr);
  ASSERT_TRUE(s.panel->OpenVideo(QString::fromStdString(video.string())));
  s.ws.playhead().Seek(5);
  ASSERT_TRUE(s.ShowsFrame(5));
  for (int i = 0; i < 50 && s.panel->player()->displaySize().isEmpty(); ++i) QTest::qWait(20);
  s.panel->ShowState();
  EXPECT_EQ(s.panel->shownSize(), QSize(1024, 576));
  const RenderLayout& layout = s.panel->overlay().layout();
  EXPECT_NEAR(double(layout.width) / layout.height, 16.0 / 9.0, 0.01);
}

// A video file dropped on the window opens in the panel; a damaged one is refused with its
// reason and the open video stays; the video comes back with the document.
TEST(VideoPanel, DroppedVideosOpenAndTheDocumentRemembersIt) {
  KIPO_TEST_VIDEO(video, "numbered.mp4");
  Studio s({test::TimedSub("One", 0, 20)});
  auto drop = [&](const std::filesystem::path& file) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(file.string()))});
    QDragEnterEvent enter(QPoint(200, 200), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&s.window, &enter);
    const bool accepted = enter.isAccepted();
    QDropEvent dropped(QPointF(200, 200), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&s.window, &dropped);
    return accepted;
  };
  ASSERT_TRUE(drop(video));
  EXPECT_EQ(s.ws.playhead().video(), video);
  EXPECT_EQ(s.ws.player().LinkedVideo((s.home / "film.kpox").string()), video.string());

  const auto junk = test::WriteFile(s.home / "broken.mkv", "not a video at all\n");
  QString said;
  QTimer::singleShot(50, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    said = box->text();
    box->button(QMessageBox::Ok)->click();
  });
  EXPECT_TRUE(drop(junk));
  EXPECT_FALSE(said.isEmpty());
  EXPECT_EQ(s.ws.playhead().video(), video) << "the open video stays";

  // Opening the document again (another document first) brings its video back.
  SubtitleDocument other;
  other.Append(test::TimedSub("Other", 0, 10));
  other.SetFile((s.home / "other.kpox").string());
  s.ws.player().CloseVideo();
  s.ws.session().ReplaceDocument(std::move(other));
  EXPECT_FALSE(s.ws.player().hasVideo());
  SubtitleDocument again;
  again.Append(test::TimedSub("One", 0, 20));
  again.SetFile((s.home / "film.kpox").string());
  s.ws.session().ReplaceDocument(std::move(again));
  EXPECT_EQ(s.ws.playhead().video(), video);
  EXPECT_NE(s.panel->findChild<QLabel*>("videoName")->text().indexOf("numbered.mp4"), -1);
}

}  // namespace
}  // namespace kipo
