#include "app/trash.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "platform/files.h"

namespace kipo {
namespace {

// The Path key holds the original path URL-escaped, keeping "/" and the unreserved set.
std::string EscapePath(const std::string& path) {
  std::string out;
  for (unsigned char c : path) {
    if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", c);
      out += buf;
    }
  }
  return out;
}

bool MoveAcross(const std::filesystem::path& from, const std::filesystem::path& to) {
  std::error_code ec;
  std::filesystem::rename(from, to, ec);
  if (!ec) return true;
  if (ec != std::errc::cross_device_link) return false;
  std::filesystem::copy(from, to, std::filesystem::copy_options::recursive, ec);
  if (ec) {
    std::filesystem::remove_all(to, ec);
    return false;
  }
  std::filesystem::remove_all(from, ec);
  return !ec;
}

}  // namespace

std::filesystem::path TrashFolder() {
  // DataFolder() is $XDG_DATA_HOME/Kipo Software/Kipo.
  return DataFolder().parent_path().parent_path() / "Trash";
}

bool MoveToTrash(const std::filesystem::path& item) {
  std::error_code ec;
  std::filesystem::path absolute = std::filesystem::absolute(item, ec);
  if (ec || !std::filesystem::exists(std::filesystem::symlink_status(absolute, ec))) return false;
  const std::filesystem::path files = TrashFolder() / "files", info = TrashFolder() / "info";
  if (!EnsureFolder(files) || !EnsureFolder(info)) return false;

  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char date[32];
  std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &tm);
  const std::string record = "[Trash Info]\nPath=" + EscapePath(absolute.string()) + "\nDeletionDate=" + date + "\n";

  // The info file is created exclusively first: its name reserves the name in files/.
  const std::string base = absolute.filename().string();
  for (int n = 1; n < 10000; ++n) {
    std::string name = n == 1 ? base : base + "." + std::to_string(n);
    std::filesystem::path infoFile = info / (name + ".trashinfo");
    int fd = ::open(infoFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) continue;
    bool written = ::write(fd, record.data(), record.size()) == static_cast<ssize_t>(record.size());
    ::close(fd);
    if (written && !std::filesystem::exists(files / name, ec) && MoveAcross(absolute, files / name)) return true;
    std::filesystem::remove(infoFile, ec);
    if (!written) return false;
  }
  return false;
}

}  // namespace kipo
