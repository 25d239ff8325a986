// Built into kipo-zip.so only: zip packages through libzip, and the plugin's table.
#include "formats/exchange/zip_package.h"

#include <zip.h>

namespace kipo {
namespace {

class LibzipReader : public ZipReader {
 public:
  explicit LibzipReader(zip_t* z) : z_(z) {}
  ~LibzipReader() override { zip_close(z_); }
  std::optional<std::string> Read(const std::string& name, std::uint64_t maxSize) const override {
    zip_stat_t st;
    if (zip_stat(z_, name.c_str(), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE) || st.size > maxSize) return std::nullopt;
    zip_file_t* f = zip_fopen(z_, name.c_str(), 0);
    if (!f) return std::nullopt;
    std::string data(st.size, '\0');
    const zip_int64_t got = zip_fread(f, data.data(), st.size);
    zip_fclose(f);
    if (got != static_cast<zip_int64_t>(st.size)) return std::nullopt;
    return data;
  }

 private:
  zip_t* z_;
};

}  // namespace

std::optional<std::vector<std::uint8_t>> ZipParts(const std::vector<std::pair<std::string, std::string>>& parts) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* src = zip_source_buffer_create(nullptr, 0, 0, &error);
  if (!src) return std::nullopt;
  zip_t* z = zip_open_from_source(src, ZIP_TRUNCATE, &error);
  if (!z) {
    zip_source_free(src);
    return std::nullopt;
  }
  zip_source_keep(src);
  for (const auto& [name, data] : parts) {
    zip_source_t* part = zip_source_buffer(z, data.data(), data.size(), 0);
    if (!part || zip_file_add(z, name.c_str(), part, ZIP_FL_ENC_UTF_8) < 0) {
      if (part) zip_source_free(part);
      zip_discard(z);
      zip_source_free(src);
      return std::nullopt;
    }
  }
  if (zip_close(z) < 0) {
    zip_discard(z);
    zip_source_free(src);
    return std::nullopt;
  }
  std::vector<std::uint8_t> out;
  zip_stat_t st;
  if (zip_source_open(src) == 0) {
    if (zip_source_stat(src, &st) == 0 && (st.valid & ZIP_STAT_SIZE)) {
      out.resize(st.size);
      if (zip_source_read(src, out.data(), st.size) != static_cast<zip_int64_t>(st.size)) out.clear();
    }
    zip_source_close(src);
  }
  zip_source_free(src);
  if (out.empty()) return std::nullopt;
  return out;
}

std::unique_ptr<ZipReader> ZipReader::Open(std::span<const std::uint8_t> bytes) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* src = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
  if (!src) return nullptr;
  zip_t* z = zip_open_from_source(src, ZIP_RDONLY, &error);
  if (!z) {
    zip_source_free(src);
    return nullptr;
  }
  return std::make_unique<LibzipReader>(z);
}

namespace {
const ZipPlugin kTable{.zipParts = &ZipParts, .open = &ZipReader::Open};
}  // namespace

}  // namespace kipo

extern "C" __attribute__((visibility("default"))) const void* kipo_zip_plugin() { return &kipo::kTable; }
