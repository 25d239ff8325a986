// Reading cinema subtitle files: our own files of every dialect back to the document they
// came from, files as other tools and laboratories write them, and the refusals.
#include <gtest/gtest.h>

#include "core/markup.h"
#include "core/rich_text.h"
#include "formats/cinema/cinema_test_util.h"
#include "formats/cinema/dcinema_reader.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

std::span<const std::uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

SubtitleDocument Read(const std::string& xml, Warnings& w, int rateCode = 0, DlpOptions o = {}) {
  return ReadDcinemaXml(Bytes(xml), o, rateCode, BoldMarkers{}, w);
}

TEST(DcinemaRoundTrip, EveryDialectGivesBackTheDocument) {
  for (int rateCode : {24, 25, 23}) {
    const SubtitleDocument doc = test::CinemaSample(rateCode);
    for (DcVersion v : test::AllDcVersions()) {
      SCOPED_TRACE(DcVersionNames()[static_cast<int>(v)] + " at code " + std::to_string(rateCode));
      Warnings w;
      // Reels are timed at the document's own rate, so that no frame moves.
      const std::string xml = test::CinemaXml(doc, v, [&](DlpOptions& o) { o.dcdmFrameRate = rateCode == 25 ? 25 : 24; });
      SubtitleDocument back = Read(xml, w, rateCode);
      ASSERT_EQ(back.Count(), doc.Count());
      EXPECT_EQ(back.frameRate().countingRate(), doc.frameRate().countingRate());
      for (std::size_t i = 0; i < doc.Count(); ++i) {
        SCOPED_TRACE(doc.At(i).text);
        EXPECT_EQ(back.At(i).inCue, doc.At(i).inCue);
        EXPECT_EQ(back.At(i).outCue, doc.At(i).outCue);
        EXPECT_EQ(back.At(i).text, doc.At(i).text);
        EXPECT_EQ(back.At(i).row, doc.At(i).row);
        EXPECT_EQ(back.At(i).alignment, doc.At(i).alignment);
      }
      ASSERT_EQ(w.size(), 1u);  // the font
      EXPECT_NE(w[0].find("a document keeps no fonts"), std::string::npos);
    }
  }
}

