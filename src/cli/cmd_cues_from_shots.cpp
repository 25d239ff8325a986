// kipo cues-from-shots: a new file of empty subtitles timed on the shot cuts of a video.
#include <ostream>

#include "cli/cue_edits.h"
#include "cli/video_analysis.h"
#include "settings/house_options.h"
#include "timing/shot_cuts.h"
#include "video/video_file.h"

namespace kipo::cli {
namespace {

struct Options {
  std::string video, output, rate;
  int sensitivity = kDefaultShotCutSensitivity;
};

int RunCuesFromShots(Context& ctx, const Options& o) {
  const VideoFile video = VideoFile::Open(o.video);
  const FrameRate rate =
      o.rate.empty() ? NearestFrameRate(video.rate()) : *FrameRate::FromCode(ParseRateOption(o.rate));
  const AnalysedVideo a = AnalyseVideo(ctx, video, rate, o.sensitivity);
  SubtitleDocument doc(rate.code, kDefaultLanguageId, 0);
  const TimingParameters timing = TimingParameters::From(HouseOptions::Load(ctx.settings), rate);
  doc.ReplaceAll(CuesFromShotCuts(CutTimeline(a.table.Times(), a.table.cuts), timing, rate));
  ctx.out << doc.Count() << " subtitle" << (doc.Count() == 1 ? "" : "s") << " from "
          << ShotCutFrames(a.table.cuts).size() << " shot cuts\n";
  SaveEdited(ctx, doc, o.output, "");
  return kExitOk;
}

Registrar reg(93, [](CLI::App& app) -> Handler {
  auto o = std::make_shared<Options>();
  auto* sub = app.add_subcommand("cues-from-shots", "Create a file of empty subtitles timed on the shot cuts");
  sub->footer(
      "One subtitle per cut, from the cut to the default interval before the next; one longer\n"
      "than the maximum duration gets the default duration, one shorter than the minimum\n"
      "takes over the next one's out cue. The durations are the house options.\n"
      "Examples:\n"
      "  kipo cues-from-shots film.mp4 -o film.kpox\n"
      "  kipo cues-from-shots film.mp4 --rate 23.976 -o film.kpox");
  sub->add_option("video", o->video, "Video file")->required();
  sub->add_option("-o,--output", o->output, "The subtitle file to write")->required();
  sub->add_option("--rate", o->rate, "The new file's frame rate (default the video's)");
  sub->add_option("--sensitivity", o->sensitivity, "Detection sensitivity (default 30)")->check(CLI::Range(0, 1000));
  return [o](Context& ctx) { return RunCuesFromShots(ctx, *o); };
});

}  // namespace
}  // namespace kipo::cli
