#include "core/languages.h"

namespace kipo {

const std::vector<Language>& Languages() {
  static const std::vector<Language> kLanguages{
      {1025, "Arabic", 178},          {1069, "Basque", 0},
      {1026, "Bulgarian", 204},       {1027, "Catalan", 0},
      {2052, "Chinese (Simplified)", 134}, {1028, "Chinese (Traditional)", 136},
      {1050, "Croatian", 238},        {1029, "Czech", 238},
      {1030, "Danish", 0},            {1043, "Dutch", 0},
      {3081, "English (Australia)", 0}, {4105, "English (Canada)", 0},
      {2057, "English (United Kingdom)", 0}, {1033, "English (United States)", 0},
      {1061, "Estonian", 186},        {1035, "Finnish", 0},
      {1036, "French", 0},            {3084, "French (Canada)", 0},
      {1110, "Galician", 0},          {1031, "German", 0},
      {1032, "Greek", 161},           {1037, "Hebrew", 177},
      {1081, "Hindi", 0},             {1038, "Hungarian", 238},
      {1039, "Icelandic", 0},         {1057, "Indonesian", 0},
      {2108, "Irish", 0},             {1040, "Italian", 0},
      {1041, "Japanese", 128},        {1042, "Korean", 129},
      {1062, "Latvian", 186},         {1063, "Lithuanian", 186},
      {1086, "Malay", 0},             {1044, "Norwegian (Bokmal)", 0},
      {2068, "Norwegian (Nynorsk)", 0}, {1065, "Persian", 178},
      {1045, "Polish", 238},          {1046, "Portuguese (Brazil)", 0},
      {2070, "Portuguese (Portugal)", 0}, {1048, "Romanian", 238},
      {1049, "Russian", 204},         {3098, "Serbian (Cyrillic)", 204},
      {2074, "Serbian (Latin)", 238}, {1051, "Slovak", 238},
      {1060, "Slovenian", 238},       {3082, "Spanish", 0},
      {2058, "Spanish (Mexico)", 0},  {1053, "Swedish", 0},
      {1054, "Thai", 222},            {1055, "Turkish", 162},
      {1058, "Ukrainian", 204},       {1066, "Vietnamese", 163},
      {1106, "Welsh", 0},
  };
  return kLanguages;
}

const Language* FindLanguage(std::int32_t id) {
  for (const Language& l : Languages())
    if (l.id == id) return &l;
  return nullptr;
}

}  // namespace kipo
