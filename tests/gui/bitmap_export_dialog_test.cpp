// The bitmap export window: settings in and out, the live preview, the OK checks, and an
// export run in the progress window with its log. Screenshots go to build/screenshots/.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "gui/bitmap_export_dialog.h"
#include "imaging/text_layout.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

namespace fs = std::filesystem;

SubtitleDocument Doc() {
  SubtitleDocument d(25, 2057, 0);
  const char* texts[] = {"The first subtitle", "<Second,> in two\r\nrows of text", "Third"};
  for (int i = 0; i < 3; ++i) {
    Subtitle s;
    s.inCue = Cue::FromFrames(250 + i * 100, d.frameRate());
    s.outCue = Cue::FromFrames(320 + i * 100, d.frameRate());
    s.text = texts[i];
    d.Append(s);
  }
  return d;
}

template <class W>
W* Child(QWidget& w, const char* name) {
  W* c = w.findChild<W*>(name);
  EXPECT_NE(c, nullptr) << name;
  return c;
}

TEST(BitmapExportDialog, ShowsTheStoredSettingsAndALivePreview) {
  if (ReferenceFontFile().empty()) GTEST_SKIP() << "no DejaVu Sans";
  SettingsStore settings;
  DvdOptions stored;
  stored.border = 3;
  stored.fontName = "DejaVu Sans";
  stored.baseline = 520;
  DvdOptionTable().Save(settings, stored);
  test::RecordingPrompter prompter;
  SubtitleDocument doc = Doc();
  gui::BitmapExportDialog dlg(settings, prompter, doc, 2, 2);
  dlg.setFontFiles(ReferenceFontFiles());
  EXPECT_EQ(Child<QSpinBox>(dlg, "Border")->value(), 3);
  EXPECT_EQ(Child<QSpinBox>(dlg, "Baseline")->value(), 520);
  EXPECT_EQ(dlg.options().target(), AuthoringTarget::SonicScenarist);

  // Choosing a Blu-ray target offers its extension and a PNG picture format.
  Child<QComboBox>(dlg, "Target system")->setCurrentIndex(static_cast<int>(AuthoringTarget::BdnXml));
  EXPECT_EQ(dlg.options().scriptExtension, "xml");
  EXPECT_EQ(dlg.options().picture(), PictureFormat::Png32);
  Child<QComboBox>(dlg, "Picture size")->setCurrentIndex(4);
  EXPECT_EQ(dlg.options().Layout().width, 1920);
  Child<QComboBox>(dlg, "Picture size")->setCurrentIndex(0);

  // The preview: the selected subtitle on the background, redrawn on every change.
  Child<QComboBox>(dlg, "zoom")->setCurrentIndex(3);  // 100 %
  dlg.RefreshPreview();
  QImage first = dlg.previewImage();
  ASSERT_EQ(first.size(), QSize(720, 576));
  Child<QSpinBox>(dlg, "Border")->setValue(6);
  dlg.RefreshPreview();
  EXPECT_NE(dlg.previewImage(), first) << "a wider border shows at once";
  Child<QListWidget>(dlg, "subtitles")->setCurrentRow(0);  // the preview text
  Child<QLineEdit>(dlg, "Preview text")->setText("Preview text in the window");
  dlg.RefreshPreview();
  QImage text = dlg.previewImage();
  Child<QCheckBox>(dlg, "Margin lines")->setChecked(false);
  dlg.RefreshPreview();
  EXPECT_NE(dlg.previewImage(), text);
  Child<QCheckBox>(dlg, "Margin lines")->setChecked(true);
  Child<QComboBox>(dlg, "zoom")->setCurrentIndex(1);
  Child<QListWidget>(dlg, "subtitles")->setCurrentRow(2);
  dlg.RefreshPreview();
  EXPECT_EQ(dlg.previewImage().width(), 360);

  dlg.resize(1100, 640);
  dlg.show();
  QTest::qWait(50);
  QDir().mkpath(KIPO_SCREENSHOTS);
  EXPECT_TRUE(dlg.grab().save(QString(KIPO_SCREENSHOTS) + "/bitmap_export.png"));
}

