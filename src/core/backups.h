#pragma once
// The backups viewer's operations: the sub-folders of the backups folder, the .kpox files
// of one, a listing of one backup, and deleting a whole sub-folder.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/prompter.h"

namespace kipo {

inline constexpr const char* kViewBackupsPrompt =
    "Select a sub-folder in your Backups folder, then click OK to view the sub-folder's contents.";
inline constexpr const char* kOtherFolderPrompt = "Select a folder and click OK to view its contents";
inline constexpr const char* kDeleteBackupQuestion = "Are you sure you want to delete this backup folder?";
inline constexpr const char* kDeleteBackupFailed = "Failed to delete folder";

// Names of the sub-folders, sorted.
std::vector<std::string> ListBackupFolders(const std::filesystem::path& root);
// Names of the "*.kpox" files of a folder, sorted (the names sort by date and time).
std::vector<std::string> ListBackupFiles(const std::filesystem::path& folder);

struct BackupListing {
  // "number<TAB>in<TAB>out<TAB>text" per subtitle; a missing cue shows "00:00:00:00" and
  // the rows of the text are joined by a space.
  std::vector<std::string> lines;
  std::size_t subtitles = 0;
  std::size_t empty = 0;
  // "The selected file contains N subtitles, M of which are empty"
  std::string summary;
};
// Reads a backup file. Throws UserError "Invalid file format" / "This is not a valid
// Kipo file" when it is not one.
BackupListing DescribeBackup(const std::filesystem::path& file);

// Asks "Are you sure you want to delete this backup folder?" and removes the folder with
// everything in it; "Failed to delete folder" when that fails. Returns true when deleted.
bool DeleteBackupFolder(const std::filesystem::path& folder, Prompter& prompter);

// Moves a backup file or folder to `to` (which must not exist yet): a rename on the same
// file system; across file systems a copy of everything followed by removing the source.
// When the copy fails part way the partial copy is removed and the source stays whole.
// Returns why it failed, or nothing on success.
std::optional<std::string> MoveBackup(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace kipo
