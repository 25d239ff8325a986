// The legacy "arf.dat" (ANSI code page) from any bytes: it must read, and what it reads
// must survive the conversion to "autoreplace.dat" unchanged.
#include <cstdint>

#include "text/word_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kipo::WordList list = kipo::ParseLegacyWordList({data, size});
  std::string saved = kipo::SerialiseWordList(list);
  kipo::WordList again = kipo::ParseWordList({reinterpret_cast<const std::uint8_t*>(saved.data()), saved.size()});
  kipo::WordList expected;
  for (const auto& p : list)
    if (!p.find.empty() || !p.replacement.empty()) expected.push_back(p);
  // Windows-1252 never decodes to a byte-order mark or NUL-heavy text, so the round trip holds.
  if (again != expected) __builtin_trap();
  return 0;
}
