#pragma once
// Files and user folders. Every file is read or written whole within one call; saves go
// to a temporary file in the target's folder and are renamed over the target, so a crash
// in the middle never leaves a half-written file.
#include <cstdint>
#include <filesystem>
#include <span>
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
