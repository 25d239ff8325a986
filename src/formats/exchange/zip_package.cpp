// Built into kipo-zip.so only: zip packages written and read with libdeflate and zlib,
// libzip for the archives our reader leaves to it, and the plugin's table.
#include "formats/exchange/zip_package.h"

#include <libdeflate.h>
#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <string_view>
#include <unordered_map>

#include "platform/large_pages.h"

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
// writing one. Here a part given whole is deflated by libdeflate (a small part the archive
// already holds is copied instead of deflated again), a part given in pieces is put
// together from codes worked out once per package (below), and the headers are written
// into the one output buffer.

// Little-endian fields into a byte vector, or into a Fields buffer that a part's header is
// gathered in and appended from at once (two pushes into the archive per field before).
class Fields {
 public:
  void push_back(std::uint8_t b) { b_[n_++] = b; }
  void AppendTo(std::vector<std::uint8_t>& o) const;

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

// Bytes appended into room the output already has (it is reserved for the whole archive):
// a generic insertion costs more than the copy for the short names and headers.
void Append(std::vector<std::uint8_t>& out, const void* data, std::size_t n) {
  const std::size_t at = out.size();
  out.resize(at + n);
  if (n) std::memcpy(out.data() + at, data, n);
}

void Fields::AppendTo(std::vector<std::uint8_t>& o) const { Append(o, b_, n_); }

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

namespace {

// How a package's pieced parts are deflated. Each part is one deflate block of fixed codes
// (so that an inflater sets up its tables once a part) holding:
// - texts, or runs of texts, the part holds for the first time: their codes worked out
//   once per package, by zlib's deflate at its best level with fixed codes (the matches
//   within the text) or as plain literals, whichever is shorter;
// - texts the part already holds: a reference back to where they were (a list's entries
//   refer to the entry before, a slide's second row to its first);
// - the part's own bytes as literals.
// A part's CRC is worked out from its pieces: a text's CRC is known, and a CRC is moved
// past a text's length through a table per text, instead of running over every byte.

// Codes of a text or run of texts, worked out once per package: `bits` bits, kept
// shifted by each of the eight places a part's stream can stand at within a byte, so that
// putting them into a part is a copy of bytes.
struct Codes {
  std::size_t bits = 0;
  std::array<std::vector<std::uint8_t>, 8> shifted;  // [k]: the codes after k bits of zeros
};

// Bytes packed least significant bit first, `bits` of them from bit `from` on, as Codes.
Codes BitsToCodes(const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t bits) {
  Codes c;
  c.bits = bits;
  for (std::size_t shift = 0; shift < 8; ++shift) {
    std::vector<std::uint8_t>& v = c.shifted[shift];
    v.assign((bits + shift + 7) / 8, 0);
    for (std::size_t k = 0; k < bits; ++k) {
      const std::size_t at = from + k, to = shift + k;
      if ((bytes[at / 8] >> (at % 8)) & 1) v[to / 8] |= static_cast<std::uint8_t>(1u << (to % 8));
    }
  }
  return c;
}

// Bits into the output, least significant first, as deflate packs them; gathered in a
// small buffer and appended to the output a few kilobytes at a time. Words are stored as
// the machine holds them: little-endian machines only.
static_assert(std::endian::native == std::endian::little);
class BitWriter {
 public:
  explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}
  ~BitWriter() { Spill(); }
  BitWriter(const BitWriter&) = delete;
  BitWriter& operator=(const BitWriter&) = delete;

