// kipo shotcuts: the shot cuts of a video, from one analysis pass over its frames (kept in
// the timecode data file beside the video and reused while the video is unchanged).
#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/cli.h"
#include "cli/video_analysis.h"
#include "timing/shot_cuts.h"
#include "video/video_file.h"

namespace kipo::cli {
namespace {

struct Options {
  std::string file;
  std::string rate;
  int sensitivity = kDefaultShotCutSensitivity;
  int shift = 0;
  bool json = false;
};

int RunShotCuts(Context& ctx, const Options& o) {
  const VideoFile video = VideoFile::Open(o.file);
  const FrameRate rate =
      o.rate.empty() ? NearestFrameRate(video.rate()) : *FrameRate::FromCode(ParseRateOption(o.rate));
  AnalysedVideo a = AnalyseVideo(ctx, video, rate, o.sensitivity);
  FrameTable& t = a.table;
  if (o.shift != 0) {
    // Moves the cut table (flags and measures) and stores it: later runs find the moved cuts.
    ShiftShotCuts(t.cuts, t.measures, std::abs(o.shift), o.shift > 0);
    StoreAnalysis(ctx, a);
  }
  const std::vector<std::int32_t> cuts = ShotCutFrames(t.cuts);
  if (o.json) {
    nlohmann::ordered_json j;
    j["file"] = o.file;
    j["frames"] = t.size();
    j["timecode rate"] = rate.label();
    j["sensitivity"] = o.sensitivity;
    j["timecode data"] = a.dataFile.string();
    j["cuts"] = nlohmann::ordered_json::array();
    for (std::int32_t f : cuts) j["cuts"].push_back({{"frame", f}, {"timecode", t.timecodes[f]}, {"measure", t.measures[f]}});
    ctx.out << j.dump(2) << "\n";
    return kExitOk;
  }
  ctx.out << cuts.size() << " shot cut" << (cuts.size() == 1 ? "" : "s") << " in " << t.size() << " frames\n";
  for (std::int32_t f : cuts) ctx.out << f << "\t" << t.timecodes[f] << "\n";
  return kExitOk;
}

Registrar reg(91, [](CLI::App& app) -> Handler {
  auto o = std::make_shared<Options>();
  auto* sub = app.add_subcommand("shotcuts", "Find the shot cuts of a video");
  sub->footer(
      "Prints each cut's frame number and timecode. A higher sensitivity finds fewer cuts:\n"
      "a cut must change the picture sensitivity/10 times as much as the frames before it.\n"
      "The analysis uses the \"Shot cut ...\" settings of section Options and is kept in\n"
      "VIDEO.tcd (or the data folder when the video's folder is read-only); it is made again\n"
      "when the video or those settings change.\n"
      "--shift N moves the cut table N frames earlier (negative: later) and stores it.\n"
      "Examples:\n"
      "  kipo shotcuts film.mp4\n"
      "  kipo shotcuts film.mp4 --sensitivity 50 --json\n"
      "  kipo shotcuts film.mp4 --shift -2");
  sub->add_option("video", o->file, "Video file")->required();
  sub->add_option("--sensitivity", o->sensitivity, "Detection sensitivity (default 30)")->check(CLI::Range(0, 1000));
  sub->add_option("--rate", o->rate, "Count timecodes at this document rate");
  sub->add_option("--shift", o->shift, "Move the cut table by frames: positive earlier, negative later")
      ->check(CLI::Range(-1000, 1000));
  sub->add_flag("--json", o->json, "Print the cuts as JSON");
  return [o](Context& ctx) { return RunShotCuts(ctx, *o); };
});

}  // namespace
}  // namespace kipo::cli
