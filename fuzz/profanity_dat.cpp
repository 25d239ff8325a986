// "profanity.dat" from any bytes, then its find-and-replace over a document made of the
// same bytes: no crash, no endless loop, and every answer Yes still ends the search.
#include <cstdint>
#include <string>

#include "platform/prompter.h"
#include "text/profanity.h"

namespace {
class YesPrompter : public kipo::SilentPrompter {
 public:
  kipo::Answer Ask(const kipo::Message& m) override {
    return m.buttons == kipo::Buttons::YesNoCancel ? kipo::Answer::Yes : kipo::Answer::Ok;
  }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kipo::WordList list = kipo::ParseWordList({data, size});
  kipo::SubtitleDocument doc;
  std::string text(reinterpret_cast<const char*>(data), size);
  for (std::size_t start = 0; start < text.size() && doc.Count() < 8; start += 64) {
    kipo::Subtitle s;
    s.text = text.substr(start, 64);
    doc.Append(s);
  }
  YesPrompter prompter;
  kipo::FindProfanity(doc, 0, list, prompter);
  return 0;
}
