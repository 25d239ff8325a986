#pragma once
// The languages offered when a PAC file is opened: the file does not name its character
// set, so the user's language choice (a Windows language identifier) selects it.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kipo {

struct PacLanguage {
  const char* name;
  std::int32_t languageId;    // Windows language identifier
  std::int16_t characterSet;  // Windows character-set code of the language's script
};

// In the order of the list, by name.
const std::vector<PacLanguage>& PacLanguages();
// The list entries as shown: the name and the identifier, "Greek (1032)".
std::vector<std::string> PacLanguageChoices();
// The character set of a language identifier (0 for the Latin languages and unknown ones).
std::int16_t CharacterSetForLanguage(std::int32_t languageId);

}  // namespace kipo
