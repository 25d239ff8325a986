// kipo clean: the file clean over a subtitle file, with its report.
#include "cli/clean_report.h"

namespace kipo::cli {
namespace {

struct Options {
  std::string file, output;
  CleanSteps chosen;
};

Registrar reg(50, [](CLI::App& app) -> Handler {
  auto o = std::make_shared<Options>();
  auto* sub = app.add_subcommand("clean", "Clean a subtitle file (colours, italics, comments, SDH, punctuation...)");
  sub->footer(
      "Without step options the steps stored in the settings (section \"File clean\") run.\n"
      "The hearing-impaired options, punctuation rules and typographic switches are always\n"
      "the stored ones; with no marker characters or interjections stored, those the\n"
      "hearing-impaired options window shows (\"#\" and common interjections) are used.\n"
      "The report lists: subtitle number, change, text before the clean.\n"
      "Examples:\n"
      "  kipo clean film.kpox --sdh --empty-rows -o clean.kpox\n"
      "  kipo clean film.stl              # the stored steps, written back to film.stl");
  sub->add_option("file", o->file, "Subtitle file")->required()->check(CLI::ExistingFile);
  sub->add_option("-o,--output", o->output, "Write the cleaned document here (default: back to FILE)");
  CleanSteps& s = o->chosen;
  sub->add_flag("--colors", s.colours, "Remove colours");
  sub->add_flag("--italics", s.italics, "Remove italics");
  sub->add_flag("--comments", s.comments, "Remove comments");
  sub->add_flag("--sdh", s.sdh, "Remove hearing-impaired annotations");
  sub->add_flag("--empty-rows", s.emptyRows, "Remove empty rows");
  sub->add_flag("--bottom-row", s.bottomRow, "Move raised subtitles to the bottom row");
  sub->add_flag("--align-centre", s.alignCentre, "Centre every subtitle and row");
  sub->add_flag("--autoformat", s.autoFormat, "Typographic replacements (smart quotes, ellipses, dashes)");
  sub->add_flag("--punctuation", s.punctuation, "Punctuation rules");
  return [o](Context& ctx) {
    CleanSettings settings = CleanSettings::Load(ctx.settings);
    const CleanSteps& c = o->chosen;
    if (c.colours || c.italics || c.comments || c.sdh || c.emptyRows || c.bottomRow || c.alignCentre ||
        c.autoFormat || c.punctuation)
      settings.steps = c;
    // The hearing-impaired window shows its default marker characters and interjections
    // while none are stored, and stores them on OK; the clean uses what the window shows.
    if (settings.steps.sdh) settings.sdh.SetFields(settings.sdh.CharsField(), settings.sdh.InterjectionsField());
    return CleanFileCommand(ctx, o->file, o->output, settings, CleanKind::FileClean);
  };
});

}  // namespace
}  // namespace kipo::cli
