#include "formats/broadcast/stl_language.h"

#include "platform/text_util.h"

namespace kipo {
namespace {

struct LanguageRow {
  std::uint8_t code;
  const char* name;
  std::int32_t languageId;  // the identifier a file's code reads as; 0: none exists
};

// The codes of the European languages (0x00-0x2B) and the others (0x45-0x7F).
constexpr LanguageRow kLanguages[] = {
    {0x00, "Unknown", 2057},      {0x01, "Albanian", 1052},     {0x02, "Breton", 1150},
    {0x03, "Catalan", 1027},      {0x04, "Croatian", 1050},     {0x05, "Welsh", 1106},
    {0x06, "Czech", 1029},        {0x07, "Danish", 1030},       {0x08, "German", 1031},
    {0x09, "English", 2057},      {0x0A, "Spanish", 3082},      {0x0B, "Esperanto", 0},
    {0x0C, "Estonian", 1061},     {0x0D, "Basque", 1069},       {0x0E, "Faroese", 1080},
    {0x0F, "French", 1036},       {0x10, "Frisian", 1122},      {0x11, "Irish", 2108},
    {0x12, "Gaelic", 1084},       {0x13, "Galician", 1110},     {0x14, "Icelandic", 1039},
    {0x15, "Italian", 1040},      {0x16, "Lappish", 1083},      {0x17, "Latin", 0},
    {0x18, "Latvian", 1062},      {0x19, "Luxembourgian", 1134}, {0x1A, "Lithuanian", 1063},
    {0x1B, "Hungarian", 1038},    {0x1C, "Maltese", 1082},      {0x1D, "Dutch", 1043},
    {0x1E, "Norwegian", 1044},    {0x1F, "Occitan", 1154},      {0x20, "Polish", 1045},
    {0x21, "Portuguese", 2070},   {0x22, "Romanian", 1048},     {0x23, "Romansh", 1047},
    {0x24, "Serbian", 2074},      {0x25, "Slovak", 1051},       {0x26, "Slovenian", 1060},
    {0x27, "Finnish", 1035},      {0x28, "Swedish", 1053},      {0x29, "Turkish", 1055},
    {0x2A, "Flemish", 2067},      {0x2B, "Wallon", 0},
    {0x45, "Zulu", 1077},         {0x46, "Vietnamese", 1066},   {0x47, "Uzbek", 1091},
    {0x48, "Urdu", 1056},         {0x49, "Ukrainian", 1058},    {0x4A, "Thai", 1054},
    {0x4B, "Telugu", 1098},       {0x4C, "Tatar", 1092},        {0x4D, "Tamil", 1097},
    {0x4E, "Tadzhik", 1064},      {0x4F, "Swahili", 1089},      {0x50, "Sranan Tongo", 0},
    {0x51, "Somali", 1143},       {0x52, "Sinhalese", 1115},    {0x53, "Shona", 0},
    {0x54, "Serbo-croat", 3098},  {0x55, "Ruthenian", 0},       {0x56, "Russian", 1049},
    {0x57, "Quechua", 1131},      {0x58, "Pushtu", 1123},       {0x59, "Punjabi", 1094},
    {0x5A, "Persian", 1065},      {0x5B, "Papamiento", 1145},   {0x5C, "Oriya", 1096},
    {0x5D, "Nepali", 1121},       {0x5E, "Ndebele", 0},         {0x5F, "Marathi", 1102},
    {0x60, "Moldavian", 2072},    {0x61, "Malaysian", 1086},    {0x62, "Malagasay", 0},
    {0x63, "Macedonian", 1071},   {0x64, "Laotian", 1108},      {0x65, "Korean", 1042},
    {0x66, "Khmer", 1107},        {0x67, "Kazakh", 1087},       {0x68, "Kannada", 1099},
    {0x69, "Japanese", 1041},     {0x6A, "Indonesian", 1057},   {0x6B, "Hindi", 1081},
    {0x6C, "Hebrew", 1037},       {0x6D, "Hausa", 1128},        {0x6E, "Gurani", 1140},
    {0x6F, "Gujurati", 1095},     {0x70, "Greek", 1032},        {0x71, "Georgian", 1079},
    {0x72, "Fulani", 1127},       {0x73, "Dari", 1164},         {0x74, "Churash", 0},
    {0x75, "Chinese", 1028},      {0x76, "Burmese", 1109},      {0x77, "Bulgarian", 1026},
    {0x78, "Bengali", 1093},      {0x79, "Bielorussian", 1059}, {0x7A, "Bambora", 0},
    {0x7B, "Azerbaijani", 1068},  {0x7C, "Assamese", 1101},     {0x7D, "Armenian", 1067},
    {0x7E, "Arabic", 1025},       {0x7F, "Amharic", 1118},
};

// Identifiers that do not follow their primary language's row.
struct Override {
  std::int32_t languageId;
  std::uint8_t code;
};
constexpr Override kOverrides[] = {
    {1065, 0x7E},  // Persian documents go to Arabic-script equipment as Arabic
    {1050, 0x04},  // Croatian, Serbian (Latin) and Serbian (Cyrillic) share a primary
    {2074, 0x24},  // language but have codes of their own
    {3098, 0x54},
    {1033, 0x09},
    {1084, 0x12},  // Scottish Gaelic shares its primary language with Irish,
    {2067, 0x2A},  // Flemish with Dutch,
    {2072, 0x60},  // Moldavian with Romanian
};

std::string Hex2(std::uint8_t v) {
  static const char* digits = "0123456789ABCDEF";
  return {digits[v >> 4], digits[v & 15]};
}

const LanguageRow* FindCode(std::string_view code) {
  std::string c = ToUpperAscii(Trim(code));
  if (c.size() != 2) return nullptr;
  for (const LanguageRow& r : kLanguages)
    if (Hex2(r.code) == c) return &r;
  return nullptr;
}

}  // namespace

std::string EbuLanguageCode(std::int32_t languageId) {
  for (const Override& o : kOverrides)
    if (o.languageId == languageId) return Hex2(o.code);
  // Arabic and the other variants share the low ten bits, the primary language.
  std::int32_t primary = languageId & 0x3FF;
  for (const LanguageRow& r : kLanguages)
    if (r.languageId != 0 && r.code != 0 && (r.languageId & 0x3FF) == primary) return Hex2(r.code);
  return "09";
}

std::int32_t LanguageIdForEbuCode(std::string_view code) {
  const LanguageRow* r = FindCode(code);
  return (r && r->languageId) ? r->languageId : 2057;
}

std::string EbuLanguageName(std::string_view code) {
  const LanguageRow* r = FindCode(code);
  return r ? r->name : "";
}

}  // namespace kipo
