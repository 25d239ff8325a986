// The export window of the real main window reaching the catalogue rows' windows: a SAMI
// export through the SAMI window and the save dialog, and the Options... button opening
// the custom text window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "gui/main_window.h"
#include "gui/file_answers.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

// Answers the next modal window of a kind once it shows (other than `not`).
template <typename Kind = QWidget>
void WhenModal(std::function<void(QWidget*)> answer, QWidget* not_ = nullptr) {
  QTimer::singleShot(10, [answer, not_] {
    QWidget* w = QApplication::activeModalWidget();
    if (!w || w == not_ || !qobject_cast<Kind*>(w)) return WhenModal<Kind>(answer, not_);
    answer(w);
  });
}

void SelectRow(QWidget* exportWindow, const char* name) {
  auto* list = exportWindow->findChild<QListWidget*>();
  ASSERT_NE(list, nullptr);
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->text().endsWith(QString(" - ") + name)) list->setCurrentRow(i);
}

struct Session {
  test::TempHome home;
  SettingsStore settings{home / "settings.ini"};
  test::FileAnswers prompter;
  Workstation ws{settings, prompter};
  gui::MainWindow window{ws, prompter};

  Session() {
    SubtitleDocument d(25, kDefaultLanguageId, 0);
    Subtitle s;
    s.inCue = "00000100";
    s.outCue = "00000300";
    s.text = "The last ferry <leaves> at six.";
    d.Append(s);
    ws.session().ReplaceDocument(std::move(d));
    window.show();
  }
};

TEST(CatalogueWorkflow, SamiExportsThroughItsWindow) {
  Session s;
  const auto target = s.home / "ferry.smi";
  s.prompter.paths = {target.string()};
  WhenModal<QDialog>([&](QWidget* exportWindow) {
    SelectRow(exportWindow, "Windows Media Player File");
    // The SAMI window, then the save dialog.
    WhenModal<QDialog>([&](QWidget* sami) {
      ASSERT_EQ(sami->windowTitle().toStdString(), "Windows Media Player File");
      sami->findChildren<QLineEdit*>()[0]->setText("Ferry");
      sami->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    }, exportWindow);
    QMetaObject::invokeMethod(exportWindow, "accept", Qt::QueuedConnection);
  });
  s.window.command("file.export")->trigger();
  ASSERT_TRUE(std::filesystem::exists(target));
  const std::string file = test::ReadFile(target);
  EXPECT_NE(file.find("<TITLE>Ferry</TITLE>"), std::string::npos) << file;
  EXPECT_NE(file.find("<i>leaves</i>"), std::string::npos) << file;
  EXPECT_EQ(s.ws.session().panels().status, "File exported successfully");
}

TEST(CatalogueWorkflow, OptionsButtonOpensTheCustomTextWindow) {
  Session s;
  bool shown = false;
  WhenModal<QDialog>([&](QWidget* exportWindow) {
    SelectRow(exportWindow, "Custom text format");
    WhenModal<QDialog>([&](QWidget* custom) {
      shown = custom->windowTitle() == "Custom Text Format Options";
      qobject_cast<QDialog*>(custom)->reject();
      QMetaObject::invokeMethod(exportWindow, "reject", Qt::QueuedConnection);
    }, exportWindow);
    exportWindow->findChild<QPushButton*>("cmdOptions")->click();
  });
  s.window.command("file.export")->trigger();
  EXPECT_TRUE(shown);
}

}  // namespace
}  // namespace kipo
