#include "core/backups.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "core/native_file.h"
#include "platform/files.h"
#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

std::vector<std::string> Entries(const std::filesystem::path& folder, bool folders) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec)) {
    std::error_code ec2;
    if (folders ? e.is_directory(ec2) : (e.is_regular_file(ec2) && UpperExtension(e.path().string()) == "KPOX"))
      names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

std::vector<std::string> ListBackupFolders(const std::filesystem::path& root) { return Entries(root, true); }
std::vector<std::string> ListBackupFiles(const std::filesystem::path& folder) { return Entries(folder, false); }

BackupListing DescribeBackup(const std::filesystem::path& file) {
  SubtitleDocument doc;
  try {
    doc = ReadNative(ReadFileBytes(file, std::uintmax_t(256) << 20), NativeVariant::Kpox);
  } catch (const UserError& e) {
    if (e.title() != "Invalid file format") throw;
    throw InvalidFileFormat(kNotValidKipo);
  }
  BackupListing l;
  l.subtitles = doc.Count();
  auto cue = [](const std::string& c) { return c.empty() ? std::string("00:00:00:00") : DigitsToLabel(c); };
  for (std::size_t i = 0; i < doc.Count(); ++i) {
    const Subtitle& s = doc.At(i);
    std::string text;
    for (const std::string& row : SplitRows(s.text)) text += (text.empty() ? "" : " ") + row;
    if (Trim(text).empty()) ++l.empty;
    l.lines.push_back(std::to_string(i + 1) + "\t" + cue(s.inCue) + "\t" + cue(s.outCue) + "\t" + text);
  }
  l.summary = "The selected file contains " + std::to_string(l.subtitles) + " subtitles, " + std::to_string(l.empty) +
              " of which are empty";
  return l;
}

bool DeleteBackupFolder(const std::filesystem::path& folder, Prompter& prompter) {
  if (!prompter.AskYesNo(kAppTitle, kDeleteBackupQuestion)) return false;
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  if (ec || std::filesystem::exists(folder)) {
    prompter.Inform(kAppTitle, kDeleteBackupFailed, Icon::Critical);
    return false;
  }
  return true;
}

std::optional<std::string> MoveBackup(const std::filesystem::path& from, const std::filesystem::path& to) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::exists(fs::symlink_status(to, ec))) return to.string() + " already exists";
  fs::rename(from, to, ec);
  if (!ec) return std::nullopt;
  // Only a move to another file system is done by copying; any other refusal (no such
  // file, no permission) is the answer.
  if (ec != std::errc::cross_device_link) return from.string() + ": " + ec.message();
  const auto options = fs::copy_options::recursive | fs::copy_options::copy_symlinks;
  fs::copy(from, to, options, ec);
  if (ec) {
    std::string why = "copying " + from.string() + " to " + to.string() + ": " + ec.message();
    std::error_code ignored;
    fs::remove_all(to, ignored);
    return why;
  }
  // The copy keeps each file's time, so that the archive still sorts by when backups were made.
  if (fs::is_directory(to, ec)) {
    for (auto it = fs::recursive_directory_iterator(from, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
      std::error_code t;
      if (it->is_regular_file(t)) fs::last_write_time(to / fs::relative(it->path(), from, t), it->last_write_time(t), t);
    }
  } else {
    std::error_code t;
    fs::last_write_time(to, fs::last_write_time(from, t), t);
  }
  ec.clear();
  fs::remove_all(from, ec);
  if (ec) return "copied to " + to.string() + " but could not remove " + from.string() + ": " + ec.message();
  return std::nullopt;
}

}  // namespace kipo
