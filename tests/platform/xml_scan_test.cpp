// The XML scan against the XML library: whatever the scan reads, it must read as pugixml
// builds its tree (with the options the readers use), and what it gives up on it must give
// up on as a whole. Documents as other programs write them, then damaged copies of them.
#include "platform/xml_scan.h"

#include <gtest/gtest.h>

#include <pugixml.hpp>
#include <random>

namespace kipo {
namespace {

// The scan's tokens as one line each; nullopt when the scan gives up.
std::optional<std::vector<std::string>> ScanEvents(std::string_view doc) {
  std::vector<std::string> out;
  XmlScan scan(doc);
  while (true) {
    switch (scan.Next()) {
      case XmlScan::NotPlain: return std::nullopt;
      case XmlScan::End: return out;
      case XmlScan::StartTag: {
        std::string e = "<" + std::string(scan.name());
        for (const XmlScan::Attribute& a : scan.attributes())
          e += " " + std::string(a.name) + "=[" + std::string(a.value) + "]";
        out.push_back(e + ">");
        break;
      }
      case XmlScan::EndTag: out.push_back("</" + std::string(scan.name()) + ">"); break;
      case XmlScan::Text: {
        // The copy a caller keeps is the same text, a view into the document where it can be.
        std::string kept;
        std::string_view k = scan.TextInPlace();
        EXPECT_TRUE(!k.data() || (k.data() >= doc.data() && k.data() + k.size() <= doc.data() + doc.size()));
        if (!k.data()) scan.DecodeText(kept), k = kept;
        EXPECT_EQ(k, scan.text());
        out.push_back("text [" + std::string(scan.text()) + "]");
        break;
      }
    }
  }
}

// The same lines from pugixml's tree of the root element; nullopt when it does not parse.
std::optional<std::vector<std::string>> TreeEvents(std::string_view doc) {
  pugi::xml_document x;
  if (!x.load_buffer(doc.data(), doc.size(), pugi::parse_default | pugi::parse_ws_pcdata, pugi::encoding_auto))
    return std::nullopt;
  std::vector<std::string> out;
  struct Walker {
    std::vector<std::string>& out;
    void Visit(const pugi::xml_node& n) {
      if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) {
        out.push_back("text [" + std::string(n.value()) + "]");
        return;
      }
      if (n.type() != pugi::node_element) return;
      std::string e = "<" + std::string(n.name());
      for (const pugi::xml_attribute& a : n.attributes()) e += " " + std::string(a.name()) + "=[" + a.value() + "]";
      out.push_back(e + ">");
      for (const pugi::xml_node& c : n.children()) Visit(c);
      out.push_back("</" + std::string(n.name()) + ">");
    }
  } walker{out};
  walker.Visit(x.document_element());
  return out;
}

const std::string kTimedText =
    "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
    "<!-- made by hand -->\r\n"
    "<tt:tt xmlns:tt=\"http://www.w3.org/ns/ttml\" xmlns:tts='http://www.w3.org/ns/ttml#styling' xml:lang=\"fr\">\r\n"
    "  <tt:body><tt:div>\r\n"
    "    <tt:p begin=\"00:00:01.000\" end = '00:00:02.000'>L&apos;&#233;t&#xE9; &amp; &lt;moi&gt;<tt:br />"
    "<tt:span tts:fontStyle=\"italic\">deux\tlignes</tt:span></tt:p>\r\n"
    "    <!-- between paragraphs -->\r\n"
    "    <tt:p begin=\"10s\" end=\"12s\" title=\"a&#10;b\tc\r\nd &quot;e&quot;\">x<?pi here?>y</tt:p>\r\n"
    "  </tt:div></tt:body>\r\n"
    "</tt:tt>\r\n<!-- after -->\r\n";

const std::string kCinema =
    "<?xml version='1.0' encoding='UTF-8' standalone='yes'?>\n"
    "<!DOCTYPE SubtitleReel SYSTEM \"reel.dtd\">\n"
    "<SubtitleReel xmlns=\"http://www.smpte-ra.org/schemas/428-7/2010/DCST\">\n"
    "\t<Id>urn:uuid:1</Id>\n"
    "\t<SubtitleList><Font ID=\"f\" Size=\"42\"><Subtitle SpotNumber=\"1\" TimeIn=\"00:00:01:000\">"
    "<Text Vposition=\"10\">Caf\xC3\xA9 \xE2\x80\x94 \"quoted\" 'single' > fine</Text></Subtitle></Font></SubtitleList>\n"
    "</SubtitleReel>";

const std::string kLoneCr = "<a>one\rtwo\r\rthree<b c=\"x\ry\"/>\r</a>";

TEST(XmlScan, ReadsPlainDocumentsAsTheLibraryDoes) {
  const std::vector<std::pair<const char*, std::string>> docs = {
      {"timed text with references, CR LF, comments and a PI", kTimedText},
      {"cinema reel with a DOCTYPE and single-quoted declaration", kCinema},
      {"lone CRs in text and attributes", kLoneCr},
      {"empty root", "<root/>"},
      {"text split by a comment", "<a>x<!-- c -->y</a>"},
      {"white space only text", "<a>\n  <b/>\n</a>"},
      {"a stylesheet PI before the root", "<?xml-stylesheet href=\"a.xsl\"?><a/>"},
      {"names with dots, dashes and digits", "<a.b-c d1=\"\" _e=''/>"},
      {"a greater-than sign and ]]> in text", "<a>a > b ]]> c</a>"},
      {"supplementary characters by reference", "<a x=\"&#x1F600;\">&#128512;</a>"},
      {"quotes of the other kind beside values to decode",
       "<a q=\"it's a value with a quote of the other kind\" r=\"a&amp;b\" s='say \"hi\"\tnow' t=\"&lt;&gt;\"/>"},
      {"CR LF before indentation of every length, tabs, text and the end",
       "<a>\r\n<b/>\r\n        <c/>\r\n                 <d/>\r\n\t  \t<e/>\r\n    text\r\n        \r\n</a>\r\n"},
      {"spaces around the equals sign", "<a b = \"1\" c= '2' d =\"3\" e\t=\r\n\"4\"/>"},
  };
  for (const auto& [what, doc] : docs) {
    SCOPED_TRACE(what);
    const auto scanned = ScanEvents(doc);
    ASSERT_TRUE(scanned.has_value());
    EXPECT_EQ(*scanned, TreeEvents(doc));
  }
  // What the decoding gives, spelled out once.
  EXPECT_EQ(*ScanEvents(kLoneCr), (std::vector<std::string>{"<a>", "text [one\ntwo\n\nthree]", "<b c=[x y]>", "</b>",
                                                          "text [\n]", "</a>"}));
}

TEST(XmlScan, GivesUpOnWhatIsNotThePlainForm) {
  const std::vector<std::pair<const char*, std::string>> docs = {
      {"CDATA", "<a><![CDATA[x < y]]></a>"},
      {"an internal DOCTYPE subset", "<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>"},
      {"an entity of its own", "<a>&nbsp;</a>"},
      {"an ampersand alone", "<a>fish & chips</a>"},
      {"a reference to NUL", "<a>&#0;</a>"},
      {"a reference to a surrogate", "<a>&#xD800;</a>"},
      {"another encoding declared", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xE9</a>"},
      {"UTF-16", std::string("\xFF\xFE<\0a\0/\0>\0", 10)},
      {"a NUL byte", std::string("<a>x\0y</a>", 10)},
      {"a declaration later on", " <?xml version=\"1.0\"?><a/>"},
      {"a mismatched end tag", "<a><b></a></b>"},
      {"an unclosed root", "<a><b/>"},
      {"two roots", "<a/><b/>"},
      {"text outside the root", "<a/>tail"},
      {"no root", "<!-- nothing -->"},
      {"an empty file", ""},
      {"an unquoted attribute", "<a b=c/>"},
      {"attributes without a space between", "<a b=\"1\"c=\"2\"/>"},
      {"the same attribute twice", "<a b=\"1\" b=\"2\"/>"},
      {"a less-than sign in a value", "<a b=\"<\"/>"},
      {"a bare less-than sign in text", "<a>1 < 2</a>"},
      {"two dashes in a comment", "<a><!-- a -- b --></a>"},
      {"a name of non-ASCII letters", "<\xC3\xA9t\xC3\xA9/>"},
  };
  for (const auto& [what, doc] : docs) {
    SCOPED_TRACE(what);
    EXPECT_FALSE(ScanEvents(doc).has_value());
  }
}

// Damaged copies of the plain documents (a byte changed, removed or repeated, the file cut
// short): every copy the scan still reads, the library reads alike.
TEST(XmlScan, DamagedDocumentsAreReadAsTheLibraryReadsThemOrNotAtAll) {
  std::mt19937 random(22);
  const std::string alphabet = "<>/&;\"'=!?-#x \r\n\tabp:1[]";
  std::size_t read = 0, total = 0;
  for (const std::string& original : {kTimedText, kCinema, kLoneCr}) {
    for (int round = 0; round < 3000; ++round) {
      std::string doc = original;
      const int changes = 1 + round % 3;
      for (int c = 0; c < changes && !doc.empty(); ++c) {
        const std::size_t at = random() % doc.size();
        switch (random() % 4) {
          case 0: doc[at] = alphabet[random() % alphabet.size()]; break;
          case 1: doc.erase(at, 1 + random() % 3); break;
          case 2: doc.insert(at, 1, doc[random() % doc.size()]); break;
          default: doc.resize(at); break;
        }
      }
      ++total;
      const auto scanned = ScanEvents(doc);
      if (!scanned) continue;
      ++read;
      const auto tree = TreeEvents(doc);
      ASSERT_TRUE(tree.has_value()) << doc;
      ASSERT_EQ(*scanned, *tree) << doc;
    }
  }
  // The damage leaves a fair share of documents well-formed: the comparison was made.
  EXPECT_GT(read, total / 10);
}

TEST(XmlScan, DepthAndLocalNames) {
  XmlScan scan("<a:b><c/></a:b>");
  ASSERT_EQ(scan.Next(), XmlScan::StartTag);
  EXPECT_EQ(XmlLocalName(scan.name()), "b");
  EXPECT_EQ(scan.depth(), 1u);
  ASSERT_EQ(scan.Next(), XmlScan::StartTag);
  EXPECT_TRUE(scan.emptyElement());
  EXPECT_EQ(scan.depth(), 2u);
  ASSERT_EQ(scan.Next(), XmlScan::EndTag);
  EXPECT_EQ(scan.name(), "c");
  ASSERT_EQ(scan.Next(), XmlScan::EndTag);
  EXPECT_EQ(scan.name(), "a:b");
  EXPECT_EQ(scan.depth(), 0u);
  EXPECT_EQ(scan.Next(), XmlScan::End);
  EXPECT_EQ(scan.Next(), XmlScan::End);
}

}  // namespace
}  // namespace kipo
