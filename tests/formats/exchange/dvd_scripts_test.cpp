// The DVD authoring scripts, the spreadsheet file and the editors' timing lists: files
// written the way the tools and the people using them write them (other line ends, marks,
// headings, stray blank lines, drop-frame separators) read with the right cues and text;
// our own files read back exactly.
#include <gtest/gtest.h>

#include "core/markup.h"
#include "core/rich_text.h"
#include "formats/exchange/adobe_encore.h"
#include "formats/exchange/excel_csv.h"
#include "formats/exchange/script_text.h"
#include "formats/exchange/sonic_dvd_creator.h"
#include "formats/exchange/sony_dvd_architect.h"
#include "formats/exchange/spruce_stl.h"
#include "formats/exchange/tab_dvd_script.h"
#include "formats/exchange/tmpgenc.h"
#include "formats/exchange/ulead_dvd_workshop.h"
#include "formats/exchange/vegas_regions.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

using Reader = std::function<SubtitleDocument(std::string_view, const FrameRate&, Warnings&)>;
using Writer = std::function<std::string(const SubtitleDocument&, Warnings&)>;

const FrameRate kPal = *FrameRate::FromCode(25);

SubtitleDocument ReadCsv(std::string_view t, const FrameRate& r, Warnings& w) { return ReadExcelCsv(t, r, "<P>", w); }
std::string WriteCsv(const SubtitleDocument& d, Warnings& w) { return WriteExcelCsv(d, "<P>", w); }
SubtitleDocument ReadTab(std::string_view t, const FrameRate& r, Warnings& w) { return ReadTabDvdScript(t, r, w); }
std::string WriteSpruce(const SubtitleDocument& d, Warnings& w) { return WriteSpruceStl(d, DefaultSpruceHeader(), w); }

struct Expected {
  const char *in, *out, *text;
};

struct ForeignFile {
  const char* what;
  Reader read;
  std::string file;
  int rateCode;
  std::vector<Expected> cues;
  bool warns = false;  // something was skipped and said
};

