// The microdvd reader must take any bytes without crashing or hanging; what it reads must
// survive writing and reading again.
#include <cstdint>
#include <span>

#include "formats/exchange/microdvd.h"
#include "formats/exchange/text_encoding.h"
#include "platform/user_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text = kipo::DecodeImportText(std::span(data, size), std::nullopt);
  kipo::Warnings w;
  try {
    kipo::SubtitleDocument d = kipo::ReadMicroDvd(text, *kipo::FrameRate::FromCode(25), w);
    (void)d.Count();
  } catch (const kipo::UserError&) {
  }
  return 0;
}
