#include "core/native_file.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/binary_io.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

// A document with every field of every record set to something other than its default.
SubtitleDocument FullDocument(std::int16_t charset = 0) {
  SubtitleDocument d(29, 1036, charset);
  Subtitle a;
  a.text = "<Bonjour> \x01" "caf\xC3\xA9\r\n[deux] lignes";
  a.inCue = "10000112";
  a.outCue = "10000305";
  a.alignment = AlignLeft;
  a.row = 3;
  a.italic = true;
  a.boxStyle = BoxGhostStripeOutline;
  a.shiftX = -7;
  a.shiftY = 12;
  a.rowAlignments = "23000000000";
  a.rowColours = "01700000000";
  a.comment = "note \xC3\xA0 relire";
  a.karaokeRole = -1;
  a.karaokeIn = 900;
  a.karaokeOut = 1000;
  d.Append(a);
  Subtitle b;  // no cues, a karaoke place
  b.text = "Sans cues";
  b.karaokeRole = 50;
  d.Append(b);
  d.SetNotes("Client: Festival \xC3\xA9" "dition 2024");
  d.SetCurrentNumber(2);
  return d;
}

std::int32_t Long(const Bytes& b, std::size_t at) {
  std::int32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

std::string Text(const Bytes& b, std::size_t at, std::size_t n) { return std::string(b.begin() + at, b.begin() + at + n); }

void ExpectSameDocument(const SubtitleDocument& a, const SubtitleDocument& b) {
  EXPECT_EQ(a.frameRate(), b.frameRate());
  EXPECT_EQ(a.characterSet(), b.characterSet());
  EXPECT_EQ(a.languageId(), b.languageId());
  EXPECT_EQ(a.notes(), b.notes());
  EXPECT_EQ(a.currentNumber(), b.currentNumber());
  ASSERT_EQ(a.Count(), b.Count());
  for (std::size_t i = 0; i < a.Count(); ++i) EXPECT_EQ(a.At(i), b.At(i)) << "subtitle " << i + 1;
}

TEST(NativeFile, WriteReadWriteKeepsEveryFieldAndEveryByte) {
  for (auto [variant, charset] : {std::pair{NativeVariant::Kpox, std::int16_t(0)},
                                  std::pair{NativeVariant::Kpo, std::int16_t(0)},
                                  std::pair{NativeVariant::Kpox, std::int16_t(204)}}) {
    SCOPED_TRACE(variant == NativeVariant::Kpox ? "kpox" : "kpo");
    SubtitleDocument doc = FullDocument(charset);
    if (charset == 204) {
      // Cyrillic text and notes: the notes are 8-bit text in the character set even in .kpox.
      doc.SetText(0, "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE2\x80\x94 \xF0\x9F\x8E\xAC");
      doc.SetNotes("\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82");
    }
    NativeWriteResult first = WriteNative(doc, variant);
    EXPECT_TRUE(first.warnings.empty());
    SubtitleDocument back = ReadNative(first.bytes, variant);
    ExpectSameDocument(doc, back);
    EXPECT_FALSE(back.modified);
    EXPECT_EQ(WriteNative(back, variant).bytes, first.bytes);
  }
}

TEST(NativeFile, HeaderLayout) {
  SubtitleDocument empty;
  Bytes b = WriteNative(empty, NativeVariant::Kpox).bytes;
  {
    SCOPED_TRACE("an empty document is the header alone");
    ASSERT_EQ(b.size(), 158u);
    EXPECT_EQ(Long(b, 0), 158);
    EXPECT_EQ(Long(b, 4), 7);
    EXPECT_EQ(Long(b, 12), 2057);
    EXPECT_EQ(Long(b, 16), 25);
    EXPECT_EQ(Long(b, 22), 0);
    EXPECT_EQ(Text(b, 30, 128), std::string("ForcedAlign=1\0Karaoke=1", 23) + std::string(105, ' '));
  }
  {
    SCOPED_TRACE("notes: flag text and a trailing block");
    SubtitleDocument d = FullDocument();
    Bytes k = WriteNative(d, NativeVariant::Kpo).bytes;
    EXPECT_EQ(Long(k, 4), 5);
    EXPECT_EQ(Long(k, 8), 0);
    EXPECT_EQ(Long(k, 12), 1036);
    EXPECT_EQ(Long(k, 22), 2);
    EXPECT_EQ(Long(k, 26), 2);
    EXPECT_EQ(Text(k, 30, 31), std::string("ForcedAlign=1\0Karaoke=1\0Notes=1", 31));
    // Notes in windows-1252: the e acute is one byte.
    std::string notes = "Client: Festival \xE9" "dition 2024";
    EXPECT_EQ(Text(k, k.size() - notes.size(), notes.size()), notes);
    EXPECT_EQ(Long(k, k.size() - notes.size() - 4), static_cast<std::int32_t>(notes.size()));
  }
  {
    SCOPED_TRACE("the .kpo record: cues, fields, lengths, the Double, then text and comment");
    SubtitleDocument d = FullDocument();
    Bytes k = WriteNative(d, NativeVariant::Kpo).bytes;
    EXPECT_EQ(Text(k, 158, 16), "1000011210000305");
    EXPECT_EQ(Long(k, 158 + 16), AlignLeft);
    EXPECT_NE(Long(k, 158 + 20), 0);
    EXPECT_EQ(Long(k, 158 + 24), BoxGhostStripeOutline);
    EXPECT_EQ(Long(k, 158 + 28), 3);
    EXPECT_EQ(static_cast<std::uint32_t>(Long(k, 158 + 32)), 0x000CFFF9u);  // shiftY 12 high, shiftX -7 low
    double colours;
    std::memcpy(&colours, k.data() + 158 + 44, 8);
    EXPECT_EQ(colours, 1700000000.0);
    std::int32_t t = Long(k, 158 + 36);
    EXPECT_EQ(Text(k, 158 + 52, static_cast<std::size_t>(t)), "<Bonjour> \x01" "caf\xE9\r\n[deux] lignes");
    // The second subtitle has no cues: sixteen spaces.
    std::size_t second = 158 + 52 + static_cast<std::size_t>(t + Long(k, 158 + 40));
    EXPECT_EQ(Text(k, second, 16), std::string(16, ' '));
  }
  {
    SCOPED_TRACE("the .kpox text is a counted UTF-16LE byte array");
    SubtitleDocument d;
    Subtitle s;
    s.text = "Hi";
    d.Append(s);
    Bytes k = WriteNative(d, NativeVariant::Kpox).bytes;
    std::size_t at = 158 + 36;
    EXPECT_EQ(Long(k, at), 4);
    EXPECT_EQ(Text(k, at + 4, 10), std::string("\x01\x00\x04\x00\x00\x00\x00\x00\x00\x00", 10));
    EXPECT_EQ(Text(k, at + 14, 4), std::string("H\0i\0", 4));
    EXPECT_EQ(k.size(), 158u + 36 + 18 + 14 + 8 + 112);
  }
}

TEST(NativeFile, FrameRateCodes) {
  struct Case {
    int choice;
    std::int32_t code;
    std::int16_t drop;
    int readBack;
  } cases[] = {{29, 30, -1, 29}, {30, 30, 0, 30}, {23, 23, 0, 23}, {24, 24, 0, 24},
               {59, 60, 0, 60}, {15, 15, 0, 15}, {48, 48, 0, 48},  {50, 50, 0, 50}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.choice);
    SubtitleDocument d(c.choice, 2057, 0);
    Bytes b = WriteNative(d, NativeVariant::Kpox).bytes;
    EXPECT_EQ(Long(b, 16), c.code);
    std::int16_t drop;
    std::memcpy(&drop, b.data() + 20, 2);
    EXPECT_EQ(drop, c.drop);
    EXPECT_EQ(ReadNative(b, NativeVariant::Kpox).frameRate().code, c.readBack);
  }
}

