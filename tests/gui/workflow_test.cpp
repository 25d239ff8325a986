// A subtitler's session driven through the real window: open, move, time, undo, check,
// and the save question on close.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QSpinBox>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "gui/main_window.h"
#include "gui/options_dialog.h"
#include "platform/encoding.h"
#include "gui/file_answers.h"
#include "gui/qt_prompter.h"
#include "gui/reports_panel.h"
#include "core/native_save.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

// Answers the next modal window of a kind (message box, file dialog...) once it is shown.
template <typename Kind = QWidget>
void WhenModal(std::function<void(QWidget*)> answer) {
  QTimer::singleShot(10, [answer] {
    QWidget* w = QApplication::activeModalWidget();
    if (!w || !qobject_cast<Kind*>(w)) return WhenModal<Kind>(answer);
    answer(w);
  });
}

std::vector<std::string> Clicked;

void ClickButton(QMessageBox::StandardButton b) {
  WhenModal<QMessageBox>([b](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    Clicked.push_back(box->text().toStdString());
    box->button(b)->click();
  });
}

struct Session {
  test::TempHome home;
  SettingsStore settings{home / "settings.ini"};
  test::FileAnswers prompter;
  Workstation ws{settings, prompter};
  gui::MainWindow window{ws, prompter};
  std::filesystem::path film = home / "film.kpox";

  Session() {
    std::filesystem::copy_file(std::filesystem::path(KIPO_TEST_DATA) / "../../examples/demo.kpox", film);
    window.show();
    Activate();
  }
  // Shortcuts reach only the active window (a dialog that closed leaves none active).
  void Activate() {
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
  }
};

TEST(Workflow, OpenTimeUndoCheckAndTheSaveQuestion) {
  Session s;
  // File > Open.
  s.prompter.paths = {s.film.string()};
  s.window.command("file.open")->trigger();
  EXPECT_EQ(s.prompter.asked.back().title, "Open subtitle file");
  ASSERT_EQ(s.ws.doc().filePath, s.film.string());
  EXPECT_EQ(s.ws.doc().Count(), 40u);
  EXPECT_NE(s.window.windowTitle().toStdString().find("FILM.KPOX"), std::string::npos);
  s.Activate();

  // Down the list with the keyboard.
  QTest::keyClick(&s.window, Qt::Key_PageDown);
  QTest::keyClick(&s.window, Qt::Key_PageDown);
  EXPECT_EQ(s.ws.session().current(), 2u);
  EXPECT_EQ(s.window.inCueField()->text().toStdString(), "10:00:08:08");

  // Up in the out cue field moves the cue a frame later; Shift adds five more.
  std::string before = s.ws.doc().At(2).outCue;
  s.window.outCueField()->setFocus();
  QTest::keyClick(s.window.outCueField(), Qt::Key_Up);
  QTest::keyClick(s.window.outCueField(), Qt::Key_Up, Qt::ShiftModifier);
  s.window.list()->setFocus();
  QTest::keyClick(&s.window, Qt::Key_PageDown);  // leaving commits the edit area
  QTest::keyClick(&s.window, Qt::Key_PageUp);
  EXPECT_EQ(LabelToFrames(s.ws.doc().At(2).outCue, s.ws.doc().frameRate()),
            LabelToFrames(before, s.ws.doc().frameRate()) + 7);

  // Typing a cue, then Undo, gives the cue back.
  s.window.inCueField()->setFocus();
  s.window.inCueField()->selectAll();
  QTest::keyClicks(s.window.inCueField(), "10000809");
  s.window.list()->setFocus();
  s.window.command("edit.insertAfter")->trigger();
  EXPECT_EQ(s.ws.doc().Count(), 41u);
  EXPECT_EQ(s.ws.doc().At(2).inCue, "10000809");
  ASSERT_TRUE(s.window.command("edit.undo")->isEnabled());
  s.window.command("edit.undo")->trigger();
  EXPECT_EQ(s.ws.doc().Count(), 40u);

  // Run all checks: the first fault becomes current and shows in the warning panel and
  // the error list; choosing an error row makes its subtitle current.
  s.window.command("tools.runChecks")->trigger();
  auto* warning = s.window.findChild<QLabel*>("warningPanel");
  EXPECT_TRUE(warning->isVisible());
  EXPECT_FALSE(warning->text().isEmpty());
  QAbstractItemModel* errors = s.window.reports()->errors()->model();
  ASSERT_GT(errors->rowCount(), 0);
  const int last = errors->rowCount() - 1;
  s.window.reports()->ChooseRow(last);
  int chosen = errors->data(errors->index(last, 0), Qt::UserRole).toInt();
  EXPECT_EQ(static_cast<int>(s.ws.session().current()) + 1, chosen);

  // Closing a modified document asks; Cancel keeps the window, No closes it.
  s.ws.doc().modified = true;
  ClickButton(QMessageBox::Cancel);
  EXPECT_FALSE(s.window.close());
  EXPECT_TRUE(s.window.isVisible());
  ASSERT_FALSE(Clicked.empty());
  EXPECT_EQ(Clicked.back(), "Save changes to current file?");
  ClickButton(QMessageBox::No);
  EXPECT_TRUE(s.window.close());
}

}  // namespace
}  // namespace kipo

