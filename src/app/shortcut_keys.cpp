#include "app/shortcut_keys.h"

#include "app/commands.h"

namespace kipo {
namespace {

// A stored value is told from a missing one by this default.
constexpr std::string_view kNotStored = "\x01";

}  // namespace

std::string ShortcutFor(const SettingsStore& settings, std::string_view id) {
  const CommandInfo* c = FindCommand(id);
  const std::string table = c ? std::string(c->keys) : std::string();
  std::string stored = settings.Get(kShortcutsSection, id, kNotStored);
  return stored == kNotStored ? table : stored;
}

void SetShortcut(SettingsStore& settings, std::string_view id, std::string_view keys) {
  const CommandInfo* c = FindCommand(id);
  if (!c) return;
  if (NormalizeKeys(keys) == NormalizeKeys(c->keys)) settings.Remove(kShortcutsSection, id);
  else settings.Set(kShortcutsSection, id, keys);
}

void ResetShortcuts(SettingsStore& settings) { settings.RemoveSection(kShortcutsSection); }

std::optional<std::string> ShortcutConflict(const SettingsStore& settings, std::string_view id, std::string_view keys) {
  const std::string want = NormalizeKeys(keys);
  if (want.empty()) return std::nullopt;
  for (const CommandInfo& c : Commands()) {
    if (c.id == id) continue;
    if (NormalizeKeys(ShortcutFor(settings, c.id)) == want) return std::string(c.id);
  }
  return std::nullopt;
}

std::vector<std::string> UnknownShortcutIds(const SettingsStore& settings) {
  std::vector<std::string> out;
  for (const std::string& k : settings.Keys(kShortcutsSection))
    if (!FindCommand(k)) out.push_back(k);
  return out;
}

}  // namespace kipo
