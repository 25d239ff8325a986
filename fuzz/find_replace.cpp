// Find and Replace over any text with any pattern: the first line is the pattern, the
// second the replacement, the rest the text. A pattern is refused with the window's
// message or searched; matches lie inside the text, and replacing with the matched text
// itself gives the text back.
#include <cstdint>
#include <string_view>

#include "app/find_controller.h"
#include "platform/encoding.h"
#include "platform/user_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  std::string_view in(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::size_t a = in.find('\n');
  if (a == std::string_view::npos) return 0;
  const std::size_t b = in.find('\n', a + 1);
  if (b == std::string_view::npos) return 0;
  kipo::FindOptions o;
  o.pattern = std::string(in.substr(0, a));
  o.matchCase = data[0] & 1;
  o.wholeWords = data[0] & 2;
  o.regex = data[0] & 4;
  const std::string replacement(in.substr(a + 1, b - a - 1));
  const std::string_view text = in.substr(b + 1);
  try {
    kipo::TextSearch search(o);
    std::size_t end = 0;
    for (const kipo::ByteSpan& m : search.Matches(text)) {
      if (m.length == 0 || m.start < end || m.start + m.length > text.size()) __builtin_trap();
      end = m.start + m.length;
    }
    int n = 0;
    search.ReplaceAll(text, replacement, &n);
    // A plain search replaced by its own text changes nothing it matched exactly, where the
    // text is UTF-8 without stand-ins (a broken byte and a stand-in match as the character
    // they are searched as, and are then replaced by typed text).
    if (!o.regex && kipo::IsValidUtf8(o.pattern) && kipo::IsValidUtf8(text) && text.find('\xEE') == std::string_view::npos) {
      kipo::FindOptions exact = o;
      exact.matchCase = true;
      kipo::TextSearch same(exact);
      if (same.ReplaceAll(text, o.pattern) != text) __builtin_trap();
    }
  } catch (const kipo::UserError&) {
  }
  return 0;
}
