// The text files of theatrical, surtitle, voice-over and other subtitling systems: files
// as those systems and their users write them read with the right cues and text, our own
// files read back exactly in every shape their options give.
#include <gtest/gtest.h>

#include "core/markup.h"
#include "formats/exchange/avid_nitris.h"
#include "formats/exchange/fab_shortform.h"
#include "formats/exchange/hoek.h"
#include "formats/exchange/plain_scripts.h"
#include "formats/exchange/qube.h"
#include "formats/exchange/softni.h"
#include "formats/exchange/surtitles.h"
#include "formats/exchange/swift_interchange.h"
#include "formats/exchange/swift_text.h"
#include "formats/exchange/titra.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

using Reader = std::function<SubtitleDocument(std::string_view, const FrameRate&, Warnings&)>;
using Writer = std::function<std::string(const SubtitleDocument&, Warnings&)>;

struct Expected {
  const char *in, *out, *text;
};

TEST(SubtitlerScripts, ForeignFilesRead) {
  struct Case {
    const char* what;
    Reader read;
    std::string file;
    std::vector<Expected> cues;
    bool warns = false;
  };
  const std::vector<Case> cases = {
      {"QUBE typed by hand: LF ends, one space between fields, trailing spaces", &ReadQube,
       "1 00:00:01:00 00:00:02:00  \nOne\n<i>Two</i>\n\n\n2 00:00:03:00 00:00:04:00\nThree", {
           {"00000100", "00000200", "One\r\n<Two>"}, {"00000300", "00000400", "Three"}}},
      {"Titra with a lone CR line end and an accent in ANSI already decoded", &ReadTitra,
       "1\t00:00:01:00\t00:00:02:00\tCaf\xC3\xA9|<i>noir</i>\r2\t00:00:03:00\t00:00:04:00\tX\r",
       {{"00000100", "00000200", "Caf\xC3\xA9\r\n<noir>"}, {"00000300", "00000400", "X"}}},
      {"FAB rows with and without their mark", [](std::string_view t, const FrameRate& r, Warnings& w) {
         return ReadFabShortform(t, r, "C", w);
       },
       "1 00:00:01:00 00:00:02:00\r\nC First\r\nSecond typed without the mark\r\n\r\n", {
           {"00000100", "00000200", "First\r\nSecond typed without the mark"}}},
      {"Nitris with comment lines and spaces around rows", &ReadAvidNitris,
       "@ made for reel 2\r\n<begin subtitles>\r\n\r\n00;00;01;00 00;00;02;00\r\n Padded \r\n\r\n<end subtitles>\r\n",
       {{"00000100", "00000200", "Padded"}}},
      {"Swift text with lower-case keys and a missing duration", &ReadSwiftText,
       "TITLE: Film\r\n\r\nSubtitle: 1\r\nTimeIn: 00:00:01:00\r\nTimeOut: 00:00:02:00\r\nHello\r\nthere\r\n\r\n"
       "SUBTITLE: 2\r\nTIMEIN: 00:00:03:00\r\nDURATION: 01:00\r\nTIMEOUT: 00:00:04:00\r\n<i>Bye</i>\r\n",
       {{"00000100", "00000200", "Hello\r\nthere"}, {"00000300", "00000400", "<Bye>"}}},
      {"SIF with comments, spaces around keys and a subtitle without cues", &ReadSwiftInterchange,
       "; exported\r\n[SIF]\r\nVersion=1\r\n\r\n[Subtitle 1]\r\n In = 00:00:01:00\r\nOut=00:00:02:00\r\nRow=One\r\n"
       "Row=<u>two</u> = 2\r\n[Subtitle 2]\r\nRow=lost\r\n",
       {{"00000100", "00000200", "One\r\n[two] = 2"}}, true},
      {"Softni with its part lines, '[' italics and a dot before the frames", &ReadSoftni,
       "*PART" " 1*\r\n00:00:00.00\\00:00:00.00\r\nFirst row\r\n[Leaning row\r\n00:00:01.00\\00:00:02.00\r\n"
       "Next\r\n00:00:03.00\\00:00:04.00\r\n*END*\r\n",
       {{"00000100", "00000200", "First row\r\n<Leaning row>"}, {"00000300", "00000400", "Next"}}},
      {"CaptionMaker export with a heading and notes", &ReadCaptionMakerText,
       "Caption export\r\n# reel 1\r\n1 00:00:01:00 00:00:02:00 One\r\nTwo\r\n", {{"00000100", "00000200", "One\r\nTwo"}}},
      {"SDI Media text with the text below the cues", &ReadSdiMediaText,
       "0001 00:00:01:00 00:00:02:00\r\nOne\r\n\r\n", {{"00000100", "00000200", "One"}}},
      {"Screen structured ASCII with tab fields", &ReadScreenStructuredAscii,
       "[Header]\n1\t00:00:01:00\t00:00:02:00\tOne\n", {{"00000100", "00000200", "One"}}},
      {"A surtitle list with its heading", &ReadSurtitleCues,
       "Cue\tIn\tOut\tText\r\n1\t00:00:01:00\t00:00:02:00\tAria|second\r\n", {{"00000100", "00000200", "Aria\r\nsecond"}}},
      {"Hoek without frames and with '.' frames", &ReadHoek,
       "00:00:01 00:00:02\r\nNo frames\r\n\r\n00:00:03.12 00:00:04.00\r\nDot frames\r\n",
       {{"00000100", "00000200", "No frames"}, {"00000312", "00000400", "Dot frames"}}},
  };
  const FrameRate pal = *FrameRate::FromCode(25);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Warnings w;
    SubtitleDocument d = c.read(c.file, pal, w);
    ASSERT_EQ(d.Count(), c.cues.size());
    for (std::size_t i = 0; i < c.cues.size(); ++i) {
      EXPECT_EQ(d.At(i).inCue.digits(), c.cues[i].in);
      EXPECT_EQ(d.At(i).outCue.digits(), c.cues[i].out);
      EXPECT_EQ(d.At(i).text, c.cues[i].text);
    }
    EXPECT_EQ(!w.empty(), c.warns) << (w.empty() ? "" : w.front());
  }
}

