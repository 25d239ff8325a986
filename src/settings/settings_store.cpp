#include "settings/settings_store.h"

#include <sys/stat.h>

#include <cctype>
#include <fstream>
#include <sstream>

#include "platform/files.h"
#include "platform/text_util.h"

namespace kipo {
namespace {

// Values and keys may hold any character; line ends, "=", "[" at the start and the
// backslash itself are escaped so that every value survives a round trip. Other control
// characters are written as hex escapes: a form feed or vertical tab at the end of a line
// would otherwise be trimmed away as white space when the file is read back.
std::string Escape(std::string_view s, bool isKey) {
  std::string o;
  o.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    switch (c) {
      case '\\': o += "\\\\"; break;
      case '\n': o += "\\n"; break;
      case '\r': o += "\\r"; break;
      case '\t': o += "\\t"; break;
      case '=':
        if (isKey) o += "\\e";
        else o += c;
        break;
      default:
        if ((c == '[' || c == ';' || c == '#' || c == ' ') && i == 0) {
          o += "\\x";
          o += c == '[' ? "5B" : c == ';' ? "3B" : c == '#' ? "23" : "20";
        } else if (c == ' ' && i + 1 == s.size()) {
          o += "\\x20";
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
          static constexpr char kHex[] = "0123456789ABCDEF";
          o += "\\x";
          o += kHex[static_cast<unsigned char>(c) >> 4];
          o += kHex[c & 0xF];
        } else {
          o += c;
        }
    }
  }
  return o;
}

bool IsHex2(std::string_view s) {
  return s.size() >= 2 && std::isxdigit(static_cast<unsigned char>(s[0])) &&
         std::isxdigit(static_cast<unsigned char>(s[1]));
}

std::string Unescape(std::string_view s) {
  std::string o;
  o.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      o += s[i];
      continue;
    }
    char n = s[++i];
    switch (n) {
      case 'n': o += '\n'; break;
      case 'r': o += '\r'; break;
      case 't': o += '\t'; break;
      case 'e': o += '='; break;
      case 'x':
        if (i + 2 < s.size() && IsHex2(s.substr(i + 1))) {
          o += static_cast<char>(std::stoi(std::string(s.substr(i + 1, 2)), nullptr, 16));
          i += 2;
        }
        break;
      default: o += n;
    }
  }
  return o;
}

}  // namespace

std::optional<bool> ParseBool(std::string_view s) {
  std::string t = ToLowerAscii(Trim(s));
  if (t == "true") return true;
  if (t == "false") return false;
  long n = 0;
  if (ParseInt(t, n)) return n != 0;
  return std::nullopt;
}

SettingsStore::SettingsStore(std::filesystem::path file) : path_(std::move(file)) { Reload(); }

std::filesystem::path SettingsStore::DefaultPath() { return ConfigFolder() / "settings.ini"; }

std::optional<SettingsStore::FileStamp> SettingsStore::StampOf(const std::filesystem::path& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return std::nullopt;
  return FileStamp{static_cast<std::int64_t>(st.st_mtim.tv_sec), static_cast<std::int64_t>(st.st_mtim.tv_nsec),
                   static_cast<std::int64_t>(st.st_size), static_cast<std::uint64_t>(st.st_ino)};
}

void SettingsStore::Reload() const {
  if (path_.empty()) return;
  const std::optional<FileStamp> t = StampOf(path_);
  if (!t) {
    if (loadedTime_) data_.clear();
    loadedTime_.reset();
    return;
  }
  if (loadedTime_ && *loadedTime_ == *t) return;
  std::ifstream in(path_, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  const_cast<SettingsStore*>(this)->Parse(ss.str());
  loadedTime_ = t;
}

void SettingsStore::Parse(std::string_view text) {
  data_.clear();
  // A file saved by a text editor may start with a UTF-8 byte-order mark; without this its
  // first section header would not be recognised, and the next write would drop it.
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  Section* cur = nullptr;
  for (const std::string& raw : SplitLines(text)) {
    std::string line = TrimRight(raw);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      if (line.back() != ']') {
        cur = nullptr;  // a damaged section header: skip its keys rather than misfile them
        continue;
      }
      cur = &data_[Unescape(line.substr(1, line.size() - 2))];
      continue;
    }
    std::size_t eq = line.find('=');
    if (!cur || eq == std::string::npos) continue;
    // Escaped hex must be well formed; anything else is a damaged line. Escapes are read in
    // order: C:\xyz is stored as C:\\xyz, whose backslash pair is no hex escape.
    bool ok = true;
    for (std::size_t i = 0; i + 1 < line.size(); ++i) {
      if (line[i] != '\\') continue;
      if (line[i + 1] == 'x' && !IsHex2(std::string_view(line).substr(i + 2))) ok = false;
      ++i;
    }
    if (!ok) continue;
    (*cur)[Unescape(line.substr(0, eq))] = Unescape(line.substr(eq + 1));
  }
}

