// The editing basics driven as a user would: the Find window, Go To, the spelling
// underline and its menu, the style toggles, several subtitles chosen in the list, a file
// dropped on the window, a changed shortcut that outlives the window, and kipo-studio's
// --help.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDropEvent>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include "app/shortcut_keys.h"
#include "gui/find_dialog.h"
#include "gui/goto_dialog.h"
#include "gui/main_window.h"
#include "gui/qt_prompter.h"
#include "gui/shortcuts_dialog.h"
#include "gui/spell_highlighter.h"
#include "gui/toolbar_basics.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

SubtitleDocument Film() {
  SubtitleDocument d(25, 1033, 0);  // English (United States)
  const char* texts[] = {"Where were you\r\nlast night?", "I was at the harbour.", "<Waiting for the ship.>",
                         "The ship never came.", "Then where were you?"};
  Timecode at = 250;
  for (const char* t : texts) {
    Subtitle s;
    s.text = t;
    s.inCue = FramesToDigits(at, d.frameRate());
    s.outCue = FramesToDigits(at + 60, d.frameRate());
    at += 100;
    d.Append(s);
  }
  d.SetFile("/films/harbour.kpox");
  d.modified = false;
  return d;
}

struct Fixture {
  test::TempHome home;
  SettingsStore settings{(home / "settings.ini").string()};
  gui::QtPrompter prompter;
  Workstation ws{settings, prompter};
  gui::MainWindow window{ws, prompter};
  Fixture() { ws.session().ReplaceDocument(Film()); }
  gui::EditingBasics& basics() { return window.basics(); }
  void Show() {
    window.show();
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (const auto& s : ws.doc().Subtitles()) out.push_back(s.text);
    return out;
  }
  void Screenshot(QWidget* w, const char* name) {
    QDir().mkpath(KIPO_SCREENSHOTS);
    QTest::qWait(30);
    EXPECT_TRUE(w->grab().save(QString(KIPO_SCREENSHOTS) + "/" + name));
  }
};

// Closes the next message box and keeps its text.
void CloseNextMessage(std::string* text) {
  QTimer::singleShot(10, [text] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return CloseNextMessage(text);
    *text = box->text().toStdString();
    box->accept();
  });
}

TEST(EditingBasics, FindWindowFindsSelectsAndReplacesAll) {
  Fixture f;
  f.Show();
  EXPECT_EQ(f.ws.session().current(), 0u);
  EXPECT_EQ(f.window.textBox()->toPlainText().toStdString(), "Where were you\nlast night?");
  f.window.command("edit.find")->trigger();
  gui::FindDialog* dlg = f.basics().findDialog();
  ASSERT_TRUE(dlg->isVisible());
  QTest::keyClicks(dlg->findField(), "where");
  dlg->findChild<QPushButton*>("findNext")->click();
  EXPECT_EQ(f.ws.session().current(), 0u);
  EXPECT_EQ(f.window.textBox()->textCursor().selectedText().toStdString(), "Where");
  dlg->findChild<QPushButton*>("findNext")->click();
  EXPECT_EQ(f.ws.session().current(), 4u);  // case folded, wrapping past nothing yet
  EXPECT_EQ(f.window.textBox()->textCursor().selectedText().toStdString(), "where");
  // F3 goes on from the window's choices, wrapping to the start.
  QTest::keyClick(&f.window, Qt::Key_F3);
  EXPECT_EQ(f.ws.session().current(), 0u);

  dlg->findChild<QCheckBox*>("matchCase")->setChecked(true);
  dlg->findField()->setText("ship");
  QTest::keyClicks(dlg->replaceField(), "boat");
  dlg->findChild<QPushButton*>("replaceAll")->click();
  EXPECT_EQ(dlg->message()->text().toStdString(), "2 replacements made");
  EXPECT_EQ(f.Texts()[2], "<Waiting for the boat.>");
  EXPECT_EQ(f.Texts()[3], "The boat never came.");
  f.Screenshot(dlg, "find_replace.png");
  // One Undo takes every replacement back.
  f.window.command("edit.undo")->trigger();
  EXPECT_EQ(f.Texts()[2], "<Waiting for the ship.>");
  EXPECT_EQ(f.Texts()[3], "The ship never came.");

  // A bad regular expression is refused with a message and changes nothing.
  dlg->findChild<QCheckBox*>("regularExpression")->setChecked(true);
  dlg->findField()->setText("(ship");
  std::string shown;
  CloseNextMessage(&shown);
  dlg->findChild<QPushButton*>("replaceAll")->click();
  EXPECT_NE(shown.find("not a valid regular expression"), std::string::npos);
  EXPECT_EQ(f.Texts()[3], "The ship never came.");

  // A find window opened later (the next session) starts with the last search and choices.
  gui::FindDialog again(f.basics().find(), nullptr);
  EXPECT_EQ(again.findField()->text().toStdString(), "(ship");
  EXPECT_EQ(again.replaceField()->text().toStdString(), "boat");
  EXPECT_TRUE(again.findChild<QCheckBox*>("matchCase")->isChecked());
  EXPECT_TRUE(again.findChild<QCheckBox*>("regularExpression")->isChecked());
  EXPECT_FALSE(again.findChild<QCheckBox*>("wholeWords")->isChecked());
  EXPECT_EQ(f.settings.Get("Find", "Match case", ""), "1");
}

