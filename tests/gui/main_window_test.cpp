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
#include "app/startup.h"
#include "timing/error_list.h"
#include <QApplication>
#include <QGuiApplication>
#include <QListView>
#include <QScreen>
#include "gui/new_project_dialog.h"
#include "gui/qt_prompter.h"
#include "gui/reports_panel.h"
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

// A window built over a document that is already open (the desktop app opening a file given
// on its command line) shows the current subtitle's cues, and taking its boxes back changes
// nothing: the empty cue boxes of the window being built were once taken as typed.
TEST(MainWindow, WindowBuiltOverAnOpenDocumentShowsItAndChangesNothing) {
  test::TempHome home;
  SettingsStore settings;
  gui::QtPrompter prompter;
  Workstation ws{settings, prompter};
  ws.session().ReplaceDocument(Demo(3));
  gui::MainWindow window(ws, prompter);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  EXPECT_EQ(window.inCueField()->text().toStdString(), "00:00:10:00");
  EXPECT_EQ(ws.session().edit().inCue, "00:00:10:00");
  ws.session().GoTo(1);
  EXPECT_EQ(ws.doc().At(0).inCue, Demo(3).At(0).inCue);
  EXPECT_EQ(ws.doc().At(0).outCue, Demo(3).At(0).outCue);
  EXPECT_FALSE(ws.doc().modified);
}

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