std::string SettingsStore::Serialise() const {
  std::string out;
  for (const auto& [name, section] : data_) {
    if (section.empty()) continue;
    out += "[" + Escape(name, true) + "]\n";
    for (const auto& [k, v] : section) out += Escape(k, true) + "=" + Escape(v, false) + "\n";
    out += "\n";
  }
  return out;
}

void SettingsStore::Flush() {
  if (path_.empty()) return;
  if (batchDepth_ > 0) {
    dirty_ = true;
    return;
  }
  dirty_ = false;
  EnsureFolder(path_.parent_path());
  WriteFileAtomic(path_, Serialise());
  loadedTime_ = StampOf(path_);
}

SettingsStore::Batch::~Batch() {
  if (--s_.batchDepth_ == 0 && s_.dirty_) {
    try {
      s_.Flush();
    } catch (...) {
      // A settings file that cannot be written must not take the program down.
    }
  }
}

std::string SettingsStore::Get(std::string_view section, std::string_view key, std::string_view def) const {
  Reload();
  auto s = data_.find(section);
  if (s == data_.end()) return std::string(def);
  auto k = s->second.find(key);
  return k == s->second.end() ? std::string(def) : k->second;
}

bool SettingsStore::Has(std::string_view section, std::string_view key) const {
  Reload();
  auto s = data_.find(section);
  return s != data_.end() && s->second.find(key) != s->second.end();
}

void SettingsStore::Set(std::string_view section, std::string_view key, std::string_view value) {
  if (batchDepth_ == 0) Reload();
  auto& s = data_[std::string(section)];
  s[std::string(key)] = std::string(value);
  Flush();
}

void SettingsStore::Remove(std::string_view section, std::string_view key) {
  Reload();
  auto s = data_.find(section);
  if (s == data_.end()) return;
  auto k = s->second.find(key);
  if (k == s->second.end()) return;
  s->second.erase(k);
  Flush();
}

void SettingsStore::RemoveSection(std::string_view section) {
  Reload();
  auto s = data_.find(section);
  if (s == data_.end()) return;
  data_.erase(s);
  Flush();
}

std::vector<std::string> SettingsStore::Sections() const {
  Reload();
  std::vector<std::string> out;
  for (const auto& [n, s] : data_)
    if (!s.empty()) out.push_back(n);
  return out;
}

std::vector<std::string> SettingsStore::Keys(std::string_view section) const {
  Reload();
  std::vector<std::string> out;
  auto s = data_.find(section);
  if (s != data_.end())
    for (const auto& [k, v] : s->second) out.push_back(k);
  return out;
}

bool SettingsStore::GetBool(std::string_view section, std::string_view key, bool def) const {
  return ParseBool(Get(section, key, def ? "True" : "False")).value_or(def);
}
void SettingsStore::SetBool(std::string_view section, std::string_view key, bool value) {
  Set(section, key, value ? "True" : "False");
}
bool SettingsStore::GetCheck(std::string_view section, std::string_view key, bool def) const {
  return ParseBool(Get(section, key, def ? "1" : "0")).value_or(def);
}
void SettingsStore::SetCheck(std::string_view section, std::string_view key, bool value) {
  Set(section, key, value ? "1" : "0");
}
long SettingsStore::GetInt(std::string_view section, std::string_view key, long def) const {
  long v = 0;
  return ParseInt(Get(section, key, ""), v) ? v : def;
}
void SettingsStore::SetInt(std::string_view section, std::string_view key, long value) {
  Set(section, key, std::to_string(value));
}

bool SettingsStore::Get(const FlagSetting& key) const {
  return key.form == FlagForm::TrueFalse ? GetBool(key.section, key.name, key.def)
                                         : GetCheck(key.section, key.name, key.def);
}
void SettingsStore::Set(const FlagSetting& key, bool value) {
  if (key.form == FlagForm::TrueFalse) SetBool(key.section, key.name, value);
  else SetCheck(key.section, key.name, value);
}
long SettingsStore::Get(const IntSetting& key) const {
  long v = GetInt(key.section, key.name, key.def);
  return v < key.min || v > key.max ? key.def : v;
}

}  // namespace kipo
