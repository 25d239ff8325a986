// The catalogue rows' options windows and the windows that export SAMI, Spruce and Ultech
// files: every row with a window opens it from the export window's Options..., OK stores
// what it shows under the row's keys (or in its header file), Cancel stores nothing; the
// input boxes keep the old value on an empty answer; the export window shows each row's
// preview and lists the rows with windows of their own as available. Screenshots go to
// build/screenshots/.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include "formats/registry.h"
#include "gui/catalogue_dialogs.h"
#include "gui/catalogue_options.h"
#include "platform/files.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

// Runs `act` on the window the code under test opens, once it shows.
void OnWindow(std::function<void(QDialog&)> act) {
  QTimer::singleShot(0, [act = std::move(act)] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) {
        act(*d);
        return;
      }
    ADD_FAILURE() << "no window opened";
  });
}

void Press(QDialog& d, QDialogButtonBox::StandardButton b) { d.findChild<QDialogButtonBox*>()->button(b)->click();
      }

void Screenshot(QDialog& d, const std::string& name) {
  QDir().mkpath(KIPO_SCREENSHOTS);
  EXPECT_TRUE(d.grab().save(QString(KIPO_SCREENSHOTS) + "/" + QString::fromStdString(name) + ".png"));
}

std::string Slug(std::string_view name) {
  std::string s;
  for (char c : name) s += std::isalnum(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(c)) : '_';
  return s;
}

// One row's window: what the test changes in it, and how the change shows afterwards.
struct WindowCase {
  const char* row;
  const char* title;
  std::function<void(QDialog&)> change;
  std::function<bool(const SettingsStore&)> stored;
};

TEST(CatalogueOptions, EveryRowsWindowStoresOnOkAndNothingOnCancel) {
  const std::vector<WindowCase> cases = {
      {"Avid DS Nitris", "Avid DS Nitris Options",
       [](QDialog& d) { d.findChildren<QLineEdit*>()[1]->setText("01:00:00:00"); },
       [](const SettingsStore& s) { return NitrisOptionTable().Load(s).timecodeOffset == "01:00:00:00"; }},
      {"Hoek en Son\xC3\xA9pouse voice-over", "Hoek en Son\u00e9pouse Options",
       [](QDialog& d) { d.findChild<QComboBox*>()->setCurrentIndex(1); },
       [](const SettingsStore& s) { return HoekOptionTable().Load(s).timecodeFormat == 1; }},
      {"Microsoft PowerPoint Presentation", "PowerPoint Options",
       [](QDialog& d) {
         for (QCheckBox* c : d.findChildren<QCheckBox*>())
           if (c->text() == "Comments") c->setChecked(true);
         d.findChild<QSpinBox*>()->setValue(50);
       },
       [](const SettingsStore& s) {
         const PowerPointOptions o = PowerPointOptionTable().Load(s);
         return o.comments && o.margin == 50;
       }},
      {"Windows Media Player File", "Windows Media Player File",
       [](QDialog& d) { d.findChildren<QLineEdit*>()[0]->setText("Episode 4"); },
       [](const SettingsStore& s) { return SamiOptionTable().Load(s).title == "Episode 4"; }},
      {"Theatrical RTF spotting list", "Theatrical RTF Header",
       [](QDialog& d) { d.findChild<QPlainTextEdit*>()->setPlainText("REEL 1\nFEATURE"); },
       [](const SettingsStore& s) { return TheatricalRtfHeaderTable().Load(s).value == "REEL 1\r\nFEATURE"; }},
      {"Spruce Maestro", "Spruce Header",
       [](QDialog& d) { d.findChild<QPlainTextEdit*>()->setPlainText("$FontName = Tahoma\n$FontSize = 30"); },
       [](const SettingsStore&) { return LoadHeaderFile(HeaderFile::Spruce) == "$FontName = Tahoma\r\n$FontSize = 30"; }},
      {"Preformatted text", "Preformatted Text", [](QDialog& d) { d.findChild<QComboBox*>()->setCurrentIndex(3); },
       [](const SettingsStore& s) { return PreformattedOptionTable().Load(s).layout == 3; }},
      {"Theatrical spotting list", "Theatrical Header",
       [](QDialog& d) { d.findChild<QPlainTextEdit*>()->setPlainText("FILM\nReel 2 \xC3\xA9t\xC3\xA9"); },
       [](const SettingsStore&) { return LoadHeaderFile(HeaderFile::Theatrical) == "FILM\r\nReel 2 \xC3\xA9t\xC3\xA9"; }},
  };
  for (const WindowCase& c : cases) {
    SCOPED_TRACE(c.row);
    test::TempHome home;
    SettingsStore settings;
    test::RecordingPrompter prompter;
    const ExportFormat* row = FindExportFormat(c.row);
    ASSERT_NE(row, nullptr);
    for (bool ok : {false, true}) {
      QString title;
      OnWindow([&](QDialog& d) {
        title = d.windowTitle();
        c.change(d);
        if (ok) Screenshot(d, "catalogue_" + Slug(c.row));
        Press(d, ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel);
      });
      EXPECT_EQ(gui::RunExportOptions(*row, settings, prompter, nullptr), ok);
      EXPECT_EQ(title.toStdString(), c.title);
      EXPECT_EQ(c.stored(settings), ok) << (ok ? "OK did not store" : "Cancel stored");
    }
  }
}

