#pragma once
// The plain option structs of the program's own files and of autosave, filled from the
// settings store where the core's readers and writers never look.
#include "core/autosave.h"
#include "core/native_file.h"
#include "core/text_file.h"
#include "settings/settings_store.h"

namespace kipo {

// The system's ANSI code page: the code page of character set 0.
inline constexpr const char* kAnsiCodePage = "windows-1252";

// "Punctuation" / "Delete spaces", the maximum-rows house setting; trace to the error log.
NativeWriteOptions NativeWriteOptionsFrom(const SettingsStore& settings);
// "Options" / "Text file encoding" (default "Unicode (UTF-8)") and "Unstructured".
TextFileWriteOptions TextFileWriteOptionsFrom(const SettingsStore& settings);
// The autosave interval (house options), "Options" / "Enable backups" and
// "Do not backup untitled files".
AutoSaveOptions AutoSaveOptionsFrom(const SettingsStore& settings);
// "Options" / "Enable backups" (default off).
bool BackupsEnabled(const SettingsStore& settings);

}  // namespace kipo
