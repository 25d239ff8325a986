// kipo shotcuts: the shot cuts of a video, from one analysis pass over its frames.
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/cli.h"
#include "platform/jobs.h"
#include "timing/shot_cuts.h"
#include "video/frame_measure.h"
#include "video/video_file.h"

namespace kipo::cli {
namespace {

struct Options {
  std::string file;
  std::string rate;
  int sensitivity = kDefaultShotCutSensitivity;
  bool json = false;
};

int RunShotCuts(Context& ctx, const Options& o) {
  const VideoFile video = VideoFile::Open(o.file);
  const FrameRate rate =
      o.rate.empty() ? NearestFrameRate(video.rate()) : *FrameRate::FromCode(ParseRateOption(o.rate));
  const MeasureOptions options = MeasureOptions::Load(ctx.settings);

  // A progress line, redrawn in place, only when a person watches the terminal.
  const bool terminal = &ctx.err == &std::cerr && isatty(STDERR_FILENO);
  JobObserver observer;
  if (terminal)
    observer.onProgress = [&ctx, shown = std::make_shared<std::size_t>(101)](const JobProgress& p) {
      // The observer is copied for each report, so the last figure shown lives outside it.
      const std::size_t percent = p.total ? p.done * 100 / p.total : 100;
      if (percent != *shown) ctx.err << "\rAnalysing video... " << percent << "%" << std::flush;
      *shown = percent;
    };
  const std::string path = o.file;
  auto job = RunJob(SharedPool(), [path, options](JobContext& c) { return MeasureFrames(path, options, c); },
                    observer);
  const std::vector<std::int32_t> measures = job.Get().front();
  if (terminal) ctx.err << "\r" << std::string(24, ' ') << "\r" << std::flush;

  const std::vector<std::int32_t> cuts = ShotCutFrames(DetectShotCuts(measures, o.sensitivity));
  if (o.json) {
    nlohmann::ordered_json j;
    j["file"] = o.file;
    j["frames"] = video.frameCount();
    j["timecode rate"] = rate.label();
    j["sensitivity"] = o.sensitivity;
    j["cuts"] = nlohmann::ordered_json::array();
    for (std::int32_t f : cuts)
      j["cuts"].push_back({{"frame", f}, {"timecode", video.FrameLabel(f, rate)}, {"measure", measures[f]}});
    ctx.out << j.dump(2) << "\n";
    return kExitOk;
  }
  ctx.out << cuts.size() << " shot cut" << (cuts.size() == 1 ? "" : "s") << " in " << video.frameCount()
          << " frames\n";
  for (std::int32_t f : cuts) ctx.out << f << "\t" << video.FrameLabel(f, rate) << "\n";
  return kExitOk;
}

Registrar reg(91, [](CLI::App& app) -> Handler {
  auto o = std::make_shared<Options>();
  auto* sub = app.add_subcommand("shotcuts", "Find the shot cuts of a video");
  sub->footer(
      "Prints each cut's frame number and timecode. A higher sensitivity finds fewer cuts:\n"
      "a cut must change the picture sensitivity/10 times as much as the frames before it.\n"
      "The analysis uses the \"Shot cut ...\" settings of section Options.\n"
      "Examples:\n"
      "  kipo shotcuts film.mp4\n"
      "  kipo shotcuts film.mp4 --sensitivity 50 --json");
  sub->add_option("video", o->file, "Video file")->required();
  sub->add_option("--sensitivity", o->sensitivity, "Detection sensitivity (default 30)")->check(CLI::Range(0, 1000));
  sub->add_option("--rate", o->rate, "Count timecodes at this document rate");
  sub->add_flag("--json", o->json, "Print the cuts as JSON");
  return [o](Context& ctx) { return RunShotCuts(ctx, *o); };
});

}  // namespace
}  // namespace kipo::cli