// Files as others write them: LF line ends, a byte-order mark, the fraction time form,
// Fonts around whole subtitles, text over several lines, SMPTE with a default namespace.
TEST(DcinemaRead, FilesFromOtherTools) {
  struct Case {
    const char* what;
    std::string xml;
    int rateCode;
    std::vector<std::pair<std::string, std::string>> cues;  // in, out
    std::vector<std::string> texts;
    int expectRate;
  };
  const Case cases[] = {
      {"interop with LF, BOM, fraction times and subtitle-level fonts",
       "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<DCSubtitle Version=\"1.0\">\n"
       "<SubtitleID>40950d85-63eb-4ee2-b1e8-45c126601b94</SubtitleID><MovieTitle>Film</MovieTitle>\n"
       "<ReelNumber>1</ReelNumber><Language>French</Language>\n"
       "<LoadFont Id=\"theFont\" URI=\"font.ttf\"/>\n"
       "<Font Id=\"theFont\" Size=\"39\" Color=\"FFFFFFFF\" Effect=\"border\">\n"
       "  <Subtitle SpotNumber=\"1\" TimeIn=\"00:00:05.500\" TimeOut=\"00:00:07.04\">\n"
       "    <Font Italic=\"yes\"><Text VAlign=\"bottom\" VPosition=\"10\">Bonjour</Text></Font>\n"
       "  </Subtitle>\n"
       "  <Subtitle SpotNumber=\"2\" TimeIn=\"00:01:00:125\" TimeOut=\"00:01:02:000\">\n"
       "    <Text VAlign=\"bottom\" VPosition=\"16\">\n      premi\xC3\xA8re\n    </Text>\n"
       "    <Text VAlign=\"bottom\" VPosition=\"10\">et <Font Color=\"FFFFFF00\">jaune</Font></Text>\n"
       "  </Subtitle>\n</Font>\n</DCSubtitle>\n",
       25,
       {{"00000513", "00000701"}, {"00010013", "00010200"}},  // half a second rounds up
       {"<Bonjour>", "premi\xC3\xA8re\r\net \x03jaune"},
       25},
      {"SMPTE 2010 without a prefix, 25 fps, CR LF",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
       "<SubtitleReel xmlns=\"http://www.smpte-ra.org/schemas/428-7/2010/DCST\" "
       "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">\r\n"
       "<Id>urn:uuid:40950d85-63eb-4ee2-b1e8-45c126601b94</Id><ContentTitleText>F</ContentTitleText>\r\n"
       "<IssueDate>2020-01-01T00:00:00</IssueDate><ReelNumber>2</ReelNumber><Language>de</Language>\r\n"
       "<EditRate>25 1</EditRate><TimeCodeRate>25</TimeCodeRate><StartTime>00:00:00:00</StartTime>\r\n"
       "<LoadFont ID=\"f\">urn:uuid:3dec6dc0-39d0-498d-97d0-928d2eb78391</LoadFont>\r\n<SubtitleList>\r\n"
       "<Font ID=\"f\" Size=\"42\" Weight=\"normal\" Color=\"FFFFFFFF\">\r\n"
       "<Subtitle SpotNumber=\"1\" TimeIn=\"00:00:10:05\" TimeOut=\"00:00:12:24\" FadeUpTime=\"00:00:00:00\">\r\n"
       "<Text Valign=\"top\" Vposition=\"10\" Halign=\"left\" Hposition=\"10\" Zposition=\"-1.5\">oben links</Text>\r\n"
       "</Subtitle>\r\n<Subtitle SpotNumber=\"2\" TimeIn=\"00:00:13:00\" TimeOut=\"00:00:14:00\">\r\n"
       "<Image Vposition=\"10\">urn:uuid:11111111-2222-4333-8444-555555555555</Image>\r\n"
       "</Subtitle>\r\n</Font>\r\n</SubtitleList>\r\n</SubtitleReel>\r\n",
       0,
       {{"00001005", "00001224"}, {"00001300", "00001400"}},
       {"oben links", ""},
       25},
      {"Japanese across nested fonts, times with spaces, a font loaded inside the reel",
       "<DCSubtitle Version=\"1.0\"><LoadFont Id=\"jp\" URI=\"MS-Mincho.ttf\"/><Font Id=\"jp\" Size=\"42\">"
       "<Subtitle SpotNumber=\"1\" TimeIn=\" 00:00:01:000 \" TimeOut=\"00:00:02:125\">"
       "<Text VAlign=\"bottom\" VPosition=\"10\"><Font italic=\"yes\">\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"
       "<Font Underlined=\"yes\">\xE3\x81\xAE</Font>\xE3\x83\x86\xE3\x82\xAD\xE3\x82\xB9\xE3\x83\x88</Font></Text>"
       "</Subtitle></Font></DCSubtitle>",
       25,
       {{"00000100", "00000213"}},
       {"<\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E[\xE3\x81\xAE]\xE3\x83\x86\xE3\x82\xAD\xE3\x82\xB9\xE3\x83\x88>"},
       25},
      {"SMPTE at 24 fps, ticks in edit units, markup characters as text",
       "<SubtitleReel xmlns=\"http://www.smpte-ra.org/schemas/428-7/2007/DCST\"><Id>x</Id>"
       "<EditRate>24 1</EditRate><TimeCodeRate>24</TimeCodeRate><SubtitleList>"
       "<Subtitle TimeIn=\"01:00:00:23\" TimeOut=\"01:00:02:00\"><Text>a &lt;b&gt; [c]</Text></Subtitle>"
       "</SubtitleList></SubtitleReel>",
       0,
       {{"01000023", "01000200"}},
       {"a " + LiteralStandIn('<') + "b" + LiteralStandIn('>') + " " + LiteralStandIn('[') + "c" + LiteralStandIn(']')},
       24},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Warnings w;
    SubtitleDocument d = Read(c.xml, w, c.rateCode);
    EXPECT_EQ(d.frameRate().countingRate(), c.expectRate);
    ASSERT_EQ(d.Count(), c.cues.size());
    for (std::size_t i = 0; i < d.Count(); ++i) {
      EXPECT_EQ(d.At(i).inCue.digits(), c.cues[i].first);
      EXPECT_EQ(d.At(i).outCue.digits(), c.cues[i].second);
      EXPECT_EQ(d.At(i).text, c.texts[i]);
    }
  }
}

