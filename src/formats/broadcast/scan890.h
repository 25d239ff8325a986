#pragma once
// Scantitling 890 files (.890): a 384-byte header block, then one 128-byte record per
// subtitle with two text rows of 51 bytes. Cues are 24-bit big-endian frame counts at the
// document's frame rate. Header fields are kept with the document as "890.<Field>"
// properties and written back.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/document.h"
#include "platform/binary_io.h"

namespace kipo {

using Warnings = std::vector<std::string>;

inline constexpr std::size_t k890HeaderSize = 384;
inline constexpr std::size_t k890RecordSize = 128;
inline constexpr std::size_t k890RowBytes = 51;

// Display font files, by the 890 font option (0-8).
inline constexpr std::array<const char*, 9> k890Fonts = {"VFONTL.V", "LH2103.V", "LH3103.V", "SFN803.V", "SFN804.V",
                                                         "NOFONT.V", "ARABIC.V", "KYRILL.V", "GREEK3.V"};

// Property keys of the header fields with a known meaning; every other non-zero field is
// kept as "890.Field<n>" (n = 0-based field index) holding its bytes in hexadecimal.
inline constexpr const char* k890TapeNumber = "890.TapeNumber";
inline constexpr const char* k890TranslatedProgrammeTitle = "890.TranslatedProgrammeTitle";
inline constexpr const char* k890Translator = "890.Translator";
inline constexpr const char* k890TranslatedEpisodeTitle = "890.TranslatedEpisodeTitle";
inline constexpr const char* k890Comments = "890.Comments";
inline constexpr const char* k890OriginalProgrammeTitle = "890.OriginalProgrammeTitle";
inline constexpr const char* k890CreationTime = "890.CreationTime";  // "YYMMDDhhmmss", as read
inline constexpr const char* k890Font = "890.Font";

struct Scan890ReadOptions {
  int frameRateCode = 25;  // cues are frame counts: the rate turns them into labels
};

struct Scan890WriteOptions {
  int font = -1;  // 0-8 (k890Fonts); -1 picks the font of the document's character set
  // Creation time written into the header: year (two digits), month, day, hour, minute,
  // second.
  std::array<std::uint8_t, 6> created{};
};

SubtitleDocument Read890(std::span<const std::uint8_t> bytes, const Scan890ReadOptions& options, Warnings& warnings);
Bytes Write890(const SubtitleDocument& doc, const Scan890WriteOptions& options, Warnings& warnings);

// The creation time of now, in local time, for Scan890WriteOptions::created.
std::array<std::uint8_t, 6> Scan890Now();

}  // namespace kipo
