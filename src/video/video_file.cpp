#include "video/video_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "platform/user_error.h"
#include "video/ffmpeg_util.h"

extern "C" {
#include <libavutil/imgutils.h>
}

namespace kipo {

namespace {

// JPEG XL is a still-picture format, never a programme's video, and the library FFmpeg
// hands it to crashes on damaged pictures: a file holding one is refused.
constexpr const char* kJpegXl = "The file holds a JPEG XL picture, not a video.";

// Pictures up to 8K: 8192 x 4320 pixels, or as many in another shape. A damaged header
// can claim pictures of 16,000 pixels a side, which every decoded frame then fills (a
// 2 KB file took 2 GB and 24 s to show one frame).
bool PictureTooLarge(int width, int height) {
  return width > 8192 || height > 8192 || std::int64_t{width} * height > std::int64_t{8192} * 4320;
}
std::string TooLargeText(int width, int height) {
  return "The video's pictures (" + std::to_string(width) + " x " + std::to_string(height) +
         ") are larger than 8K, which Kipo does not show.";
}

}  // namespace

namespace ff {

// The largest block FFmpeg may allocate: an uncompressed 8K picture with 16-bit samples
// (7680 x 4320 x 3 x 2 bytes, 190 MiB) fits; the gigabytes a damaged header asks for do not.
constexpr std::size_t kMaxVideoBlock = std::size_t{256} << 20;

namespace {

// Opens the file's container, its header read but its streams not probed yet.
Format OpenContainer(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec))
    throw InvalidFileFormat("The video file " + path + " does not exist or is not a file.");
  // Set once, before the first reader (the analysis opens readers from several threads).
  // A damaged header can make a demuxer size a table by a count it has not checked and
  // grow it to gigabytes (a 5 KB MP4 asked for 2 GB and took 20 s). No picture, packet or
  // index of a real video needs a single block near this size; the demuxer then fails.
  static const bool once = [] {
    av_log_set_level(AV_LOG_QUIET);
    av_max_alloc(kMaxVideoBlock);
    return true;
  }();
  (void)once;
  AVFormatContext* raw = nullptr;
  if (int e = avformat_open_input(&raw, path.c_str(), nullptr, nullptr); e < 0)
    throw InvalidFileFormat("The video file cannot be read (" + ErrorText(e) + ").");
  Format fmt(raw);
  // A JPEG XL picture refused before the streams are probed, which decodes pictures
  // (OpenDecoder refuses one that only probing finds).
  for (unsigned i = 0; i < fmt->nb_streams; ++i)
    if (fmt->streams[i]->codecpar->codec_id == AV_CODEC_ID_JPEGXL) throw InvalidFileFormat(kJpegXl);
  return fmt;
}

}  // namespace

