#include "video/frame_measure.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <new>
#include <optional>
#include <span>
#include <thread>

#include "platform/user_error.h"
#include "settings/settings_store.h"
#include "video/ffmpeg_util.h"
#include "video/h264_references.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
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

// The cores free at this moment (at least 1, at most 8): the machine's cores less the other
// tasks ready to run now. A second decoder costs processor time of its own (frame threads
// about a tenth more; two workers on ranges a few hundredths, the two decoders sharing the
// caches): it pays only where a core would otherwise stand idle. When every core already
// has work the pass decodes in one thread, which is then no slower and leaves the others
// their share. The moment's count is asked, not the minute's load average: that average
// still carries the work of an analysis that has just ended and would keep an idle machine
// on one thread.
unsigned Cores() { return std::max(1u, std::min(std::thread::hardware_concurrency(), 8u)); }

// The scheduler's group of a process ("/autogroup-66 nice 0"; empty when there is none).
std::string SchedulerGroup(const char* pid) {
  char path[300];
  std::snprintf(path, sizeof path, "/proc/%s/autogroup", pid);
  std::FILE* f = std::fopen(path, "r");
  if (!f) return {};
  char line[128] = {};
  const char* got = std::fgets(line, sizeof line, f);
  std::fclose(f);
  if (!got) return {};
  std::string group = line;
  return group.substr(0, group.find(' '));
}

// Whether a process shares this one's scheduling group. With automatic groups on (as on a
// machine shared over several sessions), the cores are shared out between the groups first
// and nice counts only inside a group: a niced job of another session takes its group's
// full share.
bool SameGroup(const char* pid) {
  static const std::string mine = [] {
    std::FILE* f = std::fopen("/proc/sys/kernel/sched_autogroup_enabled", "r");
    int on = 0;
    if (f) {
      if (std::fscanf(f, "%d", &on) != 1) on = 0;
      std::fclose(f);
    }
    return on ? SchedulerGroup("self") : std::string();
  }();
  return mine.empty() || SchedulerGroup(pid) == mine;
}

// Threads ready to run now at the usual priority or above, from /proc (-1 when it cannot be
// read). A thread niced to 10 or more (a fuzzer or a batch job left running) gets a small
// share of a core next to one of ours (nice 19 against 0: about 1.5%), so it takes no core
// away and is not counted, unless it belongs to another scheduling group (below); /proc/loadavg's count of running tasks would count it, and a
// machine idle but for such a job would then decode on one core. Counting stops at `enough`.
int ReadyThreads(int enough) {
  DIR* proc = ::opendir("/proc");
  if (!proc) return -1;
  int ready = 0;
  char path[576];  // room for two names of up to 255 bytes
  char line[512];
  while (ready < enough) {
    const dirent* p = ::readdir(proc);
    if (!p) break;
    if (p->d_name[0] < '1' || p->d_name[0] > '9') continue;
    std::snprintf(path, sizeof path, "/proc/%s/task", p->d_name);
    DIR* tasks = ::opendir(path);
    if (!tasks) continue;  // gone meanwhile
    while (const dirent* t = ::readdir(tasks)) {
      if (t->d_name[0] < '1' || t->d_name[0] > '9') continue;
      std::snprintf(path, sizeof path, "/proc/%s/task/%s/stat", p->d_name, t->d_name);
      const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
      if (fd < 0) continue;
      const ssize_t n = ::read(fd, line, sizeof line - 1);
      ::close(fd);
      if (n <= 0) continue;
      line[n] = 0;
      // "tid (name) S ppid ... priority nice ...": the name may hold spaces and brackets,
      // so the fields are counted from the last ')'; the state is the first, nice the 17th.
      const char* at = std::strrchr(line, ')');
      if (!at || at[1] != ' ' || at[2] != 'R') continue;
      int field = 1;
      for (at += 3; *at && field < 17; ++at)
        if (*at == ' ') ++field;
      if (field == 17 && (std::atoi(at) < 10 || !SameGroup(p->d_name))) ++ready;
    }
    ::closedir(tasks);
  }
  ::closedir(proc);
  return ready;
}

