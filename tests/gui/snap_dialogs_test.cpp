// The snap and shift windows: what they open with, what OK and "Save settings" do, and that
// a refused range keeps the window open. Screenshots go to build/screenshots/.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include "gui/snap_dialog.h"
#include "settings/keys.h"

namespace kipo {
namespace {

void PressOk(QDialog& dlg) { dlg.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click(); }

TEST(SnapDialog, OpensWithTheStoredChoicesAndHandsThemOver) {
  SettingsStore settings;
  settings.Set(keys::kShotCutIn, 1L);
  settings.Set(keys::kShotCutThreshold, 12L);
  gui::SnapDialog dlg(settings, 40, 5);
  EXPECT_EQ(dlg.range(), SnapRange::Numbered);  // the default range
  EXPECT_EQ(dlg.from(), 5);
  EXPECT_EQ(dlg.to(), 40);
  EXPECT_EQ(dlg.options().inOffset, 1);
  EXPECT_EQ(dlg.options().outChoice, 2);
  EXPECT_EQ(dlg.options().window, 12);
  EXPECT_EQ(dlg.findChild<QComboBox*>("shotCutOut")->currentText(), "Default interval before a shot cut");
  EXPECT_EQ(dlg.findChild<QLabel*>("hint")->text(), "You can also use Alt+Numpad 5");
  dlg.show();
  QTest::qWait(20);
  EXPECT_TRUE(dlg.grab().save(QString(KIPO_SCREENSHOTS) + "/snap_dialog.png"));

  dlg.findChild<QSpinBox*>("to")->setValue(3);
  dlg.findChild<QComboBox*>("shotCutOut")->setCurrentIndex(0);
  SnapOutcome answer = SnapOutcome::Refused;
  int calls = 0;
  dlg.apply = [&](const gui::SnapDialog& d) {
    ++calls;
    EXPECT_EQ(d.from(), 5);
    EXPECT_EQ(d.to(), 3);
    EXPECT_EQ(d.options().outChoice, 0);
    return answer;
  };
  PressOk(dlg);
  EXPECT_TRUE(dlg.isVisible()) << "a refused range keeps the window for a correction";
  answer = SnapOutcome::NoCuts;
  PressOk(dlg);
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(calls, 2);
}

TEST(SnapDialog, SaveSettingsOnlyStoresTheCueSettings) {
  SettingsStore settings;
  gui::SnapDialog dlg(settings, 10, 1);
  dlg.findChild<QRadioButton*>("range0")->setChecked(true);
  dlg.findChild<QComboBox*>("shotCutIn")->setCurrentIndex(2);
  dlg.findChild<QComboBox*>("threshold")->setCurrentIndex(3);
  bool applied = false;
  dlg.apply = [&](const gui::SnapDialog&) {
    applied = true;
    return SnapOutcome::Snapped;
  };
  dlg.show();
  dlg.findChild<QPushButton*>("saveSettings")->click();
  EXPECT_FALSE(applied);
  EXPECT_EQ(dlg.result(), QDialog::Rejected);
  EXPECT_EQ(settings.Get(keys::kShotCutIn), 2);
  EXPECT_EQ(settings.Get(keys::kShotCutThreshold), 3);
  EXPECT_FALSE(settings.Has(keys::kSnapShotCutRange.section, keys::kSnapShotCutRange.name));
}

TEST(ShiftShotCutsDialog, DirectionAndFrames) {
  gui::ShiftShotCutsDialog dlg;
  EXPECT_TRUE(dlg.up());
  EXPECT_EQ(dlg.frames(), 1);
  dlg.findChild<QComboBox*>("direction")->setCurrentText("Down");
  dlg.findChild<QComboBox*>("frames")->setCurrentIndex(2);
  EXPECT_FALSE(dlg.up());
  EXPECT_EQ(dlg.frames(), 3);
  dlg.show();
  QTest::qWait(20);
  EXPECT_TRUE(dlg.grab().save(QString(KIPO_SCREENSHOTS) + "/shift_shot_cuts_dialog.png"));
}

}  // namespace
}  // namespace kipo
