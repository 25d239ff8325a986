// "autoreplace.dat" from any bytes: the list must read without crashing, save as one
// pair a line, and serve replacement while typing at every caret position.
#include <cstdint>
#include <string>

#include "text/word_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kipo::WordList list = kipo::ParseWordList({data, size});
  std::string saved = kipo::SerialiseWordList(list);
  std::size_t tabs = 0, lines = 0;
  for (std::size_t i = 0; i < saved.size(); ++i) {
    if (saved[i] == '\t') ++tabs;
    if (saved[i] == '\n') ++lines;
  }
  if (tabs != lines) __builtin_trap();  // a TAB or line end leaked into a field
  std::string text(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 256));
  for (std::size_t caret = 1; caret <= text.size(); ++caret) {
    auto r = kipo::ReplaceWordBeforeCaret(text, caret, text.substr(caret - 1, 1), list);
    if (r && r->caret > r->text.size()) __builtin_trap();
  }
  return 0;
}
