#pragma once
// Keyboard shortcuts the user has changed: stored in the settings, section "Shortcuts",
// one key per command id ("edit.find=Ctrl+F"; an empty value removes the command's
// keys), applied to the menus at start. A command without a stored value keeps the keys
// of the command table.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings_store.h"

namespace kipo {

inline constexpr std::string_view kShortcutsSection = "Shortcuts";

// The keys a command has now: stored, or the table's ("" for none).
std::string ShortcutFor(const SettingsStore& settings, std::string_view commandId);
// Stores keys for a command; keys equal to the table's remove the stored value.
void SetShortcut(SettingsStore& settings, std::string_view commandId, std::string_view keys);
// Forgets every changed shortcut.
void ResetShortcuts(SettingsStore& settings);
// The other command that already has these keys (compared in one spelling), or nullopt.
std::optional<std::string> ShortcutConflict(const SettingsStore& settings, std::string_view commandId,
                                            std::string_view keys);
// Stored ids that name no command (a settings file from another version): left alone by
// the window, listed for the tests.
std::vector<std::string> UnknownShortcutIds(const SettingsStore& settings);

}  // namespace kipo
