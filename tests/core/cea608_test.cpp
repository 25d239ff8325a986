// The line-21 code tables against values of the published tables, and the decoder model
// against the behaviour a caption decoder must have.
#include <gtest/gtest.h>

#include "core/cea608.h"
#include "core/cea608_caption.h"
#include "core/cea608_decoder.h"
#include "platform/encoding.h"

namespace kipo::cea608 {
namespace {

std::string Utf8(std::u32string_view s) { return Utf32ToUtf8(s); }

TEST(Cea608Tables, ParityAndWordText) {
  struct Case {
    std::uint8_t seven, withParity;
  } cases[] = {{0x14, 0x94}, {0x20, 0x20}, {0x2c, 0x2c}, {0x2f, 0x2f}, {0x11, 0x91}, {0x2e, 0xae},
               {0x17, 0x97}, {0x21, 0xa1}, {0x00, 0x80}, {0x7f, 0x7f}, {0x41, 0xc1}, {0x61, 0x61}};
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.seven));
    EXPECT_EQ(WithParity(c.seven), c.withParity);
    EXPECT_TRUE(HasOddParity(c.withParity));
    EXPECT_FALSE(HasOddParity(c.withParity ^ 0x80));
  }
  EXPECT_EQ(WordHex(MakeWord(0x14, 0x20)), "9420");
  EXPECT_EQ(WordHex(MakeWord(0x14, 0x2f)), "942f");
  EXPECT_EQ(ParseWord("94AD"), Word{0x94ad});
  for (const char* bad : {"", "94a", "94a d", "94adx", "zz20"}) EXPECT_FALSE(ParseWord(bad)) << bad;
}

TEST(Cea608Tables, ControlWordsAreTheStandardsCodes) {
  // Miscellaneous control codes of data channel 1: 0x14 followed by 0x20-0x2F.
  struct Case {
    Word word;
    std::uint8_t second;
  } cases[] = {{kResumeCaptionLoading, 0x20}, {kBackspace, 0x21}, {kDeleteToEndOfRow, 0x24},
               {kRollUp2, 0x25},               {kRollUp3, 0x26},  {kRollUp4, 0x27},
               {kResumeDirectCaptioning, 0x29}, {kEraseDisplayed, 0x2c}, {kCarriageReturn, 0x2d},
               {kEraseNonDisplayed, 0x2e},      {kEndOfCaption, 0x2f}};
  for (const Case& c : cases) EXPECT_EQ(c.word, MakeWord(0x14, c.second)) << WordHex(c.word);
  EXPECT_EQ(WordHex(TabOffset(1)), "97a1");
  EXPECT_EQ(WordHex(TabOffset(2)), "97a2");
  EXPECT_EQ(WordHex(TabOffset(3)), "9723");
  EXPECT_EQ(TabOffset(0), 0);
  EXPECT_EQ(WordHex(kMidRowItalics), "91ae");
  EXPECT_EQ(WordHex(kMidRowWhite), "9120");
}

