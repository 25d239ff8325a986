// The EBU reader must take any bytes without crashing: it either builds a document or
// refuses with the format's message. Whatever it reads, the writer must be able to write.
#include <cstdint>
#include <span>

#include "formats/broadcast/ebu_stl.h"
#include "platform/user_error.h"

namespace {

// Says Yes to the signature question so that the whole reader is exercised.
class YesPrompter : public kipo::SilentPrompter {
 public:
  kipo::Answer Ask(const kipo::Message&) override { return kipo::Answer::Yes; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  YesPrompter prompter;
  kipo::StlReadOptions options;
  options.screenEbu = size % 2 == 0;
  try {
    kipo::StlReadResult r = kipo::ReadStl(std::span(data, size), options, prompter);
    std::vector<std::string> warnings;
    kipo::StlWriteOptions w;
    w.saveComments = true;
    w.today = "240101";
    kipo::Bytes out = kipo::WriteStl(r.doc, w, prompter, warnings);
    if (out.size() < 1024 || (out.size() - 1024) % 128 != 0) __builtin_trap();
  } catch (const kipo::UserError&) {
  }
  return 0;
}
