#include "platform/plugin.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <vector>

#include "platform/user_error.h"

namespace kipo {
namespace {

std::vector<std::filesystem::path> Folders() {
  std::vector<std::filesystem::path> folders;
  if (const char* env = std::getenv("KIPO_PLUGIN_DIR"); env && *env) folders.emplace_back(env);
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    folders.push_back(self.parent_path());
    folders.push_back(self.parent_path().parent_path() / "lib" / "kipo");
  }
#ifdef KIPO_PLUGIN_BUILD_DIR
  folders.emplace_back(KIPO_PLUGIN_BUILD_DIR);
#endif
  return folders;
}

}  // namespace

std::string PluginSearchPath() {
  std::string path;
  for (const auto& f : Folders()) {
    if (!path.empty()) path += ':';
    path += f.string();
  }
  return path;
}

const void* LoadPluginTable(std::string_view file, const char* entry, std::string_view what) {
  static std::mutex mutex;
  static std::map<std::string, const void*, std::less<>> loaded;
  std::lock_guard lock(mutex);
  if (auto it = loaded.find(file); it != loaded.end()) return it->second;

  std::string reason = "not found in " + PluginSearchPath();
  for (const auto& folder : Folders()) {
    const std::filesystem::path candidate = folder / file;
    std::error_code ec;
    if (!std::filesystem::exists(candidate, ec)) continue;
    // Never unloaded: its code stays in use until the program ends.
    void* handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      const char* e = dlerror();
      reason = e ? e : candidate.string();
      break;
    }
    using Entry = const void* (*)();
    auto get = reinterpret_cast<Entry>(dlsym(handle, entry));
    if (!get) {
      reason = candidate.string() + " has no " + entry;
      break;
    }
    const void* table = get();
    loaded.emplace(std::string(file), table);
    return table;
  }
  throw UserError(kAppTitle, "Kipo could not load " + std::string(what) + " (" + std::string(file) + "): " + reason);
}

}  // namespace kipo