TEST(EditingBasics, GoToNumberOrTimecode) {
  Fixture f;
  f.Show();
  QTimer::singleShot(10, [] {
    auto* dlg = qobject_cast<gui::GoToDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->field()->text().toStdString(), "1");
    dlg->field()->setText("4");
    QTest::keyClick(dlg->field(), Qt::Key_Return);
  });
  f.window.command("go.goTo")->trigger();
  EXPECT_EQ(f.ws.session().current(), 3u);

  QTimer::singleShot(10, [&f] {
    auto* dlg = qobject_cast<gui::GoToDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dlg, nullptr);
    f.Screenshot(dlg, "go_to.png");
    // A number past the end is refused and the window stays for another try.
    dlg->field()->setText("99");
    std::string* shown = new std::string;
    CloseNextMessage(shown);
    QTest::keyClick(dlg->field(), Qt::Key_Return);
    EXPECT_NE(shown->find("There is no subtitle 99"), std::string::npos);
    delete shown;
    EXPECT_TRUE(dlg->isVisible());
    dlg->field()->setText("00:00:14:10");  // inside the third subtitle's cues
    QTest::keyClick(dlg->field(), Qt::Key_Return);
  });
  f.window.command("go.goTo")->trigger();
  EXPECT_EQ(f.ws.session().current(), 1u);
  EXPECT_TRUE(gui::GoToDialog::IsTimecode("00000100"));
  EXPECT_FALSE(gui::GoToDialog::IsTimecode("120"));
}

bool Underlined(QPlainTextEdit* box, int block, int position) {
  const QTextBlock b = box->document()->findBlockByNumber(block);
  if (!b.isValid() || !b.layout()) {
    ADD_FAILURE() << "no row " << block << " in \"" << box->toPlainText().toStdString() << "\"";
    return false;
  }
  for (const QTextLayout::FormatRange& r : b.layout()->formats())
    if (position >= r.start && position < r.start + r.length && r.format.underlineStyle() == QTextCharFormat::SpellCheckUnderline)
      return true;
  return false;
}

TEST(EditingBasics, SpellingUnderlinesWhileTypingAndOffersSuggestions) {
  Fixture f;
  if (!f.basics().spelling().loaded()) GTEST_SKIP() << "no English dictionary installed";
  f.Show();
  QPlainTextEdit* box = f.window.textBox();
  box->setFocus();
  box->moveCursor(QTextCursor::End);
  QTest::keyClicks(box, " Recieve");
  QApplication::processEvents();
  EXPECT_FALSE(Underlined(box, 1, 0));    // "last"
  EXPECT_TRUE(Underlined(box, 1, 12));    // "Recieve" after "last night? "
  f.Screenshot(&f.window, "spelling_underline.png");
  // Markup keeps its formatting under the underline: the italics of subtitle 3.
  f.window.command("go.next")->trigger();
  f.window.command("go.next")->trigger();
  box->setPlainText("<Waitting for the ship.>");
  QApplication::processEvents();
  EXPECT_TRUE(Underlined(box, 0, 2));
  const QTextBlock b = box->document()->firstBlock();
  bool italicUnderlined = false;
  for (const auto& r : b.layout()->formats())
    italicUnderlined = italicUnderlined || (r.start <= 2 && 2 < r.start + r.length && r.format.fontItalic() &&
                                            r.format.underlineStyle() == QTextCharFormat::SpellCheckUnderline);
  EXPECT_TRUE(italicUnderlined);

  // The context menu on the word: its suggestion replaces it, the edit reaches the document.
  QTextCursor c(box->document());
  c.setPosition(3);
  const QPoint at = box->cursorRect(c).center();
  QMenu* menu = gui::SpellMenu(box, f.basics().spelling(), at, [] {});
  QAction* first = menu->findChild<QAction*>("spellSuggestion");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->text().toStdString(), "Waiting");
  first->trigger();
  delete menu;
  EXPECT_EQ(box->toPlainText().toStdString(), "<Waiting for the ship.>");
  EXPECT_EQ(f.ws.session().edit().text, "<Waiting for the ship.>");

  // Added to the personal list: no longer underlined, and kept in the data folder.
  box->setPlainText("Kipoland calling");
  QApplication::processEvents();
  EXPECT_TRUE(Underlined(box, 0, 1));
  c.setPosition(2);
  menu = gui::SpellMenu(box, f.basics().spelling(), box->cursorRect(c).center(), [&f] { f.basics().highlighter()->rehighlight(); });
  menu->findChild<QAction*>("spellAdd")->trigger();
  delete menu;
  EXPECT_FALSE(Underlined(box, 0, 1));
  EXPECT_NE(test::ReadFile(PersonalWordsFile()).find("Kipoland\n"), std::string::npos);

  // Switched off, nothing is underlined.
  box->setPlainText("Recieve");
  f.window.command("tools.spellWhileTyping")->trigger();
  QApplication::processEvents();
  EXPECT_FALSE(Underlined(box, 0, 1));
  EXPECT_FALSE(f.window.command("tools.spellWhileTyping")->isChecked());
}