struct Pair {
  std::string name;
  Writer write;
  Reader read;
  bool italics = true, underline = false;
};

std::vector<Pair> Pairs() {
  std::vector<Pair> pairs = {
      {"QUBE", &WriteQube, &ReadQube},
      {"Titra", &WriteTitra, &ReadTitra},
      {"Swift text", &WriteSwiftText, &ReadSwiftText},
      {"SIF", &WriteSwiftInterchange, &ReadSwiftInterchange, true, true},
      {"Sonya Friedman", &WriteSonyaFriedman, &ReadSurtitleCues},
      {"Figaro", &WriteFigaro, &ReadSurtitleCues},
  };
  for (const char* mark : {"C", "*", "Row:"})
    pairs.push_back({std::string("FAB with ") + mark,
                     [mark](const SubtitleDocument& d, Warnings& w) { return WriteFabShortform(d, mark, w); },
                     [mark](std::string_view t, const FrameRate& r, Warnings& w) { return ReadFabShortform(t, r, mark, w); }});
  for (bool spaces : {false, true})
    pairs.push_back({spaces ? "Nitris with spaces" : "Nitris",
                     [spaces](const SubtitleDocument& d, Warnings& w) {
                       NitrisOptions o;
                       o.addSpaces = spaces;
                       o.preset = "Lower third";
                       return WriteAvidNitris(d, o, w);
                     },
                     &ReadAvidNitris, false});
  for (int format : {0, 1})
    pairs.push_back({"Hoek format " + std::to_string(format),
                     [format](const SubtitleDocument& d, Warnings& w) {
                       HoekOptions o;
                       o.timecodeFormat = format;
                       return WriteHoek(d, o, w);
                     },
                     &ReadHoek});
  return pairs;
}

TEST(SubtitlerScripts, OurFilesReadBackWithTheirTextAndCues) {
  const std::vector<std::string> texts = {
      "Plain", "a \xEE\x80\xBC b \xEE\x81\x9Bnote\xEE\x81\x9D", "<Two rows\r\nin italics>", "Commas, \"quotes\"; = signs",
      "1 00:00:01:00 00:00:02:00 looks like cues", "\xC3\x89t\xC3\xA9 \xE2\x80\x94 \xD0\x9F\xD1\x80\xD0\xB8", "[under] <it>",
  };
  for (const Pair& p : Pairs()) {
    SCOPED_TRACE(p.name);
    for (int code : {25, 29, 24}) {
      SCOPED_TRACE(code);
      const FrameRate rate = *FrameRate::FromCode(code);
      SubtitleDocument doc;
      doc.SetFrameRate(code);
      std::vector<Subtitle> subs;
      for (std::size_t i = 0; i < texts.size(); ++i) {
        Subtitle s;
        s.inCue = FramesToDigits(static_cast<Timecode>(i * 97 + 3), rate);
        s.outCue = FramesToDigits(static_cast<Timecode>(i * 97 + 80), rate);
        s.text = texts[i];
        subs.push_back(s);
      }
      doc.ReplaceAll(subs);
      Warnings w, rw;
      const std::string file = p.write(doc, w);
      SubtitleDocument back = p.read(file, rate, rw);
      EXPECT_TRUE(rw.empty()) << rw.front();
      ASSERT_EQ(back.Count(), doc.Count()) << file;
      for (std::size_t i = 0; i < doc.Count(); ++i) {
        SCOPED_TRACE(texts[i]);
        EXPECT_EQ(back.At(i).inCue, doc.At(i).inCue);
        EXPECT_EQ(back.At(i).outCue, doc.At(i).outCue);
        std::string want;
        for (char c : texts[i]) {
          const bool lost = ((c == kItalicOn || c == kItalicOff) && !p.italics) ||
                            ((c == kUnderlineOn || c == kUnderlineOff) && !p.underline);
          if (!lost) want += c;
        }
        EXPECT_EQ(back.At(i).text, want);
      }
      if (!p.italics || !p.underline) {
        EXPECT_FALSE(w.empty()) << "the style the format cannot carry is named";
      }
    }
  }
}

TEST(SubtitlerScripts, OptionsShapeTheFile) {
  SubtitleDocument doc;
  Subtitle s;
  s.inCue = "00000112";
  s.outCue = "00000300";
  s.text = "One\r\nTwo";
  doc.Append(s);
  Warnings w;
  NitrisOptions nitris;
  nitris.timecodeOffset = "01:00:00:00";
  nitris.addSpaces = true;
  const std::string n = WriteAvidNitris(doc, nitris, w);
  EXPECT_NE(n.find("01:00:01:12 01:00:03:00\r\n One \r\n Two \r\n"), std::string::npos) << n;
  HoekOptions hoek;
  hoek.frames = false;
  hoek.rowsOnLines = false;
  w.clear();
  EXPECT_EQ(WriteHoek(doc, hoek, w), "00:00:01 00:00:03\r\nOne Two\r\n\r\n");
  EXPECT_EQ(w.size(), 2u) << "the lost frames and the joined rows are named";
  EXPECT_NE(WriteFabShortform(doc, "", w).find("\r\nC One\r\nC Two\r\n"), std::string::npos)
      << "an empty mark is the default";
}

}  // namespace
}  // namespace kipo
