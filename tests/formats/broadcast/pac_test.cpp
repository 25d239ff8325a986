#include "formats/broadcast/pac.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/rich_text.h"
#include "platform/files.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

Bytes B(std::initializer_list<int> v) {
  Bytes b;
  for (int x : v) b.push_back(static_cast<std::uint8_t>(x));
  return b;
}

Subtitle Sub(std::string text, std::string in = "10020304", std::string out = "10020410") {
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

Bytes Write(const SubtitleDocument& d, const PacWriteOptions& o = {}) {
  Warnings w;
  return WritePac(d, o, w);
}

SubtitleDocument Read(const Bytes& b, std::int16_t charset = 0, bool colours = false) {
  Warnings w;
  PacReadOptions o;
  o.characterSet = charset;
  o.colours = colours;
  return ReadPac(b, o, w);
}

Bytes Slice(const Bytes& b, std::size_t from, std::size_t n) { return Bytes(b.begin() + from, b.begin() + from + n); }

Bytes ReadData(const char* name) { return ReadFileBytes(std::filesystem::path(KIPO_TEST_DATA) / "pac" / name); }

TEST(PacWriter, RecordLayoutFieldByField) {
  Subtitle s = Sub("Ab\r\nCd");
  s.alignment = AlignLeft;
  s.row = 2;
  const Bytes b = Write(Doc({s}));
  EXPECT_EQ(Slice(b, 0, 20), Bytes([] { Bytes h(20, 0); h[0] = 1; return h; }()));
  // number 1, mark, in cue 10:02:03:04 as words 1002 and 304, out cue words 1002 and 410
  EXPECT_EQ(Slice(b, 20, 14), B({0x00, 0x01, 0x00, 0x60, 0xEA, 0x03, 0x30, 0x01, 0xEA, 0x03, 0x9A, 0x01, 14, 0}));
  // row byte 11 - 2 - 1, box group, attribute group with the left code, rows
  EXPECT_EQ(Slice(b, 34, 14), B({8, 0x80, 0x80, 0x80, 0xFE, 0x01, 0x03, 'A', 'b', 0xFE, 0x01, 0x03, 'C', 'd'}));
  const Bytes trailer(b.end() - 31, b.end());
  Bytes expected = B({0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x11, 0x00});
  for (char c : std::string("dummy end of file")) expected.push_back(static_cast<std::uint8_t>(c));
  EXPECT_EQ(trailer, expected);
  EXPECT_EQ(b.size(), 20u + 28u + 31u);
}

TEST(PacWriter, AlignmentBoxAndRowByteOptions) {
  struct Case {
    const char* name;
    int alignment, box;
    PacWriteOptions options;
    std::uint8_t rowCode, boxByte;
  };
  PacWriteOptions house;
  house.allowMixedOutlines = false;
  house.houseOutlineStyle = 133;
  const Case cases[] = {
      {"right row break", AlignRight, BoxNone, {}, 0x00, 0x80},
      {"centre", AlignCentre, BoxNone, {}, 0x02, 0x80},
      {"own box when mixed outlines are allowed", AlignLeft, 131, {}, 0x01, 131},
      {"house outline when they are not", AlignLeft, 131, house, 0x01, 133},
      {"no box stays no box either way", AlignLeft, BoxNone, house, 0x01, 0x80},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Subtitle s = Sub("a\r\nb");
    s.alignment = c.alignment;
    s.boxStyle = c.box;
    const Bytes b = Write(Doc({s}), c.options);
    EXPECT_EQ(b[37], c.boxByte);
    EXPECT_EQ(b[39], c.rowCode);
    EXPECT_EQ(Slice(b, 42, 3), B({0xFE, c.rowCode, 0x03}));
  }
  Subtitle top = Sub("a\r\nb");
  top.row = 9;  // 11 - 9 - 1 = 1
  PacWriteOptions zero;
  zero.topRowZero = true;
  EXPECT_EQ(Write(Doc({top}))[34], 1);
  EXPECT_EQ(Write(Doc({top}), zero)[34], 0);
  zero.zeroBasedNumbering = true;
  EXPECT_EQ(Write(Doc({top, top}), zero)[20 + 26 + 1], 1);  // the second record says 1
}

TEST(PacWriter, ReportsWhatItCannotCarry) {
  Subtitle s = Sub("\xE2\x84\xA2 x\x01y\r\nb\r\nc");  // ™, a colour code, three rows
  s.comment = "note";
  SubtitleDocument d = Doc({s});
  Warnings w;
  const Bytes b = WritePac(d, PacWriteOptions{}, w);
  ASSERT_EQ(w.size(), 4u);
  EXPECT_EQ(w[0], "Subtitle 1 contains 3 lines");
  EXPECT_EQ(w[1], "Subtitle 0001: characters outside the PAC Latin table were left out: U+2122 \"\xE2\x84\xA2\"");
  EXPECT_EQ(w[2], "Subtitle 0001: colours were left out (colours are switched off)");
  EXPECT_EQ(w[3], "PAC files carry no comments: 1 subtitle comments were left out");
  EXPECT_EQ(Slice(b, 41, 4), B({' ', 'x', 'y', 0xFE}));
}

TEST(PacReader, RecordsOfEveryKind) {
  Warnings w;
  const SubtitleDocument d = ReadPac(ReadData("records_of_every_kind.pac"), PacReadOptions{}, w);
  EXPECT_TRUE(w.empty());
  ASSERT_EQ(d.Count(), 4u);  // the record with L = 4 is skipped
  const Subtitle& a = d.At(0);
  EXPECT_EQ(a.text, "\xC3\xA9 t\xE1\xBA\xBD\r\n# \xE2\x82\xAC \xC2\xA3");  // é tẽ / # € £
  EXPECT_EQ(a.inCue, "10001012");
  EXPECT_EQ(a.outCue, "10001520");
  EXPECT_EQ(a.alignment, AlignCentre);
  EXPECT_EQ(a.rowAlignments, "02000000000");  // the second row is left-aligned
  EXPECT_EQ(a.row, 0);
  EXPECT_EQ(a.boxStyle, BoxNone);
  const Subtitle& b = d.At(1);
  EXPECT_EQ(b.text, "Stra\xC3\x9F" "e");
  EXPECT_TRUE(b.italic);
  EXPECT_EQ(b.boxStyle, 130);
  const Subtitle& empty = d.At(2);
  EXPECT_EQ(empty.text, "");
  EXPECT_EQ(empty.inCue, "10003000");
  EXPECT_EQ(empty.alignment, AlignLeft);
  const Subtitle& c = d.At(3);  // no box group: the attribute group's third byte is the box
  EXPECT_EQ(c.text, "Ri\xC7\xA7ht");
  EXPECT_EQ(c.alignment, AlignRight);
  EXPECT_EQ(c.boxStyle, 131);
  EXPECT_EQ(c.row, 2);
  EXPECT_EQ(c.inCue, "");
  EXPECT_EQ(c.outCue, "");
}

TEST(PacReader, EndsAtEndOfFileWithoutTheEndRecord) {
  Warnings w;
  EXPECT_EQ(ReadPac(ReadData("no_end_record.pac"), PacReadOptions{}, w).Count(), 2u);
  EXPECT_TRUE(w.empty());
  // A record cut off by the end of the file leaves the ones before it.
  Bytes cut = ReadData("no_end_record.pac");
  cut.resize(cut.size() - 3);
  const SubtitleDocument d = ReadPac(cut, PacReadOptions{}, w);
  EXPECT_EQ(d.Count(), 1u);
  ASSERT_EQ(w.size(), 1u);
  EXPECT_EQ(w[0], "The file ends inside the record of Subtitle 0002; the subtitles before it were loaded");
}

TEST(PacReader, RefusesWhatIsNotAPacFile) {
  Warnings w;
  try {
    ReadPac(B({1, 0, 0}), PacReadOptions{}, w);
    FAIL();
  } catch (const UserError& e) {
    EXPECT_EQ(e.title(), "Invalid file format");
    EXPECT_EQ(e.text(), "This is not a valid PAC file");
  }
}

// A record whose length is too short for its contents ends the PAC file's subtitles as a
// file cut short does: the records before it stand, with a warning.
TEST(PacReader, BadRecordLengthKeepsTheRecordsBefore) {
  Bytes b = Write(Doc({Sub("One"), Sub("Two"), Sub("Three")}));
  const std::size_t second = 20 + 14 + (b[32] | b[33] << 8);
  b[second + 12] = 2;  // L = 2 is shorter than the row byte and attribute group
  b[second + 13] = 0;
  Warnings w;
  const SubtitleDocument d = ReadPac(b, PacReadOptions{}, w);
  ASSERT_EQ(d.Count(), 1u);
  EXPECT_EQ(d.At(0).text, "One");
  ASSERT_EQ(w.size(), 1u);
  EXPECT_EQ(w[0], "The record of Subtitle 0002 gives a length of 2 bytes, too short for its contents; the subtitles "
                  "before it were loaded");
}

TEST(PacText, LatinAccentsAndSpecialBytes) {
  struct Case {
    const char* name;
    Bytes bytes;
    const char* text;
  };
  const Case cases[] = {
      {"accent composes with its letter", B({0xE2, 'e', 0xE7, 'c', 0xEC, 'o', 0xE1, 'a'}), "\xC3\xA9\xC4\x8D\xC5\x91\xC3\xA5"},
      {"accent without a composed letter reads as the spacing accent", B({0xE0, 'x'}), "~x"},
      {"accent at the end of the text", B({'a', 0xE4}), "a^"},
      {"alternative spaces and the dropped byte", B({'a', 0x08, 'b', 0xFF, 'c', 0xF3}), "a b c"},
      {"pound and hash swap places", B({0x23, 0x80}), "\xC2\xA3#"},
      // Runs of text are decoded where they lie; what ends a run and what does not.
      {"the dropped byte between an accent and its letter", B({0xE2, 0xF3, 'e'}), "\xC3\xA9"},
      {"dropped bytes among accented letters", B({0xE2, 'e', 0xF3, 0xF3, 0xE7, 0xF3, 'c', 0xE1, 'A'}),
       "\xC3\xA9\xC4\x8D\xC3\x85"},
      {"a 0x1F that starts no marker is a byte of the text", B({'x', 0x1F, 'W', '1', 'y'}), "xW1y"},
      {"two accents on one letter read as themselves", B({0xE2, 0xE4, 'a'}), "\xC2\xB4^a"},
      {"an accent before a bracket", B({0xE2, '['}), "\xC2\xB4\xEE\x81\x9B"},
      {"an accent before a colour code has no letter", B({0xE2, 0x01, 'e'}), "\xC2\xB4" "e"},
      {"an accent on a letter without an accented form", B({0xE1, 'Z', 0xE2, 'I'}), "\xCB\x9AZ\xC3\x8D"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PacDecodedText t = DecodePacText(c.bytes, PacScript::Latin, {});
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_EQ(t.rows[0], c.text);
  }
  EXPECT_EQ(DecodePacText(B({1, 'r', 7}), PacScript::Latin, {.colours = true}).rows[0], "\x01r\x07");
  EXPECT_EQ(DecodePacText(B({1, 'r', 7}), PacScript::Latin, {}).rows[0], "r");
  PacEncodeReport report;
  EXPECT_EQ(EncodePacText({"\xC5\x81\xC3\xB3\xC5\xBC" "ko #"}, {2}, PacScript::Latin, {}, report),
            "\x9C\xE2o\xE8zko \x80");  // Łóżko #
  EXPECT_TRUE(report.unmappable.empty());
  // Decomposed letters (a mark after its letter) are composed before they are looked up.
  EXPECT_EQ(EncodePacText({"Cafe\xCC\x81 \xC3\xA9"}, {2}, PacScript::Latin, {}, report), "Caf\xE2" "e \xE2" "e");
  EXPECT_TRUE(report.unmappable.empty());
}

// Every language family: document -> PAC -> document keeps the text.
TEST(PacText, EveryFamilyRoundTrips) {
  struct Case {
    const char* name;
    std::int16_t charset;
    const char* text;
  };
  const Case cases[] = {
      {"Latin", 0, "Kr\xC3\xB3l \xC5\x82\xC3\xB3\xC5\xBCko \xC3\x86\xC3\x98 \xE2\x82\xAC 10%"},
      {"Greek", 161, "\xCE\x86\xCE\xBD\xCE\xB8\xCF\x81\xCF\x89\xCF\x80\xCE\xBF\xCF\x82 \xCE\x90 \xCE\xAC Bob"},
      {"Cyrillic", 204, "\xD0\x99\xD0\xBE\xD0\xB6, \xD1\x91\xD0\xB6. \xD0\x87 \xD0\xA1\xD0\xB2\xD0\xB5\xD1\x82\xD0\xB0!"},
      {"Hebrew", 177, "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D 12"},
      {"Arabic", 178, "\xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7 \xD8\xA3\xD8\xA6 \xD8\xA8\xD9\x8E\xD9\x91"},
      {"Chinese Simplified", 134, "\xE4\xBD\xA0\xE5\xA5\xBD\r\nHello"},
      {"Chinese Traditional", 136, "\xE8\xAC\x9D\xE8\xAC\x9D"},
      {"Korean", 129, "\xEC\x95\x88\xEB\x85\x95"},
      {"Japanese", 128, "\xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SubtitleDocument d = Doc({Sub(c.text)}, c.charset);
    Warnings w;
    const Bytes b = WritePac(d, PacWriteOptions{}, w);
    EXPECT_TRUE(w.empty()) << (w.empty() ? "" : w[0]);
    EXPECT_EQ(Read(b, c.charset).At(0).text, c.text);
  }
}

TEST(PacText, DoubleByteRowsCarryTheMarker) {
  PacEncodeReport report;
  const std::string b = EncodePacText({"ok", "\xE4\xBD\xA0"}, {2, 1}, PacScript::ChineseSimplified, {}, report);
  EXPECT_EQ(b, std::string("ok\xFE\x01\x03\x1FW16.\xC4\xE3"));
  // A lead byte of 0xFE before a trail byte is a character, not a row break.
  const PacDecodedText t = DecodePacText(B({0x1F, 'W', '1', '6', '.', 0xFE, 0x50, 0xFE, 0x02, 0x03, 'a'}),
                                         PacScript::ChineseSimplified, {});
  ASSERT_EQ(t.rows.size(), 2u);
  EXPECT_EQ(t.rows[1], "a");
}

TEST(PacRoundTrip, DocumentPacDocumentKeepsEveryField) {
  Subtitle a = Sub("<Hello> there\r\nsecond \x03row");
  a.alignment = AlignLeft;
  a.rowAlignments = "03000000000";
  a.row = 3;
  a.boxStyle = 132;
  Subtitle b = Sub("All italic\r\nrows", "", "");
  b.italic = true;
  b.alignment = AlignRight;
  Subtitle empty = Sub("", "00000000", "00000112");
  SubtitleDocument d = Doc({a, b, empty});
  PacWriteOptions o;
  o.colours = true;
  const SubtitleDocument back = Read(Write(d, o), 0, true);
  ASSERT_EQ(back.Count(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(back.At(i), d.At(i));
  }
}

TEST(PacRoundTrip, PacDocumentPacKeepsTheBytes) {
  const Bytes original = ReadData("records_of_every_kind.pac");
  const SubtitleDocument d = Read(original);
  // Records this writer would write the same way: the first two (box group present).
  const Bytes again = Write(Doc({d.At(0), d.At(1)}));
  const Bytes firstTwo = ReadData("no_end_record.pac");
  EXPECT_EQ(Bytes(again.begin(), again.end() - 31), firstTwo);
}

TEST(PacSave, SafetyCopyAndFailureMessage) {
  test::TempHome home;
  const auto path = home / "film.pac";
  test::WriteFile(path, "old contents");
  SubtitleDocument d = Doc({Sub("Fine")});
  EXPECT_TRUE(SavePacFile(d, path, {}).empty());
  EXPECT_EQ(ReadFileBytes(path), Write(d));
  EXPECT_FALSE(std::filesystem::exists(DataFolder() / "~$kipo.sav"));

  test::WriteFile(path, "old contents");
  SubtitleDocument huge = Doc({Sub("ok"), Sub(std::string(70000, 'x'))});
  try {
    SavePacFile(huge, path, {});
    FAIL();
  } catch (const UserError& e) {
    EXPECT_EQ(e.title(), kAppTitle);
    EXPECT_EQ(e.text(),
              "Cannot save file. This may be due to a faulty or full storage device, or may be an internal error. "
              "Try saving the file using a different name, a different path or different extension. You may also "
              "like to check subtitle 2.");
  }
  EXPECT_EQ(test::ReadFile(path), "old contents");  // the earlier file is back
}

// A "[" read as a character stays a character through a PAC file ("]" has no place in the
// Latin table); "<" and ">" are PAC's italics, so as characters they cannot be written and
// the warning names them.
TEST(PacRoundTrip, LiteralCharacters) {
  Subtitle a = Sub("<Door> " + EscapeLiterals("[slams"));
  Subtitle b = Sub(EscapeLiterals("a < b"));
  Warnings w;
  const Bytes bytes = WritePac(Doc({a, b}), {}, w);
  const SubtitleDocument back = Read(bytes);
  ASSERT_EQ(back.Count(), 2u);
  EXPECT_EQ(back.At(0).text, a.text);
  EXPECT_EQ(back.At(1).text, "a  b");
  ASSERT_EQ(w.size(), 1u);
  EXPECT_NE(w[0].find("Subtitle 0002"), std::string::npos) << w[0];
  EXPECT_NE(w[0].find("<"), std::string::npos) << w[0];
}

}  // namespace
}  // namespace kipo
