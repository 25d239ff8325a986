#include "video/frame_measure.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <thread>

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

namespace {

std::int64_t PictureTime(const AVFrame* f) {
  return f->best_effort_timestamp != AV_NOPTS_VALUE ? f->best_effort_timestamp : f->pts;
}

// The frame number of a decoded picture or a packet from its timestamp: the frame of the
// table with the nearest one (-1 for a picture more than half a frame before the first,
// which an edit list cuts away).
class FrameClock {
 public:
  FrameClock(const VideoFile& video, AVRational timeBase) {
    const double tick = av_q2d(timeBase);
    const double start = video.StartSeconds();
    const FrameCount n = video.frameCount();
    pts_.reserve(static_cast<std::size_t>(n));
    for (FrameCount f = 0; f < n; ++f) pts_.push_back(std::llround((start + video.FrameSeconds(f)) / tick));
  }

  std::int64_t Pts(FrameCount f) const { return pts_[static_cast<std::size_t>(f)]; }

  FrameCount Of(std::int64_t t) const {
    if (pts_.empty() || t == AV_NOPTS_VALUE) return -1;
    auto it = std::lower_bound(pts_.begin(), pts_.end(), t);
    if (it == pts_.begin()) {
      const std::int64_t frame = pts_.size() > 1 ? pts_[1] - pts_[0] : 1;
      return pts_[0] - t > frame / 2 ? -1 : 0;
    }
    if (it == pts_.end()) return static_cast<FrameCount>(pts_.size()) - 1;
    if (t - *(it - 1) < *it - t) --it;
    return static_cast<FrameCount>(it - pts_.begin());
  }

 private:
  std::vector<std::int64_t> pts_;
};

// Frame threads cost processor time of their own (each thread keeps its own copy of the
// decoder's state, handed on with every picture; about a tenth more on a 1080p clip): they
// pay only where a core would otherwise stand idle. When every core already has work
// (the tasks ready to run at this moment, this one included, fill the machine) the pass
// decodes in one thread, which is then no slower and leaves the others their share. The
// moment's count is asked, not the minute's load average: that average still carries the
// work of an analysis that has just ended and would keep an idle machine on one thread.
bool CoresToSpare() {
  const unsigned cores = std::thread::hardware_concurrency();
  if (cores < 2) return false;
  // /proc/loadavg: "0.70 1.63 2.03 1/105 25558"; the fourth field is running/total.
  std::FILE* f = std::fopen("/proc/loadavg", "r");
  if (!f) return true;
  double a = 0, b = 0, c = 0;
  unsigned running = 0, total = 0;
  const int got = std::fscanf(f, "%lf %lf %lf %u/%u", &a, &b, &c, &running, &total);
  std::fclose(f);
  if (got != 5) return true;
  return running < cores;
}

// Scales decoded pictures down to the sample the measure compares.
class Sampler {
 public:
  Sampler(int w, int h, bool colour) : w_(w), h_(h), colour_(colour) {}

  void Take(const AVFrame* frame, std::uint8_t* out) {
    // The scaler sees every k-th row only (each plane's rows k times as far apart, so the
    // chroma rows still match their luma rows): it averages over four rows or more for
    // each sample row instead of thirty on a 1080-line picture, and does a fraction of the
    // work. Small pictures keep every row.
    const int k = std::max(1, frame->height / (h_ * 4));
    const int rows = frame->height / k;
    int lines[AV_NUM_DATA_POINTERS];
    for (int i = 0; i < AV_NUM_DATA_POINTERS; ++i) lines[i] = frame->linesize[i] * k;
    scaler_.reset(sws_getCachedContext(scaler_.release(), frame->width, rows, static_cast<AVPixelFormat>(frame->format),
                                       w_, h_, colour_ ? AV_PIX_FMT_RGB24 : AV_PIX_FMT_GRAY8, SWS_AREA, nullptr,
                                       nullptr, nullptr));
    if (!scaler_) throw InvalidFileFormat("The video's picture format cannot be converted.");
    std::uint8_t* dst[4] = {out, nullptr, nullptr, nullptr};
    int stride[4] = {w_ * (colour_ ? 3 : 1), 0, 0, 0};
    sws_scale(scaler_.get(), frame->data, lines, 0, rows, dst, stride);
  }

 private:
  int w_, h_;
  bool colour_;
  ff::Scaler scaler_;
};

// Recent packet sizes of one kind. A packet is large when it exceeds the middle of them
// by `factor`; until a few have been seen every packet counts as large.
class SizeHistory {
 public:
  explicit SizeHistory(double factor) : factor_(factor) {}