TEST(Cea608Tables, CharacterSets) {
  struct Case {
    char32_t c;
    CharCode::Kind kind;
    const char* word;  // the pair for two-byte codes, "" for basic
    std::uint8_t basic;
  } cases[] = {
      {U'A', CharCode::Basic, "", 0x41},        {U'\u00E1', CharCode::Basic, "", 0x2a},  // á replaces *
      {U'\u00E9', CharCode::Basic, "", 0x5c},   {U'\u00ED', CharCode::Basic, "", 0x5e},
      {U'\u00F3', CharCode::Basic, "", 0x5f},   {U'\u00FA', CharCode::Basic, "", 0x60},
      {U'\u00E7', CharCode::Basic, "", 0x7b},   {U'\u00F7', CharCode::Basic, "", 0x7c},
      {U'\u00D1', CharCode::Basic, "", 0x7d},   {U'\u00F1', CharCode::Basic, "", 0x7e},
      {U'\u2588', CharCode::Basic, "", 0x7f},   {U'\'', CharCode::Basic, "", 0x27},
      {U'\u00AE', CharCode::Special, "91b0", 0}, {U'\u00B0', CharCode::Special, "9131", 0},
      {U'\u00BD', CharCode::Special, "9132", 0}, {U'\u00BF', CharCode::Special, "91b3", 0},
      {U'\u2122', CharCode::Special, "9134", 0}, {U'\u266A', CharCode::Special, "9137", 0},
      {U'\u00E0', CharCode::Special, "9138", 0}, {U'\u00E8', CharCode::Special, "91ba", 0},
      {U'\u00FB', CharCode::Special, "91bf", 0}, {U'\u00C1', CharCode::Extended, "9220", 0},
      {U'\u00C9', CharCode::Extended, "92a1", 0}, {U'\u00FC', CharCode::Extended, "9225", 0},
      {U'\u00A9', CharCode::Extended, "92ab", 0}, {U'\u00BB', CharCode::Extended, "92bf", 0},
      {U'\u00C3', CharCode::Extended, "1320", 0}, {U'\u00DF', CharCode::Extended, "1334", 0},
      {U'\u00C4', CharCode::Extended, "13b0", 0}, {U'\u00F8', CharCode::Extended, "133b", 0},
      {U'\u2518', CharCode::Extended, "13bf", 0}, {U'{', CharCode::Extended, "1329", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(std::u32string(1, c.c)));
    const CharCode code = Encode(c.c);
    ASSERT_EQ(code.kind, c.kind);
    if (c.kind == CharCode::Basic) {
      EXPECT_EQ(code.first, c.basic);
      EXPECT_EQ(BasicChar(c.basic), c.c);
    } else {
      const Word w = MakeWord(code.first, code.second);
      EXPECT_EQ(WordHex(w), c.word);
      EXPECT_EQ(code.kind == CharCode::Special ? SpecialChar(code.second) : ExtendedChar(code.first, code.second), c.c);
    }
    if (c.kind == CharCode::Extended) {
      EXPECT_NE(code.fallback, 0);
    }
  }
  for (char32_t none : {U'\u0416', U'\u4E2D', U'\t', U'\u20AC'}) EXPECT_EQ(Encode(none).kind, CharCode::None);
  // Every code of the three sets reads back to the character it encodes.
  for (std::uint8_t b = 0x20; b < 0x80; ++b) EXPECT_EQ(Encode(BasicChar(b)).first, b);
}

TEST(Cea608Tables, PreamblesRowsAndIndents) {
  struct Case {
    int row, indent;
    const char* word;
  } cases[] = {{1, 0, "91d0"},  {2, 0, "9170"},  {3, 4, "9252"},   {4, 8, "92f4"},   {5, 0, "15d0"},
               {6, 0, "1570"},  {7, 0, "16d0"},  {8, 28, "16fe"},  {9, 0, "97d0"},   {10, 0, "9770"},
               {11, 0, "10d0"}, {12, 0, "13d0"}, {13, 12, "1376"}, {14, 0, "94d0"},  {15, 0, "9470"},
               {15, 12, "9476"}, {15, 4, "94f2"}, {14, 16, "9458"}, {15, 28, "94fe"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.row) + "/" + std::to_string(c.indent));
    const Word w = PreambleWord(c.row, c.indent);
    EXPECT_EQ(WordHex(w), c.word);
    auto p = DecodePreamble(High(w), Low(w));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->row, c.row);
    EXPECT_EQ(p->indent, c.indent);
    EXPECT_FALSE(p->italic);
  }
  // Colour and italic preambles, underline in the lowest bit.
  auto italics = DecodePreamble(0x14, 0x6e);
  ASSERT_TRUE(italics);
  EXPECT_TRUE(italics->italic);
  EXPECT_EQ(italics->row, 15);
  auto red = DecodePreamble(0x11, 0x49);
  ASSERT_TRUE(red);
  EXPECT_EQ(red->colour, Colour::Red);
  EXPECT_TRUE(red->underline);
  EXPECT_FALSE(DecodePreamble(0x14, 0x2c));
  auto mid = DecodeMidRow(0x11, 0x2e);
  ASSERT_TRUE(mid);
  EXPECT_TRUE(mid->italic);
  EXPECT_FALSE(DecodeMidRow(0x11, 0x20)->italic);
}

