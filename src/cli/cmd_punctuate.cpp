// kipo punctuate: the punctuation check (typographic replacements and punctuation rules).
#include "cli/clean_report.h"

namespace kipo::cli {
namespace {

struct Options {
  std::string file, output;
};

Registrar reg(51, [](CLI::App& app) -> Handler {
  auto o = std::make_shared<Options>();
  auto* sub = app.add_subcommand("punctuate", "Apply the punctuation rules to a subtitle file");
  sub->footer(
      "The rules are the stored ones (sections \"Punctuation\" and \"AutoReplace\"); set them with\n"
      "  kipo settings set Punctuation \"Insert space after\" True\n"
      "Example:\n"
      "  kipo punctuate film.kpox -o checked.kpox");
  sub->add_option("file", o->file, "Subtitle file")->required()->check(CLI::ExistingFile);
  sub->add_option("-o,--output", o->output, "Write the checked document here (default: back to FILE)");
  return [o](Context& ctx) {
    return CleanFileCommand(ctx, o->file, o->output, CleanSettings::PunctuationCheck(ctx.settings),
                            CleanKind::PunctuationCheck);
  };
});

}  // namespace
}  // namespace kipo::cli
