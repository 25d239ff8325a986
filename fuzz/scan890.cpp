// The 890 reader must take any bytes without crashing, and what it reads must write back.
#include <cstdint>
#include <span>

#include "formats/broadcast/scan890.h"
#include "platform/user_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kipo::Warnings w;
  try {
    kipo::SubtitleDocument d = kipo::Read890(std::span(data, size), {}, w);
    kipo::Bytes again = kipo::Write890(d, {}, w);
    if (again.size() != kipo::k890HeaderSize + kipo::k890RecordSize * d.Count()) __builtin_trap();
  } catch (const kipo::UserError&) {
  }
  return 0;
}
