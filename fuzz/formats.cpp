// Every reader of the format registry under one target: KIPO_FUZZ_FORMAT=<id> (an id of
// `kipo formats --json`, e.g. subrip, ebu-stl, pac) fuzzes one format; without it the
// first byte picks the format, so a format added to the registry is fuzzed with no target
// of its own. A reader takes any bytes and either builds a document or throws the
// format's own UserError; a document it builds must survive its writer and its reader again.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "formats/registry.h"
#include "platform/user_error.h"

namespace {

// Answers a reader's questions from the input: the choice is the byte's index into the list.
class FuzzPrompter : public kipo::SilentPrompter {
 public:
  int pick = 0;
  std::optional<int> Choose(const std::string&, const std::string&, const std::vector<std::string>& options) override {
    if (options.empty()) return std::nullopt;
    return pick % static_cast<int>(options.size());
  }
};

std::vector<const kipo::Format*> Readers() {
  std::vector<const kipo::Format*> out;
  const char* only = std::getenv("KIPO_FUZZ_FORMAT");
  for (const kipo::Format& f : kipo::Formats())
    if (f.CanRead() && (!only || f.id == only)) out.push_back(&f);
  if (out.empty()) {
    std::fprintf(stderr, "KIPO_FUZZ_FORMAT=%s names no format with a reader\n", only ? only : "");
    std::abort();
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<const kipo::Format*> readers = Readers();
  if (size < 1) return 0;
  const kipo::Format& f = *readers[data[0] % readers.size()];
  FuzzPrompter prompter;
  prompter.pick = data[0] >> 1;
  kipo::SettingsStore settings;
  kipo::FormatContext ctx{prompter, settings};
  ctx.frameRateCode = 25;
  try {
    kipo::ReadResult r = f.read(std::span(data + 1, size - 1), ctx);
    if (r.document.Count() > kipo::kMaxSubtitles) __builtin_trap();
    if (!f.CanWrite()) return 0;
    kipo::WriteResult w = f.write(r.document, ctx);
    kipo::ReadResult again = f.read(w.bytes, ctx);
    (void)again;
  } catch (const kipo::UserError&) {
  }
  return 0;
}
