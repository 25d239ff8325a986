// The offset windows and the subtitle style windows over a workstation: what OK changes in
// the document, and that a refused entry leaves it as it was.
#include "gui/offset_dialogs.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/layout_commands.h"
#include "app/workstation.h"
#include "gui/subtitle_style_dialogs.h"
#include "settings/settings_store.h"
#include "support/recording_prompter.h"
#include "screenshot.h"
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

TEST(QuickOffsetDialog, TheCurrentSubtitleMovesToTheVideoPositionAndLaterOnesFollow) {
  Fixture f;
  const FrameRate& rate = f.ws.doc().frameRate();
  gui::QuickOffsetDialog dlg(f.prompter, rate, f.ws.doc().At(1).inCue, 260);
  EXPECT_EQ(dlg.findChild<QLabel*>("inCue")->text(), "00:00:10:00");
  EXPECT_EQ(dlg.findChild<QLineEdit*>("position")->text(), "00:00:10:10");
  EXPECT_EQ(dlg.findChild<QLabel*>("offset")->text(), "+00:00:00:10");
  dlg.findChild<QLineEdit*>("position")->setText("00:00:09:00");
  EXPECT_EQ(dlg.findChild<QLabel*>("offset")->text(), "-00:00:01:00");
  EXPECT_TRUE(test::SaveScreenshot(dlg, "quick_offset_dialog"));

  int applied = 0;
  dlg.apply = [&](Timecode position) {
    ++applied;
    return f.ws.timing().QuickOffset(position) >= 0;
  };
  // A frame number past the rate is refused with the window kept open.
  dlg.findChild<QLineEdit*>("position")->setText("00:00:09:25");
  PressOk(dlg);
  EXPECT_EQ(applied, 0);
  EXPECT_EQ(f.prompter.Last().text, "Please enter a valid timecode (HH:MM:SS:FF).");
  EXPECT_EQ(f.Cues()[1], "00001000-00001200");
  dlg.findChild<QLineEdit*>("position")->setText("00:00:09:00");
  PressOk(dlg);
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(f.Cues(), (std::vector<std::string>{"00000400-00000600", "00000900-00001100", "00001500-"}));
}

TEST(VideoOffsetDialog, MovesEveryCueForwardOrBackAndRemembersTheDirection) {
  struct Case {
    const char* typed;
    bool back;
    std::optional<Timecode> offset;
    std::vector<std::string> cues;
  };
  const Case cases[] = {
      {"00:00:02:00", false, 50, {"00000600-00000800", "00001200-00001400", "00001800-"}},
      {"00:00:02:00", true, -50, {"00000200-00000400", "00000800-00001000", "00001400-"}},
      // Nothing goes before zero.
      {"00:00:05:00", true, -125, {"00000000-00000100", "00000500-00000700", "00001100-"}},
      {"00:00:01:30", false, std::nullopt, {"00000400-00000600", "00001000-00001200", "00001600-"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.typed) + (c.back ? " back" : ""));
    Fixture f;
    gui::VideoOffsetDialog dlg(f.settings, f.prompter, f.ws.doc().frameRate());
    dlg.findChild<QLineEdit*>("txtOffset")->setText(c.typed);
    dlg.findChild<QCheckBox*>("chkBack")->setChecked(c.back);
    EXPECT_EQ(dlg.offset(), c.offset);
    PressOk(dlg);
    EXPECT_EQ(dlg.outcome(), c.offset ? "OK" : "Cancelled");
    if (dlg.result() == QDialog::Accepted) f.ws.timing().OffsetAllCues(*dlg.offset());
    EXPECT_EQ(f.Cues(), c.cues);
    EXPECT_EQ(f.settings.Get("Options", "Offset timecode back", ""), c.offset ? (c.back ? "1" : "0") : "");
  }
  Fixture f;
  f.settings.Set("Options", "Offset timecode back", "1");
  gui::VideoOffsetDialog dlg(f.settings, f.prompter, f.ws.doc().frameRate());
  EXPECT_TRUE(dlg.findChild<QCheckBox*>("chkBack")->isChecked());
  EXPECT_TRUE(test::SaveScreenshot(dlg, "video_offset_dialog"));
}

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
