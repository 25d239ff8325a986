// The settings reader must take any bytes without crashing.
#include <cstdint>
#include <string_view>

#include "settings/settings_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kipo::SettingsStore s;
  s.Parse(std::string_view(reinterpret_cast<const char*>(data), size));
  kipo::SettingsStore again;
  again.Parse(s.Serialise());
  if (again.Serialise() != s.Serialise()) __builtin_trap();
  return 0;
}
