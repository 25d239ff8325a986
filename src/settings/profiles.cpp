#include "settings/profiles.h"

#include <filesystem>

#include "platform/files.h"
#include "platform/log.h"
#include "platform/text_util.h"
#include "platform/user_error.h"
#include "settings/settings_store.h"

namespace kipo {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kOldRecordSize = 70;  // "datafont.dat": name (40) and display file (30)
constexpr std::size_t kNumericCount = 34;

// Where each check switch of the house rules sits among the forced/ignored flags.
CheckSwitch HouseOptions::*const kProfileChecks[5] = {&HouseOptions::tooManyRows, &HouseOptions::invalidInterval,
                                                      &HouseOptions::duration, &HouseOptions::emptySubtitles,
                                                      &HouseOptions::raisedSubtitles};

CheckSwitch HouseOptions::*const kAllChecks[10] = {
    &HouseOptions::tooManyRows,    &HouseOptions::tooManyChars,    &HouseOptions::safeAreaOverride,
    &HouseOptions::inconsistentCues, &HouseOptions::cuesNotSet,    &HouseOptions::readingSpeedCheck,
    &HouseOptions::invalidInterval, &HouseOptions::duration,       &HouseOptions::emptySubtitles,
    &HouseOptions::raisedSubtitles};

short B(bool b) { return b ? -1 : 0; }

std::array<short, kNumericCount> Numbers(const Profile& p) {
  const HouseOptions& r = p.rules;
  std::array<short, kNumericCount> n{};
  n[0] = r.readingSpeed;
  n[1] = r.minDuration;
  n[2] = r.maxDuration;
  n[3] = r.defaultInterval;
  n[4] = r.defaultDuration;
  n[5] = r.maxRows;
  n[6] = r.maxRowLength;
  n[7] = r.invalidIntervalThreshold;
  n[8] = r.ignoreReadingBelow;
  n[9] = r.readingTolerance;
  n[10] = static_cast<short>(r.durationTooShortPolicy);
  n[11] = static_cast<short>(r.durationTooLongPolicy);
  n[12] = static_cast<short>(r.lastIntervalPolicy);
  n[13] = static_cast<short>(r.nextIntervalPolicy);
  n[14] = B(r.calcInCue);
  n[15] = B(r.calcOutCue);
  n[16] = B(r.lockCues);
  n[17] = p.displayStandard;
  for (int i = 0; i < 10; ++i) n[18 + i] = B((r.*kAllChecks[i]).enabled);
  n[28] = B(r.allowBlankLines);
  n[29] = B(r.warnTooManyRows);
  n[30] = B(r.startChecksAtNextSubtitle);
  return n;
}

CueRulePolicy Policy(short v) { return v >= 1 && v <= 3 ? static_cast<CueRulePolicy>(v) : CueRulePolicy::Warn; }

}  // namespace

const std::array<const char*, 14>& PunctuationRuleKeys() {
  static const std::array<const char*, 14> k{
      "Delete space before",        "Insert space after",       "Insert space after dash",
      "Delete space after dash",    "Add full stops",           "Ellipses three dots",
      "Ellipses two dots at start", "Delete ellipses",          "Add Dutch ellipses at end",
      "Insert missing ellipses",    "Delete first hyphen",      "Delete spaces",
      "Replace commas with ellipses", "Correct two initial capitals"};
  return k;
}

const std::array<const char*, 5>& ProfileCheckNames() {
  static const std::array<const char*, 5> k{"Too many rows", "Default interval", "Duration too short/long",
                                            "Empty subtitles", "Raised subtitles"};
  return k;
}

