#pragma once
// The defaults in force for declared keys, in the form they would be stored, so that a
// listing of the settings can show what applies to keys nobody has stored yet.
//
// Declarations are collected by writing each key's default into a store kept in memory:
// a key added through its declaration, an option struct through its own Save of a
// default-built value. The settings module adds what it declares itself (keys.h and the
// house options); modules above add their own option structs where the listing is made.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/setting_key.h"
#include "settings/settings_store.h"

namespace kipo {

class DeclaredDefaults {
 public:
  void Add(const TextSetting& key) { store_.Set(key, key.def); }
  void Add(const FlagSetting& key) { store_.Set(key, key.def); }
  void Add(const IntSetting& key) { store_.Set(key, key.def); }
  // Everything `save` writes into an empty store counts as declared with that value.
  void AddWrittenBy(const std::function<void(SettingsStore&)>& save) { save(store_); }

  std::vector<std::string> Sections() const { return store_.Sections(); }
  std::vector<std::string> Keys(std::string_view section) const { return store_.Keys(section); }
  std::optional<std::string> Find(std::string_view section, std::string_view name) const;

 private:
  SettingsStore store_;
};

// The keys the settings module declares: the shared keys and the house options.
DeclaredDefaults SettingsModuleDefaults();

}  // namespace kipo
