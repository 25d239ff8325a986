// The SCC reader and the line-21 decoder model must take any bytes without crashing or
// hanging: the file as SCC text, and the same bytes as a raw stream of code words.
#include <cstdint>
#include <span>

#include "core/cea608_decoder.h"
#include "formats/caption/scc.h"
#include "platform/user_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    kipo::SccReadResult r = kipo::ReadScc(std::span(data, size), 29);
    (void)r.doc.Count();
  } catch (const kipo::UserError&) {
  }
  kipo::cea608::Decoder d;
  for (std::size_t i = 0; i + 1 < size; i += 2) d.Feed(static_cast<kipo::cea608::Word>(data[i] << 8 | data[i + 1]));
  (void)d.displayed().Empty();
  return 0;
}
