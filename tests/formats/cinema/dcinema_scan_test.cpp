// Cinema files are read by a scan of the bytes, which hands every file it cannot be sure of
// to the XML tree. Each row is a file as subtitling tools, laboratories and mastering
// suites write them; both readings must give the same document and warnings (or the same
// refusal), and the rows say which files the scan reads itself.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "core/rich_text.h"
#include "formats/cinema/cinema_test_util.h"
#include "formats/cinema/dcinema_reader.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

std::span<const std::uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

const std::string kInteropHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<DCSubtitle Version=\"1.0\">\n<SubtitleID>40950d85-63eb-4ee2-b1e8-"
    "45c126601b94</SubtitleID>\n<MovieTitle>Film</MovieTitle>\n<ReelNumber>1</ReelNumber>\n<Language>French</Language>\n"
    "<LoadFont Id=\"f\" URI=\"font.ttf\"/>\n<Font Id=\"f\" Size=\"42\" Color=\"FFFFFFFF\">\n";
const std::string kInteropFoot = "</Font>\n</DCSubtitle>\n";

std::string Interop(const std::string& subtitles) { return kInteropHead + subtitles + kInteropFoot; }

std::string Reel(const std::string& subtitles, const std::string& head = "<EditRate>24 1</EditRate>\n"
                                                                        "<TimeCodeRate>24</TimeCodeRate>\n") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<dcst:SubtitleReel "
         "xmlns:dcst=\"http://www.smpte-ra.org/schemas/428-7/2010/DCST\">\n<dcst:Id>urn:uuid:40950d85-63eb-4ee2-b1e8-"
         "45c126601b94</dcst:Id>\n<dcst:Language>de</dcst:Language>\n" +
         head + "<dcst:SubtitleList>\n<dcst:Font ID=\"f\" Color=\"FFFFFFFF\">\n" + subtitles +
         "</dcst:Font>\n</dcst:SubtitleList>\n</dcst:SubtitleReel>\n";
}

std::string Sub(const std::string& in, const std::string& out, const std::string& content,
                const std::string& extra = "") {
  return "<Subtitle SpotNumber=\"1\" TimeIn=\"" + in + "\" TimeOut=\"" + out + "\"" + extra + ">" + content +
         "</Subtitle>\n";
}

struct Row {
  const char* name;
  std::string file;
  bool scanned;  // read by the scan itself, not handed to the tree
};

