// Built into kipo-zip.so only: zip packages through libzip, and the plugin's table.
#include "formats/exchange/zip_package.h"

#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>

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

namespace {

// Archives are written here rather than through libzip: a presentation has two parts per
// slide, 65,534 for the largest document, and libzip set up a deflate stream for each
// (zlib allocates and clears some 256 KiB at every start), which was most of the time of
// writing one. Here one stream is reset between parts, a part the archive already holds
// (every slide's relationships are the same) is copied instead of deflated again, and the
// headers are written into the one output buffer.

void Put16(std::vector<std::uint8_t>& o, std::uint32_t v) {
  o.push_back(static_cast<std::uint8_t>(v));
  o.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& o, std::uint32_t v) {
  Put16(o, v & 0xFFFF);
  Put16(o, v >> 16);
}
void Put64(std::vector<std::uint8_t>& o, std::uint64_t v) {
  Put32(o, static_cast<std::uint32_t>(v));
  Put32(o, static_cast<std::uint32_t>(v >> 32));
}

// Raw deflate (no zlib header), as zip entries hold it, through one reused stream.
class Deflater {
 public:
  // `memLevel` sizes the hash table, which zlib clears at every reset: small parts get a
  // small one. The fastest level: on slides it makes the package 3.5% larger and its
  // writing a fifth quicker than the default level.
  explicit Deflater(int memLevel) {
    ok_ = deflateInit2(&z_, Z_BEST_SPEED, Z_DEFLATED, -MAX_WBITS, memLevel, Z_DEFAULT_STRATEGY) == Z_OK;
  }
  ~Deflater() {
    if (ok_) deflateEnd(&z_);
  }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  // Appends the deflated data to `out`; false when zlib fails.
  bool Deflate(std::string_view data, std::vector<std::uint8_t>& out) {
    if (!ok_ || deflateReset(&z_) != Z_OK) return false;
    const std::size_t start = out.size();
    out.resize(start + deflateBound(&z_, static_cast<uLong>(data.size())));
    z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z_.avail_in = static_cast<uInt>(data.size());
    z_.next_out = out.data() + start;
    z_.avail_out = static_cast<uInt>(out.size() - start);
    const int r = deflate(&z_, Z_FINISH);
    out.resize(start + (out.size() - start - z_.avail_out));
    return r == Z_STREAM_END;
  }