TEST(CatalogueOptions, HeaderFilesAreWrittenWithTheirDefaultsAndKeptWhenEdited) {
  test::TempHome home;
  for (HeaderFile which : {HeaderFile::Spruce, HeaderFile::Theatrical}) {
    const std::filesystem::path file = DataFolder() / (which == HeaderFile::Spruce ? "spruce.dat" : "theatrical.dat");
    ASSERT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(LoadHeaderFile(which), DefaultHeader(which));
    EXPECT_TRUE(std::filesystem::exists(file)) << "the default is written where the user can edit it";
    // A header file a user saved in a Windows editor: UTF-16 with its mark, LF ends inside.
    test::WriteFile(file, std::string("\xFF\xFE$\0A\0\n\0B\0", 10));
    EXPECT_EQ(LoadHeaderFile(which), "$A\nB");
  }
}

TEST(CatalogueOptions, HeaderWindowPutsTheDefaultBack) {
  test::TempHome home;
  SaveHeaderFile(HeaderFile::Theatrical, "Edited by hand");
  SettingsStore settings;
  test::RecordingPrompter prompter;
  OnWindow([](QDialog& d) {
    for (QPushButton* b : d.findChildren<QPushButton*>())
      if (b->text() == "Default") b->click();
    Press(d, QDialogButtonBox::Ok);
  });
  EXPECT_TRUE(gui::RunExportOptions(*FindExportFormat("Theatrical spotting list"), settings, prompter, nullptr));
  EXPECT_EQ(LoadHeaderFile(HeaderFile::Theatrical), DefaultHeader(HeaderFile::Theatrical));
}

TEST(CatalogueOptions, InputBoxesKeepTheOldValueOnAnEmptyAnswer) {
  struct Case {
    const char* row;
    const OptionTable<TextOption>& table;
    const char *title, *prompt, *before;
  };
  const Case cases[] = {
      {"Microsoft Excel", CsvLineBreakTable(), "Microsoft Excel CSV file", "Enter line break character:", "<P>"},
      {"FAB shortform", FabLineStartTable(), "FAB Shortform", "Enter line start character:", "C"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row);
    SettingsStore settings;
    test::RecordingPrompter prompter;
    prompter.inputs = {std::string(""), std::nullopt, std::string("|")};
    const ExportFormat& row = *FindExportFormat(c.row);
    EXPECT_TRUE(gui::RunExportOptions(row, settings, prompter, nullptr));
    EXPECT_EQ(c.table.Load(settings).value, c.before);
    EXPECT_FALSE(gui::RunExportOptions(row, settings, prompter, nullptr)) << "Cancel";
    EXPECT_TRUE(gui::RunExportOptions(row, settings, prompter, nullptr));
    EXPECT_EQ(c.table.Load(settings).value, "|");
    ASSERT_EQ(prompter.shown.size(), 3u);
    EXPECT_EQ(prompter.shown[0].title, c.title);
    EXPECT_EQ(prompter.shown[0].text, c.prompt);
  }
}

TEST(CatalogueOptions, OwnWindowsExportOnOkOnly) {
  for (const char* name : {"Windows Media Player File", "Spruce Maestro", "Ultech"}) {
    SCOPED_TRACE(name);
    test::TempHome home;
    SettingsStore settings;
    const ExportFormat& row = *FindExportFormat(name);
    for (bool ok : {false, true}) {
      int exported = 0;
      OnWindow([&](QDialog& d) {
        if (ok) Screenshot(d, "catalogue_window_" + Slug(name));
        Press(d, ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel);
      });
      const std::optional<bool> r = gui::RunExportWindow(row, settings, [&] { return ++exported > 0; }, nullptr);
      EXPECT_EQ(r, std::optional<bool>(ok));
      EXPECT_EQ(exported, ok ? 1 : 0);
    }
  }
  SettingsStore settings;
  EXPECT_EQ(gui::RunExportWindow(*FindExportFormat("SubRip"), settings, [] { return true; }, nullptr), std::nullopt);
}

TEST(CatalogueOptions, ExportWindowShowsPreviewsAndOwnWindowRows) {
  gui::ExportDialog dlg(FindExportFormat("SubRip")->position, false);
  EXPECT_NE(dlg.preview()->toPlainText().indexOf("00:10:23,360"), -1) << dlg.preview()->toPlainText().toStdString();
  for (int i = 0; i < dlg.list()->count(); ++i) {
    QListWidgetItem* item = dlg.list()->item(i);
    const ExportFormat* f = ExportFormatAt(item->data(Qt::UserRole).toInt());
    SCOPED_TRACE(f->name);
    EXPECT_EQ(item->foreground().color() == Qt::gray, !f->available && !f->ownWindow);
    if (f->name == "Cheetah") {
      dlg.list()->setCurrentItem(item);
      EXPECT_EQ(dlg.preview()->toPlainText(), "No preview available");
    }
  }
  for (const char* own : {"Windows Media Player File", "Spruce Maestro"})
    for (int i = 0; i < dlg.list()->count(); ++i)
      if (dlg.list()->item(i)->text().endsWith(own)) {
        EXPECT_NE(dlg.list()->item(i)->foreground().color(), Qt::gray) << own; }
  dlg.list()->setCurrentRow(0);
  dlg.show();
  Screenshot(dlg, "export_window");
}

}  // namespace
}  // namespace kipo
