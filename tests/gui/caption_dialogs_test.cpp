// The caption files' options windows: they open with the stored options, hand back what
// was chosen, and store it under the formats' keys on OK.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTimer>

#include "formats/registry.h"
#include "gui/caption_dialogs.h"

namespace kipo {
namespace {

TEST(CaptionDialogs, OpenWithTheStoredOptionsAndGiveThemBack) {
  SccExport scc;
  scc.doubleControlCodes = true;
  scc.noTwoFrameWait = true;
  gui::SccOptionsDialog sd(scc);
  EXPECT_EQ(sd.options().doubleControlCodes, true);
  EXPECT_EQ(sd.options().ignoreBuildup, 0);
  // Roll-up captions go out at their in cues: the build-up box is ticked and locked.
  sd.captionType()->setCurrentIndex(2);
  EXPECT_EQ(sd.options().captionType, 2);
  EXPECT_EQ(sd.options().ignoreBuildup, 1);

  UltechOptions u;
  u.captionType = 2;
  u.dataChannel = 2;
  u.cueOffset = -3;
  u.compensate = true;
  gui::UltechOptionsDialog ud(u);
  const UltechOptions back = ud.options();
  EXPECT_EQ(back.captionType, 2);
  EXPECT_EQ(back.dataChannel, 2);
  EXPECT_EQ(back.cueOffset, -3);
  EXPECT_TRUE(back.compensate);

  CaptionIncOptions c;
  c.precompensate = 1;
  c.headerInfo = "Episode 4";
  gui::CaptionIncOptionsDialog cd(c);
  EXPECT_EQ(cd.options().headerInfo, "Episode 4");
  EXPECT_EQ(cd.options().precompensate, 1);
}

TEST(CaptionDialogs, OkStoresTheOptionsUnderTheFormatsKeys) {
  SettingsStore settings;
  const ExportFormat* row = FindExportFormat("Scenarist Closed Caption");
  ASSERT_NE(row, nullptr);
  QTimer::singleShot(0, [] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) {
        d->findChild<QComboBox*>()->setCurrentIndex(1);
        d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
      }
  });
  EXPECT_EQ(gui::EditCaptionOptions(*row, settings, nullptr), std::optional<bool>(true));
  EXPECT_EQ(SccOptionTable().Load(settings).captionType, 1);
  EXPECT_EQ(SccOptionTable().Load(settings).ignoreBuildup, 1);
  EXPECT_EQ(gui::EditCaptionOptions(*FindExportFormat("SubRip"), settings, nullptr), std::nullopt);
}

}  // namespace
}  // namespace kipo