  void Put(std::uint32_t bits, int count) {  // count <= 32
    acc_ |= static_cast<std::uint64_t>(bits) << n_;
    n_ += count;
    if (n_ >= 32) {
      const auto word = static_cast<std::uint32_t>(acc_);
      std::memcpy(buffer_ + used_, &word, 4);
      used_ += 4;
      acc_ >>= 32;
      n_ -= 32;
      if (used_ > sizeof buffer_ - 8) Spill();
    }
  }
  // Codes worked out before: the held bits brought under a byte, then the codes shifted
  // to where the stream stands copied as bytes, their first byte joined with the held bits
  // and their last, unfinished one held.
  void PutCodes(const Codes& c) {
    for (; n_ >= 8; n_ -= 8, acc_ >>= 8) buffer_[used_++] = static_cast<std::uint8_t>(acc_);
    const std::vector<std::uint8_t>& v = c.shifted[static_cast<std::size_t>(n_)];
    const std::size_t total = c.bits + static_cast<std::size_t>(n_);
    const std::size_t whole = total / 8;
    if (whole == 0) {
      if (!v.empty()) acc_ |= v[0];
      n_ = static_cast<int>(total);
      return;
    }
    if (used_ + whole + 8 > sizeof buffer_) Spill();
    const std::uint8_t first = static_cast<std::uint8_t>(v[0] | acc_);
    if (whole + 8 > sizeof buffer_) {
      // Longer than the buffer: straight into the output.
      out_.push_back(first);
      out_.insert(out_.end(), v.begin() + 1, v.begin() + static_cast<std::ptrdiff_t>(whole));
    } else {
      buffer_[used_] = first;
      std::memcpy(buffer_ + used_ + 1, v.data() + 1, whole - 1);
      used_ += whole;
    }
    n_ = static_cast<int>(total % 8);
    acc_ = n_ ? v[whole] : 0;
  }
  // Pads to a byte and appends everything held to the output.
  void Align() {
    for (; n_ > 0; n_ -= 8, acc_ >>= 8) buffer_[used_++] = static_cast<std::uint8_t>(acc_);
    n_ = 0;
    acc_ = 0;
    Spill();
  }

 private:
  void Spill() {
    Append(out_, buffer_, used_);
    used_ = 0;
  }
  std::vector<std::uint8_t>& out_;
  std::uint64_t acc_ = 0;
  int n_ = 0;
  std::size_t used_ = 0;
  std::uint8_t buffer_[4096];
};

// Deflate's fixed codes, bit-reversed as they are written, with their extra bits for
// lengths.
struct FixedCodes {
  std::uint32_t literal[256];
  std::uint8_t literalBits[256];
  std::uint32_t length[259];  // 3..258: the code and its extra bits
  std::uint8_t lengthBits[259];
  std::uint32_t distance[30];  // the 5-bit codes, reversed

  FixedCodes() {
    auto reversed = [](std::uint32_t code, int bits) {
      std::uint32_t r = 0;
      for (int k = 0; k < bits; ++k) r |= ((code >> k) & 1) << (bits - 1 - k);
      return r;
    };
    for (int b = 0; b < 256; ++b) {
      literalBits[b] = b < 144 ? 8 : 9;
      literal[b] = b < 144 ? reversed(0x30 + b, 8) : reversed(0x190 + b - 144, 9);
    }
    // Length symbols 257..285: base lengths and extra bits.
    static constexpr int kBase[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                    31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
    static constexpr int kExtra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    for (int len = 3; len <= 258; ++len) {
      int k = 28;
      while (kBase[k] > len) --k;
      const int symbol = 257 + k;
      const int bits = symbol < 280 ? 7 : 8;
      const std::uint32_t code = symbol < 280 ? reversed(symbol - 256, 7) : reversed(0xC0 + symbol - 280, 8);
      length[len] = code | (static_cast<std::uint32_t>(len - kBase[k]) << bits);
      lengthBits[len] = static_cast<std::uint8_t>(bits + kExtra[k]);
    }
    for (std::uint32_t d = 0; d < 30; ++d) distance[d] = reversed(d, 5);
  }
};
const FixedCodes& Fixed() {
  static const FixedCodes codes;
  return codes;
}

// A part's deflate stream: one last block of fixed codes.
class PartEncoder {
 public:
  explicit PartEncoder(std::vector<std::uint8_t>& out) : bits_(out), codes_(Fixed()) {
    bits_.Put(3, 3);  // the last block, fixed codes
  }