 private:
  z_stream z_{};
  bool ok_ = false;
};

// What the central directory repeats of a part's local header.
struct Entry {
  std::string_view name;
  std::uint16_t method;
  std::uint32_t crc, packedSize, size;
  std::uint64_t offset;  // of the local header
  std::uint64_t dataOffset;
};

constexpr std::uint16_t kUtf8Names = 0x0800;
// 1 January 1980, 00:00: the same bytes on every run.
constexpr std::uint16_t kDosTime = 0, kDosDate = (0 << 9) | (1 << 5) | 1;
constexpr std::size_t kSmallPart = 16 * 1024;

void PutHeaderFields(std::vector<std::uint8_t>& o, const Entry& e) {
  Put16(o, 20);  // version needed: 2.0, deflate
  Put16(o, kUtf8Names);
  Put16(o, e.method);
  Put16(o, kDosTime);
  Put16(o, kDosDate);
  Put32(o, e.crc);
  Put32(o, e.packedSize);
  Put32(o, e.size);
  Put16(o, static_cast<std::uint32_t>(e.name.size()));
  Put16(o, 0);  // no extra field
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ZipParts(const std::vector<std::pair<std::string, std::string>>& parts) {
  // Zip32 sizes and offsets: a package of 4 GiB is far beyond any presentation.
  std::uint64_t total = 0;
  for (const auto& [name, data] : parts) {
    if (data.size() >= 0xFFFFFFFFu || name.size() > 0xFFFF) return std::nullopt;
    total += data.size() + name.size();
  }
  std::vector<std::uint8_t> out;
  out.reserve(total / 2 + parts.size() * 128 + 1024);
  Deflater small(4), large(8);
  std::vector<Entry> entries;
  entries.reserve(parts.size());
  // Parts already in the archive by their contents (only small ones are looked up).
  std::unordered_map<std::string_view, std::size_t> packed;
  for (const auto& [name, data] : parts) {
    Entry e{name, 8, 0, 0, static_cast<std::uint32_t>(data.size()), out.size(), 0};
    const Entry* same = nullptr;
    if (data.size() <= 1024) {
      auto [it, added] = packed.try_emplace(std::string_view(data), entries.size());
      if (!added) same = &entries[it->second];
    }
    if (same) {
      e.method = same->method;
      e.crc = same->crc;
      e.packedSize = same->packedSize;
    } else {
      e.crc = static_cast<std::uint32_t>(
          crc32_z(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<z_size_t>(data.size())));
    }
    Put32(out, 0x04034b50);
    PutHeaderFields(out, e);  // sizes written again below once known
    out.insert(out.end(), name.begin(), name.end());
    e.dataOffset = out.size();
    if (same) {
      const std::size_t at = out.size();
      out.resize(at + same->packedSize);
      std::memcpy(out.data() + at, out.data() + same->dataOffset, same->packedSize);
    } else {
      Deflater& d = data.size() <= kSmallPart ? small : large;
      if (!d.Deflate(data, out)) return std::nullopt;
      e.packedSize = static_cast<std::uint32_t>(out.size() - e.dataOffset);
      if (e.packedSize >= data.size()) {
        // Deflating made it no smaller (a tiny part): stored as it is.
        out.resize(e.dataOffset);
        out.insert(out.end(), data.begin(), data.end());
        e.method = 0;
        e.packedSize = e.size;
      }
      // The method and the packed size in the local header.
      out[e.offset + 8] = static_cast<std::uint8_t>(e.method);
      for (int k = 0; k < 4; ++k) out[e.offset + 18 + k] = static_cast<std::uint8_t>(e.packedSize >> (8 * k));
    }
    entries.push_back(e);
  }
  const std::uint64_t directory = out.size();
  for (const Entry& e : entries) {
    Put32(out, 0x02014b50);
    Put16(out, 20);  // made by: 2.0, MS-DOS attributes
    PutHeaderFields(out, e);
    Put16(out, 0);  // no comment
    Put16(out, 0);  // disk
    Put16(out, 0);  // internal attributes
    Put32(out, 0);  // external attributes
    Put32(out, static_cast<std::uint32_t>(e.offset));
    out.insert(out.end(), e.name.begin(), e.name.end());
  }
  const std::uint64_t directoryEnd = out.size();
  if (directoryEnd >= 0xFFFFFFFFu) return std::nullopt;
  const std::uint64_t count = entries.size();
  if (count >= 0xFFFF) {
    // More parts than the classic end record can count (two per slide): the Zip64 end
    // record and its locator carry the count.
    Put32(out, 0x06064b50);
    Put64(out, 44);  // the size of the rest of the record
    Put16(out, 45);  // made by 4.5
    Put16(out, 45);  // needed: 4.5, Zip64
    Put32(out, 0);
    Put32(out, 0);
    Put64(out, count);
    Put64(out, count);
    Put64(out, directoryEnd - directory);
    Put64(out, directory);
    Put32(out, 0x07064b50);
    Put32(out, 0);
    Put64(out, directoryEnd);
    Put32(out, 1);
  }
  Put32(out, 0x06054b50);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, static_cast<std::uint32_t>(std::min<std::uint64_t>(count, 0xFFFF)));
  Put16(out, static_cast<std::uint32_t>(std::min<std::uint64_t>(count, 0xFFFF)));
  Put32(out, static_cast<std::uint32_t>(directoryEnd - directory));
  Put32(out, static_cast<std::uint32_t>(directory));
  Put16(out, 0);  // no comment
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
