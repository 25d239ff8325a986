// The personal word list of the spell checker from any bytes, and the words the checker
// cuts from any text: every word read is one UTF-8 word, and every word cut lies inside
// the text, in order, without overlapping the one before.
#include <cstdint>
#include <string_view>

#include "platform/encoding.h"
#include "text/spelling.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const std::string& w : kipo::ParsePersonalWords(bytes))
    if (w.empty() || !kipo::IsValidUtf8(w) || w.find(' ') != std::string::npos) __builtin_trap();
  std::size_t end = 0;
  for (const kipo::WordSpan& w : kipo::WordsOf(bytes)) {
    if (w.length == 0 || w.start < end || w.start + w.length > size) __builtin_trap();
    end = w.start + w.length;
  }
  return 0;
}