TEST(EditingBasics, StyleTogglesOnTheSelection) {
  Fixture f;
  f.Show();
  QPlainTextEdit* box = f.window.textBox();
  f.window.command("go.next")->trigger();  // "I was at the harbour."
  QTextCursor c = box->textCursor();
  c.setPosition(13);
  c.setPosition(20, QTextCursor::KeepAnchor);  // "harbour"
  box->setTextCursor(c);
  box->setFocus();
  QTest::keyClick(box, Qt::Key_I, Qt::ControlModifier);
  EXPECT_EQ(f.ws.doc().At(1).text, "I was at the <harbour>.");
  EXPECT_EQ(box->textCursor().selectedText().toStdString(), "harbour");  // still chosen
  f.window.command("format.red")->trigger();
  EXPECT_EQ(f.ws.doc().At(1).text, "I was at the <\x01harbour\x07>.");
  f.window.command("format.underline")->trigger();
  EXPECT_EQ(f.ws.doc().At(1).text, "I was at the <\x01[harbour]\x07>.");
  QTest::keyClick(box, Qt::Key_I, Qt::ControlModifier);
  EXPECT_EQ(f.ws.doc().At(1).text, "I was at the \x01[harbour]\x07.");
  // Bold needs its markers switched on: refused with a message until then.
  std::string shown;
  CloseNextMessage(&shown);
  f.window.command("format.bold")->trigger();
  EXPECT_NE(shown.find("Enable bold text"), std::string::npos);
  // Each toggle is its own step.
  f.window.command("edit.undo")->trigger();
  EXPECT_EQ(f.ws.doc().At(1).text, "I was at the <\x01[harbour]\x07>.");
}