// `own`: the pass's workers, which are not others' work.
unsigned FreeCores(unsigned own = 0) {
  const unsigned cores = Cores();
  if (cores < 2) return 1;
  int ready = ReadyThreads(static_cast<int>(cores + own + 1));
  if (ready < 0) {
    // /proc/loadavg: "0.70 1.63 2.03 1/105 25558"; the fourth field is running/total.
    std::FILE* f = std::fopen("/proc/loadavg", "r");
    if (!f) return cores;
    double a = 0, b = 0, c = 0;
    unsigned running = 0, total = 0;
    const int got = std::fscanf(f, "%lf %lf %lf %u/%u", &a, &b, &c, &running, &total);
    std::fclose(f);
    if (got != 5) return cores;
    ready = static_cast<int>(running);
  }
  if (ready < 1) ready = 1;
  // The count holds this thread too.
  const unsigned running = static_cast<unsigned>(ready);
  const unsigned others = running - 1 - std::min(own, running - 1);
  return others >= cores ? 1 : cores - others;
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
    const AVPixelFormat format = colour_ ? AV_PIX_FMT_RGB24 : AV_PIX_FMT_GRAY8;
    scaler_.reset(sws_getCachedContext(scaler_.release(), frame->width, rows, static_cast<AVPixelFormat>(frame->format),
                                       w_, h_, format, SWS_AREA, nullptr, nullptr, nullptr));
    if (!scaler_) throw InvalidFileFormat("The video's picture format cannot be converted.");
    if (!ff::Scale(scaler_.get(), frame->data, lines, rows, target_, w_, h_, format, out)) throw std::bad_alloc();
  }

 private:
  int w_, h_;
  bool colour_;
  ff::Scaler scaler_;
  ff::Frame target_;
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
  std::size_t count() const { return count_; }

  static constexpr std::size_t kKeep = 15;

 private:
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
//
// For the same codecs the video is cut at keyframes into ranges, each decoded by a worker
// with its own reader and a decoder on one thread (the cheapest decoding per picture), as
// many workers as cores are free taking the ranges in order. The first picture of a range is
// compared with the last picture of the range before it once both are known, so the
// measures are those of one pass from the start:
//
// - A range runs from its keyframe to the next range's. Pictures shown before that next
//   keyframe but decoded after it (an open group of pictures) still belong to the range:
//   its worker decodes the next keyframe's group too when it has such pictures.
// - Which groups are decoded whole depends on the sizes of the packets before them. A
//   worker reads the packets of the keyframe interval before its range without decoding
//   them to learn those sizes; should that leave the history short where the range asks
//   it (fewer than it keeps of a kind), it reads again from one keyframe earlier.
// - Each picture is named by its timestamp, so a range knows its frame numbers from the
//   frame table whatever the frame rate does.
//
// Other codecs (MPEG-2 and the rest) decode every picture, in one range from the start:
// program streams carry timestamps on some packets only, and their pictures are named by
// their place in the output instead.

// A run of skipped frames: pictures `from` and `to` decoded, those between them not.
struct Gap {
  FrameCount from, to;
  std::int32_t change;  // the measure of `to` against `from`
};

// One range of the pass and what its worker found there. The worker writes the measures of
// the frames after its first picture straight into the pass's table; `ready`, `opened` and
// `done` publish its progress to the thread that puts the ranges together.
struct Range {
  FrameCount from = 0, to = 0;  // frames [from, to)
  std::size_t key = 0;          // `from`'s place in the keyframe list
  std::atomic<std::size_t> ready{0};  // the last decoded picture + 1 (0: none yet)
  std::atomic<bool> opened{false};    // `first` and its sample are set
  std::atomic<bool> done{false};
  FrameCount first = -1, last = -1;  // the first and last decoded pictures
  std::vector<std::uint8_t> firstSample, lastSample;
  std::vector<Gap> gaps;
};

// The ranges for `parts` parts of about equal length, cut at the keyframes nearest the
// even division (a range at least a few frames long).
std::vector<std::pair<FrameCount, std::size_t>> PlanRanges(const std::vector<FrameCount>& keys, FrameCount total,
                                                           std::size_t parts) {
  std::vector<std::pair<FrameCount, std::size_t>> starts{{0, 0}};
  for (std::size_t p = 1; p < parts; ++p) {
    const double at = static_cast<double>(total) * static_cast<double>(p) / static_cast<double>(parts);
    auto it = std::lower_bound(keys.begin(), keys.end(), static_cast<FrameCount>(std::llround(at)));
    if (it == keys.end() || (it != keys.begin() && at - static_cast<double>(*(it - 1)) < static_cast<double>(*it) - at))
      --it;
    if (it == keys.begin() || *it <= starts.back().first) continue;
    starts.push_back({*it, static_cast<std::size_t>(it - keys.begin())});
  }
  return starts;
}

// What the workers share.
struct PassState {
  PassState(const VideoFile& v, const MeasureOptions& options, JobContext& j) : video(v), o(options), job(j) {}
  const VideoFile& video;
  const MeasureOptions& o;
  JobContext& job;
  FrameCount total = 0;
  bool byTime = false;    // pictures are named by their timestamps (and ranges possible)
  bool skipping = false;  // non-reference pictures left out where no shot changes
  std::optional<FrameClock> clock;
  const AVStream* stream = nullptr;  // the video in the pass's own reader, probed
  int channels = 3, sampleWidth = 0, sampleHeight = 0;
  std::size_t pixels = 0;
  std::vector<std::int32_t> measures;
  std::vector<std::uint64_t> hashes;     // with checkPictures
  std::atomic<std::size_t> decoded{0};  // pictures out of the ranges' decoders
  std::deque<Range> ranges;
  std::vector<std::size_t> order;  // the ranges in the order the workers take them
  std::atomic<std::size_t> nextRange{0};
  std::atomic<bool> stop{false};
  std::mutex mutex;
  std::condition_variable wake;  // a worker has news
  std::exception_ptr error;

  bool news = false;  // under `mutex`

  void Notify() {
    {
      std::lock_guard lock(mutex);
      news = true;
    }
    wake.notify_one();
  }
  bool stopped() const { return stop.load(std::memory_order_relaxed) || job.cancelled(); }
};

// FNV-1a over the visible bytes of every plane of a decoded picture (tests compare the
// pictures two passes decode).
std::uint64_t PictureHash(const AVFrame* f) {
  std::uint64_t h = 1469598103934665603ull;
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(f->format));
  int widths[4] = {};
  if (!d || av_image_fill_linesizes(widths, static_cast<AVPixelFormat>(f->format), f->width) < 0) return h;
  for (int plane = 0; plane < 4 && f->data[plane]; ++plane) {
    const int rows = plane == 1 || plane == 2 ? AV_CEIL_RSHIFT(f->height, d->log2_chroma_h) : f->height;
    for (int y = 0; y < rows; ++y) {
      const std::uint8_t* row = f->data[plane] + static_cast<std::ptrdiff_t>(y) * f->linesize[plane];
      for (int x = 0; x < widths[plane]; ++x) h = (h ^ row[x]) * 1099511628211ull;
    }
  }
  return h | 1;  // never 0, which stands for "not decoded"
}

