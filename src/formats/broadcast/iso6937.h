#pragma once
// ISO/IEC 6937 as EBU subtitle files use it (character code table 00): printable ASCII
// below 0x7F; single-byte letters and symbols in 0xA0-0xFF; and the non-spacing
// diacritics 0xC1-0xCF, each written before the letter it sits on. "$" is written at the
// table's own 0xA4 and the currency sign at 0xA8, but 0x24 reads as "$" (and 0x23 as
// "#"), as the files of other systems mean them.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kipo {

// The character of one byte (0x20-0x7E, 0xA0-0xFF); 0 for control bytes, the diacritic
// bytes 0xC1-0xCF and the unused positions.
char32_t Iso6937Char(std::uint8_t byte);
// The combining mark of a diacritic byte 0xC1-0xCF; 0 for any other byte.
char32_t Iso6937Diacritic(std::uint8_t byte);
// The diacritic byte of a combining mark (U+0300...); 0 when the table has none.
std::uint8_t Iso6937DiacriticByte(char32_t mark);
// The single byte of a character; 0 when the table has none (a letter with a diacritic
// is not a single byte: decompose it first).
std::uint8_t Iso6937Byte(char32_t c);

// Appends the bytes of one character with at most one combining mark (mark 0: none).
// Returns false, appending nothing, when the table cannot carry the pair.
bool AppendIso6937(char32_t base, char32_t mark, std::string& out);

// UTF-8 text to ISO 6937 bytes: the text is decomposed (NFD) and each letter with its
// diacritic becomes two bytes. Characters the table lacks are left out and listed in
// `unmappable` (each once) when it is given.
std::string Utf8ToIso6937(std::string_view utf8, std::vector<char32_t>* unmappable = nullptr);
// ISO 6937 bytes to composed (NFC) UTF-8. A diacritic before a space is the spacing
// accent; control bytes and unused positions are left out.
std::string Iso6937ToUtf8(std::span<const std::uint8_t> bytes);
// Appends the character of a diacritic byte and the byte after it (the accent alone before
// a space), composed where Unicode has the accented letter; a letter without a composed
// form keeps its combining mark after it.
void AppendIso6937Accented(std::uint8_t diacritic, std::uint8_t next, std::string& out);

}  // namespace kipo