std::vector<Row> Rows() {
  const std::string two = Sub("00:00:01:000", "00:00:02:100", "<Text VAlign=\"bottom\" VPosition=\"10\">One</Text>") +
                          Sub("00:00:03:000", "00:00:04:000",
                              "<Text VAlign=\"bottom\" VPosition=\"16.5\">Two</Text>"
                              "<Text VAlign=\"bottom\" VPosition=\"10\">rows</Text>");
  std::string crlf = Interop(two);
  for (std::size_t at = crlf.find('\n'); at != std::string::npos; at = crlf.find('\n', at + 2)) crlf.insert(at, "\r");
  return {
      {"LF line ends", Interop(two), true},
      {"CR LF line ends", crlf, true},
      {"a byte-order mark, attributes in single quotes and in another order, tabs around them",
       "\xEF\xBB\xBF" + Interop("<Subtitle\tTimeOut='00:00:02:000' SpotNumber='1'\n   TimeIn='00:00:01:000' >"
                                "<Text VPosition='10' VAlign='bottom' HAlign = 'left' HPosition='5'>x</Text>"
                                "</Subtitle>\n"),
       true},
      {"attributes named in another order, case and number from subtitle to subtitle",
       Interop(Sub("00:00:01:000", "00:00:02:000", "<Text VAlign=\"top\" VPosition=\"8\">a</Text>") +
               Sub("00:00:03:000", "00:00:04:000", "<Text VPosition=\"8\" VAlign=\"top\" HAlign=\"left\">b</Text>") +
               Sub("00:00:05:000", "00:00:06:000", "<Text valign=\"bottom\" vposition=\"15\">c</Text>") +
               Sub("00:00:07:000", "00:00:08:000", "<Text VAlign=\"top\" VPosition=\"8\">d</Text>", " Italic=\"yes\"")),
       true},
      {"comments between and inside the elements, a DOCTYPE",
       "<?xml version=\"1.0\"?>\n<!DOCTYPE DCSubtitle>\n<!-- made by a subtitling suite -->\n" +
           Interop(Sub("00:00:01:000", "00:00:02:000",
                       "<!-- spot 1 --><Text VPosition=\"10\">be<!-- cut -->fore <!--x-->after</Text>"))
               .substr(std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n").size()),
       true},
      {"entities and character references in text and attributes",
       Interop(Sub("00:00:01:000", "00:00:02:000",
                   "<Text VAlign=\"b&#111;ttom\" VPosition=\"1&#48;\">Tom &amp; Jerry &lt;3 &#233;t&#xE9; &quot;q&quot; "
                   "&apos;</Text>")),
       true},
      {"text over several lines with indentation, tabs and spaces at the ends",
       Interop(Sub("00:00:01:000", "00:00:02:000",
                   "\n  <Text VPosition=\"10\">\n\t\tfirst   words\r\n\t\tand more  \n  </Text>\n")),
       true},
      {"nested fonts, colours, underline, bold, a Space and ruby text",
       Interop(Sub("00:00:01:000", "00:00:02:000",
                   "<Font Italic=\"yes\"><Text VPosition=\"10\">It <Font Color=\"FFFF0000\">red <Font Underlined=\"yes\">"
                   "under</Font></Font><Space Size=\"2\"/><Font Weight=\"bold\">bold</Font> <Ruby><Rb>base</Rb>"
                   "<Rt>ruby</Rt></Ruby></Text></Font>")),
       true},
      {"empty elements written with a space before the slash, an empty Text, an Image subtitle",
       Interop(Sub("00:00:01:000", "00:00:02:000", "<Text VPosition=\"10\" /><Text VPosition=\"16\">kept</Text>") +
               Sub("00:00:03:000", "00:00:04:000", "<Image VPosition=\"10\" Zposition=\"2\">image.png</Image>")),
       true},
      {"a reel with the default namespace, fractions of a second, depths",
       "<SubtitleReel xmlns=\"http://www.smpte-ra.org/schemas/428-7/2007/DCST\"><Id>x</Id><EditRate>25 1</EditRate>"
       "<TimeCodeRate>25</TimeCodeRate><SubtitleList><Subtitle TimeIn=\"00:00:01.5\" TimeOut=\"00:00:02:24\" "
       "ZPosition=\"-3\"><Text Valign=\"top\" Vposition=\"10\" Zposition=\"1\">oben</Text></Subtitle>"
       "</SubtitleList></SubtitleReel>",
       true},
      {"a reel with the dcst prefix at 24 fps", Reel(Sub("00:00:01:12", "00:00:02:00", "<Text>x</Text>")), true},
      {"a reel at NTSC rates", Reel(Sub("00:00:01:12", "00:00:02:00", "<Text>x</Text>"),
                                    "<EditRate>30000 1001</EditRate><TimeCodeRate>30</TimeCodeRate>"),
       true},
      {"a reel at a rate no document has",
       Reel(Sub("00:00:01:12", "00:00:02:00", "<Text>x</Text>"), "<EditRate>96 1</EditRate><TimeCodeRate>96</TimeCodeRate>"),
       true},
      {"the language as a tag, fonts loaded twice",
       Interop("<LoadFont Id=\"g\" URI=\" other.ttf \"/>" + Sub("00:00:01:000", "00:00:02:000", "<Text>x</Text>"))
           .replace(kInteropHead.find("French"), 6, "fr-FR"),
       true},
      {"a processing instruction inside the file", Interop("<?editor mark?>" + two), true},
      {"no subtitles", Interop(""), true},
      {"a Windows-1252 file without a declaration (made UTF-8 first)",
       "<DCSubtitle Version=\"1.0\"><Subtitle SpotNumber=\"1\" TimeIn=\"00:00:01:000\" TimeOut=\"00:00:02:000\">"
       "<Text>caf\xE9 \x93q\x94</Text></Subtitle></DCSubtitle>",
       true},
      // Files the scan leaves to the tree, read the same.
      {"CDATA text", Interop(Sub("00:00:01:000", "00:00:02:000", "<Text><![CDATA[a < b]]></Text>")), false},
      {"an entity of a DOCTYPE", "<!DOCTYPE DCSubtitle [<!ENTITY n \"name\">]>" + Interop(two).substr(39), false},
      {"a Latin-1 declaration",
       "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><DCSubtitle Version=\"1.0\"><Subtitle TimeIn=\"00:00:01:000\" "
       "TimeOut=\"00:00:02:000\"><Text>caf\xE9</Text></Subtitle></DCSubtitle>",
       false},
      {"UTF-16 with its mark",
       [] {
         const std::string a = Interop(Sub("00:00:01:000", "00:00:02:000", "<Text>x</Text>")).substr(39);
         std::string w = "\xFF\xFE";
         for (char c : a) w += c, w += '\0';
         return w;
       }(),
       false},
      {"the reel's rates after its subtitles",
       "<SubtitleReel xmlns=\"http://www.smpte-ra.org/schemas/428-7/2007/DCST\"><SubtitleList><Subtitle TimeIn=\"00:00:"
       "01:12\" TimeOut=\"00:00:02:00\"><Text>late</Text></Subtitle></SubtitleList><EditRate>25 1</EditRate>"
       "<TimeCodeRate>25</TimeCodeRate></SubtitleReel>",
       false},
      // Refusals: the tree names them, whatever the scan saw.
      {"cut short", Interop(two).substr(0, 400), false},
      {"a mismatched end tag", Interop(two + "</Subtitle>"), false},
      {"a bad time", Interop(Sub("00:00:01:000", "0:0:2", "<Text>x</Text>")), false},
      {"a bad time and a broken file after it", Interop(Sub("00:00:01:000", "0:0:2", "<Text>x</Text>") + "<Text"), false},
      {"a reel without a time code rate", Reel(Sub("00:00:01:12", "00:00:02:00", "<Text>x</Text>"), ""), false},
      {"another root", "<?xml version=\"1.0\"?><tt xmlns=\"http://www.w3.org/ns/ttml\"><body/></tt>", false},
      {"elements nested too deeply",
       Interop(Sub("00:00:01:000", "00:00:02:000",
                   [] {
                     std::string s;
                     for (int i = 0; i < 120; ++i) s += "<Font>";
                     s += "<Text>deep</Text>";
                     for (int i = 0; i < 120; ++i) s += "</Font>";
                     return s;
                   }())),
       false},
      {"an attribute without quotes", Interop("<Subtitle TimeIn=00:00:01:000>" + two), false},
  };
}

struct Reading {
  SubtitleDocument doc;
  Warnings warnings;
  std::string error;
};

Reading ReadWith(bool scan, const std::string& file, int rateCode, const BoldMarkers& bold) {
  Reading r;
  try {
    r.doc = scan ? ReadDcinemaXml(Bytes(file), {}, rateCode, bold, r.warnings)
                 : ReadDcinemaXmlTree(Bytes(file), {}, rateCode, bold, r.warnings);
  } catch (const UserError& e) {
    r.error = e.what();
  }
  return r;
}

TEST(DcinemaScan, ReadsAsTheTreeDoes) {
  for (const Row& row : Rows()) {
    for (const bool boldOn : {false, true}) {
      SCOPED_TRACE(std::string(row.name) + (boldOn ? ", bold on" : ""));
      BoldMarkers bold;
      bold.enabled = boldOn;
      const Reading scanned = ReadWith(true, row.file, 24, bold), tree = ReadWith(false, row.file, 24, bold);
      EXPECT_EQ(DcinemaScanReads(Bytes(row.file), {}, 24, bold), row.scanned);
      EXPECT_EQ(scanned.error, tree.error);
      EXPECT_EQ(scanned.warnings, tree.warnings);
      EXPECT_EQ(scanned.doc.frameRate().code, tree.doc.frameRate().code);
      EXPECT_EQ(scanned.doc.languageId(), tree.doc.languageId());
      ASSERT_EQ(scanned.doc.Count(), tree.doc.Count());
      for (std::size_t i = 0; i < tree.doc.Count(); ++i) EXPECT_EQ(scanned.doc.At(i), tree.doc.At(i)) << i;
    }
  }
}

// Our own files of every dialect and option are read by the scan.
TEST(DcinemaScan, ReadsOurFiles) {
  const SubtitleDocument doc = test::CinemaSample(24);
  const std::function<void(DlpOptions&)> tweaks[] = {
      nullptr, [](DlpOptions& o) { o.closeFont = true; }, [](DlpOptions& o) { o.inherit = false; },
      [](DlpOptions& o) { o.direction = 1; }};
  for (DcVersion v : test::AllDcVersions()) {
    for (const auto& tweak : tweaks) {
      SCOPED_TRACE(DcVersionNames()[static_cast<int>(v)]);
      const std::string xml = test::CinemaXml(doc, v, tweak);
      EXPECT_TRUE(DcinemaScanReads(Bytes(xml), {}, 24, {}));
      const Reading scanned = ReadWith(true, xml, 24, {}), tree = ReadWith(false, xml, 24, {});
      EXPECT_EQ(scanned.warnings, tree.warnings);
      ASSERT_EQ(scanned.doc.Count(), doc.Count());
      for (std::size_t i = 0; i < doc.Count(); ++i) EXPECT_EQ(scanned.doc.At(i), tree.doc.At(i)) << i;
    }
  }
}

// What some rows read, so that agreeing is not agreeing on nothing.
TEST(DcinemaScan, ValuesOfTheRows) {
  const std::vector<Row> rows = Rows();
  auto row = [&](std::string_view name) -> const Row& {
    for (const Row& r : rows)
      if (name == r.name) return r;
    throw std::logic_error("no row");
  };
  Reading r = ReadWith(true, row("CR LF line ends").file, 24, {});
  ASSERT_EQ(r.doc.Count(), 2u);
  EXPECT_EQ(r.doc.At(1).text, "Two\r\nrows");
  EXPECT_EQ(r.doc.At(0).outCue.digits(), "00000210");  // 100 ticks of 4 ms: 9.6 frames
  r = ReadWith(true, row("attributes named in another order, case and number from subtitle to subtitle").file, 24, {});
  ASSERT_EQ(r.doc.Count(), 4u);
  EXPECT_EQ(r.doc.At(0).row, 10);  // hung from the top margin
  EXPECT_EQ(r.doc.At(0).alignment, AlignCentre);
  EXPECT_EQ(r.doc.At(1).row, 10);
  EXPECT_EQ(r.doc.At(1).alignment, AlignLeft);
  EXPECT_EQ(r.doc.At(2).row, 1);
  EXPECT_EQ(r.doc.At(3).row, 10);
  EXPECT_EQ(r.doc.At(3).alignment, AlignCentre);
  const std::pair<const char*, std::string> texts[] = {
      {"entities and character references in text and attributes",
       "Tom & Jerry " + LiteralStandIn('<') + "3 \xC3\xA9t\xC3\xA9 \"q\" '"},
      {"comments between and inside the elements, a DOCTYPE", "before after"},
      {"text over several lines with indentation, tabs and spaces at the ends", "first   words   and more"},
      {"nested fonts, colours, underline, bold, a Space and ruby text", "<It \x01red [under\x07] bold baseruby>"},
      {"a Windows-1252 file without a declaration (made UTF-8 first)", "caf\xC3\xA9 \xE2\x80\x9Cq\xE2\x80\x9D"},
  };
  for (const auto& [name, text] : texts) {
    SCOPED_TRACE(name);
    r = ReadWith(true, row(name).file, 24, {});
    ASSERT_EQ(r.doc.Count(), 1u);
    EXPECT_EQ(r.doc.At(0).text, text);
  }
  ASSERT_FALSE(r.warnings.empty());  // the last row's reading: the Windows-1252 file
  EXPECT_EQ(r.warnings[0], "The file is not UTF-8; it was read as Western (Windows-1252) text");
  r = ReadWith(true, row("a bad time").file, 24, {});
  EXPECT_EQ(r.error.find("Subtitle 1 has no valid TimeOut (\"0:0:2\")"), 0u) << r.error;
}

}  // namespace
}  // namespace kipo
