#include "app/video_analysis.h"

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "platform/user_error.h"
#include "timing/shot_cuts.h"
#include "video/tcd_file.h"
#include "video/video_file.h"

namespace kipo {

namespace {

// `opened`: the video when the caller has opened it, else it is opened here when needed.
AnalysedVideo Analyse(const std::filesystem::path& path, const VideoFile* opened, const FrameRate& rate,
                      const MeasureOptions& options, int sensitivity, JobContext& job,
                      const std::function<void(FrameTable)>& skeleton, const AnalysisChunkSink& partial) {
  std::optional<VideoFile> own;
  auto open = [&]() -> const VideoFile& {
    if (opened) return *opened;
    if (!own) own.emplace(VideoFile::Open(path.string()));
    return *own;
  };
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
      const VideoFile& video = open();
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
    const VideoFile& video = open();
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

}  // namespace

AnalysedVideo AnalyseVideo(const std::filesystem::path& path, const FrameRate& rate, const MeasureOptions& options,
                           int sensitivity, JobContext& job, const std::function<void(FrameTable)>& skeleton,
                           const AnalysisChunkSink& partial) {
  return Analyse(path, nullptr, rate, options, sensitivity, job, skeleton, partial);
}

AnalysedVideo AnalyseVideo(const VideoFile& video, const FrameRate& rate, const MeasureOptions& options,
                           int sensitivity, JobContext& job, const std::function<void(FrameTable)>& skeleton,
                           const AnalysisChunkSink& partial) {
  return Analyse(video.path(), &video, rate, options, sensitivity, job, skeleton, partial);
}


}  // namespace kipo
