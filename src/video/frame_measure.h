#pragma once
// The analysis pass: every frame decoded once, scaled down to a small sample, and compared
// with the frame before it. The result, one number per frame, peaks where the picture
// changes (docs/video.md explains the measure and its settings).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/jobs.h"
#include "settings/keys.h"
#include "video/frame_table.h"

namespace kipo {

class SettingsStore;

inline constexpr IntSetting kShotCutSampleSize{keys::kOptions, "Shot cut sample size", 2000, 16, 1000000};
inline constexpr IntSetting kShotCutBaselineRgb{keys::kOptions, "Shot cut baseline rgb", 21, 0, 255};
inline constexpr IntSetting kShotCutMaxRgb{keys::kOptions, "Shot cut max rgb", 45, 1, 255};
inline constexpr IntSetting kShotCutMinRgb{keys::kOptions, "Shot cut min rgb", 5, 0, 255};
inline constexpr IntSetting kShotCutBitsPerPixel{keys::kOptions, "Shot cut bits per pixel", 1, 0, 1};
inline constexpr FlagSetting kShotCutAdvanced{keys::kOptions, "Shot cut advanced", false, FlagForm::OneZero};

struct MeasureOptions {
  int sampleSize = 2000;  // pixels sampled per frame
  int baseline = 21;      // a pixel changed by at least this much counts as a changed pixel
  int maxDiff = 45;       // a pixel's difference counts up to this much
  int minDiff = 5;        // differences below this are noise
  bool colour = true;     // 24-bit samples (true) or 8-bit brightness (false)
  bool advanced = false;  // take out an even brightness change of the whole picture first
  // Decode every picture in the pass, never skipping one (slower; the measures the
  // skipping pass is checked against). Not a setting: no stored analysis records it.
  bool decodeEveryFrame = false;
  // How many ranges the pass cuts the video into, at keyframes, for its workers (H.264 and
  // HEVC); 0: as the machine's cores suggest. The measures are the same for every count.
  int ranges = 0;
  // How many workers decode the ranges side by side; 0: one per free core (with `ranges`
  // set: one per core). Not a setting either: the tests pin it to see the ranges taken in
  // another order than the file's.
  int workers = 0;
  // H.264: also leave out reference B-pictures where the bitstream shows that no picture
  // decoded later depends on them (docs/video.md); false: only non-reference pictures. Not
  // a setting either: the tests and benchmarks compare the two.
  bool skipReferenceB = true;
  // For the tests: a hash of every decoded picture (all its planes) and the decoder's
  // complaints are gathered into the result. Slower; never used by the workstation.
  bool checkPictures = false;

  static MeasureOptions Load(const SettingsStore& settings);
  bool operator==(const MeasureOptions&) const = default;
};

// The largest value a frame's measure can take.
inline constexpr std::int32_t kMaxFrameMeasure = 10000;

// The measure of one sample against the previous one (both width x height, `channels`
// bytes a pixel). 0 for identical samples, kMaxFrameMeasure for every pixel changed by at
// least "max rgb".
std::int32_t CompareSamples(const std::uint8_t* prev, const std::uint8_t* cur, std::size_t pixels, int channels,
                            const MeasureOptions& o);

// The sample's size for a picture: the picture's shape with about sampleSize pixels.
void SampleSize(int width, int height, int sampleSize, int& w, int& h);

struct VideoAnalysis {
  std::vector<std::int32_t> measures;  // one per frame of the video's frame table
  WaveformPeaks peaks;                 // the first audio stream's, per video frame
  std::size_t decodedPictures = 0;     // pictures the ranges' decoders gave (the second look not counted)
  // With checkPictures: per frame, the hash of its decoded picture (0: not decoded), and
  // how many errors and warnings the video decoder logged.
  std::vector<std::uint64_t> pictureHashes;
  std::size_t decoderComplaints = 0;
};

// What the pass has found since its last report, so that a view can fill in the waveform
// and the cut marks while the pass runs: the measures of frames `first` on, and the peaks of
// frames `peaksFirst` on whose sound has all been heard (sound runs forward, so a frame
// before the last sample heard will not change any more). The final VideoAnalysis holds
// everything again.
struct AnalysisChunk {
  std::size_t frames = 0;  // frames in the video
  std::size_t first = 0;
  std::vector<std::int32_t> measures;
  std::size_t peaksFirst = 0;
  WaveformPeaks peaks;
};
// Called on the worker thread with each progress report; it must copy what it keeps.
using AnalysisChunkSink = std::function<void(AnalysisChunk)>;

// The one analysis pass: decodes every video frame once (H.264 and HEVC in ranges between
// keyframes, a worker on each core; other codecs in one range, frame threads on spare cores) for
// its measure against the frame before it (frame 0 gets 0), and the first audio stream
// alongside for the waveform peaks of each video frame's time. Reports progress through
// `job` and stops with JobCancelled when it is cancelled. Throws InvalidFileFormat when the
// file cannot be read; audio that cannot be decoded leaves the peaks empty.
// With `partial`, what was found since the last report goes there with each report.
VideoAnalysis AnalyseFrames(const std::string& path, const MeasureOptions& options, JobContext& job,
                            const AnalysisChunkSink& partial = {});
// The same over a video already opened (its frame table read) from `path`.
VideoAnalysis AnalyseFrames(const VideoFile& video, const std::string& path, const MeasureOptions& options,
                            JobContext& job, const AnalysisChunkSink& partial = {});

// The measures alone: decodes every frame of the video once (as AnalyseFrames) and returns each
// frame's measure against the frame before it (frame 0 gets 0), indexed by frame number.
// Reports progress through `job` and stops with JobCancelled when it is cancelled. Throws
// InvalidFileFormat when the file cannot be read.
std::vector<std::int32_t> MeasureFrames(const std::string& path, const MeasureOptions& options, JobContext& job);

}  // namespace kipo