TEST(Cea608Tables, CaptionRowMapping) {
  const int line21[] = {1, 2, 3, 6, 7, 8, 9, 12, 13, 14, 15};
  for (int r = 1; r <= 11; ++r) {
    EXPECT_EQ(Line21Row(r), line21[r - 1]);
    EXPECT_EQ(CaptionRow(line21[r - 1]), r);
  }
  EXPECT_EQ(CaptionRow(4), 3);
  EXPECT_EQ(CaptionRow(11), 7);
}

// --- The decoder -------------------------------------------------------------------

struct Player {
  Decoder d;
  unsigned Feed(std::initializer_list<Word> words) {
    unsigned e = 0;
    for (Word w : words) e |= d.Feed(w);
    return e;
  }
  unsigned Text(std::string_view ascii) {
    unsigned e = 0;
    for (std::size_t i = 0; i < ascii.size(); i += 2)
      e |= d.Feed(MakeWord(static_cast<std::uint8_t>(ascii[i]),
                           i + 1 < ascii.size() ? static_cast<std::uint8_t>(ascii[i + 1]) : 0));
    return e;
  }
  std::string Row(int r) const { return Utf8(d.displayed().RowText(r)); }
};

TEST(Cea608Decoder, PopOnLoadsOffScreenAndFlips) {
  Player p;
  EXPECT_EQ(p.Feed({kResumeCaptionLoading, kResumeCaptionLoading, PreambleWord(15, 12), PreambleWord(15, 12),
                    TabOffset(2)}) & Decoder::DisplayChanged,
            0u);
  EXPECT_EQ(p.Text("Hello") & Decoder::DisplayChanged, 0u);
  EXPECT_TRUE(p.d.displayed().Empty());
  EXPECT_EQ(Utf8(p.d.nonDisplayed().RowText(15)), "Hello");
  const unsigned e = p.Feed({kEndOfCaption});
  EXPECT_TRUE(e & Decoder::TextShown);
  EXPECT_EQ(p.Row(15), "Hello");
  // Placed at column 14 (indent 12 and tab 2).
  EXPECT_EQ(p.d.displayed().rows[14].cells[14].ch, U'H');
  // A doubled end of caption flips once; a second one sent later flips back.
  p.Feed({kEndOfCaption});
  EXPECT_EQ(p.Row(15), "Hello");
  p.Feed({kNull, kEndOfCaption});
  EXPECT_TRUE(p.d.displayed().Empty());
  p.Feed({kEndOfCaption, kEraseDisplayed});
  EXPECT_TRUE(p.d.displayed().Empty());
}

TEST(Cea608Decoder, RollUpScrollsTheWindow) {
  Player p;
  p.Feed({kRollUp2, kCarriageReturn, PreambleWord(15, 0)});
  EXPECT_TRUE(p.Text("one") & Decoder::TextShown);  // straight onto the screen
  EXPECT_EQ(p.Row(15), "one");
  p.Feed({kCarriageReturn, kCarriageReturn, PreambleWord(15, 0)});  // doubled: one scroll
  p.Text("two");
  EXPECT_EQ(p.Row(14), "one");
  EXPECT_EQ(p.Row(15), "two");
  p.Feed({kCarriageReturn, PreambleWord(15, 0)});
  p.Text("three");
  EXPECT_EQ(p.Row(13), "");  // two rows: "one" has rolled off
  EXPECT_EQ(p.Row(14), "two");
  EXPECT_EQ(p.Row(15), "three");
  // Roll-up 3 keeps three rows; a preamble on another row moves the window there.
  p.Feed({kRollUp3, kCarriageReturn, PreambleWord(12, 0)});
  p.Text("four");
  EXPECT_EQ(p.Row(10), "two");
  EXPECT_EQ(p.Row(11), "three");
  EXPECT_EQ(p.Row(12), "four");
  EXPECT_EQ(p.Row(15), "");
}

