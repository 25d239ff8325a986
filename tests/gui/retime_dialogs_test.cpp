// The cue conversion and recut windows: what they open with, what OK hands over, and that a
// refused OK keeps the window open. Screenshots go to build/screenshots/.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include "gui/recut_dialog.h"
#include "gui/retime_dialog.h"

namespace kipo {
namespace {

void PressOk(QDialog& dlg) { dlg.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click(); }

TEST(RetimeDialog, OpensWithTheLastChoicesAndKeepsTheFactors) {
  SettingsStore settings;
  SaveConversionChoices(settings, {1, ConversionMethod::Linear, Conversion::PalTo23976});
  settings.Set(k24ToPalFactor, "0.5");
  gui::RetimeDialog dlg(settings, 10);
  EXPECT_EQ(dlg.findChild<QTabWidget*>("tabs")->currentIndex(), 1);
  EXPECT_EQ(dlg.method(), ConversionMethod::Linear);
  EXPECT_EQ(dlg.conversion(), Conversion::PalTo23976);
  EXPECT_EQ(dlg.startHour(), 10);
  EXPECT_EQ(dlg.findChild<QLineEdit*>("24 to PAL")->text(), "0.5");

  dlg.findChild<QPushButton*>("default")->click();
  EXPECT_EQ(dlg.findChild<QLineEdit*>("24 to PAL")->text(), "0.96");
  EXPECT_EQ(dlg.findChild<QLineEdit*>("PAL to 23")->text(), "1.042708375");
  EXPECT_EQ(settings.Get(k24ToPalFactor), "0.5") << "Default changes the fields; Save stores them";
  dlg.findChild<QPushButton*>("save")->click();
  EXPECT_EQ(LoadTelecineFactors(settings), TelecineFactors{});

  dlg.findChild<QComboBox*>("method")->setCurrentIndex(2);
  dlg.findChild<QLineEdit*>("startHour")->setText("09:00:00:00");
  dlg.show();
  QDir().mkpath(KIPO_SCREENSHOTS);
  QTest::qWait(20);
  EXPECT_TRUE(dlg.grab().save(QString(KIPO_SCREENSHOTS) + "/retime_dialog.png"));
  int runs = 0;
  dlg.apply = [&](const gui::RetimeDialog& d) {
    ++runs;
    EXPECT_EQ(d.method(), ConversionMethod::Telecine);
    EXPECT_EQ(d.startHour(), 9);
    return runs > 1;
  };
  PressOk(dlg);
  EXPECT_TRUE(dlg.isVisible()) << "a conversion that did not run keeps the window";
  PressOk(dlg);
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(settings.Get(kConversionTab), 1);
}

TEST(RecutDialog, HandsOverTheChosenWayAndItsFields) {
  SettingsStore settings;
  settings.Set(kOffsetType, 3);
  settings.Set(kOffsetMaintainInterval, true);
  gui::RecutDialog dlg(settings, 40, 5);
  EXPECT_EQ(dlg.type(), RecutType::Proportional);
  EXPECT_TRUE(dlg.findChild<QCheckBox*>("keepInterval")->isChecked());
  EXPECT_EQ(dlg.first(), 5);
  EXPECT_EQ(dlg.last(), 40);
  EXPECT_FALSE(dlg.findChild<QLineEdit*>("offset")->isEnabled());

  dlg.findChild<QRadioButton*>("type0")->setChecked(true);
  EXPECT_TRUE(dlg.findChild<QLineEdit*>("offset")->isEnabled());
  dlg.findChild<QLineEdit*>("offset")->setText("00:00:02:10");
  dlg.findChild<QCheckBox*>("addOffset")->setChecked(false);
  dlg.findChild<QCheckBox*>("outOnly")->setChecked(true);
  dlg.findChild<QSpinBox*>("to")->setValue(12);
  dlg.show();
  QTest::qWait(20);
  EXPECT_TRUE(dlg.grab().save(QString(KIPO_SCREENSHOTS) + "/recut_dialog.png"));
  RecutOptions seen;
  bool accept = false;
  dlg.apply = [&](const gui::RecutDialog& d) {
    seen = d.options();
    EXPECT_EQ(d.type(), RecutType::Manual);
    EXPECT_EQ(d.first(), 5);
    EXPECT_EQ(d.last(), 12);
    return accept;
  };
  PressOk(dlg);
  EXPECT_TRUE(dlg.isVisible()) << "a refused recut keeps the window for a correction";
  EXPECT_EQ(seen.offset, "00:00:02:10");
  EXPECT_FALSE(seen.addOffset);
  EXPECT_TRUE(seen.outCuesOnly);
  EXPECT_TRUE(seen.keepInterval);
  accept = true;
  PressOk(dlg);
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace kipo
