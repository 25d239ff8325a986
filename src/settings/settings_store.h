#pragma once
// The per-user settings store: section -> key -> string value, kept as an INI file
// ($XDG_CONFIG_HOME/Kipo/settings.ini). Every read passes the caller's default. Every write
// goes to disk at once (atomically), as the registry it stands in for would. Sections and
// keys are the system's own English phrases, exactly as written.
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/setting_key.h"

namespace kipo {

class SettingsStore {
 public:
  // A store kept in memory only (tests, tools that must not touch the user's settings).
  SettingsStore() = default;
  // A store backed by an INI file; a missing file is an empty store. Lines that cannot be
  // read are skipped and the file is not rewritten until something is set.
  explicit SettingsStore(std::filesystem::path file);
  // The store of the current user.
  static std::filesystem::path DefaultPath();

  std::string Get(std::string_view section, std::string_view key, std::string_view def) const;
  void Set(std::string_view section, std::string_view key, std::string_view value);
  bool Has(std::string_view section, std::string_view key) const;
  void Remove(std::string_view section, std::string_view key);
  void RemoveSection(std::string_view section);
  std::vector<std::string> Sections() const;
  std::vector<std::string> Keys(std::string_view section) const;

  // Boolean options: "True"/"False" (reads also accept "1"/"0", "-1" and any case).
  bool GetBool(std::string_view section, std::string_view key, bool def) const;
  void SetBool(std::string_view section, std::string_view key, bool value);
  // Check-box states: "1"/"0" (reads accept "True"/"False" too).
  bool GetCheck(std::string_view section, std::string_view key, bool def) const;
  void SetCheck(std::string_view section, std::string_view key, bool value);
  // Numbers as decimal text; a value that is not a whole number reads as the default.
  long GetInt(std::string_view section, std::string_view key, long def) const;
  void SetInt(std::string_view section, std::string_view key, long value);

  // Through a key's declaration (setting_key.h): its default, its stored form.
  std::string Get(const TextSetting& key) const { return Get(key.section, key.name, key.def); }
  void Set(const TextSetting& key, std::string_view value) { Set(key.section, key.name, value); }
  bool Get(const FlagSetting& key) const;
  void Set(const FlagSetting& key, bool value);
  long Get(const IntSetting& key) const;
  void Set(const IntSetting& key, long value) { SetInt(key.section, key.name, value); }
  bool Has(const auto& key) const { return Has(key.section, key.name); }
  void Remove(const auto& key) { Remove(key.section, key.name); }

  // Groups several writes into one file write (restores the write-through on scope exit).
  class Batch {
   public:
    explicit Batch(SettingsStore& s) : s_(s) { ++s_.batchDepth_; }
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

   private:
    SettingsStore& s_;
  };

  const std::filesystem::path& path() const { return path_; }
  // The file as it would be written.
  std::string Serialise() const;
  // Replaces the contents with what the INI text holds (unreadable lines skipped).
  void Parse(std::string_view text);

 private:
  void Reload() const;
  void Flush();
  using Section = std::map<std::string, std::string, std::less<>>;
  std::filesystem::path path_;
  mutable std::map<std::string, Section, std::less<>> data_;
  // What the file was when last read or written: its time, size and file number. The time
  // alone misses a write by another process within the file system's clock tick; every
  // write replaces the file, so its number changes.
  struct FileStamp {
    std::int64_t seconds = 0, nanoseconds = 0, size = 0;
    std::uint64_t inode = 0;
    bool operator==(const FileStamp&) const = default;
  };
  static std::optional<FileStamp> StampOf(const std::filesystem::path& file);
  mutable std::optional<FileStamp> loadedTime_;
  int batchDepth_ = 0;
  bool dirty_ = false;
};

// Parses a stored Boolean: "True"/"False" in any case, or a number (nonzero is true).
std::optional<bool> ParseBool(std::string_view s);

}  // namespace kipo
