// Final Cut Pro XML is read by a scan of the bytes, which hands every file it cannot be
// sure of to the XML tree. Each row is a file as editors and other tools write them; both
// readings must give the same subtitles and warnings (or the same refusal), and the rows
// say which files the scan reads itself.
#include <gtest/gtest.h>

#include <algorithm>

#include "formats/exchange/final_cut_pro.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

const FrameRate kPal = *FrameRate::FromCode(25);

// A text item as the editor writes it, laid out over lines ending in `eol`.
std::string Item(std::string_view start, std::string_view end, std::string_view text, std::string_view eol = "\n",
                 std::string_view style = "1") {
  std::string s = "<generatoritem id=\"Text\">" + std::string(eol) + "  <name>Text</name>" + std::string(eol) +
                  "  <rate><timebase>25</timebase><ntsc>FALSE</ntsc></rate>" + std::string(eol);
  s += "  <start>" + std::string(start) + "</start>" + std::string(eol) + "  <end>" + std::string(end) + "</end>" +
       std::string(eol);
  s += "  <effect>" + std::string(eol) + "    <name>Text</name><effectid>Text</effectid>" + std::string(eol);
  s += "    <parameter><parameterid>str</parameterid><name>Text</name><value>" + std::string(text) +
       "</value></parameter>" + std::string(eol);
  s += "    <parameter><parameterid>fontstyle</parameterid><valuemin>1</valuemin><value>" + std::string(style) +
       "</value></parameter>" + std::string(eol) + "  </effect>" + std::string(eol) + "</generatoritem>" +
       std::string(eol);
  return s;
}

std::string Sequence(std::string_view items, std::string_view eol = "\n", std::string_view head = "") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + std::string(eol) + "<!DOCTYPE xmeml>" + std::string(eol) +
         std::string(head) + "<xmeml version=\"5\">" + std::string(eol) + "<sequence id=\"Subtitles\"><media><video><track>" +
         std::string(eol) + std::string(items) + "</track></video></media></sequence>" + std::string(eol) + "</xmeml>" +
         std::string(eol);
}

struct Row {
  const char* name;
  std::string file;
  bool scanned;  // read by the scan itself, not handed to the tree
};

