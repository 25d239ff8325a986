#include "gui/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>

#include "gui/new_project_dialog.h"
#include "gui/qt_prompter.h"
#include "gui/subtitle_list_model.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

SubtitleDocument Demo(std::size_t n) {
  SubtitleDocument d(25, 2057, 0);
  FrameRate r = d.frameRate();
  for (std::size_t i = 0; i < n; ++i) {
    Subtitle s;
    s.text = i % 3 == 0 ? "<Where were you\r\nlast night?>" : "I was at the harbour, \x03waiting.";
    s.inCue = FramesToDigits(static_cast<Timecode>(250 + i * 100), r);
    s.outCue = FramesToDigits(static_cast<Timecode>(250 + i * 100 + 70), r);
    d.Append(s);
  }
  d.SetFile("/films/harbour.kpox");
  d.modified = false;
  return d;
}

struct Fixture {
  test::TempHome home;
  SettingsStore settings;
  gui::QtPrompter prompter;
  Workstation ws{settings, prompter};
  gui::MainWindow window{ws, prompter};
  // Shortcuts reach only the active window.
  void Show() {
    window.show();
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
  }
};

TEST(MainWindow, KeyboardMovesThroughSubtitlesAndTypedCuesReachTheDocument) {
  Fixture f;
  f.ws.ReplaceDocument(Demo(50));
  f.Show();
  EXPECT_EQ(f.window.windowTitle().toStdString(), "Kipo - /FILMS/HARBOUR.KPOX[*]");
  EXPECT_EQ(f.window.inCueField()->text().toStdString(), "00:00:10:00");

  QTest::keyClick(&f.window, Qt::Key_PageDown);
  QTest::keyClick(&f.window, Qt::Key_PageDown);
  EXPECT_EQ(f.ws.current(), 2u);
  EXPECT_EQ(f.window.list()->currentIndex().row(), 2);
  EXPECT_EQ(f.window.inCueField()->text().toStdString(), "00:00:18:00");

  f.window.outCueField()->selectAll();
  QTest::keyClicks(f.window.outCueField(), "00002012");
  f.window.textBox()->setPlainText("New words\nsecond row");
  QTest::keyClick(&f.window, Qt::Key_PageUp);
  EXPECT_EQ(f.ws.current(), 1u);
  EXPECT_EQ(f.ws.doc().At(2).outCue, "00002012");
  EXPECT_EQ(f.ws.doc().At(2).text, "New words\r\nsecond row");
  EXPECT_TRUE(f.ws.doc().modified);

  // Selecting a row in the list makes it current.
  f.window.list()->setCurrentIndex(f.window.list()->model()->index(40, 0));
  EXPECT_EQ(f.ws.current(), 40u);
  QTest::keyClick(&f.window, Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(f.ws.current(), 49u);
}

TEST(MainWindow, ListStaysVirtualForTheLargestDocuments) {
  Fixture f;
  f.ws.ReplaceDocument(Demo(kMaxSubtitles));
  f.Show();
  auto* model = f.window.list()->model();
  EXPECT_EQ(model->rowCount(), 32767);
  EXPECT_EQ(model->data(model->index(32766, 0)).toString().toStdString(), "32767");
  EXPECT_EQ(model->data(model->index(0, 4)).toString().toStdString(), "Where were you | last night?");
  f.window.list()->scrollToBottom();
  QTest::keyClick(&f.window, Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(f.ws.current(), 32766u);
}

TEST(MainWindow, FrameRateMenuAndStatusPanels) {
  Fixture f;
  f.ws.ReplaceDocument(Demo(3));
  f.Show();
  auto* rate = f.window.findChild<QLabel*>("frameRatePanel");
  EXPECT_EQ(rate->text().toStdString(), "25 fps");
  for (QAction* a : f.window.menuBar()->findChildren<QAction*>())
    if (a->text() == "29.97 fps") a->trigger();
  EXPECT_EQ(f.ws.doc().frameRate().code, 29);
  EXPECT_EQ(rate->text().toStdString(), "29.97 fps");
  EXPECT_EQ(f.window.findChild<QLabel*>("fileNamePanel")->text().toStdString(), "/films/harbour.kpox");
  f.ws.SetWarning("Duration too short");
  f.window.ShowState();
  EXPECT_TRUE(f.window.findChild<QLabel*>("warningPanel")->isVisible());
}

TEST(Screenshots, MainWindowAndNewProject) {
  Fixture f;
  ASSERT_TRUE(f.ws.OpenPath(std::string(KIPO_TEST_DATA) + "/../../examples/demo.kpox"));
  f.Show();
  f.window.action("Run all checks")->trigger();
  QDir().mkpath(KIPO_SCREENSHOTS);
  QTest::qWait(50);
  EXPECT_TRUE(f.window.grab().save(QString(KIPO_SCREENSHOTS) + "/main_window.png"));
  gui::NewProjectDialog dlg({"Default", "Broadcaster A"}, "Default", 25, 2057);
  dlg.show();
  QTest::qWait(20);
  EXPECT_EQ(dlg.findChild<QComboBox*>("frameRate")->itemText(0).toStdString(), "23.976 fps");
  EXPECT_EQ(dlg.findChild<QComboBox*>("frameRate")->currentText().toStdString(), "PAL (25 fps)");
  EXPECT_EQ(dlg.findChild<QComboBox*>("language")->currentText().toStdString(), "English (United Kingdom)");
  EXPECT_TRUE(dlg.grab().save(QString(KIPO_SCREENSHOTS) + "/new_project.png"));
}

TEST(QtFilter, SystemFiltersBecomeQtFilters) {
  EXPECT_EQ(gui::QtFilter("Kipo 6.1 Files (*.kpox)|*.kpox|All Files|*.*").toStdString(),
            "Kipo 6.1 Files (*.kpox);;All Files (*.*)");
  EXPECT_EQ(gui::QtFilter("Subtitles|*.srt;*.vtt").toStdString(), "Subtitles (*.srt *.vtt)");
}

}  // namespace
}  // namespace kipo
