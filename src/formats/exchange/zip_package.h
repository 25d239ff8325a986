#pragma once
// Zip packages (the PowerPoint presentation), written and read with libdeflate, with
// libzip for archives of forms our reader leaves to it. Both, and the compression and
// crypto libraries libzip pulls in, are built into the plugin kipo-zip.so, loaded the
// first time a package is written or read (platform/plugin.h), so no other command loads
// them. zip_forward.cpp holds the program's side; zip_package.cpp, built into the plugin
// only, calls the libraries.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace kipo {

// The parts zipped in order (names in UTF-8); nullopt when the archive cannot be made.
std::optional<std::vector<std::uint8_t>> ZipParts(const std::vector<std::pair<std::string, std::string>>& parts);

// An archive opened for reading over bytes the caller keeps alive.
class ZipReader {
 public:
  // nullptr when the bytes are not a zip archive.
  static std::unique_ptr<ZipReader> Open(std::span<const std::uint8_t> bytes);
  virtual ~ZipReader() = default;
  // One part's bytes; nullopt when it is missing, damaged or larger than `maxSize`.
  virtual std::optional<std::string> Read(const std::string& name, std::uint64_t maxSize) const = 0;
};

// The plugin's table of entry points.
struct ZipPlugin {
  std::optional<std::vector<std::uint8_t>> (*zipParts)(const std::vector<std::pair<std::string, std::string>>&);
  std::unique_ptr<ZipReader> (*open)(std::span<const std::uint8_t>);
};

}  // namespace kipo
