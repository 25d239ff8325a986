#pragma once
// The timecode data file ("tcd"): a video's analysis kept on disk so that opening the video
// again needs no second pass. It holds the frame table (timecodes, measures, cut flags) and
// the waveform peaks, with the video's identity (name, size, modification time) and the
// analysis settings they were made with; a file whose video or settings changed is not
// used. docs/video.md gives the byte layout.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "platform/binary_io.h"
#include "video/frame_measure.h"
#include "video/frame_table.h"

namespace kipo {

struct VideoIdentity {
  std::string name;           // the file's name without its folder
  std::uint64_t size = 0;     // bytes
  std::int64_t modified = 0;  // modification time, nanoseconds of the file clock
  // The identity of a file on disk; throws UserError when it cannot be read.
  static VideoIdentity Of(const std::filesystem::path& video);
  bool operator==(const VideoIdentity&) const = default;
};

struct TimecodeData {
  VideoIdentity video;
  MeasureOptions analysis;  // the settings the measures were made with
  int sensitivity = 0;      // the sensitivity the cut flags were detected with
  FrameTable table;
  bool operator==(const TimecodeData&) const = default;
};

// The file's bytes, and back. Reading checks every count against the bytes there are and
// the closing checksum; a damaged or foreign file throws InvalidFileFormat.
Bytes WriteTimecodeData(const TimecodeData& data);
TimecodeData ReadTimecodeData(std::span<const std::uint8_t> bytes);

// Where a video's tcd file goes: beside the video ("film.mp4" -> "film.mp4.tcd"), or, when
// that folder cannot be written, in the data folder under a name made from the video's
// identity.
std::filesystem::path TimecodeDataBeside(const std::filesystem::path& video);
std::filesystem::path TimecodeDataInDataFolder(const VideoIdentity& video);

struct FoundTimecodeData {
  TimecodeData data;
  std::filesystem::path path;
};
// The stored analysis of the video made with these settings, from beside the video or the
// data folder; nullopt when there is none, or it belongs to another state of the video or
// other settings, or it is damaged.
std::optional<FoundTimecodeData> FindTimecodeData(const std::filesystem::path& video, const MeasureOptions& analysis);
// Stores the analysis beside the video, else in the data folder; returns where. Throws
// UserError when neither can be written.
std::filesystem::path StoreTimecodeData(const std::filesystem::path& video, const TimecodeData& data);
// Rewrites a stored file with a changed table (after the cut table was shifted), keeping
// its video identity and settings. Throws UserError when it cannot be read or written.
// With a sensitivity, also records the one the cut flags were detected with now.
void RewriteTimecodeData(const std::filesystem::path& file, const FrameTable& table,
                         std::optional<int> sensitivity = std::nullopt);

}  // namespace kipo