  bool Large(int size) const {
    if (count_ < 3) return true;
    std::array<int, kKeep> s{};
    const std::size_t n = std::min(count_, kKeep);
    std::copy_n(sizes_.begin(), n, s.begin());
    std::nth_element(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(n / 2), s.begin() + static_cast<std::ptrdiff_t>(n));
    return size > factor_ * s[n / 2];
  }
  void Add(int size) { sizes_[count_++ % kKeep] = size; }

 private:
  static constexpr std::size_t kKeep = 15;
  std::array<int, kKeep> sizes_{};
  std::size_t count_ = 0;
  double factor_;
};

// The analysis pass over one video. Most of its time goes into decoding, so for codecs
// whose decoder can leave out pictures nothing else refers to (H.264, HEVC: B-frames that
// are no reference), those are decoded only where a shot may change:
//
// - Packets come in groups in decoding order: an anchor (a picture shown later than every
//   one before it: an I or P picture) and the B-pictures shown before it. A new shot makes
//   the encoder spend bits where it starts (an I picture, a large P picture, a large
//   B-picture), so a group with a keyframe or a packet much larger than the recent ones of
//   its kind is decoded whole, and every picture in it gets its exact measure.
// - In the other groups the non-reference pictures are skipped. Each skipped run between
//   two decoded pictures shares the change across it evenly, a flat level that is never a
//   single-frame peak, so detection finds no cut there.
// - A cut into a picture the encoder finds cheap (a plain colour) can hide in a skipped
//   run: when the change across a run stands out from the level around it, the run is
//   decoded again exactly after the pass, from the keyframe before it.
class MeasurePass {
 public:
  MeasurePass(const VideoFile& video, const std::string& path, const MeasureOptions& o, JobContext& job,
              const AnalysisChunkSink& partial)
      : video_(video), o_(o), job_(job), partial_(partial), total_(video.frameCount()) {
    fmt_ = ff::OpenInput(path, stream_);
    audio_.emplace(fmt_.get(), video);
    for (unsigned i = 0; i < fmt_->nb_streams; ++i)
      if (static_cast<int>(i) != stream_ && static_cast<int>(i) != audio_->stream())
        fmt_->streams[i]->discard = AVDISCARD_ALL;
    const AVStream* s = fmt_->streams[stream_];
    dec_ = ff::OpenDecoder(s, CoresToSpare(), true);
    const AVCodecID codec = s->codecpar->codec_id;
    skipping_ = !o.decodeEveryFrame && (codec == AV_CODEC_ID_H264 || codec == AV_CODEC_ID_HEVC);
    if (skipping_) clock_.emplace(video, s->time_base);
    channels_ = o.colour ? 3 : 1;
    int w = 0, h = 0;
    SampleSize(dec_->width, dec_->height, o.sampleSize, w, h);
    pixels_ = static_cast<std::size_t>(w) * h;
    sampler_.emplace(w, h, o.colour);
    prev_.resize(pixels_ * channels_);
    cur_.resize(pixels_ * channels_);
    measures_.assign(static_cast<std::size_t>(total_), 0);
    step_ = std::max<std::size_t>(1, static_cast<std::size_t>(total_) / 200);
    nextReport_ = step_;
  }

  VideoAnalysis Run() {
    ff::Packet pkt(av_packet_alloc());
    frame_.reset(av_frame_alloc());
    while (!broken_ && av_read_frame(fmt_.get(), pkt.get()) >= 0) {
      if (job_.cancelled()) throw JobCancelled();
      if (pkt->stream_index == stream_) {
        if (skipping_) {
          Group(pkt.get());
        } else {
          Decode(pkt.get());
        }
      } else if (pkt->stream_index == audio_->stream()) {
        audio_->Send(pkt.get());
      }
      av_packet_unref(pkt.get());
    }
    SendGroup();
    avcodec_send_packet(dec_.get(), nullptr);
    Take();
    Refine();
    VideoAnalysis result;
    result.measures = std::move(measures_);
    result.peaks = audio_->Finish();
    job_.Report(static_cast<std::size_t>(total_), static_cast<std::size_t>(total_), "Analysing video...");
    return result;
  }

 private:
  // A run of skipped frames: pictures `from` and `to` decoded, those between them not.
  struct Gap {
    FrameCount from, to;
    std::int32_t change;  // the measure of `to` against `from`
  };

  void Group(AVPacket* pkt) {
    const bool anchor = pkt->pts == AV_NOPTS_VALUE || (pkt->flags & AV_PKT_FLAG_KEY) || pkt->pts > lastAnchor_;
    if (anchor || group_.size() >= 64) SendGroup();
    if (anchor && pkt->pts != AV_NOPTS_VALUE) lastAnchor_ = pkt->pts;
    group_.emplace_back(av_packet_alloc());
    av_packet_move_ref(group_.back().get(), pkt);
  }