namespace kipo {
namespace {

QString ErrorRowText(gui::MainWindow& w, int row) {
  auto* m = w.reports()->errors()->model();
  return m->data(m->index(row, 0)).toString();
}

// The error list is the document's: a renumbering, an edit that mends a fault, and a new
// document all show in it, and choosing a row always reaches the subtitle it names.
TEST(MainWindow, ErrorListFollowsTheDocument) {
  Fixture f;
  SubtitleDocument d = Demo(12);
  d.SetText(8, "<Unbalanced");
  d.modified = false;
  f.ws.session().ReplaceDocument(d);
  f.Show();
  f.window.command("tools.runChecks")->trigger();
  auto* model = f.window.reports()->errors()->model();
  auto rowOf = [&](const QString& text) {
    for (int r = 0; r < model->rowCount(); ++r)
      if (ErrorRowText(f.window, r) == text) return r;
    return -1;
  };
  ASSERT_GE(rowOf("0009   Mismatched italics"), 0);
  const auto expectSame = [&](const std::string& when) {
    SCOPED_TRACE(when);
    const std::vector<ErrorRow> fresh = BuildErrorList(f.ws.doc(), f.ws.timing().CurrentCheckSettings());
    ASSERT_EQ(model->rowCount(), static_cast<int>(fresh.size()));
    for (int r = 0; r < model->rowCount(); ++r)
      EXPECT_EQ(model->data(model->index(r, 0), Qt::UserRole).toInt(), fresh[static_cast<std::size_t>(r)].number);
  };

  // Deleting subtitle 2 renumbers: the fault now belongs to 0008, and choosing it goes there.
  f.ws.session().GoTo(1);
  f.window.command("edit.delete")->trigger();
  expectSame("after a deletion");
  const int row = rowOf("0008   Mismatched italics");
  ASSERT_GE(row, 0);
  f.window.reports()->ChooseRow(row);
  EXPECT_EQ(f.ws.session().current(), 7u);
  EXPECT_EQ(f.ws.doc().At(7).text, "<Unbalanced");

  // Mending the text takes its row away once the edit reaches the document.
  f.window.textBox()->setPlainText("<Balanced>");
  QTest::keyClick(&f.window, Qt::Key_PageDown);
  EXPECT_EQ(rowOf("0008   Mismatched italics"), -1);
  expectSame("after an edit");

  // A new document brings its own list.
  f.ws.session().ReplaceDocument(Demo(3));
  f.window.ShowState();
  expectSame("after a new document");
}

// The warning panel shows the current subtitle's faults; a warning raised on leaving a
// subtitle stays for the move it came with and goes at the next one; the status of a save
// goes with the next change.
TEST(MainWindow, WarningPanelAndStatusDescribeWhatIsShown) {
  Fixture f;
  SubtitleDocument d = Demo(6);
  d.SetText(3, "<Unbalanced");
  d.SetOutCue(1, FramesToDigits(LabelToFrames(d.At(1).inCue, d.frameRate()) + 3, d.frameRate()));
  d.modified = false;
  f.ws.session().ReplaceDocument(d);
  f.ws.session().house().durationTooShortPolicy = CueRulePolicy::Warn;
  f.Show();
  auto* panel = f.window.findChild<QLabel*>("warningPanel");
  auto panelText = [&] { return panel->isVisible() ? panel->text().toStdString() : std::string(); };
  EXPECT_EQ(panelText(), "");
  f.window.list()->setCurrentIndex(f.window.list()->model()->index(3, 0));
  EXPECT_EQ(panelText(), "Subtitle 4: Mismatched italics");
  f.window.list()->setCurrentIndex(f.window.list()->model()->index(1, 0));
  EXPECT_NE(panelText().find("Duration too short"), std::string::npos) << panelText();
  QTest::keyClick(&f.window, Qt::Key_PageDown);  // leaving 2 warns about it
  EXPECT_EQ(panelText(), "Subtitle 2: duration too short ");
  QTest::keyClick(&f.window, Qt::Key_PageDown);
  EXPECT_EQ(panelText(), "Subtitle 4: Mismatched italics");
  QTest::keyClick(&f.window, Qt::Key_PageDown);
  EXPECT_EQ(panelText(), "");

  auto* status = f.window.findChild<QLabel*>("statusPanel");
  f.ws.session().SetStatus("File saved OK");
  f.window.ShowState();
  EXPECT_EQ(status->text().toStdString(), "File saved OK");
  QTest::keyClick(&f.window, Qt::Key_PageDown);
  EXPECT_EQ(status->text().toStdString(), "File saved OK") << "moving does not make it untrue";
  f.window.textBox()->setPlainText("changed");
  QTest::keyClick(&f.window, Qt::Key_PageUp);
  EXPECT_EQ(status->text().toStdString(), "");
}

// Typing shows its effect at once: characters per second, one counter per row with the
// over-long row marked, and the duration, blank while a cue is incomplete.
TEST(MainWindow, FiguresFollowTypingAtOnce) {
  Fixture f;
  SubtitleDocument d = Demo(3);
  d.SetInCue(1, "");
  d.SetOutCue(1, "");
  d.modified = false;
  f.ws.session().ReplaceDocument(d);
  f.ws.session().house().maxRowLength = 12;
  f.Show();
  auto* cps = f.window.findChild<QLabel*>("currentCps");
  auto* rows = f.window.findChild<QLabel*>("rowLengths");
  auto* duration = f.window.durationField();
  f.window.textBox()->setPlainText("");
  f.window.textBox()->setFocus();
  QTest::keyClicks(f.window.textBox(), "Short");
  EXPECT_EQ(cps->text().toStdString(), "2 cps");  // 5 characters over 2.8 seconds
  EXPECT_EQ(rows->text().toStdString(), "Row lengths: 5 (max 12)");
  EXPECT_TRUE(f.window.textBox()->extraSelections().isEmpty());
  QTest::keyClick(f.window.textBox(), Qt::Key_Return);
  QTest::keyClicks(f.window.textBox(), "a second row too long");
  EXPECT_EQ(cps->text().toStdString(), "8 cps");  // 22 characters, spaces left out
  EXPECT_NE(rows->text().indexOf("Row lengths: 5 | <span"), -1) << rows->text().toStdString();
  EXPECT_NE(rows->text().indexOf("21"), -1);
  ASSERT_EQ(f.window.textBox()->extraSelections().size(), 1);
  EXPECT_EQ(f.window.textBox()->extraSelections()[0].cursor.blockNumber(), 1);

  // Subtitle 2 has no cues: no duration, and none while its in cue is half typed.
  QTest::keyClick(&f.window, Qt::Key_PageDown);
  EXPECT_EQ(duration->text().toStdString(), "");
  EXPECT_EQ(cps->text().toStdString(), "-");
  f.window.inCueField()->setFocus();
  f.window.inCueField()->home(false);
  QTest::keyClicks(f.window.inCueField(), "0000");
  EXPECT_EQ(duration->text().toStdString(), "");
  f.window.inCueField()->home(false);
  QTest::keyClicks(f.window.inCueField(), "00001000");
  f.window.outCueField()->home(false);
  QTest::keyClicks(f.window.outCueField(), "00001210");
  EXPECT_EQ(duration->text().toStdString(), "02:10");
  f.window.outCueField()->home(false);
  QTest::keyClick(f.window.outCueField(), Qt::Key_Delete);
  EXPECT_EQ(duration->text().toStdString(), "");
}

// A dark theme stays readable: the quiet labels take the theme's colours, the red figure
// and the marked rows keep a 4.5:1 contrast, and the warning panel's text does too.
TEST(MainWindow, ColoursFollowThePaletteAndStayReadable) {
  const QPalette before = QApplication::palette();
  QPalette dark;
  dark.setColor(QPalette::Window, QColor(30, 30, 30));
  dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
  dark.setColor(QPalette::Base, QColor(20, 20, 20));
  dark.setColor(QPalette::Text, QColor(230, 230, 230));
  dark.setColor(QPalette::PlaceholderText, QColor(160, 160, 160));
  QApplication::setPalette(dark);
  {
    Fixture f;
    SubtitleDocument d = Demo(3);
    d.SetOutCue(1, FramesToDigits(LabelToFrames(d.At(1).inCue, d.frameRate()) + 5, d.frameRate()));
    f.ws.session().ReplaceDocument(d);
    f.ws.session().GoTo(1);
    f.Show();
    const QColor bg = f.window.palette().color(QPalette::Window);
    auto* cps = f.window.findChild<QLabel*>("currentCps");
    EXPECT_NE(cps->text().toStdString(), "-");
    EXPECT_GE(gui::ContrastRatio(cps->palette().color(QPalette::WindowText), bg), 4.5);
    for (const char* name : {"lastCues", "nextCues", "lastCps", "nextCps"}) {
      SCOPED_TRACE(name);
      auto* l = f.window.findChild<QLabel*>(name);
      EXPECT_GE(gui::ContrastRatio(l->palette().color(l->foregroundRole()), bg), 4.5);
    }
    auto* model = f.window.list()->model();
    const QModelIndex faulty = model->index(1, 4);
    const QColor rowBg = model->data(faulty, Qt::BackgroundRole).value<QBrush>().color();
    const QColor rowText = model->data(faulty, Qt::ForegroundRole).value<QBrush>().color();
    EXPECT_GE(gui::ContrastRatio(rowBg, rowText), 4.5);
    const QString sheet = f.window.findChild<QLabel*>("warningPanel")->styleSheet();
    EXPECT_NE(sheet.indexOf("background-color: #ff9595"), -1) << sheet.toStdString();
    EXPECT_GE(gui::ContrastRatio(QColor(255, 149, 149), gui::ReadableTextOn(QColor(255, 149, 149))), 4.5);
  }
  QApplication::setPalette(before);
  EXPECT_NEAR(gui::ContrastRatio(Qt::white, Qt::black), 21.0, 1e-9);
  EXPECT_NEAR(gui::ContrastRatio(QColor(255, 149, 149), Qt::white), 2.1, 0.05);
}

// A placement stored on a larger screen comes back inside this one.
TEST(MainWindow, RestoredWindowIsClampedToTheScreen) {
  Fixture f;
  const QRect free = QGuiApplication::primaryScreen()->availableGeometry();
  for (WindowState s : {WindowState{0, free.bottom() + 500, free.right() + 900, 4000, 3000},
                        WindowState{0, -800, -2000, 300, 200}, WindowState{0, free.top() + 10, free.left() + 10, 200, 150}}) {
    SCOPED_TRACE(::testing::Message() << s.left << "," << s.top << " " << s.width << "x" << s.height);
    f.window.Restore(s);
    EXPECT_TRUE(free.contains(f.window.geometry())) << f.window.geometry().x() << "," << f.window.geometry().y() << " "
                                                    << f.window.geometry().width() << "x" << f.window.geometry().height();
  }
}

}  // namespace
}  // namespace kipo

