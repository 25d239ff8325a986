// The hand-written UTF conversions the readers and writers run over whole files, checked
// against fixed bytes (what ICU gives for the same input) where the fast paths end:
// surrogates alone or in pairs, broken UTF-8, ASCII runs broken at every 8-byte offset.
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/encoding.h"
#include "platform/plugin.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(Utf16Conversion, DecodesPairsAndReplacesLoneSurrogates) {
  struct Case {
    const char* name;
    Bytes le;
    std::string utf8;
  } cases[] = {
      {"ascii", {'a', 0, 'b', 0}, "ab"},
      {"two and three bytes", {0xE9, 0x00, 0xAC, 0x20}, "\xC3\xA9\xE2\x82\xAC"},
      {"pair", {0x3D, 0xD8, 0x00, 0xDE}, "\xF0\x9F\x98\x80"},
      {"lead alone", {0x3D, 0xD8, 'x', 0}, "\xEF\xBF\xBDx"},
      {"trail alone", {0x00, 0xDE, 'x', 0}, "\xEF\xBF\xBDx"},
      {"lead at the end", {'x', 0, 0x3D, 0xD8}, "x\xEF\xBF\xBD"},
      {"odd last byte dropped", {'x', 0, 'y'}, "x"},
      {"an ASCII-looking low byte in a run", {'a', 0, 'b', 0, 0x41, 0x01, 'c', 0, 'd', 0, 'e', 0, 'f', 0, 'g', 0},
       "ab\xC5\x81" "cdefg"},
      {"NUL and DEL in a run", {0, 0, 0x7F, 0, 'a', 0, 'b', 0, 0x80, 0}, std::string("\0\x7F" "ab\xC2\x80", 6)},
      {"empty", {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Utf16LEToUtf8(c.le), c.utf8);
    Bytes be = c.le;
    for (std::size_t i = 0; i + 1 < be.size(); i += 2) std::swap(be[i], be[i + 1]);
    EXPECT_EQ(Utf16BEToUtf8(be), c.utf8);
  }
}

TEST(Utf16Conversion, AsciiRunsBrokenAtEveryOffset) {
  for (std::size_t at = 0; at < 11; ++at) {
    SCOPED_TRACE(at);
    std::string utf8(11, 'a');
    Bytes le;
    for (std::size_t i = 0; i < utf8.size(); ++i) le.insert(le.end(), {static_cast<std::uint8_t>(i == at ? 0xE9 : 'a'), 0});
    utf8.replace(at, 1, "\xC3\xA9");
    EXPECT_EQ(Utf16LEToUtf8(le), utf8);
    for (std::size_t i = 0; i + 1 < le.size(); i += 2) std::swap(le[i], le[i + 1]);
    EXPECT_EQ(Utf16BEToUtf8(le), utf8);
  }
}

TEST(Utf16Conversion, EncodesBrokenUtf8AsReplacementCharacters) {
  struct Case {
    const char* name;
    std::string utf8;
    Bytes le;
  } cases[] = {
      {"ascii", "ab", {'a', 0, 'b', 0}},
      {"astral", "\xF0\x9F\x98\x80", {0x3D, 0xD8, 0x00, 0xDE}},
      {"stray continuation", "a\x80" "b", {'a', 0, 0xFD, 0xFF, 'b', 0}},
      {"cut sequence", "\xE2\x82", {0xFD, 0xFF}},
      {"overlong", "\xC0\xAF", {0xFD, 0xFF, 0xFD, 0xFF}},
      {"surrogate coded in UTF-8", "\xED\xA0\x80", {0xFD, 0xFF, 0xFD, 0xFF, 0xFD, 0xFF}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Utf8ToUtf16LE(c.utf8), c.le);
  }
}

TEST(Utf8Check, FindsABadByteAtEveryPlaceOfTheWideStrides) {
  // ASCII is skipped 64 and 8 bytes at a time: a bad byte at every place of both strides,
  // and in the tail after them.
  for (std::size_t at = 0; at < 150; ++at) {
    SCOPED_TRACE(at);
    std::string s(150, 'a');
    EXPECT_TRUE(IsValidUtf8(s));
    s[at] = '\xFF';
    EXPECT_FALSE(IsValidUtf8(s));
    s[at] = '\xC3';  // a lead byte cut off by what follows
    EXPECT_EQ(IsValidUtf8(s), false);
    s.insert(at + 1, 1, '\xA9');  // completed: valid again
    EXPECT_TRUE(IsValidUtf8(s));
    // The ANSI writer skips ASCII by the same strides: the letter lands where it stood.
    std::string ansi(150, 'a');
    ansi[at] = '\xE9';
    EXPECT_EQ(Utf8ToCodePage(s, "windows-1252"), ansi);
  }
}

TEST(Plugins, AMissingPluginIsTheUsersMessageNamingWhatIsMissing) {
  try {
    LoadPluginTable("kipo-nothing-here.so", "kipo_nothing", "the test libraries");
    FAIL() << "loaded a plugin that does not exist";
  } catch (const UserError& e) {
    EXPECT_EQ(e.title(), kAppTitle);
    EXPECT_NE(e.text().find("could not load the test libraries (kipo-nothing-here.so)"), std::string::npos) << e.text();
  }
}

}  // namespace
}  // namespace kipo
