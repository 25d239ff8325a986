// Byte tables of the single-byte Screen PAC language families. Positions of the Greek,
// Cyrillic, Hebrew and Arabic sets follow what is publicly documented about files of
// those families; the Latin accent bytes are shared by the Greek and Cyrillic sets.
#include "formats/broadcast/pac_tables.h"

#include <iterator>
#include <vector>

namespace kipo {
namespace {

// Accent bytes of the Latin family: the accent comes first, then the base letter.
constexpr AccentByte kLatinAccents[] = {
    {0xE0, U'\u0303', U'~'},      {0xE1, U'\u030A', U'\u02DA'}, {0xE2, U'\u0301', U'\u00B4'},
    {0xE3, U'\u0300', U'`'},      {0xE4, U'\u0302', U'^'},      {0xE5, U'\u0308', U'\u00A8'},
    {0xE6, U'\u0327', U'\u00B8'}, {0xE7, U'\u030C', U'\u02C7'}, {0xE8, U'\u0307', U'\u02D9'},
    {0xE9, U'\u0304', U'\u00AF'}, {0xEA, U'\u0306', U'\u02D8'}, {0xEB, U'\u0328', U'\u02DB'},
    {0xEC, U'\u030B', U'\u02DD'},
};

constexpr ByteChar kLatin[] = {
    {0x23, U'\u00A3'}, {0x24, U'$'},      {0x40, U'@'},      {0x5C, U'\u00C6'}, {0x5D, U'\u00D8'},
    {0x5E, U'\u00F7'}, {0x5F, U'\u2013'}, {0x7B, U'\u0131'}, {0x7C, U'\u00E6'}, {0x7D, U'\u00F8'},
    {0x7E, U'\u00A7'}, {0x80, U'#'},      {0x81, U'\u00DF'}, {0x82, U'\u00B2'}, {0x83, U'\u00B3'},
    {0x84, U'\u00AB'}, {0x85, U'\u00BB'}, {0x86, U'\u0166'}, {0x87, U'\u00FE'}, {0x88, U'\u00DE'},
    {0x89, U'\u00F0'}, {0x8C, U'\u00D0'}, {0x8D, U'\u014B'}, {0x8E, U'\u014A'}, {0x9A, U'\u0152'},
    {0x9B, U'\u00A2'}, {0x9C, U'\u0141'}, {0x9D, U'\u00A5'}, {0x9E, U'\u20AC'}, {0xA6, U'\u00AA'},
    {0xA7, U'\u00BA'}, {0xA8, U'\u00BF'}, {0xA9, U'\u00B0'}, {0xAA, U'\u00BE'}, {0xAB, U'\u00BD'},
    {0xAC, U'\u00BC'}, {0xAD, U'\u00A1'}, {0xAE, U'\u0111'}, {0xB5, U'\u00B5'}, {0xBA, U'\u0153'},
    {0xBC, U'\u0142'}, {0xD2, U'\u00AE'}, {0xD3, U'\u00A9'},
};
// Alternative space bytes written by other equipment.
constexpr ByteChar kLatinReadOnly[] = {{0x08, U' '}, {0xFF, U' '}};

// Greek letters sit where the Latin letters are on a keyboard (0x52 and 0x5A unused);
// the Latin letters move to 0x8C-0xA5 and 0xAC-0xC5. Symbols share the Latin positions.
constexpr ByteChar kGreek[] = {
    {0x41, U'\u0391'}, {0x42, U'\u0392'}, {0x43, U'\u0393'}, {0x44, U'\u0394'}, {0x45, U'\u0395'},
    {0x46, U'\u0396'}, {0x47, U'\u0397'}, {0x48, U'\u0398'}, {0x49, U'\u0399'}, {0x4A, U'\u039A'},
    {0x4B, U'\u039B'}, {0x4C, U'\u039C'}, {0x4D, U'\u039D'}, {0x4E, U'\u039E'}, {0x4F, U'\u039F'},
    {0x50, U'\u03A0'}, {0x51, U'\u03A1'}, {0x53, U'\u03A3'}, {0x54, U'\u03A4'}, {0x55, U'\u03A5'},
    {0x56, U'\u03A6'}, {0x57, U'\u03A7'}, {0x58, U'\u03A8'}, {0x59, U'\u03A9'},
    {0x61, U'\u03B1'}, {0x62, U'\u03B2'}, {0x63, U'\u03B3'}, {0x64, U'\u03B4'}, {0x65, U'\u03B5'},
    {0x66, U'\u03B6'}, {0x67, U'\u03B7'}, {0x68, U'\u03B8'}, {0x69, U'\u03B9'}, {0x6A, U'\u03BA'},
    {0x6B, U'\u03BB'}, {0x6C, U'\u03BC'}, {0x6D, U'\u03BD'}, {0x6E, U'\u03BE'}, {0x6F, U'\u03BF'},
    {0x70, U'\u03C0'}, {0x71, U'\u03C1'}, {0x72, U'\u03C2'}, {0x73, U'\u03C3'}, {0x74, U'\u03C4'},
    {0x75, U'\u03C5'}, {0x76, U'\u03C6'}, {0x77, U'\u03C7'}, {0x78, U'\u03C8'}, {0x79, U'\u03C9'},
    {0x23, U'\u00A3'}, {0x5F, U'\u2013'}, {0x7E, U'\u00A7'}, {0x80, U'#'},      {0x81, U'\u00DF'},
    {0x82, U'\u00B2'}, {0x83, U'\u00B3'}, {0x84, U'\u00AB'}, {0x85, U'\u00BB'}, {0x86, U'\u00B1'},
    {0x87, U'\u00FE'}, {0x88, U'\u00DE'}, {0x89, U'\u00F0'}, {0xA9, U'\u00B0'}, {0xAB, U'\u00BD'},
};
constexpr ByteChar kGreekReadOnly[] = {{0x52, U'R'}, {0x5A, U'Z'}, {0x7A, U'z'}, {0x08, U' '}, {0xFF, U' '}};

// Cyrillic letters on the positions of the Russian keyboard layout; Й, Ё, Ї and the
// other accented letters are accent byte + base letter, like the Latin accents.
constexpr ByteChar kCyrillic[] = {
    {0x22, U'\u042D'}, {0x27, U'\u044D'}, {0x2C, U'\u0431'}, {0x2E, U'\u044E'}, {0x3A, U'\u0416'},
    {0x3B, U'\u0436'}, {0x41, U'\u0424'}, {0x42, U'\u0418'}, {0x43, U'\u0421'}, {0x44, U'\u0412'},
    {0x45, U'\u0423'}, {0x46, U'\u0410'}, {0x47, U'\u041F'}, {0x48, U'\u0420'}, {0x49, U'\u0428'},
    {0x4A, U'\u041E'}, {0x4B, U'\u041B'}, {0x4C, U'\u0414'}, {0x4D, U'\u042C'}, {0x4E, U'\u0422'},
    {0x4F, U'\u0429'}, {0x50, U'\u0417'}, {0x52, U'\u041A'}, {0x53, U'\u042B'}, {0x54, U'\u0415'},
    {0x55, U'\u0413'}, {0x56, U'\u041C'}, {0x57, U'\u0426'}, {0x58, U'\u0427'}, {0x59, U'\u041D'},
    {0x5A, U'\u042F'}, {0x5B, U'\u0445'}, {0x5D, U'\u044A'}, {0x61, U'\u0444'}, {0x62, U'\u0438'},
    {0x63, U'\u0441'}, {0x64, U'\u0432'}, {0x65, U'\u0443'}, {0x66, U'\u0430'}, {0x67, U'\u043F'},
    {0x68, U'\u0440'}, {0x69, U'\u0448'}, {0x6A, U'\u043E'}, {0x6B, U'\u043B'}, {0x6C, U'\u0434'},
    {0x6D, U'\u044C'}, {0x6E, U'\u0442'}, {0x6F, U'\u0449'}, {0x70, U'\u0437'}, {0x72, U'\u043A'},
    {0x73, U'\u044B'}, {0x74, U'\u0435'}, {0x75, U'\u0433'}, {0x76, U'\u043C'}, {0x77, U'\u0446'},
    {0x78, U'\u0447'}, {0x79, U'\u043D'}, {0x7A, U'\u044F'}, {0x7B, U'\u0425'}, {0x7D, U'\u042A'},
    {0x80, U'\u0411'}, {0x81, U'\u042E'}, {0x82, U'\u0402'}, {0x84, U'\u0404'}, {0x85, U'\u0405'},
    {0x86, U'\u0406'}, {0x88, U'\u0408'}, {0x89, U'\u0409'}, {0x8A, U'\u040A'}, {0x8B, U'\u040B'},
    {0x8C, U'\u0490'}, {0x8D, U'\u0491'}, {0x8F, U'\u040F'}, {0x90, U'\u2116'}, {0x92, U'\u0452'},
    {0x94, U'\u0454'}, {0x95, U'\u0455'}, {0x96, U'\u0456'}, {0x97, U'\u2014'}, {0x98, U'\u0458'},
    {0x99, U'\u0459'}, {0x9A, U'\u045A'}, {0x9B, U'\u045B'}, {0x9D, U'\u00A7'}, {0x9F, U'\u045F'},
    {0xAB, U'\u00AB'}, {0xBB, U'\u00BB'}, {0xB0, U'\u00B0'},
    // Punctuation displaced by letters.
    {0x25, U':'}, {0x26, U'.'}, {0x2A, U';'}, {0x5E, U','}, {0xA2, U'%'}, {0xA4, U'&'},
    {0xB2, U'\''}, {0xB3, U'"'}, {0xC1, U'*'},
};
constexpr ByteChar kCyrillicReadOnly[] = {{0x23, U'/'}, {0x24, U'?'}, {0x5F, U'-'}, {0xB4, U'\u0491'},
                                          {0xBC, U'\u0458'}, {0xD0, U'\u2014'}, {0x08, U' '}, {0xFF, U' '}};
constexpr AccentByte kCyrillicAccents[] = {
    {0xE0, U'\u0306', U'\u02D8'}, {0xE2, U'\u0301', U'\u00B4'},
    {0xE3, U'\u0300', U'`'},      {0xE5, U'\u0308', U'\u00A8'},
};

// Hebrew letters from 0xA0, the points from 0x80; text in logical order, points after
// their letter.
constexpr ByteChar kHebrew[] = {
    {0x80, U'\u05B0'}, {0x81, U'\u05B1'}, {0x82, U'\u05B2'}, {0x83, U'\u05B3'}, {0x84, U'\u05B4'},
    {0x85, U'\u05B5'}, {0x86, U'\u05B6'}, {0x87, U'\u05B7'}, {0x88, U'\u05B8'}, {0x89, U'\u05B9'},
    {0x8B, U'\u05BB'}, {0x8C, U'\u05BC'}, {0x8D, U'\u05BD'},
    {0xA0, U'\u05D0'}, {0xA1, U'\u05D1'}, {0xA2, U'\u05D2'}, {0xA3, U'\u05D3'}, {0xA4, U'\u05D4'},
    {0xA5, U'\u05D5'}, {0xA6, U'\u05D6'}, {0xA7, U'\u05D7'}, {0xA8, U'\u05D8'}, {0xA9, U'\u05D9'},
    {0xAA, U'\u05DA'}, {0xAB, U'\u05DB'}, {0xAC, U'\u05DC'}, {0xAD, U'\u05DD'}, {0xAE, U'\u05DE'},
    {0xAF, U'\u05DF'}, {0xB0, U'\u05E0'}, {0xB1, U'\u05E1'}, {0xB2, U'\u05E2'}, {0xB3, U'\u05E3'},
    {0xB4, U'\u05E4'}, {0xB5, U'\u05E5'}, {0xB6, U'\u05E6'}, {0xB7, U'\u05E7'}, {0xB8, U'\u05E8'},
    {0xB9, U'\u05E9'}, {0xBA, U'\u05EA'}, {0xBB, U'\u05F0'}, {0xBC, U'\u05F1'}, {0xBD, U'\u05F2'},
};
constexpr ByteChar kHebrewReadOnly[] = {{0x08, U' '}, {0xFF, U' '}};

// Arabic letters in their nominal (unshaped) form; the equipment shapes them. Marks are
// written in front of the letter they belong to.
constexpr ByteChar kArabic[] = {
    {0x80, U'\u0640'}, {0x81, U'\u0627'}, {0x82, U'\u0628'}, {0x83, U'\u062A'}, {0x84, U'\u062B'},
    {0x85, U'\u062C'}, {0x86, U'\u062D'}, {0x87, U'\u062E'}, {0x88, U'\u062F'}, {0x89, U'\u0630'},
    {0x8A, U'\u0631'}, {0x8B, U'\u0632'}, {0x8C, U'\u0633'}, {0x8D, U'\u0634'}, {0x8E, U'\u0635'},
    {0x8F, U'\u0636'}, {0x90, U'\u0638'}, {0x91, U'\u0637'}, {0x92, U'\u0639'}, {0x93, U'\u063A'},
    {0x94, U'\u0641'}, {0x95, U'\u0642'}, {0x96, U'\u0643'}, {0x97, U'\u0644'}, {0x98, U'\u0645'},
    {0x99, U'\u0646'}, {0x9A, U'\u0647'}, {0x9B, U'\u0648'}, {0x9C, U'\u0649'}, {0x9D, U'\u0629'},
    {0x9F, U'\u064A'}, {0xA0, U'\u0621'},
    {0x3F, U'\u061F'}, {0x2C, U'\u060C'}, {0x3B, U'\u061B'}, {0x25, U'\u066A'},
};
// Latin punctuation shares the byte of its Arabic form.
constexpr ByteChar kArabicWriteOnly[] = {{0x3F, U'?'}, {0x2C, U','}, {0x3B, U';'}, {0x25, U'%'}};
constexpr AccentByte kArabicMarks[] = {
    {0xE0, U'\u0654', U'\u0654'}, {0xE1, U'\u0655', U'\u0655'}, {0xE2, U'\u0653', U'\u0653'},
    {0xE3, U'\u0651', U'\u0651'}, {0xE4, U'\u064F', U'\u064F'}, {0xE5, U'\u064E', U'\u064E'},
    {0xE6, U'\u0650', U'\u0650'}, {0xE7, U'\u064B', U'\u064B'}, {0xE8, U'\u064D', U'\u064D'},
    {0xE9, U'\u0652', U'\u0652'}, {0xEA, U'\u064C', U'\u064C'},
};
const BytePair kArabicPairs[] = {{0xE0, 0x9C, U"\u0626"}};  // yeh with hamza on the dotless form
const BytePair kArabicMulti[] = {{0x9E, 0, U"\u0644\u0627"}};  // lam-alef ligature

}  // namespace

const ByteCharset& PacLatinCharset() {
  static const ByteCharset c({.chars = kLatin, .readOnly = kLatinReadOnly, .accents = kLatinAccents});
  return c;
}

const ByteCharset& PacGreekCharset() {
  static const std::vector<ByteChar> chars = [] {
    std::vector<ByteChar> v(std::begin(kGreek), std::end(kGreek));
    for (int i = 0; i < 26; ++i) {
      v.push_back({static_cast<std::uint8_t>(0x8C + i), static_cast<char32_t>(U'A' + i)});
      v.push_back({static_cast<std::uint8_t>(0xAC + i), static_cast<char32_t>(U'a' + i)});
    }
    return v;
  }();
  static const ByteCharset c({.chars = chars, .readOnly = kGreekReadOnly, .accents = kLatinAccents});
  return c;
}

const ByteCharset& PacCyrillicCharset() {
  static const ByteCharset c({.chars = kCyrillic, .readOnly = kCyrillicReadOnly, .accents = kCyrillicAccents});
  return c;
}

const ByteCharset& PacHebrewCharset() {
  static const ByteCharset c({.chars = kHebrew, .readOnly = kHebrewReadOnly});
  return c;
}

const ByteCharset& PacArabicCharset() {
  static const ByteCharset c({.chars = kArabic,
                              .writeOnly = kArabicWriteOnly,
                              .accents = kArabicMarks,
                              .pairs = kArabicPairs,
                              .multi = kArabicMulti,
                              .keepMarks = true});
  return c;
}

}  // namespace kipo
