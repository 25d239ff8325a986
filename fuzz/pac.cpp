// The PAC reader must take any bytes, in every language family, without crashing: bad
// input ends in the reader's own UserError or a shorter document.
#include <cstdint>
#include <span>

#include "formats/broadcast/pac.h"
#include "platform/user_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static const std::int16_t kCharsets[] = {0, 161, 177, 178, 204, 128, 129, 134, 136};
  kipo::PacReadOptions o;
  o.characterSet = kCharsets[data[0] % 9];
  o.colours = data[0] & 0x80;
  kipo::Warnings w;
  try {
    kipo::SubtitleDocument d = kipo::ReadPac(std::span(data + 1, size - 1), o, w);
    if (d.Count() > kipo::kMaxSubtitles) __builtin_trap();
  } catch (const kipo::UserError&) {
  }
  return 0;
}
