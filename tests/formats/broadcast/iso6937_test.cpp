#include "formats/broadcast/iso6937.h"
#include "formats/broadcast/stl_language.h"

#include <gtest/gtest.h>

namespace kipo {
namespace {

std::span<const std::uint8_t> Span(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// Every character of the table comes back as the byte it was read from; a wrong row in
// either direction breaks the round trip.
TEST(Iso6937, EverySingleByteRoundTrips) {
  for (int b = 0x20; b <= 0xFF; ++b) {
    if (b == 0x7F || (b > 0x7F && b < 0xA0) || (b >= 0xC1 && b <= 0xCF)) continue;
    char32_t c = Iso6937Char(static_cast<std::uint8_t>(b));
    // 0x24 reads as "$", which is written at 0xA4; 0xA6 repeats "#", written as 0x23.
    if (!c || b == 0x24 || b == 0xA6) continue;
    SCOPED_TRACE(b);
    std::string bytes(1, static_cast<char>(b));
    std::string text = Iso6937ToUtf8(Span(bytes));
    std::vector<char32_t> missing;
    EXPECT_EQ(Utf8ToIso6937(text, &missing), b == 0xA0 ? "\xA0" : bytes);
    EXPECT_TRUE(missing.empty());
  }
}

TEST(Iso6937, AccentedLettersAreDiacriticThenLetter) {
  struct Case { const char* text; const char* bytes; };
  for (auto c : {Case{"\xC3\xA9", "\xC2" "e"}, Case{"\xC3\xBC", "\xC8u"}, Case{"\xC5\xBD", "\xCFZ"},
                 Case{"\xC3\x85", "\xCA" "A"}, Case{"\xC5\x91", "\xCDo"}, Case{"\xC4\x99", "\xCE" "e"},
                 Case{"\xC3\xA7", "\xCB" "c"}, Case{"J\xCC\x81", "\xC2J"}}) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Utf8ToIso6937(c.text), c.bytes);
    EXPECT_EQ(Iso6937ToUtf8(Span(c.bytes)), c.text);  // composed again
  }
  // The dollar is written at the table's own place; 0x24 and 0x23 read as ASCII, as other
  // systems write them; the currency sign has its own byte.
  EXPECT_EQ(Utf8ToIso6937("$"), "\xA4");
  EXPECT_EQ(Iso6937ToUtf8(Span(std::string("\x24\x23\xA4\xA8"))), "$#$\xC2\xA4");
  EXPECT_EQ(Utf8ToIso6937("\xC2\xA4"), "\xA8");
  // A diacritic before a space is the accent alone.
  EXPECT_EQ(Iso6937ToUtf8(Span(std::string("\xC2 "))), "\xC2\xB4");
}

TEST(Iso6937, CharactersOutsideTheTableAreListed) {
  std::vector<char32_t> missing;
  // Euro sign, a Cyrillic letter, and u with diaeresis and acute (two marks on one letter).
  EXPECT_EQ(Utf8ToIso6937("a\xE2\x82\xAC" "b\xD0\x96\xC7\x98", &missing), "ab\xC8u");
  EXPECT_EQ(missing, (std::vector<char32_t>{0x20AC, 0x0416, 0x0301}));
}

TEST(StlLanguage, CodesBothWays) {
  struct Row { std::int32_t id; const char* code; };
  for (auto r : {Row{1033, "09"}, Row{2057, "09"}, Row{1031, "08"}, Row{3079, "08"}, Row{3082, "0A"},
                 Row{1034, "0A"}, Row{5132, "0F"}, Row{1028, "75"}, Row{1032, "70"}, Row{1049, "56"},
                 Row{14337, "7E"}, Row{1065, "7E"}, Row{1050, "04"}, Row{2074, "24"}, Row{3098, "54"},
                 Row{1084, "12"}, Row{2108, "11"}, Row{2068, "1E"}, Row{1110, "13"}, Row{9999, "09"}}) {
    SCOPED_TRACE(r.id);
    EXPECT_EQ(EbuLanguageCode(r.id), r.code);
  }
  EXPECT_EQ(LanguageIdForEbuCode("00"), 2057);
  EXPECT_EQ(LanguageIdForEbuCode("09"), 2057);
  EXPECT_EQ(LanguageIdForEbuCode("0a"), 3082);
  EXPECT_EQ(LanguageIdForEbuCode("01"), 1052);
  EXPECT_EQ(LanguageIdForEbuCode("6C"), 1037);
  EXPECT_EQ(LanguageIdForEbuCode("zz"), 2057);
  // Every code that has a language comes back to itself.
  for (int code = 0; code < 0x80; ++code) {
    char buf[3];
    std::snprintf(buf, sizeof buf, "%02X", code);
    std::int32_t id = LanguageIdForEbuCode(buf);
    if (EbuLanguageName(buf).empty() || id == 2057 || code == 0x5A) continue;  // 0x5A: Persian goes to Arabic
    SCOPED_TRACE(buf);
    EXPECT_EQ(EbuLanguageCode(id), buf);
  }
}

}  // namespace
}  // namespace kipo