namespace kipo {
namespace {

// Ctrl+Z in a text box takes back its typing in pauses, then reaches the document's
// history; Ctrl+Y and Ctrl+Shift+Z put back. Typing a duration moves the out cue and is a
// step of its own.
TEST(MainWindow, UndoInTheBoxesThenTheDocumentAndRedoByEitherKey) {
  Fixture f;
  f.ws.session().ReplaceDocument(Demo(4));
  f.Show();
  f.window.list()->setFocus();
  QTest::keyClick(&f.window, Qt::Key_Insert);
  ASSERT_EQ(f.ws.doc().Count(), 5u);
  QPlainTextEdit* text = f.window.textBox();
  ASSERT_TRUE(text->hasFocus());
  QTest::keyClicks(text, "Hello");
  QTest::qWait(1000);  // a pause ends a group of typing
  QTest::keyClicks(text, " world");
  EXPECT_EQ(f.ws.session().undoHistory().ActionAt(3), "Subtitle");
  EXPECT_TRUE(f.window.command("edit.undo")->isEnabled());

  QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(text->toPlainText().toStdString(), "Hello");
  QTest::keyClick(text, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(text->toPlainText().toStdString(), "Hello world");
  QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
  QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(text->toPlainText().toStdString(), "");
  EXPECT_EQ(f.ws.doc().Count(), 5u);
  QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);  // the box has nothing left: the Insert
  EXPECT_EQ(f.ws.doc().Count(), 4u);
  EXPECT_TRUE(f.window.command("edit.redo")->isEnabled());
  QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(f.ws.doc().Count(), 5u);
  EXPECT_FALSE(f.window.command("edit.redo")->isEnabled());

  // The duration box: "03:12" after an in cue of 00:00:10:00.
  f.window.list()->setCurrentIndex(f.window.list()->model()->index(0, 0));
  QLineEdit* duration = f.window.durationField();
  duration->setFocus();
  duration->selectAll();
  QTest::keyClicks(duration, "03:12");
  EXPECT_EQ(f.window.outCueField()->text().toStdString(), "00:00:13:12");
  EXPECT_EQ(f.ws.session().undoHistory().ActionAt(1), "Duration");
  f.window.list()->setFocus();
  f.window.command("edit.undo")->trigger();
  EXPECT_EQ(f.window.outCueField()->text().toStdString(), "00:00:12:20");
  EXPECT_EQ(duration->text().toStdString(), "02:20");
}

}  // namespace
}  // namespace kipo
