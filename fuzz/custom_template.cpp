// The custom text template reader must take any bytes without crashing; a template it
// reads must write back as a record that reads to the same layout.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "formats/exchange/custom_text.h"
#include "platform/user_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    kipo::CustomTextOptions o = kipo::ReadCustomTemplate(std::span(data, size));
    kipo::CustomTextOptions again = kipo::ReadCustomTemplate(kipo::WriteCustomTemplate(o));
    // Texts pass through Windows-1252; the numbers and flags must survive exactly.
    if (again.tcFormat != o.tcFormat || again.encoding != o.encoding || again.number != o.number) std::abort();
    kipo::SubtitleDocument d;
    kipo::Subtitle s;
    s.text = "<a>\r\nb";
    d.Append(s);
    (void)kipo::WriteCustomText(d, o);
  } catch (const kipo::UserError&) {
  }
  return 0;
}