Format OpenInput(const std::string& path, int& stream) {
  Format fmt = OpenContainer(path);
  if (int e = avformat_find_stream_info(fmt.get(), nullptr); e < 0)
    throw InvalidFileFormat("The video file's streams cannot be read (" + ErrorText(e) + ").");
  const AVCodec* codec = nullptr;
  stream = av_find_best_stream(fmt.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
  if (stream == AVERROR_STREAM_NOT_FOUND) throw InvalidFileFormat("The file holds no video stream.");
  if (stream < 0 || !codec) throw InvalidFileFormat("The file's video cannot be decoded (no decoder for it).");
  return fmt;
}

Format OpenAgain(const std::string& path, const AVStream* like) {
  Format fmt = OpenContainer(path);
  // MP4 and Matroska headers list every stream with its decoder's setup, and their packets
  // come out of the reader the same with or without probing; probing decodes a few pictures
  // (a hundredth of a second for each reader of a 1080p file), so it is left out there.
  // Other containers (transport streams find their streams in the packets) are probed.
  const std::string name = fmt->iformat->name;
  const bool described = (name.rfind("mov,", 0) == 0 || name.rfind("matroska", 0) == 0) &&
                         !(fmt->ctx_flags & AVFMTCTX_NOHEADER);
  if (!described || like->index >= static_cast<int>(fmt->nb_streams) ||
      fmt->streams[like->index]->codecpar->codec_id != like->codecpar->codec_id) {
    if (int e = avformat_find_stream_info(fmt.get(), nullptr); e < 0)
      throw InvalidFileFormat("The video file's streams cannot be read (" + ErrorText(e) + ").");
  }
  if (like->index >= static_cast<int>(fmt->nb_streams) ||
      fmt->streams[like->index]->codecpar->codec_id != like->codecpar->codec_id)
    throw InvalidFileFormat("The video file has changed while it was read.");
  return fmt;
}

Codec OpenDecoder(const AVStream* stream, bool frameThreads, bool rough) {
  return OpenDecoder(stream->codecpar, stream->time_base, frameThreads, rough);
}

Codec OpenDecoder(const AVCodecParameters* params, AVRational timeBase, bool frameThreads, bool rough) {
  if (params->codec_id == AV_CODEC_ID_JPEGXL) throw InvalidFileFormat(kJpegXl);
  const AVCodec* codec = avcodec_find_decoder(params->codec_id);
  if (!codec) throw InvalidFileFormat("The file's video cannot be decoded (no decoder for it).");
  Codec ctx(avcodec_alloc_context3(codec));
  if (!ctx || avcodec_parameters_to_context(ctx.get(), params) < 0)
    throw InvalidFileFormat("The file's video cannot be decoded.");
  ctx->pkt_timebase = timeBase;
  if (frameThreads) {
    ctx->thread_count = 0;  // one per core
    ctx->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
  } else {
    ctx->thread_count = 1;
  }
  if (rough) {
    ctx->skip_loop_filter = AVDISCARD_ALL;
    ctx->flags2 |= AV_CODEC_FLAG2_FAST;
  }
  if (int e = avcodec_open2(ctx.get(), codec, nullptr); e < 0)
    throw InvalidFileFormat("The file's video cannot be decoded (" + ErrorText(e) + ").");
  if (ctx->width <= 0 || ctx->height <= 0) throw InvalidFileFormat("The file's video has no picture size.");
  if (PictureTooLarge(ctx->width, ctx->height)) throw InvalidFileFormat(TooLargeText(ctx->width, ctx->height));
  return ctx;
}

bool Scale(SwsContext* scaler, const std::uint8_t* const src[], const int lines[], int rows, Frame& target, int width,
           int height, AVPixelFormat format, std::uint8_t* out) {
  if (!target || target->width != width || target->height != height || target->format != format) {
    target.reset(av_frame_alloc());
    if (!target) return false;
    target->width = width;
    target->height = height;
    target->format = format;
    if (av_frame_get_buffer(target.get(), 0) < 0) {
      target.reset();
      return false;
    }
  }
  sws_scale(scaler, src, lines, 0, rows, target->data, target->linesize);
  const auto row = static_cast<std::size_t>(av_image_get_linesize(format, width, 0));
  for (int y = 0; y < height; ++y)
    std::memcpy(out + static_cast<std::size_t>(y) * row,
                target->data[0] + static_cast<std::ptrdiff_t>(y) * target->linesize[0], row);
  return true;
}

}  // namespace ff

struct VideoFile::Impl {
  std::string path;
  ff::Format fmt;
  int stream = -1;
  ff::Codec decoder;  // opened on the first DecodeFrame
  ff::Scaler scaler;
  ff::Frame scaled;  // the scaler's picture, copied out into each VideoPicture
  int width = 0, height = 0;
  AVRational timeBase{1, 1};
  VideoRate rate;
  // Each frame's timestamp in presentation order (stream time base).
  std::vector<std::int64_t> pts;
  std::vector<FrameCount> keyframes;
  std::int64_t lastDuration = 0;
  std::optional<std::string> startTimecode;