// Errors and warnings of the video decoders while a checking pass runs.
std::atomic<std::size_t> g_complaints{0};
void CountComplaints(void* owner, int level, const char*, va_list) {
  if (level > AV_LOG_WARNING || !owner) return;
  const AVClass* c = *static_cast<const AVClass* const*>(owner);
  if (c && c == avcodec_get_class() && static_cast<const AVCodecContext*>(owner)->codec_type == AVMEDIA_TYPE_VIDEO)
    g_complaints.fetch_add(1);
}

// Thrown inside a worker when its history of packet sizes turns out short: the range is
// read again from one keyframe earlier.
struct HistoryShort {};

// One worker: its own reader and decoder, taking ranges until none are left.
class RangeWorker {
 public:
  RangeWorker(PassState& s, const std::string& path, bool frameThreads) : s_(s), path_(path) {
    Reopen();
    dec_ = ff::OpenDecoder(s.stream->codecpar, fmt_->streams[stream_]->time_base, frameThreads, true);
    sampler_.emplace(s.sampleWidth, s.sampleHeight, s.o.colour);
    prev_.resize(s.pixels * s.channels);
    cur_.resize(s.pixels * s.channels);
    frame_.reset(av_frame_alloc());
    pkt_.reset(av_packet_alloc());
    step_ = std::max<std::size_t>(1, static_cast<std::size_t>(s.total) / 200);
    const AVCodecParameters* par = s.stream->codecpar;
    planning_ = s.skipping && s.o.skipReferenceB && par->codec_id == AV_CODEC_ID_H264;
    if (planning_)
      parser_.emplace(std::span<const std::uint8_t>(par->extradata, par->extradata ? static_cast<std::size_t>(
                                                                                          std::max(0, par->extradata_size))
                                                                                    : 0));
  }

  void Work() {
    for (;;) {
      const std::size_t next = s_.nextRange.fetch_add(1);
      if (next >= s_.order.size() || s_.stopped()) return;
      const std::size_t i = s_.order[next];
      Range& r = s_.ranges[i];
      for (std::size_t warm = r.key > 0 ? r.key - 1 : 0;; --warm) {
        try {
          Decode(r, warm);
          break;
        } catch (const HistoryShort&) {
        }
      }
      r.last = havePrev_ ? last_ : -1;
      if (havePrev_) r.lastSample = prev_;
      r.gaps = std::move(gaps_);
      r.done.store(true, std::memory_order_release);
      s_.Notify();
    }
  }

 private:
  // A reader at the very start of the file (seeking there is not exact in every container:
  // in a transport stream without an index it can land a keyframe later).
  void Reopen() {
    fmt_ = ff::OpenAgain(path_, s_.stream);
    stream_ = s_.stream->index;
    for (unsigned i = 0; i < fmt_->nb_streams; ++i)
      if (static_cast<int>(i) != stream_) fmt_->streams[i]->discard = AVDISCARD_ALL;
    fresh_ = true;
  }

  void Reset(Range& r, bool fromStart) {
    // A read stopped by HistoryShort leaves its packet here; the next read must not
    // overwrite (and so leak) it.
    av_packet_unref(pkt_.get());
    avcodec_flush_buffers(dec_.get());
    group_.clear();
    pending_.clear();
    pendingBytes_ = 0;
    planner_.Reset();
    anchors_ = SizeHistory(1.3);
    others_ = SizeHistory(1.8);
    lastAnchor_ = INT64_MIN;
    fromStart_ = fromStart;
    live_ = r.from == 0 && fromStart;
    ending_ = finished_ = broken_ = havePrev_ = endsAtIdr_ = false;
    last_ = r.from - 1;
    gaps_.clear();
    range_ = &r;
  }

  // Decodes range r, reading from keyframe `warm` (0: the start of the file).
  void Decode(Range& r, std::size_t warm) {
    const std::vector<FrameCount>& keys = s_.video.keyframes();
    for (int attempt = 0;; ++attempt) {
      if (attempt > 0) warm = attempt == 1 && warm > 0 ? warm - 1 : 0;
      Reset(r, warm == 0);
      if (warm == 0) {
        // A range read from the start (the first, or one whose history needs it) gets a
        // reader that has not moved yet.
        if (!fresh_) Reopen();
      } else {
        av_seek_frame(fmt_.get(), stream_, s_.clock->Pts(keys[warm]), AVSEEK_FLAG_BACKWARD);
      }
      started_ = warm == 0;
      fresh_ = false;
      if (Read(r) || warm == 0) break;
    }
  }

