#pragma once
// Bounds-checked readers and writers of binary layouts, field by field, with an explicit
// byte order. A read past the end throws ReadError; it never reads outside the buffer.
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kipo {

using Bytes = std::vector<std::uint8_t>;

class ReadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}

  std::size_t pos() const { return pos_; }
  std::size_t size() const { return data_.size(); }
  std::size_t remaining() const { return data_.size() - pos_; }
  bool atEnd() const { return pos_ >= data_.size(); }
  void seek(std::size_t pos);
  void skip(std::size_t n);

  std::uint8_t u8();
  std::uint16_t u16le();
  std::uint16_t u16be();
  std::int16_t i16le() { return static_cast<std::int16_t>(u16le()); }
  std::int16_t i16be() { return static_cast<std::int16_t>(u16be()); }
  std::uint32_t u24le();
  std::uint32_t u24be();
  std::uint32_t u32le();
  std::uint32_t u32be();
  std::int32_t i32le() { return static_cast<std::int32_t>(u32le()); }
  float f32le();
  std::span<const std::uint8_t> bytes(std::size_t n);
  // n raw bytes as a string (no conversion).
  std::string raw(std::size_t n);
  // A fixed-width left-set text field: n bytes with trailing spaces (and NULs) removed.
  std::string field(std::size_t n);
  std::uint8_t peek(std::size_t offset = 0) const;

 private:
  void need(std::size_t n) const;
  std::span<const std::uint8_t> data_;
  std::size_t pos_ = 0;
};

class ByteWriter {
 public:
  ByteWriter() = default;
  explicit ByteWriter(std::size_t reserve) { buf_.reserve(reserve); }

  void u8(std::uint8_t v) { buf_.push_back(v); }
  void u16le(std::uint16_t v);
  void u16be(std::uint16_t v);
  void i16le(std::int16_t v) { u16le(static_cast<std::uint16_t>(v)); }
  void u24le(std::uint32_t v);
  void u24be(std::uint32_t v);
  void u32le(std::uint32_t v);
  void u32be(std::uint32_t v);
  void i32le(std::int32_t v) { u32le(static_cast<std::uint32_t>(v)); }
  void f32le(float v);
  void bytes(std::span<const std::uint8_t> b) { buf_.insert(buf_.end(), b.begin(), b.end()); }
  void raw(std::string_view s) { buf_.insert(buf_.end(), s.begin(), s.end()); }
  void fill(std::size_t n, std::uint8_t v) { buf_.insert(buf_.end(), n, v); }
  // A fixed-width left-set text field: text left, padded with `pad`, cut at the width.
  void field(std::string_view s, std::size_t width, std::uint8_t pad = ' ');
  // Overwrites already written bytes (for counts known only at the end).
  void patchU16le(std::size_t at, std::uint16_t v);
  void patchU32le(std::size_t at, std::uint32_t v);

  std::size_t size() const { return buf_.size(); }
  const Bytes& data() const { return buf_; }
  Bytes take() { return std::move(buf_); }

 private:
  Bytes buf_;
};

}  // namespace kipo
