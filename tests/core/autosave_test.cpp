#include "core/autosave.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "core/backups.h"
#include "platform/files.h"
#include "platform/user_error.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

std::tm At(int y, int mo, int d, int h, int mi, int s) {
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  return tm;
}

SubtitleDocument Doc(const std::string& path = "") {
  SubtitleDocument d;
  Subtitle s;
  s.text = "  backed up  ";
  s.inCue = "00000100";
  d.Append(s);
  Subtitle e;  // empty
  d.Append(e);
  if (!path.empty()) d.SetFile(path);
  return d;
}

TEST(AutoSave, IntervalCounterAndBackupNames) {
  test::TempHome home;
  test::RecordingPrompter p;
  AutoSaver saver;
  saver.now = [] { return At(2024, 3, 1, 14, 5, 9); };
  AutoSaveOptions o;
  SubtitleDocument doc = Doc();
  {
    SCOPED_TRACE("interval 0: autosave is off");
    EXPECT_EQ(saver.Tick(doc, o, p), AutoSaveOutcome::Off);
    EXPECT_FALSE(std::filesystem::exists(AutoSaveFile()));
  }
  o.interval = 3;
  o.backups = true;
  o.write.deleteSpaces = true;
  int commits = 0;
  auto commit = [&] { ++commits; };
  {
    SCOPED_TRACE("the third tick writes kipo.sav and an untitled backup");
    EXPECT_EQ(saver.Tick(doc, o, p, commit), AutoSaveOutcome::Counting);
    EXPECT_EQ(saver.Tick(doc, o, p, commit), AutoSaveOutcome::Counting);
    EXPECT_EQ(commits, 0);
    EXPECT_EQ(saver.Tick(doc, o, p, commit), AutoSaveOutcome::Saved);
    EXPECT_EQ(commits, 1);
    EXPECT_EQ(saver.counter(), 0);
    EXPECT_EQ(saver.lastBackup(), BackupsFolder() / "Untitled_01_03_2024" / "2024_03_01@14_05_09.kpox");
    EXPECT_TRUE(std::filesystem::exists(saver.lastBackup()));
    // The autosave file is a .kpox document, trimmed like a save.
    EXPECT_EQ(ReadNative(ReadFileBytes(AutoSaveFile()), NativeVariant::Kpox).At(0).text, "backed up");
  }
  {
    SCOPED_TRACE("a titled document backs up under its file name; suppressed ticks do nothing");
    SubtitleDocument titled = Doc("/films/Reel 2.kpox");
    saver.suppressed = true;
    EXPECT_EQ(saver.Tick(titled, o, p), AutoSaveOutcome::Suppressed);
    saver.suppressed = false;
    EXPECT_EQ(saver.SaveNow(titled, o, p), AutoSaveOutcome::Saved);
    EXPECT_EQ(saver.lastBackup(), BackupsFolder() / "Reel 2" / "2024_03_01@14_05_09.kpox");
    o.skipUntitled = true;
    EXPECT_EQ(saver.SaveNow(doc, o, p), AutoSaveOutcome::Saved);
    EXPECT_TRUE(saver.lastBackup().empty());
  }
}