std::vector<Row> Rows() {
  const std::string two = Item("100", "150", "First") + Item("200", "250", "Second");
  return {
      {"LF line ends", Sequence(two), true},
      {"CR LF line ends, rows split by CR",
       Sequence(Item("10", "60", "Two\r\nrows &amp; &lt;signs&gt;", "\r\n") + Item("70", "90", "a\rb", "\r\n"), "\r\n"),
       true},
      {"byte-order mark, tabs, attributes in single quotes",
       "\xEF\xBB\xBF" + Sequence("<generatoritem id='t 1'\t>\t<start> 5 </start><end>\t30\n</end><effect><effectid>Text"
                                 "</effectid><parameter><parameterid>str</parameterid><value>Caf&#233; &#x41;</value>"
                                 "</parameter></effect></generatoritem>"),
       true},
      {"italic style, items out of order, comments between items",
       Sequence(Item("300", "350", "Late", "\n", "3") + "<!-- a marker -->" + Item("100", "150", "Early", "\n", "4")),
       true},
      {"another generator, an item without times, one at another rate, empty texts",
       Sequence("<generatoritem><name>Slug</name><start>0</start><end>9</end><effect><effectid>Slug</effectid>"
                "</effect></generatoritem>" +
                Item("", "50", "no start") + Item("60", "40", "ends early") +
                "<generatoritem><rate><timebase>30</timebase></rate><start>1</start><end>2</end><effect><name>Text"
                "</name><parameter><parameterid>str</parameterid><value>   </value></parameter></effect>"
                "</generatoritem>" +
                Item("70", "80", "")),
       true},
      {"white space only values and a self-closed start",
       Sequence("<generatoritem><start/><end>5</end><effect><effectid>Text</effectid></effect></generatoritem>" +
                Item(" ", "9", "x")),
       true},
      {"parameters of a second effect are not read",
       Sequence("<generatoritem><start>1</start><end>2</end><effect><name>Text</name></effect><effect>"
                "<effectid>Text</effectid><parameter><parameterid>str</parameterid><value>second effect</value>"
                "</parameter></effect></generatoritem>"),
       true},
      {"a later str parameter wins", Sequence("<generatoritem><start>1</start><end>2</end><effect><effectid>Text"
                                              "</effectid><parameter><parameterid>str</parameterid><value>one</value>"
                                              "</parameter><parameter><parameterid>str</parameterid><value>two"
                                              "</value></parameter></effect></generatoritem>"),
       true},
      {"clip items, transitions and a title before the items",
       Sequence("<clipitem id=\"c\"><name>shot.mov</name><start>0</start><end>500</end><file id=\"f\"><pathurl>"
                "file://localhost/a%20b.mov</pathurl></file></clipitem><transitionitem><start>490</start>"
                "</transitionitem>" + two),
       true},
      {"a comment before the root", Sequence(two, "\n", "<!-- exported -->\n"), true},
      // Runs of items alike, as editors write them, with items that go otherwise between:
      // each is read from its own tags whatever the item before it held.
      {"items alike, then one with another parameter, then alike again",
       Sequence(two + Item("300", "350", "Third") +
                "<generatoritem id=\"x\"><name>Text</name><start>400</start><end>450</end><effect><effectid>Text"
                "</effectid><parameter><parameterid>fontsize</parameterid><value>42</value></parameter><parameter>"
                "<parameterid>str</parameterid><value>Fourth</value></parameter></effect></generatoritem>\n" +
                Item("500", "550", "Fifth") + Item("600", "650", "Sixth", "\n", "3")),
       true},
      {"an item whose tags stop short of the last one's, and one that closes an element itself",
       Sequence(two + "<generatoritem><start>300</start><end>350</end><effect><effectid>Text</effectid>"
                      "</effect></generatoritem>\n" +
                Item("400", "450", "Fourth") +
                "<generatoritem id=\"Text\">\n  <name>Text</name>\n  <rate><timebase>25</timebase><ntsc/></rate>\n"
                "  <start>500</start>\n  <end>550</end>\n  <effect>\n    <name>Text</name><effectid>Text</effectid>\n"
                "    <parameter><parameterid>str</parameterid><name>Text</name><value>Fifth</value></parameter>\n"
                "    <parameter><parameterid>fontstyle</parameterid><valuemin>1</valuemin><value/></parameter>\n"
                "  </effect>\n</generatoritem>\n"),
       true},
      {"a comment inside an item between items alike",
       Sequence(two + Item("300", "350", "Third").insert(26, "<!-- note -->") + Item("400", "450", "Fourth")), true},
      {"end tags with spaces, attributes in other orders",
       Sequence(two + "<generatoritem id=\"a\"><start>300</start ><end>350</end><effect name=\"n\" kind='k'><effectid>"
                      "Text</effectid></effect></generatoritem>" +
                "<generatoritem id=\"b\"><start>400</start ><end>450</end><effect kind='k' name=\"n\"><effectid>"
                "Text</effectid></effect></generatoritem>"),
       true},
      {"a nested sequence in a clip item, its items alike to the outer ones at another depth",
       Sequence(two + "<clipitem id=\"nest\"><name>Nest</name><sequence id=\"inner\"><media><video><track>\n" +
                Item("300", "350", "Inner one") + Item("400", "450", "Inner two") +
                "</track></video></media></sequence></clipitem>\n" + Item("500", "550", "Outer again") +
                "<clipitem><sequence><media><video><track>" + Item("600", "650", "Deeper still") +
                "</track></video></media></sequence></clipitem>"),
       true},
      {"a Text generator without its text, between items alike",
       Sequence(two +
                "<generatoritem id=\"Text\">\n  <name>Text</name>\n  <rate><timebase>25</timebase><ntsc>FALSE</ntsc>"
                "</rate>\n  <start>300</start>\n  <end>350</end>\n  <effect>\n    <name>Text</name><effectid>Text"
                "</effectid>\n  </effect>\n</generatoritem>\n" +
                Item("400", "450", "After the empty one")),
       true},
      {"CR LF items after LF items", Sequence(two + Item("300", "350", "Third", "\r\n") + Item("400", "450", "Fourth")),
       true},
      {"an item that breaks where the items before it went on",
       Sequence(two + Item("300", "350", "Third") +
                "<generatoritem id=\"Text\">\n  <name>Text</name>\n  <rate><timebase>25</timebase><ntsc>FALSE</ntsc>"
                "</rate>\n  <start>400</strat>\n</generatoritem>"),
       false},
      {"an item that leaves an element open where the last item closed it", [&] {
         std::string third = Item("300", "350", "x");
         third.erase(third.find("</value></parameter>"), 8);
         return Sequence(two + third + Item("400", "450", "y"));
       }(),
       false},
      // Files the scan leaves to the tree, read the same.
      {"CDATA text", Sequence(Item("1", "2", "<![CDATA[a < b]]>")), false},
      {"markup inside a value", Sequence(Item("1", "2", "a <b>bold</b> c")), false},
      {"an entity the scan does not know", Sequence(Item("1", "2", "&eacute;")), false},
      {"a number in another form", Sequence(Item("0x10", "40", "hex")), false},
      {"a processing instruction", Sequence(two, "\n", "<?editor hint?>\n"), false},
      {"a '<' inside the DOCTYPE", [&] {
         std::string f = Sequence(two);
         f.replace(f.find("<!DOCTYPE xmeml>"), 16, "<!DOCTYPE xmeml<>");
         return f;
       }(),
       false},
      {"an internal DOCTYPE subset",
       "<?xml version=\"1.0\"?><!DOCTYPE xmeml [<!ENTITY x \"y\">]><xmeml>" + two + "</xmeml>", false},
      {"an item inside an item", Sequence("<generatoritem>" + two + "</generatoritem>"), false},
      // Broken files: the tree names them.
      {"cut short", Sequence(two).substr(0, 300), false},
      {"mismatched end tag", Sequence(Item("1", "2", "x") + "</track2>"), false},
      {"not xmeml", "<?xml version=\"1.0\"?><fcpxml version=\"1.8\"><library/></fcpxml>", false},
      {"no text items", Sequence("<clipitem><start>0</start><end>9</end></clipitem>"), true},
      {"an attribute without quotes", Sequence("<generatoritem id=t>" + two + "</generatoritem>"), false},
      {"a NUL byte", Sequence(Item("1", "2", std::string("a\0b", 3))), false},
  };
}

