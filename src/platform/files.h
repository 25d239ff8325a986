#pragma once
// Files and user folders. Saves go to a temporary file in the target's folder and are
// renamed over the target once complete, so a crash or an error in the middle never
// leaves a half-written file; a file may be written whole in one call or in pieces.
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kipo {

namespace fs = std::filesystem;

// Reads a whole file. Throws UserError ("Cannot open file", reason) when it cannot.
std::vector<std::uint8_t> ReadFileBytes(const fs::path& path);
// Refuses files larger than maxBytes with a clear message instead of allocating them.
std::vector<std::uint8_t> ReadFileBytes(const fs::path& path, std::uintmax_t maxBytes);

// Writes bytes atomically: temporary file in the same folder, flushed to disk, then
// renamed over the target. Throws UserError ("Cannot save file", reason) on failure and
// leaves any existing target untouched.
void WriteFileAtomic(const fs::path& path, std::span<const std::uint8_t> bytes);
void WriteFileAtomic(const fs::path& path, std::string_view text);

// The same in pieces, for files written while they are made: each Write goes to the
// temporary file at once (callers hand over pieces of some hundred kilobytes), and Commit
// flushes it to disk and renames it over the target. Destroyed without Commit (an error on
// the way), the temporary file is removed and any existing target stays as it was. Every
// failure is a UserError ("Cannot save file", reason), as WriteFileAtomic's.
class AtomicFileWriter {
 public:
  // Creates the temporary file beside the target.
  explicit AtomicFileWriter(const fs::path& path);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  void Write(std::span<const std::uint8_t> bytes);
  void Write(std::string_view text);
  // Overwrites bytes already written at `offset` (a header whose totals come last).
  void WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes);
  std::uint64_t size() const { return size_; }
  // The temporary file's path (empty once committed or removed).
  const std::string& temporaryPath() const { return tmp_; }
  void Commit();

 private:
  [[noreturn]] void Fail(const char* what);
  fs::path path_;
  std::string tmp_;
  int fd_ = -1;
  std::uint64_t size_ = 0;
};

// $XDG_DATA_HOME/Kipo Software/Kipo (default ~/.local/share/...).
fs::path DataFolder();
// The XDG documents folder + "/Kipo Software/Backups".
fs::path BackupsFolder();
// $XDG_CONFIG_HOME/Kipo (default ~/.config/Kipo): the settings file lives here.
fs::path ConfigFolder();
// The XDG documents folder ($XDG_DOCUMENTS_DIR, user-dirs.dirs, or ~/Documents).
fs::path DocumentsFolder();
// Creates the folder and its parents when missing; false when it cannot.
bool EnsureFolder(const fs::path& folder);

// Opens a file with the desktop's text editor ($VISUAL, $EDITOR, else xdg-open), without
// a shell. Returns false when no program could be started. Does not wait.
bool OpenInTextEditor(const fs::path& file);

}  // namespace kipo
