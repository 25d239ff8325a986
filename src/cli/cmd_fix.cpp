// kipo fix: the quick fixes of the cues menu on a file.
#include <ostream>

#include "cli/cue_edits.h"
#include "settings/house_options.h"
#include "timing/bulk_cues.h"

namespace kipo::cli {
namespace {

struct Options {
  std::string file, output;
  bool intervals = false, blankOut = false, stretch = false, shrink = false;
};

int RunFix(Context& ctx, const Options& o) {
  SubtitleDocument doc = OpenForEditing(ctx, o.file);
  const SubtitleDocument before = doc;
  HouseOptions house = HouseOptions::Load(ctx.settings);
  if (o.intervals) FixInvalidIntervals(doc, house, ctx.prompter);
  if (o.blankOut) FillBlankOutCues(doc, house, ctx.prompter);
  if (o.stretch) ScaleCues(doc, 1.001);
  if (o.shrink) ScaleCues(doc, 0.999);
  int changed = PrintCueChanges(ctx.out, before, doc);
  if (changed == 0) ctx.out << "No cues changed\n";
  else ctx.out << changed << (changed == 1 ? " cue changed\n" : " cues changed\n");
  if (changed > 0 || !o.output.empty()) SaveEdited(ctx, doc, o.file, o.output);
  return kExitOk;
}

Registrar reg(40, [](CLI::App& app) -> Handler {
  auto o = std::make_shared<Options>();
  auto* sub = app.add_subcommand("fix", "Quick fixes of the cues: invalid intervals, blank out cues, stretch, shrink");
  sub->footer(
      "Examples:\n"
      "  kipo fix film.kpox --invalid-intervals          # gaps that look like a mistimed interval\n"
      "  kipo fix film.kpox --blank-out-cues -o new.kpox # fill out cues that are not set\n"
      "  kipo fix film.kpox --stretch                    # every cue times 1.001\n"
      "Prints every cue it changed; the file is written back only when something changed.\n"
      "The default interval, default duration and invalid-interval threshold are the house options.");
  sub->add_option("file", o->file, "Subtitle file")->required();
  sub->add_option("-o,--output", o->output, "Write the result here instead of back to FILE");
  auto* g = sub->add_option_group("fix", "The fix to apply (exactly one)");
  g->add_flag("--invalid-intervals", o->intervals, "Move out cues to the default interval before the next in cue");
  g->add_flag("--blank-out-cues", o->blankOut, "Set out cues that are not set");
  g->add_flag("--stretch", o->stretch, "Stretch every cue by 1.001");
  g->add_flag("--shrink", o->shrink, "Shrink every cue by 0.999");
  g->require_option(1);
  return [o](Context& ctx) { return RunFix(ctx, *o); };
});

}  // namespace
}  // namespace kipo::cli