TEST(Cea608Decoder, PaintOnBackspaceAndSpecialCharacters) {
  Player p;
  p.Feed({kResumeDirectCaptioning, PreambleWord(1, 4)});
  p.Text("Cafe");
  EXPECT_EQ(p.Row(1), "Cafe");
  p.Feed({kBackspace});
  p.Text("\x5c");  // é in the basic set
  EXPECT_EQ(p.Row(1), "Caf\xC3\xA9");
  // An extended character replaces the fallback letter before it.
  p.Text(" U");
  p.Feed({MakeWord(0x12, 0x24)});
  EXPECT_EQ(p.Row(1), "Caf\xC3\xA9 \xC3\x9C");
  p.Feed({MakeWord(0x11, 0x37)});
  EXPECT_EQ(p.Row(1), "Caf\xC3\xA9 \xC3\x9C\xE2\x99\xAA");
  p.Feed({kNull, MakeWord(0x11, 0x37), MakeWord(0x11, 0x37), kNull, MakeWord(0x11, 0x37)});  // doubled: once, then again
  EXPECT_EQ(p.Row(1), "Caf\xC3\xA9 \xC3\x9C\xE2\x99\xAA\xE2\x99\xAA\xE2\x99\xAA");
  p.Feed({kDeleteToEndOfRow});
  EXPECT_EQ(p.Row(1), "Caf\xC3\xA9 \xC3\x9C\xE2\x99\xAA\xE2\x99\xAA\xE2\x99\xAA");
  p.Feed({PreambleWord(1, 4), kDeleteToEndOfRow});
  EXPECT_TRUE(p.d.displayed().Empty());
}

TEST(Cea608Decoder, MidRowItalicsAndOtherChannels) {
  Player p;
  p.Feed({kResumeCaptionLoading, PreambleWord(15, 0)});
  p.Text("a");
  p.Feed({kMidRowItalics});
  p.Text("b");
  p.Feed({kMidRowWhite});
  p.Text("c");
  // Data channel 2 (first byte + 8) and field 2 (0x15 miscellaneous codes) go elsewhere.
  p.Feed({MakeWord(0x1c, 0x20), MakeWord(0x1f, 0x70)});
  p.Text("XX");
  p.Feed({MakeWord(0x15, 0x20)});
  p.Text("YY");
  p.Feed({kEndOfCaption});
  EXPECT_TRUE(p.d.sawOtherChannel());
  const ScreenRow& row = p.d.displayed().rows[14];
  EXPECT_EQ(p.Row(15), "a b c");
  EXPECT_TRUE(row.cells[1].midRow);
  EXPECT_TRUE(row.cells[2].italic);
  EXPECT_FALSE(row.cells[4].italic);
  // Words with a parity error are dropped.
  EXPECT_EQ(p.d.Feed(0x1420), Decoder::Ignored);
}

// The rows a screen shows, "row:text" each.
std::string Rows(const Screen& s) {
  std::string out;
  for (int r = 1; r <= 15; ++r)
    if (const std::u32string t = s.RowText(r); !t.empty()) out += (out.empty() ? "" : " ") + std::to_string(r) + ":" + Utf8(t);
  return out;
}

