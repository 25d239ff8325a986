// kipo snap: moves the cues of a file onto the shot cuts of its video.
#include <ostream>

#include "cli/cue_edits.h"
#include "cli/video_analysis.h"
#include "settings/house_options.h"
#include "timing/shot_cuts.h"

namespace kipo::cli {
namespace {

struct Options {
  std::string file, output, video;
  long from = 0, to = 0;
  int sensitivity = kDefaultShotCutSensitivity;
};

int RunSnap(Context& ctx, const Options& o) {
  SubtitleDocument doc = OpenForEditing(ctx, o.file);
  if (doc.Count() == 0) {
    ctx.err << "kipo snap: " << o.file << " holds no subtitles\n";
    return kExitError;
  }
  const long count = static_cast<long>(doc.Count());
  const long from = o.from ? o.from : 1, to = o.to ? o.to : count;
  if (to < from) {
    ctx.err << "kipo snap: End subtitle must be less than start subtitle\n";
    return kExitError;
  }
  if (from < 1 || from > count || to > count) {
    ctx.err << "kipo snap: subtitles " << from << " to " << to << " are not in the file (it has " << count
            << " subtitles)\n";
    return kExitError;
  }
  const AnalysedVideo a = AnalyseVideo(ctx, o.video, doc.frameRate(), o.sensitivity);
  const CutTimeline cuts(a.table.Times(), a.table.cuts);
  const SubtitleDocument before = doc;
  SnapRangeToShotCuts(doc, static_cast<std::size_t>(from - 1), static_cast<std::size_t>(to - 1), cuts,
                      SnapOptions::Load(ctx.settings), HouseOptions::Load(ctx.settings));
  ReportCueChangesAndSave(ctx, before, doc, o.file, o.output);
  return kExitOk;
}

Registrar reg(92, [](CLI::App& app) -> Handler {
  auto o = std::make_shared<Options>();
  auto* sub = app.add_subcommand("snap", "Snap cues onto the shot cuts of the video");
  sub->footer(
      "Each cue moves onto the latest cut within \"Shot cut threshold\" frames of it: an in\n"
      "cue \"Shot cut in\" frames after the cut, an out cue 1, 2 or the default interval\n"
      "before it (\"Shot cut out\"); a neighbour's cue close to the cut follows at the default\n"
      "interval. The settings are those of section Options (kipo settings).\n"
      "Examples:\n"
      "  kipo snap film.kpox --video film.mp4 -o snapped.kpox\n"
      "  kipo snap film.kpox --video film.mp4 --from 10 --to 20");
  sub->add_option("file", o->file, "Subtitle file")->required();
  sub->add_option("--video", o->video, "The video the cues belong to")->required();
  sub->add_option("--from", o->from, "First subtitle (number, default 1)");
  sub->add_option("--to", o->to, "Last subtitle (number, default the last)");
  sub->add_option("--sensitivity", o->sensitivity, "Detection sensitivity (default 30)")->check(CLI::Range(0, 1000));
  sub->add_option("-o,--output", o->output, "Write the result here instead of back to FILE");
  return [o](Context& ctx) { return RunSnap(ctx, *o); };
});

}  // namespace
}  // namespace kipo::cli
