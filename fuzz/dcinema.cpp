// The cinema reader must take any bytes without crashing or hanging; what it reads must
// survive the writer of every dialect and the reader again.
#include <cstdint>
#include <span>

#include "formats/cinema/dcinema_reader.h"
#include "formats/cinema/dcinema_writer.h"
#include "platform/user_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kipo::Warnings w;
  kipo::DlpOptions options;
  static kipo::FixedWidthMeasurer measurer(20);
  try {
    kipo::SubtitleDocument d = kipo::ReadDcinemaXml(std::span(data, size), options, 25, {}, w);
    kipo::DcinemaSetup setup;
    setup.options.version = static_cast<kipo::DcVersion>(size % 6);
    setup.measurer = &measurer;
    const std::string xml = kipo::WriteDcinemaXml(d, setup, w);
    kipo::SubtitleDocument again = kipo::ReadDcinemaXml(
        std::span(reinterpret_cast<const std::uint8_t*>(xml.data()), xml.size()), options, 25, {}, w);
    if (again.Count() != d.Count()) __builtin_trap();
  } catch (const kipo::UserError&) {
  }
  return 0;
}
