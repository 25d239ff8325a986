// The Timed Text options windows: they open with the stored keys, OK stores what the
// controls show in the keys' own forms, Cancel stores nothing. Screenshots go to
// build/screenshots/.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include "formats/registry.h"
#include "formats/timed_text_format.h"
#include "gui/catalogue_dialogs.h"
#include "gui/timed_text_dialogs.h"

namespace kipo {
namespace {

using Kind = gui::TimedTextOptionsDialog::Kind;

void Press(QDialog& dlg, QDialogButtonBox::StandardButton b) {
  dlg.findChild<QDialogButtonBox*>()->button(b)->click();
}

void Screenshot(QDialog& dlg, const char* name) {
  dlg.show();
  QDir().mkpath(KIPO_SCREENSHOTS);
  QTest::qWait(20);
  EXPECT_TRUE(dlg.grab().save(QString(KIPO_SCREENSHOTS) + "/" + name + ".png"));
}

TEST(TimedTextDialogs, AppearanceOpensWithTheStoredKeysAndOkStoresThem) {
  SettingsStore settings;
  TimedTextOptionTable().SetFromText(settings, "Timed text font name", "Verdana");
  TimedTextOptionTable().SetFromText(settings, "Timed text font size", "16");
  {
    gui::TimedTextOptionsDialog dlg(Kind::Appearance, settings);
    EXPECT_EQ(dlg.windowTitle(), "Timed Text Options");
    EXPECT_EQ(dlg.findChild<QComboBox*>("cboFontName")->currentText(), "Verdana");
    EXPECT_EQ(dlg.findChild<QComboBox*>("cboFontSize")->currentText(), "24") << "the key counts from 8 pixels";
    EXPECT_FALSE(dlg.findChild<QSpinBox*>("numOutline")->isEnabled());
    EXPECT_EQ(dlg.findChild<QComboBox*>("cboCountry"), nullptr);
    dlg.findChild<QComboBox*>("cboFontStyle")->setCurrentIndex(1);
    dlg.findChild<QCheckBox*>("chkBox")->setChecked(true);
    dlg.findChild<QCheckBox*>("chkOutline")->setChecked(true);
    EXPECT_TRUE(dlg.findChild<QSpinBox*>("numOutline")->isEnabled());
    dlg.findChild<QSpinBox*>("numOutline")->setValue(3);
    Screenshot(dlg, "timed_text_options");
    Press(dlg, QDialogButtonBox::Ok);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
  }
  const std::string ini = settings.Serialise();
  for (const char* line : {"Timed text font name=Verdana", "Timed text font size=16", "Timed text font style=1",
                           "Timed text boxed=1", "Timed text outline=True", "Timed text outline size=3"})
    EXPECT_NE(ini.find(line), std::string::npos) << line << "\n" << ini;
}

TEST(TimedTextDialogs, CancelStoresNothing) {
  for (Kind kind : {Kind::Appearance, Kind::EbuTtd, Kind::ITunes}) {
    SCOPED_TRACE(static_cast<int>(kind));
    SettingsStore settings;
    gui::TimedTextOptionsDialog dlg(kind, settings);
    for (QCheckBox* c : dlg.findChildren<QCheckBox*>()) c->setChecked(true);
    for (QLineEdit* e : dlg.findChildren<QLineEdit*>()) e->setText("changed");
    Press(dlg, QDialogButtonBox::Cancel);
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_EQ(settings.Serialise(), SettingsStore().Serialise());
  }
}

TEST(TimedTextDialogs, EbuTtdAndITunesWindows) {
  SettingsStore settings;
  {
    gui::TimedTextOptionsDialog dlg(Kind::EbuTtd, settings);
    EXPECT_EQ(dlg.windowTitle(), "EBU-TT-D Options");
    EXPECT_EQ(dlg.findChild<QComboBox*>("cboCountry")->currentText(), "GBR");
    EXPECT_EQ(dlg.findChild<QComboBox*>("cboAspectRatio")->currentText(), "4:3");
    dlg.findChild<QComboBox*>("cboCountry")->setCurrentText("DEU");
    dlg.findChild<QComboBox*>("cboAspectRatio")->setCurrentIndex(1);
    dlg.findChild<QLineEdit*>("txtPublisher")->setText("Sender");
    dlg.findChild<QLineEdit*>("txtEditor")->setText("Editor");
    dlg.findChild<QLineEdit*>("txtCopyright")->setText("(c) 2024");
    Screenshot(dlg, "ebu_tt_d_options");
    Press(dlg, QDialogButtonBox::Ok);
  }
  const TimedTextWriteOptions o = EbuTtdOptionTable().Load(settings);
  EXPECT_EQ(o.country, "DEU");
  EXPECT_EQ(o.aspect, 1);
  EXPECT_EQ(o.publisher, "Sender");
  EXPECT_EQ(o.editor, "Editor");
  EXPECT_EQ(o.copyright, "(c) 2024");
  {
    gui::TimedTextOptionsDialog dlg(Kind::ITunes, settings);
    EXPECT_EQ(dlg.windowTitle(), "iTunes Options");
    dlg.findChild<QCheckBox*>("chkForceRegion")->setChecked(true);
    Screenshot(dlg, "itunes_options");
    Press(dlg, QDialogButtonBox::Ok);
  }
  EXPECT_NE(settings.Serialise().find("iTunes=1"), std::string::npos);
  gui::TimedTextOptionsDialog again(Kind::ITunes, settings);
  EXPECT_TRUE(again.findChild<QCheckBox*>("chkForceRegion")->isChecked());
}

// Each of the six rows reaches its window from the export window's Options... button.
TEST(TimedTextDialogs, ReachedFromTheExportWindow) {
  const std::pair<const char*, const char*> rows[] = {
      {"W3C Timed Text (DFXP)", "frmTimedTextOptions"},       {"Netflix Timed Text (DFXP)", "frmTimedTextOptions"},
      {"Generic Timed Text", "frmTimedTextOptions"},          {"EBU-TT Timed Text (EBU Tech 3350)", "frmTimedTextOptions"},
      {"EBU-TT-D Timed Text (EBU Tech 3380)", "frmEBUTTD"}, {"Apple iTunes Timed Text", "frmiTuneOptions"}};
  for (const auto& [name, window] : rows) {
    SCOPED_TRACE(name);
    const ExportFormat* row = FindExportFormat(name);
    ASSERT_NE(row, nullptr);
    SettingsStore settings;
    gui::ExportDialog dlg(row->position, false);
    dlg.showOptions = [&](int position) {
      const ExportFormat* chosen = ExportFormatAt(position);
      ASSERT_NE(chosen, nullptr);
      QString seen;
      QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
          if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible() && d->objectName().startsWith("frm")) {
            seen = d->objectName();
            d->reject();
          }
      });
      EXPECT_EQ(gui::RunTimedTextOptions(*chosen, settings, &dlg), std::optional<bool>(false));
      EXPECT_EQ(seen, window);
    };
    dlg.findChild<QPushButton*>("cmdOptions")->click();
  }
  SettingsStore settings0;
  EXPECT_EQ(gui::RunTimedTextOptions(*FindExportFormat("SubRip"), settings0, nullptr), std::nullopt);
}

}  // namespace
}  // namespace kipo