  // Reads the range's packets; false when the reader landed after the range's start.
  bool Read(Range& r) {
    while (!finished_ && !broken_) {
      if (s_.stopped()) return true;
      if (av_read_frame(fmt_.get(), pkt_.get()) < 0) break;
      if (pkt_->stream_index == stream_) {
        if (!s_.byTime) {
          Send(pkt_.get());
        } else if (!Packet(pkt_.get())) {
          av_packet_unref(pkt_.get());
          return false;
        }
      }
      av_packet_unref(pkt_.get());
    }
    if (!finished_) {
      // The end of the file (or a range whose next keyframe never came).
      if (!ending_ || group_.size() > 1) SendGroup();
      group_.clear();
    }
    // What follows the range is planned as one pass from the start would plan it.
    Flush(!ending_ ? h264::SkipPlanner::Next::Nothing
                   : endsAtIdr_ ? h264::SkipPlanner::Next::Idr : h264::SkipPlanner::Next::More);
    if (!broken_) avcodec_send_packet(dec_.get(), nullptr);
    Take();
    return true;
  }

  // One packet of the video in decoding order. False when it shows that the reader landed
  // after the range's start.
  bool Packet(AVPacket* pkt) {
    const Range& r = *range_;
    const bool key = (pkt->flags & AV_PKT_FLAG_KEY) != 0;
    const FrameCount f = pkt->pts == AV_NOPTS_VALUE ? -1 : s_.clock->Of(pkt->pts);
    if (!started_) {
      // After a seek the packets start at a keyframe at or before the range.
      if (f > r.from) return false;
      if (!key) return true;
      started_ = true;
    }
    const bool anchor = pkt->pts == AV_NOPTS_VALUE || key || pkt->pts > lastAnchor_;
    if (ending_ && anchor) {
      // The next range's keyframe group is complete: decoded only when it holds pictures
      // of this range (shown before its keyframe).
      if (group_.size() > 1) SendGroup();
      group_.clear();
      finished_ = true;
      return true;
    }
    if (!live_) {
      if (key && f == r.from) {
        SendGroup();  // the last packets before the range teach the history only
        live_ = true;
      } else if (f > r.from && !fromStart_) {
        return false;
      }
    } else if (key && f == r.to && r.to < s_.total) {
      SendGroup();
      ending_ = true;
      if (planning_) {
        const h264::Picture k = parser_->Parse(std::span<const std::uint8_t>(pkt->data, static_cast<std::size_t>(pkt->size)));
        endsAtIdr_ = k.known && k.idr;
      }
    }
    if (anchor || group_.size() >= 64) SendGroup();
    if (anchor && pkt->pts != AV_NOPTS_VALUE) lastAnchor_ = pkt->pts;
    group_.emplace_back(av_packet_alloc());
    av_packet_move_ref(group_.back().get(), pkt);
    return true;
  }

  void SendGroup() {
    if (group_.empty()) return;
    if (!s_.skipping) {
      if (live_)
        for (ff::Packet& p : group_) Send(p.get());
      group_.clear();
      return;
    }
    const AVPacket* anchor = group_.front().get();
    const bool key = (anchor->flags & AV_PKT_FLAG_KEY) != 0;
    // A history learnt from part of the file is the one from the start only once it is
    // full; before that the range must not rely on it (a keyframe's group is decoded whole
    // whatever it says).
    if (live_ && !fromStart_ && !key &&
        (anchors_.count() < SizeHistory::kKeep || (group_.size() > 1 && others_.count() < SizeHistory::kKeep)))
      throw HistoryShort();
    bool whole = key || anchors_.Large(anchor->size);
    for (std::size_t i = 1; i < group_.size(); ++i) whole = others_.Large(group_[i]->size) || whole;
    anchors_.Add(anchor->size);
    for (std::size_t i = 1; i < group_.size(); ++i) others_.Add(group_[i]->size);
    if (live_ && planning_) {
      Queue(whole, key);
    } else if (live_) {
      dec_->skip_frame = whole ? AVDISCARD_DEFAULT : AVDISCARD_NONREF;
      for (ff::Packet& p : group_) Send(p.get());
    }
    group_.clear();
  }

  // H.264 groups wait here until the next keyframe (or a limit) for the planner to decide
  // which of them may leave out their reference B-pictures too: whether that is safe
  // depends on the groups after them.
  void Queue(bool whole, bool key) {
    Pending g;
    g.whole = whole;
    std::size_t bytes = 0;
    for (const ff::Packet& p : group_) {
      g.pictures.push_back(parser_->Parse(std::span<const std::uint8_t>(p->data, static_cast<std::size_t>(p->size))));
      bytes += static_cast<std::size_t>(p->size);
    }
    if (key) {
      const h264::Picture& k = g.pictures.front();
      Flush(k.known && k.idr ? h264::SkipPlanner::Next::Idr : h264::SkipPlanner::Next::More);
      // Pictures after a keyframe that is no IDR picture may refer to pictures before it,
      // which a range starting there never decodes: nothing is left out until an IDR
      // picture, in a range as in one pass from the start.
      if (!(k.known && k.idr)) planner_.Reset();
    }
    pendingBytes_ += bytes;
    g.packets = std::move(group_);
    pending_.push_back(std::move(g));
    // Memory stays bounded: a long keyframe interval is planned in parts (each ending with
    // the two decoders agreeing).
    if (pending_.size() >= 300 || pendingBytes_ >= (std::size_t{64} << 20)) Flush(h264::SkipPlanner::Next::More);
  }