namespace kipo {
namespace {

TEST(Workflow, ExportThroughTheExportWindowAndTheSaveDialog) {
  Session s;
  ASSERT_TRUE(s.ws.files().OpenPath(s.film.string()));
  s.Activate();
  auto target = s.home / "film.srt";
  s.prompter.paths = {target.string()};
  WhenModal<QDialog>([&](QWidget* w) {
    auto* list = w->findChild<QListWidget*>();
    ASSERT_NE(list, nullptr);
    for (int i = 0; i < list->count(); ++i)
      if (list->item(i)->text().endsWith(" - SubRip")) list->setCurrentRow(i);
    QMetaObject::invokeMethod(w, "accept", Qt::QueuedConnection);
  });
  s.window.command("file.export")->trigger();
  ASSERT_TRUE(std::filesystem::exists(target));
  EXPECT_EQ(s.ws.session().panels().status, "File exported successfully");
  // SubRip defaults to its third filter, UTF-16 with a byte-order mark.
  std::string bytes = test::ReadFile(target);
  std::string text = DecodeText(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), "windows-1252").text;
  EXPECT_NE(text.find("The last ferry leaves at six."), std::string::npos);
}

}  // namespace
}  // namespace kipo

namespace kipo {
namespace {

TEST(Workflow, OptionsWindowRefusesContradictionsAndStoresHouseRules) {
  Session s;
  bool refusedSeen = false;
  WhenModal<gui::OptionsDialog>([&](QWidget* w) {
    auto* dlg = qobject_cast<gui::OptionsDialog*>(w);
    dlg->findChild<QCheckBox*>("Insert space after dash")->setChecked(true);
    dlg->findChild<QCheckBox*>("Delete space after dash")->setChecked(true);
    for (QSpinBox* spin : dlg->findChildren<QSpinBox*>())
      if (spin->suffix() == " characters per second") spin->setValue(12);
    WhenModal<QMessageBox>([&, dlg](QWidget* box) {
      refusedSeen = qobject_cast<QMessageBox*>(box)->text().toStdString() ==
                    "Insert space and delete space after dash are mutually exclusive. Please select one or the other.";
      qobject_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click();
      // Still open: correct the choice and confirm again.
      QTimer::singleShot(10, [dlg] {
        dlg->findChild<QCheckBox*>("Delete space after dash")->setChecked(false);
        dlg->accept();
      });
    });
    QMetaObject::invokeMethod(dlg, "accept", Qt::QueuedConnection);
  });
  s.window.command("tools.options")->trigger();
  EXPECT_TRUE(refusedSeen);
  EXPECT_EQ(s.ws.session().house().readingSpeed, 12);
  EXPECT_EQ(SettingsStore(s.home / "settings.ini").Get("House options", "Reading speed", ""), "12");
  EXPECT_TRUE(s.settings.GetBool("Punctuation", "Insert space after dash", false));
  EXPECT_FALSE(s.settings.GetBool("Punctuation", "Delete space after dash", true));
}

}  // namespace
}  // namespace kipo

