#include "cli/video_analysis.h"

#include <unistd.h>

#include <iostream>
#include <memory>
#include <ostream>

#include "platform/jobs.h"
#include "platform/user_error.h"
#include "timing/shot_cuts.h"
#include "video/frame_measure.h"
#include "video/tcd_file.h"
#include "video/video_file.h"

namespace kipo::cli {

namespace {

// `video`: the video when the command has opened it already.
AnalysedVideo Analyse(Context& ctx, const std::string& path, const VideoFile* video, const FrameRate& rate,
                      int sensitivity) {
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
  auto job = RunJob(
      SharedPool(),
      [&](JobContext& c) {
        return video ? kipo::AnalyseVideo(*video, rate, options, sensitivity, c)
                     : kipo::AnalyseVideo(path, rate, options, sensitivity, c);
      },
      observer);
  AnalysedVideo a = std::move(job.Get().front());
  if (terminal) ctx.err << "\r" << std::string(24, ' ') << "\r" << std::flush;
  if (!a.notStored.empty()) ctx.err << "kipo: note: the analysis is not stored (" << a.notStored << ")\n";
  return a;
}

}  // namespace

AnalysedVideo AnalyseVideo(Context& ctx, const std::string& path, const FrameRate& rate, int sensitivity) {
  return Analyse(ctx, path, nullptr, rate, sensitivity);
}

AnalysedVideo AnalyseVideo(Context& ctx, const VideoFile& video, const FrameRate& rate, int sensitivity) {
  return Analyse(ctx, video.path(), &video, rate, sensitivity);
}

void StoreAnalysis(Context& ctx, AnalysedVideo& a) {
  if (a.dataFile.empty()) return;
  try {
    RewriteTimecodeData(a.dataFile, a.table);
  } catch (const UserError& e) {
    ctx.err << "kipo: note: the timecode data file is not rewritten (" << e.text() << ")\n";
  }
}

}  // namespace kipo::cli
