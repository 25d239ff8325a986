#pragma once
// Autosave: every `interval` timer ticks the whole open document is written to
// DataFolder()/"kipo.sav" in the .kpox layout, and, with backups on, copied into a dated
// file of the document's backup sub-folder below BackupsFolder():
//   <BackupsFolder>/<file name without extension>/yyyy_mm_dd@hh_mm_ss.kpox
//   <BackupsFolder>/Untitled_dd_mm_yyyy/...            (a document without a file yet)
// The file left behind by a run that did not end normally is offered for recovery at the
// next start. The timer itself belongs to the desktop app, which calls Tick.
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "core/document.h"
#include "core/native_file.h"
#include "platform/prompter.h"

namespace kipo {

struct AutoSaveOptions {
  int interval = 0;           // timer ticks between autosaves; below 1 switches autosave off
  bool backups = false;       // "Options" / "Enable backups"
  bool skipUntitled = false;  // "Options" / "Do not backup untitled files"
  NativeWriteOptions write;   // the trimming of "Delete spaces" applies here too
};

enum class AutoSaveOutcome { Off, Suppressed, Counting, Saved, Postponed, Failed };

inline constexpr const char* kAutoSavePostponed = "AutoSave postponed - file kipo.sav is already open.";

class AutoSaver {
 public:
  // One tick of the main window's timer. `commit` runs just before the document is
  // written (the window commits its edit area there).
  AutoSaveOutcome Tick(const SubtitleDocument& doc, const AutoSaveOptions& options, Prompter& prompter,
                       const std::function<void()>& commit = {});
  // Autosaves at once whatever the counter says (Save runs this before writing).
  AutoSaveOutcome SaveNow(const SubtitleDocument& doc, const AutoSaveOptions& options, Prompter& prompter,
                          const std::function<void()>& commit = {});

  // While set (a file is being read), ticks do nothing.
  bool suppressed = false;
  int counter() const { return counter_; }
  // The backup file written by the last autosave; empty when none was.
  const std::filesystem::path& lastBackup() const { return lastBackup_; }
  // The clock; tests replace it.
  std::function<std::tm()> now = LocalNow;
  static std::tm LocalNow();

 private:
  int counter_ = 0;
  std::filesystem::path lastBackup_;
};

std::filesystem::path AutoSaveFile();
// The backup sub-folder of a document (`filePath` empty for an untitled one).
std::filesystem::path BackupSubFolder(const std::string& filePath, const std::tm& now);
// "2024_03_01@14_05_09.kpox".
std::string BackupFileName(const std::tm& now);

// "An AutoSave file (<date time>), probably containing unsaved data, has been detected on
// your hard disk." + line break + "Would you like to recover this file?"
std::string RecoverQuestion(const std::string& dateTime);
inline constexpr const char* kRecoverTitle = "AutoSave File Detected";

// When kipo.sav exists, asks whether to recover it; on Yes reads it as a .kpox file and
// returns it as an untitled, modified document. A file that cannot be read is reported
// in the reader's words and nothing is returned. `status` receives "Reading AutoSave
// file..." (the prompter's status panel when not given).
std::optional<SubtitleDocument> RecoverAutoSave(Prompter& prompter, const NativeReadOptions& options = {},
                                                const std::function<void(const std::string&)>& status = {});

}  // namespace kipo