Bytes EncodeProfile(const Profile& p) {
  ByteWriter w(kProfileRecordSize);
  w.i32le(kProfileMarker);
  w.field(p.name, 40);
  w.field(p.displayFile, 30);
  for (short v : Numbers(p)) w.i16le(v);
  std::string punct;
  for (bool b : p.punctuation) punct += b ? '1' : '0';
  w.field(punct, 118);
  for (int i = 0; i < 5; ++i) w.i16le(B(p.forced[i]));
  for (int i = 0; i < 5; ++i) w.i16le(B(p.ignored[i]));
  w.fill(8, 0);
  w.field(p.font, 224);
  return w.take();
}

Profile DecodeProfile(std::span<const std::uint8_t> record) {
  ByteReader r(record);
  Profile p;
  r.i32le();  // marker
  p.name = r.field(40);
  p.displayFile = r.field(30);
  std::array<short, kNumericCount> n{};
  for (short& v : n) v = r.i16le();
  HouseOptions& h = p.rules;
  h.readingSpeed = n[0];
  h.minDuration = n[1];
  h.maxDuration = n[2];
  h.defaultInterval = n[3];
  h.defaultDuration = n[4];
  h.maxRows = n[5];
  h.maxRowLength = n[6];
  h.invalidIntervalThreshold = n[7];
  h.ignoreReadingBelow = n[8];
  h.readingTolerance = n[9];
  h.durationTooShortPolicy = Policy(n[10]);
  h.durationTooLongPolicy = Policy(n[11]);
  h.lastIntervalPolicy = Policy(n[12]);
  h.nextIntervalPolicy = Policy(n[13]);
  h.calcInCue = n[14] != 0;
  h.calcOutCue = n[15] != 0;
  h.lockCues = n[16] != 0;
  p.displayStandard = n[17];
  for (int i = 0; i < 10; ++i) (h.*kAllChecks[i]).enabled = n[18 + i] != 0;
  h.allowBlankLines = n[28] != 0;
  h.warnTooManyRows = n[29] != 0;
  h.startChecksAtNextSubtitle = n[30] != 0;
  std::string punct = r.field(118);
  for (std::size_t i = 0; i < p.punctuation.size(); ++i) p.punctuation[i] = i < punct.size() && punct[i] == '1';
  for (int i = 0; i < 5; ++i) p.forced[i] = r.i16le() != 0;
  for (int i = 0; i < 5; ++i) p.ignored[i] = r.i16le() != 0;
  r.skip(8);
  p.font = r.field(224);
  for (int i = 0; i < 5; ++i) {
    (h.*kProfileChecks[i]).forced = p.forced[i];
    (h.*kProfileChecks[i]).ignored = p.ignored[i];
  }
  return p;
}

std::optional<std::string> ValidateProfile(const Profile& p) {
  for (int i = 0; i < 5; ++i)
    if (p.forced[i] && p.ignored[i]) return std::string("The same check cannot be selected as forced and ignored.");
  return std::nullopt;
}

Profile ProfileFromSettings(const std::string& name, const HouseOptions& house, const SettingsStore& settings) {
  Profile p;
  p.name = name;
  p.rules = house;
  for (int i = 0; i < 5; ++i) {
    p.forced[i] = (house.*kProfileChecks[i]).forced;
    p.ignored[i] = (house.*kProfileChecks[i]).ignored;
  }
  p.displayStandard = static_cast<short>(settings.GetInt("Options", "EBU Display Standard", 0));
  for (std::size_t i = 0; i < p.punctuation.size(); ++i)
    p.punctuation[i] = settings.GetBool("Punctuation", PunctuationRuleKeys()[i], false);
  return p;
}

ProfileStore::ProfileStore(fs::path dataFolder) : folder_(std::move(dataFolder)), path_(folder_ / "profiles.dat") {}

std::vector<Profile> ProfileStore::Load() const {
  std::vector<Profile> out;
  std::error_code ec;
  if (!fs::exists(path_, ec)) return out;
  Bytes data;
  try {
    data = ReadFileBytes(path_, 64u << 20);
  } catch (const UserError&) {
    return out;
  }
  // A trailing part record (a damaged file) is ignored.
  for (std::size_t off = 0; off + kProfileRecordSize <= data.size(); off += kProfileRecordSize) {
    Profile p = DecodeProfile(std::span<const std::uint8_t>(data).subspan(off, kProfileRecordSize));
    if (!p.name.empty()) out.push_back(std::move(p));
  }
  return out;
}

