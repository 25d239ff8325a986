#include <gtest/gtest.h>

#include <random>

#include "core/native_file.h"
#include "core/rich_text.h"
#include "platform/encoding.h"

namespace kipo {
namespace {

const BoldMarkers kBoldOn{true, "\xC2\xAB", "\xC2\xBB"};
const std::string kLt = LiteralStandIn('<');

// A compact picture of the runs: text runs as their characters with style letters in
// braces (i italic, u underline, b bold, g group, digit colour), marks as '|'.
std::string Picture(const RichText& r) {
  std::string out;
  for (std::size_t k = 0; k < r.rows.size(); ++k) {
    if (k) out += " / ";
    for (const Run& run : r.rows[k]) {
      if (run.mark != Mark::None) {
        out += '|';
        continue;
      }
      std::string flags;
      if (run.style.italic) flags += 'i';
      if (run.style.underline) flags += 'u';
      if (run.style.bold) flags += 'b';
      if (run.style.group) flags += 'g';
      if (run.style.colour != Colour::Default) flags += static_cast<char>('0' + static_cast<int>(run.style.colour));
      out += flags.empty() ? run.text : run.text + "{" + flags + "}";
    }
  }
  return out;
}

TEST(RichText, ParsesStylesAndWritesTheSameTextBack) {
  struct Case {
    std::string text;
    bool bold;
    std::string picture;
  };
  const std::vector<Case> cases = {
      {"", false, ""},
      {"Plain", false, "Plain"},
      {"<Whole row>", false, "|Whole row{i}|"},
      {"One <two>\r\nthree", false, "One |two{i}| / three"},
      {"<Italic across\r\nrows>", false, "|Italic across{i} / rows{i}|"},
      {"[under] and <both [marks]>", false, "|under{u}| and |both {i}|marks{iu}||"},
      {"\x01red\x03yellow\r\nstill", false, "|red{1}|yellow{3} / still{3}"},
      {"\xC2\xAB" "bold\xC2\xBB plain", true, "|bold{b}| plain"},
      {"\xC2\xAB" "bold\xC2\xBB plain", false, "\xC2\xAB" "bold\xC2\xBB plain"},
      {"//hgGroup/hg out", false, "|Group{g}| out"},
      {"a " + kLt + " b", false, "a < b"},
      {"Ends on CR\r", false, "Ends on CR\r"},
      {"\r\n\r\n", false, " /  / "},
      {"<<double>> >stray", false, "||double{i}|| |stray"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const BoldMarkers bold = c.bold ? kBoldOn : BoldMarkers{};
    RichText r = RichText::Parse(c.text, bold);
    EXPECT_EQ(Picture(r), c.picture);
    EXPECT_EQ(r.ToMarkup(bold), c.text);
    EXPECT_EQ(r.rows.size(), CountRows(c.text));
    // The shown characters are what the markup helpers count and strip.
    std::string plain = r.PlainText();
    EXPECT_EQ(UnescapeLiterals(StripMarkup(c.text, bold)), plain);
    EXPECT_EQ(VisibleLength(c.text, bold), CountCodePoints(plain));
  }
}

// Any text, markup or not, well formed or not, is written back byte for byte.
TEST(RichText, RandomTextsRoundTrip) {
  const std::vector<std::string> pieces = {"a", "Zz ", "\xC3\xA9", "\xE2\x80\xA6", "<", ">", "[", "]", "\x01", "\x07",
                                           "\r\n", "\r", "\n", "\xC2\xAB", "\xC2\xBB", "//hg", "/hg", "/", "//",
                                           kLt, LiteralStandIn(']'), LiteralStandIn('\x05'), "\xEE\x80", "\xEE"};
  std::mt19937 rng(12);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const int n = static_cast<int>(rng() % 24);
    for (int k = 0; k < n; ++k) text += pieces[rng() % pieces.size()];
    SCOPED_TRACE(text);
    for (const BoldMarkers& bold : {BoldMarkers{}, kBoldOn, BoldMarkers{true, "**", "*/"}}) {
      RichText r = RichText::Parse(text, bold);
      ASSERT_EQ(r.ToMarkup(bold), text);
      ASSERT_EQ(VisibleLength(text, bold), CountCodePoints(r.PlainText()));
    }
  }
}

TEST(RichText, LiteralsAreOneCharacterAndComeBackAsThemselves) {
  const std::string plain = "a < b > c [d] \x01\x07 e";
  const std::string held = EscapeLiterals(plain);
  EXPECT_EQ(UnescapeLiterals(held), plain);
  EXPECT_FALSE(HasItalicMarkers(held));
  EXPECT_EQ(VisibleLength(held), CountCodePoints(plain));
  EXPECT_EQ(StripMarkup(held), held) << "stand-ins are characters, not markup";
  RichText r = RichText::Parse(held);
  ASSERT_EQ(r.rows.size(), 1u);
  ASSERT_EQ(r.rows[0].size(), 1u);
  EXPECT_EQ(r.rows[0][0].text, plain);
  for (char c : std::string("<>[]\x01\x02\x03\x04\x05\x06\x07")) {
    SCOPED_TRACE(static_cast<int>(c));
    EXPECT_EQ(StandInAt(LiteralStandIn(c)), c);
    EXPECT_EQ(CountCodePoints(LiteralStandIn(c)), 1u);
  }
  // Other private-use characters and cut sequences are left alone.
  for (std::string other : {"\xEE\x80\xA1", "\xEE\x80", "\xEE\x82\xBC", "\xEF\x80\xBC"}) EXPECT_EQ(StandInAt(other), '\0');
  EXPECT_EQ(UnescapeLiterals("x\xEE\x80\xA1y\xEE"), "x\xEE\x80\xA1y\xEE");
}

TEST(RichText, WhollyItalicIgnoresMarkupButNotLiterals) {
  struct Case {
    std::string text;
    bool whole;
  };
  for (const Case& c : std::vector<Case>{{"<All of it>", true},
                                         {"<Two>\r\n<rows>", true},
                                         {"\x02<Coloured>", true},
                                         {"<Half> not", false},
                                         {"<>", false},
                                         {"<a" + kLt + ">", true},
                                         {kLt + "a>", false},
                                         {"<a>[b]", false}}) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(IsWhollyItalic(c.text), c.whole);
  }
}

// The .kpox file keeps a literal as the character it is; the 8-bit .kpo cannot hold it
// and writes "?" with the character named in the save's warnings.
TEST(RichText, LiteralsInTheNativeFiles) {
  SubtitleDocument d;
  Subtitle s;
  s.inCue = "00000100";
  s.outCue = "00000200";
  s.text = "<x> " + EscapeLiterals("if a < b [sic]");
  d.ReplaceAll({s});
  NativeWriteResult kpox = WriteNative(d, NativeVariant::Kpox);
  EXPECT_TRUE(kpox.warnings.empty());
  EXPECT_EQ(ReadNative(kpox.bytes, NativeVariant::Kpox).At(0).text, s.text);
  NativeWriteResult kpo = WriteNative(d, NativeVariant::Kpo);
  EXPECT_EQ(ReadNative(kpo.bytes, NativeVariant::Kpo).At(0).text, "<x> if a ? b ?sic?");
  EXPECT_FALSE(kpo.warnings.empty());
}

}  // namespace
}  // namespace kipo
