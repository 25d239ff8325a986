#pragma once
// Byte runs compared in place, for the readers that read a file in stretches: where the next
// item of a file repeats the last one byte for byte, what was read of the last one is taken
// again instead of being read a second time.
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kipo {

// How many of the first `n` bytes of a and b are the same. Reads nothing past either run.
inline std::size_t SamePrefix(const char* a, const char* b, std::size_t n) {
  std::size_t i = 0;
#if defined(__SSE2__)
  const auto equal = [a, b](std::size_t at) {
    return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + at)),
                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + at)));
  };
  // Sixty-four bytes a step while all are the same; then the sixteen that differ.
  while (i + 64 <= n && _mm_movemask_epi8(_mm_and_si128(_mm_and_si128(equal(i), equal(i + 16)),
                                                        _mm_and_si128(equal(i + 32), equal(i + 48)))) == 0xFFFF)
    i += 64;
  for (; i + 16 <= n; i += 16) {
    const int same = _mm_movemask_epi8(equal(i));
    if (same != 0xFFFF) return i + static_cast<std::size_t>(__builtin_ctz(~static_cast<unsigned>(same)));
  }
#endif
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

// Two runs of `n` bytes equal? Names are short: compared as the first and the last eight
// (or four) bytes of each, which read nothing outside the runs.
inline bool SameBytes(const char* a, const char* b, std::size_t n) {
  if (n >= 8 && n <= 16) {
    std::uint64_t a0, a1, b0, b1;
    std::memcpy(&a0, a, 8);
    std::memcpy(&b0, b, 8);
    std::memcpy(&a1, a + n - 8, 8);
    std::memcpy(&b1, b + n - 8, 8);
    return ((a0 ^ b0) | (a1 ^ b1)) == 0;
  }
  if (n >= 4 && n < 8) {
    std::uint32_t a0, a1, b0, b1;
    std::memcpy(&a0, a, 4);
    std::memcpy(&b0, b, 4);
    std::memcpy(&a1, a + n - 4, 4);
    std::memcpy(&b1, b + n - 4, 4);
    return ((a0 ^ b0) | (a1 ^ b1)) == 0;
  }
  return std::memcmp(a, b, n) == 0;
}

}  // namespace kipo
