// The .kpox reader must refuse bad bytes with its message and never crash; what it accepts
// must survive a write and a second read unchanged.
#include <cstdint>

#include "core/native_file.h"
#include "platform/user_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kipo;
  try {
    SubtitleDocument doc = ReadNative(std::span(data, size), NativeVariant::Kpox);
    Bytes once = WriteNative(doc, NativeVariant::Kpox).bytes;
    Bytes twice = WriteNative(ReadNative(once, NativeVariant::Kpox), NativeVariant::Kpox).bytes;
    if (once != twice) __builtin_trap();
  } catch (const UserError& e) {
    if (e.title() != "Invalid file format") __builtin_trap();
  }
  return 0;
}