  void Flush(h264::SkipPlanner::Next next) {
    if (pending_.empty()) return;
    std::vector<h264::PlannedGroup> plan(pending_.size());
    for (std::size_t i = 0; i < pending_.size(); ++i) {
      plan[i].pictures = std::move(pending_[i].pictures);
      plan[i].whole = pending_[i].whole;
    }
    planner_.Plan(plan, next);
    for (std::size_t i = 0; i < pending_.size() && !broken_; ++i) {
      const h264::GroupMode m = plan[i].mode;
      dec_->skip_frame = m == h264::GroupMode::Whole    ? AVDISCARD_DEFAULT
                         : m == h264::GroupMode::NonRef ? AVDISCARD_NONREF
                                                        : AVDISCARD_BIDIR;
      for (ff::Packet& p : pending_[i].packets) Send(p.get());
    }
    pending_.clear();
    pendingBytes_ = 0;
  }

  void Send(const AVPacket* pkt) {
    const int e = avcodec_send_packet(dec_.get(), pkt);
    if (e < 0 && e != AVERROR(EAGAIN) && e != AVERROR_INVALIDDATA) broken_ = true;
    Take();
  }

  void Take() {
    while (avcodec_receive_frame(dec_.get(), frame_.get()) >= 0) {
      // Named by its timestamp, or by its place when the stream's timestamps are not to be
      // trusted (then there is one range and every picture is decoded).
      FrameCount f = last_ + 1;
      if (s_.byTime) {
        const std::int64_t t = PictureTime(frame_.get());
        if (t != AV_NOPTS_VALUE) f = s_.clock->Of(t);
      }
      s_.decoded.fetch_add(1, std::memory_order_relaxed);
      if (f > last_ && f < range_->to) {
        if (s_.o.checkPictures && f >= 0) s_.hashes[static_cast<std::size_t>(f)] = PictureHash(frame_.get());
        sampler_->Take(frame_.get(), cur_.data());
        Put(f);
      }
      av_frame_unref(frame_.get());
    }
  }

  void Put(FrameCount f) {
    Range& r = *range_;
    if (havePrev_) {
      const std::int32_t m = CompareSamples(prev_.data(), cur_.data(), s_.pixels, s_.channels, s_.o);
      const FrameCount span = f - last_;
      const auto share = static_cast<std::int32_t>(std::lround(static_cast<double>(m) / static_cast<double>(span)));
      for (FrameCount g = last_ + 1; g <= f; ++g) s_.measures[static_cast<std::size_t>(g)] = span == 1 ? m : share;
      if (span > 1) gaps_.push_back({last_, f, m});
    } else if (!r.opened.load(std::memory_order_relaxed)) {
      // (A range read again from the start finds the same first picture.)
      r.first = f;
      r.firstSample = cur_;
      r.opened.store(true, std::memory_order_release);
      s_.Notify();
    }
    std::swap(prev_, cur_);
    havePrev_ = true;
    last_ = f;
    r.ready.store(static_cast<std::size_t>(f) + 1, std::memory_order_release);
    if (++sinceNotice_ >= step_) {
      sinceNotice_ = 0;
      s_.Notify();
    }
  }

  PassState& s_;
  const std::string& path_;
  ff::Format fmt_;
  int stream_ = -1;
  ff::Codec dec_;
  ff::Frame frame_;
  ff::Packet pkt_;
  std::optional<Sampler> sampler_;
  std::vector<std::uint8_t> prev_, cur_;
  Range* range_ = nullptr;
  bool fresh_ = true, fromStart_ = true, started_ = false, live_ = false, ending_ = false, finished_ = false, broken_ = false;
  bool havePrev_ = false;
  FrameCount last_ = -1;
  std::int64_t lastAnchor_ = INT64_MIN;
  std::vector<ff::Packet> group_;
  struct Pending {
    std::vector<ff::Packet> packets;
    std::vector<h264::Picture> pictures;
    bool whole = false;
  };
  bool planning_ = false;  // H.264 reference B-pictures may be left out
  bool endsAtIdr_ = false;  // the next range starts with an IDR picture
  std::optional<h264::HeaderParser> parser_;
  h264::SkipPlanner planner_;
  std::vector<Pending> pending_;
  std::size_t pendingBytes_ = 0;
  SizeHistory anchors_{1.3}, others_{1.8};
  std::vector<Gap> gaps_;
  std::size_t step_ = 1, sinceNotice_ = 0;
};

// The whole pass: the workers over the ranges, the sound read here alongside, progress and
// the partial results from here, then the ranges put together and the suspicious skipped
// runs decoded again.
class MeasurePass {
 public:
  MeasurePass(const VideoFile& video, const std::string& path, const MeasureOptions& o, JobContext& job,
              const AnalysisChunkSink& partial)
      : path_(path), s_(video, o, job), partial_(partial) {
    s_.total = video.frameCount();
    // The workers take the decoder setup of the video's own reader; this pass's reader (the
    // sound, the runs decoded again) is opened once they have started.
    const AVStream* st = VideoStream(video);
    s_.stream = st;
    stream_ = st->index;
    const AVCodecID codec = st->codecpar->codec_id;
    s_.byTime = codec == AV_CODEC_ID_H264 || codec == AV_CODEC_ID_HEVC;
    s_.skipping = s_.byTime && !o.decodeEveryFrame;
    if (s_.byTime) s_.clock.emplace(video, st->time_base);
    s_.channels = o.colour ? 3 : 1;
    SampleSize(st->codecpar->width, st->codecpar->height, o.sampleSize, s_.sampleWidth, s_.sampleHeight);
    s_.pixels = static_cast<std::size_t>(s_.sampleWidth) * s_.sampleHeight;
    s_.measures.assign(static_cast<std::size_t>(s_.total), 0);
    if (o.checkPictures) s_.hashes.assign(static_cast<std::size_t>(s_.total), 0);
    step_ = std::max<std::size_t>(1, static_cast<std::size_t>(s_.total) / 200);
  }

