// The auto-replace and profanity windows share one shape: a list read from its file (as
// other tools and older versions write it), Add that asks before overwriting, Delete, and
// OK that writes the file while Cancel leaves it. The suite runs over both, then each
// window's own buttons.
#include "gui/word_list_dialogs.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "app/workstation.h"
#include "platform/files.h"
#include "settings/settings_store.h"
#include "support/recording_prompter.h"
#include "screenshot.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

using Kind = gui::WordListDialog::Kind;

struct Fixture {
  test::TempHome home;
  SettingsStore settings;
  test::RecordingPrompter prompter;
  Workstation ws{settings, prompter};
  std::filesystem::path file;

  // The file as a user's older list looks: a byte-order mark, a third field left by
  // another tool, an empty line and a last line without a line end.
  explicit Fixture(Kind kind) {
    file = DataFolder() / (kind == Kind::AutoReplace ? kAutoReplaceFile : kProfanityFile);
    test::WriteFile(file, "\xEF\xBB\xBFteh\tthe\r\nrecieve\treceive\tnote\r\n\r\nd\xC3\xA9j\xC3\xA0\tdeja");
    ws.text().LoadAutoReplaceList();
  }
  void Type(gui::WordListDialog& dlg, const char* find, const char* with) {
    dlg.findChild<QLineEdit*>("txtReplace")->setText(QString::fromUtf8(find));
    dlg.findChild<QLineEdit*>("txtWith")->setText(QString::fromUtf8(with));
  }
  void Click(gui::WordListDialog& dlg, const char* name) { dlg.findChild<QPushButton*>(name)->click(); }
  void PressOk(QDialog& dlg) {
    for (auto* box : dlg.findChildren<QDialogButtonBox*>())
      if (QPushButton* ok = box->button(QDialogButtonBox::Ok)) ok->click();
  }
};

TEST(WordListDialogs, EditTheListAndStoreItOnlyOnOk) {
  for (Kind kind : {Kind::AutoReplace, Kind::Profanity}) {
    SCOPED_TRACE(kind == Kind::AutoReplace ? "auto-replace" : "profanity");
    Fixture f(kind);
    const std::string original = test::ReadFile(f.file);
    {
      gui::WordListDialog dlg(kind, f.ws);
      QTableWidget* list = dlg.entries();
      ASSERT_EQ(list->rowCount(), 4) << "the empty line stays an entry until saved";
      EXPECT_EQ(list->item(1, 1)->text(), "receive") << "only two fields of a line";
      EXPECT_EQ(list->item(3, 0)->text(), QString::fromUtf8("d\xC3\xA9j\xC3\xA0"));

      f.Type(dlg, "alot", "a lot");
      EXPECT_TRUE(dlg.Add());
      EXPECT_EQ(list->rowCount(), 5);
      EXPECT_TRUE(dlg.findChild<QLineEdit*>("txtReplace")->text().isEmpty());

      // A listed word: No keeps the entry and the fields; Yes overwrites.
      f.Type(dlg, "teh", "tea");
      f.prompter.answers = {Answer::No};
      EXPECT_FALSE(dlg.Add());
      EXPECT_EQ(f.prompter.Last().title, "AutoReplace");
      EXPECT_EQ(f.prompter.Last().text,
                "This AutoReplace item already exists. Would you like to replace the existing entry?");
      EXPECT_EQ(dlg.findChild<QLineEdit*>("txtWith")->text(), "tea");
      f.prompter.answers = {Answer::Yes};
      EXPECT_TRUE(dlg.Add());
      EXPECT_EQ(list->rowCount(), 5);
      EXPECT_EQ(list->item(0, 1)->text(), "tea");

      // An empty find text adds nothing.
      f.Type(dlg, "", "nothing");
      EXPECT_FALSE(dlg.Add());

      list->setCurrentCell(1, 0);
      EXPECT_EQ(dlg.findChild<QLineEdit*>("txtReplace")->text(), "recieve") << "a chosen entry fills the fields";
      f.Click(dlg, "cmdDelete");
      EXPECT_EQ(list->rowCount(), 4);

      EXPECT_TRUE(test::SaveScreenshot(dlg, kind == Kind::AutoReplace ? "autoreplace_dialog" : "profanity_list_dialog"));
      dlg.reject();
    }
    EXPECT_EQ(test::ReadFile(f.file), original) << "Cancel writes nothing";

    gui::WordListDialog dlg(kind, f.ws);
    f.Type(dlg, "alot", "a lot");
    dlg.Add();
    f.PressOk(dlg);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(test::ReadFile(f.file), "teh\tthe\r\nrecieve\treceive\r\nd\xC3\xA9j\xC3\xA0\tdeja\r\nalot\ta lot\r\n");
  }
}