TEST(DcinemaRead, EightBitFilesOfOlderTools) {
  const std::string body = "<DCSubtitle Version=\"1.0\"><Subtitle SpotNumber=\"1\" TimeIn=\"00:00:01:000\" "
                           "TimeOut=\"00:00:02:000\"><Text>caf\xE9 \x93" "cr\xE8me\x94</Text></Subtitle></DCSubtitle>";
  const std::string utf8 = "caf\xC3\xA9 \xE2\x80\x9C" "cr\xC3\xA8me\xE2\x80\x9D";
  struct Case {
    const char* what;
    std::string declaration;
    std::size_t warnings;
  };
  for (const Case& c : {Case{"declared windows-1252", "<?xml version=\"1.0\" encoding=\"windows-1252\"?>", 0},
                        Case{"declared UTF-8 but not", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 1},
                        Case{"no declaration", "", 1}}) {
    SCOPED_TRACE(c.what);
    Warnings w;
    SubtitleDocument d = Read(c.declaration + body, w);
    ASSERT_EQ(d.Count(), 1u);
    EXPECT_EQ(d.At(0).text, utf8);
    EXPECT_EQ(w.size(), c.warnings);
  }
  // Latin-1 is pugixml's own.
  Warnings w;
  const std::string latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + body.substr(0, body.find("\x93")) +
                             "</Text></Subtitle></DCSubtitle>";
  EXPECT_EQ(Read(latin1, w).At(0).text, "caf\xC3\xA9");
}

TEST(DcinemaRead, PositionsAlignmentsLanguageAndWarnings) {
  Warnings w;
  const std::string xml =
      "<DCSubtitle Version=\"1.1\"><Language>German</Language><LoadFont Id=\"a\" URI=\"a.ttf\"/>"
      "<Subtitle SpotNumber=\"1\" TimeIn=\"00:00:01:000\" TimeOut=\"00:00:02:000\">"
      "<Text VAlign=\"top\" VPosition=\"8\" HAlign=\"right\" HPosition=\"10\">top right</Text></Subtitle>"
      "<Subtitle SpotNumber=\"2\" TimeIn=\"00:00:03:000\" TimeOut=\"00:00:04:000\">"
      "<Text VAlign=\"bottom\" VPosition=\"22\" HAlign=\"left\" HPosition=\"30\">block</Text>"
      "<Text VAlign=\"bottom\" VPosition=\"15\" HAlign=\"left\" HPosition=\"30\">raised</Text></Subtitle>"
      "<Subtitle SpotNumber=\"3\" TimeIn=\"00:00:05:000\" TimeOut=\"00:00:06:000\">"
      "<Text><Font Color=\"FF123456\">odd colour</Font></Text></Subtitle>"
      "</DCSubtitle>";
  SubtitleDocument d = Read(xml, w);
  ASSERT_EQ(d.Count(), 3u);
  EXPECT_EQ(d.At(0).alignment, AlignRight);
  EXPECT_EQ(d.At(0).row, 10);  // the top row of eleven
  EXPECT_EQ(d.At(1).alignment, AlignCentreLeft);
  EXPECT_EQ(d.At(1).text, "block\r\nraised");
  EXPECT_EQ(d.At(1).row, 1);
  EXPECT_EQ(d.At(2).text, "\x04odd colour");  // nearest of the map: blue
  EXPECT_EQ(d.languageId(), 1031);
  ASSERT_EQ(w.size(), 2u);
  EXPECT_EQ(w[0], "The file loads the font a.ttf; a document keeps no fonts");
  EXPECT_EQ(w[1], "Colours that are not in the colour map were read as the nearest colour of the map");
}

// Languages that are neither a name of the list nor a language tag leave the document's
// language as it was. A language part that filled the tag reader's buffer exactly once read
// past it (found by fuzzing).
TEST(DcinemaRead, LanguagesThatNameNoLanguageChangeNothing) {
  for (const std::string& lang : {std::string("abcdefghijklmno"), std::string("abcdefghijklmnop"),
                                 std::string("abcdefghijklmnopq"), std::string("Eng\xEC" "isEditRateh"),
                                 std::string("xyzzyxyzzyxyzzyx-GB"), std::string("qq")}) {
    SCOPED_TRACE(lang);
    Warnings w;
    const std::string xml = "<DCSubtitle Version=\"1.0\"><Language>" + lang +
                            "</Language><Subtitle SpotNumber=\"1\" TimeIn=\"00:00:01:000\" "
                            "TimeOut=\"00:00:02:000\"><Text>row</Text></Subtitle></DCSubtitle>";
    SubtitleDocument d = Read(xml, w);
    ASSERT_EQ(d.Count(), 1u);
    EXPECT_EQ(d.languageId(), SubtitleDocument().languageId());
  }
}

