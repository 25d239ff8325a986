#include "settings/profiles.h"

#include <filesystem>

#include "platform/files.h"
#include "platform/log.h"
#include "platform/text_util.h"
#include "platform/user_error.h"
#include "settings/keys.h"
#include "settings/settings_store.h"

namespace kipo {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kOldRecordSize = 70;  // "datafont.dat": name (40) and display file (30)
constexpr std::size_t kNumericCount = 34;
constexpr std::size_t kNameBytes = 40, kDisplayFileBytes = 30, kPunctuationBytes = 118, kFontBytes = 224;

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

// A name cut inside a multi-byte character by an older build loses the broken character.
std::string WholeCharacters(std::string s) {
  std::size_t i = s.size();
  while (i > 0 && (static_cast<unsigned char>(s[i - 1]) & 0xC0) == 0x80) --i;
  if (i == 0) return s;
  auto lead = static_cast<unsigned char>(s[i - 1]);
  std::size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  if (s.size() - (i - 1) < need) s.resize(i - 1);
  return s;
}

// Whether 512 bytes look like a profile record: a name of printable characters, cue
// policies and switches within their values, a punctuation field of "1" and "0". A file of
// random bytes or of text fails at its first record.
bool PlausibleRecord(std::span<const std::uint8_t> rec) {
  ByteReader r(rec);
  r.i32le();
  std::string name = r.field(kNameBytes);
  if (Trim(name).empty()) return false;
  for (unsigned char c : name)
    if (c < 0x20 || c == 0x7F) return false;
  r.skip(kDisplayFileBytes);
  std::array<short, kNumericCount> n{};
  for (short& v : n) v = r.i16le();
  auto isFlag = [](short v) { return v == 0 || v == -1 || v == 1; };
  for (int i = 10; i <= 13; ++i)
    if (n[i] < 0 || n[i] > 3) return false;
  for (int i : {14, 15, 16, 28, 29, 30})
    if (!isFlag(n[i])) return false;
  for (int i = 18; i < 28; ++i)
    if (!isFlag(n[i])) return false;
  for (char c : r.raw(kPunctuationBytes))
    if (c != '0' && c != '1' && c != ' ' && c != '\0') return false;
  for (int i = 0; i < 10; ++i)
    if (!isFlag(r.i16le())) return false;
  return true;
}

}  // namespace

const std::array<const char*, 5>& ProfileCheckNames() {
  static const std::array<const char*, 5> k{"Too many rows", "Default interval", "Duration too short/long",
                                            "Empty subtitles", "Raised subtitles"};
  return k;
}

Bytes EncodeProfile(const Profile& p) {
  ByteWriter w(kProfileRecordSize);
  w.i32le(kProfileMarker);
  w.field(p.name, kNameBytes);
  w.field(p.displayFile, kDisplayFileBytes);
  for (short v : Numbers(p)) w.i16le(v);
  std::string punct;
  for (bool b : p.punctuation) punct += b ? '1' : '0';
  w.field(punct, kPunctuationBytes);
  for (int i = 0; i < 5; ++i) w.i16le(B(p.forced[i]));
  for (int i = 0; i < 5; ++i) w.i16le(B(p.ignored[i]));
  w.fill(8, 0);
  w.field(p.font, kFontBytes);
  return w.take();
}

Profile DecodeProfile(std::span<const std::uint8_t> record) {
  ByteReader r(record);
  Profile p;
  r.i32le();  // marker
  p.name = WholeCharacters(r.field(kNameBytes));
  p.displayFile = WholeCharacters(r.field(kDisplayFileBytes));
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
  std::string punct = r.field(kPunctuationBytes);
  for (std::size_t i = 0; i < p.punctuation.size(); ++i) p.punctuation[i] = i < punct.size() && punct[i] == '1';
  for (int i = 0; i < 5; ++i) p.forced[i] = r.i16le() != 0;
  for (int i = 0; i < 5; ++i) p.ignored[i] = r.i16le() != 0;
  r.skip(8);
  p.font = WholeCharacters(r.field(kFontBytes));
  for (int i = 0; i < 5; ++i) {
    (h.*kProfileChecks[i]).forced = p.forced[i];
    (h.*kProfileChecks[i]).ignored = p.ignored[i];
  }
  return p;
}

std::optional<std::string> ValidateProfile(const Profile& p) {
  for (int i = 0; i < 5; ++i)
    if (p.forced[i] && p.ignored[i]) return std::string("The same check cannot be selected as forced and ignored.");
  // The record has fixed fields: a longer name would be cut, and a cut name is no longer
  // the name that apply and delete look for.
  if (p.name.size() > kNameBytes)
    return "The profile name \"" + p.name + "\" is too long: a profile name holds at most " +
           std::to_string(kNameBytes) + " bytes (" + std::to_string(kNameBytes) +
           " plain letters, fewer accented or non-Latin ones).";
  for (unsigned char c : p.name)
    if (c < 0x20 || c == 0x7F) return std::string("A profile name cannot hold tabs, line breaks or control characters.");
  if (p.name != Trim(p.name)) return std::string("A profile name cannot begin or end with a space.");
  if (p.displayFile.size() > kDisplayFileBytes)
    return "The display settings file name is too long: at most " + std::to_string(kDisplayFileBytes) + " bytes.";
  if (p.font.size() > kFontBytes)
    return "The font name is too long: at most " + std::to_string(kFontBytes) + " bytes.";
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
  long standard = 0;
  if (ParseInt(Trim(settings.Get(keys::kEbuDisplayStandard)), standard) && standard >= 0 && standard <= 2)
    p.displayStandard = static_cast<short>(standard);
  for (std::size_t i = 0; i < p.punctuation.size(); ++i) p.punctuation[i] = settings.Get(keys::kPunctuationRules[i]);
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
  if (Trim(p.name).empty()) throw UserError(kAppTitle, "No profile selected!");
  if (auto err = ValidateProfile(p)) throw UserError(kAppTitle, *err);
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
  for (std::size_t i = 0; i < p->punctuation.size(); ++i) settings.Set(keys::kPunctuationRules[i], p->punctuation[i]);
  settings.Set(keys::kEbuDisplayStandard, std::to_string(p->displayStandard));
  settings.Set(keys::kProfile, p->name);
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
  // The user's profiles are replaced only by a file that holds profiles.
  bool valid = !data.empty() && data.size() % kProfileRecordSize == 0;
  for (std::size_t off = 0; valid && off < data.size(); off += kProfileRecordSize)
    valid = PlausibleRecord(std::span<const std::uint8_t>(data).subspan(off, kProfileRecordSize));
  if (!valid) throw UserError(kAppTitle, "This is not a valid profile settings file: " + file->string());
  EnsureFolder(folder_);
  WriteFileAtomic(path_, data);
  prompter.Inform("", "Profile settings imported.");
  return true;
}

}  // namespace kipo