// Patches a Long of a written file.
void Put(Bytes& b, std::size_t at, std::int32_t v) { std::memcpy(b.data() + at, &v, 4); }

TEST(NativeFile, ReaderRepairsOutOfRangeValues) {
  SubtitleDocument d = FullDocument();
  Bytes b = WriteNative(d, NativeVariant::Kpo).bytes;
  std::size_t ext = b.size() - (d.notes().size() + 4) - 2 * 112;
  {
    SCOPED_TRACE("version 4: row alignments read, karaoke left at 0");
    Bytes old = b;
    Put(old, 4, 4);
    SubtitleDocument r = ReadNative(old, NativeVariant::Kpo);
    EXPECT_EQ(r.At(0).rowAlignments, "23000000000");
    EXPECT_EQ(r.At(0).karaokeRole, 0);
    EXPECT_EQ(r.At(0).karaokeIn, 0);
    EXPECT_EQ(r.At(1).karaokeRole, 0);
  }
  {
    SCOPED_TRACE("karaoke roles outside -1..50 become 0; in/out only for stanzas");
    Bytes bad = b;
    Put(bad, ext + 11, 51);
    Put(bad, ext + 112 + 11, -2);
    SubtitleDocument r = ReadNative(bad, NativeVariant::Kpo);
    EXPECT_EQ(r.At(0).karaokeRole, 0);
    EXPECT_EQ(r.At(0).karaokeIn, 0);
    EXPECT_EQ(r.At(1).karaokeRole, 0);
  }
  {
    SCOPED_TRACE("a stored box style below 1 reads as 128; a garbage Double as no colours");
    Bytes bad = b;
    Put(bad, 158 + 24, 0);
    double nan = -1.5;
    std::memcpy(bad.data() + 158 + 44, &nan, 8);
    SubtitleDocument r = ReadNative(bad, NativeVariant::Kpo);
    EXPECT_EQ(r.At(0).boxStyle, BoxNone);
    EXPECT_EQ(r.At(0).rowColours, kNoFlags);
  }
  {
    SCOPED_TRACE("a style of 0 or less is written as 128");
    SubtitleDocument z;
    Subtitle s;
    s.boxStyle = 0;
    z.Append(s);
    EXPECT_EQ(Long(WriteNative(z, NativeVariant::Kpo).bytes, 158 + 24), 128);
  }
}

