#pragma once
// The main window's file dialogs as data: titles, filter strings and default extensions,
// for the desktop app to show and for the Workstation commands to ask the Prompter with.
#include <string>
#include <string_view>

#include "platform/prompter.h"

namespace kipo {

struct FileDialogSpec {
  const char* title;
  const char* filter;  // "Description|*.ext|..." pairs
  const char* defaultExt;
  bool overwritePrompt;
};

extern const FileDialogSpec kOpenSubtitleDialog;  // "Open subtitle file"
extern const FileDialogSpec kAppendFileDialog;    // "Append File"
extern const FileDialogSpec kSaveFileAsDialog;    // "Save File As"

// The 1-based filter index whose first pattern is "*.<ext>" (any case); 1 when none is.
int FilterIndexForExtension(std::string_view filter, std::string_view extension);
// The extension (upper case, no dot) of a filter entry's first pattern; "" for "*.*".
std::string ExtensionForFilterIndex(std::string_view filter, int index);
// The dialog with the initial filter following the current document's extension.
FileDialog MakeFileDialog(const FileDialogSpec& spec, std::string_view currentExtension);

}  // namespace kipo
