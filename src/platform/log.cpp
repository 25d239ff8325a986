#include "platform/log.h"

#include <cstdio>
#include <ctime>
#include <string>

#include "platform/files.h"

namespace kipo {

void AppendLogLine(const std::filesystem::path& file, std::string_view message) {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char stamp[32];
  // Short date, a space, long time.
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &tm);
  std::FILE* f = std::fopen(file.c_str(), "ab");
  if (!f) return;
  std::string line = std::string(stamp) + "   " + std::string(message) + "\n";
  std::fwrite(line.data(), 1, line.size(), f);
  std::fclose(f);
}

void LogActivity(std::string_view message) { AppendLogLine(DataFolder() / "kipo.log", message); }
void LogError(std::string_view message) { AppendLogLine(DataFolder() / "error.log", message); }

bool TrimActivityLog() {
  std::error_code ec;
  auto path = DataFolder() / "kipo.log";
  auto size = std::filesystem::file_size(path, ec);
  if (ec || size < 10001) return false;
  return std::filesystem::remove(path, ec);
}

}  // namespace kipo