std::vector<Profile> ProfileStore::ReadProfileData() {
  EnsureFolder(folder_);
  fs::path old = folder_ / "datafont.dat";
  std::error_code ec;
  if (fs::exists(old, ec)) {
    LogActivity("Converting old profiles");
    std::vector<Profile> converted = Load();
    try {
      Bytes data = ReadFileBytes(old, 16u << 20);
      for (std::size_t off = 0; off + kOldRecordSize <= data.size(); off += kOldRecordSize) {
        ByteReader r(std::span<const std::uint8_t>(data).subspan(off, kOldRecordSize));
        Profile p;
        p.name = r.field(40);
        p.displayFile = r.field(30);
        if (p.name.empty()) continue;
        bool known = false;
        for (const Profile& c : converted) known |= c.name == p.name;
        if (!known) converted.push_back(std::move(p));
      }
      WriteAll(converted);
      fs::remove(old, ec);
    } catch (const UserError&) {
      // An unreadable old file stays where it is; the current profiles still load.
    }
  }
  LogActivity("Retrieving current profiles from " + path_.string());
  std::vector<Profile> all = Load();
  LogActivity(NumberText(static_cast<long>(all.size())) + " profiles found");
  bool hasDefault = false;
  for (const Profile& p : all) {
    LogActivity("Loading profile " + p.name);
    hasDefault |= p.name == kDefaultProfileName;
    LogActivity("Loaded profile " + p.name);
  }
  if (!hasDefault) {
    Profile d;
    d.name = kDefaultProfileName;
    d.font = "Arial";
    all.insert(all.begin(), d);
    try {
      WriteAll(all);
    } catch (const UserError& e) {
      LogError("ReadProfileData: " + e.text());
    }
  }
  LogActivity("ReadProfileData - done");
  return all;
}

std::optional<Profile> ProfileStore::Find(const std::string& name) const {
  for (Profile& p : Load())
    if (p.name == name) return p;
  if (name == kDefaultProfileName) {
    Profile d;
    d.name = kDefaultProfileName;
    return d;
  }
  return std::nullopt;
}

void ProfileStore::WriteAll(const std::vector<Profile>& profiles) {
  Bytes all;
  all.reserve(profiles.size() * kProfileRecordSize);
  for (const Profile& p : profiles) {
    Bytes rec = EncodeProfile(p);
    all.insert(all.end(), rec.begin(), rec.end());
  }
  EnsureFolder(folder_);
  WriteFileAtomic(path_, all);
}

void ProfileStore::Save(const Profile& p) {
  if (auto err = ValidateProfile(p)) throw UserError(kAppTitle, *err);
  if (Trim(p.name).empty()) throw UserError(kAppTitle, "No profile selected!");
  std::vector<Profile> all = Load();
  bool replaced = false;
  for (Profile& q : all)
    if (q.name == p.name) {
      q = p;
      replaced = true;
    }
  if (!replaced) all.push_back(p);
  WriteAll(all);
}