TEST(DcinemaRead, RefusalsSayWhy) {
  struct Case {
    const char* what;
    std::string xml;
    const char* reason;  // the start of the reason
  };
  const Case cases[] = {
      {"not XML", "just text", "The file is not well-formed XML"},
      {"truncated", "<DCSubtitle Version=\"1.1\"><Subtitle TimeIn=", "The file is not well-formed XML"},
      {"Timed Text", "<tt xmlns=\"http://www.w3.org/ns/ttml\"/>", "The file is not a digital cinema subtitle file: its root element is <tt>."},
      {"no time in", "<DCSubtitle><Subtitle TimeOut=\"00:00:01:000\"><Text>x</Text></Subtitle></DCSubtitle>",
       "Subtitle 1 has no valid TimeIn."},
      {"ticks past 249", "<DCSubtitle><Subtitle TimeIn=\"00:00:01:250\" TimeOut=\"00:00:02:000\"/></DCSubtitle>",
       "Subtitle 1 has no valid TimeIn (\"00:00:01:250\")."},
      {"frames past the rate",
       "<SubtitleReel><TimeCodeRate>24</TimeCodeRate><SubtitleList><Subtitle TimeIn=\"00:00:01:00\" "
       "TimeOut=\"00:00:01:24\"/></SubtitleList></SubtitleReel>",
       "Subtitle 1 has no valid TimeOut"},
      {"reel without a rate", "<SubtitleReel><SubtitleList/></SubtitleReel>", "The subtitle reel has no valid TimeCodeRate."},
      {"nested too deeply", "<DCSubtitle><Subtitle TimeIn=\"00:00:01:000\" TimeOut=\"00:00:02:000\"><Text>" +
                                [] { std::string s; for (int i = 0; i < 300; ++i) s += "<Font>"; return s; }() + "x" +
                                [] { std::string s; for (int i = 0; i < 300; ++i) s += "</Font>"; return s; }() +
                                "</Text></Subtitle></DCSubtitle>",
       "The file's elements are nested too deeply."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Warnings w;
    try {
      Read(c.xml, w);
      ADD_FAILURE() << "read";
    } catch (const UserError& e) {
      EXPECT_EQ(e.title(), "Invalid file format");
      EXPECT_EQ(e.text().substr(0, std::string(c.reason).size()), c.reason) << e.text();
    }
  }
}

// The time forms tools write, read field by field in place: ticks, frames of the reel's
// rate, fractions of any length up to four digits, spaces around; and the forms refused.
TEST(DcinemaRead, TimeFormsAsToolsWriteThem) {
  struct Case {
    const char* timeIn;
    const char* cue;  // empty: refused
  };
  const Case cases[] = {
      {"00:00:05:125", "00000513"},   {" 00:00:05:125\t", "00000513"}, {"0:0:5:0", "00000500"},
      {"00:00:05.5", "00000513"},     {"00:00:05.04", "00000501"},      {"00:00:05.5000", "00000513"},
      {"99:59:59:249", "99595924"},   {"00:00:05:250", ""},             {"00:00:05:12345", ""},
      {"00:00:05", ""},               {"00:00:05:000:000", ""},         {"00:60:00:000", ""},
      {"00:00:05:1a0", ""},           {"00:00:05:", ""},                {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("\"") + c.timeIn + "\"");
    const std::string xml = std::string("<DCSubtitle Version=\"1.0\"><Subtitle SpotNumber=\"1\" TimeIn=\"") + c.timeIn +
                            "\" TimeOut=\"99:59:59:249\"><Text>x</Text></Subtitle></DCSubtitle>";
    Warnings w;
    if (!*c.cue) {
      EXPECT_THROW(Read(xml, w, 25), UserError);
      continue;
    }
    const SubtitleDocument d = Read(xml, w, 25);
    ASSERT_EQ(d.Count(), 1u);
    EXPECT_EQ(d.At(0).inCue.digits(), c.cue);
  }
}

TEST(DcinemaRead, SniffTellsCinemaFilesFromOtherXml) {
  struct Case {
    std::string head;
    bool cinema;
  };
  const Case cases[] = {
      {"<?xml version=\"1.0\"?>\n<!-- made by hand -->\n<DCSubtitle Version=\"1.0\">", true},
      {"\xEF\xBB\xBF<dcst:SubtitleReel xmlns:dcst=\"x\">", true},
      {std::string("\xFF\xFE<\0S\0u\0b\0t\0i\0t\0l\0e\0R\0e\0e\0l\0>\0", 30), true},
      {"<?xml version=\"1.0\"?><tt xmlns=\"http://www.w3.org/ns/ttml\">", false},
      {"<DCSubtitleX>", false},
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(LooksLikeDcinema(Bytes(c.head)), c.cinema) << c.head;
}

}  // namespace
}  // namespace kipo

