#include "core/autosave.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/files.h"
#include "platform/log.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

std::string Format(const std::tm& tm, const char* pattern) {
  char buf[64];
  std::size_t n = std::strftime(buf, sizeof buf, pattern, &tm);
  return std::string(buf, n);
}

// Holds an exclusive advisory lock on kipo.sav for the length of one autosave, so that two
// running copies of the program never write it at the same time.
class AutoSaveLock {
 public:
  explicit AutoSaveLock(const std::filesystem::path& file) {
    fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) {
      error_ = std::strerror(errno);
      return;
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      held_ = errno == EWOULDBLOCK;
      error_ = held_ ? "kipo.sav is locked by another process" : std::strerror(errno);
    }
  }
  ~AutoSaveLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool ok() const { return error_.empty(); }
  bool heldByOther() const { return held_; }
  const std::string& error() const { return error_; }

 private:
  int fd_ = -1;
  bool held_ = false;
  std::string error_;
};

}  // namespace

std::tm AutoSaver::LocalNow() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return tm;
}

std::filesystem::path AutoSaveFile() { return DataFolder() / "kipo.sav"; }

std::filesystem::path BackupSubFolder(const std::string& filePath, const std::tm& now) {
  if (filePath.empty()) return BackupsFolder() / ("Untitled_" + Format(now, "%d_%m_%Y"));
  return BackupsFolder() / std::filesystem::path(filePath).stem();
}

std::string BackupFileName(const std::tm& now) { return Format(now, "%Y_%m_%d@%H_%M_%S") + ".kpox"; }

AutoSaveOutcome AutoSaver::Tick(const SubtitleDocument& doc, const AutoSaveOptions& options, Prompter& prompter,
                                const std::function<void()>& commit) {
  if (options.interval < 1) return AutoSaveOutcome::Off;
  if (suppressed) return AutoSaveOutcome::Suppressed;
  if (++counter_ < options.interval) return AutoSaveOutcome::Counting;
  return SaveNow(doc, options, prompter, commit);
}

AutoSaveOutcome AutoSaver::SaveNow(const SubtitleDocument& doc, const AutoSaveOptions& options, Prompter& prompter,
                                   const std::function<void()>& commit) {
  if (commit) commit();
  lastBackup_.clear();
  if (!EnsureFolder(DataFolder())) return AutoSaveOutcome::Failed;
  const std::filesystem::path file = AutoSaveFile();
  AutoSaveLock lock(file);
  if (lock.heldByOther()) {
    // Tried again at the next tick: the counter stays where it is.
    prompter.Inform(kAppTitle, kAutoSavePostponed, Icon::Warning);
    prompter.Status("AutoSave postponed: " + lock.error());
    return AutoSaveOutcome::Postponed;
  }
  if (!lock.ok()) {
    LogError("AutoSave failed: " + lock.error());
    return AutoSaveOutcome::Failed;
  }
  try {
    WriteFileAtomic(file, WriteNative(doc, NativeVariant::Kpox, options.write).bytes);
  } catch (const UserError& e) {
    LogError("AutoSave failed: " + e.text());
    return AutoSaveOutcome::Failed;
  }
  counter_ = 0;
  if (!options.backups || (options.skipUntitled && doc.filePath.empty())) return AutoSaveOutcome::Saved;
  std::tm tm = now();
  std::filesystem::path folder = BackupSubFolder(doc.filePath, tm);
  std::error_code ec;
  if (!EnsureFolder(folder)) return AutoSaveOutcome::Failed;
  std::filesystem::path target = folder / BackupFileName(tm);
  std::filesystem::copy_file(file, target, std::filesystem::copy_options::overwrite_existing, ec);
  if (ec) {
    LogError("Backup failed: " + ec.message());
    return AutoSaveOutcome::Failed;
  }
  lastBackup_ = target;
  return AutoSaveOutcome::Saved;
}

std::string RecoverQuestion(const std::string& dateTime) {
  return "An AutoSave file (" + dateTime +
         "), probably containing unsaved data, has been detected on your hard disk.\n"
         "Would you like to recover this file?";
}

std::optional<SubtitleDocument> RecoverAutoSave(Prompter& prompter, const NativeReadOptions& options,
                                                const std::function<void(const std::string&)>& status) {
  const std::filesystem::path file = AutoSaveFile();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return std::nullopt;
  std::string when;
  if (struct stat st {}; ::stat(file.c_str(), &st) == 0) {
    std::tm tm{};
    localtime_r(&st.st_mtime, &tm);
    when = Format(tm, "%Y-%m-%d %H:%M:%S");
  }
  if (prompter.Ask({kRecoverTitle, RecoverQuestion(when), Buttons::YesNo, Icon::Question}) != Answer::Yes)
    return std::nullopt;
  if (status) status("Reading AutoSave file...");
  else prompter.Status("Reading AutoSave file...");
  try {
    SubtitleDocument doc = ReadNative(ReadFileBytes(file, std::uintmax_t(256) << 20), NativeVariant::Kpox, options);
    doc.filePath.clear();
    doc.fileType.clear();
    doc.saved = false;
    doc.modified = true;
    return doc;
  } catch (const UserError& e) {
    prompter.Inform(e.title(), e.text(), Icon::Critical);
    return std::nullopt;
  }
}

}  // namespace kipo
