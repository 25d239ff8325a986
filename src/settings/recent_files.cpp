#include "settings/recent_files.h"

#include <algorithm>

#include "settings/settings_store.h"

namespace kipo {

void RecentFiles::Load(const SettingsStore& store) {
  paths_.clear();
  for (std::size_t i = 1; i <= kMax; ++i) {
    std::string p = store.Get(section_, std::to_string(i), "");
    if (!p.empty() && std::find(paths_.begin(), paths_.end(), p) == paths_.end()) paths_.push_back(p);
  }
}

void RecentFiles::Save(SettingsStore& store) const {
  SettingsStore::Batch batch(store);
  for (std::size_t i = 1; i <= kMax; ++i) {
    if (i <= paths_.size()) store.Set(section_, std::to_string(i), paths_[i - 1]);
    else store.Remove(section_, std::to_string(i));
  }
}

void RecentFiles::Add(const std::string& path) {
  Remove(path);
  paths_.insert(paths_.begin(), path);
  if (paths_.size() > kMax) paths_.resize(kMax);
}

void RecentFiles::Remove(const std::string& path) { std::erase(paths_, path); }

}  // namespace kipo
