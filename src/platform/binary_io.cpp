#include "platform/binary_io.h"

#include <bit>
#include <cstring>

namespace kipo {

void ByteReader::need(std::size_t n) const {
  if (n > data_.size() - pos_)
    throw ReadError("Unexpected end of file at byte " + std::to_string(pos_) + " (needed " +
                    std::to_string(n) + " more, " + std::to_string(data_.size() - pos_) +
                    " left)");
}

void ByteReader::seek(std::size_t pos) {
  if (pos > data_.size()) throw ReadError("Seek past the end of the file to byte " + std::to_string(pos));
  pos_ = pos;
}

void ByteReader::skip(std::size_t n) {
  need(n);
  pos_ += n;
}

std::uint8_t ByteReader::u8() {
  need(1);
  return data_[pos_++];
}

std::uint8_t ByteReader::peek(std::size_t offset) const {
  if (offset >= data_.size() - pos_) throw ReadError("Unexpected end of file at byte " + std::to_string(pos_));
  return data_[pos_ + offset];
}

std::uint16_t ByteReader::u16le() {
  need(2);
  std::uint16_t v = data_[pos_] | (data_[pos_ + 1] << 8);
  pos_ += 2;
  return v;
}

std::uint16_t ByteReader::u16be() {
  need(2);
  std::uint16_t v = (data_[pos_] << 8) | data_[pos_ + 1];
  pos_ += 2;
  return v;
}

std::uint32_t ByteReader::u24le() {
  need(3);
  std::uint32_t v = data_[pos_] | (data_[pos_ + 1] << 8) | (std::uint32_t(data_[pos_ + 2]) << 16);
  pos_ += 3;
  return v;
}

std::uint32_t ByteReader::u24be() {
  need(3);
  std::uint32_t v = (std::uint32_t(data_[pos_]) << 16) | (data_[pos_ + 1] << 8) | data_[pos_ + 2];
  pos_ += 3;
  return v;
}

std::uint32_t ByteReader::u32le() {
  need(4);
  std::uint32_t v = data_[pos_] | (data_[pos_ + 1] << 8) | (std::uint32_t(data_[pos_ + 2]) << 16) |
                    (std::uint32_t(data_[pos_ + 3]) << 24);
  pos_ += 4;
  return v;
}

std::uint32_t ByteReader::u32be() {
  need(4);
  std::uint32_t v = (std::uint32_t(data_[pos_]) << 24) | (std::uint32_t(data_[pos_ + 1]) << 16) |
                    (data_[pos_ + 2] << 8) | data_[pos_ + 3];
  pos_ += 4;
  return v;
}

float ByteReader::f32le() { return std::bit_cast<float>(u32le()); }

std::span<const std::uint8_t> ByteReader::bytes(std::size_t n) {
  need(n);
  auto s = data_.subspan(pos_, n);
  pos_ += n;
  return s;
}

std::string ByteReader::raw(std::size_t n) {
  auto s = bytes(n);
  return std::string(reinterpret_cast<const char*>(s.data()), s.size());
}

std::string ByteReader::field(std::size_t n) {
  // The padding is cut before the string is made (fields are mostly padding).
  auto s = bytes(n);
  std::size_t len = s.size();
  while (len > 0 && (s[len - 1] == ' ' || s[len - 1] == 0)) --len;
  return std::string(reinterpret_cast<const char*>(s.data()), len);
}

void ByteWriter::u16le(std::uint16_t v) {
  buf_.push_back(v & 0xFF);
  buf_.push_back(v >> 8);
}
void ByteWriter::u16be(std::uint16_t v) {
  buf_.push_back(v >> 8);
  buf_.push_back(v & 0xFF);
}
void ByteWriter::u24le(std::uint32_t v) {
  for (int i = 0; i < 3; ++i) buf_.push_back((v >> (8 * i)) & 0xFF);
}
void ByteWriter::u24be(std::uint32_t v) {
  for (int i = 2; i >= 0; --i) buf_.push_back((v >> (8 * i)) & 0xFF);
}
void ByteWriter::u32le(std::uint32_t v) {
  for (int i = 0; i < 4; ++i) buf_.push_back((v >> (8 * i)) & 0xFF);
}
void ByteWriter::u32be(std::uint32_t v) {
  for (int i = 3; i >= 0; --i) buf_.push_back((v >> (8 * i)) & 0xFF);
}
void ByteWriter::f32le(float v) { u32le(std::bit_cast<std::uint32_t>(v)); }

void ByteWriter::field(std::string_view s, std::size_t width, std::uint8_t pad) {
  std::size_t n = std::min(s.size(), width);
  buf_.insert(buf_.end(), s.begin(), s.begin() + n);
  buf_.insert(buf_.end(), width - n, pad);
}

void ByteWriter::patchU16le(std::size_t at, std::uint16_t v) {
  buf_.at(at + 1);
  buf_[at] = v & 0xFF;
  buf_[at + 1] = v >> 8;
}

void ByteWriter::patchU32le(std::size_t at, std::uint32_t v) {
  buf_.at(at + 3);
  for (int i = 0; i < 4; ++i) buf_[at + i] = (v >> (8 * i)) & 0xFF;
}

}  // namespace kipo
