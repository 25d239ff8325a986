#include "app/startup.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "app/trash.h"
#include "core/autosave.h"
#include "core/native_file.h"
#include "platform/files.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

struct Shell : ::testing::Test {
  test::TempHome home;
  SettingsStore settings{home / "config" / "settings.ini"};
  test::RecordingPrompter prompter;
  Workstation ws{settings, prompter};
};

std::filesystem::path SaveDoc(const std::filesystem::path& p, std::size_t n) {
  SubtitleDocument d;
  for (std::size_t i = 0; i < n; ++i) {
    Subtitle s;
    s.text = "subtitle " + std::to_string(i);
    d.Append(s);
  }
  std::filesystem::create_directories(p.parent_path());
  WriteFileAtomic(p, WriteNative(d, NativeVariant::Kpox).bytes);
  return p;
}

TEST_F(Shell, StartUpLogsItsStepsAndTrimsOnlyAnOversizedLog) {
  for (std::size_t size : {10000u, 10001u}) {
    SCOPED_TRACE(size);
    EnsureFolder(DataFolder());
    test::WriteFile(DataFolder() / "kipo.log", std::string(size, 'x'));
    StartUpOutcome o = StartUp(ws, "");
    EXPECT_FALSE(o.refused);
    std::string log = test::ReadFile(DataFolder() / "kipo.log");
    EXPECT_EQ(log.rfind(std::string(size, 'x'), 0) == 0, size == 10000);
    std::size_t first = log.find("   AppPath created\n"), last = log.find("   Application has loaded successfully\n");
    ASSERT_NE(first, std::string::npos);
    ASSERT_NE(last, std::string::npos);
    EXPECT_LT(first, log.find("   Checking log size\n"));
    EXPECT_LT(log.find("   Load opts\n"), last);
    std::filesystem::remove(DataFolder() / "kipo.log");
  }
  EXPECT_TRUE(std::filesystem::is_directory(BackupsFolder()));
  EXPECT_EQ(settings.Get("General", "First time", ""), "True");
  EXPECT_EQ(settings.Get("House options", "Maximum rows", ""), "2");
}

TEST_F(Shell, ScreenSizeRule) {
  EXPECT_FALSE(CheckScreenSize(1023, 768).ok);
  EXPECT_FALSE(CheckScreenSize(1280, 599).ok);
  EXPECT_TRUE(CheckScreenSize(1024, 600).compact);
  EXPECT_FALSE(CheckScreenSize(1280, 600).compact);
  StartUpHooks hooks;
  hooks.screenSize = [] { return std::pair{800, 600}; };
  EXPECT_TRUE(StartUp(ws, "", hooks).refused);
  EXPECT_EQ(prompter.Last().text, "This program must be run at a screen resolution of at least 1024 x 600 pixels");
  EXPECT_EQ(test::ReadFile(DataFolder() / "kipo.log").find("Application has loaded"), std::string::npos);
}

TEST_F(Shell, CommandLineFileIsChosenByExtension) {
  auto doc = SaveDoc(home / "film.KpOx", 4);
  StartUp(ws, doc.string());
  EXPECT_EQ(ws.doc().Count(), 4u);
  EXPECT_EQ(ws.doc().filePath, doc.string());

  SCOPED_TRACE("any type the program reads opens; a missing file offers recovery");
  Workstation other(settings, prompter);
  test::WriteFile(home / "notes.txt", "0001\t00:00:01:00\t00:00:02:00\r\nHi\r\n");
  StartUp(other, (home / "notes.txt").string());
  EXPECT_EQ(other.doc().Count(), 1u);
  Workstation imported(settings, prompter);
  test::WriteFile(home / "film.srt", "1\n00:00:01,000 --> 00:00:02,000\nHi\n");
  StartUp(imported, (home / "film.srt").string());
  EXPECT_EQ(imported.doc().Count(), 1u);
  EXPECT_FALSE(imported.doc().saved);  // imported: a Save asks for a name of its own

  std::filesystem::copy_file(doc, AutoSaveFile());
  prompter.answers.push_back(Answer::Yes);
  Workstation third(settings, prompter);
  StartUp(third, (home / "gone.kpox").string());
  EXPECT_EQ(prompter.Last().title, "AutoSave File Detected");
  EXPECT_EQ(third.doc().Count(), 4u);
  EXPECT_TRUE(third.doc().modified);
  EXPECT_EQ(third.session().WindowTitle(), "Kipo - [Untitled]");
}