  void Literals(std::string_view bytes) {
    FlushCopy();
    std::size_t k = 0;
    // ASCII four bytes at a time: their codes are all eight bits long.
    for (; k + 4 <= bytes.size(); k += 4) {
      std::uint32_t four;
      std::memcpy(&four, bytes.data() + k, 4);
      if (four & 0x80808080u) break;
      bits_.Put(codes_.literal[four & 0xFF] | (codes_.literal[(four >> 8) & 0xFF] << 8) |
                    (codes_.literal[(four >> 16) & 0xFF] << 16) | (codes_.literal[four >> 24] << 24),
                32);
    }
    // Then three codes of at most nine bits a time.
    for (; k + 3 <= bytes.size(); k += 3) {
      const auto a = static_cast<unsigned char>(bytes[k]), b = static_cast<unsigned char>(bytes[k + 1]),
                 c = static_cast<unsigned char>(bytes[k + 2]);
      const int na = codes_.literalBits[a], nb = codes_.literalBits[b];
      bits_.Put(codes_.literal[a] | (codes_.literal[b] << na) | (codes_.literal[c] << (na + nb)),
                na + nb + codes_.literalBits[c]);
    }
    for (; k < bytes.size(); ++k) {
      const auto c = static_cast<unsigned char>(bytes[k]);
      bits_.Put(codes_.literal[c], codes_.literalBits[c]);
    }
  }
  // Codes worked out before (a text's).
  void Coded(const Codes& codes) {
    FlushCopy();
    bits_.PutCodes(codes);
  }
  // `length` bytes again from `distance` back (1..32768); runs of the same distance join.
  void Copy(std::size_t length, std::size_t distance) {
    if (copyLength_ && copyDistance_ != distance) FlushCopy();
    copyLength_ += length;
    copyDistance_ = distance;
  }
  void Finish() {
    FlushCopy();
    bits_.Put(0, 7);  // the end of the block
    bits_.Align();
  }

 private:
  void FlushCopy() {
    std::size_t n = copyLength_;
    copyLength_ = 0;
    if (!n) return;
    const std::uint32_t d = static_cast<std::uint32_t>(copyDistance_ - 1);
    std::uint32_t distanceCode, extraBits = 0, extra = 0;
    if (d < 4) {
      distanceCode = d;
    } else {
      const int top = 31 - __builtin_clz(d);
      distanceCode = static_cast<std::uint32_t>(2 * top) + ((d >> (top - 1)) & 1);
      extraBits = static_cast<std::uint32_t>(top - 1);
      extra = d & ((1u << extraBits) - 1);
    }
    const std::uint32_t distance = codes_.distance[distanceCode] | (extra << 5);
    const int distanceBits = static_cast<int>(5 + extraBits);
    while (n) {
      const std::size_t take = n <= 258 ? n : n - 258 < 3 ? n - 3 : 258;
      bits_.Put(codes_.length[take], codes_.lengthBits[take]);
      bits_.Put(distance, distanceBits);
      n -= take;
    }
  }

  BitWriter bits_;
  const FixedCodes& codes_;
  std::size_t copyLength_ = 0, copyDistance_ = 0;
};

// A text's CRC, and the table that moves a CRC past the text's length.
struct TextCrc {
  std::uint32_t crc = 0;
  std::array<std::array<std::uint32_t, 256>, 4> shift;

  explicit TextCrc(std::string_view text) {
    crc = static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size())));
    // Moving a CRC past n bytes is linear in its bits: the images of the 32 single bits,
    // then every value of each byte as the sum of its bits' images.
    const uLong op = crc32_combine_gen(static_cast<z_off_t>(text.size()));
    for (int k = 0; k < 4; ++k) {
      shift[k][0] = 0;
      for (int bit = 0; bit < 8; ++bit) {
        const auto image = static_cast<std::uint32_t>(crc32_combine_op(1ul << (8 * k + bit), 0, op));
        for (int b = 1 << bit; b < (2 << bit); ++b) shift[k][b] = shift[k][b - (1 << bit)] ^ image;
      }
    }
  }
  std::uint32_t After(std::uint32_t before) const {
    return shift[0][before & 0xFF] ^ shift[1][(before >> 8) & 0xFF] ^ shift[2][(before >> 16) & 0xFF] ^
           shift[3][before >> 24] ^ crc;
  }
};

// Texts deflated by zlib at its best level with fixed codes, once per package (a
// presentation has a few dozen such runs): the codes of the block without its header and
// its end, to be put into a part's block.
class RunDeflater {
 public:
  RunDeflater() { ok_ = deflateInit2(&z_, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 9, Z_FIXED) == Z_OK; }
  ~RunDeflater() {
    if (ok_) deflateEnd(&z_);
  }
  RunDeflater(const RunDeflater&) = delete;
  RunDeflater& operator=(const RunDeflater&) = delete;

