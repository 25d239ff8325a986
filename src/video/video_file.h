#pragma once
// A video file read through FFmpeg's libraries: its frame table (count, rate, duration,
// keyframes, each frame's timecode) and frame-exact decoding by frame number.
//
// Frames are numbered 0, 1, 2 ... in presentation order, the order a player shows them.
// The table is built from the stream's packets when the file is opened, so a frame's
// number and time come from its own timestamp, never from seconds times a rate: a
// variable-frame-rate file keeps every frame.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/timecode.h"

struct AVStream;

namespace kipo {

// One decoded picture, packed 8-bit RGB (3 bytes a pixel, rows without padding).
struct VideoPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
};

struct VideoRate {
  int num = 0;
  int den = 1;
  double fps() const { return den ? static_cast<double>(num) / den : 0.0; }
};

class VideoFile {
 public:
  // Opens any file with a video stream FFmpeg can decode. Throws InvalidFileFormat with a
  // one-line reason when it cannot.
  static VideoFile Open(const std::string& path);

  VideoFile(VideoFile&&) noexcept;
  VideoFile& operator=(VideoFile&&) noexcept;
  ~VideoFile();

  const std::string& path() const;
  int width() const;
  int height() const;
  std::string codecName() const;
  FrameCount frameCount() const;
  // The stream's nominal rate (its average when the file has none); a variable-rate file
  // still numbers its frames by their timestamps.
  VideoRate rate() const;
  // From the first frame's start to the last frame's end.
  double durationSeconds() const;
  // The first frame's presentation time on the file's clock (seconds), where the audio's
  // times are counted from too.
  double StartSeconds() const;
  // Seconds from the first frame to frame n.
  double FrameSeconds(FrameCount n) const;
  // Numbers of the frames that start a group of pictures, in order.
  const std::vector<FrameCount>& keyframes() const;
  // The start timecode the file carries ("timecode" tag), as written there.
  const std::optional<std::string>& startTimecode() const;

  // Frame n's position counted at `rate` (the document's rate): its time from the first
  // frame plus the start timecode, in frames at that rate's counting.
  Timecode FrameTimecode(FrameCount n, const FrameRate& rate) const;
  // The same as an "HH:MM:SS:FF" label (";" before the frames for drop-frame).
  std::string FrameLabel(FrameCount n, const FrameRate& rate) const;

  // Decodes frame n exactly: seeks to the keyframe before it and decodes forward. Throws
  // UserError when n is outside the file or the frame cannot be decoded.
  VideoPicture DecodeFrame(FrameCount n);

  struct Impl;

 private:
  // The video stream of the file's reader, probed (inside the video plugin only).
  friend const ::AVStream* VideoStream(const VideoFile& video);
  explicit VideoFile(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// The document rate closest to a video's rate (29.97 counts with drop-frame labels).
FrameRate NearestFrameRate(VideoRate rate);

}  // namespace kipo
