#pragma once
// Named sets of a client's house rules, kept as 512-byte records in "profiles.dat" in the
// data folder. The profile named "Default" always exists. Choosing a profile copies its
// timing rules and check switches into the working house rules, its punctuation rules into
// section "Punctuation" and its display standard into "Options"/"EBU Display Standard".
//
// Record layout (little-endian, no padding): a 32-bit marker (500), the name (40
// characters), the display-settings file name (30), 34 16-bit values (timing rules, limits,
// cue policies, switches, display standard, check switches), the punctuation rules as a
// 118-character field of "1"/"0", a 28-byte array of force/ignore flags and a
// 224-character field holding the font name.
#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/binary_io.h"
#include "platform/prompter.h"
#include "settings/house_options.h"

namespace kipo {

class SettingsStore;

inline constexpr std::size_t kProfileRecordSize = 512;
inline constexpr std::int32_t kProfileMarker = 500;
inline constexpr const char* kDefaultProfileName = "Default";

// The five checks a profile can force on or ignore, by their profile names.
enum class ProfileCheck { TooManyRows, DefaultInterval, Duration, EmptySubtitles, RaisedSubtitles };
const std::array<const char*, 5>& ProfileCheckNames();  // "Too many rows", "Default interval", ...

struct Profile {
  std::string name;
  std::string displayFile;
  HouseOptions rules;  // timing rules, limits, policies and check switches
  short displayStandard = 0;  // "0" open, "1" level-1 teletext, "2" level-2 teletext
  std::array<bool, 14> punctuation{};  // in the order of keys::kPunctuationRules
  std::array<bool, 5> forced{};
  std::array<bool, 5> ignored{};
  std::string font = "Arial";

  bool operator==(const Profile&) const = default;
};

// One record of profiles.dat and back.
Bytes EncodeProfile(const Profile& p);
// Throws ReadError when the record is short.
Profile DecodeProfile(std::span<const std::uint8_t> record);

// Why the profile cannot be stored, or nothing: "The same check cannot be selected as forced
// and ignored." when a check is both; a name, display file or font longer than its field
// in the record, or a name with control characters or surrounding spaces.
std::optional<std::string> ValidateProfile(const Profile& p);

// The profiles file of a data folder.
class ProfileStore {
 public:
  explicit ProfileStore(std::filesystem::path dataFolder);

  const std::filesystem::path& path() const { return path_; }
  // Start-up: converts "datafont.dat" when present, reads every record (logging each step)
  // and creates "Default" when it is missing. A damaged file keeps the records that can be
  // read; the file itself is rewritten only when "Default" had to be added.
  std::vector<Profile> ReadProfileData();
  std::vector<Profile> Load() const;
  std::optional<Profile> Find(const std::string& name) const;
  // Adds or replaces (by name) one profile; refuses a profile with a check both forced
  // and ignored.
  void Save(const Profile& p);

  // Copies the profile into the working rules and the settings. False when not found.
  bool ApplyProfile(const std::string& name, HouseOptions& house, SettingsStore& settings) const;

  // "No profile selected!" for an empty name, "The default profile cannot be deleted" for
  // "Default", else asks "Delete profile <name>?" (title "Delete Profile"). True when deleted.
  bool DeleteProfile(const std::string& name, Prompter& prompter);
  // Asks for a folder (unless one is given) and copies profiles.dat there.
  bool ExportProfiles(Prompter& prompter, std::optional<std::filesystem::path> folder = std::nullopt);
  // Asks for a file (unless one is given); only a file named "profiles.dat" is accepted, and
  // only when it holds profile records: an empty or foreign file is refused with a message
  // and the user's profiles stay as they were.
  bool ImportProfiles(Prompter& prompter, std::optional<std::filesystem::path> file = std::nullopt);

 private:
  void WriteAll(const std::vector<Profile>& profiles);
  std::filesystem::path folder_;
  std::filesystem::path path_;
};

// Profile values taken from the working rules and settings (for "save as profile").
Profile ProfileFromSettings(const std::string& name, const HouseOptions& house, const SettingsStore& settings);

}  // namespace kipo
