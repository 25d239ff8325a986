// The program's side of zip_package.h: each function calls its real counterpart in the
// plugin kipo-zip.so, loaded on first use.
#include "formats/exchange/zip_package.h"
#include "platform/plugin.h"

namespace kipo {
namespace {

const ZipPlugin& ZipLibrary() {
  static const ZipPlugin& table =
      *static_cast<const ZipPlugin*>(LoadPluginTable("kipo-zip.so", "kipo_zip_plugin", "the zip library"));
  return table;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ZipParts(const std::vector<std::pair<std::string, std::string>>& parts) {
  return ZipLibrary().zipParts(parts);
}

std::optional<std::vector<std::uint8_t>> ZipPieces(const PackagePieces& package) {
  return ZipLibrary().zipPieces(package);
}

std::unique_ptr<ZipReader> ZipReader::Open(std::span<const std::uint8_t> bytes) { return ZipLibrary().open(bytes); }

}  // namespace kipo