TEST(EditingBasics, SeveralSubtitlesChosenInTheList) {
  Fixture f;
  f.Show();
  QTableView* list = f.window.list();
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
  auto choose = [&](std::vector<int> rows) {
    list->clearSelection();
    for (int r : rows)
      list->selectionModel()->select(list->model()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  };
  choose({1, 3});
  f.window.command("format.italicSelected")->trigger();
  EXPECT_EQ(f.Texts()[1], "<I was at the harbour.>");
  EXPECT_EQ(f.Texts()[3], "<The ship never came.>");
  f.window.command("edit.undo")->trigger();
  EXPECT_EQ(f.Texts()[1], "I was at the harbour.");

  choose({0, 4});
  f.basics().askOffset = [] { return std::optional<QString>("-00:00:01:00"); };
  f.window.command("cues.offsetSelected")->trigger();
  EXPECT_EQ(f.ws.doc().At(0).inCue.digits(), "00000900");
  EXPECT_EQ(f.ws.doc().At(1).inCue.digits(), "00001400");  // not chosen
  EXPECT_EQ(f.ws.doc().At(4).inCue.digits(), "00002500");

  choose({0, 2, 4});
  f.window.command("edit.deleteSelected")->trigger();
  EXPECT_EQ(f.Texts(), (std::vector<std::string>{"I was at the harbour.", "The ship never came."}));
  f.window.command("edit.undo")->trigger();
  EXPECT_EQ(f.ws.doc().Count(), 5u);
  EXPECT_EQ(f.ws.doc().At(0).inCue.digits(), "00000900");  // the delete alone was undone
}

void Drop(QWidget* target, const QList<QUrl>& urls) {
  QMimeData mime;
  mime.setUrls(urls);
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
}

TEST(EditingBasics, DroppedFilesOpenAndVideosGoToThePanel) {
  Fixture f;
  f.Show();
  // A SubRip file as another tool writes it: BOM, CR LF, a one-digit hour.
  const auto srt = test::WriteFile(f.home / "dropped.srt",
                                   "\xEF\xBB\xBF" "1\r\n0:00:01,000 --> 0:00:02,000\r\n<i>Dropped</i> in\r\n\r\n");
  Drop(f.window.textBox()->viewport(), {QUrl::fromLocalFile(QString::fromStdString(srt.string()))});
  ASSERT_EQ(f.ws.doc().Count(), 1u);
  EXPECT_EQ(f.ws.doc().At(0).text, "<Dropped> in");
  EXPECT_EQ(f.window.textBox()->toPlainText().toStdString(), "<Dropped> in");

  std::string video;
  f.basics().onVideoDropped = [&video](const std::string& p) { video = p; };
  Drop(f.window.list()->viewport(), {QUrl::fromLocalFile("/media/harbour.MOV")});
  EXPECT_EQ(video, "/media/harbour.MOV");
  EXPECT_EQ(f.ws.doc().At(0).text, "<Dropped> in");
}

TEST(EditingBasics, ChangedShortcutIsKeptAndAppliedAtStart) {
  test::TempHome home;
  const std::string ini = (home / "settings.ini").string();
  {
    SettingsStore settings(ini);
    gui::QtPrompter prompter;
    Workstation ws(settings, prompter);
    gui::MainWindow window(ws, prompter);
    gui::ShortcutsDialog dlg(settings, &window);
    QTableWidget* table = dlg.table();
    int findRow = -1, goToRow = -1;
    for (int r = 0; r < table->rowCount(); ++r) {
      if (table->item(r, 1)->text() == "Find and replace") findRow = r;
      if (table->item(r, 1)->text() == "Go to") goToRow = r;
    }
    ASSERT_GE(findRow, 0);
    ASSERT_GE(goToRow, 0);
    table->setCurrentCell(findRow, 1);
    EXPECT_EQ(dlg.keyField()->keySequence().toString(QKeySequence::PortableText).toStdString(), "Ctrl+F");
    // Keys another command has are refused with its name.
    EXPECT_FALSE(dlg.SetKeys(findRow, "Ctrl+G"));
    EXPECT_NE(dlg.message()->text().toStdString().find("Go to"), std::string::npos);
    EXPECT_TRUE(dlg.SetKeys(findRow, "Ctrl+Shift+H"));
    EXPECT_TRUE(dlg.SetKeys(goToRow, ""));
    dlg.show();
    QDir().mkpath(KIPO_SCREENSHOTS);
    QTest::qWait(30);
    EXPECT_TRUE(dlg.grab().save(QString(KIPO_SCREENSHOTS) + "/keyboard_shortcuts.png"));
    dlg.Save(settings);
  }
  SettingsStore settings(ini);
  EXPECT_EQ(ShortcutFor(settings, "edit.find"), "Ctrl+Shift+H");
  EXPECT_EQ(ShortcutFor(settings, "go.goTo"), "");
  EXPECT_EQ(ShortcutFor(settings, "file.save"), "Ctrl+S");  // unchanged ones are not stored
  gui::QtPrompter prompter;
  Workstation ws(settings, prompter);
  gui::MainWindow window(ws, prompter);
  EXPECT_EQ(window.command("edit.find")->shortcut().toString(QKeySequence::PortableText).toStdString(), "Ctrl+Shift+H");
  EXPECT_TRUE(window.command("go.goTo")->shortcut().isEmpty());
}

TEST(EditingBasics, ToolbarCarriesTheFrequentCommands) {
  Fixture f;
  f.Show();
  QToolBar* bar = f.basics().toolBar();
  ASSERT_NE(bar, nullptr);
  for (const char* id : {"file.open", "file.save", "edit.undo", "edit.find", "go.goTo", "format.italic", "tools.runChecks"})
    EXPECT_TRUE(bar->actions().contains(f.window.command(id))) << id;
  f.Screenshot(&f.window, "main_window_toolbar.png");
}

TEST(EditingBasics, StudioHelpAndVersionWithoutADisplay) {
  for (const char* arg : {"--help", "--version"}) {
    SCOPED_TRACE(arg);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    p.setProcessEnvironment(env);
    p.start(KIPO_STUDIO, {arg});
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    const std::string out = p.readAllStandardOutput().toStdString();
    EXPECT_NE(out.find(std::string(arg) == "--help" ? "Usage: kipo-studio [FILE]" : "kipo-studio 0."), std::string::npos) << out;
  }
  QProcess p;
  p.start(KIPO_STUDIO, {"--frobnicate"});
  ASSERT_TRUE(p.waitForFinished(20000));
  EXPECT_EQ(p.exitCode(), 2);
}

}  // namespace
}  // namespace kipo
