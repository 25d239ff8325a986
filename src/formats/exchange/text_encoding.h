#pragma once
// The encodings of text exports and the one text writer every text exporter uses.
// ANSI is the 8-bit code page of the document's character set (the system's code page
// when the document names none); UTF-8 and UTF-16 files start with their byte-order mark.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/binary_io.h"

namespace kipo {

enum class TextEncoding { Ansi, Utf8, Utf16 };

// The code page number handed to the writer: 0 (ANSI), 65001 (UTF-8), 1200 (UTF-16LE).
int CodePageNumber(TextEncoding e);
// "ANSI", "UTF-8", "UTF-16".
const char* TextEncodingName(TextEncoding e);
// Reads "ansi", "utf8", "utf-8", "utf16", "utf-16", "unicode" (any case).
std::optional<TextEncoding> ParseTextEncoding(std::string_view s);

// UTF-8 text to file bytes in the encoding, with the byte-order mark of UTF-8/UTF-16.
// Characters the ANSI code page cannot carry become "?" and are listed in `unmappable`.
Bytes EncodeText(std::string_view utf8, TextEncoding e, std::string_view ansiCodePage,
                 std::vector<char32_t>* unmappable = nullptr);

// Collects text and line ends (CR LF) and turns them into the file's bytes on Close.
// Conversion happens once at the end, so writing many small pieces stays linear.
class TextFileWriter {
 public:
  explicit TextFileWriter(TextEncoding e, std::string ansiCodePage = "windows-1252")
      : encoding_(e), ansiCodePage_(std::move(ansiCodePage)) {}
  void Write(std::string_view utf8) { text_ += utf8; }
  void WriteLine(std::string_view utf8 = {}) {
    text_ += utf8;
    text_ += "\r\n";
  }
  TextEncoding encoding() const { return encoding_; }
  // The finished bytes; characters ANSI could not carry are reported in `unmappable`.
  Bytes Close(std::vector<char32_t>* unmappable = nullptr) const;

 private:
  TextEncoding encoding_;
  std::string ansiCodePage_;
  std::string text_;
};

// Length of the byte-order mark a written file starts with, judged as the exporters
// always have: a first byte 255 means a 2-byte mark, 239 a 3-byte mark, anything else none.
std::size_t ExportBomLength(std::span<const std::uint8_t> bytes);
// Removes that mark from the bytes in place.
void RemoveBOM(Bytes& bytes);
// Rewrites a written file without its mark (atomically); a file without one stays as it is.
void RemoveBOM(const std::filesystem::path& file);

// Text of a foreign file: a byte-order mark decides; otherwise `forced` when given, else
// the bytes are sniffed (UTF-16 without a mark, valid UTF-8, else the ANSI code page).
std::string DecodeImportText(std::span<const std::uint8_t> bytes, std::optional<TextEncoding> forced,
                             std::string_view ansiCodePage = "windows-1252");
// The same without a copy of UTF-8 files: the text is a view of `bytes`, or of `storage`
// when it had to be converted.
std::string_view DecodeImportText(std::span<const std::uint8_t> bytes, std::optional<TextEncoding> forced,
                                  std::string_view ansiCodePage, std::string& storage);

// Warning text for characters the ANSI code page could not carry.
std::string UnmappableWarning(const std::vector<char32_t>& chars, std::string_view codePage);

}  // namespace kipo
