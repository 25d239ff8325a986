// Byte tables of Scantitling 890 text. The Latin set is complete; the Cyrillic and Arabic
// sets hold the letters whose positions are publicly documented (see README).
#include "formats/broadcast/scan890_tables.h"

#include <iterator>
#include <vector>

namespace kipo {
namespace {

// Accented letters: accent byte, then the base letter. Letters with breve are written
// with the caron byte, as the equipment shows them; the reader also knows 0x89 (breve).
constexpr AccentByte kAccents[] = {
    {0x81, U'\u0300', U'`'},      {0x82, U'\u0301', U'\u00B4'}, {0x83, U'\u0302', U'^'},
    {0x84, U'\u0306', U'\u02D8'}, {0x84, U'\u030C', U'\u02C7'}, {0x85, U'\u0303', U'~'},
    {0x86, U'\u0308', U'\u00A8'}, {0x87, U'\u0327', U'\u00B8'}, {0x8A, U'\u0304', U'\u00AF'},
    {0x8C, U'\u030A', U'\u02DA'}, {0x8D, U'\u030B', U'\u02DD'}, {0x8E, U'\u0307', U'\u02D9'},
    {0x8F, U'\u0328', U'\u02DB'},
};
constexpr AccentByte kReadOnlyAccents[] = {{0x89, U'\u0306', U'\u02D8'}};

constexpr ByteChar kLatin[] = {
    {0xE1, U'#'},      {0xE2, U'@'},      {0xE5, U'['},      {0xE3, U'\\'},     {0xE6, U']'},
    {0xE9, U'_'},      {0xE7, U'{'},      {0xE4, U'|'},      {0xE8, U'}'},      {0xBE, U'-'},
    {0x0B, U'\u00A1'}, {0x23, U'\u00A3'}, {0x10, U'\u00A7'}, {0xA8, U'\u00A9'}, {0xA6, U'\u00AA'},
    {0xAE, U'\u00AB'}, {0x05, U'\u00B0'}, {0x1A, U'\u00B1'}, {0x14, U'\u00B2'}, {0x15, U'\u00B3'},
    {0x0C, U'\u00B5'}, {0xB0, U'\u00B9'}, {0xA7, U'\u00BA'}, {0xAF, U'\u00BB'}, {0xAC, U'\u00BC'},
    {0x5F, U'\u00BD'}, {0xAA, U'\u00BE'}, {0x0A, U'\u00BF'}, {0x5D, U'\u00C5'}, {0x1E, U'\u00C6'},
    {0x1F, U'\u00D8'}, {0x03, U'\u00DE'}, {0x0E, U'\u00DF'}, {0x1D, U'\u00E5'}, {0x1B, U'\u00E6'},
    {0x12, U'\u00F0'}, {0x1C, U'\u00F8'}, {0x13, U'\u00FE'}, {0x02, U'\u0110'}, {0x7D, U'\u0111'},
    {0x0D, U'\u0126'}, {0x04, U'\u0127'}, {0x7E, U'\u0131'}, {0xCE, U'\u0132'}, {0x7B, U'\u0133'},
    {0xAB, U'\u013F'}, {0xAD, U'\u0140'}, {0x5C, U'\u0141'}, {0x7C, U'\u0142'}, {0x5E, U'\u014A'},
    {0x0F, U'\u014B'}, {0x07, U'\u0152'}, {0x17, U'\u0153'}, {0x08, U'\u0166'}, {0x18, U'\u0167'},
    {0x2D, U'\u2013'}, {0xA9, U'\u2030'}, {0xCF, U'\u20AC'},
};
// Characters that share a byte with another: the byte reads as the plain ASCII form
// (quotes) or as the table's letter (0x5E, 0x7E).
constexpr ByteChar kLatinWriteOnly[] = {
    {0x27, U'\u2018'}, {0x22, U'\u201D'}, {0x5E, U'^'}, {0x7E, U'~'},
};

// Cyrillic (font KYRILL.V): a phonetic 7-bit layout, capitals at 0x40-0x5E and small
// letters 0x20 higher. Positions come from files of that font; а, к, о and ц are on
// their places of the 7-bit KOI layout, which every documented position agrees with.
constexpr std::pair<std::uint8_t, char32_t> kCyrillicSmall[] = {
    {0x60, U'\u0436'}, {0x61, U'\u0430'}, {0x62, U'\u0431'}, {0x63, U'\u0446'}, {0x64, U'\u0434'},
    {0x65, U'\u0435'}, {0x66, U'\u0444'}, {0x67, U'\u0433'}, {0x68, U'\u0445'}, {0x69, U'\u0438'},
    {0x6A, U'\u0439'}, {0x6B, U'\u043A'}, {0x6C, U'\u043B'}, {0x6D, U'\u043C'}, {0x6E, U'\u043D'},
    {0x6F, U'\u043E'}, {0x70, U'\u043F'}, {0x71, U'\u044F'}, {0x72, U'\u0440'}, {0x73, U'\u0441'},
    {0x74, U'\u0442'}, {0x75, U'\u0443'}, {0x76, U'\u0432'}, {0x77, U'\u044E'}, {0x78, U'\u044B'},
    {0x79, U'\u044C'}, {0x7A, U'\u0437'}, {0x7B, U'\u0448'}, {0x7C, U'\u044D'}, {0x7D, U'\u0449'},
    {0x7E, U'\u0447'},
};

// Arabic (font ARABIC.V): the alphabet from 0x41, letters in their nominal form; the
// lam-alef ligatures are read as their two letters.
constexpr ByteChar kArabic[] = {
    {0x41, U'\u0627'}, {0x42, U'\u0628'}, {0x43, U'\u062A'}, {0x44, U'\u062B'}, {0x45, U'\u062C'},
    {0x46, U'\u062D'}, {0x47, U'\u062E'}, {0x48, U'\u062F'}, {0x49, U'\u0630'}, {0x4A, U'\u0631'},
    {0x4B, U'\u0632'}, {0x4C, U'\u0633'}, {0x4D, U'\u0634'}, {0x4E, U'\u0635'}, {0x4F, U'\u0636'},
    {0x50, U'\u0637'}, {0x51, U'\u0638'}, {0x52, U'\u0639'}, {0x53, U'\u063A'}, {0x54, U'\u0641'},
    {0x55, U'\u0642'}, {0x56, U'\u0643'}, {0x57, U'\u0644'}, {0x58, U'\u0645'}, {0x59, U'\u0646'},
    {0x5A, U'\u0648'}, {0x5B, U'\u0647'}, {0x5C, U'\u0629'}, {0x5D, U'\u064A'}, {0x5E, U'\u0649'},
    {0x60, U'\u0621'}, {0x61, U'\u0623'}, {0x64, U'\u0622'}, {0x66, U'\u0624'}, {0x6B, U'\u0626'},
    {0x6C, U'\u0640'}, {0x21, U'\u061F'}, {0x22, U'!'},      {0x23, U'"'},      {0x1D, U'-'},
    {0x2C, U'\u060C'},
};
constexpr ByteChar kArabicWriteOnly[] = {{0x21, U'?'}, {0x2C, U','}};
const BytePair kArabicLigatures[] = {
    {0x67, 0, U"\u0644\u0627"}, {0x68, 0, U"\u0644\u0623"}, {0x6A, 0, U"\u0644\u0622"}};

}  // namespace

const ByteCharset& Scan890LatinCharset() {
  static const ByteCharset c({.chars = kLatin,
                              .writeOnly = kLatinWriteOnly,
                              .accents = kAccents,
                              .readOnlyAccents = kReadOnlyAccents});
  return c;
}

const ByteCharset& Scan890CyrillicCharset() {
  static const std::vector<ByteChar> chars = [] {
    std::vector<ByteChar> v;
    for (const auto& [b, c] : kCyrillicSmall) {
      v.push_back({b, c});
      v.push_back({static_cast<std::uint8_t>(b - 0x20), static_cast<char32_t>(c - 0x20)});
    }
    return v;
  }();
  static const ByteCharset c({.chars = chars});
  return c;
}

const ByteCharset& Scan890ArabicCharset() {
  static const ByteCharset c({.chars = kArabic, .writeOnly = kArabicWriteOnly, .multi = kArabicLigatures});
  return c;
}

}  // namespace kipo
