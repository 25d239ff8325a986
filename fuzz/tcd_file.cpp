// A timecode data file must take any bytes without crashing: a damaged one ends in
// "Invalid file format". Most changed bytes only fail the closing checksum, so for half the
// inputs (the first byte odd) the rest is given a fitting checksum and reaches the fields.
// What reads back must write back to a file that reads the same.
#include <cstdint>
#include <vector>

#include "platform/user_error.h"
#include "video/tcd_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  std::vector<std::uint8_t> bytes(data + 1, data + size);
  if (data[0] & 1) {
    std::uint64_t h = 1469598103934665603ull;
    for (std::uint8_t c : bytes) h = (h ^ c) * 1099511628211ull;
    for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<std::uint8_t>(h >> (8 * i)));
  }
  try {
    const kipo::TimecodeData d = kipo::ReadTimecodeData(bytes);
    if (!(kipo::ReadTimecodeData(kipo::WriteTimecodeData(d)) == d)) __builtin_trap();
  } catch (const kipo::UserError&) {
  }
  return 0;
}