TEST(WordListDialogs, AutoReplaceSwitchesAndReplaceNow) {
  Fixture f(Kind::AutoReplace);
  SubtitleDocument d;
  Subtitle s;
  s.text = "\xE2\x80\x9CWait\xE2\x80\xA6\xE2\x80\x9D \xE2\x80\x94 she said";
  d.Append(s);
  f.ws.session().ReplaceDocument(std::move(d));
  gui::WordListDialog dlg(Kind::AutoReplace, f.ws);
  // The typographic switches are stored the moment they are ticked.
  dlg.findChild<QCheckBox*>("chkQuotes")->setChecked(true);
  dlg.findChild<QCheckBox*>("chkEllipses")->setChecked(true);
  EXPECT_TRUE(TypographicOptions::Load(f.settings).quotes);
  EXPECT_FALSE(TypographicOptions::Load(f.settings).dashes);
  f.Click(dlg, "cmdReplaceNow");
  EXPECT_EQ(f.ws.doc().At(0).text, "\"Wait...\" \xE2\x80\x94 she said");
  EXPECT_EQ(f.prompter.Last().text, "Formatting complete.");
  f.ws.session().Undo();
  EXPECT_EQ(f.ws.doc().At(0).text, s.text) << "Replace Now is one undo step";

  // Replacement while typing is stored with the list on OK and used at once.
  dlg.findChild<QCheckBox*>("chkReplaceAsYouType")->setChecked(true);
  f.Type(dlg, "cant", "can't");
  dlg.Add();
  f.PressOk(dlg);
  EXPECT_TRUE(f.ws.text().replaceAsYouType());
  EXPECT_EQ(f.ws.text().autoReplaceList().size(), 4u) << "the empty entry is gone";
  EXPECT_EQ(f.ws.text().autoReplaceList().back(), (WordPair{"cant", "can't"}));
}

TEST(WordListDialogs, ProfanityFindOpenAndSave) {
  Fixture f(Kind::Profanity);
  SubtitleDocument d;
  for (const char* t : {"Nothing here", "Teh end", "Recieve it, teh"}) {
    Subtitle s;
    s.text = t;
    d.Append(s);
  }
  f.ws.session().ReplaceDocument(std::move(d));
  gui::WordListDialog dlg(Kind::Profanity, f.ws);
  // Yes, No, Yes over the three occurrences (any letter case, whole words; within a
  // subtitle the words come in list order).
  f.prompter.answers = {Answer::Yes, Answer::No, Answer::Yes};
  f.Click(dlg, "cmdFind");
  EXPECT_EQ(f.ws.doc().At(1).text, "the end");
  EXPECT_EQ(f.ws.doc().At(2).text, "receive it, teh");
  EXPECT_EQ(f.prompter.Last().text, "End of file reached");

  // Open replaces the list with a file's; a cancelled dialog keeps it.
  auto other = test::WriteFile(f.home / "client.dat", "darn\tdang\n");
  f.Click(dlg, "cmdOpen");
  EXPECT_EQ(dlg.list().size(), 4u);
  f.prompter.files = {FileChoice{other.string(), 1}};
  f.Click(dlg, "cmdOpen");
  ASSERT_EQ(dlg.list().size(), 1u);
  EXPECT_EQ(dlg.entries()->item(0, 1)->text(), "dang");
  auto saved = f.home / "saved.dat";
  f.prompter.files = {FileChoice{saved.string(), 1}};
  f.Click(dlg, "cmdSave");
  EXPECT_EQ(test::ReadFile(saved), "darn\tdang\r\n");
}

}  // namespace
}  // namespace kipo
