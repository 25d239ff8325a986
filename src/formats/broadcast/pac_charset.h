#pragma once
// The text of a Screen PAC record: rows separated by 0xFE, the row's alignment code and
// 0x03; characters in the byte table of the language family the user picked on opening
// (the file itself does not say). Shared by the PAC and RAC readers and the PAC writer.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kipo {

enum class PacScript { Latin, Greek, Cyrillic, Hebrew, Arabic, ChineseSimplified, ChineseTraditional, Korean, Japanese };

// The table a Windows character-set code selects: 161 Greek, 177 Hebrew, 178 Arabic,
// 204 Cyrillic, 128/129/134/136 the double-byte forms; everything else Latin.
PacScript PacScriptForCharset(int characterSet);
const char* PacScriptName(PacScript s);
bool IsDoubleByte(PacScript s);

struct PacTextOptions {
  bool colours = false;  // bytes 0x01-0x07 are teletext colours (setting "Enable colours")
};

// Alignment codes of the attribute group and of each row break.
inline constexpr std::uint8_t kPacRight = 0, kPacLeft = 1, kPacCentre = 2;

struct PacDecodedText {
  std::vector<std::string> rows;   // UTF-8, in-text markup, no row separators
  std::vector<int> rowCodes;       // alignment code of each row; -1 for the first row
};

// Bytes outside the table are left out and listed in `unknown` when given.
PacDecodedText DecodePacText(std::span<const std::uint8_t> bytes, PacScript script, const PacTextOptions& options,
                             std::vector<std::uint8_t>* unknown = nullptr);

struct PacEncodeReport {
  std::vector<char32_t> unmappable;  // characters the table cannot carry (left out)
  bool coloursDropped = false;       // colour codes left out because colours are off
};

// Rows and the alignment code for each row (the first row's code is not written: it
// lives in the record's attribute group).
std::string EncodePacText(const std::vector<std::string>& rows, const std::vector<std::uint8_t>& rowCodes,
                          PacScript script, const PacTextOptions& options, PacEncodeReport& report);

}  // namespace kipo
