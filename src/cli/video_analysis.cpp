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

VideoAnalysis Measure(Context& ctx, const std::string& path, const MeasureOptions& options) {
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
  auto job = RunJob(SharedPool(), [path, options](JobContext& c) { return AnalyseFrames(path, options, c); }, observer);
  VideoAnalysis result = std::move(job.Get().front());
  if (terminal) ctx.err << "\r" << std::string(24, ' ') << "\r" << std::flush;
  return result;
}

}  // namespace

AnalysedVideo AnalyseVideo(Context& ctx, const std::string& path, const FrameRate& rate, int sensitivity) {
  const MeasureOptions options = MeasureOptions::Load(ctx.settings);
  AnalysedVideo a;
  TimecodeData data;
  bool changed = true;
  if (auto found = FindTimecodeData(path, options)) {
    data = std::move(found->data);
    a.dataFile = found->path;
    a.reused = true;
    changed = false;
    if (data.table.rate != rate) {
      // Counted at another rate: the labels are made again from the video's timestamps.
      const VideoFile video = VideoFile::Open(path);
      std::vector<std::int16_t> cuts = data.table.cuts;
      data.table = MakeFrameTable(video, rate, std::move(data.table.measures), std::move(data.table.peaks));
      if (cuts.size() == data.table.size()) data.table.cuts = std::move(cuts);
      changed = true;
    }
    if (data.sensitivity != sensitivity) {
      data.table.cuts = DetectShotCuts(data.table.measures, sensitivity);
      changed = true;
    }
  } else {
    const VideoFile video = VideoFile::Open(path);
    VideoAnalysis m = Measure(ctx, path, options);
    data.video = VideoIdentity::Of(path);
    data.analysis = options;
    data.table = MakeFrameTable(video, rate, std::move(m.measures), std::move(m.peaks));
    data.table.cuts = DetectShotCuts(data.table.measures, sensitivity);
  }
  data.sensitivity = sensitivity;
  a.table = data.table;
  if (changed) {
    try {
      a.dataFile = a.dataFile.empty() ? StoreTimecodeData(path, data) : a.dataFile;
      if (a.reused) RewriteTimecodeData(a.dataFile, data.table, sensitivity);
    } catch (const UserError& e) {
      ctx.err << "kipo: note: the analysis is not stored (" << e.text() << ")\n";
      a.dataFile.clear();
    }
  }
  return a;
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
