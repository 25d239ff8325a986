#pragma once
// The legacy ".wsb" document: a random-access file of 252-byte records. Records 1 and 2
// hold the file's properties; subtitle n (from 0) is record n + 3. Each record: Integer
// 311, Integer number, 130-character text, 1-character alignment code, 1-character italic
// flag, 100-character comment, 8-character in cue, 8-character out cue (8-bit text in the
// document's character set, left-set and space-padded). There is no room for outlining,
// rows, colours, karaoke or notes.
//
// Record 1 carries "KIPO-WSB" and the document values as "key=value;" text in its text
// field (count, rate, charset, language); record 2 is reserved and written blank. Files
// whose first record holds no such text read with the defaults (25 fps, character set 0).
#include <span>
#include <string>
#include <vector>

#include "core/document.h"
#include "platform/binary_io.h"

namespace kipo {

inline constexpr std::size_t kWsbRecordLength = 252;
inline constexpr std::size_t kWsbTextLength = 130;
inline constexpr std::size_t kWsbCommentLength = 100;

struct WsbOptions {
  std::string ansiCodePage = "windows-1252";
};

// The bytes of the whole file; `warnings` names subtitles whose text or comment was cut.
Bytes WriteWsb(const SubtitleDocument& doc, const WsbOptions& options, std::vector<std::string>& warnings);
// Throws UserError "Invalid file format" / "This is not a valid Kipo file" when the size
// is not a whole number of records or a record lacks its 311 marker.
SubtitleDocument ReadWsb(std::span<const std::uint8_t> bytes, const WsbOptions& options = {});

// The "Format warning" texts Save As shows before writing a document as .wsb.
std::vector<std::string> WsbFormatWarnings(const SubtitleDocument& doc);

}  // namespace kipo
