#include "formats/broadcast/iso6937.h"

#include <algorithm>
#include <array>

#include <unicode/normalizer2.h>

#include "platform/encoding.h"

namespace kipo {
namespace {

// 0xA0-0xFF. Zero marks a diacritic byte (0xC1-0xCF) or a position the table leaves unused.
constexpr std::array<char32_t, 96> kUpper = {
    // A0
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x0024, 0x00A5, 0x0023, 0x00A7,
    0x00A4, 0x2018, 0x201C, 0x00AB, 0x2190, 0x2191, 0x2192, 0x2193,
    // B0
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00D7, 0x00B5, 0x00B6, 0x00B7,
    0x00F7, 0x2019, 0x201D, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
    // C0: diacritics
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    // D0
    0x2015, 0x00B9, 0x00AE, 0x00A9, 0x2122, 0x266A, 0x00AC, 0x00A6,
    0, 0, 0, 0, 0x215B, 0x215C, 0x215D, 0x215E,
    // E0 (0xE0 is the ohm sign, which composes to the Greek capital omega)
    0x03A9, 0x00C6, 0x0110, 0x00AA, 0x0126, 0, 0x0132, 0x013F,
    0x0141, 0x00D8, 0x0152, 0x00BA, 0x00DE, 0x0166, 0x014A, 0x0149,
    // F0
    0x0138, 0x00E6, 0x0111, 0x00F0, 0x0127, 0x0131, 0x0133, 0x0140,
    0x0142, 0x00F8, 0x0153, 0x00DF, 0x00FE, 0x0167, 0x014B, 0x00AD,
};

// 0xC1-0xCF as combining marks. 0xC9 is the older umlaut position, read as a diaeresis.
constexpr std::array<char32_t, 15> kDiacritics = {
    0x0300, 0x0301, 0x0302, 0x0303, 0x0304, 0x0306, 0x0307, 0x0308,
    0x0308, 0x030A, 0x0327, 0x0332, 0x030B, 0x0328, 0x030C,
};

// A diacritic before a space stands for the accent on its own.
constexpr std::array<char32_t, 15> kSpacing = {
    0x0060, 0x00B4, 0x005E, 0x007E, 0x00AF, 0x02D8, 0x02D9, 0x00A8,
    0x00A8, 0x02DA, 0x00B8, 0x005F, 0x02DD, 0x02DB, 0x02C7,
};

// The bytes of the characters the table holds, looked up by code point: a flat table up to
// the last character it has (the music note, U+266A), one byte each.
constexpr char32_t kReverseEnd = 0x2670;
struct Reverse {
  std::array<std::uint8_t, kReverseEnd> single{};
  std::array<std::uint8_t, kReverseEnd> spacing{};
  Reverse() {
    for (int i = 0; i < 96; ++i)
      if (kUpper[i]) single[kUpper[i]] = static_cast<std::uint8_t>(0xA0 + i);
    single[0x2126] = 0xE0;  // ohm sign
    single[0x00D0] = 0xE2;  // capital eth looks like capital D with stroke
    for (int i = 14; i >= 0; --i)
      if (i != 8) spacing[kSpacing[i]] = static_cast<std::uint8_t>(0xC1 + i);
  }
};

const Reverse& Rev() {
  static const Reverse r;
  return r;
}

bool IsCombining(char32_t c) { return c >= 0x0300 && c <= 0x036F; }

}  // namespace

char32_t Iso6937Char(std::uint8_t b) {
  // Below 0xA0 the bytes are ASCII as files are written in practice: 0x24 is "$" and 0x23
  // "#", although the table's own positions for them are 0xA4 and 0xA6.
  if (b >= 0x20 && b < 0x7F) return b;
  if (b >= 0xA0) return kUpper[b - 0xA0];
  return 0;
}

char32_t Iso6937Diacritic(std::uint8_t b) {
  return (b >= 0xC1 && b <= 0xCF) ? kDiacritics[b - 0xC1] : 0;
}

std::uint8_t Iso6937DiacriticByte(char32_t mark) {
  if (mark == 0x0331) return 0xCC;  // macron below is drawn as the underline
  for (int i = 0; i < 15; ++i)
    if (i != 8 && kDiacritics[i] == mark) return static_cast<std::uint8_t>(0xC1 + i);
  return 0;
}

std::uint8_t Iso6937Byte(char32_t c) {
  if (c == 0x24) return 0xA4;
  if (c >= 0x20 && c < 0x7F) return static_cast<std::uint8_t>(c);
  return c < kReverseEnd ? Rev().single[c] : 0;
}

bool AppendIso6937(char32_t base, char32_t mark, std::string& out) {
  if (mark == 0) {
    if (std::uint8_t b = Iso6937Byte(base)) {
      out.push_back(static_cast<char>(b));
      return true;
    }
    const std::uint8_t spacing = base < kReverseEnd ? Rev().spacing[base] : 0;
    if (!spacing) return false;
    out.push_back(static_cast<char>(spacing));
    out.push_back(' ');
    return true;
  }
  // Diacritics sit on the letters of the basic set only.
  bool letter = (base >= 'A' && base <= 'Z') || (base >= 'a' && base <= 'z');
  std::uint8_t d = Iso6937DiacriticByte(mark);
  if (!letter || !d) return false;
  out.push_back(static_cast<char>(d));
  out.push_back(static_cast<char>(base));
  return true;
}

std::string Utf8ToIso6937(std::string_view utf8, std::vector<char32_t>* unmappable) {
  std::u32string cps = Utf8ToUtf32(DecomposeNfd(utf8));
  std::string out;
  out.reserve(cps.size());
  auto miss = [&](char32_t c) {
    if (unmappable && std::find(unmappable->begin(), unmappable->end(), c) == unmappable->end())
      unmappable->push_back(c);
  };
  for (std::size_t i = 0; i < cps.size(); ++i) {
    char32_t c = cps[i];
    char32_t mark = (i + 1 < cps.size() && IsCombining(cps[i + 1])) ? cps[i + 1] : 0;
    if (mark && AppendIso6937(c, mark, out)) {
      ++i;
    } else if (!AppendIso6937(c, 0, out)) {
      miss(c);
    }
    // Further marks on the same letter have no place in the table.
    while (i + 1 < cps.size() && IsCombining(cps[i + 1])) miss(cps[++i]);
  }
  return out;
}

void AppendIso6937Accented(std::uint8_t diacritic, std::uint8_t next, std::string& out) {
  const char32_t mark = Iso6937Diacritic(diacritic);
  if (!mark) return;
  if (next == 0x20 || next == 0xA0) {
    AppendUtf8(out, kSpacing[diacritic - 0xC1]);
    return;
  }
  const char32_t base = Iso6937Char(next);
  if (!base) return;
  // The pair's composed letter straight from ICU's tables: no string is normalised.
  static const icu::Normalizer2* nfc = [] {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* n = icu::Normalizer2::getNFCInstance(status);
    return U_SUCCESS(status) ? n : nullptr;
  }();
  const UChar32 composed = nfc ? nfc->composePair(static_cast<UChar32>(base), static_cast<UChar32>(mark)) : -1;
  if (composed >= 0) {
    AppendUtf8(out, static_cast<char32_t>(composed));
  } else {
    AppendUtf8(out, base);
    AppendUtf8(out, mark);
  }
}

std::string Iso6937ToUtf8(std::span<const std::uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::uint8_t b = bytes[i];
    if (Iso6937Diacritic(b)) {
      if (i + 1 >= bytes.size()) break;
      AppendIso6937Accented(b, bytes[++i], out);
      continue;
    }
    if (char32_t c = Iso6937Char(b)) AppendUtf8(out, c);
  }
  return ComposeNfc(out);
}

}  // namespace kipo