  VideoAnalysis Run() {
    if (s_.o.checkPictures) {
      g_complaints = 0;
      av_log_set_callback(CountComplaints);
    }
    struct Restore {
      bool on;
      ~Restore() {
        if (on) av_log_set_callback(av_log_default_callback);
      }
    } restore{s_.o.checkPictures};
    const unsigned cores = FreeCores(), hardware = Cores();
    std::size_t parts = 1;
    if (s_.byTime) parts = s_.o.ranges > 0 ? static_cast<std::size_t>(s_.o.ranges) : (hardware > 1 ? 8 * hardware : 1);
    for (const auto& [from, key] : PlanRanges(s_.video.keyframes(), s_.total, parts)) {
      Range& r = s_.ranges.emplace_back();
      r.from = from;
      r.key = key;
    }
    for (std::size_t i = 0; i < s_.ranges.size(); ++i)
      s_.ranges[i].to = i + 1 < s_.ranges.size() ? s_.ranges[i + 1].from : s_.total;
    // The longest ranges first, so that the ones left for the end, when a worker may find
    // nothing more to take, are short: the last range then runs alone only briefly.
    s_.order.resize(s_.ranges.size());
    for (std::size_t i = 0; i < s_.order.size(); ++i) s_.order[i] = i;
    std::stable_sort(s_.order.begin(), s_.order.end(), [this](std::size_t a, std::size_t b) {
      return s_.ranges[a].to - s_.ranges[a].from > s_.ranges[b].to - s_.ranges[b].from;
    });
    // Ranges asked for (tests, benchmarks) get a worker on every core, busy or not; else
    // a worker per free core, and another when a core becomes free while ranges are left.
    const std::size_t most = std::min<std::size_t>(hardware, s_.ranges.size());
    const std::size_t workers = s_.o.workers > 0 ? std::min<std::size_t>(static_cast<std::size_t>(s_.o.workers), most)
                                                 : std::min<std::size_t>(s_.o.ranges > 0 ? hardware : cores, most);
    // One range alone may still use frame threads, where the machine has cores to spare.
    const bool frameThreads = s_.ranges.size() == 1 && cores > 1;
    {
      std::atomic<std::size_t> running{0};
      std::vector<std::jthread> threads;
      auto work = [this, &running, frameThreads] {
        try {
          RangeWorker(s_, path_, frameThreads).Work();
        } catch (...) {
          std::lock_guard lock(s_.mutex);
          if (!s_.error) s_.error = std::current_exception();
          s_.stop = true;
        }
        running.fetch_sub(1);
        s_.Notify();
      };
      auto more = [&] {
        if (threads.size() >= most || s_.o.workers > 0 || s_.nextRange.load() >= s_.ranges.size() ||
            FreeCores(static_cast<unsigned>(running.load())) <= running.load())
          return;
        running.fetch_add(1);
        threads.emplace_back(work);
      };
      try {
        for (std::size_t w = 0; w < workers; ++w) {
          running.fetch_add(1);
          threads.emplace_back(work);
        }
        Follow(running, more);
      } catch (...) {
        s_.stop = true;
        throw;
      }
    }
    if (s_.error) std::rethrow_exception(s_.error);
    if (s_.job.cancelled()) throw JobCancelled();
    Stitch();
    Refine();
    VideoAnalysis result;
    result.measures = std::move(s_.measures);
    result.peaks = audio_->Finish();
    result.decodedPictures = s_.decoded.load();
    if (s_.o.checkPictures) {
      result.pictureHashes = std::move(s_.hashes);
      result.decoderComplaints = g_complaints.load();
    }
    s_.job.Report(static_cast<std::size_t>(s_.total), static_cast<std::size_t>(s_.total), "Analysing video...");
    return result;
  }

 private:
  // While the workers run: reads the sound, puts ranges together as they become ready and
  // reports.
  void Follow(const std::atomic<std::size_t>& running, const std::function<void()>& more) {
    // Probed: the sound stream is chosen and set up as the video's was.
    int stream = -1;
    fmt_ = ff::OpenInput(path_, stream);
    if (stream != stream_) throw InvalidFileFormat("The video file has changed while it was read.");
    audio_.emplace(fmt_.get(), s_.video);
    for (unsigned i = 0; i < fmt_->nb_streams; ++i)
      if (static_cast<int>(i) != audio_->stream()) fmt_->streams[i]->discard = AVDISCARD_ALL;
    ff::Packet pkt(av_packet_alloc());
    bool sound = audio_->stream() >= 0;
    auto look = std::chrono::steady_clock::now();
    while (running.load() > 0) {
      if (std::chrono::steady_clock::now() - look > std::chrono::milliseconds(500)) {
        look = std::chrono::steady_clock::now();
        more();
      }
      if (s_.job.cancelled()) {
        s_.stop = true;
        throw JobCancelled();
      }
      if (sound) {
        // A few packets of sound between looks at the workers.
        for (int i = 0; i < 16 && sound; ++i) {
          if (av_read_frame(fmt_.get(), pkt.get()) < 0) {
            sound = false;
            break;
          }
          if (pkt->stream_index == audio_->stream()) audio_->Send(pkt.get());
          av_packet_unref(pkt.get());
        }
      } else {
        std::unique_lock lock(s_.mutex);
        s_.wake.wait_for(lock, std::chrono::milliseconds(50), [this] { return s_.news; });
        s_.news = false;
      }
      Stitch();
      Publish();
    }
    while (sound && av_read_frame(fmt_.get(), pkt.get()) >= 0) {
      if (pkt->stream_index == audio_->stream()) audio_->Send(pkt.get());
      av_packet_unref(pkt.get());
    }
  }

