#include "video/tcd_file.h"

#include <chrono>
#include <cstdio>
#include <system_error>

#include "platform/files.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

constexpr std::string_view kMagic = "KIPO-TCD";
constexpr std::uint16_t kVersion = 1;
constexpr std::size_t kLabelBytes = 11;
constexpr std::size_t kFrameBytes = kLabelBytes + 4 + 2;
constexpr std::uint32_t kMaxFrames = 50'000'000;  // more than a day at 500 fps
constexpr std::uint16_t kMaxChannels = 64;

// FNV-1a over the bytes: enough to tell a damaged or cut-off file from a sound one.
std::uint64_t Checksum(std::span<const std::uint8_t> b) {
  std::uint64_t h = 1469598103934665603ull;
  for (std::uint8_t c : b) h = (h ^ c) * 1099511628211ull;
  return h;
}

void U64(ByteWriter& w, std::uint64_t v) {
  w.u32le(static_cast<std::uint32_t>(v));
  w.u32le(static_cast<std::uint32_t>(v >> 32));
}
std::uint64_t U64(ByteReader& r) {
  const std::uint64_t lo = r.u32le();
  return lo | static_cast<std::uint64_t>(r.u32le()) << 32;
}

bool IsLabel(std::string_view s) {
  if (s.size() != kLabelBytes) return false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const bool sep = i == 2 || i == 5 || i == 8;
    if (sep ? (s[i] != ':' && s[i] != ';') : (s[i] < '0' || s[i] > '9')) return false;
  }
  return true;
}

}  // namespace

VideoIdentity VideoIdentity::Of(const std::filesystem::path& video) {
  std::error_code ec;
  VideoIdentity id;
  id.name = video.filename().string();
  id.size = std::filesystem::file_size(video, ec);
  if (ec) throw UserError("Video", "The video file " + video.string() + " cannot be read (" + ec.message() + ").");
  const auto t = std::filesystem::last_write_time(video, ec);
  if (ec) throw UserError("Video", "The video file " + video.string() + " cannot be read (" + ec.message() + ").");
  id.modified = std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
  return id;
}

Bytes WriteTimecodeData(const TimecodeData& d) {
  const FrameTable& t = d.table;
  const std::size_t frames = t.size();
  if (t.timecodes.size() != frames || t.cuts.size() != frames)
    throw UserError("Timecode data", "The frame table's columns differ in length.");
  const int channels = t.peaks.channels;
  const bool peaks = channels > 0 && t.peaks.frames() == frames;
  ByteWriter w(64 + d.video.name.size() + frames * (kFrameBytes + (peaks ? 4 * channels : 0)));
  w.raw(kMagic);
  w.u16le(kVersion);
  U64(w, d.video.size);
  U64(w, static_cast<std::uint64_t>(d.video.modified));
  const std::string name = d.video.name.substr(0, 0xFFFF);
  w.u16le(static_cast<std::uint16_t>(name.size()));
  w.raw(name);
  const MeasureOptions& a = d.analysis;
  for (int v : {a.sampleSize, a.baseline, a.maxDiff, a.minDiff}) w.i32le(v);
  w.u8(a.colour ? 1 : 0);
  w.u8(a.advanced ? 1 : 0);
  w.i32le(d.sensitivity);
  w.i32le(t.rate.code);
  w.i32le(t.videoRateNum);
  w.i32le(t.videoRateDen);
  w.u32le(static_cast<std::uint32_t>(frames));
  for (std::size_t f = 0; f < frames; ++f) {
    std::string label = t.timecodes[f];
    label.resize(kLabelBytes, ' ');
    w.raw(label);
    w.i32le(t.measures[f]);
    w.i16le(t.cuts[f]);
  }
  w.u16le(peaks ? static_cast<std::uint16_t>(channels) : 0);
  if (peaks)
    for (std::int16_t v : t.peaks.values) w.i16le(v);
  U64(w, Checksum(w.data()));
  return w.take();
}