namespace kipo {
namespace {

// Ctrl+Shift+S opens Save As wherever the focus is in the window, and Save of a file
// imported from another program asks for a name of our own type beside it.
TEST(Workflow, SaveAsByKeyAndSaveOfAForeignFileAsksForANativeName) {
  Session s;
  const auto srt = s.home / "episode.srt";
  const std::string bytes = "1\r\n00:00:01,234 --> 00:00:03,001\r\nFirst line\r\n\r\n";
  test::WriteFile(srt, bytes);
  ASSERT_TRUE(s.ws.files().OpenPath(srt.string()));
  s.Activate();
  for (QWidget* focus : {static_cast<QWidget*>(s.window.textBox()), static_cast<QWidget*>(s.window.list()),
                         static_cast<QWidget*>(s.window.inCueField())}) {
    SCOPED_TRACE(focus->objectName().toStdString());
    s.Activate();
    focus->setFocus();
    s.prompter.asked.clear();
    QTest::keyClick(focus, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(s.prompter.asked.size(), 1u);
    EXPECT_EQ(s.prompter.asked[0].title, "Save File As");
  }

  s.Activate();
  s.window.textBox()->setFocus();
  QTest::keyClicks(s.window.textBox(), " edited");
  s.prompter.paths = {(s.home / "episode.kpox").string()};
  QTest::keyClick(s.window.textBox(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(s.prompter.asked.back().fileName, "episode.kpox");
  EXPECT_EQ(test::ReadFile(srt), bytes);
  EXPECT_EQ(s.ws.doc().filePath, (s.home / "episode.kpox").string());
  EXPECT_TRUE(std::filesystem::exists(s.home / "episode.kpox"));
}

// The writer's warnings reach the window's warning panel after an export.
TEST(Workflow, ExportWarningsShowInTheWarningPanel) {
  Session s;
  ASSERT_TRUE(s.ws.files().OpenPath(s.film.string()));
  s.ws.session().GoTo(3);
  s.ws.session().edit().outCue = "";
  s.ws.session().CommitEditArea();
  s.ws.session().Refresh();
  s.Activate();
  const auto target = s.home / "warned.srt";
  s.prompter.paths = {target.string()};
  WhenModal<QDialog>([&](QWidget* w) {
    auto* list = w->findChild<QListWidget*>();
    ASSERT_NE(list, nullptr);
    for (int i = 0; i < list->count(); ++i)
      if (list->item(i)->text().endsWith(" - SubRip")) list->setCurrentRow(i);
    QMetaObject::invokeMethod(w, "accept", Qt::QueuedConnection);
  });
  s.window.command("file.export")->trigger();
  ASSERT_TRUE(std::filesystem::exists(target));
  auto* warning = s.window.findChild<QLabel*>("warningPanel");
  EXPECT_TRUE(warning->isVisible());
  EXPECT_NE(warning->text().toStdString().find("Subtitle 0004 has no out cue"), std::string::npos)
      << warning->text().toStdString();
  EXPECT_NE(test::ReadFile(WarningListPath()).find("Subtitle 0004 has no out cue"), std::string::npos);
}

}  // namespace
}  // namespace kipo

namespace kipo {
namespace {

// The platform file window as the program sets it up: its title, filters with the chosen
// one selected, the default extension and the proposed name; Cancel answers nothing.
TEST(Workflow, FileWindowShowsWhatTheProgramAsks) {
  test::TempHome home;
  gui::QtPrompter prompter;
  FileDialog d;
  d.title = "Export SubRip";
  d.filter = "SubRip (*.srt)|*.srt|All Files|*.*";
  d.filterIndex = 2;
  d.defaultExt = "srt";
  d.initialDir = home.path().string();
  d.fileName = "film.srt";
  QFileDialog* seen = nullptr;
  QStringList filters;
  QString selectedFilter, suffix;
  WhenModal<QFileDialog>([&](QWidget* w) {
    seen = qobject_cast<QFileDialog*>(w);
    filters = seen->nameFilters();
    selectedFilter = seen->selectedNameFilter();
    suffix = seen->defaultSuffix();
    EXPECT_EQ(seen->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(seen->windowTitle().toStdString(), "Export SubRip");
    seen->reject();
  });
  EXPECT_FALSE(prompter.SaveFile(d).has_value());
  ASSERT_NE(seen, nullptr);
  ASSERT_EQ(filters.size(), 2);
  EXPECT_EQ(filters[0].toStdString(), "SubRip (*.srt)");
  EXPECT_EQ(selectedFilter, filters[1]);
  EXPECT_EQ(suffix.toStdString(), "srt");
}

}  // namespace
}  // namespace kipo
