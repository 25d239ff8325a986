#include <gtest/gtest.h>

#include "formats/exchange/microdvd.h"
#include "formats/exchange/sbv.h"
#include "formats/exchange/subrip.h"
#include "formats/exchange/webvtt.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

FrameRate Rate(int code) { return *FrameRate::FromCode(code); }

Subtitle Sub(std::string in, std::string out, std::string text, int alignment = AlignCentre, int row = 0) {
  Subtitle s;
  s.inCue = std::move(in);
  s.outCue = std::move(out);
  s.text = std::move(text);
  s.alignment = alignment;
  s.row = row;
  return s;
}

SubtitleDocument Doc(std::vector<Subtitle> subs, int rate = 25) {
  SubtitleDocument d;
  d.SetFrameRate(rate);
  d.ReplaceAll(std::move(subs));
  return d;
}

TEST(SubRipWrite, LayoutOfCuesTextAndFileEnd) {
  Warnings w;
  SubtitleDocument d = Doc({Sub("00000100", "", "Open end"), Sub("01020312", "01020400", "<Line> one\r\nLine two")});
  std::string out = WriteSubRip(d, {}, w);
  // No out cue: the line ends after the arrow and its space; the file has no final line end.
  EXPECT_EQ(out,
            "1\r\n00:00:01,000 --> \r\nOpen end\r\n\r\n"
            "2\r\n01:02:03,480 --> 01:02:04,000\r\n<i>Line</i> one\r\nLine two");
  d.SetItalic(0, true);
  EXPECT_NE(WriteSubRip(d, {}, w).find("<i>Open end</i>"), std::string::npos);
}

TEST(SubRipWrite, TagBlockAndPositionDigits) {
  SubRipOptions o;
  o.tags = true;
  Warnings w;
  std::string out = WriteSubRip(Doc({Sub("00000100", "00000200", "A\r\nB")}), o, w);
  EXPECT_NE(out.find("{\\an2 \\fnArial \\fs24 \\b0 \\bord1 \\blur1 \\shad1}A\r\n"
                     "{\\an2 \\fnArial \\fs24 \\b0 \\bord1 \\blur1 \\shad1}B"),
            std::string::npos)
      << out;
  struct Case { int alignment, row, digit; };
  for (Case c : {Case{AlignLeft, 0, 1}, Case{AlignCentre, 2, 2}, Case{AlignRight, 1, 3}, Case{AlignLeft, 3, 4},
                 Case{AlignCentreLeft, 7, 5}, Case{AlignRight, 5, 6}, Case{AlignLeft, 8, 7}, Case{AlignCentre, 11, 8},
                 Case{AlignRight, 9, 9}, Case{AlignCentre, -1, 2}, Case{7, 0, 2}}) {
    SCOPED_TRACE(std::to_string(c.alignment) + "/" + std::to_string(c.row));
    EXPECT_EQ(SubRipPositionDigit(c.alignment, c.row), c.digit);
  }
}

TEST(SubRipWrite, RightToLeftMarksOnlyForHebrewAndArabic) {
  Warnings w;
  SubtitleDocument d = Doc({Sub("00000100", "00000200", "Shalom. Ok?")});
  EXPECT_EQ(WriteSubRip(d, {}, w).find("\xE2\x80\x8F"), std::string::npos);
  for (int cs : {177, 178}) {
    d.SetCharacterSet(static_cast<std::int16_t>(cs));
    EXPECT_NE(WriteSubRip(d, {}, w).find("Shalom.\xE2\x80\x8F Ok?\xE2\x80\x8F"), std::string::npos) << cs;
  }
}