TEST(NativeFile, BadFilesGiveTheFormatsMessage) {
  auto expectInvalid = [](std::span<const std::uint8_t> bytes, NativeVariant v) {
    try {
      ReadNative(bytes, v);
      ADD_FAILURE() << "accepted";
    } catch (const UserError& e) {
      EXPECT_EQ(e.title(), "Invalid file format");
      EXPECT_EQ(e.text(), v == NativeVariant::Kpox ? kNotValidKipoUnicode : kNotValidKipo);
    }
  };
  SubtitleDocument d = FullDocument();
  for (NativeVariant v : {NativeVariant::Kpo, NativeVariant::Kpox}) {
    SCOPED_TRACE(v == NativeVariant::Kpox ? "kpox" : "kpo");
    Bytes good = WriteNative(d, v).bytes;
    for (std::size_t n = 0; n < good.size(); ++n) expectInvalid(std::span(good).first(n), v);
    Bytes wrongLength = good;
    Put(wrongLength, 0, 157);
    expectInvalid(wrongLength, v);
    Bytes hugeCount = good;
    Put(hugeCount, 22, 0x7FFFFFFF);
    expectInvalid(hugeCount, v);
    Bytes negative = good;
    Put(negative, 22, -1);
    expectInvalid(negative, v);
    Bytes longText = good;
    Put(longText, 158 + 36, 0x7FFFFFF0);
    expectInvalid(longText, v);
  }
  {
    SCOPED_TRACE("under .kpox a version that is neither layout is refused");
    for (std::int32_t version : {0, 6, 8, -7}) {
      Bytes b = WriteNative(d, NativeVariant::Kpo).bytes;
      Put(b, 4, version);
      expectInvalid(b, NativeVariant::Kpox);
    }
  }
  {
    SCOPED_TRACE("array header that disagrees with its count");
    Bytes b = WriteNative(d, NativeVariant::Kpox).bytes;
    Put(b, 158 + 40 + 2, 3);
    expectInvalid(b, NativeVariant::Kpox);
  }
}

