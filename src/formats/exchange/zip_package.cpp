// Built into kipo-zip.so only: zip packages written and read with libdeflate, libzip for
// the archives our reader leaves to it, and the plugin's table.
#include "formats/exchange/zip_package.h"

#include <libdeflate.h>
#include <zip.h>

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
// writing one. Here each part is deflated whole by libdeflate, a part the archive already
// holds (every slide's relationships are the same) is copied instead of deflated again, and
// the headers are written into the one output buffer.

// Little-endian fields into a byte vector, or into a Fields buffer that a part's header is
// gathered in and appended from at once (two pushes into the archive per field before).
class Fields {
 public:
  void push_back(std::uint8_t b) { b_[n_++] = b; }
  void AppendTo(std::vector<std::uint8_t>& o) const { o.insert(o.end(), b_, b_ + n_); }

 private:
  std::uint8_t b_[64];
  std::size_t n_ = 0;
};

template <class Out>
void Put16(Out& o, std::uint32_t v) {
  o.push_back(static_cast<std::uint8_t>(v));
  o.push_back(static_cast<std::uint8_t>(v >> 8));
}
template <class Out>
void Put32(Out& o, std::uint32_t v) {
  Put16(o, v & 0xFFFF);
  Put16(o, v >> 16);
}
template <class Out>
void Put64(Out& o, std::uint64_t v) {
  Put32(o, static_cast<std::uint32_t>(v));
  Put32(o, static_cast<std::uint32_t>(v >> 32));
}

// Raw deflate (no zlib header), as zip entries hold it. libdeflate compresses a whole
// buffer at once, which a part is anyway, two to three times as fast as zlib's stream.
class Deflater {
 public:
  Deflater() : c_(libdeflate_alloc_compressor(kLevel)) {}
  ~Deflater() { libdeflate_free_compressor(c_); }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  // Appends the deflated data to `out`; false when it cannot (no memory).
  bool Deflate(std::string_view data, std::vector<std::uint8_t>& out) {
    if (!c_) return false;
    const std::size_t bound = libdeflate_deflate_compress_bound(c_, data.size());
    if (scratch_.size() < bound) scratch_.resize(bound);
    const std::size_t n = libdeflate_deflate_compress(c_, data.data(), data.size(), scratch_.data(), bound);
    if (n == 0) return false;
    out.insert(out.end(), scratch_.begin(), scratch_.begin() + static_cast<std::ptrdiff_t>(n));
    return true;
  }

