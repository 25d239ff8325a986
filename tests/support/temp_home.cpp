#include "support/temp_home.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace kipo::test {

TempHome::TempHome() {
  std::random_device rd;
  root_ = std::filesystem::temp_directory_path() / ("kipo-test-" + std::to_string(rd()) + std::to_string(rd()));
  std::filesystem::create_directories(root_);
  const std::map<std::string, std::string> vars{{"XDG_DATA_HOME", "data"},
                                                {"XDG_CONFIG_HOME", "config"},
                                                {"XDG_DOCUMENTS_DIR", "documents"},
                                                {"HOME", "home"}};
  for (const auto& [var, sub] : vars) {
    const char* old = std::getenv(var.c_str());
    saved_[var] = old ? std::optional<std::string>(old) : std::nullopt;
    std::filesystem::create_directories(root_ / sub);
    setenv(var.c_str(), (root_ / sub).c_str(), 1);
  }
}

TempHome::~TempHome() {
  for (const auto& [var, old] : saved_) {
    if (old) setenv(var.c_str(), old->c_str(), 1);
    else unsetenv(var.c_str());
  }
  std::error_code ec;
  std::filesystem::remove_all(root_, ec);
}

std::filesystem::path WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

}  // namespace kipo::test
