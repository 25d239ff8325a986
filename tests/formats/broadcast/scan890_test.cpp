#include "formats/broadcast/scan890.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/rich_text.h"
#include "platform/files.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

Bytes B(std::initializer_list<int> v) {
  Bytes b;
  for (int x : v) b.push_back(static_cast<std::uint8_t>(x));
  return b;
}

Bytes Slice(const Bytes& b, std::size_t from, std::size_t n) { return Bytes(b.begin() + from, b.begin() + from + n); }

Subtitle Sub(std::string text, std::string in = "00000100", std::string out = "00000200") {
  Subtitle s;
  s.text = std::move(text);
  s.inCue = std::move(in);
  s.outCue = std::move(out);
  return s;
}

SubtitleDocument Doc(std::vector<Subtitle> subs, std::int16_t charset = 0) {
  SubtitleDocument d;
  d.SetCharacterSet(charset);
  d.ReplaceAll(std::move(subs));
  return d;
}

Scan890WriteOptions Fixed() {
  Scan890WriteOptions o;
  o.created = {24, 3, 15, 14, 30, 5};
  return o;
}

Bytes Write(const SubtitleDocument& d, Warnings* warnings = nullptr) {
  Warnings w;
  Bytes b = Write890(d, Fixed(), w);
  if (warnings) *warnings = w;
  return b;
}

SubtitleDocument Read(const Bytes& b) {
  Warnings w;
  return Read890(b, {}, w);
}

Bytes ReadData(const char* name) { return ReadFileBytes(std::filesystem::path(KIPO_TEST_DATA) / "890" / name); }

