#pragma once
// The main window's file dialogs as data: titles, filter strings and default extensions,
// for the desktop app to show and for the Workstation commands to ask the Prompter with.
// The filters list the file types of the format registry.
#include <string>
#include <string_view>

#include "platform/prompter.h"

namespace kipo {

struct FileDialogSetup {
  const char* title;
  std::string filter;  // "Description|*.ext|..." pairs
  const char* defaultExt;
  bool overwritePrompt;
};

extern const FileDialogSetup kOpenSubtitleDialog;  // "Open subtitle file"
extern const FileDialogSetup kAppendFileDialog;    // "Append File"
extern const FileDialogSetup kSaveFileAsDialog;    // "Save File As"

// The 1-based filter index whose first pattern is "*.<ext>" (any case); 1 when none is.
int FilterIndexForExtension(std::string_view filter, std::string_view extension);
// The extension (upper case, no dot) of a filter entry's first pattern; "" for "*.*".
std::string ExtensionForFilterIndex(std::string_view filter, int index);
// The dialog with the initial filter following the current document's extension.
FileDialog MakeFileDialog(const FileDialogSetup& setup, std::string_view currentExtension);

}  // namespace kipo