 private:
  // The fastest level: on slides it is a quarter quicker than level 3 and half again as
  // quick as the default (6), for a package 1% and 1.6% larger; it is already smaller than
  // zlib's fastest level made it.
  static constexpr int kLevel = 1;
  libdeflate_compressor* c_;
  std::vector<std::uint8_t> scratch_;  // compressed into, then appended: `out` is not cleared
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

template <class Out>
void PutHeaderFields(Out& o, const Entry& e) {
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
  Deflater deflater;
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
      e.crc = libdeflate_crc32(0, data.data(), data.size());
    }
    Fields local;
    Put32(local, 0x04034b50);
    PutHeaderFields(local, e);  // sizes written again below once known
    local.AppendTo(out);
    out.insert(out.end(), name.begin(), name.end());
    e.dataOffset = out.size();
    if (same) {
      const std::size_t at = out.size();
      out.resize(at + same->packedSize);
      std::memcpy(out.data() + at, out.data() + same->dataOffset, same->packedSize);
    } else {
      if (!deflater.Deflate(data, out)) return std::nullopt;
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
    Fields central;
    Put32(central, 0x02014b50);
    Put16(central, 20);  // made by: 2.0, MS-DOS attributes
    PutHeaderFields(central, e);
    Put16(central, 0);  // no comment
    Put16(central, 0);  // disk
    Put16(central, 0);  // internal attributes
    Put32(central, 0);  // external attributes
    Put32(central, static_cast<std::uint32_t>(e.offset));
    central.AppendTo(out);
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

namespace {

std::unique_ptr<ZipReader> OpenWithLibzip(std::span<const std::uint8_t> bytes);

std::uint16_t Get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t Get32(const std::uint8_t* p) { return Get16(p) | (static_cast<std::uint32_t>(Get16(p + 2)) << 16); }
std::uint64_t Get64(const std::uint8_t* p) { return Get32(p) | (static_cast<std::uint64_t>(Get32(p + 4)) << 32); }

// Archives read by our own code: the central directory once, then each part found by its
// name and inflated with libdeflate straight into its string. A presentation is some
// 65,000 parts; libzip's reading of them through zlib's stream was most of the reading.
// What this reader does not take (encrypted parts, methods other than stored and deflate,
// sizes in a Zip64 extra field, archives split over disks, a part whose data is damaged)
// goes to libzip, so such archives read, or fail, as they always did.
class PackageReader : public ZipReader {
 public:
  // nullptr when the central directory is not one this reader follows.
  static std::unique_ptr<PackageReader> Open(std::span<const std::uint8_t> bytes);
  ~PackageReader() override { libdeflate_free_decompressor(inflater_); }

  std::optional<std::string> Read(const std::string& name, std::uint64_t maxSize) const override {
    const auto it = parts_.find(name);
    if (it == parts_.end()) {
      // libzip also finds names stored in the old DOS code page by their UTF-8 spelling.
      return Libzip() ? Libzip()->Read(name, maxSize) : std::nullopt;
    }
    const Part& part = it->second;
    if (part.size > maxSize) return std::nullopt;
    if (std::optional<std::string> data = Inflate(part)) return data;
    return Libzip() ? Libzip()->Read(name, maxSize) : std::nullopt;
  }

 private:
  struct Part {
    std::uint16_t flags, method;
    std::uint32_t crc;
    std::uint64_t packedSize, size, offset;  // offset: of the local header
    bool ours;                               // read here, not by libzip
  };

  explicit PackageReader(std::span<const std::uint8_t> bytes)
      : bytes_(bytes), inflater_(libdeflate_alloc_decompressor()) {}

  // The part's bytes, or nullopt to leave it to libzip.
  std::optional<std::string> Inflate(const Part& part) const {
    if (!part.ours || !inflater_) return std::nullopt;
    const std::uint64_t end = bytes_.size();
    if (part.offset > end || end - part.offset < 30) return std::nullopt;
    const std::uint8_t* local = bytes_.data() + part.offset;
    if (Get32(local) != 0x04034b50) return std::nullopt;
    const std::uint64_t data = part.offset + 30 + Get16(local + 26) + Get16(local + 28);
    if (data > end || end - data < part.packedSize) return std::nullopt;
    std::string out(part.size, '\0');
    const std::uint8_t* in = bytes_.data() + data;
    if (part.method == 0) {
      if (part.packedSize != part.size) return std::nullopt;
      std::memcpy(out.data(), in, part.size);
    } else if (libdeflate_deflate_decompress(inflater_, in, part.packedSize, out.data(), part.size, nullptr) !=
               LIBDEFLATE_SUCCESS) {
      return std::nullopt;
    }
    if (libdeflate_crc32(0, out.data(), out.size()) != part.crc) return std::nullopt;
    return out;
  }

  const ZipReader* Libzip() const {
    if (!libzipTried_) {
      libzipTried_ = true;
      libzip_ = OpenWithLibzip(bytes_);
    }
    return libzip_.get();
  }

  std::span<const std::uint8_t> bytes_;
  libdeflate_decompressor* inflater_;
  std::unordered_map<std::string_view, Part> parts_;  // names are views into the archive
  mutable std::unique_ptr<ZipReader> libzip_;
  mutable bool libzipTried_ = false;
};

std::unique_ptr<PackageReader> PackageReader::Open(std::span<const std::uint8_t> bytes) {
  const std::uint8_t* const b = bytes.data();
  const std::size_t n = bytes.size();
  if (n < 22) return nullptr;
  // The end record: the last one in the file, followed by nothing but its comment.
  std::size_t eocd = n - 22;
  const std::size_t lowest = n - 22 > 0xFFFF ? n - 22 - 0xFFFF : 0;
  while (!(Get32(b + eocd) == 0x06054b50 && eocd + 22 + Get16(b + eocd + 20) == n)) {
    if (eocd == lowest) return nullptr;
    --eocd;
  }
  if (Get16(b + eocd + 4) != 0 || Get16(b + eocd + 6) != 0) return nullptr;  // split over disks
  std::uint64_t count = Get16(b + eocd + 10), dirSize = Get32(b + eocd + 12), dirOffset = Get32(b + eocd + 16);
  if (count == 0xFFFF || dirSize == 0xFFFFFFFF || dirOffset == 0xFFFFFFFF) {
    // The Zip64 end record, through its locator just before the end record.
    if (eocd < 20 || Get32(b + eocd - 20) != 0x07064b50) return nullptr;
    const std::uint64_t at = Get64(b + eocd - 20 + 8);
    if (at > n || n - at < 56 || Get32(b + at) != 0x06064b50) return nullptr;
    if (Get32(b + at + 16) != 0 || Get32(b + at + 20) != 0) return nullptr;
    count = Get64(b + at + 32);
    dirSize = Get64(b + at + 40);
    dirOffset = Get64(b + at + 48);
  }
  if (dirOffset > n || dirSize > n - dirOffset || count > dirSize / 46) return nullptr;
  std::unique_ptr<PackageReader> reader(new PackageReader(bytes));
  reader->parts_.reserve(count);
  const std::uint8_t* p = b + dirOffset;
  const std::uint8_t* const dirEnd = p + dirSize;
  for (std::uint64_t k = 0; k < count; ++k) {
    if (dirEnd - p < 46 || Get32(p) != 0x02014b50) return nullptr;
    const std::size_t nameLength = Get16(p + 28), extra = Get16(p + 30), comment = Get16(p + 32);
    if (static_cast<std::size_t>(dirEnd - p - 46) < nameLength + extra + comment) return nullptr;
    Part part{Get16(p + 8), Get16(p + 10), Get32(p + 16), Get32(p + 20), Get32(p + 24), Get32(p + 42), true};
    // Encrypted, another method, or sizes and offsets that live in a Zip64 extra field.
    if ((part.flags & 1) || (part.method != 0 && part.method != 8) || part.packedSize == 0xFFFFFFFF ||
        part.size == 0xFFFFFFFF || part.offset == 0xFFFFFFFF || Get16(p + 34) != 0)
      part.ours = false;
    reader->parts_.try_emplace(std::string_view(reinterpret_cast<const char*>(p + 46), nameLength), part);
    p += 46 + nameLength + extra + comment;
  }
  return reader;
}

std::unique_ptr<ZipReader> OpenWithLibzip(std::span<const std::uint8_t> bytes) {
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

}  // namespace

std::unique_ptr<ZipReader> ZipReader::Open(std::span<const std::uint8_t> bytes) {
  if (std::unique_ptr<PackageReader> ours = PackageReader::Open(bytes)) return ours;
  return OpenWithLibzip(bytes);
}

namespace {
const ZipPlugin kTable{.zipParts = &ZipParts, .open = &ZipReader::Open};
}  // namespace

}  // namespace kipo

extern "C" __attribute__((visibility("default"))) const void* kipo_zip_plugin() { return &kipo::kTable; }