TEST(DvdScripts, ForeignFilesReadAsTheirToolsMeantThem) {
  const std::vector<ForeignFile> files = {
      {"Encore, numbered, LF line ends, a second row below", &ReadAdobeEncore,
       "1 00:00:01:00 00:00:03:12 First row\nsecond row\n2 00:00:04:00 00:00:05:00 Next\n", 25,
       {{"00000100", "00000312", "First row\r\nsecond row"}, {"00000400", "00000500", "Next"}}},
      {"Encore at 29.97 drop-frame with ';' and tabs, a UTF-8 mark", &ReadAdobeEncore,
       "\xEF\xBB\xBF" "1\t00;00;01;29\t00;00;03;00\tCaf\xC3\xA9\r\n\r\n2\t00;01;00;02\t00;01;02;00\tTwo\r\n", 29,
       {{"00000129", "00000300", "Caf\xC3\xA9"}, {"00010002", "00010200", "Two"}}},
      {"Sony: cues then text, blank lines between, a stray blank line at the top", &ReadSonyDvdArchitect,
       "\r\n00:00:01:00\t00:00:02:00\tOne\r\nTwo\r\n\r\n\r\n00:00:03:00\t00:00:04:00\ta < b [sic]\r\n", 25,
       {{"00000100", "00000200", "One\r\nTwo"}, {"00000300", "00000400", "a \xEE\x80\xBC b \xEE\x81\x9Bsic\xEE\x81\x9D"}}},
      {"Sony with spaces and a dash between the cues", &ReadSonyDvdArchitect,
       "00:00:01:00 - 00:00:02:00  - Dialogue\n", 25, {{"00000100", "00000200", "- Dialogue"}}},
      {"Sonic with its heading and four-digit numbers", &ReadSonicDvdCreator,
       "Number\tStart\tEnd\tText\r\n\r\n0001\t00:00:01:00\t00:00:02:00\tHello\r\n", 25,
       {{"00000100", "00000200", "Hello"}}},
      {"Ulead with its file lines and ';' cues", &ReadUleadDvdWorkshop,
       "#Ulead subtitle format\r\n\r\n#Subtitle text begin\r\n#1 00;00;01;00 00;00;02;10\r\nRow one\r\nRow two\r\n\r\n"
       "#2 00;00;03;00 00;00;04;00\r\nThree\r\n#Subtitle text end\r\n",
       25, {{"00000100", "00000210", "Row one\r\nRow two"}, {"00000300", "00000400", "Three"}}},
      {"Spruce with a header, comments, ^I and ^U marks, '|' rows", &ReadSpruceStl,
       "$FontName = Arial\r\n// made for the master\r\n$TapeOffset = FALSE\r\n\r\n"
       "00:00:01:00 , 00:00:02:00 , ^IItalic^I and ^Uunder^U|second row\r\n"
       "00:00:03:00,00:00:04:00,Tight commas\r\n",
       25, {{"00000100", "00000200", "<Italic> and [under]\r\nsecond row"}, {"00000300", "00000400", "Tight commas"}}},
      {"Spruce italics over a row end become one stretch", &ReadSpruceStl,
       "00:00:01:00 , 00:00:02:00 , ^Irow one^I|^Irow two^I\n", 25, {{"00000100", "00000200", "<row one\r\nrow two>"}}},
      {"CSV saved by a spreadsheet in a comma-decimal locale", &ReadCsv,
       "Nr;In;Out;Text\r\n1;00:00:01:00;00:00:02:00;\"Quoted; with <P>two rows\"\r\n2;00:00:03:00;00:00:04:00;Plain\r\n"
       ";;;\r\n", 25,
       {{"00000100", "00000200", "Quoted; with \r\ntwo rows"}, {"00000300", "00000400", "Plain"}}},
      {"CSV with a line end inside a quoted field, doubled quotes and no number column", &ReadCsv,
       "In,Out,Text\n00:00:01:00,00:00:02:00,\"He said \"\"go\"\"\nnow\"\n", 25,
       {{"00000100", "00000200", "He said \"go\"\r\nnow"}}},
      {"Tab-separated script with a number column, '|' rows and <i>", &ReadTab,
       "No\tIn\tOut\tText\n1\t00:00:01:00\t00:00:02:00\t<i>One</i>|Two\n2\t00:00:03:00\t00:00:04:00\tThree\n", 25,
       {{"00000100", "00000200", "<One>\r\nTwo"}, {"00000300", "00000400", "Three"}}},
      {"TMPGEnc with its layout sections", &ReadTmpgEnc,
       "[LayoutData]\r\n\"Picture bottom layout\",4,Tahoma,0.07\r\n\r\n[LayoutDataEx]\r\n1,0\r\n\r\n[ItemData]\r\n"
       "1,1,\"00:00:01,000\",\"00:00:02,480\",0,\"One\\nTwo\"\r\n2,1,\"00:00:03,000\",\"00:00:04,000\",0,\"A, comma\"\r\n",
       25, {{"00000100", "00000212", "One\r\nTwo"}, {"00000300", "00000400", "A, comma"}}},
      {"Vegas list in timecodes", &ReadVegasRegions,
       "ID\tPosition\tLength\tName\r\n1\t00:00:01:00\t00:00:01:10\tFirst\r\n2\t00:00:03:00\t00:00:00:20\tSecond\r\n", 25,
       {{"00000100", "00000210", "First"}, {"00000300", "00000320", "Second"}}},
      {"Vegas list in clock time with commas", &ReadVegasRegions,
       "ID,Position,Length,Name\n1,00:00:01.000,00:00:01.480,First\n", 25, {{"00000100", "00000212", "First"}}},
      {"A script with a line of rubbish says so and reads the rest", &ReadAdobeEncore,
       "Made by hand\n1 00:00:01:00 00:00:02:00 Kept\n", 25, {{"00000100", "00000200", "Kept"}}, true},
  };
  for (const ForeignFile& f : files) {
    SCOPED_TRACE(f.what);
    Warnings w;
    SubtitleDocument doc = f.read(f.file, *FrameRate::FromCode(f.rateCode), w);
    ASSERT_EQ(doc.Count(), f.cues.size());
    for (std::size_t i = 0; i < f.cues.size(); ++i) {
      EXPECT_EQ(doc.At(i).inCue.digits(), f.cues[i].in);
      EXPECT_EQ(doc.At(i).outCue.digits(), f.cues[i].out);
      EXPECT_EQ(doc.At(i).text, f.cues[i].text);
    }
    EXPECT_EQ(!w.empty(), f.warns) << (w.empty() ? "" : w.front());
  }
}

struct Pair {
  const char* name;
  Writer write;
  Reader read;
  bool italics, underline;
};

const std::vector<Pair>& Pairs() {
  static const std::vector<Pair> pairs = {
      {"Adobe Encore", &WriteAdobeEncore, &ReadAdobeEncore, false, false},
      {"Sony DVD Architect", &WriteSonyDvdArchitect, &ReadSonyDvdArchitect, false, false},
      {"Sonic DVD Creator", &WriteSonicDvdCreator, &ReadSonicDvdCreator, false, false},
      {"Ulead DVD Workshop", &WriteUleadDvdWorkshop, &ReadUleadDvdWorkshop, false, false},
      {"Spruce STL", &WriteSpruce, &ReadSpruceStl, true, true},
      {"Excel CSV", &WriteCsv, &ReadCsv, true, false},
  };
  return pairs;
}

