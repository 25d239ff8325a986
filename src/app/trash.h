#pragma once
// Moving files and folders to the desktop's trash (the freedesktop.org layout under
// $XDG_DATA_HOME/Trash: the item in files/, a .trashinfo record in info/), so that
// the user can still restore them.
#include <filesystem>

namespace kipo {

// $XDG_DATA_HOME/Trash.
std::filesystem::path TrashFolder();
// Moves one file or folder to the trash; false when it could not (the item stays).
bool MoveToTrash(const std::filesystem::path& item);

}  // namespace kipo
