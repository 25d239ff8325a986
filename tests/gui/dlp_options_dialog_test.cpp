// The digital cinema window: it opens with the stored options, draws the current subtitle,
// steps through subtitles and depths with its keys, loads and saves settings and offsets,
// and exports one file or the 3D pair. Screenshots go to build/screenshots/.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>

#include "formats/cinema/uuid.h"
#include "gui/dlp_options_dialog.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

SubtitleDocument Film() {
  SubtitleDocument d(24, kDefaultLanguageId, 0);
  const char* texts[] = {"First <subtitle>", "Second\r\n\x01two rows", "Third"};
  for (int i = 0; i < 3; ++i) {
    Subtitle s;
    s.inCue = std::string("000") + std::to_string(1 + 2 * i) + "0000";
    s.outCue = std::string("000") + std::to_string(2 + 2 * i) + "0000";
    s.text = texts[i];
    d.Append(s);
  }
  return d;
}

int InkPixels(const QImage& img) {
  int n = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (qGray(img.pixel(x, y)) > 200) ++n;
  return n;
}

TEST(DlpOptionsDialog, OpensWithTheStoredOptionsAndDrawsTheSubtitle) {
  test::TempHome home;
  SettingsStore settings;
  DlpOptions stored;
  stored.version = DcVersion::Smpte;
  stored.fontSize = 60;
  stored.movieTitle = "Film";
  SaveDlpOptions(settings, stored);
  const SubtitleDocument doc = Film();
  test::RecordingPrompter prompter;
  gui::DlpOptionsDialog dlg(settings, doc, 1, prompter);
  EXPECT_EQ(dlg.findChild<QComboBox*>("dcVersion")->currentText(), "DCDM SMPTE 428-7");
  EXPECT_EQ(dlg.findChild<QSpinBox*>("fontSize")->value(), 60);
  EXPECT_EQ(dlg.options(), stored);
  EXPECT_EQ(dlg.findChild<QLabel*>("subtitleNumber")->text(), "Subtitle 2 of 3");
  EXPECT_EQ(dlg.findChild<QLabel*>("zOffset")->text(), "Z offset: 0.00%");
  const int big = InkPixels(dlg.preview());
  EXPECT_GT(big, 200) << "the subtitle is drawn";
  dlg.findChild<QSpinBox*>("fontSize")->setValue(30);
  EXPECT_LT(InkPixels(dlg.preview()), big) << "a smaller font draws fewer pixels";

  dlg.show();
  QDir().mkpath(KIPO_SCREENSHOTS);
  QTest::qWait(20);
  EXPECT_TRUE(dlg.grab().save(QString(KIPO_SCREENSHOTS) + "/dlp_options_dialog.png"));

  // Page keys step through the subtitles; Ctrl+arrows change the depth, Ctrl+Enter zeroes it.
  QTest::keyClick(&dlg, Qt::Key_PageDown);
  EXPECT_EQ(dlg.current(), 2u);
  QTest::keyClick(&dlg, Qt::Key_PageDown);
  EXPECT_EQ(dlg.current(), 2u) << "the last subtitle stays";
  QTest::keyClick(&dlg, Qt::Key_Left, Qt::ControlModifier);
  QTest::keyClick(&dlg, Qt::Key_Left, Qt::ControlModifier);
  EXPECT_EQ(dlg.findChild<QLabel*>("zOffset")->text(), "Z offset: -0.50%");
  QTest::keyClick(&dlg, Qt::Key_PageUp);
  EXPECT_EQ(dlg.findChild<QLabel*>("zOffset")->text(), "Z offset: 0.00%");
  QTest::keyClick(&dlg, Qt::Key_PageDown);
  QTest::keyClick(&dlg, Qt::Key_Return, Qt::ControlModifier);
  EXPECT_TRUE(dlg.zOffsets().empty());
}

