#pragma once
// Owning handles for FFmpeg's objects and the messages its error codes stand for; used by
// the video module's sources only.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libswscale/swscale.h>
}
#include <cstdint>
#include <memory>
#include <string>

namespace kipo::ff {

struct FormatCloser {
  void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct CodecCloser {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct ScaleFree {
  void operator()(SwsContext* s) const { sws_freeContext(s); }
};
using Format = std::unique_ptr<AVFormatContext, FormatCloser>;
using Codec = std::unique_ptr<AVCodecContext, CodecCloser>;
using Frame = std::unique_ptr<AVFrame, FrameFree>;
using Packet = std::unique_ptr<AVPacket, PacketFree>;
using Scaler = std::unique_ptr<SwsContext, ScaleFree>;

inline std::string ErrorText(int code) {
  char buf[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, buf, sizeof buf);
  return buf;
}

// Opens the file and finds its first video stream with a decoder; throws InvalidFileFormat.
Format OpenInput(const std::string& path, int& stream);
// Another reader of a file opened with OpenInput, for the same stream as `like` (its index
// in the file); it may skip the probing the first one did. Throws InvalidFileFormat.
Format OpenAgain(const std::string& path, const AVStream* like);
// A decoder for the stream; frameThreads asks for frame threading on every core. `rough`
// trades exact pixels for speed (no deblocking, the decoder's fast shortcuts): enough for
// comparing frames, never for showing them.
Codec OpenDecoder(const AVStream* stream, bool frameThreads, bool rough = false);
// The same from the stream's decoder setup (another reader's stream, probed).
Codec OpenDecoder(const AVCodecParameters* params, AVRational timeBase, bool frameThreads, bool rough = false);
// Scales `rows` rows of a picture (its planes `lines` bytes apart) with `scaler`, set up
// for them, into `out`: `height` packed rows of `width` pixels of `format`. FFmpeg's
// converters write a row in whole vector blocks, past its end when it is narrower than a
// block, and so past the last row: they write into `target`, allocated as FFmpeg allocates
// its own pictures (aligned rows, room after the last) and (re)made to fit, and the rows
// are copied out of it. False when the target cannot be allocated.
bool Scale(SwsContext* scaler, const std::uint8_t* const src[], const int lines[], int rows, Frame& target, int width,
           int height, AVPixelFormat format, std::uint8_t* out);

}  // namespace kipo::ff

namespace kipo {
class VideoFile;
// The video stream of an opened video's own reader, probed when it was opened: its decoder
// setup and time base (the reader itself may be anywhere in the file).
const AVStream* VideoStream(const VideoFile& video);
}  // namespace kipo
