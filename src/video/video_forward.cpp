// The program's side of video_file.h and frame_measure.h: every function calls its real
// counterpart in the video plugin, which is loaded on first use (video_plugin.h).
#include "platform/plugin.h"
#include "video/video_plugin.h"

namespace kipo {

// The program never looks inside a video's state: only the plugin creates, reads and
// deletes it. This empty stand-in lets the program's unique_ptr compile; the destructor
// below hands the state back to the plugin first, so it never deletes one.
struct VideoFile::Impl {};

const VideoPlugin& VideoLibraries() {
  static const VideoPlugin& table =
      *static_cast<const VideoPlugin*>(LoadPluginTable("kipo-video.so", "kipo_video_plugin", "the video libraries"));
  return table;
}

VideoFile VideoFile::Open(const std::string& path) { return VideoLibraries().open(path); }

VideoFile::VideoFile(VideoFile&& o) noexcept : impl_(std::move(o.impl_)) {}
VideoFile& VideoFile::operator=(VideoFile&& o) noexcept {
  if (this != &o) VideoLibraries().moveAssign(*this, std::move(o));
  return *this;
}
VideoFile::~VideoFile() {
  if (impl_) VideoLibraries().destroy(*this);
}

const std::string& VideoFile::path() const { return (this->*VideoLibraries().path)(); }
int VideoFile::width() const { return (this->*VideoLibraries().width)(); }
int VideoFile::height() const { return (this->*VideoLibraries().height)(); }
std::string VideoFile::codecName() const { return (this->*VideoLibraries().codecName)(); }
FrameCount VideoFile::frameCount() const { return (this->*VideoLibraries().frameCount)(); }
VideoRate VideoFile::rate() const { return (this->*VideoLibraries().rate)(); }
double VideoFile::durationSeconds() const { return (this->*VideoLibraries().durationSeconds)(); }
double VideoFile::StartSeconds() const { return (this->*VideoLibraries().startSeconds)(); }
double VideoFile::FrameSeconds(FrameCount n) const { return (this->*VideoLibraries().frameSeconds)(n); }
const std::vector<FrameCount>& VideoFile::keyframes() const { return (this->*VideoLibraries().keyframes)(); }
const std::optional<std::string>& VideoFile::startTimecode() const {
  return (this->*VideoLibraries().startTimecode)();
}
Timecode VideoFile::FrameTimecode(FrameCount n, const FrameRate& rate) const {
  return (this->*VideoLibraries().frameTimecode)(n, rate);
}
std::string VideoFile::FrameLabel(FrameCount n, const FrameRate& rate) const {
  return (this->*VideoLibraries().frameLabel)(n, rate);
}
VideoPicture VideoFile::DecodeFrame(FrameCount n) { return (this->*VideoLibraries().decodeFrame)(n); }

FrameRate NearestFrameRate(VideoRate rate) { return VideoLibraries().nearestFrameRate(rate); }

MeasureOptions MeasureOptions::Load(const SettingsStore& settings) { return VideoLibraries().loadMeasureOptions(settings); }
void SampleSize(int width, int height, int sampleSize, int& w, int& h) {
  VideoLibraries().sampleSize(width, height, sampleSize, w, h);
}
std::int32_t CompareSamples(const std::uint8_t* prev, const std::uint8_t* cur, std::size_t pixels, int channels,
                            const MeasureOptions& o) {
  return VideoLibraries().compareSamples(prev, cur, pixels, channels, o);
}
VideoAnalysis AnalyseFrames(const std::string& path, const MeasureOptions& options, JobContext& job,
                            const AnalysisChunkSink& partial) {
  return VideoLibraries().analyseFrames(path, options, job, partial);
}
VideoAnalysis AnalyseFrames(const VideoFile& video, const std::string& path, const MeasureOptions& options,
                            JobContext& job, const AnalysisChunkSink& partial) {
  return VideoLibraries().analyseOpenVideo(video, path, options, job, partial);
}
std::vector<std::int32_t> MeasureFrames(const std::string& path, const MeasureOptions& options, JobContext& job) {
  return VideoLibraries().measureFrames(path, options, job);
}

}  // namespace kipo