TEST(SubRipRead, TimingLinesAsRealFilesCarryThem) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<std::pair<std::string, std::string>> cues;  // in, out digits
    std::vector<std::string> texts;
  };
  std::vector<Case> cases = {
      {"well formed, CR LF", "1\r\n00:00:01,000 --> 00:00:02,480\r\nHi\r\n\r\n2\r\n00:00:03,000 --> 00:00:04,000\r\nYo",
       {{"00000100", "00000212"}, {"00000300", "00000400"}}, {"Hi", "Yo"}},
      {"LF only, dot for comma, one-digit hours", "1\n0:00:01.000 --> 0:00:02.480\nHi\n",
       {{"00000100", "00000212"}}, {"Hi"}},
      {"CR only", "1\r00:00:01,000 --> 00:00:02,000\rHi\r\r2\r00:00:03,000 --> 00:00:04,000\rYo\r",
       {{"00000100", "00000200"}, {"00000300", "00000400"}}, {"Hi", "Yo"}},
      {"coordinates after the out time", "1\n00:00:01,000 --> 00:00:02,000  X1:100 X2:200 Y1:10 Y2:20\nHi\n",
       {{"00000100", "00000200"}}, {"Hi"}},
      {"missing and repeated numbers, extra blank lines",
       "\n\n00:00:01,000 --> 00:00:02,000\nA\n\n\n\n1\n00:00:03,000 --> 00:00:04,000\nB\n\n1\n00:00:05,000 --> "
       "00:00:06,000\nC\n\n\n",
       {{"00000100", "00000200"}, {"00000300", "00000400"}, {"00000500", "00000600"}}, {"A", "B", "C"}},
      {"a text line that is a number stays", "1\n00:00:01,000 --> 00:00:02,000\n1984\n\n2\n00:00:03,000 --> 00:00:04,000\nB",
       {{"00000100", "00000200"}, {"00000300", "00000400"}}, {"1984", "B"}},
      {"no blank line before the next number",
       "1\n00:00:01,000 --> 00:00:02,000\nA\n2\n00:00:03,000 --> 00:00:04,000\nB\n\n7\n00:00:05,000 --> "
       "00:00:06,000\nC\n8\n00:00:07,000 --> 00:00:08,000\nThe year\n1984\n00:00:09,000 --> 00:00:10,000\nD",
       {{"00000100", "00000200"}, {"00000300", "00000400"}, {"00000500", "00000600"}, {"00000700", "00000800"},
        {"00000900", "00001000"}},
       {"A", "B", "C", "The year\r\n1984", "D"}},
      {"byte-order mark and short milliseconds", "\xEF\xBB\xBF" "1\n00:00:01,5 --> 00:00:02,04\nHi",
       {{"00000113", "00000201"}}, {"Hi"}},  // 500 ms = 12.5 frames, rounded
      {"empty text", "1\n00:00:01,000 --> 00:00:02,000\n\n2\n00:00:03,000 --> 00:00:04,000\nB",
       {{"00000100", "00000200"}, {"00000300", "00000400"}}, {"", "B"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Warnings w;
    SubtitleDocument d = ReadSubRip(c.text, Rate(25), w);
    ASSERT_EQ(d.Count(), c.cues.size());
    for (std::size_t i = 0; i < d.Count(); ++i) {
      EXPECT_EQ(d.At(i).inCue, c.cues[i].first);
      EXPECT_EQ(d.At(i).outCue, c.cues[i].second);
      EXPECT_EQ(d.At(i).text, c.texts[i]);
    }
  }
}

TEST(SubRipRead, TagsPositionsAndRefusal) {
  Warnings w;
  SubtitleDocument d = ReadSubRip(
      "1\n00:00:01,000 --> 00:00:02,000\n{\\an8}Top\n\n"
      "2\n00:00:03,000 --> 00:00:04,000\n{\\an4 \\fnArial}<I>Mid</I> <b>bold</b>\n{\\an4 \\fnArial}<u>two</u>\n\n"
      "3\n00:00:05,000 --> 00:00:06,000\n<font color=\"#ff0000\">red</font>",
      Rate(25), w);
  ASSERT_EQ(d.Count(), 3u);
  EXPECT_EQ(d.At(0).text, "Top");
  EXPECT_EQ(d.At(0).alignment, AlignCentre);
  EXPECT_EQ(d.At(0).row, 10);
  EXPECT_EQ(d.At(1).text, "<Mid> bold\r\n[two]");
  EXPECT_EQ(d.At(1).alignment, AlignLeft);
  EXPECT_EQ(d.At(1).row, 4);  // (11 - 2) / 2
  EXPECT_EQ(d.At(2).text, "\x01red");
  EXPECT_EQ(d.At(2).alignment, AlignCentre);
  EXPECT_EQ(d.At(2).row, 0);
  for (const char* bad : {"", "hello\nworld", "1\n00:00:01,000 -> 00:00:02,000\nx"}) {
    SCOPED_TRACE(bad);
    try {
      ReadSubRip(bad, Rate(25), w);
      ADD_FAILURE() << "accepted";
    } catch (const UserError& e) {
      EXPECT_EQ(e.title(), "Invalid file format");
      EXPECT_EQ(e.text(), "This is not a valid SubRip file");
    }
  }
}

TEST(WebVttWrite, HeaderCuesNotesAndSettings) {
  SubtitleDocument d = Doc({Sub("00000100", "00000200", "<Hi> [there]"), Sub("00000300", "00000400", ""),
                            Sub("00000500", "00000600", "Left", AlignLeft), Sub("00000700", "00000800", "One", AlignCentreLeft)});
  d.SetComment(0, "First note");
  d.SetComment(3, "Last note");
  WebVttOptions o;
  o.includeComments = true;
  Warnings w;
  std::string out = WriteWebVtt(d, o, w);
  EXPECT_EQ(out,
            "WEBVTT \r\n\r\n"
            "1\r\n00:00:01.000 --> 00:00:02.000 align:center\r\n<i>Hi</i> <u>there</u>\r\n\r\nNOTE First note\r\n\r\n"
            "3\r\n00:00:05.000 --> 00:00:06.000 align:start\r\nLeft\r\n\r\n"
            "4\r\n00:00:07.000 --> 00:00:08.000 align:center\r\nOne\r\n\r\nNOTE Last note\r\n");
  o.includePositioning = false;
  o.movieName = "Film";
  out = WriteWebVtt(d, o, w);
  EXPECT_TRUE(out.starts_with("WEBVTT Film\r\n\r\n1\r\n00:00:01.000 --> 00:00:02.000\r\n"));
}

TEST(WebVttWrite, CentredLeftBlockPosition) {
  // Two rows, the widest 20 characters at 10 px: w = 150; W = 720; left = 285; P = 40.
  FixedWidthMeasurer m(10);
  WebVttOptions o;
  o.measurer = &m;
  Subtitle s = Sub("00000100", "00000200", "<Short>\r\nTwenty characters!!!", AlignCentreLeft);
  EXPECT_EQ(WebVttCueSettings(s, o, m), " align:start position:40%");
  o.frameWidth = DisplayFormatWidth(4);  // 1920: left = 885, P = 46
  EXPECT_EQ(WebVttCueSettings(s, o, m), " align:start position:46%");
  // The real text layout's widths are tested with the pictures' layout (tests/imaging).
}

TEST(WebVttRead, CuesWithAndWithoutIdentifiersAndNotes) {
  Warnings w;
  SubtitleDocument d = ReadWebVtt(
      "\xEF\xBB\xBFWEBVTT - title\n\nSTYLE\n::cue { color: yellow }\n\n"
      "00:01.000 --> 00:02.480 align:start\n<i>Hi</i> &amp; <c.yellow>you</c>\n\n"
      "NOTE a comment\nover two lines\n\n"
      "cue-2\n01:00:03.000 --> 01:00:04.000\n<v Bob>Yo</v>\n\n\n",
      Rate(25), w);
  ASSERT_EQ(d.Count(), 2u);
  EXPECT_EQ(d.At(0).inCue, "00000100");
  EXPECT_EQ(d.At(0).outCue, "00000212");
  EXPECT_EQ(d.At(0).text, "<Hi> & you");
  EXPECT_EQ(d.At(0).comment, "a comment\r\nover two lines");
  EXPECT_EQ(d.At(1).inCue, "01000300");
  EXPECT_EQ(d.At(1).text, "Yo");
  for (const char* bad : {"", "WEBVTTX\n\n", "1\n00:00:01.000 -> 00:00:02.000\nx"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(ReadWebVtt(bad, Rate(25), w), UserError);
  }
}

TEST(SbvAndMicroDvd, LayoutsAndReaders) {
  Warnings w;
  SubtitleDocument d = Doc({Sub("01020312", "01020400", "<A>\r\nB"), Sub("00011500", "00011810", "C")});
  EXPECT_EQ(WriteSbv(d, w), "1:02:03.480,1:02:04.000\r\n<i>A</i>\r\nB\r\n\r\n0:01:15.000,0:01:18.400\r\nC\r\n");
  EXPECT_EQ(WriteMicroDvd(d, w), "{93087}{93100}<i>A</i>|B\r\n{1875}{1960}C\r\n");
  SubtitleDocument s = ReadSbv("0:00:01.600,0:00:03.200\nHello\nthere\n\n\n0:00:04.000,0:00:05.000\nBye", Rate(25), w);
  ASSERT_EQ(s.Count(), 2u);
  EXPECT_EQ(s.At(0).inCue, "00000115");
  EXPECT_EQ(s.At(0).outCue, "00000305");
  EXPECT_EQ(s.At(0).text, "Hello\r\nthere");
  SubtitleDocument m = ReadMicroDvd("{1}{1}25.000\r\n{1875}{1960}Line one.|Line two.\r\n{y:i}{2000}{2100}x\r\n{2000}{2100}{y:i}It\r\n", Rate(25), w);
  ASSERT_EQ(m.Count(), 2u) << "the frame-rate line is not a subtitle; a line without counts is skipped";
  EXPECT_EQ(m.At(0).inCue, "00011500");
  EXPECT_EQ(m.At(0).text, "Line one.\r\nLine two.");
  EXPECT_TRUE(m.At(1).italic);
  EXPECT_EQ(m.At(1).text, "It");
  EXPECT_THROW(ReadSbv("nothing here", Rate(25), w), UserError);
  EXPECT_THROW(ReadMicroDvd("nothing here", Rate(25), w), UserError);
}

// Write -> read keeps every cue to the frame and the text with its italics, at every rate.
TEST(CueFormats, RoundTripsKeepCuesAndItalics) {
  for (int code : AllFrameRateCodes()) {
    FrameRate r = Rate(code);
    std::vector<Subtitle> subs;
    int fps = r.countingRate();
    for (int i = 0; i < 200; ++i) {
      Timecode in = i * 97 + (i % fps);
      CueDigits a = FramesToDigits(in, r), b = FramesToDigits(in + 31 + i % 7, r);
      subs.push_back(Sub(a, b, i % 3 ? "Plain " + std::to_string(i) : "<Italic> and\r\nsecond <row>"));
    }
    SubtitleDocument d = Doc(subs, code);
    struct Fmt {
      const char* name;
      std::function<SubtitleDocument(const SubtitleDocument&)> trip;
    };
    Warnings w;
    std::vector<Fmt> formats = {
        {"SubRip", [&](const SubtitleDocument& x) { return ReadSubRip(WriteSubRip(x, {}, w), r, w); }},
        {"WebVTT", [&](const SubtitleDocument& x) { return ReadWebVtt(WriteWebVtt(x, {}, w), r, w); }},
        {"SBV", [&](const SubtitleDocument& x) { return ReadSbv(WriteSbv(x, w), r, w); }},
        {"MicroDVD", [&](const SubtitleDocument& x) { return ReadMicroDvd(WriteMicroDvd(x, w), r, w); }},
    };
    for (const Fmt& f : formats) {
      SCOPED_TRACE(std::string(f.name) + " at " + r.label());
      SubtitleDocument back = f.trip(d);
      ASSERT_EQ(back.Count(), d.Count());
      for (std::size_t i = 0; i < d.Count(); ++i) {
        ASSERT_EQ(back.At(i).inCue, d.At(i).inCue) << i;
        ASSERT_EQ(back.At(i).outCue, d.At(i).outCue) << i;
        ASSERT_EQ(back.At(i).text, d.At(i).text) << i;
      }
    }
  }
}

}  // namespace
}  // namespace kipo
