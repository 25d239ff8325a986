// A version 4 UUID is 122 random bits with the version and variant fields set; the
// standard library's random_device reads the kernel's random source, so no library is
// needed for sixteen bytes.
#include "formats/cinema/uuid.h"

#include <array>
#include <cctype>
#include <random>
#include <string_view>

namespace kipo {

std::string NewUuid() {
  static thread_local std::random_device device;
  std::array<unsigned char, 16> b{};
  for (std::size_t i = 0; i < b.size(); i += 4) {
    const unsigned int r = device();
    for (std::size_t k = 0; k < 4; ++k) b[i + k] = static_cast<unsigned char>(r >> (8 * k));
  }
  b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40);  // version 4
  b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);  // RFC 4122 variant
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(36);
  for (std::size_t i = 0; i < b.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out += '-';
    out += kHex[b[i] >> 4];
    out += kHex[b[i] & 0x0F];
  }
  return out;
}

bool IsUuid(std::string_view t) {
  if (t.size() != 36) return false;
  for (std::size_t i = 0; i < t.size(); ++i) {
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash != (t[i] == '-')) return false;
    if (!dash && !std::isxdigit(static_cast<unsigned char>(t[i]))) return false;
  }
  return true;
}

}  // namespace kipo
