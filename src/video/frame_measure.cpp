#include "video/frame_measure.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/user_error.h"
#include "settings/settings_store.h"
#include "video/ffmpeg_util.h"

extern "C" {
#include <libswresample/swresample.h>
}
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

namespace {

struct ResamplerFree {
  void operator()(SwrContext* s) const { swr_free(&s); }
};

// The audio half of the pass: decodes the first audio stream and keeps, for each video
// frame's time, the lowest and highest sample of every channel. Audio before the first
// picture or after the last is left out. A stream that cannot be decoded gives no peaks.
class PeakCollector {
 public:
  PeakCollector(AVFormatContext* fmt, const VideoFile& video) {
    stream_ = av_find_best_stream(fmt, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (stream_ < 0) return;
    const AVStream* s = fmt->streams[stream_];
    const AVCodec* codec = avcodec_find_decoder(s->codecpar->codec_id);
    if (!codec) return;
    ff::Codec dec(avcodec_alloc_context3(codec));
    if (!dec || avcodec_parameters_to_context(dec.get(), s->codecpar) < 0) return;
    dec->pkt_timebase = s->time_base;
    if (avcodec_open2(dec.get(), codec, nullptr) < 0 || dec->ch_layout.nb_channels <= 0 || dec->sample_rate <= 0)
      return;
    channels_ = std::min(dec->ch_layout.nb_channels, 16);
    timeBase_ = s->time_base;
    dec_ = std::move(dec);
    frame_.reset(av_frame_alloc());
    const std::size_t n = static_cast<std::size_t>(video.frameCount());
    starts_.reserve(n + 1);
    for (std::size_t f = 0; f < n; ++f) starts_.push_back(video.FrameSeconds(static_cast<FrameCount>(f)));
    starts_.push_back(video.durationSeconds());
    videoStart_ = video.StartSeconds();
    peaks_.channels = channels_;
    peaks_.values.assign(n * channels_ * 2, 0);
    seen_.assign(n, false);
  }

  int stream() const { return dec_ ? stream_ : -1; }

  void Send(const AVPacket* pkt) {
    if (!dec_) return;
    if (int e = avcodec_send_packet(dec_.get(), pkt); e < 0 && e != AVERROR(EAGAIN) && e != AVERROR_INVALIDDATA &&
                                                      e != AVERROR_EOF)
      return;
    while (avcodec_receive_frame(dec_.get(), frame_.get()) >= 0) {
      Take(frame_.get());
      av_frame_unref(frame_.get());
    }
  }

  // Frames before this one have heard all their sound.
  std::size_t settled() const { return dec_ ? cursor_ : 0; }
  WaveformPeaks Slice(std::size_t from, std::size_t to) const {
    WaveformPeaks p;
    p.channels = channels_;
    const std::size_t per = 2 * static_cast<std::size_t>(channels_);
    p.values.assign(peaks_.values.begin() + static_cast<std::ptrdiff_t>(from * per),
                    peaks_.values.begin() + static_cast<std::ptrdiff_t>(to * per));
    return p;
  }

  WaveformPeaks Finish() {
    if (!dec_) return {};
    Send(nullptr);
    return std::move(peaks_);
  }

 private:
  void Take(const AVFrame* a) {
    if (a->nb_samples <= 0 || a->sample_rate <= 0) return;
    SwrContext* raw = resampler_.release();
    // The same channels and rate as 16-bit planes: only the sample format changes.
    if (!raw || a->format != inFormat_ || a->ch_layout.nb_channels != inChannels_ || a->sample_rate != inRate_) {
      swr_free(&raw);
      AVChannelLayout layout{}, in{};
      av_channel_layout_copy(&in, &a->ch_layout);
      av_channel_layout_copy(&layout, &a->ch_layout);
      const bool ok = swr_alloc_set_opts2(&raw, &layout, AV_SAMPLE_FMT_S16P, a->sample_rate, &in,
                                          static_cast<AVSampleFormat>(a->format), a->sample_rate, 0, nullptr) >= 0 &&
                      swr_init(raw) >= 0;
      av_channel_layout_uninit(&in);
      av_channel_layout_uninit(&layout);
      if (!ok) {
        swr_free(&raw);
        return;
      }
      inFormat_ = a->format;
      inChannels_ = a->ch_layout.nb_channels;
      inRate_ = a->sample_rate;
    }
    resampler_.reset(raw);
    const int channels = std::min(channels_, a->ch_layout.nb_channels);
    planes_.resize(a->ch_layout.nb_channels);
    std::vector<std::uint8_t*> out(a->ch_layout.nb_channels);
    for (int c = 0; c < a->ch_layout.nb_channels; ++c) {
      planes_[c].resize(a->nb_samples + 32);
      out[c] = reinterpret_cast<std::uint8_t*>(planes_[c].data());
    }
    const int got = swr_convert(raw, out.data(), a->nb_samples + 32, const_cast<const std::uint8_t**>(a->extended_data),
                                a->nb_samples);
    if (got <= 0) return;
    const std::int64_t t = a->best_effort_timestamp != AV_NOPTS_VALUE ? a->best_effort_timestamp : a->pts;
    double time = t == AV_NOPTS_VALUE ? next_ : static_cast<double>(t) * av_q2d(timeBase_) - videoStart_;
    // Containers round their timestamps (Matroska to the millisecond): audio that follows
    // on without a gap is counted on from the samples before it.
    if (counted_ && std::abs(time - next_) < 0.01) time = next_;
    counted_ = true;
    next_ = time + static_cast<double>(got) / a->sample_rate;
    // Samples run forward in time, so the frame they fall in is found by walking on.
    const std::size_t frames = seen_.size();
    for (int i = 0; i < got; ++i, time += 1.0 / a->sample_rate) {
      if (time < 0 || time >= starts_.back()) continue;
      while (cursor_ > 0 && starts_[cursor_] > time) --cursor_;
      while (cursor_ + 1 < frames && starts_[cursor_ + 1] <= time) ++cursor_;
      for (int c = 0; c < channels; ++c) {
        const std::int16_t v = planes_[c][i];
        std::int16_t* mm = &peaks_.values[2 * (cursor_ * channels_ + c)];
        if (!seen_[cursor_]) {
          mm[0] = mm[1] = v;
        } else {
          mm[0] = std::min(mm[0], v);
          mm[1] = std::max(mm[1], v);
        }
      }
      seen_[cursor_] = true;
    }
  }

  int stream_ = -1;
  int channels_ = 0;
  int inFormat_ = -1, inChannels_ = 0, inRate_ = 0;
  AVRational timeBase_{1, 1};
  ff::Codec dec_;
  ff::Frame frame_;
  std::unique_ptr<SwrContext, ResamplerFree> resampler_;
  std::vector<std::vector<std::int16_t>> planes_;
  std::vector<double> starts_;
  std::vector<bool> seen_;
  double videoStart_ = 0, next_ = 0;
  bool counted_ = false;
  std::size_t cursor_ = 0;
  WaveformPeaks peaks_;
};

}  // namespace

VideoAnalysis AnalyseFrames(const std::string& path, const MeasureOptions& o, JobContext& job,
                            const AnalysisChunkSink& partial) {
  // The frame table gives the count and the order of the frames by timestamp.
  return AnalyseFrames(VideoFile::Open(path), path, o, job, partial);
}

VideoAnalysis AnalyseFrames(const VideoFile& video, const std::string& path, const MeasureOptions& o,
                            JobContext& job, const AnalysisChunkSink& partial) {
  const FrameCount total = video.frameCount();
  int stream = -1;
  ff::Format fmt = ff::OpenInput(path, stream);
  PeakCollector audio(fmt.get(), video);
  for (unsigned i = 0; i < fmt->nb_streams; ++i)
    if (static_cast<int>(i) != stream && static_cast<int>(i) != audio.stream()) fmt->streams[i]->discard = AVDISCARD_ALL;
  ff::Codec dec = ff::OpenDecoder(fmt->streams[stream], true, true);
  const int channels = o.colour ? 3 : 1;
  int w = 0, h = 0;
  SampleSize(dec->width, dec->height, o.sampleSize, w, h);
  const std::size_t pixels = static_cast<std::size_t>(w) * h;
  std::vector<std::uint8_t> prev(pixels * channels), cur(pixels * channels);
  ff::Scaler scaler;
  ff::Packet pkt(av_packet_alloc());
  ff::Frame frame(av_frame_alloc());

  VideoAnalysis result;
  std::vector<std::int32_t>& measures = result.measures;
  measures.reserve(total);
  const std::size_t step = std::max<std::size_t>(1, total / 200);
  std::size_t sentMeasures = 0, sentPeaks = 0;
  auto send = [&] {
    if (!partial) return;
    AnalysisChunk c;
    c.frames = static_cast<std::size_t>(total);
    c.first = sentMeasures;
    c.measures.assign(measures.begin() + static_cast<std::ptrdiff_t>(sentMeasures), measures.end());
    sentMeasures = measures.size();
    const std::size_t settled = std::max(sentPeaks, audio.settled());
    c.peaksFirst = sentPeaks;
    if (audio.stream() >= 0) c.peaks = audio.Slice(sentPeaks, settled);
    sentPeaks = settled;
    partial(std::move(c));
  };
  auto take = [&]() {
    while (avcodec_receive_frame(dec.get(), frame.get()) >= 0) {
      // The scaler sees every k-th row only (each plane's rows k times as far apart, so
      // the chroma rows still match their luma rows): it averages over four rows or more
      // for each sample row instead of thirty on a 1080-line picture, and does a fraction
      // of the work. Small pictures keep every row.
      const int k = std::max(1, frame->height / (h * 4));
      const int rows = frame->height / k;
      int lines[AV_NUM_DATA_POINTERS];
      for (int i = 0; i < AV_NUM_DATA_POINTERS; ++i) lines[i] = frame->linesize[i] * k;
      scaler.reset(sws_getCachedContext(scaler.release(), frame->width, rows,
                                        static_cast<AVPixelFormat>(frame->format), w, h,
                                        o.colour ? AV_PIX_FMT_RGB24 : AV_PIX_FMT_GRAY8, SWS_AREA, nullptr,
                                        nullptr, nullptr));
      if (!scaler) throw InvalidFileFormat("The video's picture format cannot be converted.");
      std::uint8_t* dst[4] = {cur.data(), nullptr, nullptr, nullptr};
      int stride[4] = {w * channels, 0, 0, 0};
      sws_scale(scaler.get(), frame->data, lines, 0, rows, dst, stride);
      av_frame_unref(frame.get());
      measures.push_back(measures.empty() ? 0 : CompareSamples(prev.data(), cur.data(), pixels, channels, o));
      std::swap(prev, cur);
      if (measures.size() % step == 0) {
        send();
        job.Report(measures.size(), total, "Analysing video...");
      }
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
      if (pkt->stream_index == audio.stream()) audio.Send(pkt.get());
      av_packet_unref(pkt.get());
    }
  }
  avcodec_send_packet(dec.get(), nullptr);
  take();
  // One measure per frame of the table, whatever the decoder dropped or added.
  measures.resize(total, 0);
  result.peaks = audio.Finish();
  job.Report(total, total, "Analysing video...");
  return result;
}

std::vector<std::int32_t> MeasureFrames(const std::string& path, const MeasureOptions& o, JobContext& job) {
  return AnalyseFrames(path, o, job).measures;
}

}  // namespace kipo
