// The .wsb reader must refuse bad bytes with its message and never crash.
#include <cstdint>

#include "core/legacy_wsb.h"
#include "platform/user_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kipo;
  try {
    SubtitleDocument doc = ReadWsb(std::span(data, size));
    std::vector<std::string> warnings;
    Bytes once = WriteWsb(doc, {}, warnings);
    if (once.size() != (doc.Count() + 2) * kWsbRecordLength) __builtin_trap();
    ReadWsb(once);
  } catch (const UserError& e) {
    if (e.title() != "Invalid file format") __builtin_trap();
  }
  return 0;
}