// Texts that trip writers up: literal markup characters, italics over a row end, commas,
// quotes and tabs, a text that looks like a cue line, accents and an empty text.
TEST(DvdScripts, SpruceItalicSwitchesAndFilesToldFromEbuStl) {
  // "$Italic" lines switch the italics of the subtitles after them; a line that is not a
  // cue at this rate (frame 50) does not shift the switches onto the wrong subtitles.
  Warnings w;
  const SubtitleDocument d = ReadSpruceStl(
      "$FontName = Arial\r\n$italic=true\r\n00:00:01:00 , 00:00:02:00 , One\r\n00:00:02:00 , 00:00:02:50 , Bad\r\n"
      "00:00:03:00 , 00:00:04:00 , Two\r\n$Italic = FALSE\r\n00:00:05:00 , 00:00:06:00 , Three\r\n"
      "$Italic = TRUE\r\n00:00:07:00 , 00:00:08:00 , ^IFour^I\r\n",
      *FrameRate::FromCode(25), w);
  ASSERT_EQ(d.Count(), 4u);
  const bool italic[] = {true, true, false, true};
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(d.At(i).italic, italic[i]) << d.At(i).text;
  EXPECT_EQ(d.At(1).text, "Two");

  struct Sniff {
    const char* what;
    std::string bytes;
    bool spruce;
  };
  const std::vector<Sniff> sniffs = {
      {"a header line", "$FontName = Arial\r\n", true},
      {"a comment first, after blank lines", "\r\n\r\n// reel 1\n00:00:01:00 , 00:00:02:00 , a\n", true},
      {"a cue line first, with a UTF-8 mark", "\xEF\xBB\xBF" "00:00:01:00 , 00:00:02:00 , a\r\n", true},
      {"UTF-16 little-endian", std::string("\xFF\xFE$\0F\0o\0n\0t\0", 12), true},
      {"an EBU STL header block", "850STL25.01" + std::string(1013, ' '), false},
      {"an EBU STL header of another code page", "437STL30.01", false},
      {"binary", std::string("\x00\x01\x02\x03", 4), false},
      {"words", "Hello there\r\n", false},
  };
  for (const Sniff& s : sniffs) {
    SCOPED_TRACE(s.what);
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(s.bytes.data()), s.bytes.size());
    EXPECT_EQ(LooksLikeSpruceStl(bytes), s.spruce);
  }
}

TEST(DvdScripts, OurFilesReadBackWithTheirTextAndCues) {
  const std::vector<std::string> texts = {
      "Plain",
      "a \xEE\x80\xBC b \xEE\x81\x9Bnote\xEE\x81\x9D",
      "<Two rows\r\nin italics>",
      "Commas, \"quotes\"; and semicolons",
      "2 00:00:01:00 00:00:02:00 looks like cues",
      "\xC3\x89t\xC3\xA9 \xE2\x80\x94 \xD0\x9F\xD1\x80\xD0\xB8",
      "[under] <it>",
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
      Warnings w;
      const std::string file = p.write(doc, w);
      Warnings rw;
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
      // What the file cannot hold is said once per kind.
      if (!p.italics || !p.underline) {
        EXPECT_FALSE(w.empty());
      }
    }
  }
}

TEST(DvdScripts, NothingReadableGivesTheFormatsMessage) {
  const std::vector<std::pair<const char*, Reader>> readers = {
      {"Encore", &ReadAdobeEncore},       {"Sony", &ReadSonyDvdArchitect}, {"Sonic", &ReadSonicDvdCreator},
      {"Ulead", &ReadUleadDvdWorkshop},   {"Spruce", &ReadSpruceStl},      {"CSV", &ReadCsv},
      {"Tab", &ReadTab},         {"TMPGEnc", &ReadTmpgEnc},       {"Vegas", &ReadVegasRegions}};
  for (const auto& [name, read] : readers) {
    SCOPED_TRACE(name);
    for (std::string_view bad : {std::string_view("just some words\nand more"), std::string_view("99:99:99:99 nonsense"),
                                 std::string_view("00:00:01:30\t00:00:02:00\tframe 30 at 25 fps")}) {
      Warnings w;
      try {
        SubtitleDocument d = read(bad, kPal, w);
        EXPECT_EQ(d.Count(), 0u);
      } catch (const UserError& e) {
        EXPECT_EQ(e.title(), "Invalid file format");
      }
    }
  }
}

}  // namespace
}  // namespace kipo