TEST(Scan890Writer, RecordLayout) {
  Subtitle two = Sub("Up\r\nDown");
  two.row = 2;
  const Bytes b = Write(Doc({Sub("One line"), two}));
  ASSERT_EQ(b.size(), 384u + 2 * 128u);
  const std::size_t r1 = 384, r2 = 384 + 128;
  EXPECT_EQ(Slice(b, r1, 12), B({0, 0, 0, 0, 0x00, 0x10, 0x00, 0x00, 0x19, 0x00, 0x00, 0x32}));
  EXPECT_EQ(Slice(b, r1 + 12, 8), B({0x00, 0x00, 0x54, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Slice(b, r1 + 20, 51), Bytes(51, 0x7F));  // one line: the upper row is all fill
  EXPECT_EQ(Slice(b, r1 + 71, 6), B({0, 0, 0, 0, 0x00, 0x80}));
  EXPECT_EQ(Slice(b, r1 + 77, 9), B({'O', 'n', 'e', ' ', 'l', 'i', 'n', 'e', 0x7F}));
  EXPECT_EQ(Slice(b, r2 + 4, 2), B({0x00, 0x20}));
  EXPECT_EQ(Slice(b, r2 + 12, 3), B({0x00, 0x80, 0x54}));  // centred, two rows
  EXPECT_EQ(Slice(b, r2 + 20, 3), B({'U', 'p', 0x7F}));
  EXPECT_EQ(b[r2 + 75], 49);  // row 2: 2 x 21 + 7
  EXPECT_EQ(Slice(b, r2 + 77, 5), B({'D', 'o', 'w', 'n', 0x7F}));
}

TEST(Scan890Writer, NumbersAlignmentsAndCues) {
  std::vector<Subtitle> subs(291, Sub("x"));
  subs[17].alignment = AlignLeft;
  subs[290].alignment = AlignCentreLeft;
  subs[2].alignment = AlignRight;
  subs[5].inCue = "01000000";  // 3600 s x 25 = 90000 frames
  const Bytes b = Write(Doc(subs));
  auto rec = [&](std::size_t n) { return 384 + 128 * (n - 1); };
  EXPECT_EQ(Slice(b, rec(18) + 4, 2), B({0x01, 0x20}));
  EXPECT_EQ(Slice(b, rec(291) + 4, 2), B({0x12, 0x30}));
  EXPECT_EQ(b[rec(18) + 14], 0x50);
  EXPECT_EQ(b[rec(3) + 14], 0x52);
  EXPECT_EQ(b[rec(291) + 14], 0x56);
  EXPECT_EQ(Slice(b, rec(6) + 6, 3), B({0x01, 0x5F, 0x90}));
}

TEST(Scan890Writer, LatinTableMarkupAndWarnings) {
  Subtitle s = Sub("\xC3\xA9\xC4\x8D-#\xE2\x80\x93<i>\x01r\x07");  // é č - # – <i> red, white
  Warnings w;
  Bytes b = Write(Doc({s}), &w);
  EXPECT_EQ(Slice(b, 384 + 77, 13), B({0x82, 'e', 0x84, 'c', 0xBE, 0xE1, 0x2D, 0x88, 'i', 0x98, 0xF1, 'r', 0x7F}));
  ASSERT_EQ(w.size(), 1u);
  EXPECT_EQ(w[0], "Subtitle 0001: the white colour code was left out (white is the 890 default)");

  Subtitle italic = Sub("a\r\nb");
  italic.italic = true;
  b = Write(Doc({italic}));
  EXPECT_EQ(Slice(b, 384 + 20, 4), B({0x88, 'a', 0x98, 0x7F}));

  Subtitle bad = Sub(std::string(60, 'x') + "\r\nb\r\nc\xE2\x84\xA2");
  bad.comment = "c";
  std::vector<Subtitle> many(4096, Sub("n"));
  many[0] = bad;
  b = Write(Doc(many), &w);
  EXPECT_EQ(Slice(b, 384 + 20, 51), Bytes(51, 'x'));
  EXPECT_EQ(Slice(b, 384 + 77, 4), B({'b', ' ', 'c', 0x7F}));
  EXPECT_EQ(Slice(b, 384 + 128 * 4095 + 4, 2), B({0x00, 0x00}));  // 4096 does not fit
  const Warnings expected = {
      "Subtitle 0001 has 3 rows; 890 records hold two, so rows 3 on were joined to row 2",
      "Subtitle 0001: a row longer than 51 bytes was cut",
      "Subtitle 0001: characters outside the 890 table were left out: U+2122 \"\xE2\x84\xA2\"",
      "890 subtitle numbers end at 4095; later subtitles were numbered from 0 again",
      "890 files carry no comments: 1 subtitle comments were left out",
  };
  EXPECT_EQ(w, expected);
}

TEST(Scan890Reader, HandBuiltFile) {
  Warnings w;
  const SubtitleDocument d = Read890(ReadData("header_and_two_records.890"), {}, w);
  EXPECT_TRUE(w.empty());
  ASSERT_EQ(d.Count(), 2u);
  EXPECT_EQ(d.At(0).text, "Caf\xC3\xA9 - na\xC7\x90ve");
  EXPECT_EQ(d.At(0).inCue, "00000100");
  EXPECT_EQ(d.At(0).outCue, "00000400");
  EXPECT_EQ(d.At(0).alignment, AlignCentre);
  EXPECT_EQ(d.At(0).row, 0);
  EXPECT_EQ(d.At(1).text, "<Two>\r\n\x01rows \xE2\x80\x93 #");
  EXPECT_FALSE(d.At(1).italic);
  EXPECT_EQ(d.At(1).alignment, AlignLeft);
  EXPECT_EQ(d.At(1).row, 2);
  EXPECT_EQ(d.Property(k890TapeNumber), "TAPE 0042");
  EXPECT_EQ(d.Property(k890TranslatedProgrammeTitle), "The Long Night");
  EXPECT_EQ(d.Property(k890Translator), "A. Translator");
  EXPECT_EQ(d.Property(k890CreationTime), "240315143005");
  EXPECT_EQ(d.Property(k890Font), "VFONTL.V");
  EXPECT_EQ(d.Property("890.Field18"), "0909");
}

TEST(Scan890RoundTrip, FileDocumentFileKeepsTheBytes) {
  const Bytes original = ReadData("header_and_two_records.890");
  Warnings w;
  const Bytes again = Write(Read(original), &w);
  EXPECT_TRUE(w.empty());
  EXPECT_EQ(again, original);
}

TEST(Scan890RoundTrip, DocumentFileDocumentKeepsEveryField) {
  Subtitle a = Sub("\xC3\x85sa \xC5\x81\xC3\xB3\xC5\xBC \xE2\x82\xAC", "10000000", "10000312");
  a.alignment = AlignCentreLeft;
  a.row = 11;
  Subtitle b = Sub("Whole " + EscapeLiterals("[1]") + "\r\nitalic");  // brackets as characters
  b.italic = true;
  b.alignment = AlignRight;
  SubtitleDocument d = Doc({a, b});
  d.SetProperty(k890Comments, "Final version");
  d.SetProperty("890.Field33", std::string(52, 'A'));
  SubtitleDocument back = Read(Write(d));
  for (std::size_t i = 0; i < 2; ++i) EXPECT_EQ(back.At(i), d.At(i));
  EXPECT_EQ(back.Property(k890Comments), "Final version");
  EXPECT_EQ(back.Property("890.Field33"), std::string(52, 'A'));
  EXPECT_EQ(back.Property(k890Font), "VFONTL.V");

  SubtitleDocument cyr = Doc({Sub("\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xD0\xBC\xD0\xB8\xD1\x80")}, 204);
  back = Read(Write(cyr));
  EXPECT_EQ(back.Property(k890Font), "KYRILL.V");
  EXPECT_EQ(back.characterSet(), 204);
  EXPECT_EQ(back.At(0).text, cyr.At(0).text);
  SubtitleDocument ara = Doc({Sub("\xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7 \xD8\xA3")}, 178);
  back = Read(Write(ara));
  EXPECT_EQ(back.Property(k890Font), "ARABIC.V");
  EXPECT_EQ(back.At(0).text, ara.At(0).text);
}

TEST(Scan890Reader, BadInput) {
  Warnings w;
  try {
    Read890(Bytes(383, 0), {}, w);
    FAIL();
  } catch (const UserError& e) {
    EXPECT_EQ(e.text(), "This is not a valid 890 file");
  }
  Bytes cut = ReadData("header_and_two_records.890");
  cut.resize(cut.size() - 1);
  EXPECT_EQ(Read890(cut, {}, w).Count(), 1u);
  EXPECT_EQ(w.back(), "The file ends inside the record of Subtitle 0002; the subtitles before it were loaded");
  SubtitleDocument d;
  d.SetProperty("890.Field0", "zz");
  Write890(d, Fixed(), w);
  EXPECT_EQ(w.back(), "The 890 header property 890.Field0 is not 2 bytes in hexadecimal; zeros were written");
}

}  // namespace
}  // namespace kipo