TEST_F(Shell, ShutdownAsksStoresAndDeletesTheAutosaveFile) {
  ws.doc().Append(Subtitle{});
  test::WriteFile(AutoSaveFile(), "x");
  WindowState w{2, 10, 20, 1280, 720};
  // Yes, then the Save As dialog is cancelled: the program keeps running.
  prompter.answers.push_back(Answer::Yes);
  EXPECT_FALSE(QueryShutdown(ws, w));
  EXPECT_EQ(prompter.dialogs.back().title, "Save File As");
  EXPECT_FALSE(QueryShutdown(ws, w));  // Cancel
  EXPECT_TRUE(std::filesystem::exists(AutoSaveFile()));
  prompter.answers.push_back(Answer::No);
  EXPECT_TRUE(QueryShutdown(ws, w));
  EXPECT_EQ(ws.session().panels().status, "Kipo is shutting down...");
  EXPECT_FALSE(std::filesystem::exists(AutoSaveFile()));
  EXPECT_EQ(settings.GetInt("General", "Window width", 0), 1280);
  EXPECT_EQ(settings.GetInt("General", "Window state", 0), 2);
  settings.SetBool("Options", "Remember window size", true);
  EXPECT_EQ(StartUp(ws, "").window, w);
}

TEST_F(Shell, BackupCleanModes) {
  auto fill = [&] {
    test::WriteFile(BackupsFolder() / "film" / "2024_03_01@14_05_09.kpox", "a");
    test::WriteFile(BackupsFolder() / "Untitled_01_03_2024" / "2024_03_01@14_05_10.kpox", "b");
  };
  auto empty = [&] { return std::filesystem::is_empty(BackupsFolder()); };
  {
    SCOPED_TRACE("mode 0: the freedesktop trash");
    fill();
    CleanBackups(0, BackupsFolder(), {});
    EXPECT_TRUE(empty());
    EXPECT_TRUE(std::filesystem::exists(TrashFolder() / "files" / "film" / "2024_03_01@14_05_09.kpox"));
    std::string info = test::ReadFile(TrashFolder() / "info" / "Untitled_01_03_2024.trashinfo");
    EXPECT_EQ(info.rfind("[Trash Info]\nPath=/", 0), 0u);
    EXPECT_NE(info.find("/Kipo%20Software/Backups/Untitled_01_03_2024\nDeletionDate="), std::string::npos);
    fill();
    CleanBackups(0, BackupsFolder(), {});
    EXPECT_TRUE(std::filesystem::exists(TrashFolder() / "files" / "film.2"));
  }
  {
    SCOPED_TRACE("mode 1: the archive folder, only when it exists");
    fill();
    CleanBackups(1, BackupsFolder(), home / "archive");
    EXPECT_FALSE(empty());
    std::filesystem::create_directories(home / "archive");
    CleanBackups(1, BackupsFolder(), home / "archive");
    EXPECT_TRUE(empty());
    EXPECT_TRUE(std::filesystem::exists(home / "archive" / "film" / "2024_03_01@14_05_09.kpox"));
  }
  {
    SCOPED_TRACE("mode 2 deletes; other modes do nothing");
    fill();
    CleanBackups(3, BackupsFolder(), {});
    EXPECT_FALSE(empty());
    CleanBackups(2, BackupsFolder(), {});
    EXPECT_TRUE(empty());
  }
  {
    SCOPED_TRACE("shutdown cleans only with backups and cleaning both on");
    fill();
    settings.SetBool("House options", "Clean backups on exit", true);
    settings.SetInt("House options", "Backup clean mode", 2);
    EXPECT_TRUE(QueryShutdown(ws, {}));
    EXPECT_FALSE(empty());
    settings.SetBool("Options", "Enable backups", true);
    EXPECT_TRUE(QueryShutdown(ws, {}));
    EXPECT_TRUE(empty());
  }
}

