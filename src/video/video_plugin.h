#pragma once
// The entry points of the video plugin (kipo-video.so): the code that calls FFmpeg is
// built into it, and the program reaches that code only through this table, so FFmpeg's
// libraries are loaded the first time a video is opened or measured (platform/plugin.h).
//
// video_forward.cpp defines the functions of video_file.h and frame_measure.h in the
// program by calling these; video_plugin.cpp fills the table inside the plugin with the
// real ones.
#include "video/frame_measure.h"
#include "video/video_file.h"

namespace kipo {

struct VideoPlugin {
  VideoFile (*open)(const std::string& path);
  void (*destroy)(VideoFile& video);  // releases what the plugin allocated
  void (*moveAssign)(VideoFile& to, VideoFile&& from);
  const std::string& (VideoFile::*path)() const;
  int (VideoFile::*width)() const;
  int (VideoFile::*height)() const;
  std::string (VideoFile::*codecName)() const;
  FrameCount (VideoFile::*frameCount)() const;
  VideoRate (VideoFile::*rate)() const;
  double (VideoFile::*durationSeconds)() const;
  double (VideoFile::*startSeconds)() const;
  double (VideoFile::*frameSeconds)(FrameCount) const;
  const std::vector<FrameCount>& (VideoFile::*keyframes)() const;
  const std::optional<std::string>& (VideoFile::*startTimecode)() const;
  Timecode (VideoFile::*frameTimecode)(FrameCount, const FrameRate&) const;
  std::string (VideoFile::*frameLabel)(FrameCount, const FrameRate&) const;
  VideoPicture (VideoFile::*decodeFrame)(FrameCount);
  FrameRate (*nearestFrameRate)(VideoRate);
  MeasureOptions (*loadMeasureOptions)(const SettingsStore&);
  void (*sampleSize)(int, int, int, int&, int&);
  std::int32_t (*compareSamples)(const std::uint8_t*, const std::uint8_t*, std::size_t, int, const MeasureOptions&);
  VideoAnalysis (*analyseFrames)(const std::string&, const MeasureOptions&, JobContext&, const AnalysisChunkSink&);
  VideoAnalysis (*analyseOpenVideo)(const VideoFile&, const std::string&, const MeasureOptions&, JobContext&,
                                    const AnalysisChunkSink&);
  std::vector<std::int32_t> (*measureFrames)(const std::string&, const MeasureOptions&, JobContext&);
};

// Loads the plugin on first use; throws UserError when it cannot be loaded.
const VideoPlugin& VideoLibraries();

}  // namespace kipo