TimecodeData ReadTimecodeData(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kMagic.size() + 8 ||
      std::string_view(reinterpret_cast<const char*>(bytes.data()), kMagic.size()) != kMagic)
    throw InvalidFileFormat("This is no timecode data file.");
  const auto body = bytes.first(bytes.size() - 8);
  ByteReader tail(bytes.last(8));
  if (U64(tail) != Checksum(body)) throw InvalidFileFormat("The timecode data file is damaged (its checksum differs).");
  try {
    ByteReader r(body);
    r.skip(kMagic.size());
    if (r.u16le() != kVersion) throw InvalidFileFormat("The timecode data file was written by another version.");
    TimecodeData d;
    d.video.size = U64(r);
    d.video.modified = static_cast<std::int64_t>(U64(r));
    d.video.name = r.raw(r.u16le());
    MeasureOptions& a = d.analysis;
    a.sampleSize = r.i32le();
    a.baseline = r.i32le();
    a.maxDiff = r.i32le();
    a.minDiff = r.i32le();
    a.colour = r.u8() != 0;
    a.advanced = r.u8() != 0;
    d.sensitivity = r.i32le();
    FrameTable& t = d.table;
    const auto rate = FrameRate::FromCode(r.i32le());
    if (!rate) throw InvalidFileFormat("The timecode data file names no known frame rate.");
    t.rate = *rate;
    t.videoRateNum = r.i32le();
    t.videoRateDen = r.i32le();
    const std::uint32_t frames = r.u32le();
    if (frames > kMaxFrames || static_cast<std::uint64_t>(frames) * kFrameBytes > r.remaining())
      throw InvalidFileFormat("The timecode data file is cut short.");
    t.timecodes.reserve(frames);
    t.measures.reserve(frames);
    t.cuts.reserve(frames);
    for (std::uint32_t f = 0; f < frames; ++f) {
      std::string label = r.raw(kLabelBytes);
      if (!IsLabel(label)) throw InvalidFileFormat("The timecode data file holds a damaged timecode.");
      t.timecodes.push_back(std::move(label));
      t.measures.push_back(r.i32le());
      const std::int16_t cut = r.i16le();
      if (cut != 0 && cut != -1) throw InvalidFileFormat("The timecode data file holds a damaged cut flag.");
      t.cuts.push_back(cut);
    }
    const std::uint16_t channels = r.u16le();
    if (channels > kMaxChannels) throw InvalidFileFormat("The timecode data file's waveform is damaged.");
    const std::uint64_t values = static_cast<std::uint64_t>(frames) * channels * 2;
    if (values * 2 != r.remaining()) throw InvalidFileFormat("The timecode data file's waveform is damaged.");
    t.peaks.channels = channels;
    t.peaks.values.reserve(values);
    for (std::uint64_t i = 0; i < values; ++i) t.peaks.values.push_back(r.i16le());
    return d;
  } catch (const ReadError&) {
    throw InvalidFileFormat("The timecode data file is cut short.");
  }
}

std::filesystem::path TimecodeDataBeside(const std::filesystem::path& video) {
  std::filesystem::path p = video;
  p += ".tcd";
  return p;
}

std::filesystem::path TimecodeDataInDataFolder(const VideoIdentity& video) {
  // A name from the identity, so that two videos of the same name in different states
  // never share a file.
  std::string key = video.name + '\n' + std::to_string(video.size) + '\n' + std::to_string(video.modified);
  const std::uint64_t h = Checksum({reinterpret_cast<const std::uint8_t*>(key.data()), key.size()});
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
  return DataFolder() / "Timecode data" / (std::string(hex) + ".tcd");
}

std::optional<FoundTimecodeData> FindTimecodeData(const std::filesystem::path& video, const MeasureOptions& analysis) {
  VideoIdentity id;
  try {
    id = VideoIdentity::Of(video);
  } catch (const UserError&) {
    return std::nullopt;
  }
  for (const std::filesystem::path& p : {TimecodeDataBeside(video), TimecodeDataInDataFolder(id)}) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(p, ec)) continue;
    try {
      TimecodeData d = ReadTimecodeData(ReadFileBytes(p, 4ull << 30));
      if (d.video == id && d.analysis == analysis) return FoundTimecodeData{std::move(d), p};
    } catch (const UserError&) {
      // A damaged or foreign file is analysed again and overwritten.
    }
  }
  return std::nullopt;
}

std::filesystem::path StoreTimecodeData(const std::filesystem::path& video, const TimecodeData& data) {
  const Bytes bytes = WriteTimecodeData(data);
  const std::filesystem::path beside = TimecodeDataBeside(video);
  try {
    WriteFileAtomic(beside, bytes);
    return beside;
  } catch (const UserError&) {
    // A read-only folder (a disc, a share): the data folder instead.
  }
  const std::filesystem::path there = TimecodeDataInDataFolder(data.video);
  EnsureFolder(there.parent_path());
  WriteFileAtomic(there, bytes);
  return there;
}

void RewriteTimecodeData(const std::filesystem::path& file, const FrameTable& table, std::optional<int> sensitivity) {
  TimecodeData d = ReadTimecodeData(ReadFileBytes(file, 4ull << 30));
  d.table = table;
  if (sensitivity) d.sensitivity = *sensitivity;
  WriteFileAtomic(file, WriteTimecodeData(d));
}

}  // namespace kipo
