// Built into kipo-video.so only: the table of the real video functions.
#include "video/video_plugin.h"

namespace kipo {
namespace {

const VideoPlugin kTable{
    .open = &VideoFile::Open,
    .destroy = [](VideoFile& v) { VideoFile gone(std::move(v)); },
    .moveAssign = [](VideoFile& to, VideoFile&& from) { to = std::move(from); },
    .path = &VideoFile::path,
    .width = &VideoFile::width,
    .height = &VideoFile::height,
    .codecName = &VideoFile::codecName,
    .frameCount = &VideoFile::frameCount,
    .rate = &VideoFile::rate,
    .durationSeconds = &VideoFile::durationSeconds,
    .startSeconds = &VideoFile::StartSeconds,
    .frameSeconds = &VideoFile::FrameSeconds,
    .keyframes = &VideoFile::keyframes,
    .startTimecode = &VideoFile::startTimecode,
    .frameTimecode = &VideoFile::FrameTimecode,
    .frameLabel = &VideoFile::FrameLabel,
    .decodeFrame = &VideoFile::DecodeFrame,
    .nearestFrameRate = &NearestFrameRate,
    .loadMeasureOptions = &MeasureOptions::Load,
    .sampleSize = &SampleSize,
    .compareSamples = &CompareSamples,
    .analyseFrames = &AnalyseFrames,
    .analyseOpenVideo = &AnalyseFrames,
    .measureFrames = &MeasureFrames,
};

}  // namespace
}  // namespace kipo

extern "C" __attribute__((visibility("default"))) const void* kipo_video_plugin() { return &kipo::kTable; }
