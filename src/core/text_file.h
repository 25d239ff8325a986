#pragma once
// The main window's plain-text file type ("TXT"). Structured layout, one block per
// subtitle, rows on their own lines and a blank line after each block:
//
//   0001<TAB>00:00:01:00<TAB>00:00:03:12
//   First row
//   Second row
//
// A cue that is not set is written "--:--:--:--". The unstructured layout has the text
// blocks only; reading one gives subtitles without cues. The reader takes the structured
// layout whenever a line of the file has the block-header shape.
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/document.h"
#include "platform/binary_io.h"

namespace kipo {

// The four encodings a text file is opened and saved in.
enum class TextFileEncoding { Ansi, Unicode, Utf8, BigEndian };

// "ANSI" for the system's code page, "Unicode", "Unicode (UTF-8)", "Unicode (Big Endian)".
std::string TextFileEncodingName(TextFileEncoding e);
std::optional<TextFileEncoding> TextFileEncodingFromName(std::string_view name);
// A byte-order mark decides; otherwise valid UTF-8 is UTF-8, the zero-byte pattern of
// UTF-16 is UTF-16 and anything else is 8-bit text in the ANSI code page.
TextFileEncoding DetectTextFileEncoding(std::span<const std::uint8_t> bytes);

struct TextFileReadOptions {
  std::optional<TextFileEncoding> encoding;  // nullopt: detect
  std::string ansiCodePage = "windows-1252";
  int frameRateCode = 25;  // the file does not say
};

struct TextFileWriteOptions {
  TextFileEncoding encoding = TextFileEncoding::Utf8;
  std::string ansiCodePage = "windows-1252";
  bool unstructured = false;  // text blocks only, no numbers or cues
};

// Throws UserError "Invalid file format" when the file holds more subtitles than a
// document can.
SubtitleDocument ReadTextFile(std::span<const std::uint8_t> bytes, const TextFileReadOptions& options = {});
Bytes WriteTextFile(const SubtitleDocument& doc, const TextFileWriteOptions& options, std::vector<std::string>& warnings);

}  // namespace kipo