  // nullopt when zlib fails or does not give one block of fixed codes (a text it would
  // store, or one too long for one block: such a text is written as literals).
  std::optional<Codes> Deflate(const std::string& text) {
    if (!ok_ || text.empty() || text.size() > 8192 || deflateReset(&z_) != Z_OK) return std::nullopt;
    std::vector<std::uint8_t> out(deflateBound(&z_, text.size()) + 64);
    z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z_.avail_in = static_cast<uInt>(text.size());
    z_.next_out = out.data();
    z_.avail_out = static_cast<uInt>(out.size());
    // The block ended, its last bits held back; then a sync flush writes them out.
    if (deflate(&z_, Z_BLOCK) != Z_OK || z_.avail_in != 0) return std::nullopt;
    const std::size_t whole = out.size() - z_.avail_out;
    unsigned pending = 0;
    int heldBits = 0;
    if (deflatePending(&z_, &pending, &heldBits) != Z_OK || pending != 0) return std::nullopt;
    if (deflate(&z_, Z_SYNC_FLUSH) != Z_OK || z_.avail_out == 0) return std::nullopt;
    const std::size_t bits = whole * 8 + static_cast<std::size_t>(heldBits);
    // Not the last block, fixed codes; its header (3 bits) and end (7 zero bits) left out.
    if (bits < 10 || (out[0] & 7) != 2) return std::nullopt;
    return BitsToCodes(out, 3, bits - 10);
  }

 private:
  z_stream z_{};
  bool ok_ = false;
};

// The longest common start and end of two texts (not overlapping in the shorter).
std::pair<std::size_t, std::size_t> CommonEnds(std::string_view a, std::string_view b) {
  const std::size_t most = std::min(a.size(), b.size());
  std::size_t start = 0;
  while (start < most && a[start] == b[start]) ++start;
  std::size_t end = 0;
  while (end < most - start && a[a.size() - 1 - end] == b[b.size() - 1 - end]) ++end;
  return {start, end};
}

// What the package's texts are worth to its parts: each text's CRC table, each run of texts
// deflated, and for a text the earlier text it is best written as a change of.
class TextTable {
 public:
  explicit TextTable(const PackagePieces& package)
      : package_(package), ends_(package.Texts().size()), literals_(package.Texts().size()) {
    crcs_.reserve(package.Texts().size());
    for (const std::string& text : package.Texts()) crcs_.emplace_back(text);
  }

  const TextCrc& Crc(PackagePieces::TextId id) const { return crcs_[id]; }
  // The common start and end of a text with another, worked out once per pair.
  std::pair<std::uint32_t, std::uint32_t> Ends(PackagePieces::TextId text, PackagePieces::TextId other) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>>& row = ends_[text];
    if (row.empty()) row.assign(package_.Texts().size(), {0xFFFFFFFF, 0});
    auto& e = row[other];
    if (e.first == 0xFFFFFFFF) {
      const auto [start, end] = CommonEnds(package_.Texts()[text], package_.Texts()[other]);
      e = {static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(end)};
    }
    return e;
  }
  // The text as literals, worked out once.
  const Codes& Literals(PackagePieces::TextId id) {
    Codes& c = literals_[id];
    if (c.bits == 0 && !package_.Texts()[id].empty()) c = LiteralCodes(package_.Texts()[id]);
    return c;
  }
  // The run of texts as codes: deflated by zlib, or literals where that is shorter.
  const Codes& Run(const PackagePieces::Piece* first, std::size_t count) {
    std::uint64_t key = 0xcbf29ce484222325ull;
    for (std::size_t k = 0; k < count; ++k) key = (key ^ first[k].text) * 0x100000001b3ull;
    auto [at, added] = runs_.try_emplace(key);
    std::vector<Deflated>& same = at->second;
    for (const Deflated& d : same)
      if (d.ids.size() == count && std::equal(d.ids.begin(), d.ids.end(), first,
                                              [](std::uint32_t id, const PackagePieces::Piece& p) { return id == p.text; }))
        return d.codes;
    Deflated d;
    std::string joined;
    for (std::size_t k = 0; k < count; ++k) {
      d.ids.push_back(first[k].text);
      joined += package_.Texts()[first[k].text];
    }
    d.codes = LiteralCodes(joined);
    if (std::optional<Codes> deflated = deflater_.Deflate(joined); deflated && deflated->bits < d.codes.bits)
      d.codes = std::move(*deflated);
    same.push_back(std::move(d));
    return same.back().codes;
  }

 private:
  static Codes LiteralCodes(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    std::size_t bits = 0;
    {
      BitWriter w(bytes);
      for (unsigned char c : text) {
        w.Put(Fixed().literal[c], Fixed().literalBits[c]);
        bits += Fixed().literalBits[c];
      }
      w.Align();
    }
    return BitsToCodes(bytes, 0, bits);
  }

  struct Deflated {
    std::vector<std::uint32_t> ids;
    Codes codes;
  };
  const PackagePieces& package_;
  std::vector<TextCrc> crcs_;
  std::vector<std::vector<std::pair<std::uint32_t, std::uint32_t>>> ends_;
  std::vector<Codes> literals_;
  std::unordered_map<std::uint64_t, std::vector<Deflated>> runs_;
  RunDeflater deflater_;
};

