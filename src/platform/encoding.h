#pragma once
// Text encodings. Text is UTF-8 in memory; 8-bit and 16-bit file text is converted here
// through ICU. Code pages are named as ICU knows them ("windows-1252", "ISO-8859-5", ...).
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kipo {

enum class UnicodeEncoding { None, Utf8, Utf16LE, Utf16BE };

struct BomInfo {
  UnicodeEncoding encoding = UnicodeEncoding::None;
  std::size_t length = 0;  // bytes of the byte-order mark
};

// Looks for a UTF-8, UTF-16LE or UTF-16BE byte-order mark at the start of the bytes.
BomInfo DetectBom(std::span<const std::uint8_t> bytes);
// The first line of a text file that is not blank, without its line end and the spaces
// before it, as 8-bit characters (UTF-16 by its byte-order mark, one byte a code unit),
// at most `limit` of them; for telling file layouts apart by their first line.
std::string FirstTextLine(std::span<const std::uint8_t> bytes, std::size_t limit = 256);

// 8-bit text in a code page to UTF-8. Bytes the code page does not define become U+FFFD.
std::string CodePageToUtf8(std::span<const std::uint8_t> bytes, std::string_view codePage);
std::string CodePageToUtf8(std::string_view bytes, std::string_view codePage);

// UTF-8 to 8-bit text in a code page. Characters the code page cannot carry become "?"
// and are added to `unmappable` when it is given (each distinct character once).
std::string Utf8ToCodePage(std::string_view utf8, std::string_view codePage,
                           std::vector<char32_t>* unmappable = nullptr);
// The same appended to a file's bytes (no text of its own in between).
void AppendUtf8InCodePage(std::vector<std::uint8_t>& out, std::string_view utf8, std::string_view codePage,
                          std::vector<char32_t>* unmappable = nullptr);

std::string Utf16LEToUtf8(std::span<const std::uint8_t> bytes);
std::string Utf16BEToUtf8(std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> Utf8ToUtf16LE(std::string_view utf8);
void AppendUtf16LE(std::vector<std::uint8_t>& out, std::string_view utf8);
std::vector<std::uint8_t> Utf8ToUtf16BE(std::string_view utf8);

// Decodes a whole text file: a byte-order mark decides when there is one, otherwise
// valid UTF-8 is taken as UTF-8, text with the zero-byte pattern of UTF-16 as UTF-16 and
// anything else as 8-bit text in `fallbackCodePage`. The mark is never part of the text.
struct DecodedText {
  std::string text;
  UnicodeEncoding encoding = UnicodeEncoding::None;  // None: the 8-bit fallback was used
  bool hadBom = false;
};
DecodedText DecodeText(std::span<const std::uint8_t> bytes, std::string_view fallbackCodePage);
// The same without copying UTF-8: its text is a view of `bytes` (after the mark); other
// encodings are converted into `storage` and the view is of that.
struct DecodedView {
  std::string_view text;
  UnicodeEncoding encoding = UnicodeEncoding::None;
  bool hadBom = false;
};
DecodedView DecodeTextView(std::span<const std::uint8_t> bytes, std::string_view fallbackCodePage,
                           std::string& storage);

bool IsValidUtf8(std::string_view s);
// Unicode code points of UTF-8 text (never bytes).
std::size_t CountCodePoints(std::string_view utf8);
std::u32string Utf8ToUtf32(std::string_view utf8);
std::string Utf32ToUtf8(std::u32string_view s);
void AppendUtf8(std::string& out, char32_t c);

// The code page of a Windows character-set code; 0 (and any unknown code) gives the
// system's ANSI code page passed in.
std::string CodePageForCharset(int charset, std::string_view ansiCodePage = "windows-1252");

// Canonical composition and decomposition (NFC / NFD) of UTF-8 text.
std::string ComposeNfc(std::string_view utf8);
std::string DecomposeNfd(std::string_view utf8);

}  // namespace kipo
