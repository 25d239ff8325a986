#include "gui/main_window.h"

#include <gtest/gtest.h>

#include <map>

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>

#include "app/commands.h"
#include "gui/new_project_dialog.h"
#include "gui/qt_prompter.h"
#include "gui/subtitle_list_model.h"
#include "support/temp_home.h"
#include "support/timed_subtitle.h"

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
  f.ws.session().ReplaceDocument(Demo(50));
  f.Show();
  EXPECT_EQ(f.window.windowTitle().toStdString(), "Kipo - /FILMS/HARBOUR.KPOX[*]");
  EXPECT_EQ(f.window.inCueField()->text().toStdString(), "00:00:10:00");

  QTest::keyClick(&f.window, Qt::Key_PageDown);
  QTest::keyClick(&f.window, Qt::Key_PageDown);
  EXPECT_EQ(f.ws.session().current(), 2u);
  EXPECT_EQ(f.window.list()->currentIndex().row(), 2);
  EXPECT_EQ(f.window.inCueField()->text().toStdString(), "00:00:18:00");

  f.window.outCueField()->selectAll();
  QTest::keyClicks(f.window.outCueField(), "00002012");
  f.window.textBox()->setPlainText("New words\nsecond row");
  QTest::keyClick(&f.window, Qt::Key_PageUp);
  EXPECT_EQ(f.ws.session().current(), 1u);
  EXPECT_EQ(f.ws.doc().At(2).outCue, "00002012");
  EXPECT_EQ(f.ws.doc().At(2).text, "New words\r\nsecond row");
  EXPECT_TRUE(f.ws.doc().modified);

  // Selecting a row in the list makes it current.
  f.window.list()->setCurrentIndex(f.window.list()->model()->index(40, 0));
  EXPECT_EQ(f.ws.session().current(), 40u);
  QTest::keyClick(&f.window, Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(f.ws.session().current(), 49u);
}

