#pragma once
// The language codes of EBU subtitle files (two hexadecimal digits, "09" English) and the
// Windows language identifiers of the document, in both directions.
#include <cstdint>
#include <string>
#include <string_view>

namespace kipo {

// The code for a Windows language identifier. An identifier not in the table takes the
// code of its primary language; one whose language has no code gives "09".
std::string EbuLanguageCode(std::int32_t languageId);
// The Windows language identifier for a code (any case, surrounding spaces ignored).
// "00" (unknown) and codes the table lacks give 2057, English (United Kingdom).
std::int32_t LanguageIdForEbuCode(std::string_view code);
// The English name of the language of a code ("German"); empty when the code is unused.
std::string EbuLanguageName(std::string_view code);

}  // namespace kipo