TEST(AutoSave, LockedFileIsPostponedAndRetriedNextTick) {
  test::TempHome home;
  test::RecordingPrompter p;
  AutoSaver saver;
  AutoSaveOptions o;
  o.interval = 1;
  EnsureFolder(DataFolder());
  int fd = ::open(AutoSaveFile().c_str(), O_RDWR | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  SubtitleDocument doc = Doc();
  EXPECT_EQ(saver.Tick(doc, o, p), AutoSaveOutcome::Postponed);
  EXPECT_EQ(p.Last().text, "AutoSave postponed - file kipo.sav is already open.");
  ASSERT_FALSE(p.statuses.empty());
  EXPECT_EQ(p.statuses.back().rfind("AutoSave postponed: ", 0), 0u);
  EXPECT_EQ(std::filesystem::file_size(AutoSaveFile()), 0u);
  ::close(fd);
  EXPECT_EQ(saver.Tick(doc, o, p), AutoSaveOutcome::Saved);
  EXPECT_GT(std::filesystem::file_size(AutoSaveFile()), 158u);
}

TEST(AutoSave, RecoveryAsksAndGivesAnUntitledModifiedDocument) {
  test::TempHome home;
  test::RecordingPrompter p;
  EXPECT_FALSE(RecoverAutoSave(p));
  EXPECT_TRUE(p.shown.empty());
  AutoSaver saver;
  AutoSaveOptions o;
  o.interval = 1;
  SubtitleDocument doc = Doc("/films/reel.kpox");
  doc.SetFrameRate(29);
  saver.SaveNow(doc, o, p);

  EXPECT_FALSE(RecoverAutoSave(p));  // No
  ASSERT_EQ(p.shown.size(), 1u);
  EXPECT_EQ(p.Last().title, "AutoSave File Detected");
  EXPECT_EQ(p.Last().buttons, Buttons::YesNo);
  EXPECT_EQ(p.Last().text.rfind("An AutoSave file (", 0), 0u);
  EXPECT_NE(p.Last().text.find("), probably containing unsaved data, has been detected on your hard disk.\n"
                               "Would you like to recover this file?"),
            std::string::npos);

  p.answers.push_back(Answer::Yes);
  auto recovered = RecoverAutoSave(p);
  ASSERT_TRUE(recovered);
  EXPECT_EQ(p.statuses.back(), "Reading AutoSave file...");
  EXPECT_TRUE(recovered->filePath.empty());
  EXPECT_TRUE(recovered->modified);
  EXPECT_EQ(recovered->frameRate().code, 29);
  EXPECT_EQ(recovered->Count(), 2u);

  SCOPED_TRACE("a damaged autosave file is reported in the reader's words");
  std::filesystem::resize_file(AutoSaveFile(), 100);
  p.answers.push_back(Answer::Yes);
  EXPECT_FALSE(RecoverAutoSave(p));
  EXPECT_EQ(p.Last().text, "This is not a valid Kipo Unicode file");
}

TEST(Backups, ListShowAndDelete) {
  test::TempHome home;
  test::RecordingPrompter p;
  AutoSaver saver;
  AutoSaveOptions o;
  o.interval = 1;
  o.backups = true;
  saver.now = [] { return At(2024, 3, 1, 14, 5, 9); };
  saver.SaveNow(Doc("/x/film.kpox"), o, p);
  saver.now = [] { return At(2024, 3, 2, 9, 0, 0); };
  saver.SaveNow(Doc("/x/film.kpox"), o, p);
  saver.SaveNow(Doc(), o, p);
  test::WriteFile(BackupsFolder() / "film" / "notes.txt", "not a backup");

  EXPECT_EQ(ListBackupFolders(BackupsFolder()), (std::vector<std::string>{"Untitled_02_03_2024", "film"}));
  EXPECT_EQ(ListBackupFiles(BackupsFolder() / "film"),
            (std::vector<std::string>{"2024_03_01@14_05_09.kpox", "2024_03_02@09_00_00.kpox"}));
  BackupListing l = DescribeBackup(BackupsFolder() / "film" / "2024_03_01@14_05_09.kpox");
  EXPECT_EQ(l.lines, (std::vector<std::string>{"1\t00:00:01:00\t00:00:00:00\t  backed up  ",
                                                "2\t00:00:00:00\t00:00:00:00\t"}));
  EXPECT_EQ(l.summary, "The selected file contains 2 subtitles, 1 of which are empty");
  try {
    DescribeBackup(BackupsFolder() / "film" / "notes.txt");
    ADD_FAILURE();
  } catch (const UserError& e) {
    EXPECT_EQ(e.title(), "Invalid file format");
    EXPECT_EQ(e.text(), "This is not a valid Kipo file");
  }

  EXPECT_FALSE(DeleteBackupFolder(BackupsFolder() / "film", p));  // No
  EXPECT_EQ(p.Last().text, "Are you sure you want to delete this backup folder?");
  EXPECT_TRUE(std::filesystem::exists(BackupsFolder() / "film"));
  p.answers.push_back(Answer::Yes);
  EXPECT_TRUE(DeleteBackupFolder(BackupsFolder() / "film", p));
  EXPECT_FALSE(std::filesystem::exists(BackupsFolder() / "film"));
}

}  // namespace
}  // namespace kipo
