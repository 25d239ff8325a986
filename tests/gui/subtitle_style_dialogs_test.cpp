// The box style and row colours windows: what they open with and what they hand back,
// which reaches the current subtitle as one change.
#include "gui/subtitle_style_dialogs.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>

#include "app/layout_commands.h"
#include "app/workstation.h"
#include "screenshot.h"
#include "settings/settings_store.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"
#include "support/timed_subtitle.h"

namespace kipo {
namespace {

void PressOk(QDialog& dlg) { dlg.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click(); }

struct Fixture {
  test::TempHome home;
  SettingsStore settings;
  test::RecordingPrompter prompter;
  Workstation ws{settings, prompter};
  Fixture() {
    SubtitleDocument d;
    d.Append(test::TimedSub("Before", 100, 150));
    d.Append(test::TimedSub("Current", 250, 300));
    d.Append(test::TimedSub("Unset out", 400, -1));
    d.modified = false;
    ws.session().ReplaceDocument(std::move(d));
    ws.session().GoTo(1);
  }
  std::vector<std::string> Cues() const {
    std::vector<std::string> out;
    for (const Subtitle& s : ws.doc().Subtitles()) out.push_back(s.inCue.digits() + "-" + s.outCue.digits());
    return out;
  }
};

TEST(SubtitleStyleDialogs, BoxStyleAndRowColoursReachTheCurrentSubtitle) {
  Fixture f;
  gui::BoxStyleDialog box(f.ws.doc().At(1).boxStyle);
  EXPECT_EQ(box.findChild<QComboBox*>("cboStyle")->currentText(), "None");
  box.findChild<QComboBox*>("cboStyle")->setCurrentText("Ghost boxed outline");
  PressOk(box);
  EXPECT_TRUE(SetCurrentBoxStyle(f.ws, box.style()));
  EXPECT_EQ(f.ws.doc().At(1).boxStyle, BoxGhostBoxedOutline);
  EXPECT_TRUE(test::SaveScreenshot(box, "box_style_dialog"));

  gui::RowColoursDialog colours("\x03Top row\r\nBottom row", "02000000000");
  ASSERT_EQ(colours.colours(), (std::vector<int>{0, 2}));
  EXPECT_EQ(colours.row(1)->currentText(), "Green");
  colours.row(0)->setCurrentText("Cyan");
  EXPECT_TRUE(test::SaveScreenshot(colours, "row_colours_dialog"));
  EXPECT_EQ(colours.colours(), (std::vector<int>{6, 2}));
}

}  // namespace
}  // namespace kipo
