// The split window, the dual-language commands and the custom text options window: what
// they open with, what OK hands over, and that a refused OK keeps the window open.
// Screenshots go to build/screenshots/.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "app/workstation.h"
#include "core/split_file.h"
#include "formats/custom_text_format.h"
#include "gui/custom_text_dialog.h"
#include "gui/main_window.h"
#include "gui/qt_prompter.h"
#include "gui/split_dialog.h"
#include "platform/files.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"
#include "support/timed_subtitle.h"

namespace kipo {
namespace {

void PressOk(QDialog& dlg) { dlg.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click(); }

void Screenshot(QWidget& w, const char* name) {
  w.show();
  QDir().mkpath(KIPO_SCREENSHOTS);
  QTest::qWait(20);
  EXPECT_TRUE(w.grab().save(QString(KIPO_SCREENSHOTS) + "/" + name));
}

SubtitleDocument TwoLanguages(int n) {
  SubtitleDocument d;
  for (int i = 0; i < n; ++i)
    d.Append(test::TimedSub("Good night " + std::to_string(i + 1) + "\r\nBonne nuit " + std::to_string(i + 1),
                            250 + 100 * i, 320 + 100 * i));
  d.SetComment(1, "check the French");
  d.modified = false;
  return d;
}

TEST(SplitDialog, TicksCountAndARefusalKeepsTheWindow) {
  test::TempHome home;
  SettingsStore settings;
  test::RecordingPrompter prompter;
  Workstation ws(settings, prompter);
  ws.session().ReplaceDocument(TwoLanguages(12));
  gui::SplitDialog dlg(ws.doc());
  auto* count = dlg.findChild<QLabel*>("count");
  EXPECT_EQ(count->text(), "0 split points selected");
  EXPECT_FALSE(dlg.setTicked(1, true)) << "the first subtitle cannot begin a part";
  EXPECT_FALSE(dlg.setTicked(12, true)) << "nor can the last";
  for (long n = 2; n <= 10; ++n) EXPECT_TRUE(dlg.setTicked(n, true));
  EXPECT_EQ(count->text(), "9 split points selected");

  prompter.files.push_back(FileChoice{(home / "film.kpox").string(), 1});
  int runs = 0;
  dlg.apply = [&](const gui::SplitDialog& d) {
    ++runs;
    return ws.split().SplitFile(d.splitPoints(), d.confirmStartTimes()) != SplitOutcome::Refused;
  };
  dlg.show();
  PressOk(dlg);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(prompter.Last().text, kTooManySplitPoints);
  EXPECT_TRUE(dlg.isVisible()) << "nine points: the window stays for a correction";

  for (long n = 2; n <= 10; ++n)
    if (n != 4 && n != 8) dlg.setTicked(n, false);
  EXPECT_EQ(count->text(), "2 split points selected");
  dlg.findChild<QCheckBox*>("confirmStartTimes")->setChecked(true);
  EXPECT_EQ(dlg.splitPoints(), (std::vector<long>{4, 8}));
  Screenshot(dlg, "split_dialog.png");
  PressOk(dlg);
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(prompter.Last().text, "File has been split into 3 parts");
  EXPECT_EQ(ws.split().written().size(), 3u);
  EXPECT_TRUE(std::filesystem::exists(home / "film_3.kpox"));
}

TEST(DualLanguageCommands, KeepALanguageFromTheMenuAndUndoIt) {
  test::TempHome home;
  SettingsStore settings;
  gui::QtPrompter prompter;
  Workstation ws(settings, prompter);
  gui::MainWindow window(ws, prompter);
  ws.session().ReplaceDocument(TwoLanguages(5));
  const SubtitleDocument before = ws.doc();
  for (const char* id : {"file.split", "file.keepFirstLanguage", "file.keepSecondLanguage", "file.languageFiles"})
    ASSERT_NE(window.command(id), nullptr) << id;
  window.command("file.keepSecondLanguage")->trigger();
  EXPECT_EQ(ws.doc().At(2).text, "Bonne nuit 3");
  window.command("edit.undo")->trigger();
  EXPECT_EQ(ws.doc().Subtitles(), before.Subtitles());
  window.command("file.keepFirstLanguage")->trigger();
  EXPECT_EQ(ws.doc().At(4).text, "Good night 5");
  EXPECT_TRUE(ws.doc().modified);
}

TEST(CustomTextDialog, OpensWithTheSettingsAndKeepsTemplates) {
  test::TempHome home;
  SettingsStore settings;
  CustomTextOptions stored;
  stored.numberFormat = 1;
  stored.interCueSeparator = "/";
  stored.encoding = 1;
  SaveCustomTextOptions(settings, stored);
  test::RecordingPrompter prompter;
  gui::CustomTextDialog dlg(settings, prompter);
  EXPECT_EQ(dlg.options(), stored);
  auto* preview = dlg.findChild<QPlainTextEdit*>("txtPreview");
  EXPECT_TRUE(preview->toPlainText().startsWith("0001")) << preview->toPlainText().toStdString();
  EXPECT_EQ(dlg.findChild<QComboBox*>("cboTCFormat")->count(), 8);
  EXPECT_EQ(dlg.findChild<QComboBox*>("cboEncoding")->currentText(), "UTF-8");

  // Save the layout, change it, load it back.
  const std::string ctf = (home / "layout").string();
  prompter.files.push_back(FileChoice{ctf, 1});
  dlg.findChild<QPushButton*>("btnSaveFormat")->click();
  EXPECT_EQ(prompter.dialogs.back().title, "Save Custom Text Format Template");
  EXPECT_EQ(prompter.dialogs.back().filter, "Custom text format template files (*.ctf)|*.ctf");
  EXPECT_EQ(ReadFileBytes(ctf + ".ctf").size(), 370u);
  dlg.findChild<QCheckBox*>("chkPosition")->setChecked(true);
  dlg.findChild<QLineEdit*>("txtStartItalic")->setText("<i>");
  dlg.findChild<QComboBox*>("cboFieldSpacingToSubtitle")->setCurrentText("Space");
  EXPECT_TRUE(preview->toPlainText().contains("*R02* Sample")) << preview->toPlainText().toStdString();
  prompter.files.push_back(FileChoice{ctf + ".ctf", 1});
  dlg.findChild<QPushButton*>("btnLoadFormat")->click();
  EXPECT_EQ(prompter.dialogs.back().title, "Open Custom Text Format Template");
  EXPECT_EQ(dlg.options(), stored);

  // A file that is no template: its message, and the controls stay.
  prompter.files.push_back(FileChoice{test::WriteFile(home / "bad.ctf", "not a template").string(), 1});
  dlg.findChild<QPushButton*>("btnLoadFormat")->click();
  EXPECT_EQ(prompter.Last().text, "This is not a custom text format template");
  EXPECT_EQ(dlg.options(), stored);

  dlg.findChild<QCheckBox*>("chkIncludeComments")->setChecked(true);
  dlg.findChild<QComboBox*>("cboRowFlag")->setCurrentText("<p>");
  Screenshot(dlg, "custom_text_dialog.png");
  dlg.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
  EXPECT_EQ(LoadCustomTextOptions(settings), stored) << "Cancel stores nothing";
  gui::CustomTextDialog again(settings, prompter);
  again.findChild<QCheckBox*>("chkIncludeComments")->setChecked(true);
  again.findChild<QComboBox*>("cboRowFlag")->setCurrentText("<p>");
  PressOk(again);
  CustomTextOptions want = stored;
  want.comments = true;
  want.rowSeparator = "<p>";
  EXPECT_EQ(LoadCustomTextOptions(settings), want);
}

}  // namespace
}  // namespace kipo