TEST(FinalCutProScan, ReadsAsTheTreeDoes) {
  for (const Row& row : Rows()) {
    SCOPED_TRACE(row.name);
    Warnings scanWarnings, treeWarnings;
    std::string scanError, treeError;
    SubtitleDocument scanned, tree;
    try {
      scanned = ReadFinalCutPro(row.file, kPal, scanWarnings);
    } catch (const UserError& e) {
      scanError = e.what();
    }
    try {
      tree = ReadFinalCutProTree(row.file, kPal, treeWarnings);
    } catch (const UserError& e) {
      treeError = e.what();
    }
    EXPECT_EQ(FinalCutProScanReads(row.file, kPal), row.scanned);
    EXPECT_EQ(scanError, treeError);
    EXPECT_EQ(scanWarnings, treeWarnings);
    ASSERT_EQ(scanned.Count(), tree.Count());
    for (std::size_t i = 0; i < tree.Count(); ++i) EXPECT_EQ(scanned.At(i), tree.At(i)) << i;
  }
}

// Runs of items laid out alike are read by passing over what an item has in common with
// the item before it. Each row changes one thing in an item of such a run (a value of
// another length, whitespace, attribute order, a tag more or less, a broken tag); the
// changed item stands between items alike, twice, and next to every other row's change, so
// that what is passed over is measured from items that differ in every way the rows do.
std::string EditorItem(int n, std::string_view text) {
  // Times of one to five digits, so that items alike still have values of other lengths.
  const std::string in = std::to_string(95 * n * n * n), out = std::to_string(95 * n * n * n + 40 + n % 7);
  const std::string d = std::to_string(40 + n % 7);
  std::string s = "      <generatoritem id=\"Text " + std::to_string(n) + "\">\r\n";
  for (const std::string& line : std::initializer_list<std::string>{
           "<name>Text</name>", "<duration>" + d + "</duration>", "<rate>", "  <timebase>25</timebase>",
        "  <ntsc>FALSE</ntsc>", "</rate>", "<in>0</in>", "<out>" + d + "</out>", "<start>" + in + "</start>",
        "<end>" + out + "</end>", "<enabled>TRUE</enabled>", "<effect>", "  <name>Text</name>",
        "  <effectid>Text</effectid>", "  <effecttype>generator</effecttype>", "  <parameter>",
        "    <parameterid>str</parameterid>", "    <name>Text</name>", "    <value>" + std::string(text) + "</value>",
        "  </parameter>", "  <parameter>", "    <parameterid>fontstyle</parameterid>", "    <valuemin>1</valuemin>",
        "    <value>1</value>", "  </parameter>", "  <parameter>", "    <parameterid>fontalign</parameterid>",
        "    <value>2</value>", "  </parameter>", "</effect>"})
    s += "        " + line + "\r\n";
  return s + "      </generatoritem>\r\n";
}

