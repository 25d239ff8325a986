// The plain-text reader takes any bytes; what it reads must write and read back with the
// same subtitle count.
#include <cstdint>

#include "core/text_file.h"
#include "platform/user_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kipo;
  try {
    SubtitleDocument doc = ReadTextFile(std::span(data, size));
    std::vector<std::string> warnings;
    Bytes out = WriteTextFile(doc, {}, warnings);
    if (ReadTextFile(out).Count() != doc.Count()) __builtin_trap();
  } catch (const UserError& e) {
    if (e.title() != "Invalid file format") __builtin_trap();
  }
  return 0;
}