// Erasing, flipping, scrolling and moving must leave nothing of a row behind in either
// memory, whichever rows were written.
TEST(Cea608Decoder, ErasedAndMovedRowsLeaveNothingBehind) {
  struct Step {
    std::vector<Word> words;
    const char* text;  // characters sent after the words
    const char* shown;
    const char* hidden;
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
  } cases[] = {
      {"a two-row caption erased and flipped back",
       {{{kResumeCaptionLoading, PreambleWord(1, 0)}, "TOP", "", "1:TOP"},
        {{PreambleWord(15, 0)}, "BOTTOM", "", "1:TOP 15:BOTTOM"},
        {{kEndOfCaption}, "", "1:TOP 15:BOTTOM", ""},
        {{kEraseDisplayed}, "", "", ""},
        {{kNull, kEndOfCaption}, "", "", ""}}},
      {"the hidden memory erased while loading",
       {{{kResumeCaptionLoading, PreambleWord(15, 0)}, "ONE", "", "15:ONE"},
        {{kEndOfCaption, kResumeCaptionLoading, PreambleWord(14, 0)}, "TWO", "15:ONE", "14:TWO"},
        {{kEraseNonDisplayed, PreambleWord(13, 0)}, "3", "15:ONE", "13:3"},
        {{kEndOfCaption}, "", "13:3", "15:ONE"}}},
      {"a roll-up window moved, scrolled, widened, then left for pop-on and back",
       {{{kRollUp2, kCarriageReturn, PreambleWord(15, 0)}, "A", "15:A", ""},
        {{kCarriageReturn, PreambleWord(15, 0)}, "B", "14:A 15:B", ""},
        {{PreambleWord(10, 0)}, "C", "9:A 10:C", ""},
        {{kCarriageReturn}, "", "9:C", ""},
        {{kRollUp4}, "D", "9:C 10:D", ""},
        {{kCarriageReturn}, "E", "8:C 9:D 10:E", ""},
        {{kCarriageReturn}, "", "7:C 8:D 9:E", ""},
        {{kResumeCaptionLoading, PreambleWord(2, 0)}, "F", "7:C 8:D 9:E", "2:F"},
        {{kEndOfCaption}, "", "2:F", "7:C 8:D 9:E"},
        {{kRollUp3}, "", "", ""}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Player p;
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
      SCOPED_TRACE(i);
      for (Word w : c.steps[i].words) p.d.Feed(w);
      p.Text(c.steps[i].text);
      EXPECT_EQ(Rows(p.d.displayed()), c.steps[i].shown);
      EXPECT_EQ(Rows(p.d.nonDisplayed()), c.steps[i].hidden);
      EXPECT_EQ(p.d.displayed().Empty(), std::string(c.steps[i].shown).empty());
    }
  }
}

TEST(Cea608Caption, RowsColumnsAndWords) {
  // A centred five-letter word on the bottom row: row 15, indent 12, tab 2, three words.
  Subtitle s;
  s.text = "Hello";
  CaptionCode c = EncodeCaption(s, {});
  ASSERT_EQ(c.rows.size(), 1u);
  EXPECT_EQ(c.rows[0].line21Row, 15);
  EXPECT_EQ(c.rows[0].column, 14);
  std::string words;
  for (Word w : c.rows[0].words) words += WordHex(w) + " ";
  EXPECT_EQ(words, "9476 97a2 c8e5 ecec ef80 ");
  EXPECT_EQ(c.words, 5u);

  struct Case {
    const char* text;
    int alignment, row;
    bool rollUp;
    std::vector<int> rows, columns;
  } cases[] = {
      {"Two rows\r\nof text", AlignCentre, 0, false, {14, 15}, {12, 13}},
      {"Two rows\r\nof text", AlignLeft, 0, false, {14, 15}, {0, 0}},
      {"Two rows\r\nof text", AlignRight, 0, false, {14, 15}, {24, 25}},
      {"Two rows\r\nof text", AlignCentreLeft, 0, false, {14, 15}, {12, 12}},
      {"Raised", AlignCentre, 2, false, {13}, {13}},
      {"A\r\nB\r\nC", AlignCentre, 0, false, {13, 14, 15}, {16, 16, 16}},
      {"A\r\nB", AlignCentre, 0, true, {15, 15}, {16, 16}},
      {"<Wholly italic>", AlignCentre, 0, false, {15}, {9}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.text);
    Subtitle t;
    t.text = k.text;
    t.alignment = k.alignment;
    t.row = k.row;
    CaptionCode code = EncodeCaption(t, {k.rollUp, false});
    ASSERT_EQ(code.rows.size(), k.rows.size());
    for (std::size_t i = 0; i < k.rows.size(); ++i) {
      EXPECT_EQ(code.rows[i].line21Row, k.rows[i]);
      EXPECT_EQ(code.rows[i].column, k.columns[i]);
      if (k.rollUp) {
        EXPECT_EQ(code.rows[i].words.front(), kCarriageReturn);
      }
    }
  }
  // Characters line 21 does not have are named by row.
  Subtitle bad;
  bad.text = "fine\r\n\xD0\x96uk";
  EXPECT_EQ(EncodeCaption(bad, {}).illegalRows, std::vector<int>{2});
  Subtitle high;
  high.text = "a\r\nb\r\nc";
  high.row = 10;
  EXPECT_TRUE(EncodeCaption(high, {}).rowsDoNotFit);
}

}  // namespace
}  // namespace kipo::cea608
