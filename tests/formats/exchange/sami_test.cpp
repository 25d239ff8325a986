// SAMI captions: files as media tools and caption houses write them read with their
// cues and text (half frames round up, as for every millisecond format), and ffmpeg finds our captions at their times.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "formats/exchange/sami.h"
#include "formats/exchange/subrip.h"
#include "formats/exchange/text_encoding.h"
#include "platform/files.h"
#include "platform/user_error.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

const FrameRate kPal = *FrameRate::FromCode(25);

struct Expected {
  const char *in, *out, *text;
};

TEST(Sami, ForeignFilesRead) {
  struct Case {
    const char* what;
    std::string file;
    std::vector<Expected> cues;
    bool warns = false;
  };
  const std::vector<Case> cases = {
      {"lower-case tags, no closing tags, LF line ends, a line break inside the text",
       "<sami><head><title>t</title></head><body>\n<sync start=1000><p class=ENCC>Hello\nworld<br/>second\n"
       "<sync start=3480><p class=ENCC>&nbsp;\n</body></sami>\n",
       {{"00000100", "00000312", "Hello world\r\nsecond"}}},
      {"two languages: the first class is read and the other named",
       "<SAMI><BODY>\r\n<SYNC Start=\"0\"><P Class=ENUSCC>One<P Class=FRFRCC>Un</SYNC>\r\n"
       "<SYNC Start='2000'><P Class=ENUSCC>Two<P Class=FRFRCC>Deux\r\n<SYNC Start=4000><P Class=ENUSCC>&nbsp;\r\n"
       "</BODY></SAMI>",
       {{"00000000", "00000200", "One"}, {"00000200", "00000400", "Two"}}, true},
      {"italics, entities, a font colour and a caption left open at the end",
       "\xEF\xBB\xBF<SAMI><BODY><SYNC Start=500><P><i>Leaning</i> &amp; &lt;b&gt; <font color=\"yellow\">gold</font>"
       "</P></SYNC><SYNC Start=1500><P>Open</P></SYNC></BODY></SAMI>",
       {{"00000013", "00000113", "<Leaning> & \xEE\x80\xBC" "b\xEE\x80\xBE \x03gold"}, {"00000113", "", "Open"}}, true},
      {"each P closed before the other language's, clearing captions of several &nbsp; and spaces, mixed-case tags",
       "<SAMI><BODY>\n<SYNC Start=1000><P Class=ENCC>First</P><P Class=FRCC>Premier</P>\n"
       "<SYNC Start=2000><P Class=ENCC> &nbsp; &nbsp; </P>\n<sync start=3000><p class=encc>  Second <BR> row </p></sync>\n"
       "<SYNC Start=4000><P Class=ENCC>&nbsp;</P></BODY></SAMI>",
       {{"00000100", "00000200", "First"}, {"00000300", "00000400", "Second\r\nrow"}}, true},
      {"a SYNC after the end of the body takes the rest of the file",
       "<SAMI><BODY><SYNC Start=100><P Class=A>In</P></BODY>\n<SYNC Start=2000><P Class=A>After<SYNC Start=3000><P Class=B>"
       "x</SAMI>",
       {{"00000003", "00000200", "In"}, {"00000200", "00000300", "After"}}, true},
      {"CR LF inside captions that </SYNC> closes without a </P>",
       "<SAMI>\r\n<BODY>\r\n<SYNC Start=1000>\r\n<P Class=ENCC>\r\nOne\r\ntwo<br>\r\nthree\r\n</SYNC>\r\n"
       "<SYNC Start=2000>\r\n<P Class=ENCC>&nbsp;\r\n</SYNC>\r\n</BODY>\r\n</SAMI>\r\n",
       {{"00000100", "00000200", "One two\r\nthree"}}},
      {"captions wrapped and indented in the file: each line end with the spaces around it is one space",
       "<SAMI>\r\n<BODY>\r\n  <SYNC Start=1000>\r\n    <P Class=ENCC>\r\n      Hello   \r\n\t\tthere,<br>\r\n"
       "      second  row\r\n    </P>\r\n  </SYNC>\r\n  <SYNC Start=2000><P Class=ENCC>&nbsp;</P></SYNC>\r\n</BODY></SAMI>",
       {{"00000100", "00000200", "Hello there,\r\nsecond  row"}}},
      {"the class spelled in other cases and quotes from caption to caption",
       "<SAMI><BODY>\n<SYNC Start=1000><P Class=ENCC>First</P></SYNC>\n<SYNC Start=2000><P class=\"encc\">Second</P></SYNC>\n"
       "<SYNC Start=3000><p CLASS='EnCc'>Third</p><P Class=FRCC>Troisieme</P></SYNC>\n"
       "<SYNC Start=4000><P Class=ENCC>&nbsp;</P></SYNC>\n</BODY></SAMI>",
       {{"00000100", "00000200", "First"}, {"00000200", "00000300", "Second"}, {"00000300", "00000400", "Third"}}, true},
      {"the start time after an attribute that holds the word, with spaces around '=' or quoted",
       "<SAMI><BODY><SYNC ID=restart Start = 1000><P>Spaced</P><SYNC start=\"2000\" id=2><P>&nbsp;</P></BODY></SAMI>",
       {{"00000100", "00000200", "Spaced"}}},
      {"a SYNC without a start time is skipped with a warning",
       "<SAMI><BODY><SYNC><P>Lost<SYNC Start=100><P>Kept<SYNC Start=900><P>&nbsp;</BODY></SAMI>",
       {{"00000003", "00000023", "Kept"}}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Warnings w;
    SubtitleDocument d = ReadSami(c.file, kPal, w);
    ASSERT_EQ(d.Count(), c.cues.size());
    for (std::size_t i = 0; i < c.cues.size(); ++i) {
      EXPECT_EQ(d.At(i).inCue.digits(), c.cues[i].in);
      EXPECT_EQ(d.At(i).outCue.digits(), c.cues[i].out);
      EXPECT_EQ(d.At(i).text, c.cues[i].text);
    }
    EXPECT_EQ(!w.empty(), c.warns);
  }
  Warnings w;
  EXPECT_THROW(ReadSami("<html><body>no captions</body></html>", kPal, w), UserError);
}

SubtitleDocument Sample(int code) {
  SubtitleDocument d;
  d.SetFrameRate(code);
  std::vector<Subtitle> subs;
  for (int i = 0; i < 30; ++i) {
    Subtitle s;
    // Every third caption follows the one before without a gap.
    const int start = i * 70 + (i % 3 == 0 ? 0 : 11);
    s.inCue = FramesToDigits(start, d.frameRate());
    s.outCue = FramesToDigits(i * 70 + 70, d.frameRate());
    s.text = i % 2 ? "<Italic> & words\r\nsecond row" : "Plain " + std::to_string(i);
    subs.push_back(s);
  }
  d.ReplaceAll(subs);
  return d;
}

TEST(Sami, OurFilesReadBackToTheFrame) {
  for (int code : {25, 24, 30, 29}) {
    SCOPED_TRACE(code);
    SubtitleDocument d = Sample(code);
    Warnings w;
    SubtitleDocument back = ReadSami(WriteSami(d, {}, w), d.frameRate(), w);
    ASSERT_EQ(back.Count(), d.Count());
    for (std::size_t i = 0; i < d.Count(); ++i) {
      EXPECT_EQ(back.At(i).inCue, d.At(i).inCue) << i;
      EXPECT_EQ(back.At(i).outCue, d.At(i).outCue) << i;
      EXPECT_EQ(back.At(i).text, d.At(i).text) << i;
    }
    EXPECT_TRUE(w.empty());
  }
}

TEST(Sami, FfmpegFindsOurCaptionsAtTheirTimes) {
  if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "ffmpeg is not installed";
  test::TempHome home;
  SubtitleDocument d = Sample(25);
  Warnings w;
  const Bytes smi = EncodeText(WriteSami(d, {}, w), TextEncoding::Utf8, "windows-1252");
  const std::filesystem::path ours = home / "ours.smi", srt = home / "back.srt";
  WriteFileAtomic(ours, smi);
  const std::string cmd = "ffmpeg -nostdin -v quiet -y -i '" + ours.string() + "' '" + srt.string() + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  Bytes bytes = ReadFileBytes(srt);
  SubtitleDocument back = ReadSubRip(DecodeImportText(bytes, TextEncoding::Utf8), d.frameRate(), w);
  ASSERT_EQ(back.Count(), d.Count());
  for (std::size_t i = 0; i < d.Count(); ++i) {
    EXPECT_EQ(back.At(i).inCue, d.At(i).inCue) << i;
    EXPECT_EQ(back.At(i).outCue, d.At(i).outCue) << i;
    EXPECT_EQ(back.At(i).text.substr(0, 5), d.At(i).text.substr(0, 5)) << i;
  }
}

}  // namespace
}  // namespace kipo
