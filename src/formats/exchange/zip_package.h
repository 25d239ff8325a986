#pragma once
// Zip packages (the PowerPoint presentation), written and read with libdeflate and zlib,
// with libzip for archives of forms our reader leaves to it. Both, and the compression and
// crypto libraries libzip pulls in, are built into the plugin kipo-zip.so, loaded the
// first time a package is written or read (platform/plugin.h), so no other command loads
// them. zip_forward.cpp holds the program's side; zip_package.cpp, built into the plugin
// only, calls the libraries.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <string>
#include <utility>
#include <vector>

namespace kipo {

// The parts zipped in order (names in UTF-8); nullopt when the archive cannot be made.
std::optional<std::vector<std::uint8_t>> ZipParts(const std::vector<std::pair<std::string, std::string>>& parts);

// A package whose parts are put together from pieces: texts that parts repeat, which the
// archive deflates once per package and copies into every part that holds them (or, when
// the part already holds the same text, refers back to it), and bytes of a part's own
// between them. A presentation's slides are the same bytes but for their cues and text, and
// its lists the same entry but for a number; deflating each part whole was nearly all the
// time of writing one.
class PackagePieces {
 public:
  using TextId = std::uint32_t;
  static constexpr TextId kOwnBytes = 0xFFFFFFFF;
  struct Piece {
    TextId text;                 // kOwnBytes: `size` bytes of the own bytes from `offset`
    std::uint32_t size = 0;
    std::size_t offset = 0;
  };
  struct Part {
    std::size_t nameOffset, nameSize;  // in the names' buffer: Name(part)
    std::size_t firstPiece, endPiece;  // its pieces
    bool whole;                        // one piece of own bytes, deflated as a whole part
    bool stored;                       // its pieces copied as they are, not deflated
  };

  // A text that parts repeat, and its id.
  TextId Repeated(std::string text) {
    texts_.push_back(std::move(text));
    return static_cast<TextId>(texts_.size() - 1);
  }
  // A part deflated whole (the parts a package holds once).
  void AddWhole(std::string_view name, std::string_view data) {
    BeginPart(name);
    own_.append(data);
    TakeOwn();
    parts_.back().whole = true;
  }
  // A part made of the pieces added after it, up to the next part; `stored`: kept as it is
  // in the archive (a reader takes it where it lies) instead of deflated.
  void BeginPart(std::string_view name, bool stored = false) {
    TakeOwn();
    parts_.push_back(Part{names_.size(), name.size(), pieces_.size(), pieces_.size(), false, stored});
    names_.append(name);
  }
  void Add(TextId text) {
    if (taken_ != own_.size()) TakeOwn();
    pieces_.push_back(Piece{text, static_cast<std::uint32_t>(texts_[text].size()), 0});
    parts_.back().endPiece = pieces_.size();
  }
  // Room for about so many parts, pieces and own bytes.
  void Reserve(std::size_t parts, std::size_t pieces, std::size_t ownBytes) {
    parts_.reserve(parts);
    pieces_.reserve(pieces);
    own_.reserve(ownBytes);
    names_.reserve(parts * 32);
  }
  // A part's own bytes are appended to OwnBytes(); the next Add(text), BeginPart or Finish
  // takes them as one piece.
  std::string& OwnBytes() { return own_; }
  // Ends the pieces (call once, before zipping).
  void Finish() { TakeOwn(); }

  const std::vector<std::string>& Texts() const { return texts_; }
  const std::vector<Part>& Parts() const { return parts_; }
  const std::vector<Piece>& Pieces() const { return pieces_; }
  std::string_view Name(const Part& part) const { return std::string_view(names_).substr(part.nameOffset, part.nameSize); }
  std::string_view Own(const Piece& p) const { return std::string_view(own_).substr(p.offset, p.size); }
  std::string_view Text(const Piece& p) const { return p.text == kOwnBytes ? Own(p) : std::string_view(texts_[p.text]); }
  // A part's whole bytes.
  std::string Bytes(const Part& part) const {
    std::string out;
    for (std::size_t k = part.firstPiece; k < part.endPiece; ++k) out += Text(pieces_[k]);
    return out;
  }

 private:
  void TakeOwn() {
    if (taken_ == own_.size() || parts_.empty()) return;
    Part& part = parts_.back();
    if (part.endPiece > part.firstPiece && pieces_.back().text == kOwnBytes &&
        pieces_.back().offset + pieces_.back().size == taken_ && own_.size() - pieces_.back().offset < 0xFFFFFFFF) {
      pieces_.back().size = static_cast<std::uint32_t>(own_.size() - pieces_.back().offset);
    } else {
      pieces_.push_back(Piece{kOwnBytes, static_cast<std::uint32_t>(own_.size() - taken_), taken_});
      part.endPiece = pieces_.size();
    }
    taken_ = own_.size();
  }
  std::vector<std::string> texts_;
  std::vector<Part> parts_;
  std::vector<Piece> pieces_;
  std::string own_;
  std::size_t taken_ = 0;  // own bytes up to here are in pieces
  std::string names_;      // every part's name, one after another
};

// The package zipped: parts in order; nullopt when the archive cannot be made.
std::optional<std::vector<std::uint8_t>> ZipPieces(const PackagePieces& package);

// An archive opened for reading over bytes the caller keeps alive.
class ZipReader {
 public:
  // nullptr when the bytes are not a zip archive.
  static std::unique_ptr<ZipReader> Open(std::span<const std::uint8_t> bytes);
  virtual ~ZipReader() = default;
  // One part's bytes; nullopt when it is missing, damaged or larger than `maxSize`.
  virtual std::optional<std::string> Read(const std::string& name, std::uint64_t maxSize) const = 0;
  // The same into `out`, whose room is kept (a caller reading many parts allocates once);
  // false as Read gives nullopt.
  virtual bool ReadTo(const std::string& name, std::uint64_t maxSize, std::string& out) const {
    std::optional<std::string> data = Read(name, maxSize);
    if (data) out = std::move(*data);
    return data.has_value();
  }
  // One part's bytes as a view: where they lie in the archive when the part is stored (its
  // CRC checked), else read into `scratch` as by ReadTo; nullopt as Read gives it.
  virtual std::optional<std::string_view> View(const std::string& name, std::uint64_t maxSize, std::string& scratch) const {
    if (!ReadTo(name, maxSize, scratch)) return std::nullopt;
    return std::string_view(scratch);
  }
};

// The plugin's table of entry points.
struct ZipPlugin {
  std::optional<std::vector<std::uint8_t>> (*zipParts)(const std::vector<std::pair<std::string, std::string>>&);
  std::optional<std::vector<std::uint8_t>> (*zipPieces)(const PackagePieces&);
  std::unique_ptr<ZipReader> (*open)(std::span<const std::uint8_t>);
};

}  // namespace kipo
