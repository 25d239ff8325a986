#pragma once
// The program's own document files: ".kpo" (format version 5, text in the document's
// 8-bit character set) and ".kpox" (format version 7, text as UTF-16LE byte arrays).
// Both share a 158-byte header, one record per subtitle, a 112-byte extension record per
// subtitle and an optional notes block. Little-endian, no padding between fields.
//
// Readers and writers are bytes in, bytes out: the reader builds a new document or throws
// UserError (title "Invalid file format"); the writer never changes the document.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/document.h"
#include "platform/binary_io.h"

namespace kipo {

enum class NativeVariant { Kpo, Kpox };

inline constexpr std::int32_t kNativeHeaderLength = 158;
inline constexpr std::int32_t kKpoVersion = 5;
inline constexpr std::int32_t kKpoxVersion = 7;
inline constexpr std::size_t kNativeExtensionLength = 112;
inline constexpr const char* kNotValidKipo = "This is not a valid Kipo file";
inline constexpr const char* kNotValidKipoUnicode = "This is not a valid Kipo Unicode file";

struct NativeWriteOptions {
  bool deleteSpaces = false;  // "Punctuation" / "Delete spaces": trim each text's ends
  int maxRows = 2;            // the maximum-rows house setting
  std::string ansiCodePage = "windows-1252";  // code page of character set 0 (.kpo)
  // Receives the save trace lines ("In MSF, 1", ...); the app points it at the error log.
  std::function<void(std::string_view)> trace;
};

struct NativeWriteResult {
  Bytes bytes;
  // One line per subtitle with more rows than allowed: "Subtitle 12 contains 4 lines".
  std::vector<std::string> tooManyRows;
  // What the file could not carry (characters outside a .kpo character set).
  std::vector<std::string> warnings;
};

struct NativeReadOptions {
  std::string ansiCodePage = "windows-1252";
  // Receives what the reader had to assume (an unknown frame-rate code); may be null.
  std::vector<std::string>* warnings = nullptr;
};

// Writes the whole document in the chosen layout.
NativeWriteResult WriteNative(const SubtitleDocument& doc, NativeVariant variant,
                              const NativeWriteOptions& options = {});

// Reads a whole file into a new document: frame rate, character set, language, notes,
// currentNumber as stored (the Open command decides whether it is used). The header's
// version decides the layout, so a .kpox file renamed .kpo (or the reverse) still reads;
// `variant` (the extension) chooses the message for a file that is neither. Throws UserError
// "Invalid file format" / "This is not a valid Kipo (Unicode) file" for a wrong header,
// a truncated body or counts the bytes cannot hold.
SubtitleDocument ReadNative(std::span<const std::uint8_t> bytes, NativeVariant variant,
                            const NativeReadOptions& options = {});

// The header's frame-rate code: 23 for 23.976, otherwise the nominal rate rounded
// (29.97 DF is written 30 with the drop-frame flag on; 59.94 is written 60).
std::int32_t NativeFrameRateCode(const FrameRate& rate);
// The choice a stored code selects: 30 with the drop-frame flag selects 29 (29.97 DF).
int NativeFrameRateChoice(std::int32_t code, bool dropFrame);
// The warning for a header whose frame-rate code names no rate the program knows.
std::string UnknownNativeFrameRateWarning(std::int32_t code, const FrameRate& used);

// The flag text of the header (before padding).
std::string NativeFlagText(bool hasNotes);

// The line of the warning list for a subtitle with too many rows (1-based number).
std::string TooManyRowsLine(std::size_t number, std::size_t rows);

// The 11-digit row flags as written: first 11 characters, non-digits as 0, padded with 0.
std::string NormaliseRowFlags(std::string_view flags);

}  // namespace kipo