// `what` replaced by `with` at its first place in the item (a row that finds nothing to
// change would test nothing: the test fails then).
std::string Changed(std::string item, std::string_view what, std::string_view with) {
  const std::size_t at = item.find(what);
  EXPECT_NE(at, std::string::npos) << what;
  if (at != std::string::npos) item.replace(at, what.size(), with);
  return item;
}

struct Change {
  const char* name;
  std::string_view what, with;
  bool scanned;  // a run holding the changed item is still read by the scan itself
};

const Change kChanges[] = {
    {"a longer start", "<start>", "<start>1000000", true},
    {"a shorter text", ">Line of text<", ">L<", true},
    {"a longer text over two rows", ">Line of text<", ">Line of text\rand a second row, longer than the first<", true},
    {"an empty text", ">Line of text<", "><", true},
    {"a text of white space", ">Line of text<", ">  \t <", true},
    {"a text with references", ">Line of text<", ">Caf&#233; &amp; &lt;more&gt;<", true},
    {"a text with CR LF rows", ">Line of text<", ">one\r\ntwo<", true},
    {"italic", "<value>1</value>", "<value>3</value>", true},
    {"another timebase", "<timebase>25<", "<timebase>30<", true},
    {"a negative start", "<start>", "<start>-", true},
    {"an end before the start", "<end>", "<end>-", true},
    {"white space around a number", "<start>", "<start> \r\n ", true},
    {"a space inside an end tag", "</start>", "</start >", true},
    {"one space more before a tag", "<enabled>", " <enabled>", true},
    {"LF for CR LF", "</in>\r\n", "</in>\n", true},
    {"a tab inside a start tag", "<effect>", "<effect\t>", true},
    {"attributes", "<effect>", "<effect a=\"1\" b='2'>", true},
    {"the attributes the other way", "<effect>", "<effect b='2' a=\"1\">", true},
    {"a value closed in its start tag", "<value>1</value>", "<value/>", true},
    {"a parameter more", "<parameter>",
     "<parameter><parameterid>fontsize</parameterid><value>9</value></parameter><parameter>", true},
    {"a parameter less",
     "          <parameter>\r\n            <parameterid>fontalign</parameterid>\r\n            <value>2</value>\r\n"
     "          </parameter>\r\n",
     "", true},
    {"the effect named only by its name", "<effectid>Text<", "<effectid>Other<", true},
    {"the text parameter's id written with a reference", "<parameterid>str<", "<parameterid>&#115;tr<", true},
    {"the effect a text effect only by a reference",
     "<name>Text</name>\r\n          <effectid>Text<", "<name>Slug</name>\r\n          <effectid>&#x54;ext<", true},
    {"not a text effect", "<name>Text</name>\r\n          <effectid>Text<",
     "<name>Slug</name>\r\n          <effectid>Slug<", true},
    {"a comment", "<enabled>", "<!-- c --><enabled>", true},
    {"a second str parameter", "</effect>",
     "<parameter><parameterid>str</parameterid><value>later</value></parameter></effect>", true},
    {"the item closed early", "<effect>", "</generatoritem><effect>", false},
    {"markup in the text", ">Line of text<", ">Line <b>of</b> text<", false},
    {"an unknown entity", ">Line of text<", ">Line &eacute;<", false},
    {"a misspelt end tag", "</end>", "</edn>", false},
    {"the item's end tag misspelt at its last letter", "</generatoritem>", "</generatoriten>", false},
    {"a number in another form", "<end>", "<end>+", false},
};

