// kipo recut: moves a range of subtitles after a re-edit.
#include <ostream>

#include "cli/cue_edits.h"
#include "platform/text_util.h"
#include "settings/house_options.h"
#include "timing/recut.h"

namespace kipo::cli {
namespace {

struct Options {
  std::string file, output, offset, newIn;
  std::vector<std::string> anchors;
  long from = 1, to = 32767;
  bool continueFromLastOut = false, outOnly = false, keepInterval = false;
};

int RunRecut(Context& ctx, const Options& o) {
  RecutOptions r;
  r.outCuesOnly = o.outOnly;
  r.keepInterval = o.keepInterval;
  RecutType type = RecutType::Manual;
  if (!o.offset.empty()) {
    r.offset = o.offset;
    r.addOffset = o.offset[0] != '-';
    if (o.offset[0] == '-' || o.offset[0] == '+') r.offset.erase(0, 1);
  } else if (!o.newIn.empty()) {
    type = RecutType::NewInTime;
    r.newInCue = o.newIn;
  } else if (o.continueFromLastOut) {
    type = RecutType::ContinueFromLastOut;
  } else {
    type = RecutType::Proportional;
    if (o.anchors.size() != 2) {
      ctx.err << "kipo recut: give --anchor twice: --anchor N=HH:MM:SS:FF --anchor M=HH:MM:SS:FF\n";
      return kExitError;
    }
    for (int k = 0; k < 2; ++k) {
      const std::string& a = o.anchors[static_cast<std::size_t>(k)];
      auto eq = a.find('=');
      long number = 0;
      if (eq == std::string::npos || !ParseInt(Trim(a.substr(0, eq)), number)) {
        ctx.err << "kipo recut: --anchor '" << a << "' is not NUMBER=HH:MM:SS:FF\n";
        return kExitError;
      }
      (k == 0 ? r.anchor1 : r.anchor2) = number;
      (k == 0 ? r.anchor1NewIn : r.anchor2NewIn) = std::string(Trim(a.substr(eq + 1)));
    }
  }
  SubtitleDocument doc = OpenForEditing(ctx, o.file);
  const SubtitleDocument before = doc;
  RecutOutcome done = Recut(doc, type, o.from, o.to, r, HouseOptions::Load(ctx.settings), ctx.prompter);
  if (done.result == RecutResult::Refused) return kExitError;
  ReportCueChangesAndSave(ctx, before, doc, o.file, o.output);
  return kExitOk;
}

Registrar reg(44, [](CLI::App& app) -> Handler {
  auto o = std::make_shared<Options>();
  auto* sub = app.add_subcommand("recut", "Move a range of subtitles after the programme was re-edited");
  sub->footer(
      "Examples:\n"
      "  kipo recut film.kpox --from 120 --to 300 --offset -00:00:04:12     # 4 s 12 frames earlier\n"
      "  kipo recut film.kpox --from 120 --offset 00:00:01:00 --out-only --keep-interval\n"
      "  kipo recut film.kpox --from 120 --new-in 10:21:30:05               # 120 starts there, the rest follow\n"
      "  kipo recut film.kpox --from 120 --continue                         # default interval after 119\n"
      "  kipo recut film.kpox --from 1 --to 800 --anchor 1=10:00:00:00 --anchor 800=10:58:12:00\n"
      "The range is FROM to TO (subtitle numbers, TO defaults to the last). --anchor maps the in cues\n"
      "of two subtitles to new ones and stretches the range in proportion; gaps the stretch turns into\n"
      "invalid intervals are closed to the default interval (house options). No cue goes before\n"
      "00:00:00:00. Prints every cue it changed.");
  sub->add_option("file", o->file, "Subtitle file")->required();
  sub->add_option("--from", o->from, "First subtitle of the range (number, default 1)");
  sub->add_option("--to", o->to, "Last subtitle of the range (default: the last)");
  auto* g = sub->add_option_group("offset", "How far the range moves (exactly one)");
  g->add_option("--offset", o->offset, "[-]HH:MM:SS:FF at the file's rate; '-' moves earlier");
  g->add_option("--new-in", o->newIn, "New in cue of the first subtitle of the range");
  g->add_flag("--continue", o->continueFromLastOut,
              "Start the range the default interval after the out cue before it");
  g->add_option("--anchor", o->anchors, "NUMBER=HH:MM:SS:FF, twice: two subtitles' new in cues")
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  g->require_option(1);
  sub->add_flag("--out-only", o->outOnly, "Move only the out cues (not with --anchor)");
  sub->add_flag("--keep-interval", o->keepInterval,
                "With --out-only: an out cue moved later stops the default interval before the next in cue");
  sub->add_option("-o,--output", o->output, "Write the result here instead of back to FILE");
  return [o](Context& ctx) { return RunRecut(ctx, *o); };
});

}  // namespace
}  // namespace kipo::cli