  // Measures the first picture of each range whose predecessors are all done against the
  // last picture before it, in order.
  void Stitch() {
    for (;;) {
      // The last picture of each range done is what the ranges after it are measured against.
      for (; settled_ < stitched_ && s_.ranges[settled_].done.load(std::memory_order_acquire); ++settled_) {
        const Range& r = s_.ranges[settled_];
        if (r.last >= 0) {
          prevLast_ = r.last;
          prevSample_ = &r.lastSample;
        }
      }
      if (stitched_ == s_.ranges.size() || settled_ < stitched_) return;
      const Range& r = s_.ranges[stitched_];
      if (!r.opened.load(std::memory_order_acquire) && !r.done.load(std::memory_order_acquire)) return;
      if (r.first >= 0 && prevLast_ >= 0) {
        const std::int32_t m = CompareSamples(prevSample_->data(), r.firstSample.data(), s_.pixels, s_.channels, s_.o);
        const FrameCount span = r.first - prevLast_;
        const auto share = static_cast<std::int32_t>(std::lround(static_cast<double>(m) / static_cast<double>(span)));
        for (FrameCount g = prevLast_ + 1; g <= r.first; ++g)
          s_.measures[static_cast<std::size_t>(g)] = span == 1 ? m : share;
        if (span > 1) stitchGaps_.push_back({stitched_, {prevLast_, r.first, m}});
      }
      ++stitched_;
    }
  }

  // Frames measured for good so far: those up to the last picture of the last range put
  // together.
  std::size_t Measured() const {
    if (stitched_ == 0) return sentMeasures_;
    return std::max(sentMeasures_, s_.ranges[stitched_ - 1].ready.load(std::memory_order_acquire));
  }

  void Publish() {
    std::size_t done = 0;
    for (const Range& r : s_.ranges) {
      if (r.done.load(std::memory_order_acquire)) {
        done += static_cast<std::size_t>(r.to - r.from);
      } else {
        const std::size_t ready = r.ready.load(std::memory_order_acquire);
        if (ready > static_cast<std::size_t>(r.from)) done += ready - static_cast<std::size_t>(r.from);
      }
    }
    if (done < nextReport_) return;
    nextReport_ = (done / step_ + 1) * step_;
    SendChunk();
    s_.job.Report(std::min(done, static_cast<std::size_t>(s_.total)), static_cast<std::size_t>(s_.total),
                  "Analysing video...");
  }

  void SendChunk() {
    if (!partial_) return;
    const std::size_t measured = Measured();
    AnalysisChunk c;
    c.frames = static_cast<std::size_t>(s_.total);
    c.first = sentMeasures_;
    c.measures.assign(s_.measures.begin() + static_cast<std::ptrdiff_t>(sentMeasures_),
                      s_.measures.begin() + static_cast<std::ptrdiff_t>(measured));
    sentMeasures_ = measured;
    const std::size_t settled = std::max(sentPeaks_, audio_->settled());
    c.peaksFirst = sentPeaks_;
    if (audio_->stream() >= 0) c.peaks = audio_->Slice(sentPeaks_, settled);
    sentPeaks_ = settled;
    partial_(std::move(c));
  }

  // The skipped runs of all ranges in order.
  std::vector<Gap> Gaps() const {
    std::vector<Gap> all;
    std::size_t s = 0;
    for (std::size_t i = 0; i < s_.ranges.size(); ++i) {
      for (; s < stitchGaps_.size() && stitchGaps_[s].first == i; ++s) all.push_back(stitchGaps_[s].second);
      all.insert(all.end(), s_.ranges[i].gaps.begin(), s_.ranges[i].gaps.end());
    }
    return all;
  }