TEST(BitmapExportDialog, OkChecksBeforeAnythingIsWritten) {
  test::TempHome home;
  SettingsStore settings;
  test::RecordingPrompter prompter;
  SubtitleDocument doc = Doc();
  gui::BitmapExportDialog dlg(settings, prompter, doc, 1, 3);
  DvdOptions o = dlg.options();
  o.exportDirectory = (home / "out").string();
  o.pictureFormat = static_cast<int>(PictureFormat::Png32);
  dlg.setOptions(o);
  EXPECT_FALSE(dlg.Check());
  EXPECT_EQ(prompter.Last().text, "The bitmap format for the selected target system must be 8 or 24-bit BMP or TIF");
  o.pictureFormat = 0;
  o.outline = static_cast<int>(Outline::Boxed);
  o.pad = 8;
  dlg.setOptions(o);
  prompter.answers = {Answer::No};
  EXPECT_FALSE(dlg.Check()) << "No keeps the window";
  EXPECT_EQ(prompter.Last().buttons, Buttons::YesNo);
  test::WriteFile(home / "file", "x");
  o.exportDirectory = (home / "file" / "below").string();
  dlg.setOptions(o);
  prompter.answers = {Answer::Yes};
  EXPECT_FALSE(dlg.Check());
  EXPECT_EQ(prompter.Last().title, "New Folder Error");
  EXPECT_EQ(prompter.Last().text, "Unable to create directory!");
  o.exportDirectory = (home / "out").string();
  dlg.setOptions(o);
  prompter.answers = {Answer::Yes};
  EXPECT_TRUE(dlg.Check());

  // Settings files: an older one is refused with its own title.
  test::WriteFile(home / "old.dvd", "[DVD]\r\nBorder=2\r\n");
  prompter.files = {FileChoice{(home / "old.dvd").string(), 1}};
  Child<QPushButton>(dlg, "load")->click();
  EXPECT_EQ(prompter.Last().title, "Open DVD File Warning");
  prompter.files = {FileChoice{(home / "mine").string(), 1}};
  Child<QSpinBox>(dlg, "Border")->setValue(5);
  Child<QPushButton>(dlg, "save")->click();
  ASSERT_TRUE(fs::exists(home / "mine.dvd"));
  EXPECT_EQ(LoadDvdSettingsFile(home / "mine.dvd").border, 5);
  EXPECT_EQ(dlg.windowTitle(), "DVD Export - mine.dvd");
}

TEST(BitmapExportDialog, ExportRunsInTheProgressWindowWithItsLog) {
  if (ReferenceFontFile().empty()) GTEST_SKIP() << "no DejaVu Sans";
  test::TempHome home;
  SettingsStore settings;
  test::RecordingPrompter prompter;
  SubtitleDocument doc = Doc();
  gui::BitmapExportDialog dlg(settings, prompter, doc, 1, 3);
  dlg.setFontFiles(ReferenceFontFiles());
  DvdOptions o = dlg.options();
  o.exportDirectory = (home / "dvd").string();
  o.bitmapStream = "film";
  o.fontName = "DejaVu Sans";
  dlg.setOptions(o);
  ASSERT_TRUE(dlg.Check());
  dlg.StartExport();
  auto* progress = static_cast<gui::BitmapExportProgress*>(dlg.progressWindow());
  ASSERT_NE(progress, nullptr);
  progress->show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return progress->finished(); }, 20000));
  EXPECT_TRUE(fs::exists(home / "dvd" / "film0003.bmp"));
  EXPECT_TRUE(fs::exists(home / "dvd" / "film.sst"));
  QStringList log = progress->logLines();
  ASSERT_FALSE(log.isEmpty());
  EXPECT_EQ(log.back(), "film.sst: Export complete - zero warnings");
  EXPECT_EQ(prompter.Last().title, "Bitmap Export Complete");
  EXPECT_EQ(prompter.Last().text, "Bitmap export complete");
  EXPECT_TRUE(progress->PrintText().startsWith("DVD Export Log: "));
  EXPECT_TRUE(progress->PrintText().contains(" at "));
  EXPECT_TRUE(progress->PrintText().contains("Printed on "));
  QTest::qWait(30);
  EXPECT_TRUE(progress->grab().save(QString(KIPO_SCREENSHOTS) + "/bitmap_export_progress.png"));

  prompter.files = {FileChoice{(home / "export.log").string(), 1}};
  progress->findChild<QPushButton*>("saveLog")->click();
  EXPECT_EQ(test::ReadFile(home / "export.log"), "film.sst: Export complete - zero warnings\r\n");
  EXPECT_EQ(prompter.dialogs.back().filter, "DVD Export Log Files (*.log)|*.log");
  prompter.files = {FileChoice{(home / "log.pdf").string(), 1}};
  progress->findChild<QPushButton*>("printLog")->click();
  EXPECT_GT(fs::file_size(home / "log.pdf"), 100u);
}

}  // namespace
}  // namespace kipo
