#pragma once
// Settings keys that only the workstation's controllers read and write. Keys shared with
// other modules live in settings/keys.h.
#include "settings/setting_key.h"

namespace kipo::app_keys {

// The import window's last choices: the list row and the text encoding (0 system default,
// 1 UTF-16, 2 UTF-8).
inline constexpr IntSetting kImportFileType{"Import", "Import file type", 0, 0, 1000};
inline constexpr IntSetting kImportTextEncoding{"Import", "Text encoding", 0, 0, 2};

// Batch export: the encoding, and one tick per target ("Batch export 0", "Batch export 1", ...).
inline constexpr TextSetting kBatchExportEncoding{"Export", "Batch export encoding", "ANSI"};
inline constexpr std::string_view kBatchExportTickPrefix = "Batch export ";

// Moves to another subtitle keep the undo history (the history otherwise lasts one visit,
// or with "Full undo" the page keys' moves).
inline constexpr FlagSetting kKeepUndoHistory{"Options", "Keep undo history on every move", false, FlagForm::OneZero};

}  // namespace kipo::app_keys
