// The cinema reader must take any bytes without crashing or hanging; what it reads must
// survive the writer of every dialect and the reader again.
#include <cstdint>
#include <span>
#include <string>

#include "formats/cinema/dcinema_reader.h"
#include "formats/cinema/dcinema_writer.h"
#include "platform/user_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kipo::Warnings w;
  kipo::DlpOptions options;
  static kipo::FixedWidthMeasurer measurer(20);
  // The scan of the bytes and the XML tree read every file alike, refusals included.
  std::string scanned, tree;
  kipo::Warnings sw, tw;
  kipo::SubtitleDocument a, b;
  try { a = kipo::ReadDcinemaXml(std::span(data, size), options, 25, {}, sw); } catch (const kipo::UserError& e) { scanned = e.what(); }
  try { b = kipo::ReadDcinemaXmlTree(std::span(data, size), options, 25, {}, tw); } catch (const kipo::UserError& e) { tree = e.what(); }
  if (scanned != tree || sw != tw || a.Subtitles() != b.Subtitles() || a.frameRate().code != b.frameRate().code) __builtin_trap();
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
