#pragma once
// The text field of EBU subtitle files: document text (UTF-8 with markup, CR LF between
// rows) to the bytes of the character code table and the row control codes, and back.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kipo {

// The character code tables a file can name (CCT "00" to "04").
enum class StlTable { Latin = 0, Cyrillic = 1, Arabic = 2, Greek = 3, Hebrew = 4 };

// The table for a document's Windows character set (204, 178, 161, 177; others Latin).
StlTable StlTableForCharset(int characterSet);
// The Windows character set that stands for a table (Latin: 0).
std::int16_t CharsetForStlTable(StlTable table);
// "00" to "04".
std::string StlTableCode(StlTable table);
// The table a CCT field names; anything unknown is Latin.
StlTable StlTableFromCode(std::string_view cct);

// Control bytes of the text field.
namespace stl {
inline constexpr std::uint8_t kEndBox = 0x0A;
inline constexpr std::uint8_t kStartBox = 0x0B;
inline constexpr std::uint8_t kDoubleHeight = 0x0D;
inline constexpr std::uint8_t kItalicOn = 0x80;
inline constexpr std::uint8_t kItalicOff = 0x81;
inline constexpr std::uint8_t kUnderlineOn = 0x82;
inline constexpr std::uint8_t kUnderlineOff = 0x83;
inline constexpr std::uint8_t kBoxingOn = 0x84;
inline constexpr std::uint8_t kBoxingOff = 0x85;
inline constexpr std::uint8_t kNewline = 0x8A;
inline constexpr std::uint8_t kUnused = 0x8F;
}  // namespace stl

// How one subtitle's rows are framed and its characters converted.
struct StlTextLayout {
  StlTable table = StlTable::Latin;
  bool boxing = false;        // 0x84 ... 0x85 around each row
  bool blockMarkers = false;  // start-box and end-box pairs around each row
  bool doubleHeight = false;  // 0x0D at each row start
  bool doubleHeightCr = false;  // with double height, two 0x8A per line break
  bool screenEbu = false;     // 0x0D at each row start, as double height
  bool indent = false;        // three spaces at each row start (left-set rows)
  bool italic = false;        // 0x80 ... 0x81 around each row
  bool colours = true;        // keep colour codes 1-7 and insert the row colours
  bool literalItalics = false;  // "<" and ">" stay characters instead of 0x80 / 0x81
  bool dashesAsHyphens = false; // en and em dash as "-" instead of the dash byte
  std::string rowColours;     // one digit per row, 0 none
};

// Converts a whole subtitle text. Characters the table cannot carry are left out and
// listed in `unmappable` (each once).
std::string EncodeStlText(std::string_view text, const StlTextLayout& layout,
                          std::vector<char32_t>& unmappable);
// Converts text without row framing or markup (comments).
std::string EncodeStlPlain(std::string_view text, StlTable table, std::vector<char32_t>& unmappable);

struct StlTextDecoding {
  StlTable table = StlTable::Latin;
  bool colours = true;       // keep colour codes 1-7
  bool trimLeading = false;  // remove leading spaces of every row
};

// Decodes the text field bytes of one subtitle (all its blocks, fill included) into
// rows: 0x8A separates rows (a doubled 0x8A counts once), the fill byte is removed,
// italics and underline become markup and the other control codes are left out. Rows
// framed as teletext boxes lose the spaces around the box. Empty rows at the start and
// the end are removed.
std::vector<std::string> DecodeStlRows(std::span<const std::uint8_t> bytes, const StlTextDecoding& d);
// Decodes a comment block's text: the characters only, rows joined by a space.
std::string DecodeStlPlain(std::span<const std::uint8_t> bytes, StlTable table);

}  // namespace kipo
