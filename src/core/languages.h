#pragma once
// The subtitle languages a document can be set to: Windows language identifiers with
// their names and the character set their 8-bit text uses.
#include <cstdint>
#include <string>
#include <vector>

namespace kipo {

struct Language {
  std::int32_t id;      // Windows language identifier (2057 English, United Kingdom)
  const char* name;
  std::int16_t charset;  // Windows character-set code for 8-bit text (0: the ANSI set)
};

// In the order of the language list (by name).
const std::vector<Language>& Languages();
// nullptr when the identifier is not in the list.
const Language* FindLanguage(std::int32_t id);

}  // namespace kipo