  void SendGroup() {
    if (group_.empty()) return;
    const AVPacket* anchor = group_.front().get();
    bool whole = (anchor->flags & AV_PKT_FLAG_KEY) != 0 || anchors_.Large(anchor->size);
    for (std::size_t i = 1; i < group_.size(); ++i) whole = others_.Large(group_[i]->size) || whole;
    anchors_.Add(anchor->size);
    for (std::size_t i = 1; i < group_.size(); ++i) others_.Add(group_[i]->size);
    dec_->skip_frame = whole ? AVDISCARD_DEFAULT : AVDISCARD_NONREF;
    for (ff::Packet& p : group_) Decode(p.get());
    group_.clear();
  }

  void Decode(const AVPacket* pkt) {
    const int e = avcodec_send_packet(dec_.get(), pkt);
    if (e < 0 && e != AVERROR(EAGAIN) && e != AVERROR_INVALIDDATA) broken_ = true;
    Take();
  }

  void Take() {
    while (avcodec_receive_frame(dec_.get(), frame_.get()) >= 0) {
      // Without skipping every picture comes out in order; with it, its timestamp names it.
      FrameCount f = last_ + 1;
      if (skipping_) {
        const std::int64_t t = PictureTime(frame_.get());
        if (t != AV_NOPTS_VALUE) f = clock_->Of(t);
      }
      if (f > last_ && f < total_) {
        sampler_->Take(frame_.get(), cur_.data());
        Put(f);
      }
      av_frame_unref(frame_.get());
    }
  }

  void Put(FrameCount f) {
    if (last_ >= 0) {
      const std::int32_t m = CompareSamples(prev_.data(), cur_.data(), pixels_, channels_, o_);
      const FrameCount span = f - last_;
      const auto share = static_cast<std::int32_t>(std::lround(static_cast<double>(m) / static_cast<double>(span)));
      for (FrameCount g = last_ + 1; g <= f; ++g) measures_[static_cast<std::size_t>(g)] = span == 1 ? m : share;
      if (span > 1) gaps_.push_back({last_, f, m});
    }
    std::swap(prev_, cur_);
    last_ = f;
    ready_ = static_cast<std::size_t>(f) + 1;
    if (ready_ >= nextReport_) {
      nextReport_ = (ready_ / step_ + 1) * step_;
      SendChunk();
      job_.Report(ready_, static_cast<std::size_t>(total_), "Analysing video...");
    }
  }

  void SendChunk() {
    if (!partial_) return;
    AnalysisChunk c;
    c.frames = static_cast<std::size_t>(total_);
    c.first = sentMeasures_;
    c.measures.assign(measures_.begin() + static_cast<std::ptrdiff_t>(sentMeasures_),
                      measures_.begin() + static_cast<std::ptrdiff_t>(ready_));
    sentMeasures_ = ready_;
    const std::size_t settled = std::max(sentPeaks_, audio_->settled());
    c.peaksFirst = sentPeaks_;
    if (audio_->stream() >= 0) c.peaks = audio_->Slice(sentPeaks_, settled);
    sentPeaks_ = settled;
    partial_(std::move(c));
  }

  // Decodes again, exactly, the skipped runs across which the picture changes much more
  // than around them (a run within a steady movement changes as much as its frames
  // together do; one holding a cut changes far more), and puts the exact measures in.
  void Refine() {
    if (gaps_.empty() || total_ < 3) return;
    long long sum = 0, steps = 0;
    for (std::size_t f = 1; f < measures_.size(); ++f) {
      sum += measures_[f];
      steps += std::llabs(static_cast<long long>(measures_[f]) - measures_[f - 1]);
    }
    const double frames = static_cast<double>(measures_.size() - 1);
    const double mean = static_cast<double>(sum) / frames, meanStep = static_cast<double>(steps) / frames;
    std::vector<std::pair<FrameCount, FrameCount>> runs;
    for (const Gap& g : gaps_) {
      const double before = measures_[static_cast<std::size_t>(g.from)];
      const double after = g.to + 1 < total_ ? measures_[static_cast<std::size_t>(g.to + 1)] : 0.0;
      const double level = static_cast<double>(g.to - g.from) * std::max(before, after);
      if (g.change > mean && g.change > level + meanStep)
        runs.push_back({g.from, g.to});
    }
    const std::vector<FrameCount>& keys = video_.keyframes();
    auto keyBefore = [&](FrameCount f) {
      return static_cast<std::size_t>(std::upper_bound(keys.begin(), keys.end(), f) - keys.begin()) - 1;
    };
    // Runs after the same keyframe are decoded in one go.
    for (std::size_t i = 0; i < runs.size();) {
      std::size_t j = i + 1;
      while (j < runs.size() && keyBefore(runs[j].first) == keyBefore(runs[i].first)) ++j;
      const std::span<const std::pair<FrameCount, FrameCount>> these(runs.data() + i, j - i);
      // Should the seek land after the run (an index that does not match the
      // timestamps), start a keyframe earlier; at the start, give up: the shared level
      // stays.
      for (std::size_t k = keyBefore(runs[i].first);; --k)
        if (DecodeExactly(keys[k], these) || k == 0) break;
      i = j;
    }
  }

