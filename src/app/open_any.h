#pragma once
// Opening a subtitle file of any type the program reads, from the command line, the Open
// dialog or a file dropped on the window: Kipo's own types (those the Open dialog lists)
// open as the document's file; any other type the registry can read is imported, so the
// document keeps no foreign file to save over (a later Save asks for a name).
#include <filesystem>
#include <string>

#include "app/workstation.h"

namespace kipo {

enum class OpenKind { Native, Import, Unreadable };

// How a file would be opened: by its extension, and for a shared extension (.xml) or a
// type without a row of its own, by its first bytes.
OpenKind OpenKindOf(const std::filesystem::path& path);
// Opens or imports the file after the save question. False when cancelled or refused (a
// refused file gets its message and leaves the open document as it was).
bool OpenAnyFile(Workstation& ws, const std::filesystem::path& path);
// The Open dialog, then OpenAnyFile.
bool OpenAnyFileDialog(Workstation& ws);

}  // namespace kipo