namespace kipo {
namespace {

// Positions and alignments in the forms laboratories' tools write them: numbers with and
// without fractions, spaces, signs and exponents, words in any case and with spaces, and
// line ends inside the text. Each row is one subtitle of two lines.
TEST(DcinemaRead, PositionAndAlignmentForms) {
  struct Row {
    const char *what, *low, *high;  // the attributes of the lower and the upper line
    int row, alignment;
    const char* text;
  };
  const Row rows[] = {
      {"whole numbers", "VAlign=\"bottom\" VPosition=\"8\"", "VAlign=\"bottom\" VPosition=\"15\"", 0, AlignCentre,
       "up\r\ndown"},
      {"fractions, spaces and a plus sign", "VALIGN=\" Bottom \" VPOSITION=\" 22.5 \"",
       "valign=\"BOTTOM\" vposition=\"+29.40\"", 2, AlignCentre, "up\r\ndown"},
      {"exponents and leading zeros", "VAlign=\"bottom\" VPosition=\"1.5e1\"", "VAlign=\"bottom\" VPosition=\"022\"", 1,
       AlignCentre, "up\r\ndown"},
      {"left lines from the margin and a negative zero",
       "VAlign=\"bottom\" VPosition=\"8\" HAlign=\" LEFT\" HPosition=\"-0.0\"",
       "VAlign=\"bottom\" VPosition=\"15\" HAlign=\"Left \" HPosition=\"12.25\"", 0, AlignLeft, "up\r\ndown"},
      {"top lines and numbers that are not numbers", "VAlign=\"top\" VPosition=\"abc\" HAlign=\"right\"",
       "VAlign=\"top\" VPosition=\"7x\" HAlign=\"RIGHT\"", 9, AlignRight, "down\r\nup"},
      // Attribute names as other tools spell them, and names that are nearly the ones read.
      {"names in a namespace", "dcst:VAlign=\"bottom\" dcst:VPosition=\"8\"",
       "dcst:VAlign=\"bottom\" dcst:VPosition=\"15\"", 0, AlignCentre, "up\r\ndown"},
      {"names of the same length and first letter that are other names",
       "VAlign=\"bottom\" VPosition=\"8\" VPositiom=\"50\" VAlignX=\"top\"",
       "VPosjtion=\"60\" VAlign=\"bottom\" VPosition=\"15\" Valigm=\"top\"", 0, AlignCentre, "up\r\ndown"},
      {"long and short names among them", "V=\"top\" VA=\"top\" VAlign=\"bottom\" VPosition=\"8\"",
       "VerticalAlignmentOfTheLine=\"top\" VAlign=\"bottom\" xmlns:a-very-long-prefix=\"u\" VPosition=\"15\"", 0,
       AlignCentre, "up\r\ndown"},
      {"the same names in another order on the next line", "VPosition=\"8\" VAlign=\"bottom\"",
       "VAlign=\"bottom\" VPosition=\"15\"", 0, AlignCentre, "up\r\ndown"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    const std::string xml = std::string("<DCSubtitle Version=\"1.1\"><Subtitle SpotNumber=\"1\" TimeIn=\"00:00:01:000\" "
                                        "TimeOut=\"00:00:02:000\">\r\n<Text ") +
                            r.high + ">\r\n  up\t</Text>\r\n<Text " + r.low + "> down </Text></Subtitle></DCSubtitle>";
    Warnings w;
    const SubtitleDocument d = Read(xml, w);
    ASSERT_EQ(d.Count(), 1u);
    EXPECT_EQ(d.At(0).row, r.row);
    EXPECT_EQ(d.At(0).alignment, r.alignment);
    EXPECT_EQ(d.At(0).text, r.text);
  }
}

}  // namespace
}  // namespace kipo
