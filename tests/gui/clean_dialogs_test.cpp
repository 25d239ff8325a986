// The clean windows: the options window stores exactly its tick boxes, the hearing-impaired
// window its lists, and the report window shows every change, restores one and undoes the
// whole clean.
#include "gui/clean_dialogs.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "app/workstation.h"
#include "settings/settings_store.h"
#include "support/recording_prompter.h"
#include "screenshot.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

void PressOk(QDialog& dlg) {
  for (auto* box : dlg.findChildren<QDialogButtonBox*>())
    if (QPushButton* ok = box->button(QDialogButtonBox::Ok)) ok->click();
}

TEST(CleanFileDialog, EachTickBoxIsItsOwnStoredKey) {
  // Ticking one box and OK stores that key as 1 and leaves every other key as it was.
  const std::pair<const char*, const char*> boxes[] = {
      {"chkColors", "Remove colors"},       {"chkItalics", "Remove italics"},
      {"chkComments", "Remove comments"},   {"chkSDH", "Remove SDH"},
      {"chkEmptyRows", "Remove empty rows"}, {"chkRow", "Bottom row"},
      {"chkAlign", "Align centre"},         {"chkAutoFormat", "AutoFormat"},
      {"chkPunctuation", "Punctuation"},    {"chkAlwaysApply", "Always apply"},
      {"chkAlwaysApplyConfirm", "Always apply confirm"},
  };
  for (const auto& [box, key] : boxes) {
    SCOPED_TRACE(key);
    SettingsStore settings;
    gui::CleanFileDialog dlg(settings);
    dlg.findChild<QCheckBox*>(box)->setChecked(true);
    PressOk(dlg);
    EXPECT_EQ(settings.Get("File clean", key, ""), "1");
    CleanSteps stored = CleanSteps::Load(settings);
    EXPECT_EQ(stored.*(&CleanSteps::report), true);
    int on = 0;
    for (bool CleanSteps::*m : {&CleanSteps::colours, &CleanSteps::italics, &CleanSteps::comments, &CleanSteps::sdh,
                               &CleanSteps::emptyRows, &CleanSteps::bottomRow, &CleanSteps::alignCentre,
                               &CleanSteps::autoFormat, &CleanSteps::punctuation, &CleanSteps::alwaysApply,
                               &CleanSteps::alwaysApplyConfirm})
      on += stored.*m;
    EXPECT_EQ(on, 1);
  }
  SettingsStore settings;
  settings.Set("File clean", "Remove italics", "1");
  gui::CleanFileDialog dlg(settings);
  EXPECT_TRUE(dlg.findChild<QCheckBox*>("chkItalics")->isChecked());
  dlg.findChild<QCheckBox*>("chkItalics")->setChecked(false);
  dlg.reject();
  EXPECT_EQ(settings.Get("File clean", "Remove italics", ""), "1") << "Cancel stores nothing";
  EXPECT_TRUE(test::SaveScreenshot(dlg, "clean_file_dialog"));
}

TEST(SdhOptionsDialog, ShowsTheDefaultsAndStoresTheFieldsAsNumberedKeys) {
  SettingsStore settings;
  gui::SdhOptionsDialog dlg(settings);
  EXPECT_EQ(dlg.findChild<QLineEdit*>("txtChars")->text(), "#");
  EXPECT_EQ(dlg.findChild<QLineEdit*>("txtInterjections")->text(),
            "Ah Eh Er Erm Ha Haha Hmm Mmm Oh Ooh Ow Ugh Uh Uhuh Um");
  EXPECT_TRUE(test::SaveScreenshot(dlg, "sdh_options_dialog"));
  dlg.findChild<QCheckBox*>("chkSquare")->setChecked(true);
  dlg.findChild<QLineEdit*>("txtChars")->setText(QString::fromUtf8("# \xE2\x99\xAA"));
  dlg.findChild<QLineEdit*>("txtInterjections")->setText("Um Uh");
  PressOk(dlg);
  EXPECT_EQ(settings.Get("File clean", "SDH square", ""), "1");
  EXPECT_EQ(settings.Get("File clean", "SDH round", "0"), "0");
  EXPECT_EQ(settings.Get("File clean", "SDH char count", ""), "2");
  EXPECT_EQ(settings.Get("File clean", "SDH chars 2", ""), "\xE2\x99\xAA");
  EXPECT_EQ(settings.Get("File clean", "SDH interjections count", ""), "2");
  EXPECT_EQ(settings.Get("File clean", "SDH interjections 1", ""), "Um");
  gui::SdhOptionsDialog again(settings);
  EXPECT_EQ(again.findChild<QLineEdit*>("txtInterjections")->text(), "Um Uh");
}

struct Cleaned {
  test::TempHome home;
  SettingsStore settings;
  test::RecordingPrompter prompter;
  Workstation ws{settings, prompter};
  Cleaned() {
    SubtitleDocument d;
    // Texts as a translator's file arrives: italics, a sound description, a colour code.
    for (const char* t : {"<I know.>", "[DOOR SLAMS]\r\nWho's there?", "Plain", "\x03Stop!"}) {
      Subtitle s;
      s.text = t;
      d.Append(s);
    }
    ws.session().ReplaceDocument(std::move(d));
    settings.Set("File clean", "Remove italics", "1");
    settings.Set("File clean", "Remove colors", "1");
    settings.Set("File clean", "Remove SDH", "1");
    settings.Set("File clean", "SDH square", "1");
    ws.text().CleanFile();
  }
};

TEST(CleanReportDialog, ListsRestoresAndUndoes) {
  Cleaned f;
  ASSERT_EQ(f.ws.doc().At(1).text, "DOOR SLAMS\r\nWho's there?");
  gui::CleanReportDialog dlg(f.ws.text(), f.ws.session());
  EXPECT_EQ(dlg.windowTitle(), "File Clean Report");
  QTableWidget* rows = dlg.rows();
  ASSERT_EQ(rows->rowCount(), 3);
  EXPECT_EQ(rows->item(0, 0)->text(), "0001");
  EXPECT_EQ(rows->item(0, 1)->text(), "Partial italics removed");
  EXPECT_EQ(rows->item(1, 1)->text(), "Square brackets deleted");
  EXPECT_EQ(rows->item(1, 2)->text(), "[DOOR SLAMS] | Who's there?");
  EXPECT_EQ(rows->item(2, 1)->text(), "Non-white colour removed");
  dlg.resize(700, 300);
  EXPECT_TRUE(test::SaveScreenshot(dlg, "clean_report_dialog"));

  // Choosing a row makes its subtitle current; Restore gives back that one text only.
  rows->setCurrentCell(1, 0);
  EXPECT_EQ(f.ws.session().current(), 1u);
  dlg.findChild<QPushButton*>("cmdRestore")->click();
  EXPECT_EQ(f.ws.doc().At(1).text, "[DOOR SLAMS]\r\nWho's there?");
  EXPECT_EQ(f.ws.doc().At(0).text, "I know.");

  // Undo takes back the whole clean and closes the window, which keeps its size.
  dlg.findChild<QPushButton*>("cmdUndo")->click();
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(f.ws.doc().At(0).text, "<I know.>");
  EXPECT_EQ(f.ws.doc().At(3).text, "\x03Stop!");
  EXPECT_EQ(f.settings.Get("Options", "Clean report window width", ""), "700");
  EXPECT_EQ(f.settings.Get("Options", "Clean report window height", ""), "300");
  gui::CleanReportDialog again(f.ws.text(), f.ws.session());
  EXPECT_EQ(again.size(), QSize(700, 300));
}

}  // namespace
}  // namespace kipo
