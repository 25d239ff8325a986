#pragma once
// The in-text markup of subtitle text: "<" / ">" italics on and off, character codes 1-7
// colours (teletext numbers: 1 red, 2 green, 3 yellow, 4 blue, 5 magenta, 6 cyan,
// 7 white), "[" / "]" underline, the configurable bold markers, "//hg" and "/hg" for a
// horizontal group. Rows are separated by CR LF.
#include <string>
#include <string_view>
#include <vector>

namespace kipo {

class SettingsStore;

inline constexpr char kItalicOn = '<';
inline constexpr char kItalicOff = '>';
inline constexpr char kUnderlineOn = '[';
inline constexpr char kUnderlineOff = ']';
inline constexpr std::string_view kGroupStart = "//hg";
inline constexpr std::string_view kGroupEnd = "/hg";

enum class Colour { Default = 0, Red = 1, Green = 2, Yellow = 3, Blue = 4, Magenta = 5, Cyan = 6, White = 7 };

inline bool IsColourCode(char c) { return c >= 1 && c <= 7; }

// Bold markers are in use only while "Options"/"Enable bold text" is 1.
struct BoldMarkers {
  bool enabled = false;
  std::string start = "\xC2\xAB";  // «
  std::string end = "\xC2\xBB";    // »
  static BoldMarkers Load(const SettingsStore& store);
};

// Rows of a text (CR LF separated); an empty text has one row.
std::size_t CountRows(std::string_view text);
// The text without any markup (italics, colours, underline, bold, group markers).
std::string StripMarkup(std::string_view text, const BoldMarkers& bold = {});
// A colour code takes a character cell on a teletext screen, so two words parted only by
// one stand apart on screen. The text without its colour codes, a space left where a code
// stood between two characters neither of which is a space (or a row's edge).
std::string ColoursAsSpaces(std::string_view text);
// The text without italics markers only.
std::string StripItalics(std::string_view text);
// Visible characters of a row (Unicode code points, markup not counted).
std::size_t VisibleLength(std::string_view row, const BoldMarkers& bold = {});
std::size_t CountChar(std::string_view text, char c);
// True when the text holds an italics marker.
bool HasItalicMarkers(std::string_view text);
// True when every visible character is inside italics markers.
bool IsWhollyItalic(std::string_view text);

}  // namespace kipo
