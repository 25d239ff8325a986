// The bitmap stream (.sbs) and DVD settings (.dvd) readers must take any bytes: entries or
// the system's message, never a crash; entries read back write the same stream again.
#include <cstdint>
#include <string_view>

#include "imaging/authoring_scripts.h"
#include "imaging/dvd_settings.h"
#include "platform/user_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    std::vector<kipo::BitmapEntry> e = kipo::ReadBitmapStream(text);
    kipo::ScriptContext c;
    c.frameHeight = 1080;
    std::string once = kipo::WriteBitmapStream(e, c);
    if (kipo::WriteBitmapStream(kipo::ReadBitmapStream(once), c) != once) __builtin_trap();
  } catch (const kipo::UserError&) {
  }
  try {
    kipo::DvdOptions o = kipo::ParseDvdSettings(text);
    if (kipo::SerialiseDvdSettings(kipo::ParseDvdSettings(kipo::SerialiseDvdSettings(o))) != kipo::SerialiseDvdSettings(o))
      __builtin_trap();
  } catch (const kipo::UserError&) {
  }
  return 0;
}