TEST(MainWindow, ListStaysVirtualForTheLargestDocuments) {
  Fixture f;
  f.ws.session().ReplaceDocument(Demo(kMaxSubtitles));
  f.Show();
  auto* model = f.window.list()->model();
  EXPECT_EQ(model->rowCount(), 32767);
  EXPECT_EQ(model->data(model->index(32766, 0)).toString().toStdString(), "32767");
  EXPECT_EQ(model->data(model->index(0, 4)).toString().toStdString(), "Where were you | last night?");
  f.window.list()->scrollToBottom();
  QTest::keyClick(&f.window, Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(f.ws.session().current(), 32766u);
}

TEST(MainWindow, FrameRateMenuAndStatusPanels) {
  Fixture f;
  f.ws.session().ReplaceDocument(Demo(3));
  f.Show();
  auto* rate = f.window.findChild<QLabel*>("frameRatePanel");
  EXPECT_EQ(rate->text().toStdString(), "25 fps");
  for (QAction* a : f.window.menuBar()->findChildren<QAction*>())
    if (a->text() == "29.97 fps") a->trigger();
  EXPECT_EQ(f.ws.doc().frameRate().code, 29);
  EXPECT_EQ(rate->text().toStdString(), "29.97 fps");
  EXPECT_EQ(f.window.findChild<QLabel*>("fileNamePanel")->text().toStdString(), "/films/harbour.kpox");
  f.ws.session().SetWarning("Duration too short");
  f.window.ShowState();
  EXPECT_TRUE(f.window.findChild<QLabel*>("warningPanel")->isVisible());
}

TEST(Screenshots, MainWindowAndNewProject) {
  Fixture f;
  ASSERT_TRUE(f.ws.files().OpenPath(std::string(KIPO_TEST_DATA) + "/../../examples/demo.kpox"));
  f.Show();
  f.window.command("tools.runChecks")->trigger();
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

// The cue keys as the user presses them: each modifier has its own weight (Shift 1, Ctrl 2,
// Alt 4) and the step is 1 + 5 x their sum, so no two combinations move a cue alike.
TEST(MainWindow, CueKeysMoveByTheWeightOfTheHeldModifiers) {
  Fixture f;
  f.Show();
  struct Case {
    Qt::KeyboardModifiers held;
    Timecode step;
  };
  const Case cases[] = {{Qt::NoModifier, 1},
                        {Qt::ShiftModifier, 6},
                        {Qt::ControlModifier, 11},
                        {Qt::ShiftModifier | Qt::ControlModifier, 16},
                        {Qt::AltModifier, 21},
                        {Qt::AltModifier | Qt::ShiftModifier, 26},
                        {Qt::AltModifier | Qt::ControlModifier, 31},
                        {Qt::AltModifier | Qt::ControlModifier | Qt::ShiftModifier, 36}};
  for (const Case& c : cases) {
    for (Qt::Key key : {Qt::Key_Up, Qt::Key_Down}) {
      SCOPED_TRACE(::testing::Message() << "modifiers " << c.held.toInt() << (key == Qt::Key_Up ? " up" : " down"));
      SubtitleDocument d;
      for (const Subtitle& s : {test::TimedSub("Before", 0, 50), test::TimedSub("Moved", 500, 700),
                                test::TimedSub("After", 1200, 1300)})
        d.Append(s);
      f.ws.session().ReplaceDocument(std::move(d));
      f.ws.session().GoTo(1);
      f.window.ShowState();
      QTest::keyClick(f.window.inCueField(), key, c.held);
      const Timecode delta = key == Qt::Key_Up ? c.step : -c.step;
      EXPECT_EQ(f.ws.session().edit().inCue, FramesToLabel(500 + delta, test::kPal));
      EXPECT_EQ(f.window.inCueField()->text().toStdString(), FramesToLabel(500 + delta, test::kPal));
    }
  }
}

// The menus are the command table: every command has its action under its id with the
// table's key, no two actions anywhere in the menus share a shortcut, and availability
// follows the session.
TEST(MainWindow, MenusAreBuiltFromTheCommandTable) {
  Fixture f;
  f.Show();
  std::map<QString, QString> shortcuts;
  for (const CommandInfo& c : Commands()) {
    SCOPED_TRACE(std::string(c.id));
    if (c.submenu) continue;
    QAction* a = f.window.command(c.id);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->text().toStdString(), c.text);
    EXPECT_EQ(a->shortcut(), QKeySequence::fromString(QString::fromUtf8(c.keys.data(), c.keys.size()),
                                                      QKeySequence::PortableText));
    EXPECT_EQ(a->isEnabled(), IsAvailable(c, f.ws));
  }
  for (QAction* a : f.window.menuBar()->findChildren<QAction*>()) {
    if (a->shortcut().isEmpty()) continue;
    auto [at, fresh] = shortcuts.emplace(a->shortcut().toString(), a->text());
    EXPECT_TRUE(fresh) << a->shortcut().toString().toStdString() << ": " << a->text().toStdString() << " and "
                       << at->second.toStdString();
  }
  EXPECT_FALSE(f.window.command("edit.mergeNext")->isEnabled());
  f.ws.session().ReplaceDocument(Demo(3));
  EXPECT_TRUE(f.window.command("edit.mergeNext")->isEnabled());  // the session's refresh reached the menus
  f.window.command("edit.mergeNext")->trigger();
  EXPECT_EQ(f.ws.doc().Count(), 2u);
  EXPECT_TRUE(f.window.command("edit.undo")->isEnabled());
  f.window.command("edit.undo")->trigger();
  EXPECT_EQ(f.ws.doc().Count(), 3u);
}

TEST(MainWindow, ProfileMenuListsTheStoredProfiles) {
  Fixture f;
  f.Show();
  f.ws.profiles().SaveWorkingRules("Late news");
  QMenu* menu = nullptr;
  for (QMenu* m : f.window.menuBar()->findChildren<QMenu*>())
    if (m->title() == "&Profile") menu = m;
  ASSERT_NE(menu, nullptr);
  for (int round = 0; round < 2; ++round) {  // opening twice lists each profile once
    emit menu->aboutToShow();
    QStringList names;
    for (QAction* a : menu->actions())
      if (a->isCheckable()) names << a->text() + (a->isChecked() ? "*" : "");
    EXPECT_EQ(names.join(",").toStdString(), "Default,Late news*");
  }
  for (QAction* a : menu->actions())
    if (a->text() == "Default") a->trigger();
  EXPECT_EQ(f.ws.profiles().Current(), "Default");
}

TEST(QtFilter, SystemFiltersBecomeQtFilters) {
  EXPECT_EQ(gui::QtFilter("Kipo 6.1 Files (*.kpox)|*.kpox|All Files|*.*").toStdString(),
            "Kipo 6.1 Files (*.kpox);;All Files (*.*)");
  EXPECT_EQ(gui::QtFilter("Subtitles|*.srt;*.vtt").toStdString(), "Subtitles (*.srt *.vtt)");
}

}  // namespace
}  // namespace kipo