bool ProfileStore::ApplyProfile(const std::string& name, HouseOptions& house, SettingsStore& settings) const {
  std::optional<Profile> p = Find(name);
  if (!p) return false;
  // Timing rules and check switches come from the profile; the rest of the house options
  // (backups, autosave, screen rows) stay the user's own.
  HouseOptions next = house;
  const HouseOptions& r = p->rules;
  next.readingSpeed = r.readingSpeed;
  next.minDuration = r.minDuration;
  next.maxDuration = r.maxDuration;
  next.defaultInterval = r.defaultInterval;
  next.defaultDuration = r.defaultDuration;
  next.maxRows = r.maxRows;
  next.maxRowLength = r.maxRowLength;
  next.invalidIntervalThreshold = r.invalidIntervalThreshold;
  next.ignoreReadingBelow = r.ignoreReadingBelow;
  next.readingTolerance = r.readingTolerance;
  next.durationTooShortPolicy = r.durationTooShortPolicy;
  next.durationTooLongPolicy = r.durationTooLongPolicy;
  next.lastIntervalPolicy = r.lastIntervalPolicy;
  next.nextIntervalPolicy = r.nextIntervalPolicy;
  next.calcInCue = r.calcInCue;
  next.calcOutCue = r.calcOutCue;
  next.lockCues = r.lockCues;
  next.allowBlankLines = r.allowBlankLines;
  next.warnTooManyRows = r.warnTooManyRows;
  next.startChecksAtNextSubtitle = r.startChecksAtNextSubtitle;
  for (auto m : kAllChecks) {
    (next.*m).enabled = (r.*m).enabled;
    (next.*m).forced = false;
    (next.*m).ignored = false;
  }
  for (int i = 0; i < 5; ++i) {
    (next.*kProfileChecks[i]).forced = p->forced[i];
    (next.*kProfileChecks[i]).ignored = p->ignored[i];
  }
  house = next;
  SettingsStore::Batch batch(settings);
  house.Save(settings);
  for (std::size_t i = 0; i < p->punctuation.size(); ++i)
    settings.SetBool("Punctuation", PunctuationRuleKeys()[i], p->punctuation[i]);
  settings.Set("Options", "EBU Display Standard", std::to_string(p->displayStandard));
  settings.Set("Options", "Profile", p->name);
  return true;
}

bool ProfileStore::DeleteProfile(const std::string& name, Prompter& prompter) {
  if (Trim(name).empty()) {
    prompter.Inform("", "No profile selected!", Icon::Warning);
    return false;
  }
  if (name == kDefaultProfileName) {
    prompter.Inform("", "The default profile cannot be deleted", Icon::Warning);
    return false;
  }
  if (prompter.Ask({"Delete Profile", "Delete profile " + name + "?", Buttons::YesNo, Icon::Question}) != Answer::Yes)
    return false;
  std::vector<Profile> keep;
  for (Profile& p : Load())
    if (p.name != name) keep.push_back(std::move(p));
  // Every other record goes to a temporary file that then takes the profiles file's name.
  WriteAll(keep);
  return true;
}

bool ProfileStore::ExportProfiles(Prompter& prompter, std::optional<fs::path> folder) {
  if (!folder) {
    auto chosen = prompter.ChooseFolder("Select a folder to save your profile settings in and click OK");
    if (!chosen) return false;
    folder = *chosen;
  }
  std::error_code ec;
  if (!fs::exists(path_, ec)) ReadProfileData();
  if (!fs::is_directory(*folder, ec)) throw UserError(kAppTitle, "Folder not found: " + folder->string());
  WriteFileAtomic(*folder / "profiles.dat", ReadFileBytes(path_));
  prompter.Inform("", "Profile settings exported.");
  return true;
}

bool ProfileStore::ImportProfiles(Prompter& prompter, std::optional<fs::path> file) {
  if (!file) {
    FileDialog d;
    d.title = "Import Profile Settings File";
    d.filter = "profiles.dat|profiles.dat";
    d.pathMustExist = true;
    auto chosen = prompter.OpenFile(d);
    if (!chosen) return false;
    file = chosen->path;
  }
  if (file->filename() != "profiles.dat") return false;
  Bytes data = ReadFileBytes(*file, 64u << 20);
  if (data.size() % kProfileRecordSize != 0)
    throw UserError(kAppTitle, "This is not a valid profile settings file: " + file->string());
  EnsureFolder(folder_);
  WriteFileAtomic(path_, data);
  prompter.Inform("", "Profile settings imported.");
  return true;
}

}  // namespace kipo
