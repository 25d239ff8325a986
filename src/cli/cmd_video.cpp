// kipo video info: what the workstation knows about a video file.
#include <iomanip>
#include <nlohmann/json.hpp>
#include <ostream>
#include <sstream>

#include "cli/cli.h"
#include "video/video_file.h"

namespace kipo::cli {
namespace {

struct Options {
  std::string file;
  std::string rate;
  bool json = false;
};

std::string RateText(VideoRate r) {
  std::ostringstream s;
  s << r.num << "/" << r.den << " (" << std::fixed << std::setprecision(3) << r.fps() << " fps)";
  return s.str();
}

int RunInfo(Context& ctx, const Options& o) {
  const VideoFile video = VideoFile::Open(o.file);
  const FrameRate rate =
      o.rate.empty() ? NearestFrameRate(video.rate()) : *FrameRate::FromCode(ParseRateOption(o.rate));
  const double seconds = video.durationSeconds();
  const std::string duration = SecondsToLabel(seconds, rate);
  const std::string start = video.frameCount() ? video.FrameLabel(0, rate) : "";
  if (o.json) {
    nlohmann::ordered_json j;
    j["file"] = o.file;
    j["codec"] = video.codecName();
    j["width"] = video.width();
    j["height"] = video.height();
    j["frames"] = video.frameCount();
    j["rate"] = {{"num", video.rate().num}, {"den", video.rate().den}};
    j["timecode rate"] = rate.label();
    j["duration"] = seconds;
    j["start timecode"] = start;
    j["file timecode"] = video.startTimecode() ? *video.startTimecode() : "";
    j["keyframes"] = video.keyframes().size();
    ctx.out << j.dump(2) << "\n";
    return kExitOk;
  }
  ctx.out << "File:           " << o.file << "\n";
  ctx.out << "Video:          " << video.codecName() << ", " << video.width() << "x" << video.height() << "\n";
  ctx.out << "Frames:         " << video.frameCount() << "\n";
  ctx.out << "Frame rate:     " << RateText(video.rate()) << "\n";
  ctx.out << "Duration:       " << duration << " (" << std::fixed << std::setprecision(3) << seconds << " s)\n";
  ctx.out << "Start timecode: " << start << (video.startTimecode() ? "" : " (none in the file)") << " at "
          << rate.label() << "\n";
  ctx.out << "Keyframes:      " << video.keyframes().size() << "\n";
  return kExitOk;
}

Registrar reg(90, [](CLI::App& app) -> Handler {
  auto o = std::make_shared<Options>();
  auto* sub = app.add_subcommand("video", "Facts about a video file");
  sub->require_subcommand(1);
  auto* info = sub->add_subcommand("info", "Frames, frame rate, duration, start timecode and keyframes of a video");
  info->footer(
      "Timecodes count at the document rate nearest the video's (or --rate).\n"
      "Examples:\n"
      "  kipo video info film.mp4\n"
      "  kipo video info film.mov --rate 29.97 --json");
  info->add_option("video", o->file, "Video file")->required();
  info->add_option("--rate", o->rate, "Count timecodes at this document rate");
  info->add_flag("--json", o->json, "Print the facts as JSON");
  return [o](Context& ctx) { return RunInfo(ctx, *o); };
});

}  // namespace
}  // namespace kipo::cli