  // The frame number of a decoded timestamp: the frame whose timestamp is nearest.
  FrameCount FrameOf(std::int64_t t) const {
    auto it = std::lower_bound(pts.begin(), pts.end(), t);
    if (it == pts.end()) return static_cast<FrameCount>(pts.size()) - 1;
    if (it != pts.begin() && t - *(it - 1) < *it - t) --it;
    return static_cast<FrameCount>(it - pts.begin());
  }
};

namespace {

std::int64_t FrameTime(const AVFrame* f) {
  return f->best_effort_timestamp != AV_NOPTS_VALUE ? f->best_effort_timestamp : f->pts;
}

// Builds the frame table from the packets alone (no decoding): one packet is one frame in
// every container that keeps timestamps, which covers most files a subtitler is given.
// Streams with packets that lack a presentation time (MPEG program streams put one only on
// some) are indexed by decoding them once instead: a decoding time is no presentation
// time once pictures are reordered.
void IndexFrames(VideoFile::Impl& v) {
  ff::Packet pkt(av_packet_alloc());
  struct Entry {
    std::int64_t t;
    bool key;
  };
  std::vector<Entry> entries;
  bool missing = false;
  std::int64_t lastDuration = 0;
  while (av_read_frame(v.fmt.get(), pkt.get()) >= 0) {
    if (pkt->stream_index == v.stream && !(pkt->flags & AV_PKT_FLAG_DISCARD)) {
      const std::int64_t t = pkt->pts;
      if (t == AV_NOPTS_VALUE) missing = true;
      entries.push_back({t, (pkt->flags & AV_PKT_FLAG_KEY) != 0});
      if (pkt->duration > 0) lastDuration = pkt->duration;
    }
    av_packet_unref(pkt.get());
  }
  if (missing) {
    // Decode once and take each picture's own best-effort timestamp.
    entries.clear();
    av_seek_frame(v.fmt.get(), v.stream, 0, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_BYTE);
    ff::Codec dec = ff::OpenDecoder(v.fmt->streams[v.stream], true);
    ff::Frame frame(av_frame_alloc());
    std::int64_t n = 0;
    auto drain = [&] {
      while (avcodec_receive_frame(dec.get(), frame.get()) >= 0) {
        std::int64_t t = FrameTime(frame.get());
        entries.push_back({t == AV_NOPTS_VALUE ? n : t, frame->key_frame != 0});
        ++n;
        av_frame_unref(frame.get());
      }
    };
    while (av_read_frame(v.fmt.get(), pkt.get()) >= 0) {
      if (pkt->stream_index == v.stream) {
        avcodec_send_packet(dec.get(), pkt.get());
        drain();
      }
      av_packet_unref(pkt.get());
    }
    avcodec_send_packet(dec.get(), nullptr);
    drain();
  }
  std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.t < b.t; });
  // Two pictures never share a timestamp; a repeated one is a damaged packet.
  entries.erase(std::unique(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.t == b.t; }),
                entries.end());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    v.pts.push_back(entries[i].t);
    if (entries[i].key) v.keyframes.push_back(static_cast<FrameCount>(i));
  }
  if (v.keyframes.empty() || v.keyframes.front() != 0) v.keyframes.insert(v.keyframes.begin(), 0);
  v.lastDuration = lastDuration;
}

std::optional<std::string> FindTimecode(const AVFormatContext* fmt, const AVStream* video) {
  auto tag = [](const AVDictionary* d) -> std::optional<std::string> {
    if (const AVDictionaryEntry* e = av_dict_get(d, "timecode", nullptr, 0)) return std::string(e->value);
    return std::nullopt;
  };
  if (auto t = tag(video->metadata)) return t;
  if (auto t = tag(fmt->metadata)) return t;
  for (unsigned i = 0; i < fmt->nb_streams; ++i)
    if (auto t = tag(fmt->streams[i]->metadata)) return t;
  return std::nullopt;
}

}  // namespace

