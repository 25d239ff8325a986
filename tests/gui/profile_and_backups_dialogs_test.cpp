// The profile window and the backups windows: OK changes the profiles file, the backups
// folder or the settings as the window says, and a refused entry changes none of them.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "app/workstation.h"
#include "core/native_file.h"
#include "gui/backups_dialogs.h"
#include "gui/profile_dialog.h"
#include "platform/files.h"
#include "settings/house_options.h"
#include "settings/keys.h"
#include "settings/settings_store.h"
#include "support/recording_prompter.h"
#include "screenshot.h"
#include "support/temp_home.h"
#include "support/timed_subtitle.h"

namespace kipo {
namespace {

void PressOk(QDialog& dlg) {
  for (auto* box : dlg.findChildren<QDialogButtonBox*>())
    if (QPushButton* ok = box->button(QDialogButtonBox::Ok)) ok->click();
}

struct Profiles {
  test::TempHome home;
  SettingsStore settings;
  test::RecordingPrompter prompter;
  Workstation ws{settings, prompter, home / "data"};
  Profiles() {
    std::filesystem::create_directories(home / "data");
    ws.profiles().Names();  // creates "Default"
    ws.profiles().SaveWorkingRules("Client B");
    ws.profiles().Apply("Default");
  }
  Profile Stored(const std::string& name) { return *ws.profiles().Find(name); }
};

TEST(ProfileDialog, RefusalsKeepTheWindowAndTheFile) {
  struct Case {
    const char* name;
    std::function<void(gui::ProfileDialog&)> edit;
    std::string message;
  };
  const Case cases[] = {
      {"forced and ignored",
       [](gui::ProfileDialog& d) {
         d.findChild<QCheckBox*>("chkForce2")->setChecked(true);
         d.findChild<QCheckBox*>("chkIgnore2")->setChecked(true);
       },
       "The same check cannot be selected as forced and ignored."},
      {"missing display file",
       [](gui::ProfileDialog& d) { d.findChild<QLineEdit*>("txtDisplayFile")->setText("broadcast.dsp"); },
       "Display settings file does not exist or cannot be accessed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Profiles f;
    const std::string before = test::ReadFile(f.home / "data" / "profiles.dat");
    gui::ProfileDialog dlg(f.ws.profiles());
    c.edit(dlg);
    dlg.show();
    PressOk(dlg);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(f.prompter.Last().text, c.message);
    // Moving to another profile is refused the same way.
    dlg.findChild<QComboBox*>("cboProfile")->setCurrentText("Client B");
    EXPECT_EQ(dlg.findChild<QComboBox*>("cboProfile")->currentText(), "Default");
    EXPECT_EQ(test::ReadFile(f.home / "data" / "profiles.dat"), before);
  }
}

TEST(ProfileDialog, ChangesAreStoredOnlyAfterTheQuestion) {
  for (Answer answer : {Answer::No, Answer::Yes}) {
    SCOPED_TRACE(answer == Answer::Yes ? "Yes" : "No");
    Profiles f;
    gui::ProfileDialog dlg(f.ws.profiles());
    EXPECT_EQ(dlg.findChild<QComboBox*>("cboProfile")->currentText(), "Default");
    dlg.findChild<QSpinBox*>("readingSpeed")->setValue(12);
    dlg.findChild<QCheckBox*>("chkForce0")->setChecked(true);
    dlg.findChild<QCheckBox*>("chkIgnore4")->setChecked(true);
    dlg.findChild<QCheckBox*>("chkPunctuation11")->setChecked(true);
    if (answer == Answer::Yes) {
      EXPECT_TRUE(test::SaveScreenshot(dlg, "profile_dialog"));
    }
    f.prompter.answers = {answer};
    PressOk(dlg);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(f.prompter.Last().text,
              "You have altered one or more settings in your Default profile.\n"
              "Do you want to make these changes permanent and save them to the profile now?");
    const Profile p = f.Stored("Default");
    const bool yes = answer == Answer::Yes;
    EXPECT_EQ(p.rules.readingSpeed, yes ? 12 : 15);
    EXPECT_EQ(p.forced[0], yes);
    EXPECT_EQ(p.ignored[4], yes);
    EXPECT_EQ(p.punctuation[11], yes);
    // The profile in use is applied at once: the working rules follow.
    EXPECT_EQ(f.ws.session().house().readingSpeed, yes ? 12 : 15);
    EXPECT_EQ(f.ws.session().house().raisedSubtitles.ignored, yes);
    EXPECT_EQ(f.settings.Get(keys::kDeleteSpaces), yes);
  }
  // An unchanged profile closes without a question.
  Profiles f;
  gui::ProfileDialog dlg(f.ws.profiles());
  PressOk(dlg);
  EXPECT_TRUE(f.prompter.shown.empty());
}

TEST(ProfileDialog, ImportTakesOnlyAProfilesFile) {
  Profiles f;
  gui::ProfileDialog dlg(f.ws.profiles());
  auto other = test::WriteFile(f.home / "elsewhere" / "clients.dat", "not profiles");
  f.prompter.files = {FileChoice{other.string(), 1}};
  dlg.findChild<QPushButton*>("cmdImport")->click();
  EXPECT_EQ(dlg.findChild<QComboBox*>("cboProfile")->count(), 2);
  EXPECT_EQ(f.ws.profiles().Names(), (std::vector<std::string>{"Default", "Client B"}));
  // Export copies the file into the chosen folder.
  std::filesystem::create_directories(f.home / "export");
  f.prompter.answers.clear();
  auto before = f.prompter.shown.size();
  // The folder question is answered through ChooseFolder, which the recording prompter
  // answers with "nothing chosen" unless told: nothing is written then.
  dlg.findChild<QPushButton*>("cmdExport")->click();
  EXPECT_FALSE(std::filesystem::exists(f.home / "export" / "profiles.dat"));
  EXPECT_GE(f.prompter.shown.size(), before);
}

struct Backups {
  test::TempHome home;
  SettingsStore settings;
  test::RecordingPrompter prompter;
  std::filesystem::path root = BackupsFolder();
  Backups() {
    SubtitleDocument d;
    d.Append(test::TimedSub("First line\r\nsecond line", 250, 300));
    d.Append(test::TimedSub("", -1, -1));
    Bytes bytes = WriteNative(d, NativeVariant::Kpox).bytes;
    test::WriteFile(root / "harbour" / "2024_03_01@14_05_09.kpox", std::string(bytes.begin(), bytes.end()));
    test::WriteFile(root / "harbour" / "2024_03_01@14_10_09.kpox", "damaged");
    test::WriteFile(root / "harbour" / "notes.txt", "not a backup");
    test::WriteFile(root / "Untitled_01_03_2024" / "2024_03_01@09_00_00.kpox", std::string(bytes.begin(), bytes.end()));
  }
};

TEST(BackupsDialog, ListsFoldersBackupsAndWhatABackupHolds) {
  Backups f;
  gui::BackupsDialog dlg(f.root, f.prompter);
  ASSERT_EQ(dlg.folders()->count(), 2);
  EXPECT_EQ(dlg.folders()->item(0)->text(), "Untitled_01_03_2024");
  dlg.folders()->setCurrentRow(1);
  ASSERT_EQ(dlg.files()->count(), 2) << "only .kpox files";
  // The newest backup is chosen first; a damaged one says so and shows nothing.
  EXPECT_EQ(f.prompter.Last().title, "Invalid file format");
  EXPECT_EQ(f.prompter.Last().text, "This is not a valid Kipo file");
  EXPECT_EQ(dlg.contents()->count(), 0);
  dlg.files()->setCurrentRow(0);
  ASSERT_EQ(dlg.contents()->count(), 2);
  EXPECT_EQ(dlg.contents()->item(0)->text(), "1\t00:00:10:00\t00:00:12:00\tFirst line second line");
  EXPECT_EQ(dlg.contents()->item(1)->text(), "2\t00:00:00:00\t00:00:00:00\t");
  EXPECT_EQ(dlg.summary(), "The selected file contains 2 subtitles, 1 of which are empty");
  EXPECT_TRUE(test::SaveScreenshot(dlg, "backups_dialog"));

  std::filesystem::path restored;
  dlg.restore = [&](const std::filesystem::path& p) {
    restored = p;
    return true;
  };
  dlg.findChild<QPushButton*>("cmdRestore")->click();
  EXPECT_EQ(restored, f.root / "harbour" / "2024_03_01@14_05_09.kpox");
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST(BackupsDialog, DeleteAsksFirst) {
  Backups f;
  gui::BackupsDialog dlg(f.root, f.prompter);
  dlg.folders()->setCurrentRow(1);
  f.prompter.answers = {Answer::No};
  dlg.findChild<QPushButton*>("cmdDelete")->click();
  EXPECT_EQ(f.prompter.Last().text, "Are you sure you want to delete this backup folder?");
  EXPECT_TRUE(std::filesystem::exists(f.root / "harbour"));
  f.prompter.answers = {Answer::Yes};
  dlg.findChild<QPushButton*>("cmdDelete")->click();
  EXPECT_FALSE(std::filesystem::exists(f.root / "harbour"));
  EXPECT_EQ(dlg.folders()->count(), 1);
  // Another folder is listed on request.
  std::filesystem::create_directories(f.home / "old backups" / "reel 1");
  f.prompter.inputs.clear();
}

TEST(AutosaveSettingsDialog, StoresTheAutosaveBackupAndCleanSettings) {
  test::TempHome home;
  SettingsStore settings;
  test::RecordingPrompter prompter;
  gui::AutosaveSettingsDialog dlg(settings, prompter);
  EXPECT_EQ(dlg.findChild<QSpinBox*>("interval")->value(), 5);
  dlg.findChild<QSpinBox*>("interval")->setValue(0);
  dlg.findChild<QCheckBox*>("chkBackups")->setChecked(true);
  dlg.findChild<QCheckBox*>("chkSkipUntitled")->setChecked(true);
  dlg.findChild<QCheckBox*>("chkCleanOnExit")->setChecked(true);
  dlg.findChild<QComboBox*>("cboMode")->setCurrentIndex(1);
  dlg.findChild<QLineEdit*>("txtArchive")->setText(QString::fromStdString((home / "no such folder").string()));
  EXPECT_TRUE(test::SaveScreenshot(dlg, "autosave_settings_dialog"));
  PressOk(dlg);
  EXPECT_TRUE(dlg.isVisible()) << "an archive folder that does not exist is refused";
  EXPECT_EQ(prompter.Last().text, "The folder to move backup folders to does not exist.");
  EXPECT_EQ(HouseOptions::Load(settings), HouseOptions{});
  EXPECT_FALSE(settings.Get(keys::kEnableBackups));

  std::filesystem::create_directories(home / "archive");
  dlg.findChild<QLineEdit*>("txtArchive")->setText(QString::fromStdString((home / "archive").string()));
  PressOk(dlg);
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  HouseOptions h = HouseOptions::Load(settings);
  EXPECT_EQ(h.autosaveMinutes, 0) << "0 switches autosave off";
  EXPECT_TRUE(h.cleanBackupsOnExit);
  EXPECT_EQ(h.backupCleanMode, 1);
  EXPECT_EQ(h.backupArchiveFolder, (home / "archive").string());
  EXPECT_TRUE(settings.Get(keys::kEnableBackups));
  EXPECT_TRUE(settings.Get(keys::kDoNotBackupUntitled));
}

}  // namespace
}  // namespace kipo
