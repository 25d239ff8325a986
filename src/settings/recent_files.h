#pragma once
// The most-recently-used file lists of the File menu: up to nine paths under keys "1"
// (most recent) to "9" of sections "MRUSubtitleFiles" and "MRUVideoFiles".
#include <string>
#include <vector>

namespace kipo {

class SettingsStore;

class RecentFiles {
 public:
  static constexpr std::size_t kMax = 9;
  explicit RecentFiles(std::string section = "MRUSubtitleFiles") : section_(std::move(section)) {}

  void Load(const SettingsStore& store);
  void Save(SettingsStore& store) const;
  // Puts the path first, removing an older entry of the same path; keeps nine at most.
  void Add(const std::string& path);
  void Remove(const std::string& path);
  const std::vector<std::string>& paths() const { return paths_; }

 private:
  std::string section_;
  std::vector<std::string> paths_;
};

}  // namespace kipo
