#pragma once
// The custom text layout: a plain-text cue list composed from building blocks (number, in
// and out cues, duration, screen row, text, comment) with chosen separators, timecode form,
// italics markers and encoding, and its template file (.ctf) that keeps one layout.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/document.h"
#include "formats/exchange/text_encoding.h"
#include "platform/binary_io.h"

namespace kipo {

// A separator as the options window shows it: one of the words "Tab", "Space",
// "New line", or literal text written as it stands.
inline constexpr const char* kSeparatorTab = "Tab";
inline constexpr const char* kSeparatorSpace = "Space";
inline constexpr const char* kSeparatorNewLine = "New line";
// The choices the options window offers in its separator lists (free text is allowed too).
const std::vector<std::string>& SeparatorChoices();
// The characters a separator setting writes: tab, space, CR LF, or the text itself.
std::string SeparatorText(std::string_view setting);

struct CustomTextOptions {
  bool number = true;
  int numberFormat = 0;  // 0 "7", 1 "0007"
  std::string numberSeparator = kSeparatorTab;
  bool cues = true;
  int tcFormat = 0;  // the eight timecode forms, 0-7
  std::string interCueSeparator = kSeparatorTab;
  std::string durationSeparator = kSeparatorTab;
  bool duration = true;
  bool position = false;
  std::string textSeparator = kSeparatorNewLine;
  std::string rowSeparator = kSeparatorNewLine;
  std::string startItalic = "<";
  std::string endItalic = ">";
  bool blankLine = true;
  bool comments = false;
  int encoding = 0;  // 0 the system code page, 1 UTF-8, 2 UTF-16
  bool operator==(const CustomTextOptions&) const = default;
};

// The encoding list of the options window, in order, and the encoding of an index.
const std::vector<std::string>& CustomTextEncodingNames();
TextEncoding CustomTextEncoding(int index);

// The file as UTF-8 text, CR LF line ends.
std::string WriteCustomText(const SubtitleDocument& doc, const CustomTextOptions& o);

// --- template files (.ctf): one 370-byte record. Integers are 16-bit little-endian; each
// text is 30 bytes of Windows-1252 padded with spaces, its used length in the integer
// before it.
inline constexpr std::size_t kCustomTemplateLength = 370;
inline constexpr std::size_t kCustomTemplateFields = 242;  // the fields; zeros fill the rest
inline constexpr std::size_t kCustomTemplateText = 30;
Bytes WriteCustomTemplate(const CustomTextOptions& o);
// Reads a template; throws UserError ("Invalid file format") for a file too short to hold
// the fields. Out-of-range numbers are brought into range; lengths above 30 count as 30.
CustomTextOptions ReadCustomTemplate(std::span<const std::uint8_t> bytes);

}  // namespace kipo