// One pieced part deflated into `out`; its CRC and size.
void DeflatePieces(const PackagePieces& package, const PackagePieces::Part& part, TextTable& table,
                   std::vector<std::int64_t>& lastAt, std::vector<PackagePieces::TextId>& seen,
                   std::vector<std::uint8_t>& out, std::uint32_t& crcOut, std::uint64_t& sizeOut) {
  const PackagePieces::Piece* const pieces = package.Pieces().data();
  const auto& texts = package.Texts();
  PartEncoder encoder(out);
  seen.clear();  // texts whose lastAt this part set
  std::uint32_t crc = 0;
  std::int64_t at = 0;  // bytes of the part so far
  constexpr std::int64_t kWindow = 32768;
  auto nearBy = [&](PackagePieces::TextId id) { return lastAt[id] >= 0 && at - lastAt[id] <= kWindow; };
  auto passed = [&](PackagePieces::TextId id) {
    if (lastAt[id] < 0) seen.push_back(id);
    lastAt[id] = at;
    crc = table.Crc(id).After(crc);
    at += static_cast<std::int64_t>(texts[id].size());
  };
  for (std::size_t k = part.firstPiece; k < part.endPiece;) {
    const PackagePieces::Piece& piece = pieces[k];
    if (piece.text == PackagePieces::kOwnBytes) {
      const std::string_view own = package.Own(piece);
      encoder.Literals(own);
      crc = libdeflate_crc32(crc, own.data(), own.size());
      at += static_cast<std::int64_t>(own.size());
      ++k;
      continue;
    }
    const std::string& text = texts[piece.text];
    if (nearBy(piece.text) && text.size() < 3) {
      const Codes& codes = table.Literals(piece.text);
      encoder.Coded(codes);
      passed(piece.text);
      ++k;
      continue;
    }
    if (nearBy(piece.text)) {
      encoder.Copy(text.size(), static_cast<std::size_t>(at - lastAt[piece.text]));
      passed(piece.text);
      ++k;
      continue;
    }
    // Texts this part holds for the first time, one after another.
    std::size_t end = k, length = 0;
    while (end < part.endPiece && pieces[end].text != PackagePieces::kOwnBytes && !nearBy(pieces[end].text) &&
           std::none_of(pieces + k, pieces + end, [&](const PackagePieces::Piece& p) { return p.text == pieces[end].text; })) {
      length += texts[pieces[end].text].size();
      ++end;
    }
    if (end == k + 1) {
      // One text: as a change of a text nearby that starts and ends the same way.
      std::size_t best = 0, bestStart = 0, bestEnd = 0;
      PackagePieces::TextId from = PackagePieces::kOwnBytes;
      for (PackagePieces::TextId other : seen) {
        if (!nearBy(other)) continue;
        const auto [start, tail] = table.Ends(piece.text, other);
        if (start + tail > best) {
          best = start + tail;
          bestStart = start;
          bestEnd = tail;
          from = other;
        }
      }
      if (from != PackagePieces::kOwnBytes && best >= 16 && text.size() - best <= 16) {
        const std::string& other = texts[from];
        const auto back = static_cast<std::size_t>(at - lastAt[from]);
        if (bestStart >= 3) encoder.Copy(bestStart, back);
        else encoder.Literals(std::string_view(text).substr(0, bestStart));
        encoder.Literals(std::string_view(text).substr(bestStart, text.size() - bestStart - bestEnd));
        // The end of the other text, from where it lies now.
        const std::size_t endBack = back + (text.size() - bestEnd) - (other.size() - bestEnd);
        if (bestEnd >= 3 && endBack <= kWindow) encoder.Copy(bestEnd, endBack);
        else encoder.Literals(std::string_view(text).substr(text.size() - bestEnd));
        passed(piece.text);
        ++k;
        continue;
      }
    }
    const Codes& codes = table.Run(pieces + k, end - k);
    encoder.Coded(codes);
    for (std::size_t j = k; j < end; ++j) passed(pieces[j].text);
    k = end;
  }
  encoder.Finish();
  for (PackagePieces::TextId id : seen) lastAt[id] = -1;
  crcOut = crc;
  sizeOut = static_cast<std::uint64_t>(at);
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ZipPieces(const PackagePieces& package) {
  const auto& parts = package.Parts();
  const auto& pieces = package.Pieces();
  // Zip32 sizes and offsets: a package of 4 GiB is far beyond any presentation.
  std::uint64_t total = 0;
  for (const PackagePieces::Part& part : parts) {
    if (part.nameSize > 0xFFFF) return std::nullopt;
    std::uint64_t size = 0;
    for (std::size_t k = part.firstPiece; k < part.endPiece; ++k) size += pieces[k].size;
    if (size >= 0xFFFFFFFFu) return std::nullopt;
    // Room for the part at its largest: stored, or a fixed-code block, whose literals take
    // up to nine bits a byte and its shortest copies about ten. A guess short of it made
    // the archive grow, copying it once at half its size; room never written is never
    // touched, so it costs address space only.
    total += size + size / 4 + part.nameSize + 128;
  }
  std::vector<std::uint8_t> out;
  out.reserve(total + 1024);
  PreferLargePages(out.data(), out.capacity());
  Deflater deflater;
  TextTable table(package);
  std::vector<std::int64_t> lastAt(package.Texts().size(), -1);
  std::vector<PackagePieces::TextId> seen;
  std::vector<Entry> entries;
  entries.reserve(parts.size());
  // Whole parts already in the archive by their contents (only small ones are looked up).
  std::unordered_map<std::string_view, std::size_t> packed;
  for (const PackagePieces::Part& part : parts) {
    const std::string_view name = package.Name(part);
    Entry e{name, 8, 0, 0, 0, out.size(), 0};
    std::string_view data;
    if (part.whole) data = part.endPiece > part.firstPiece ? package.Own(pieces[part.firstPiece]) : std::string_view();
    e.size = static_cast<std::uint32_t>(data.size());
    const Entry* same = nullptr;
    if (part.whole && data.size() <= 1024) {
      auto [it, added] = packed.try_emplace(data, entries.size());
      if (!added) same = &entries[it->second];
    }
    Fields local;
    Put32(local, 0x04034b50);
    PutHeaderFields(local, e);  // method, CRC and sizes written again below once known
    local.AppendTo(out);
    Append(out, name.data(), name.size());
    e.dataOffset = out.size();
    if (same) {
      e.method = same->method;
      e.crc = same->crc;
      e.packedSize = same->packedSize;
      const std::size_t at = out.size();
      out.resize(at + same->packedSize);
      std::memcpy(out.data() + at, out.data() + same->dataOffset, same->packedSize);
    } else if (part.whole) {
      e.crc = libdeflate_crc32(0, data.data(), data.size());
      if (!deflater.Deflate(data, out)) return std::nullopt;
    } else if (part.stored) {
      // The pieces copied one after another into room made once, then their CRC while
      // they are still in the cache.
      std::size_t size = 0;
      for (std::size_t k = part.firstPiece; k < part.endPiece; ++k) size += pieces[k].size;
      out.resize(e.dataOffset + size);
      std::uint8_t* to = out.data() + e.dataOffset;
      for (std::size_t k = part.firstPiece; k < part.endPiece; ++k) {
        const std::string_view text = package.Text(pieces[k]);
        std::memcpy(to, text.data(), text.size());
        to += text.size();
      }
      e.method = 0;
      e.size = static_cast<std::uint32_t>(size);
      e.crc = libdeflate_crc32(0, out.data() + e.dataOffset, size);
    } else {
      std::uint64_t size = 0;
      DeflatePieces(package, part, table, lastAt, seen, out, e.crc, size);
      e.size = static_cast<std::uint32_t>(size);
    }
    if (!same) {
      e.packedSize = static_cast<std::uint32_t>(out.size() - e.dataOffset);
      if (e.method == 8 && e.packedSize >= e.size) {
        // Deflating made it no smaller (a tiny part): stored as it is.
        out.resize(e.dataOffset);
        if (part.whole) {
          out.insert(out.end(), data.begin(), data.end());
        } else {
          const std::string bytes = package.Bytes(part);
          out.insert(out.end(), bytes.begin(), bytes.end());
        }
        e.method = 0;
        e.packedSize = e.size;
      }
    }
    // The method, CRC and sizes in the local header.
    out[e.offset + 8] = static_cast<std::uint8_t>(e.method);
    for (int k = 0; k < 4; ++k) {
      out[e.offset + 14 + k] = static_cast<std::uint8_t>(e.crc >> (8 * k));
      out[e.offset + 18 + k] = static_cast<std::uint8_t>(e.packedSize >> (8 * k));
      out[e.offset + 22 + k] = static_cast<std::uint8_t>(e.size >> (8 * k));
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
    Append(out, e.name.data(), e.name.size());
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


std::optional<std::vector<std::uint8_t>> ZipParts(const std::vector<std::pair<std::string, std::string>>& parts) {
  PackagePieces package;
  for (const auto& [name, data] : parts) {
    if (data.size() >= 0xFFFFFFFFu) return std::nullopt;
    package.AddWhole(name, data);
  }
  package.Finish();
  return ZipPieces(package);
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
    std::string data;
    if (!ReadTo(name, maxSize, data)) return std::nullopt;
    return data;
  }

  bool ReadTo(const std::string& name, std::uint64_t maxSize, std::string& out) const override {
    const Part* found = Find(name);
    if (!found) {
      // libzip also finds names stored in the old DOS code page by their UTF-8 spelling.
      return Libzip() && Libzip()->ReadTo(name, maxSize, out);
    }
    const Part& part = *found;
    if (part.size > maxSize) return false;
    if (Inflate(part, out)) return true;
    return Libzip() && Libzip()->ReadTo(name, maxSize, out);
  }

  std::optional<std::string_view> View(const std::string& name, std::uint64_t maxSize, std::string& scratch) const override {
    const Part* part = Find(name);
    if (part && part->method == 0 && part->size <= maxSize) {
      if (const std::uint8_t* data = Data(*part); data && libdeflate_crc32(0, data, part->size) == part->crc)
        return std::string_view(reinterpret_cast<const char*>(data), part->size);
    }
    return ZipReader::View(name, maxSize, scratch);
  }

 private:
  struct Part {
    std::uint16_t flags, method;
    std::uint32_t crc;
    std::uint64_t packedSize, size, offset;  // offset: of the local header
    bool ours;                               // read here, not by libzip
    std::string_view name;                   // a view into the archive
  };

  // The parts by name: a table of open addressing over the directory's order, its size a
  // power of two at least twice the parts (a hash map's node a part, allocated and freed,
  // was a third of reading the directory). Names hashed eight bytes at a time.
  static std::uint64_t Hash(std::string_view name) {
    std::uint64_t h = name.size() * 0x9E3779B97F4A7C15ull;
    std::size_t k = 0;
    for (; k + 8 <= name.size(); k += 8) {
      std::uint64_t word;
      std::memcpy(&word, name.data() + k, 8);
      h = (h ^ word) * 0xFF51AFD7ED558CCDull;
      h ^= h >> 29;
    }
    std::uint64_t last = 0;
    std::memcpy(&last, name.data() + k, name.size() - k);
    h = (h ^ last) * 0xC4CEB9FE1A85EC53ull;
    return h ^ (h >> 32);
  }
  // Parts are most often read in the directory's order (a presentation's slides, each
  // followed there by its relationships): the two parts after the last one found are
  // looked at first, in memory read in order, and the table (a cache miss a part in a
  // large package) only after them. Names in the directory are unique (Add).
  const Part* Find(std::string_view name) const {
    const std::size_t next = next_.load(std::memory_order_relaxed);
    for (std::size_t k = next; k < next + 2 && k < parts_.size(); ++k) {
      if (parts_[k].name == name) {
        next_.store(k + 1, std::memory_order_relaxed);
        return &parts_[k];
      }
    }
    if (slots_.empty()) return nullptr;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = Hash(name) & mask;; at = (at + 1) & mask) {
      const std::uint32_t slot = slots_[at];
      if (slot == 0) return nullptr;
      if (parts_[slot - 1].name == name) {
        next_.store(slot, std::memory_order_relaxed);
        return &parts_[slot - 1];
      }
    }
  }
  // The first part of a name counts, as in a hash map's try_emplace.
  void Add(const Part& part, std::uint64_t hash) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = hash & mask;
    for (; slots_[at] != 0; at = (at + 1) & mask)
      if (parts_[slots_[at] - 1].name == part.name) return;
    parts_.push_back(part);
    slots_[at] = static_cast<std::uint32_t>(parts_.size());
  }

  explicit PackageReader(std::span<const std::uint8_t> bytes)
      : bytes_(bytes), inflater_(libdeflate_alloc_decompressor()) {}

  // Where the part's data starts, past its local header; nullptr to leave it to libzip.
  const std::uint8_t* Data(const Part& part) const {
    if (!part.ours || (part.method == 0 && part.packedSize != part.size)) return nullptr;
    const std::uint64_t end = bytes_.size();
    if (part.offset > end || end - part.offset < 30) return nullptr;
    const std::uint8_t* local = bytes_.data() + part.offset;
    if (Get32(local) != 0x04034b50) return nullptr;
    const std::uint64_t data = part.offset + 30 + Get16(local + 26) + Get16(local + 28);
    if (data > end || end - data < part.packedSize) return nullptr;
    return bytes_.data() + data;
  }

  // The part's bytes into `out`, or false to leave it to libzip.
  bool Inflate(const Part& part, std::string& out) const {
    const std::uint8_t* in = Data(part);
    if (!in || !inflater_) return false;
    out.resize(part.size);  // no clearing where the room is already there
    if (part.method == 0) {
      std::memcpy(out.data(), in, part.size);
    } else if (libdeflate_deflate_decompress(inflater_, in, part.packedSize, out.data(), part.size, nullptr) !=
               LIBDEFLATE_SUCCESS) {
      return false;
    }
    return libdeflate_crc32(0, out.data(), out.size()) == part.crc;
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
  std::vector<Part> parts_;
  std::vector<std::uint32_t> slots_;  // a part's index + 1, or 0 for none
  mutable std::atomic<std::size_t> next_{0};  // the part after the last one found
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
  reader->slots_.assign(std::bit_ceil(2 * count + 2), 0);
  const std::uint8_t* p = b + dirOffset;
  const std::uint8_t* const dirEnd = p + dirSize;
  // Parts go into the table eight behind the reading of the directory, their slots asked
  // for when they are read: in a large package the table lies outside the cache, and
  // waiting for a slot a part was most of the time of opening it.
  constexpr std::uint64_t kBehind = 8;
  std::array<Part, kBehind> read;
  std::array<std::uint64_t, kBehind> hashes;
  const std::size_t mask = reader->slots_.size() - 1;
  for (std::uint64_t k = 0; k < count; ++k) {
    if (dirEnd - p < 46 || Get32(p) != 0x02014b50) return nullptr;
    const std::size_t nameLength = Get16(p + 28), extra = Get16(p + 30), comment = Get16(p + 32);
    if (static_cast<std::size_t>(dirEnd - p - 46) < nameLength + extra + comment) return nullptr;
    Part part{Get16(p + 8), Get16(p + 10), Get32(p + 16), Get32(p + 20), Get32(p + 24), Get32(p + 42), true,
              std::string_view(reinterpret_cast<const char*>(p + 46), nameLength)};
    // Encrypted, another method, or sizes and offsets that live in a Zip64 extra field.
    if ((part.flags & 1) || (part.method != 0 && part.method != 8) || part.packedSize == 0xFFFFFFFF ||
        part.size == 0xFFFFFFFF || part.offset == 0xFFFFFFFF || Get16(p + 34) != 0)
      part.ours = false;
    const std::uint64_t hash = Hash(part.name);
    __builtin_prefetch(&reader->slots_[hash & mask]);
    if (k >= kBehind) reader->Add(read[k % kBehind], hashes[k % kBehind]);
    read[k % kBehind] = part;
    hashes[k % kBehind] = hash;
    p += 46 + nameLength + extra + comment;
  }
  for (std::uint64_t k = count > kBehind ? count - kBehind : 0; k < count; ++k) reader->Add(read[k % kBehind], hashes[k % kBehind]);
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
const ZipPlugin kTable{.zipParts = &ZipParts, .zipPieces = &ZipPieces, .open = &ZipReader::Open};
}  // namespace

}  // namespace kipo

extern "C" __attribute__((visibility("default"))) const void* kipo_zip_plugin() { return &kipo::kTable; }
