#include <gtest/gtest.h>

#include "formats/broadcast/ebu_stl.h"
#include "formats/broadcast/stl_layout.h"
#include "support/recording_prompter.h"

namespace kipo {
namespace {

using test::RecordingPrompter;

Subtitle Sub(std::string text, std::string in = "10000000", std::string out = "10000100") {
  Subtitle s;
  s.text = std::move(text);
  s.inCue = std::move(in);
  s.outCue = std::move(out);
  return s;
}

SubtitleDocument Doc(std::vector<Subtitle> subs) {
  SubtitleDocument d;
  d.ReplaceAll(std::move(subs));
  return d;
}

// Open subtitles without any teletext framing: the bytes are the text alone.
StlWriteOptions Plain() {
  StlWriteOptions o;
  o.screenEbu = false;
  o.today = "240131";
  return o;
}

Bytes Write(const SubtitleDocument& d, const StlWriteOptions& o, std::vector<std::string>* w = nullptr,
            RecordingPrompter* p = nullptr) {
  RecordingPrompter local;
  std::vector<std::string> warnings;
  Bytes b = WriteStl(d, o, p ? *p : local, warnings);
  if (w) *w = warnings;
  return b;
}

std::string Field(const Bytes& b, const char* name) {
  const StlGsiField* f = FindStlGsiField(name);
  return std::string(b.begin() + f->offset, b.begin() + f->offset + f->width);
}

StlTti Block(const Bytes& b, std::size_t k) { return ParseStlTti(std::span(b).subspan(1024 + 128 * k, 128)); }

// The text bytes of a block up to its fill.
std::string Text(const StlTti& t) {
  std::string s(t.tf.begin(), t.tf.end());
  return s.substr(0, s.find('\x8F'));
}

TEST(StlWrite, HeaderFields) {
  SubtitleDocument d = Doc({Sub("a", "10000105"), Sub("b")});
  d.SetProperty("STL.OPT", "Programme");
  d.SetProperty("STL.TCP", "10:00:00:00");
  d.SetProperty("STL.RN", "3");
  d.SetProperty("STL.UDA", "user data");
  d.SetLanguageId(1031);
  StlWriteOptions o = Plain();
  o.displayStandard = "1";
  o.maxCharsPerRow = 40;
  Bytes b = Write(d, o);
  ASSERT_EQ(b.size(), 1024u + 2 * 128);
  struct F { const char* name; const char* value; };
  for (auto f : {F{"CPN", "850"}, F{"DFC", "STL25.01"}, F{"DSC", "1"}, F{"CCT", "00"}, F{"LC", "08"},
                 F{"CD", "240131"}, F{"RD", "240131"}, F{"RN", " 3"}, F{"TNB", "2    "}, F{"TNS", "2    "},
                 F{"TNG", "1  "}, F{"MNC", "40"}, F{"MNR", "11"}, F{"TCS", "1"}, F{"TCP", "10000000"},
                 F{"TCF", "10000105"}, F{"TND", "1"}, F{"DSN", "1"}, F{"CO", "GBR"}}) {
    SCOPED_TRACE(f.name);
    EXPECT_EQ(Field(b, f.name), f.value);
  }
  EXPECT_EQ(Field(b, "OPT"), "Programme" + std::string(23, ' '));
  EXPECT_EQ(Field(b, "UDA").substr(0, 10), "user data ");
  EXPECT_EQ(Field(b, "Spare"), std::string(75, ' '));
}

TEST(StlWrite, FrameRates) {
  struct Case { int code; const char* dfc; bool message; };
  for (auto c : {Case{25, "STL25.01", false}, Case{29, "STL30.01", false}, Case{30, "STL30.01", false},
                 Case{23, "STL24.01", false}, Case{24, "STL24.01", false}, Case{50, "STL25.01", true}}) {
    SCOPED_TRACE(c.code);
    SubtitleDocument d = Doc({Sub("a", "00000049", "00000149")});
    d.SetFrameRate(c.code);
    RecordingPrompter p;
    Bytes b = Write(d, Plain(), nullptr, &p);
    EXPECT_EQ(Field(b, "DFC"), c.dfc);
    ASSERT_EQ(p.shown.size(), c.message ? 1u : 0u);
    if (c.message) {
      EXPECT_EQ(p.Last().text,
                "EBU files only support frame rates of 25 and 30 fps. Your file has been saved with the default "
                "frame rate of 25 fps.");
    }
    // Cues are written as the labels stand, even when the rate changed.
    EXPECT_EQ(Block(b, 0).tci, (std::array<std::uint8_t, 4>{0, 0, 0, 49}));
  }
}

TEST(StlWrite, BlockFieldsAndCues) {
  Subtitle s = Sub("x", "01020304", "");
  s.alignment = AlignRight;
  StlWriteOptions o = Plain();
  o.subtitleZero = true;
  Bytes b = Write(Doc({Sub("a"), s}), o);
  StlTti t = Block(b, 1);
  EXPECT_EQ(t.sn, 1);  // numbering from 0
  EXPECT_EQ(t.ebn, 0xFF);
  EXPECT_EQ(t.tci, (std::array<std::uint8_t, 4>{1, 2, 3, 4}));
  EXPECT_EQ(t.tco, (std::array<std::uint8_t, 4>{0, 0xFF, 0, 0}));  // cue not set
  EXPECT_EQ(t.jc, 3);
  EXPECT_EQ(t.cf, 0);
  EXPECT_EQ(t.tf[1], 0x8F);
}

// Extension blocks: exactly two blocks' worth must not produce an empty third block, and
// one byte more must.
TEST(StlWrite, ExtensionBlocksAndBlockCount) {
  struct Case { std::size_t length; std::vector<int> ebns; };
  for (auto c : {Case{112, {0xFF}}, Case{113, {0x00, 0xFF}}, Case{224, {0x00, 0xFF}}, Case{225, {0x00, 0x01, 0xFF}}}) {
    SCOPED_TRACE(c.length);
    Bytes b = Write(Doc({Sub(std::string(c.length, 'x'))}), Plain());
    ASSERT_EQ(b.size(), 1024 + 128 * c.ebns.size());
    std::string all;
    for (std::size_t k = 0; k < c.ebns.size(); ++k) {
      EXPECT_EQ(Block(b, k).ebn, c.ebns[k]);
      EXPECT_EQ(Block(b, k).sn, 1);
      all += Text(Block(b, k));
    }
    EXPECT_EQ(all, std::string(c.length, 'x'));
    EXPECT_EQ(Field(b, "TNB"), std::to_string(c.ebns.size()) + "    ");
    EXPECT_EQ(Field(b, "TNS"), "1    ");
  }
}

TEST(StlWrite, CommentBlocks) {
  Subtitle s = Sub("text");
  s.comment = "x";
  std::vector<std::string> w;
  // "Do not save comments" (the default) leaves them out, and says so.
  Bytes b = Write(Doc({s}), Plain(), &w);
  EXPECT_EQ(b.size(), 1024u + 128);
  ASSERT_EQ(w.size(), 1u);
  EXPECT_EQ(w[0], "Comments of 1 subtitles were not saved (\"Do not save comments\" is on)");

  StlWriteOptions o = Plain();
  o.saveComments = true;
  b = Write(Doc({s}), o);
  ASSERT_EQ(b.size(), 1024u + 256);
  StlTti c = Block(b, 0);
  EXPECT_EQ(c.ebn, 0xFE);
  EXPECT_EQ(c.cf, 1);
  EXPECT_EQ(c.tf[0], 'x');
  EXPECT_EQ(std::count(c.tf.begin(), c.tf.end(), 0x8F), 111);
  EXPECT_EQ(c.tci, Block(b, 1).tci);
  EXPECT_EQ(Block(b, 1).ebn, 0xFF);
  EXPECT_EQ(Field(b, "TNB"), "2    ");  // more blocks than subtitles
  EXPECT_EQ(Field(b, "TNS"), "1    ");

  s.comment = std::string(150, 'c');
  b = Write(Doc({s}), o, &w);
  EXPECT_EQ(Text(Block(b, 0)), std::string(112, 'c'));
  ASSERT_EQ(w.size(), 1u);
  EXPECT_EQ(w[0], "Subtitle 0001: comment cut to 112 characters");
}

TEST(StlWrite, VerticalPosition) {
  struct Case { bool screen, dh, f23, zero; int lines, row, vp; };
  for (auto c : {Case{false, false, false, false, 1, 0, 11}, Case{false, false, false, false, 2, 0, 10},
                 Case{false, false, false, false, 2, 3, 7}, Case{true, false, false, false, 1, 0, 22},
                 Case{false, true, false, false, 1, 0, 22}, Case{false, false, true, false, 1, 0, 22},
                 Case{false, true, false, false, 2, 0, 20}, Case{true, false, false, false, 2, 4, 12},
                 Case{false, false, true, true, 1, 0, 23}, Case{false, false, true, true, 2, 0, 21},
                 Case{false, false, true, true, 1, 10, 1}, Case{false, false, true, true, 1, 9, 3},
                 Case{false, false, true, true, 1, 8, 7}, Case{false, false, false, true, 1, 0, 11},
                 // The top row: teletext row 0 is the page header, so the subtitle starts on 1.
                 Case{true, false, false, false, 1, 11, 1}, Case{false, true, false, false, 2, 10, 1},
                 Case{false, false, false, false, 1, 11, 0}}) {
    SCOPED_TRACE(testing::Message() << c.screen << c.dh << c.f23 << c.zero << " " << c.lines << " " << c.row);
    StlWriteOptions o = Plain();
    o.screenEbu = c.screen;
    o.doubleHeight = c.dh;
    o.force23 = c.f23;
    o.force23ZeroBased = c.zero;
    EXPECT_EQ(StlVerticalPosition(c.lines, c.row, o), c.vp);
  }
  // A row far above the screen cannot be written as it is: it is clamped and reported.
  Subtitle s = Sub("a");
  s.row = 40;
  StlWriteOptions o = Plain();
  o.doubleHeight = true;
  std::vector<std::string> w;
  Bytes b = Write(Doc({s}), o, &w);
  EXPECT_EQ(Block(b, 0).vp, 1);
  ASSERT_EQ(w.size(), 1u);
  EXPECT_EQ(w[0], "Subtitle 0001: row 40 is outside the screen; vertical position 1 written");
  EXPECT_EQ(Field(b, "MNR"), "23");
}

TEST(StlWrite, RowControlSequences) {
  struct Case {
    const char* name;
    bool screen, dh, dhcr, blocks, italic;
    int alignment, box;
    const char* bytes;
  };
  const Case cases[] = {
      {"plain", false, false, false, false, false, AlignCentre, BoxNone, "ab\x8A" "cd"},
      {"italic flag", false, false, false, false, true, AlignCentre, BoxNone, "\x80" "ab\x81\x8A\x80" "cd\x81"},
      {"boxed", false, false, false, false, false, AlignCentre, BoxBoxedOutline, "\x84" "ab\x85\x8A\x84" "cd\x85"},
      {"double height, block markers", false, true, false, true, false, AlignCentre, BoxNone,
       "\x0D\x0B\x0B" "ab\x0A\x0A\x8A\x0D\x0B\x0B" "cd\x0A\x0A"},
      {"double height CR", false, true, true, false, false, AlignCentre, BoxNone, "\x0D" "ab\x8A\x8A\x0D" "cd"},
      {"Screen, left", true, false, false, false, false, AlignLeft, BoxNone,
       "\x0D   \x84" "ab\x85\x8A\x0D   \x84" "cd\x85"},
      {"Screen, centre", true, false, false, false, false, AlignCentre, BoxNone, "\x0D\x84" "ab\x85\x8A\x0D\x84" "cd\x85"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Subtitle s = Sub("ab\r\ncd");
    s.italic = c.italic;
    s.alignment = c.alignment;
    s.boxStyle = c.box;
    StlWriteOptions o = Plain();
    o.screenEbu = c.screen;
    o.doubleHeight = c.dh;
    o.doubleHeightCr = c.dhcr;
    o.blockMarkers = c.blocks;
    Bytes b = Write(Doc({s}), o);
    EXPECT_EQ(Text(Block(b, 0)), c.bytes);
    if (c.screen && c.alignment == AlignLeft) {
      EXPECT_EQ(Block(b, 0).jc, 0);
    }
  }
}

TEST(StlWrite, CharactersAndMarkup) {
  struct Case { const char* text; const char* bytes; bool literal, hyphens; int charset; };
  const Case cases[] = {
      {"caf\xC3\xA9", "caf\xC2" "e", false, false, 0},
      {"<word>", "\x80word\x81", false, false, 0},
      {"<word>", "<word>", true, false, 0},
      {"\xEE\x80\xBCword\xEE\x80\xBE \xEE\x81\x9B" "1\xEE\x81\x9D", "<word> [1]", false, false, 0},  // literals
      {"$5 \xE2\x80\x94 x\xE2\x80\xA6", "\xA4" "5 \xD0 x...", false, false, 0},
      {"a\xE2\x80\x93" "b", "a-b", false, true, 0},
      {"\xE2\x80\x9CHi\xE2\x80\x9D \xE2\x99\xAA \xC2\xA9", "\xAAHi\xBA \xD5 \xD3", false, false, 0},
      {"1\xC2\xBA", "1\xB0", false, false, 0},
      {"\x03red\x09", "\x03red", false, false, 0},
      {"$ \xD0\x9F\xD1\x80\xD0\xB8", "$ \xBF\xE0\xD8", false, false, 204},
      {"\xCE\x91\xCE\xAC \xE2\x80\x94", "\xC1\xDC -", false, false, 161},
      {"\xD7\xA9\xD6\xB8\xD7\x9C", "\xF9\xEC", false, false, 177},
      {"\xD8\xAA", "\xCA", false, false, 178},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    StlWriteOptions o = Plain();
    o.literalItalics = c.literal;
    o.dashesAsHyphens = c.hyphens;
    SubtitleDocument d = Doc({Sub(c.text)});
    d.SetCharacterSet(static_cast<std::int16_t>(c.charset));
    EXPECT_EQ(Text(Block(Write(d, o), 0)), c.bytes);
  }
}

TEST(StlWrite, ColoursAndWarnings) {
  Subtitle s = Sub("red\r\n\x02green\r\nplain");
  s.rowColours = "12000000000";
  std::vector<std::string> w;
  EXPECT_EQ(Text(Block(Write(Doc({s}), Plain()), 0)), "\x01red\x8A\x02green\x8Aplain");
  StlWriteOptions o = Plain();
  o.colours = false;
  EXPECT_EQ(Text(Block(Write(Doc({s}), o), 0)), "red\x8Agreen\x8Aplain");

  SubtitleDocument d = Doc({Sub("\xE2\x82\xAC 5 \xE2\x80\x9E" "x")});
  d.SetProperty("STL.OPT", "\xE2\x82\xAC");
  Bytes b = Write(d, Plain(), &w);
  EXPECT_EQ(Text(Block(b, 0)), " 5 x");
  ASSERT_EQ(w.size(), 2u);
  EXPECT_EQ(w[0], "Subtitle 0001: characters the EBU character table cannot carry were left out: \xE2\x82\xAC \xE2\x80\x9E");
  EXPECT_EQ(w[1], "Header: characters code page 850 cannot carry were written as \"?\": \xE2\x82\xAC");
}

}  // namespace
}  // namespace kipo
