#include "video/frame_measure.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/user_error.h"
#include "settings/settings_store.h"
#include "video/ffmpeg_util.h"
#include "video/video_file.h"

namespace kipo {

MeasureOptions MeasureOptions::Load(const SettingsStore& s) {
  MeasureOptions o;
  o.sampleSize = static_cast<int>(s.Get(kShotCutSampleSize));
  o.baseline = static_cast<int>(s.Get(kShotCutBaselineRgb));
  o.maxDiff = static_cast<int>(s.Get(kShotCutMaxRgb));
  o.minDiff = static_cast<int>(s.Get(kShotCutMinRgb));
  o.colour = s.Get(kShotCutBitsPerPixel) == 1;
  o.advanced = s.Get(kShotCutAdvanced);
  return o;
}

void SampleSize(int width, int height, int sampleSize, int& w, int& h) {
  const double aspect = height > 0 ? static_cast<double>(width) / height : 1.0;
  w = std::max(4, static_cast<int>(std::lround(std::sqrt(sampleSize * aspect))));
  h = std::max(4, static_cast<int>(std::lround(static_cast<double>(sampleSize) / w)));
  w = std::min(w, std::max(1, width));
  h = std::min(h, std::max(1, height));
}

std::int32_t CompareSamples(const std::uint8_t* prev, const std::uint8_t* cur, std::size_t pixels, int channels,
                            const MeasureOptions& o) {
  if (pixels == 0) return 0;
  const int maxDiff = std::max(1, o.maxDiff);
  // In advanced mode an even change of brightness over the whole picture (a fade, a lamp
  // switched on) is taken out first: only what changes against the rest counts.
  int shift = 0;
  if (o.advanced) {
    long long sum = 0;
    for (std::size_t i = 0; i < pixels * channels; ++i) sum += int(cur[i]) - int(prev[i]);
    shift = static_cast<int>(sum / static_cast<long long>(pixels * channels));
  }
  long long weight = 0;
  std::size_t changed = 0;
  for (std::size_t p = 0; p < pixels; ++p) {
    int d = 0;
    for (int c = 0; c < channels; ++c)
      d = std::max(d, std::abs(int(cur[p * channels + c]) - int(prev[p * channels + c]) - shift));
    if (d < o.minDiff) continue;
    weight += std::min(d, maxDiff);
    if (d >= o.baseline) ++changed;
  }
  // How strongly the pixels changed, times the share of pixels that changed clearly: a
  // cut changes most pixels a lot, movement changes few, noise changes many a little.
  const double strength = static_cast<double>(weight) / (static_cast<double>(pixels) * maxDiff);
  const double share = static_cast<double>(changed) / static_cast<double>(pixels);
  return static_cast<std::int32_t>(std::lround(kMaxFrameMeasure * strength * share));
}

std::vector<std::int32_t> MeasureFrames(const std::string& path, const MeasureOptions& o, JobContext& job) {
  // The frame table gives the count and the order of the frames by timestamp.
  const VideoFile video = VideoFile::Open(path);
  const FrameCount total = video.frameCount();
  int stream = -1;
  ff::Format fmt = ff::OpenInput(path, stream);
  for (unsigned i = 0; i < fmt->nb_streams; ++i)
    if (static_cast<int>(i) != stream) fmt->streams[i]->discard = AVDISCARD_ALL;
  ff::Codec dec = ff::OpenDecoder(fmt->streams[stream], true, true);
  const int channels = o.colour ? 3 : 1;
  int w = 0, h = 0;
  SampleSize(dec->width, dec->height, o.sampleSize, w, h);
  const std::size_t pixels = static_cast<std::size_t>(w) * h;
  std::vector<std::uint8_t> prev(pixels * channels), cur(pixels * channels);
  ff::Scaler scaler;
  ff::Packet pkt(av_packet_alloc());
  ff::Frame frame(av_frame_alloc());

  std::vector<std::int32_t> measures;
  measures.reserve(total);
  const std::size_t step = std::max<std::size_t>(1, total / 200);
  auto take = [&]() {
    while (avcodec_receive_frame(dec.get(), frame.get()) >= 0) {
      scaler.reset(sws_getCachedContext(scaler.release(), frame->width, frame->height,
                                        static_cast<AVPixelFormat>(frame->format), w, h,
                                        o.colour ? AV_PIX_FMT_RGB24 : AV_PIX_FMT_GRAY8, SWS_AREA, nullptr,
                                        nullptr, nullptr));
      if (!scaler) throw InvalidFileFormat("The video's picture format cannot be converted.");
      std::uint8_t* dst[4] = {cur.data(), nullptr, nullptr, nullptr};
      int stride[4] = {w * channels, 0, 0, 0};
      sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, dst, stride);
      av_frame_unref(frame.get());
      measures.push_back(measures.empty() ? 0 : CompareSamples(prev.data(), cur.data(), pixels, channels, o));
      std::swap(prev, cur);
      if (measures.size() % step == 0) job.Report(measures.size(), total, "Analysing video...");
    }
  };
  while (av_read_frame(fmt.get(), pkt.get()) >= 0) {
    if (job.cancelled()) throw JobCancelled();
    if (pkt->stream_index == stream) {
      int e = avcodec_send_packet(dec.get(), pkt.get());
      av_packet_unref(pkt.get());
      if (e < 0 && e != AVERROR(EAGAIN) && e != AVERROR_INVALIDDATA) break;
      take();
    } else {
      av_packet_unref(pkt.get());
    }
  }
  avcodec_send_packet(dec.get(), nullptr);
  take();
  // One measure per frame of the table, whatever the decoder dropped or added.
  measures.resize(total, 0);
  job.Report(total, total, "Analysing video...");
  return measures;
}

}  // namespace kipo
