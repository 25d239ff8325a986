#include <gtest/gtest.h>

#include "core/legacy_wsb.h"
#include "core/native_file.h"
#include "core/text_file.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

SubtitleDocument Sample() {
  SubtitleDocument d(30, 1031, 0);
  Subtitle a;
  a.text = "Gr\xC3\xBC\xC3\x9F" "e\r\n<zwei>";
  a.inCue = "00000100";
  a.outCue = "00000312";
  a.alignment = AlignRight;
  a.italic = true;
  a.comment = "check";
  d.Append(a);
  Subtitle b;
  b.text = "no cues";
  d.Append(b);
  d.SetCurrentNumber(2);
  return d;
}

TEST(LegacyWsb, RecordsRoundTripAndCarryOnlyWhatTheyCan) {
  SubtitleDocument d = Sample();
  std::vector<std::string> warnings;
  Bytes b = WriteWsb(d, {}, warnings);
  EXPECT_TRUE(warnings.empty());
  ASSERT_EQ(b.size(), 4 * kWsbRecordLength);
  // Subtitle 1 is record 3: marker 311, its number, then its 130-character text.
  std::size_t r3 = 2 * kWsbRecordLength;
  EXPECT_EQ(b[r3] | (b[r3 + 1] << 8), 311);
  EXPECT_EQ(b[r3 + 2], 1);
  EXPECT_EQ(std::string(b.begin() + r3 + 4, b.begin() + r3 + 10), "Gr\xFC\xDF" "e\r");
  EXPECT_EQ(std::string(b.begin() + r3 + 236, b.begin() + r3 + 252), "0000010000000312");
  SubtitleDocument back = ReadWsb(b);
  EXPECT_EQ(back.frameRate().code, 30);
  EXPECT_EQ(back.languageId(), 1031);
  EXPECT_EQ(back.currentNumber(), 2);
  ASSERT_EQ(back.Count(), 2u);
  EXPECT_EQ(back.At(0), d.At(0));
  EXPECT_EQ(back.At(1), d.At(1));
  EXPECT_EQ(WriteWsb(back, {}, warnings), b);

  SCOPED_TRACE("text longer than the field is cut and reported");
  d.SetText(1, std::string(140, 'x'));
  WriteWsb(d, {}, warnings);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("0002"), std::string::npos);
}

TEST(LegacyWsb, FormatWarningsAndBadFiles) {
  SubtitleDocument d = Sample();
  EXPECT_TRUE(WsbFormatWarnings(d).empty());
  d.SetBoxStyle(0, BoxBoxedOutline);
  d.SetRow(1, 2);
  EXPECT_EQ(WsbFormatWarnings(d),
            (std::vector<std::string>{
                "Warning: one or more subtitles in this file contain outlining. This is not supported in WSB format",
                "Warning: one or more subtitles in this file contain vertical alignment codes. These are not supported "
                "in WSB format"}));
  std::vector<std::string> w;
  Bytes good = WriteWsb(Sample(), {}, w);
  for (Bytes bad : {Bytes(good.begin(), good.end() - 1), Bytes(251, 0), Bytes(504, ' ')}) {
    try {
      ReadWsb(bad);
      ADD_FAILURE() << "accepted " << bad.size() << " bytes";
    } catch (const UserError& e) {
      EXPECT_EQ(e.text(), kNotValidKipo);
    }
  }
}

TEST(TextFile, EveryEncodingRoundTripsAndIsDetected) {
  SubtitleDocument d = Sample();
  d.SetText(1, "");  // an empty subtitle keeps its place
  for (TextFileEncoding e : {TextFileEncoding::Ansi, TextFileEncoding::Unicode, TextFileEncoding::Utf8,
                             TextFileEncoding::BigEndian}) {
    SCOPED_TRACE(TextFileEncodingName(e));
    TextFileWriteOptions o;
    o.encoding = e;
    std::vector<std::string> warnings;
    Bytes b = WriteTextFile(d, o, warnings);
    EXPECT_EQ(DetectTextFileEncoding(b), e);
    TextFileReadOptions ro;
    ro.frameRateCode = 30;
    SubtitleDocument back = ReadTextFile(b, ro);
    ASSERT_EQ(back.Count(), 2u);
    EXPECT_EQ(back.At(0).text, d.At(0).text);
    EXPECT_EQ(back.At(0).inCue, "00000100");
    EXPECT_EQ(back.At(0).outCue, "00000312");
    EXPECT_EQ(back.At(1).text, "");
    EXPECT_EQ(back.At(1).inCue, "");
    EXPECT_EQ(WriteTextFile(back, o, warnings), b);
    // Italics flag, alignment and comment have no place in the layout.
    EXPECT_FALSE(warnings.empty());
  }
}

TEST(TextFile, UnstructuredTextBecomesSubtitlesWithoutCues) {
  std::string text = "First block\nstill first\n\n\n  \nSecond\r\n";
  SubtitleDocument d = ReadTextFile(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  ASSERT_EQ(d.Count(), 2u);
  EXPECT_EQ(d.At(0).text, "First block\r\nstill first");
  EXPECT_EQ(d.At(1).text, "Second");
  EXPECT_EQ(d.At(1).inCue, "");
  std::string latin = "Caf\xE9\n";  // not UTF-8: the ANSI code page
  auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(latin.data()), latin.size());
  EXPECT_EQ(DetectTextFileEncoding(bytes), TextFileEncoding::Ansi);
  EXPECT_EQ(ReadTextFile(bytes).At(0).text, "Caf\xC3\xA9");
}

}  // namespace
}  // namespace kipo
