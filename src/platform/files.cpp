#include "platform/files.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/text_util.h"
#include "platform/user_error.h"

extern char** environ;

namespace kipo {
namespace {

fs::path Home() {
  const char* h = std::getenv("HOME");
  return h && *h ? fs::path(h) : fs::temp_directory_path();
}

fs::path XdgDir(const char* var, const char* fallback) {
  const char* v = std::getenv(var);
  if (v && *v && fs::path(v).is_absolute()) return v;
  return Home() / fallback;
}

}  // namespace

std::vector<std::uint8_t> ReadFileBytes(const fs::path& path) {
  return ReadFileBytes(path, std::uintmax_t(1) << 31);
}

std::vector<std::uint8_t> ReadFileBytes(const fs::path& path, std::uintmax_t maxBytes) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec))
    throw UserError("Cannot open file", "File not found: " + path.string());
  auto size = fs::file_size(path, ec);
  if (ec) throw UserError("Cannot open file", "Cannot read " + path.string() + ": " + ec.message());
  if (size > maxBytes)
    throw UserError("Cannot open file", "The file " + path.string() + " is too large (" +
                                            std::to_string(size) + " bytes).");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw UserError("Cannot open file", "Cannot open " + path.string() + ": " + std::strerror(errno));
  std::vector<std::uint8_t> data(static_cast<std::size_t>(size));
  in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(size));
  if (static_cast<std::uintmax_t>(in.gcount()) != size)
    throw UserError("Cannot open file", "Cannot read the whole of " + path.string());
  return data;
}

AtomicFileWriter::AtomicFileWriter(const fs::path& path) : path_(path) {
  fs::path dir = path.parent_path().empty() ? fs::path(".") : path.parent_path();
  tmp_ = (dir / ("." + path.filename().string() + ".kipo-XXXXXX")).string();
  fd_ = mkstemp(tmp_.data());
  if (fd_ < 0) {
    tmp_.clear();
    throw UserError("Cannot save file", "Cannot write to " + dir.string() + ": " + std::strerror(errno));
  }
}

AtomicFileWriter::~AtomicFileWriter() {
  if (fd_ >= 0) ::close(fd_);
  if (!tmp_.empty()) ::unlink(tmp_.c_str());
}

void AtomicFileWriter::Fail(const char* what) {
  int err = errno;
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!tmp_.empty()) ::unlink(tmp_.c_str());
  tmp_.clear();
  throw UserError("Cannot save file", std::string(what) + " " + path_.string() + ": " + std::strerror(err));
}

void AtomicFileWriter::Write(std::span<const std::uint8_t> bytes) {
  if (fd_ < 0) {
    errno = EBADF;
    Fail("Cannot write");
  }
  const std::uint8_t* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd_, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("Cannot write");
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  size_ += bytes.size();
}

void AtomicFileWriter::Write(std::string_view text) {
  Write(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

void AtomicFileWriter::WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  if (fd_ < 0 || offset + bytes.size() > size_) {
    errno = fd_ < 0 ? EBADF : EINVAL;
    Fail("Cannot write");
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("Cannot write");
    }
    done += static_cast<std::size_t>(n);
  }
}

void AtomicFileWriter::Commit() {
  if (fd_ < 0) {
    errno = EBADF;
    Fail("Cannot write");
  }
  // Keep the permissions of the file being replaced; new files get the usual 0644.
  struct stat st {};
  mode_t mode = ::stat(path_.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
  ::fchmod(fd_, mode);
  if (::fsync(fd_) != 0) Fail("Cannot flush");
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) {
    int err = errno;
    ::unlink(tmp_.c_str());
    tmp_.clear();
    throw UserError("Cannot save file", "Cannot close " + path_.string() + ": " + std::strerror(err));
  }
  if (::rename(tmp_.c_str(), path_.c_str()) != 0) {
    int err = errno;
    ::unlink(tmp_.c_str());
    tmp_.clear();
    throw UserError("Cannot save file", "Cannot replace " + path_.string() + ": " + std::strerror(err));
  }
  tmp_.clear();
}

void WriteFileAtomic(const fs::path& path, std::span<const std::uint8_t> bytes) {
  AtomicFileWriter file(path);
  file.Write(bytes);
  file.Commit();
}

void WriteFileAtomic(const fs::path& path, std::string_view text) {
  WriteFileAtomic(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

fs::path DocumentsFolder() {
  if (const char* v = std::getenv("XDG_DOCUMENTS_DIR"); v && *v) return v;
  // user-dirs.dirs holds lines such as XDG_DOCUMENTS_DIR="$HOME/Documents".
  std::ifstream in(XdgDir("XDG_CONFIG_HOME", ".config") / "user-dirs.dirs");
  std::string line;
  while (std::getline(in, line)) {
    if (!StartsWith(line, "XDG_DOCUMENTS_DIR=")) continue;
    std::string v = line.substr(18);
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    v = ReplaceAll(v, "$HOME", Home().string());
    if (!v.empty() && v[0] == '/') return v;
  }
  return Home() / "Documents";
}

fs::path DataFolder() { return XdgDir("XDG_DATA_HOME", ".local/share") / "Kipo Software" / "Kipo"; }
fs::path BackupsFolder() { return DocumentsFolder() / "Kipo Software" / "Backups"; }
fs::path ConfigFolder() { return XdgDir("XDG_CONFIG_HOME", ".config") / "Kipo"; }

bool EnsureFolder(const fs::path& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  return fs::is_directory(folder, ec);
}

bool OpenInTextEditor(const fs::path& file) {
  std::string program;
  if (const char* v = std::getenv("VISUAL"); v && *v) program = v;
  else if (const char* e = std::getenv("EDITOR"); e && *e) program = e;
  else program = "xdg-open";
  std::string arg = file.string();
  char* argv[] = {program.data(), arg.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) return false;
  // Reap without waiting for the editor itself when it detaches.
  ::waitpid(pid, nullptr, WNOHANG);
  return true;
}

}  // namespace kipo
