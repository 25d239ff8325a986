// kipo offset: moves the cues of a file, from one subtitle on, by a timecode.
#include <ostream>

#include "cli/cue_edits.h"
#include "timing/bulk_cues.h"

namespace kipo::cli {
namespace {

struct Options {
  std::string file, output, by;
  long from = 1;
};

int RunOffset(Context& ctx, const Options& o) {
  std::string label = o.by;
  const bool back = !label.empty() && label[0] == '-';
  if (back || (!label.empty() && label[0] == '+')) label.erase(0, 1);
  std::string digits = StripSeparators(label);
  if (!IsLabelShape(label) || !IsCompleteCue(digits)) {
    ctx.err << "kipo offset: '" << o.by << "' is not an offset (use [-]HH:MM:SS:FF)\n";
    return kExitError;
  }
  SubtitleDocument doc = OpenForEditing(ctx, o.file);
  if (o.from < 1 || o.from > static_cast<long>(doc.Count())) {
    ctx.err << "kipo offset: --from " << o.from << " is not a subtitle of the file (it has " << doc.Count()
            << " subtitles)\n";
    return kExitError;
  }
  if (!IsValidCue(digits, doc.frameRate()))
    ctx.err << "kipo offset: note: " << o.by << " is out of range at " << doc.frameRate().label() << "\n";
  Timecode frames = LabelToFrames(digits, doc.frameRate());
  const SubtitleDocument before = doc;
  OffsetCues(doc, static_cast<std::size_t>(o.from - 1), back ? -frames : frames);
  int changed = PrintCueChanges(ctx.out, before, doc);
  if (changed == 0) {
    ctx.out << "No cues changed\n";
    if (!o.output.empty()) SaveEdited(ctx, doc, o.file, o.output);
    return kExitOk;
  }
  ctx.out << changed << (changed == 1 ? " cue changed\n" : " cues changed\n");
  SaveEdited(ctx, doc, o.file, o.output);
  return kExitOk;
}

Registrar reg(41, [](CLI::App& app) -> Handler {
  auto o = std::make_shared<Options>();
  auto* sub = app.add_subcommand("offset", "Move every cue from a subtitle on by a timecode");
  sub->footer(
      "Examples:\n"
      "  kipo offset film.kpox --by 00:00:02:10            # two seconds ten frames later\n"
      "  kipo offset film.kpox --by -00:59:58:00 --from 12 # earlier, from subtitle 12 on\n"
      "Cues that are not set stay empty; a cue moved before 00:00:00:00 becomes 00:00:00:00.");
  sub->add_option("file", o->file, "Subtitle file")->required();
  sub->add_option("--by", o->by, "Offset [-]HH:MM:SS:FF at the file's frame rate")->required();
  sub->add_option("--from", o->from, "First subtitle to move (number, default 1)");
  sub->add_option("-o,--output", o->output, "Write the result here instead of back to FILE");
  return [o](Context& ctx) { return RunOffset(ctx, *o); };
});

}  // namespace
}  // namespace kipo::cli
