#pragma once
// Large pages for the big buffers a writer fills in one pass. Header only: the zip plugin,
// which links none of libkipo, uses it too.
#include <sys/mman.h>

#include <cstddef>
#include <cstdint>

namespace kipo {

// A buffer of tens of megabytes about to be filled (a file's bytes made in one pass):
// asks the system to back it with large pages, so that filling it for the first time costs
// a page fault every two megabytes instead of every four kilobytes (16,000 faults, most of
// the time of writing a 66 MiB file). Advice only: what it cannot cover stays as it was.
inline void PreferLargePages(void* data, std::size_t size) {
#if defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t kLarge = std::uintptr_t(1) << 21;
  const auto at = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t from = (at + kLarge - 1) & ~(kLarge - 1), to = (at + size) & ~(kLarge - 1);
  // Smaller buffers are left alone: the pages whole inside them would be few or none.
  if (to >= from + 2 * kLarge) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
  (void)data, (void)size;
#endif
}

}  // namespace kipo
