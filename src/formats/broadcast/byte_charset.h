#pragma once
// The 8-bit character sets of subtitle transmission equipment (Screen PAC, Scantitling 890):
// a byte per character, and accented letters written as an accent byte in front of the
// base letter. A table is data (a list of byte/character pairs); this engine turns bytes
// into UTF-8 text and back. Control bytes (row breaks, italics, colours) are the format's
// business and never reach the table.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kipo {

struct ByteChar {
  std::uint8_t byte;
  char32_t ch;
};

// An accent byte: the combining mark it stands for and the spacing form read when the
// letter after it has no composed form with that accent.
struct AccentByte {
  std::uint8_t byte;
  char32_t mark;
  char32_t spacing;
};

// Two bytes with a meaning of their own (a letter with a mark whose Unicode form is not
// the canonical composition of the two).
struct BytePair {
  std::uint8_t first;
  std::uint8_t second;
  std::u32string text;
};

struct ByteCharsetTable {
  // Bytes 0x20-0x7E read as ASCII unless the table below gives them another meaning.
  bool asciiBase = true;
  // Read-and-write characters. When two bytes read as the same character, the writer
  // uses the first one listed.
  std::span<const ByteChar> chars;
  // Bytes that are read but never written (alternative codes other systems use).
  std::span<const ByteChar> readOnly = {};
  // Characters the writer maps onto a byte that reads as something else.
  std::span<const ByteChar> writeOnly = {};
  std::span<const AccentByte> accents = {};
  std::span<const AccentByte> readOnlyAccents = {};
  std::span<const BytePair> pairs = {};
  // Single bytes that read as more than one character (an Arabic ligature).
  std::span<const BytePair> multi = {};
  // Arabic: the marks stay combining marks after their letter instead of composing
  // with it or turning into spacing accents.
  bool keepMarks = false;
};

class ByteCharset {
 public:
  explicit ByteCharset(const ByteCharsetTable& table);

  // Bytes of one run of text (no control codes) to UTF-8, composed (NFC). Bytes outside
  // the table are left out and collected in `unknown` when given.
  std::string Decode(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>* unknown = nullptr) const;
  // UTF-8 text to bytes. Characters outside the table are left out and collected in
  // `unmappable` (each distinct character once).
  void Encode(std::string_view utf8, std::string& out, std::vector<char32_t>* unmappable = nullptr) const;
  bool CanEncode(char32_t c) const;
  bool IsAccent(std::uint8_t b) const { return accent_[b].mark != 0; }

 private:
  bool EncodeChar(char32_t c, std::string& out) const;

  std::array<std::u32string, 256> single_;
  std::array<AccentByte, 256> accent_{};
  std::unordered_map<std::uint16_t, std::u32string> pairs_;
  std::array<bool, 256> pairLead_{};  // bytes that start a pair: only they are looked up
  std::unordered_map<char32_t, std::uint8_t> singleOut_;
  std::unordered_map<char32_t, std::uint8_t> accentOut_;
  std::unordered_map<char32_t, std::string> pairOut_;
  bool keepMarks_ = false;
  // What EncodeChar gives for each ASCII character, worked out once; usable while no ASCII
  // character is an accent mark of the table.
  std::array<std::string, 128> asciiOut_;
  std::array<bool, 128> asciiOk_{};
  std::array<bool, 128> asciiSame_{};  // written as the byte it is
  bool asciiMarks_ = false;
  // Bytes that read as the ASCII character they are (no accent, no pair starts with them).
  std::array<bool, 256> plain_{};
  // One accent byte and a letter byte: the composed letter they read as, 0 when the two
  // have none (key: accent << 8 | letter). Composed once, when the table is made.
  std::unordered_map<std::uint16_t, char32_t> composed_;
  // The bytes of each composed letter above, as EncodeChar writes it.
  std::unordered_map<char32_t, std::string> composedOut_;
};

// Adds each character once to a list of characters a writer could not carry.
void NoteUnmappable(std::vector<char32_t>& list, char32_t c);
// "U+0141 Ł" style description for warnings.
std::string DescribeChar(char32_t c);

}  // namespace kipo