  bool DecodeExactly(FrameCount key, std::span<const std::pair<FrameCount, FrameCount>> runs) {
    avcodec_flush_buffers(dec_.get());
    if (key == 0)
      avformat_seek_file(fmt_.get(), stream_, INT64_MIN, clock_->Pts(0), clock_->Pts(0), 0);
    else
      av_seek_frame(fmt_.get(), stream_, clock_->Pts(key), AVSEEK_FLAG_BACKWARD);
    auto wanted = [&](FrameCount f) {
      return std::any_of(runs.begin(), runs.end(), [f](const auto& r) { return f >= r.first && f <= r.second; });
    };
    const FrameCount end = runs.back().second;
    std::vector<std::pair<FrameCount, std::vector<std::uint8_t>>> pictures;
    FrameCount first = -1;
    bool done = false;
    auto receive = [&] {
      while (avcodec_receive_frame(dec_.get(), frame_.get()) >= 0) {
        const FrameCount f = clock_->Of(PictureTime(frame_.get()));
        if (first < 0) first = f;
        if (f >= 0 && wanted(f)) {
          pictures.emplace_back(f, std::vector<std::uint8_t>(pixels_ * channels_));
          sampler_->Take(frame_.get(), pictures.back().second.data());
        }
        if (f >= end) done = true;
        av_frame_unref(frame_.get());
      }
    };
    ff::Packet pkt(av_packet_alloc());
    while (!done) {
      if (job_.cancelled()) throw JobCancelled();
      if (av_read_frame(fmt_.get(), pkt.get()) < 0) {
        avcodec_send_packet(dec_.get(), nullptr);
        receive();
        break;
      }
      if (pkt->stream_index == stream_) {
        const FrameCount f = clock_->Of(pkt->pts);
        dec_->skip_frame = f < 0 || wanted(f) ? AVDISCARD_DEFAULT : AVDISCARD_NONREF;
        avcodec_send_packet(dec_.get(), pkt.get());
        receive();
      }
      av_packet_unref(pkt.get());
    }
    if (first < 0 || first > runs.front().first) return false;
    auto picture = [&](FrameCount f) -> const std::uint8_t* {
      for (const auto& [n, p] : pictures)
        if (n == f) return p.data();
      return nullptr;
    };
    for (const auto& [from, to] : runs)
      for (FrameCount f = from + 1; f <= to; ++f) {
        const std::uint8_t* a = picture(f - 1);
        const std::uint8_t* b = picture(f);
        if (a && b) measures_[static_cast<std::size_t>(f)] = CompareSamples(a, b, pixels_, channels_, o_);
      }
    return true;
  }

  const VideoFile& video_;
  const MeasureOptions& o_;
  JobContext& job_;
  const AnalysisChunkSink& partial_;
  const FrameCount total_;
  ff::Format fmt_;
  int stream_ = -1;
  std::optional<PeakCollector> audio_;
  ff::Codec dec_;
  ff::Frame frame_;
  bool skipping_ = false, broken_ = false;
  std::optional<FrameClock> clock_;
  std::optional<Sampler> sampler_;
  int channels_ = 3;
  std::size_t pixels_ = 0;
  std::vector<std::uint8_t> prev_, cur_;
  std::vector<std::int32_t> measures_;
  FrameCount last_ = -1;
  std::size_t ready_ = 0, step_ = 1, nextReport_ = 1, sentMeasures_ = 0, sentPeaks_ = 0;
  std::int64_t lastAnchor_ = INT64_MIN;
  std::vector<ff::Packet> group_;
  SizeHistory anchors_{1.3}, others_{1.8};
  std::vector<Gap> gaps_;
};

}  // namespace

VideoAnalysis AnalyseFrames(const VideoFile& video, const std::string& path, const MeasureOptions& o,
                            JobContext& job, const AnalysisChunkSink& partial) {
  return MeasurePass(video, path, o, job, partial).Run();
}

std::vector<std::int32_t> MeasureFrames(const std::string& path, const MeasureOptions& o, JobContext& job) {
  return AnalyseFrames(path, o, job).measures;
}

}  // namespace kipo