TEST(FinalCutProScan, ItemsThatDifferFromTheLast) {
  // Two changed items: each with plain items before, between and after, so that the
  // changed item is read against a plain one and a plain one against it.
  const auto file = [](const Change& a, const Change& b) {
    std::string items;
    for (int n = 1; n <= 8; ++n) {
      std::string item = EditorItem(n, n % 4 == 1 ? "Line of text\rwith a second row" : "Line of text");
      if (n == 3) item = Changed(item, a.what, a.with);
      if (n == 4 || n == 6) item = Changed(item, b.what, b.with);
      items += item;
    }
    return Sequence(items, "\r\n");
  };
  for (const Change& a : kChanges) {
    for (const Change& b : kChanges) {
      SCOPED_TRACE(std::string(a.name) + ", then " + b.name);
      const std::string f = file(a, b);
      Warnings scanWarnings, treeWarnings;
      std::string scanError, treeError;
      SubtitleDocument scanned, tree;
      try {
        scanned = ReadFinalCutPro(f, kPal, scanWarnings);
      } catch (const UserError& e) {
        scanError = e.what();
      }
      try {
        tree = ReadFinalCutProTree(f, kPal, treeWarnings);
      } catch (const UserError& e) {
        treeError = e.what();
      }
      EXPECT_EQ(FinalCutProScanReads(f, kPal), a.scanned && b.scanned);
      EXPECT_EQ(scanError, treeError);
      EXPECT_EQ(scanWarnings, treeWarnings);
      ASSERT_EQ(scanned.Count(), tree.Count());
      for (std::size_t i = 0; i < tree.Count(); ++i) EXPECT_EQ(scanned.At(i), tree.At(i)) << i;
    }
  }
}

// Our own files are read by the scan, with what was written.
TEST(FinalCutProScan, ReadsOurFiles) {
  SubtitleDocument doc;
  const char* texts[] = {"Plain", "<Wholly italic>", "Two\r\nrows & signs", "Caf\xC3\xA9 \xF0\x9F\x98\x80"};
  for (int i = 0; i < 4; ++i) {
    Subtitle s;
    s.inCue = FramesToDigits(100 + i * 90, kPal);
    s.outCue = FramesToDigits(150 + i * 90, kPal);
    s.text = texts[i];
    doc.Append(s);
  }
  Warnings w;
  const std::string file = WriteFinalCutPro(doc, {}, w);
  EXPECT_TRUE(FinalCutProScanReads(file, kPal));
  const SubtitleDocument back = ReadFinalCutPro(file, kPal, w);
  ASSERT_EQ(back.Count(), doc.Count());
  for (std::size_t i = 0; i < doc.Count(); ++i) {
    EXPECT_EQ(back.At(i).inCue, doc.At(i).inCue);
    EXPECT_EQ(back.At(i).outCue, doc.At(i).outCue);
    EXPECT_EQ(back.At(i).text, doc.At(i).text);
  }
}

// What the rows above read, so that agreeing is not agreeing on nothing.
TEST(FinalCutProScan, ValuesOfTheItems) {
  const std::vector<Row> rows = Rows();
  Warnings w;
  SubtitleDocument crlf = ReadFinalCutPro(rows[1].file, kPal, w);
  ASSERT_EQ(crlf.Count(), 2u);
  EXPECT_EQ(crlf.At(0).inCue.digits(), "00000010");
  EXPECT_EQ(crlf.At(0).text, "Two\r\nrows & \xEE\x80\xBCsigns\xEE\x80\xBE");
  EXPECT_EQ(crlf.At(1).text, "a\r\nb");
  SubtitleDocument refs = ReadFinalCutPro(rows[2].file, kPal, w);
  ASSERT_EQ(refs.Count(), 1u);
  EXPECT_EQ(refs.At(0).text, "Caf\xC3\xA9 A");
  EXPECT_EQ(refs.At(0).outCue.digits(), "00000105");
  SubtitleDocument styled = ReadFinalCutPro(rows[3].file, kPal, w);
  ASSERT_EQ(styled.Count(), 2u);
  EXPECT_EQ(styled.At(0).text, "<Early>");
  EXPECT_EQ(styled.At(1).text, "<Late>");
  Warnings skipped;
  SubtitleDocument odd = ReadFinalCutPro(rows[4].file, kPal, skipped);
  EXPECT_EQ(odd.Count(), 2u);
  EXPECT_EQ(std::count(skipped.begin(), skipped.end(), "A text item without a place on the timeline was skipped"), 2);
}

}  // namespace
}  // namespace kipo
