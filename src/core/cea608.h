#pragma once
// The line-21 closed-caption code tables: odd parity, the basic, special and extended
// character sets, preamble address codes (row, indent and style), mid-row codes, tab
// offsets and the miscellaneous control codes. Values are data-channel 1, field 1.
//
// A code word is two bytes sent in one frame, first byte first, each byte seven data bits
// with odd parity in the top bit. Words are written as four lower-case hexadecimal digits
// with parity included ("9420").
#include <array>
#include <bit>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kipo::cea608 {

using Word = std::uint16_t;

// --- Parity ------------------------------------------------------------------------

// The byte with its top bit set or cleared so that the eight bits hold an odd number of ones.
inline constexpr auto kWithParity = [] {
  std::array<std::uint8_t, 128> t{};
  for (unsigned b = 0; b < 128; ++b) t[b] = static_cast<std::uint8_t>(std::popcount(b) % 2 == 0 ? b | 0x80 : b);
  return t;
}();
constexpr std::uint8_t WithParity(std::uint8_t b) { return kWithParity[b & 0x7F]; }
constexpr bool HasOddParity(std::uint8_t b) { return WithParity(b) == b; }
constexpr Word MakeWord(std::uint8_t b1, std::uint8_t b2) {
  return static_cast<Word>(WithParity(b1) << 8 | WithParity(b2));
}
constexpr std::uint8_t High(Word w) { return static_cast<std::uint8_t>(w >> 8 & 0x7F); }
constexpr std::uint8_t Low(Word w) { return static_cast<std::uint8_t>(w & 0x7F); }

// "9420"; and back (four hexadecimal digits, any case), nullopt for anything else.
std::string WordHex(Word w);
std::optional<Word> ParseWord(std::string_view hex);

// --- Control words (with parity) ---------------------------------------------------

inline constexpr Word kNull = 0x8080;
inline constexpr Word kResumeCaptionLoading = 0x9420;
inline constexpr Word kBackspace = 0x94a1;
inline constexpr Word kDeleteToEndOfRow = 0x94a4;
inline constexpr Word kRollUp2 = 0x9425;
inline constexpr Word kRollUp3 = 0x9426;
inline constexpr Word kRollUp4 = 0x94a7;
inline constexpr Word kResumeDirectCaptioning = 0x9429;
inline constexpr Word kEraseDisplayed = 0x942c;
inline constexpr Word kCarriageReturn = 0x94ad;
inline constexpr Word kEraseNonDisplayed = 0x94ae;
inline constexpr Word kEndOfCaption = 0x942f;
inline constexpr Word kMidRowItalics = 0x91ae;
inline constexpr Word kMidRowWhite = 0x9120;
// Tab offset 1, 2 or 3 columns; 0 for other counts.
Word TabOffset(int columns);

// --- Characters --------------------------------------------------------------------

// How one Unicode character is sent: a basic character is one byte; special and extended
// characters take a whole word. An extended character replaces the character before it on
// screen, so an encoder sends `fallback` (a basic character) first for decoders without
// the extended sets.
struct CharCode {
  enum Kind : std::uint8_t { None, Basic, Special, Extended } kind = None;
  std::uint8_t first = 0;   // the basic byte, or the first byte of the pair (no parity)
  std::uint8_t second = 0;  // the pair's second byte (no parity)
  char fallback = 0;        // extended characters only
};
// The code of a character; kind None when line 21 has no such character.
CharCode Encode(char32_t c);
// The characters of the three sets, from their byte values (no parity); 0 for codes
// outside the set.
char32_t BasicChar(std::uint8_t b);
char32_t SpecialChar(std::uint8_t second);                      // after 0x11, 0x30-0x3F
char32_t ExtendedChar(std::uint8_t first, std::uint8_t second);  // 0x12/0x13, 0x20-0x3F

// --- Preamble address and mid-row codes ---------------------------------------------

enum class Colour : std::uint8_t { White, Green, Blue, Cyan, Red, Yellow, Magenta };

struct Preamble {
  int row = 15;      // 1-15
  int indent = 0;    // 0, 4 ... 28 (0 for colour preambles)
  Colour colour = Colour::White;
  bool italic = false;
  bool underline = false;
};
// The white, non-underlined preamble of a row (1-15) and indent (0-28, rounded down to a
// multiple of four).
Word PreambleWord(int row, int indent);
// A preamble from its two bytes (no parity, data channel 1); nullopt for other codes.
std::optional<Preamble> DecodePreamble(std::uint8_t first, std::uint8_t second);

struct MidRow {
  Colour colour = Colour::White;
  bool italic = false;
  bool underline = false;
};
std::optional<MidRow> DecodeMidRow(std::uint8_t first, std::uint8_t second);

// --- Caption rows -----------------------------------------------------------------

// The writers' caption rows 1-11 (11 = bottom) on the line-21 rows 1-15.
int Line21Row(int captionRow);
// Back: the caption row of a line-21 row; rows between two caption rows (4, 5, 10, 11)
// give the caption row above them.
int CaptionRow(int line21Row);

}  // namespace kipo::cea608