// The archive folder on another file system: the backups are copied there and removed
// here; a backup that cannot be copied stays whole and the user hears of it.
TEST_F(Shell, BackupArchiveOnAnotherFileSystem) {
  namespace fs = std::filesystem;
  fs::path other = "/dev/shm";
  std::error_code ec;
  struct stat a{}, b{};
  if (!fs::is_directory(other, ec) || stat(other.c_str(), &a) != 0 || stat(home.path().c_str(), &b) != 0 ||
      a.st_dev == b.st_dev)
    GTEST_SKIP() << "no second file system at " << other;
  fs::path archive = other / ("kipo-archive-" + std::to_string(getpid()));
  fs::create_directories(archive / "film");  // an earlier archive of the same film
  struct Cleanup {
    fs::path p;
    ~Cleanup() {
      std::error_code ec;
      fs::remove_all(p, ec);
    }
  } cleanup{archive};

  auto file = test::WriteFile(BackupsFolder() / "film" / "2024_03_01@14_05_09.kpox", "a");
  test::WriteFile(BackupsFolder() / "film" / "nested" / "deep.kpox", "deep");
  test::WriteFile(BackupsFolder() / "loose.kpox", "b");
  auto when = fs::file_time_type::clock::now() - std::chrono::hours(48);
  fs::last_write_time(file, when);
  EXPECT_TRUE(CleanBackups(1, BackupsFolder(), archive).empty());
  EXPECT_TRUE(fs::is_empty(BackupsFolder()));
  EXPECT_EQ(test::ReadFile(archive / "film (2)" / "2024_03_01@14_05_09.kpox"), "a");
  EXPECT_EQ(test::ReadFile(archive / "film (2)" / "nested" / "deep.kpox"), "deep");
  EXPECT_EQ(test::ReadFile(archive / "loose.kpox"), "b");
  EXPECT_EQ(fs::last_write_time(archive / "film (2)" / "2024_03_01@14_05_09.kpox"), when);

  // A folder holding something that cannot be copied (a pipe) stays where it was, whole,
  // and leaves no half copy in the archive; the shutdown says so.
  test::WriteFile(BackupsFolder() / "odd" / "kept.kpox", "c");
  ASSERT_EQ(mkfifo((BackupsFolder() / "odd" / "pipe").c_str(), 0600), 0);
  auto failures = CleanBackups(1, BackupsFolder(), archive);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find("odd"), std::string::npos) << failures[0];
  EXPECT_EQ(test::ReadFile(BackupsFolder() / "odd" / "kept.kpox"), "c");
  EXPECT_FALSE(fs::exists(archive / "odd"));
  settings.SetBool("Options", "Enable backups", true);
  HouseOptions h;
  h.cleanBackupsOnExit = true;
  h.backupCleanMode = 1;
  h.backupArchiveFolder = archive.string();
  h.Save(settings);
  EXPECT_TRUE(QueryShutdown(ws, {}));
  EXPECT_NE(prompter.Last().text.find("Some backups could not be moved to " + archive.string()), std::string::npos)
      << prompter.Last().text;
  EXPECT_TRUE(fs::exists(BackupsFolder() / "odd" / "kept.kpox"));
}

// A save killed at any moment leaves the old or the new file, never a mixture.
TEST_F(Shell, KilledSaveLeavesTheOldOrTheNewDocument) {
  auto target = home / "big.kpox";
  SaveDoc(target, 5);
  const std::string old = test::ReadFile(target);
  SubtitleDocument big;
  for (int i = 0; i < 20000; ++i) {
    Subtitle s;
    s.text = "a fairly long subtitle text, number " + std::to_string(i);
    big.Append(s);
  }
  const Bytes bigBytes = WriteNative(big, NativeVariant::Kpox).bytes;
  const std::string fresh(bigBytes.begin(), bigBytes.end());
  for (int round = 0; round < 4; ++round) {
    SCOPED_TRACE(round);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      for (;;) WriteFileAtomic(target, bigBytes);
    }
    usleep(20000 + round * 15000);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    std::string now = test::ReadFile(target);
    EXPECT_TRUE(now == old || now == fresh) << "size " << now.size();
    EXPECT_NO_THROW(ReadNative(ReadFileBytes(target), NativeVariant::Kpox));
  }
}

}  // namespace
}  // namespace kipo
