#pragma once
// A video's frame table with its cut flags, as the timeline and the video commands need it:
// from the timecode data file when it matches the video and the analysis settings, else
// from one analysis pass that is then stored.
#include <filesystem>
#include <functional>
#include <string>

#include "platform/jobs.h"
#include "video/frame_measure.h"
#include "video/frame_table.h"
#include "video/video_file.h"

namespace kipo {

struct AnalysedVideo {
  FrameTable table;
  std::filesystem::path dataFile;  // where the analysis is stored; empty when it could not be
  bool reused = false;             // read from the timecode data file
  std::string notStored;           // why a new or changed analysis could not be stored
};

// The table counted at `rate`, cuts detected at `sensitivity`. A stored analysis made at
// another rate is relabelled, at another sensitivity its cuts are detected again. A new
// pass hands `skeleton` the frames' times first and `partial` its findings as it runs.
AnalysedVideo AnalyseVideo(const std::filesystem::path& path, const FrameRate& rate, const MeasureOptions& options,
                           int sensitivity, JobContext& job, const std::function<void(FrameTable)>& skeleton = {},
                           const AnalysisChunkSink& partial = {});
// The same for a video its caller has opened already: its frame table (every packet read)
// serves the pass too instead of being read again.
AnalysedVideo AnalyseVideo(const VideoFile& video, const FrameRate& rate, const MeasureOptions& options,
                           int sensitivity, JobContext& job, const std::function<void(FrameTable)>& skeleton = {},
                           const AnalysisChunkSink& partial = {});

}  // namespace kipo
