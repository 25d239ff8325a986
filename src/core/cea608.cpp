#include "core/cea608.h"

#include <algorithm>
#include <array>
#include <unordered_map>

namespace kipo::cea608 {
namespace {

// The basic set is ASCII but for these ten places.
constexpr std::array<std::pair<std::uint8_t, char32_t>, 10> kBasicExceptions{{
    {0x2A, U'\u00E1'},  // á
    {0x5C, U'\u00E9'},  // é
    {0x5E, U'\u00ED'},  // í
    {0x5F, U'\u00F3'},  // ó
    {0x60, U'\u00FA'},  // ú
    {0x7B, U'\u00E7'},  // ç
    {0x7C, U'\u00F7'},  // ÷
    {0x7D, U'\u00D1'},  // Ñ
    {0x7E, U'\u00F1'},  // ñ
    {0x7F, U'\u2588'},  // solid block
}};

// 0x11 0x30-0x3F. 0x39 is the transparent space.
constexpr std::array<char32_t, 16> kSpecial{
    U'\u00AE', U'\u00B0', U'\u00BD', U'\u00BF', U'\u2122', U'\u00A2', U'\u00A3', U'\u266A',
    U'\u00E0', U'\u00A0', U'\u00E8', U'\u00E2', U'\u00EA', U'\u00EE', U'\u00F4', U'\u00FB',
};

// 0x12 0x20-0x3F: Spanish, miscellaneous and French.
constexpr std::array<char32_t, 32> kExtended12{
    U'\u00C1', U'\u00C9', U'\u00D3', U'\u00DA', U'\u00DC', U'\u00FC', U'\u2018', U'\u00A1',
    U'*',      U'\'',     U'\u2014', U'\u00A9', U'\u2120', U'\u2022', U'\u201C', U'\u201D',
    U'\u00C0', U'\u00C2', U'\u00C7', U'\u00C8', U'\u00CA', U'\u00CB', U'\u00EB', U'\u00CE',
    U'\u00CF', U'\u00EF', U'\u00D4', U'\u00D9', U'\u00F9', U'\u00DB', U'\u00AB', U'\u00BB',
};
// 0x13 0x20-0x3F: Portuguese, German and Danish.
constexpr std::array<char32_t, 32> kExtended13{
    U'\u00C3', U'\u00E3', U'\u00CD', U'\u00CC', U'\u00EC', U'\u00D2', U'\u00F2', U'\u00D5',
    U'\u00F5', U'{',      U'}',      U'\\',     U'^',      U'_',      U'|',      U'~',
    U'\u00C4', U'\u00E4', U'\u00D6', U'\u00F6', U'\u00DF', U'\u00A5', U'\u00A4', U'\u00A6',
    U'\u00C5', U'\u00E5', U'\u00D8', U'\u00F8', U'\u250C', U'\u2510', U'\u2514', U'\u2518',
};

// The first byte and the low-byte base of each row's preambles (rows 1-15).
struct PacRow {
  std::uint8_t first, base;
};
constexpr std::array<PacRow, 15> kPacRows{{
    {0x11, 0x40}, {0x11, 0x60}, {0x12, 0x40}, {0x12, 0x60}, {0x15, 0x40}, {0x15, 0x60}, {0x16, 0x40}, {0x16, 0x60},
    {0x17, 0x40}, {0x17, 0x60}, {0x10, 0x40}, {0x13, 0x40}, {0x13, 0x60}, {0x14, 0x40}, {0x14, 0x60},
}};

constexpr std::array<int, 11> kCaptionRows{1, 2, 3, 6, 7, 8, 9, 12, 13, 14, 15};

// The nearest plain letter of an extended character, sent before it.
char FallbackOf(char32_t c) {
  switch (c) {
    case U'\u00C1': case U'\u00C0': case U'\u00C2': case U'\u00C3': case U'\u00C4': case U'\u00C5': return 'A';
    case U'\u00E3': case U'\u00E4': case U'\u00E5': return 'a';
    case U'\u00C9': case U'\u00C8': case U'\u00CA': case U'\u00CB': return 'E';
    case U'\u00EB': return 'e';
    case U'\u00CD': case U'\u00CC': case U'\u00CE': case U'\u00CF': return 'I';
    case U'\u00EC': case U'\u00EF': return 'i';
    case U'\u00D3': case U'\u00D2': case U'\u00D4': case U'\u00D5': case U'\u00D6': case U'\u00D8': return 'O';
    case U'\u00F2': case U'\u00F5': case U'\u00F6': case U'\u00F8': return 'o';
    case U'\u00DA': case U'\u00D9': case U'\u00DB': case U'\u00DC': return 'U';
    case U'\u00FC': case U'\u00F9': return 'u';
    case U'\u00C7': return 'C';
    case U'\u00DF': return 's';
    case U'\u00AB': case U'\u00BB': case U'\u201C': case U'\u201D': return '"';
    case U'\u2018': return '\'';
    case U'\u2014': return '-';
    case U'\u00A1': return '!';
    case U'\u00A5': return 'Y';
    default: return c < 0x80 && c >= 0x20 ? '-' : ' ';
  }
}

const std::unordered_map<char32_t, CharCode>& EncodeTable() {
  static const auto table = [] {
    std::unordered_map<char32_t, CharCode> t;
    // Later sets never replace an earlier code: a basic byte beats a two-byte code.
    for (std::uint8_t b = 0x20; b < 0x80; ++b) t.emplace(BasicChar(b), CharCode{CharCode::Basic, b, 0, 0});
    for (std::uint8_t s = 0; s < 16; ++s)
      if (s != 9) t.emplace(kSpecial[s], CharCode{CharCode::Special, 0x11, static_cast<std::uint8_t>(0x30 + s), 0});
    for (std::uint8_t s = 0; s < 32; ++s) {
      t.emplace(kExtended12[s],
                CharCode{CharCode::Extended, 0x12, static_cast<std::uint8_t>(0x20 + s), FallbackOf(kExtended12[s])});
      t.emplace(kExtended13[s],
                CharCode{CharCode::Extended, 0x13, static_cast<std::uint8_t>(0x20 + s), FallbackOf(kExtended13[s])});
    }
    // Typographic forms that line 21 sends as their plain letters.
    t[U'\u2019'] = CharCode{CharCode::Basic, 0x27, 0, 0};
    t[U'\u00A0'] = CharCode{CharCode::Special, 0x11, 0x39, 0};
    return t;
  }();
  return table;
}

}  // namespace

std::string WordHex(Word w) {
  static constexpr char kHex[] = "0123456789abcdef";
  return {kHex[w >> 12 & 15], kHex[w >> 8 & 15], kHex[w >> 4 & 15], kHex[w & 15]};
}

std::optional<Word> ParseWord(std::string_view hex) {
  if (hex.size() != 4) return std::nullopt;
  Word w = 0;
  for (char c : hex) {
    int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (v < 0) return std::nullopt;
    w = static_cast<Word>(w << 4 | v);
  }
  return w;
}

Word TabOffset(int columns) {
  return columns >= 1 && columns <= 3 ? MakeWord(0x17, static_cast<std::uint8_t>(0x20 + columns)) : 0;
}

char32_t BasicChar(std::uint8_t b) {
  static constexpr auto kBasic = [] {
    std::array<char32_t, 128> t{};
    for (std::uint8_t c = 0x20; c < 0x80; ++c) t[c] = c;
    for (auto [code, c] : kBasicExceptions) t[code] = c;
    return t;
  }();
  return kBasic[b & 0x7F];
}

char32_t SpecialChar(std::uint8_t second) {
  second &= 0x7F;
  return second >= 0x30 && second <= 0x3F ? kSpecial[second - 0x30] : 0;
}

char32_t ExtendedChar(std::uint8_t first, std::uint8_t second) {
  first &= 0x7F;
  second &= 0x7F;
  if (second < 0x20 || second > 0x3F) return 0;
  if (first == 0x12) return kExtended12[second - 0x20];
  if (first == 0x13) return kExtended13[second - 0x20];
  return 0;
}

CharCode Encode(char32_t c) {
  // ASCII and Latin-1, most of what is sent, from a flat table.
  static const auto kLatin1 = [] {
    std::array<CharCode, 256> t{};
    for (const auto& [ch, code] : EncodeTable())
      if (ch < 256) t[ch] = code;
    return t;
  }();
  if (c < 256) return kLatin1[c];
  const auto& t = EncodeTable();
  auto it = t.find(c);
  return it == t.end() ? CharCode{} : it->second;
}

Word PreambleWord(int row, int indent) {
  if (row < 1 || row > 15) row = 15;
  indent = std::clamp(indent, 0, 28) / 4;
  const PacRow& r = kPacRows[static_cast<std::size_t>(row - 1)];
  return MakeWord(r.first, static_cast<std::uint8_t>(r.base + 0x10 + indent * 2));
}

std::optional<Preamble> DecodePreamble(std::uint8_t first, std::uint8_t second) {
  first &= 0x7F;
  second &= 0x7F;
  if (second < 0x40 || first < 0x10 || first > 0x17) return std::nullopt;
  // The row of each first byte (0x10-0x17) and low-byte base (0x40, 0x60); 0 for none.
  static constexpr auto kRowOf = [] {
    std::array<std::uint8_t, 16> t{};
    for (std::size_t i = 0; i < kPacRows.size(); ++i)
      t[(kPacRows[i].first & 7u) * 2 + (kPacRows[i].base == 0x60)] = static_cast<std::uint8_t>(i + 1);
    return t;
  }();
  const int row = kRowOf[(first & 7u) * 2 + ((second & 0x20) != 0)];
  if (row == 0) return std::nullopt;
  Preamble p;
  p.row = row;
  const int attr = second & 0x1F;
  p.underline = attr & 1;
  if (attr & 0x10) {
    p.indent = (attr & 0x0E) * 2;
  } else if ((attr & 0x0E) == 0x0E) {
    p.italic = true;
  } else {
    p.colour = static_cast<Colour>((attr & 0x0E) / 2);
  }
  return p;
}

std::optional<MidRow> DecodeMidRow(std::uint8_t first, std::uint8_t second) {
  first &= 0x7F;
  second &= 0x7F;
  if (first != 0x11 || second < 0x20 || second > 0x2F) return std::nullopt;
  MidRow m;
  m.underline = second & 1;
  if ((second & 0x0E) == 0x0E) m.italic = true;
  else m.colour = static_cast<Colour>((second & 0x0E) / 2);
  return m;
}

int Line21Row(int captionRow) {
  if (captionRow < 1) captionRow = 1;
  if (captionRow > 11) captionRow = 11;
  return kCaptionRows[static_cast<std::size_t>(captionRow - 1)];
}

int CaptionRow(int line21Row) {
  int best = 1;
  for (std::size_t i = 0; i < kCaptionRows.size(); ++i)
    if (kCaptionRows[i] <= line21Row) best = static_cast<int>(i) + 1;
  return best;
}

}  // namespace kipo::cea608
