#pragma once
// A private home for one test: a temporary folder with XDG_DATA_HOME, XDG_CONFIG_HOME and
// XDG_DOCUMENTS_DIR pointing inside it, restored and removed afterwards.
#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace kipo::test {

class TempHome {
 public:
  TempHome();
  ~TempHome();
  TempHome(const TempHome&) = delete;
  TempHome& operator=(const TempHome&) = delete;
  const std::filesystem::path& path() const { return root_; }
  std::filesystem::path operator/(const std::string& name) const { return root_ / name; }

 private:
  std::filesystem::path root_;
  std::map<std::string, std::optional<std::string>> saved_;
};

// Writes a file (creating folders) and returns its path.
std::filesystem::path WriteFile(const std::filesystem::path& path, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& path);

}  // namespace kipo::test