namespace kipo {
namespace {

// Every menu, the menu bar included: no two entries share a mnemonic letter, so Alt and a
// letter always reaches one entry.
TEST(MainWindow, EveryMenuHasUniqueMnemonics) {
  Fixture f;
  f.ws.session().ReplaceDocument(Demo(3));
  std::function<void(const QString&, const QList<QAction*>&)> check = [&](const QString& where,
                                                                          const QList<QAction*>& actions) {
    std::map<char, QString> seen;
    for (QAction* a : actions) {
      if (a->isSeparator()) continue;
      const std::string text = a->text().toStdString();
      SCOPED_TRACE(where.toStdString() + " > " + text);
      if (a->menu()) {
        emit a->menu()->aboutToShow();  // lists filled on opening (profiles, recent files)
        check(where + " > " + a->text(), a->menu()->actions());
      }
      char m = Mnemonic(text);
      if (m == 0) continue;
      auto [at, fresh] = seen.emplace(m, a->text());
      EXPECT_TRUE(fresh) << "'" << m << "' is taken by " << at->second.toStdString();
    }
  };
  check("menu bar", f.window.menuBar()->actions());
}

// Moving with the keyboard or the list is not editing: texts that the boxes show in a
// form of their own (non-breaking spaces, a lone CR, control characters) stay as they are,
// and typing in one box takes only that box.
TEST(MainWindow, LookingAtSubtitlesChangesNothing) {
  Fixture f;
  SubtitleDocument d = Demo(6);
  d.SetText(1, "Bonjour\xC2\xA0!\r\nOn y va\xC2\xA0?");
  d.SetText(2, "Line one\rline two");
  d.SetText(3, "\x03Yellow  words ");
  d.SetComment(1, "Note\xC2\xA0: keep");
  d.modified = false;
  f.ws.session().ReplaceDocument(d);
  const std::vector<Subtitle> before = f.ws.doc().Subtitles();
  f.Show();
  for (int i = 0; i < 5; ++i) QTest::keyClick(&f.window, Qt::Key_PageDown);
  for (int i = 0; i < 5; ++i) QTest::keyClick(&f.window, Qt::Key_PageUp);
  f.window.list()->setCurrentIndex(f.window.list()->model()->index(3, 0));
  QTest::keyClick(&f.window, Qt::Key_Home, Qt::ControlModifier);
  EXPECT_FALSE(f.ws.doc().modified);
  EXPECT_FALSE(f.window.isWindowModified());
  EXPECT_EQ(f.ws.doc().Subtitles(), before);

  // Typing in the comment box of subtitle 2 leaves its text's characters alone.
  QTest::keyClick(&f.window, Qt::Key_PageDown);
  auto* comment = f.window.findChild<QPlainTextEdit*>("comment");
  comment->moveCursor(QTextCursor::End);
  QTest::keyClicks(comment, " now");
  QTest::keyClick(&f.window, Qt::Key_PageDown);
  EXPECT_EQ(f.ws.doc().At(1).comment, "Note\xC2\xA0: keep now");
  EXPECT_EQ(f.ws.doc().At(1).text, before[1].text);
  EXPECT_TRUE(f.window.isWindowModified());
}

// The italic mode is on screen (the menu's tick and the text box's slant) and follows the
// subtitle shown; Insert gives the new subtitle that mode and puts the cursor in its text.
TEST(MainWindow, ItalicModeIsShownAndInsertTypesIntoTheNewSubtitle) {
  Fixture f;
  SubtitleDocument d = Demo(4);
  d.SetItalic(2, true);
  d.modified = false;
  f.ws.session().ReplaceDocument(d);
  f.Show();
  QAction* italicise = f.window.command("edit.italicise");
  ASSERT_NE(italicise, nullptr);
  for (int row : {0, 2, 1, 2, 3}) {
    SCOPED_TRACE(row);
    f.window.list()->setCurrentIndex(f.window.list()->model()->index(row, 0));
    EXPECT_EQ(italicise->isChecked(), row == 2);
    EXPECT_EQ(f.window.textBox()->font().italic(), row == 2);
  }
  f.window.list()->setCurrentIndex(f.window.list()->model()->index(2, 0));
  f.window.list()->setFocus();
  QTest::keyClick(&f.window, Qt::Key_Insert, Qt::ControlModifier);
  ASSERT_EQ(f.ws.doc().Count(), 5u);
  EXPECT_TRUE(f.ws.doc().At(2).italic);
  EXPECT_TRUE(f.window.textBox()->hasFocus());
  QTest::keyClicks(f.window.textBox(), "typed at once");
  EXPECT_EQ(f.ws.session().edit().text, "typed at once");

  italicise->trigger();
  EXPECT_FALSE(f.ws.doc().At(2).italic);
  EXPECT_FALSE(italicise->isChecked());
  EXPECT_FALSE(f.window.textBox()->font().italic());
  QTest::keyClick(&f.window, Qt::Key_Insert);
  EXPECT_FALSE(f.ws.doc().At(3).italic);
  EXPECT_TRUE(f.window.textBox()->hasFocus());
}

}  // namespace
}  // namespace kipo
