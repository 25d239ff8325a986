#pragma once
// What the video commands (shotcuts, snap, cues-from-shots) share: a video's frame table
// with its cut flags, from the timecode data file beside the video when it matches, else
// from one analysis pass (a progress line on a terminal) that is then stored; a note on
// `err` when it cannot be.
#include <filesystem>
#include <string>

#include "app/video_analysis.h"
#include "cli/cli.h"

namespace kipo::cli {

using kipo::AnalysedVideo;

// The table counted at `rate`, cuts detected at `sensitivity`. A stored analysis made with
// other settings, or of another state of the video, is made again.
AnalysedVideo AnalyseVideo(Context& ctx, const std::string& video, const FrameRate& rate, int sensitivity);
// The same for a video the command has opened already (its frame table is not read again).
AnalysedVideo AnalyseVideo(Context& ctx, const VideoFile& video, const FrameRate& rate, int sensitivity);

// Writes the table back to its timecode data file (after a shift); says so on `err` when it
// cannot.
void StoreAnalysis(Context& ctx, AnalysedVideo& analysed);

}  // namespace kipo::cli