TEST(DlpOptionsDialog, SettingsAndOffsetsFilesAndTheFontUuid) {
  test::TempHome home;
  SettingsStore settings;
  const SubtitleDocument doc = Film();
  test::RecordingPrompter prompter;
  gui::DlpOptionsDialog dlg(settings, doc, 0, prompter);
  dlg.findChild<QLineEdit*>("movieTitle")->setText("Saved");
  dlg.findChild<QCheckBox*>("subs3d")->setChecked(true);
  prompter.files.push_back(FileChoice{(home / "cinema").string(), 1});
  dlg.command("mnuSaveSettings")->trigger();
  EXPECT_EQ(LoadDlpOptions(settings).movieTitle, "Saved") << "Save Settings stores them too";
  ASSERT_TRUE(std::filesystem::exists(home / "cinema.dlp"));

  dlg.command("mnuDefaultSettings")->trigger();
  EXPECT_EQ(dlg.options(), DlpOptions{});
  prompter.files.push_back(FileChoice{(home / "cinema.dlp").string(), 1});
  dlg.command("mnuLoadSettings")->trigger();
  EXPECT_EQ(dlg.options().movieTitle, "Saved");
  EXPECT_TRUE(dlg.options().subs3d);

  // A file of another kind is refused with its reason and changes nothing.
  test::WriteFile(home / "other.dlp", "[DVD]\nx=1\n");
  prompter.files.push_back(FileChoice{(home / "other.dlp").string(), 1});
  dlg.command("mnuLoadSettings")->trigger();
  ASSERT_FALSE(prompter.shown.empty());
  EXPECT_EQ(prompter.shown.back().title, "Invalid file format");
  EXPECT_EQ(dlg.options().movieTitle, "Saved");

  test::WriteFile(home / "ranges.txt", "1\t3\t-1.25\r\n");
  prompter.files.push_back(FileChoice{(home / "ranges.txt").string(), 1});
  dlg.command("mnuLoadZRanges")->trigger();
  EXPECT_EQ(dlg.findChild<QLabel*>("zOffset")->text(), "Z offset: -1.25%");
  prompter.files.push_back(FileChoice{(home / "z").string(), 1});
  dlg.command("mnuSaveZOffsets")->trigger();
  EXPECT_EQ(test::ReadFile(home / "z.txt"), "1\t-1.25\r\n2\t-1.25\r\n3\t-1.25\r\n");
  test::WriteFile(home / "z2.txt", "2\t0.50\r\n");
  prompter.files.push_back(FileChoice{(home / "z2.txt").string(), 1});
  dlg.command("mnuLoadZOffsets")->trigger();
  EXPECT_EQ(dlg.zOffsets(), (ZOffsets{{2, 0.5}}));

  dlg.command("mnuGenerateFontUUID")->trigger();
  EXPECT_TRUE(IsUuid(dlg.findChild<QLineEdit*>("txtFontUUID")->text().toStdString()));
  EXPECT_EQ(dlg.options().fontUuid, dlg.findChild<QLineEdit*>("txtFontUUID")->text().toStdString());
}

TEST(DlpOptionsDialog, ExportWritesThePairShowsTheStatusAndCloses) {
  test::TempHome home;
  SettingsStore settings;
  const SubtitleDocument doc = Film();
  test::RecordingPrompter prompter;
  gui::DlpOptionsDialog dlg(settings, doc, 0, prompter);
  std::vector<std::string> statuses;
  dlg.onStatus = [&](const std::string& s) { statuses.push_back(s); };
  dlg.findChild<QComboBox*>("dcVersion")->setCurrentIndex(static_cast<int>(DcVersion::Dlp11Z));
  dlg.findChild<QCheckBox*>("subs3d")->setChecked(true);
  dlg.show();
  prompter.files.push_back(FileChoice{(home / "reel1.xml").string(), 1});
  EXPECT_TRUE(dlg.command("mnuFileExportXML") != nullptr);
  dlg.command("mnuFileExportXML")->trigger();
  ASSERT_FALSE(prompter.dialogs.empty());
  EXPECT_EQ(prompter.dialogs.back().title, "Export DLP Cinema XML File");
  EXPECT_EQ(prompter.dialogs.back().filter, "DLP Cinema XML Files (*.xml)|*.xml");
  EXPECT_TRUE(std::filesystem::exists(home / "reel1_Left.xml"));
  EXPECT_TRUE(std::filesystem::exists(home / "reel1_Right.xml"));
  EXPECT_EQ(statuses, std::vector<std::string>{"File exported successfully"});
  EXPECT_EQ(LoadDlpOptions(settings).version, DcVersion::Dlp11Z) << "the options are saved on export";
  EXPECT_EQ(dlg.result(), QDialog::Accepted) << "\"Close after export\" closes the window";
}

}  // namespace
}  // namespace kipo