  // Decodes again, exactly, the skipped runs across which the picture changes much more
  // than around them (a run within a steady movement changes as much as its frames
  // together do; one holding a cut changes far more), and puts the exact measures in.
  void Refine() {
    const std::vector<Gap> gaps = Gaps();
    const FrameCount total = s_.total;
    std::vector<std::int32_t>& measures = s_.measures;
    if (gaps.empty() || total < 3) return;
    long long sum = 0, steps = 0;
    for (std::size_t f = 1; f < measures.size(); ++f) {
      sum += measures[f];
      steps += std::llabs(static_cast<long long>(measures[f]) - measures[f - 1]);
    }
    const double frames = static_cast<double>(measures.size() - 1);
    const double mean = static_cast<double>(sum) / frames, meanStep = static_cast<double>(steps) / frames;
    std::vector<std::pair<FrameCount, FrameCount>> runs;
    for (const Gap& g : gaps) {
      const double before = measures[static_cast<std::size_t>(g.from)];
      const double after = g.to + 1 < total ? measures[static_cast<std::size_t>(g.to + 1)] : 0.0;
      const double level = static_cast<double>(g.to - g.from) * std::max(before, after);
      if (g.change > mean && g.change > level + meanStep) runs.push_back({g.from, g.to});
    }
    // A frame measured exactly between shared runs can stand out from them by the shares
    // alone: in grain, two pictures a few frames apart are often closer than neighbours are
    // (the encoder renders the grain differently in each kind of picture), so the share is
    // far below the frames' own measures. Such a frame would be a single-frame peak; the
    // runs on both sides are decoded again so that it is compared with exact neighbours.
    std::vector<bool> shared(measures.size(), false);
    for (const Gap& g : gaps)
      for (FrameCount f = g.from + 1; f <= g.to; ++f) shared[static_cast<std::size_t>(f)] = true;
    auto runOf = [&gaps](FrameCount f) {  // the run whose shared frames hold f
      return std::lower_bound(gaps.begin(), gaps.end(), f, [](const Gap& g, FrameCount x) { return g.to < x; });
    };
    for (std::size_t f = 1; f + 1 < measures.size(); ++f) {
      if (shared[f] || (!shared[f - 1] && !shared[f + 1])) continue;
      const double m = measures[f];
      if (m <= mean || m <= std::max(measures[f - 1], measures[f + 1]) + meanStep) continue;
      // ... and only where it would be a cut at the default sensitivity (stricter ones ask
      // for more): k = 3 times the level of the frames before it.
      // (The level: the mean of the three-frame averages ending at f - 3, f - 2 and f - 1.)
      static constexpr int kWeights[5] = {1, 2, 3, 2, 1};  // frames f - 5 ... f - 1
      double level = 0;
      for (std::size_t i = 0; i < 5; ++i)
        if (f + i >= 5) level += kWeights[i] * static_cast<double>(measures[f + i - 5]);
      if (m < 3 * std::max(1.0, level / 9)) continue;
      // A change of most of the picture stays a cut next to runs that change little (each
      // lies within one shot); a run next to it that changes much too may hold the way back
      // of a flash. Subtler peaks always have their neighbours decoded again.
      for (const std::size_t n : {f - 1, f + 1}) {
        if (!shared[n]) continue;
        const Gap& run = *runOf(static_cast<FrameCount>(n));
        if (m < kMaxFrameMeasure / 4 || run.change >= m / 4) runs.push_back({run.from, run.to});
      }
    }
    std::sort(runs.begin(), runs.end());
    runs.erase(std::unique(runs.begin(), runs.end()), runs.end());
    if (runs.empty()) return;
    for (unsigned i = 0; i < fmt_->nb_streams; ++i)
      fmt_->streams[i]->discard = static_cast<int>(i) == stream_ ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    dec_ = ff::OpenDecoder(fmt_->streams[stream_], false, true);
    sampler_.emplace(s_.sampleWidth, s_.sampleHeight, s_.o.colour);
    frame_.reset(av_frame_alloc());
    const std::vector<FrameCount>& keys = s_.video.keyframes();
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
    const FrameClock& clock = *s_.clock;
    avcodec_flush_buffers(dec_.get());
    if (key == 0)
      avformat_seek_file(fmt_.get(), stream_, INT64_MIN, clock.Pts(0), clock.Pts(0), 0);
    else
      av_seek_frame(fmt_.get(), stream_, clock.Pts(key), AVSEEK_FLAG_BACKWARD);
    auto wanted = [&](FrameCount f) {
      return std::any_of(runs.begin(), runs.end(), [f](const auto& r) { return f >= r.first && f <= r.second; });
    };
    const FrameCount end = runs.back().second;
    const std::size_t size = s_.pixels * static_cast<std::size_t>(s_.channels);
    std::vector<std::pair<FrameCount, std::vector<std::uint8_t>>> pictures;
    FrameCount first = -1;
    bool done = false;
    auto receive = [&] {
      while (avcodec_receive_frame(dec_.get(), frame_.get()) >= 0) {
        const FrameCount f = clock.Of(PictureTime(frame_.get()));
        if (first < 0) first = f;
        if (f >= 0 && wanted(f)) {
          pictures.emplace_back(f, std::vector<std::uint8_t>(size));
          sampler_->Take(frame_.get(), pictures.back().second.data());
        }
        if (f >= end) done = true;
        av_frame_unref(frame_.get());
      }
    };
    ff::Packet pkt(av_packet_alloc());
    while (!done) {
      if (s_.job.cancelled()) throw JobCancelled();
      if (av_read_frame(fmt_.get(), pkt.get()) < 0) {
        avcodec_send_packet(dec_.get(), nullptr);
        receive();
        break;
      }
      if (pkt->stream_index == stream_) {
        const FrameCount f = clock.Of(pkt->pts);
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
        if (a && b) s_.measures[static_cast<std::size_t>(f)] = CompareSamples(a, b, s_.pixels, s_.channels, s_.o);
      }
    return true;
  }

  const std::string& path_;
  PassState s_;
  const AnalysisChunkSink& partial_;
  ff::Format fmt_;  // the sound while the workers run; the runs decoded again after
  int stream_ = -1;
  std::optional<PeakCollector> audio_;
  ff::Codec dec_;
  ff::Frame frame_;
  std::optional<Sampler> sampler_;
  std::size_t stitched_ = 0, settled_ = 0;
  FrameCount prevLast_ = -1;
  const std::vector<std::uint8_t>* prevSample_ = nullptr;
  std::vector<std::pair<std::size_t, Gap>> stitchGaps_;
  std::size_t step_ = 1, nextReport_ = 1, sentMeasures_ = 0, sentPeaks_ = 0;
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
