#include "app/video_analysis.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/user_error.h"
#include "timing/shot_cuts.h"
#include "video/tcd_file.h"
#include "video/video_file.h"

namespace kipo {

AnalysedVideo AnalyseVideo(const std::filesystem::path& path, const FrameRate& rate, const MeasureOptions& options,
                           int sensitivity, JobContext& job, const std::function<void(FrameTable)>& skeleton,
                           const AnalysisChunkSink& partial) {
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
      const VideoFile video = VideoFile::Open(path.string());
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
    const VideoFile video = VideoFile::Open(path.string());
    if (skeleton) skeleton(MakeFrameTable(video, rate, {}));
    VideoAnalysis m = AnalyseFrames(video, path.string(), options, job, partial);
    data.video = VideoIdentity::Of(path);
    data.analysis = options;
    data.table = MakeFrameTable(video, rate, std::move(m.measures), std::move(m.peaks));
    data.table.cuts = DetectShotCuts(data.table.measures, sensitivity);
  }
  data.sensitivity = sensitivity;
  if (changed) {
    // A folder that cannot be written costs the next opening a pass, nothing more.
    try {
      if (a.reused) RewriteTimecodeData(a.dataFile, data.table, sensitivity);
      else a.dataFile = StoreTimecodeData(path, data);
    } catch (const UserError& e) {
      a.notStored = e.text();
      a.dataFile.clear();
    }
  }
  a.table = std::move(data.table);
  return a;
}


}  // namespace kipo
