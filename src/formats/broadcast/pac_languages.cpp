#include "formats/broadcast/pac_languages.h"

namespace kipo {

const std::vector<PacLanguage>& PacLanguages() {
  // Character sets: 0 Western, 238 Central European, 186 Baltic, 162 Turkish, 161 Greek,
  // 204 Cyrillic, 177 Hebrew, 178 Arabic, 222 Thai, 128 Japanese, 129 Korean,
  // 134 Chinese Simplified, 136 Chinese Traditional, 163 Vietnamese.
  static const std::vector<PacLanguage> list = {
      {"Albanian", 1052, 238},
      {"Arabic (Algeria)", 5121, 178},
      {"Arabic (Bahrain)", 15361, 178},
      {"Arabic (Egypt)", 3073, 178},
      {"Arabic (Iraq)", 2049, 178},
      {"Arabic (Jordan)", 11265, 178},
      {"Arabic (Kuwait)", 13313, 178},
      {"Arabic (Lebanon)", 12289, 178},
      {"Arabic (Libya)", 4097, 178},
      {"Arabic (Morocco)", 6145, 178},
      {"Arabic (Oman)", 8193, 178},
      {"Arabic (Qatar)", 16385, 178},
      {"Arabic (Saudia Arabia)", 1025, 178},
      {"Arabic (Syria)", 10241, 178},
      {"Arabic (Tunisia)", 7169, 178},
      {"Arabic (U.A.E.)", 14337, 178},
      {"Arabic (Yemen)", 9217, 178},
      {"Basque", 1069, 0},
      {"Belarusian", 1059, 204},
      {"Bulgarian", 1026, 204},
      {"Catalan", 1027, 0},
      {"Chinese (Hong Kong)", 3076, 136},
      {"Chinese (PRC)", 2052, 134},
      {"Chinese (Singapore)", 4100, 134},
      {"Chinese (Taiwan)", 1028, 136},
      {"Croatian", 1050, 238},
      {"Czech", 1029, 238},
      {"Danish", 1030, 0},
      {"Dutch", 1043, 0},
      {"Dutch (Belgium)", 2067, 0},
      {"English (Australia)", 3081, 0},
      {"English (Canada)", 4105, 0},
      {"English (Ireland)", 6153, 0},
      {"English (New Zealand)", 5129, 0},
      {"English (South Africa)", 7177, 0},
      {"English (United Kingdom)", 2057, 0},
      {"English (United States)", 1033, 0},
      {"Estonian", 1061, 186},
      {"Faeroese", 1080, 0},
      {"Farsi", 1065, 178},
      {"Finnish", 1035, 0},
      {"French", 1036, 0},
      {"French (Belgium)", 2060, 0},
      {"French (Canada)", 3084, 0},
      {"French (Switzerland)", 4108, 0},
      {"German", 1031, 0},
      {"German (Austria)", 3079, 0},
      {"German (Switzerland)", 2055, 0},
      {"Greek", 1032, 161},
      {"Hebrew", 1037, 177},
      {"Hungarian", 1038, 238},
      {"Icelandic", 1039, 0},
      {"Indonesian", 1057, 0},
      {"Italian", 1040, 0},
      {"Japanese", 1041, 128},
      {"Korean", 1042, 129},
      {"Latvian", 1062, 186},
      {"Lithuanian", 1063, 186},
      {"Macedonian", 1071, 204},
      {"Malay", 1086, 0},
      {"Norwegian (Bokmal)", 1044, 0},
      {"Norwegian (Nynorsk)", 2068, 0},
      {"Polish", 1045, 238},
      {"Portuguese", 2070, 0},
      {"Portuguese (Brazil)", 1046, 0},
      {"Romanian", 1048, 238},
      {"Russian", 1049, 204},
      {"Serbian (Cyrillic)", 3098, 204},
      {"Serbian (Latin)", 2074, 238},
      {"Slovak", 1051, 238},
      {"Slovenian", 1060, 238},
      {"Spanish", 3082, 0},
      {"Spanish (Mexico)", 2058, 0},
      {"Swedish", 1053, 0},
      {"Thai", 1054, 222},
      {"Turkish", 1055, 162},
      {"Ukrainian", 1058, 204},
      {"Vietnamese", 1066, 163},
      {"Welsh", 1106, 0},
  };
  return list;
}

std::vector<std::string> PacLanguageChoices() {
  std::vector<std::string> out;
  for (const PacLanguage& l : PacLanguages()) out.push_back(std::string(l.name) + " (" + std::to_string(l.languageId) + ")");
  return out;
}

std::int16_t CharacterSetForLanguage(std::int32_t languageId) {
  for (const PacLanguage& l : PacLanguages())
    if (l.languageId == languageId) return l.characterSet;
  return 0;
}

}  // namespace kipo