// Files get renamed: the header's version, not the extension, says how the records read.
TEST(NativeFile, LayoutFollowsTheHeaderVersionWhateverTheExtension) {
  const SubtitleDocument doc = FullDocument();
  for (NativeVariant written : {NativeVariant::Kpo, NativeVariant::Kpox}) {
    for (NativeVariant named : {NativeVariant::Kpo, NativeVariant::Kpox}) {
      SCOPED_TRACE(std::string(written == NativeVariant::Kpox ? "kpox" : "kpo") + " bytes named ." +
                   (named == NativeVariant::Kpox ? "kpox" : "kpo"));
      const Bytes bytes = WriteNative(doc, written).bytes;
      std::vector<std::string> warnings;
      SubtitleDocument back = ReadNative(bytes, named, {.warnings = &warnings});
      ExpectSameDocument(doc, back);
      EXPECT_TRUE(warnings.empty());
      EXPECT_EQ(WriteNative(back, written).bytes, bytes);
    }
  }
}

TEST(NativeFile, UnknownFrameRateCodeReadsWithAWarning) {
  const SubtitleDocument doc = FullDocument();
  for (NativeVariant v : {NativeVariant::Kpo, NativeVariant::Kpox}) {
    for (std::int32_t code : {0, 26, 31, 99, -30}) {
      SCOPED_TRACE(std::to_string(code) + (v == NativeVariant::Kpox ? " kpox" : " kpo"));
      Bytes b = WriteNative(doc, v).bytes;
      Put(b, 16, code);
      std::vector<std::string> warnings;
      SubtitleDocument back = ReadNative(b, v, {.warnings = &warnings});
      EXPECT_EQ(back.frameRate().code, 25);
      ASSERT_EQ(warnings.size(), 1u);
      EXPECT_EQ(warnings[0], UnknownNativeFrameRateWarning(code, back.frameRate()));
      EXPECT_NE(warnings[0].find(std::to_string(code)), std::string::npos);
      EXPECT_EQ(back.At(0), doc.At(0));  // only the rate was assumed
    }
  }
  {
    SCOPED_TRACE("every rate the program writes reads without a warning");
    for (int choice : AllFrameRateCodes()) {
      std::vector<std::string> warnings;
      ReadNative(WriteNative(SubtitleDocument(choice, 2057, 0), NativeVariant::Kpox).bytes, NativeVariant::Kpox,
                 {.warnings = &warnings});
      EXPECT_TRUE(warnings.empty()) << choice;
    }
  }
}

TEST(NativeFile, SaveTrimsAndListsSubtitlesWithTooManyRows) {
  SubtitleDocument d;
  for (int i = 0; i < 12; ++i) {
    Subtitle s;
    s.text = i == 11 ? "  one\r\ntwo\r\nthree\r\nfour  " : "  ok  ";
    d.Append(s);
  }
  NativeWriteOptions o;
  o.deleteSpaces = true;
  o.maxRows = 3;
  std::vector<std::string> trace;
  o.trace = [&](std::string_view l) { trace.emplace_back(l); };
  NativeWriteResult r = WriteNative(d, NativeVariant::Kpox, o);
  EXPECT_EQ(r.tooManyRows, std::vector<std::string>{"Subtitle 12 contains 4 lines"});
  SubtitleDocument back = ReadNative(r.bytes, NativeVariant::Kpox);
  EXPECT_EQ(back.At(0).text, "ok");
  EXPECT_EQ(back.At(11).text, "one\r\ntwo\r\nthree\r\nfour");
  ASSERT_EQ(trace.size(), 9u);
  EXPECT_EQ(trace.front(), "In MSF, prior to SCT");
  EXPECT_EQ(trace.back(), "In MSF, 8");
  o.deleteSpaces = false;
  EXPECT_EQ(ReadNative(WriteNative(d, NativeVariant::Kpox, o).bytes, NativeVariant::Kpox).At(0).text, "  ok  ");
}

TEST(NativeFile, KpoReportsCharactersItsCharacterSetLacks) {
  SubtitleDocument d;
  Subtitle s;
  s.text = "\xE4\xBD\xA0\xE5\xA5\xBD caf\xC3\xA9";  // Chinese + French in windows-1252
  d.Append(s);
  NativeWriteResult r = WriteNative(d, NativeVariant::Kpo);
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_NE(r.warnings[0].find("windows-1252"), std::string::npos);
  EXPECT_EQ(ReadNative(r.bytes, NativeVariant::Kpo).At(0).text, "?? caf\xC3\xA9");
  EXPECT_TRUE(WriteNative(d, NativeVariant::Kpox).warnings.empty());
}

}  // namespace
}  // namespace kipo