VideoFile VideoFile::Open(const std::string& path) {
  auto v = std::make_unique<Impl>();
  v->path = path;
  v->fmt = ff::OpenInput(path, v->stream);
  const AVStream* s = v->fmt->streams[v->stream];
  v->width = s->codecpar->width;
  v->height = s->codecpar->height;
  if (v->width <= 0 || v->height <= 0) throw InvalidFileFormat("The file's video has no picture size.");
  if (PictureTooLarge(v->width, v->height)) throw InvalidFileFormat(TooLargeText(v->width, v->height));
  v->timeBase = s->time_base;
  AVRational r = s->avg_frame_rate.num > 0 && s->avg_frame_rate.den > 0 ? s->avg_frame_rate : s->r_frame_rate;
  if (r.num <= 0 || r.den <= 0) r = AVRational{25, 1};
  av_reduce(&r.num, &r.den, r.num, r.den, 1 << 30);
  v->rate = {r.num, r.den};
  v->startTimecode = FindTimecode(v->fmt.get(), s);
  IndexFrames(*v);
  if (v->pts.empty()) throw InvalidFileFormat("The file's video stream holds no pictures.");
  return VideoFile(std::move(v));
}

VideoFile::VideoFile(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
VideoFile::VideoFile(VideoFile&&) noexcept = default;
VideoFile& VideoFile::operator=(VideoFile&&) noexcept = default;
VideoFile::~VideoFile() = default;

const AVStream* VideoStream(const VideoFile& video) { return video.impl_->fmt->streams[video.impl_->stream]; }

const std::string& VideoFile::path() const { return impl_->path; }
int VideoFile::width() const { return impl_->width; }
int VideoFile::height() const { return impl_->height; }
std::string VideoFile::codecName() const {
  return avcodec_get_name(impl_->fmt->streams[impl_->stream]->codecpar->codec_id);
}
FrameCount VideoFile::frameCount() const { return static_cast<FrameCount>(impl_->pts.size()); }
VideoRate VideoFile::rate() const { return impl_->rate; }
const std::vector<FrameCount>& VideoFile::keyframes() const { return impl_->keyframes; }
const std::optional<std::string>& VideoFile::startTimecode() const { return impl_->startTimecode; }

double VideoFile::StartSeconds() const { return static_cast<double>(impl_->pts.front()) * av_q2d(impl_->timeBase); }

double VideoFile::FrameSeconds(FrameCount n) const {
  if (n < 0 || n >= frameCount()) return 0;
  return static_cast<double>(impl_->pts[n] - impl_->pts.front()) * av_q2d(impl_->timeBase);
}

double VideoFile::durationSeconds() const {
  const auto& p = impl_->pts;
  std::int64_t last = impl_->lastDuration;
  if (last <= 0) last = av_rescale_q(1, AVRational{impl_->rate.den, impl_->rate.num}, impl_->timeBase);
  return static_cast<double>(p.back() - p.front() + last) * av_q2d(impl_->timeBase);
}

Timecode VideoFile::FrameTimecode(FrameCount n, const FrameRate& rate) const {
  // Real time to frames at the document's real rate, then the start label's frames added.
  const double seconds = FrameSeconds(n);
  Timecode t = static_cast<Timecode>(std::llround(seconds * rate.num / rate.den));
  if (impl_->startTimecode) t += LabelToFrames(StripSeparators(*impl_->startTimecode), rate);
  return t;
}

std::string VideoFile::FrameLabel(FrameCount n, const FrameRate& rate) const {
  std::string label = FramesToLabel(FrameTimecode(n, rate), rate);
  if (rate.dropFrame && label.size() == 11) label[8] = ';';
  return label;
}

VideoPicture VideoFile::DecodeFrame(FrameCount n) {
  Impl& v = *impl_;
  if (n < 0 || n >= frameCount())
    throw UserError("Video", "Frame " + std::to_string(n) + " is outside the video (frames 0 to " +
                                 std::to_string(frameCount() - 1) + ").");
  if (!v.decoder) v.decoder = ff::OpenDecoder(v.fmt->streams[v.stream], false);
  ff::Packet pkt(av_packet_alloc());
  ff::Frame frame(av_frame_alloc());
  // Start at the last keyframe at or before n; should the seek land after n (an index
  // that does not match the timestamps), start one keyframe earlier, and in the end read
  // the file again from its very start.
  auto key = std::upper_bound(v.keyframes.begin(), v.keyframes.end(), n);
  std::size_t k = static_cast<std::size_t>(key - v.keyframes.begin()) - 1;
  bool reopen = false;
  for (;;) {
    const FrameCount start = v.keyframes[k];
    avcodec_flush_buffers(v.decoder.get());
    if (reopen) {
      int stream = -1;
      v.fmt = ff::OpenInput(v.path, stream);
    } else if (start == 0) {
      avformat_seek_file(v.fmt.get(), v.stream, INT64_MIN, v.pts.front(), v.pts.front(), 0);
    } else {
      av_seek_frame(v.fmt.get(), v.stream, v.pts[start], AVSEEK_FLAG_BACKWARD);
    }
    bool overshot = false;
    bool eof = false;
    while (!overshot) {
      int got = avcodec_receive_frame(v.decoder.get(), frame.get());
      if (got == AVERROR(EAGAIN) && !eof) {
        int r = av_read_frame(v.fmt.get(), pkt.get());
        if (r < 0) {
          eof = true;
          avcodec_send_packet(v.decoder.get(), nullptr);
        } else {
          if (pkt->stream_index == v.stream) avcodec_send_packet(v.decoder.get(), pkt.get());
          av_packet_unref(pkt.get());
        }
        continue;
      }
      if (got < 0) break;
      const std::int64_t t = FrameTime(frame.get());
      const FrameCount at = t == AV_NOPTS_VALUE ? -1 : v.FrameOf(t);
      if (at == n) {
        // A stream may change its picture size after the header.
        if (PictureTooLarge(frame->width, frame->height)) throw UserError("Video", TooLargeText(frame->width, frame->height));
        VideoPicture pic;
        pic.width = frame->width;
        pic.height = frame->height;
        pic.rgb.resize(static_cast<std::size_t>(pic.width) * pic.height * 3);
        v.scaler.reset(sws_getCachedContext(v.scaler.release(), frame->width, frame->height,
                                            static_cast<AVPixelFormat>(frame->format), pic.width, pic.height,
                                            AV_PIX_FMT_RGB24, SWS_BICUBIC, nullptr, nullptr, nullptr));
        if (!v.scaler) throw UserError("Video", "The frame's picture format cannot be converted.");
        if (!ff::Scale(v.scaler.get(), frame->data, frame->linesize, frame->height, v.scaled, pic.width, pic.height,
                       AV_PIX_FMT_RGB24, pic.rgb.data()))
          throw UserError("Video", "The frame is too large to be shown.");
        av_frame_unref(frame.get());
        return pic;
      }
      if (at > n) overshot = true;
      av_frame_unref(frame.get());
    }
    if (k > 0) --k;
    else if (!reopen) reopen = true;
    else break;
  }
  throw UserError("Video", "Frame " + std::to_string(n) + " of the video cannot be decoded.");
}

FrameRate NearestFrameRate(VideoRate rate) {
  FrameRate best = *FrameRate::FromCode(25);
  double bestGap = 1e9;
  for (int code : AllFrameRateCodes()) {
    FrameRate r = *FrameRate::FromCode(code);
    if (static_cast<long long>(r.num) * rate.den == static_cast<long long>(rate.num) * r.den) return r;
    double gap = std::abs(r.fps() - rate.fps());
    if (gap < bestGap) bestGap = gap, best = r;
  }
  return best;
}

}  // namespace kipo
