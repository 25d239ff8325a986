// Final Cut Pro XML and PowerPoint presentations: files as the editing system writes them
// read with their text items, our files read back, and our presentations open in
// independent readers (python-pptx, or Python's own zip and XML readers checking the
// package's parts and relationships) when those are installed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <pugixml.hpp>
#include <sstream>
#include <sys/mman.h>
#include <unistd.h>
#include <zlib.h>

#include "core/rich_text.h"
#include "formats/exchange/final_cut_pro.h"
#include "formats/exchange/powerpoint.h"
#include "formats/exchange/zip_package.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/user_error.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

const FrameRate kPal = *FrameRate::FromCode(25);

SubtitleDocument Sample() {
  SubtitleDocument d;
  const char* texts[] = {"Plain", "<Wholly italic>", "Two\r\nrows & signs", "Caf\xC3\xA9 \xD0\x9F\xD1\x80\xD0\xB8",
                         "Partly <italic>"};
  for (int i = 0; i < 5; ++i) {
    Subtitle s;
    s.inCue = FramesToDigits(100 + i * 90, kPal);
    s.outCue = FramesToDigits(160 + i * 90, kPal);
    s.text = texts[i];
    s.comment = i == 2 ? "Check the name" : "";
    d.Append(s);
  }
  return d;
}

TEST(FinalCutPro, EditorsFilesReadTheirTextItems) {
  // As the editor exports a sequence: a video clip and a cross dissolve on the same track,
  // text items on a second track out of order, a title of another generator, CR rows.
  const std::string file =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE xmeml>\n<xmeml version=\"4\"><sequence id=\"Seq\">"
      "<rate><timebase>25</timebase><ntsc>FALSE</ntsc></rate><media><video>"
      "<track><clipitem id=\"c1\"><name>shot.mov</name><start>0</start><end>500</end></clipitem>"
      "<transitionitem><start>490</start><end>510</end></transitionitem></track><track>"
      "<generatoritem id=\"t2\"><name>Text</name><rate><timebase>25</timebase></rate><start>300</start><end>350</end>"
      "<effect><name>Text</name><effectid>Text</effectid><parameter><parameterid>str</parameterid>"
      "<value>Second&#13;row two</value></parameter><parameter><parameterid>fontstyle</parameterid><value>3</value>"
      "</parameter></effect></generatoritem>"
      "<generatoritem id=\"t1\"><name>Text</name><start>100</start><end>150</end><effect><name>Text</name>"
      "<effectid>Text</effectid><parameter><parameterid>str</parameterid><value>First &lt;one&gt;</value></parameter>"
      "</effect></generatoritem><generatoritem id=\"s\"><name>Slug</name><start>0</start><end>10</end><effect>"
      "<effectid>Slug</effectid></effect></generatoritem></track></video></media></sequence></xmeml>";
  Warnings w;
  SubtitleDocument d = ReadFinalCutPro(file, kPal, w);
  ASSERT_EQ(d.Count(), 2u);
  EXPECT_EQ(d.At(0).inCue.digits(), "00000400");
  EXPECT_EQ(d.At(0).text, "First \xEE\x80\xBCone\xEE\x80\xBE");
  EXPECT_EQ(d.At(1).outCue.digits(), "00001400");
  EXPECT_EQ(d.At(1).text, "<Second\r\nrow two>");
  EXPECT_THROW(ReadFinalCutPro("<fcpxml version=\"1.8\"/>", kPal, w), UserError);
  EXPECT_THROW(ReadFinalCutPro("<xmeml version=\"5\"><sequence/></xmeml>", kPal, w), UserError);
}

TEST(FinalCutPro, OurFilesReadBackAndStayAscii) {
  for (int code : {25, 29, 24}) {
    SCOPED_TRACE(code);
    SubtitleDocument doc = Sample();
    doc.SetFrameRate(code);
    Warnings w;
    const std::string file = WriteFinalCutPro(doc, {}, w);
    for (char c : file) ASSERT_LT(static_cast<unsigned char>(c), 0x80) << "written as character references";
    ASSERT_EQ(w.size(), 1u) << "the partial italics are named";
    Warnings rw;
    SubtitleDocument back = ReadFinalCutPro(file, doc.frameRate(), rw);
    ASSERT_EQ(back.Count(), doc.Count());
    for (std::size_t i = 0; i < doc.Count(); ++i) {
      EXPECT_EQ(back.At(i).inCue, doc.At(i).inCue);
      EXPECT_EQ(back.At(i).outCue, doc.At(i).outCue);
      EXPECT_EQ(back.At(i).text, i == 4 ? "Partly italic" : doc.At(i).text);
    }
  }
}

// The file is written straight into a string, not through an XML library: it must be the
// file pugixml makes of the same tree (two-space indentation, text elements on one line,
// markup characters escaped), with CR LF line ends and every character outside ASCII as a
// character reference, at both rates and with names and texts that need escaping.
TEST(FinalCutPro, WrittenAsAnXmlLibraryLaysTheTreeOut) {
  for (int code : {25, 29}) {
    SCOPED_TRACE(code);
    SubtitleDocument doc = Sample();
    doc.SetFrameRate(code);
    doc.filePath = "/work/R&D <cut> \xC3\xA9t\xC3\xA9.kpox";
    Subtitle extra;
    extra.inCue = FramesToDigits(1000, doc.frameRate());
    extra.outCue = FramesToDigits(1050, doc.frameRate());
    extra.text = "\xF0\x9F\x98\x80 a " + LiteralStandIn('>') + " b\tc";  // a literal >, escaped in the file
    extra.alignment = AlignLeft;
    doc.Append(extra);
    FinalCutProOptions o;
    o.fontName = "Arial & <Co>";
    Warnings w;
    const std::string file = WriteFinalCutPro(doc, o, w);

    pugi::xml_document tree;
    ASSERT_TRUE(tree.load_buffer(file.data(), file.size(), (pugi::parse_default | pugi::parse_doctype) & ~pugi::parse_eol));
    std::ostringstream saved;
    tree.save(saved, "  ", pugi::format_default, pugi::encoding_utf8);
    std::string expected;
    for (char32_t c : Utf8ToUtf32(saved.str())) {
      if (c == '\n') expected += "\r\n";
      else if (c < 0x80) expected += static_cast<char>(c);
      else expected += "&#" + std::to_string(static_cast<unsigned long>(c)) + ";";
    }
    EXPECT_EQ(file, expected);
    EXPECT_NE(file.find("<name>R&amp;D &lt;cut&gt; &#233;t&#233;</name>"), std::string::npos);
    EXPECT_NE(file.find(code == 29 ? "<ntsc>TRUE</ntsc>" : "<ntsc>FALSE</ntsc>"), std::string::npos);
    EXPECT_NE(file.find(code == 29 ? "<string>00;00;00;00</string>" : "<string>00:00:00:00</string>"), std::string::npos);
    Warnings rw;
    const SubtitleDocument back = ReadFinalCutPro(file, doc.frameRate(), rw);
    ASSERT_EQ(back.Count(), doc.Count());
    EXPECT_EQ(back.At(back.Count() - 1).text, extra.text);
    EXPECT_NE(file.find("&#128512; a &gt; b\tc"), std::string::npos);
  }
}

TEST(PowerPoint, OurPresentationsReadBackWithCuesItalicsAndComments) {
  const SubtitleDocument doc = Sample();
  for (bool comments : {false, true}) {
    SCOPED_TRACE(comments ? "with comments" : "without comments");
    PowerPointOptions o;
    o.comments = comments;
    o.blankLine = true;
    Warnings w;
    const auto bytes = WritePowerPoint(doc, o, w);
    EXPECT_TRUE(w.empty());
    Warnings rw;
    SubtitleDocument back = ReadPowerPoint(bytes, kPal, rw);
    ASSERT_EQ(back.Count(), doc.Count());
    for (std::size_t i = 0; i < doc.Count(); ++i) {
      EXPECT_EQ(back.At(i).inCue, doc.At(i).inCue);
      EXPECT_EQ(back.At(i).outCue, doc.At(i).outCue);
      EXPECT_EQ(back.At(i).text, doc.At(i).text);
      EXPECT_EQ(back.At(i).comment, comments ? doc.At(i).comment : "");
    }
  }
  Warnings w;
  EXPECT_THROW(ReadPowerPoint(std::vector<std::uint8_t>{'P', 'K', 3, 4, 0, 0}, kPal, w), UserError);
}

bool Python(const std::string& module) {
  return std::system(("python3 -c 'import " + module + "' >/dev/null 2>&1").c_str()) == 0;
}

TEST(PowerPoint, IndependentReadersOpenOurPresentation) {
  if (!Python("zipfile")) GTEST_SKIP() << "python3 is not installed";
  test::TempHome home;
  const auto path = home / "deck.pptx";
  Warnings w;
  WriteFileAtomic(path, WritePowerPoint(Sample(), {}, w));
  // Every part is well-formed XML, every relationship's target is a part, and every part
  // has a content type.
  const std::string check = home / "check.py";
  std::ofstream(check) << R"py(
import sys, zipfile, posixpath, xml.dom.minidom as dom
z = zipfile.ZipFile(sys.argv[1])
names = set(z.namelist())
types = dom.parseString(z.read('[Content_Types].xml'))
defaults = {e.getAttribute('Extension') for e in types.getElementsByTagName('Default')}
overrides = {e.getAttribute('PartName').lstrip('/') for e in types.getElementsByTagName('Override')}
for n in names:
    d = dom.parseString(z.read(n))
    assert n in overrides or n.rsplit('.', 1)[-1] in defaults, n
    if n.endswith('.rels'):
        base = posixpath.dirname(posixpath.dirname(n))
        for r in d.getElementsByTagName('Relationship'):
            t = posixpath.normpath(posixpath.join(base, r.getAttribute('Target')))
            assert t in names, (n, t)
print('ok')
)py";
  EXPECT_EQ(std::system(("python3 '" + check + "' '" + path.string() + "' >/dev/null").c_str()), 0);
  if (!Python("pptx")) GTEST_SKIP() << "python-pptx is not installed";
  const std::string read = home / "read.py";
  std::ofstream(read) << "import sys, pptx\n"
                         "p = pptx.Presentation(sys.argv[1])\n"
                         "print('|'.join(sh.text_frame.text for s in p.slides for sh in s.shapes if sh.has_text_frame))\n";
  EXPECT_EQ(std::system(("python3 '" + read + "' '" + path.string() + "' | grep -q 'Plain|Wholly italic|Two'").c_str()), 0);
}

// The largest document is 65,534 slide parts and nine others: more entries than a classic
// zip end record counts, so the package carries the Zip64 count; every slide's
// relationships are one part's bytes stored many times. Python's zip reader and unzip check
// every part's CRC; our reader gets every slide back.
TEST(PowerPoint, LargestPresentationIsAWholeZipPackage) {
  SubtitleDocument doc;
  std::vector<Subtitle> subs(kMaxSubtitles);
  for (std::size_t i = 0; i < subs.size(); ++i) {
    subs[i].inCue = FramesToDigits(static_cast<Timecode>(i * 60), kPal);
    subs[i].outCue = FramesToDigits(static_cast<Timecode>(i * 60 + 50), kPal);
    subs[i].text = i % 3 ? "Line " + std::to_string(i) + "\r\n<second> row & more" : "x";
  }
  doc.ReplaceAll(std::move(subs));
  Warnings w;
  const std::vector<std::uint8_t> bytes = WritePowerPoint(doc, {}, w);
  const SubtitleDocument back = ReadPowerPoint(bytes, kPal, w);
  ASSERT_EQ(back.Count(), doc.Count());
  for (std::size_t i : {std::size_t{0}, std::size_t{1}, std::size_t{20000}, kMaxSubtitles - 1}) {
    SCOPED_TRACE(i);
    EXPECT_EQ(back.At(i).text, doc.At(i).text);
    EXPECT_EQ(back.At(i).outCue, doc.At(i).outCue);
  }
  if (!Python("zipfile")) GTEST_SKIP() << "python3 is not installed";
  test::TempHome home;
  const auto path = home / "largest.pptx";
  WriteFileAtomic(path, bytes);
  const std::string check = "python3 -c 'import sys, zipfile; z = zipfile.ZipFile(sys.argv[1]); "
                            "assert z.testzip() is None; assert len(z.namelist()) == 65543' '" + path.string() + "'";
  EXPECT_EQ(std::system(check.c_str()), 0);
  if (std::system("command -v unzip >/dev/null 2>&1") == 0) {
    EXPECT_EQ(std::system(("unzip -tqq '" + path.string() + "' >/dev/null").c_str()), 0);
  }
}

// Every option of the export away from its default, the text in the font named.
PowerPointOptions EveryOptionChanged(const std::string& fontName) {
  PowerPointOptions o;
  o.fontName = fontName;
  o.fontWeight = 700;
  o.textColor = 0x00FFFF;  // yellow
  o.backColor = 0x102030;
  o.hAlign = 0;
  o.vAlign = 0;
  o.margin = 10;
  o.baselineAlign = true;
  o.blankLine = true;
  o.comments = true;
  o.fontSizeComments = 24;
  o.hAlignComments = 2;
  o.vAlignComments = 1;
  return o;
}

// Every part of a package, walked through its local headers (our packages carry no data
// descriptors), inflated by zlib and checked against its CRC: (name, bytes) in order, and
// each part's method (0 stored, 8 deflated) into `methods` when asked.
std::vector<std::pair<std::string, std::string>> InflatedParts(const std::vector<std::uint8_t>& zip,
                                                               std::vector<std::uint32_t>* methods = nullptr) {
  std::vector<std::pair<std::string, std::string>> parts;
  auto get = [&](std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int k = n - 1; k >= 0; --k) v = (v << 8) | zip.at(at + k);
    return v;
  };
  for (std::size_t at = 0; at + 30 <= zip.size() && get(at, 4) == 0x04034b50;) {
    const std::uint32_t method = get(at + 8, 2), crc = get(at + 14, 4), packed = get(at + 18, 4),
                        size = get(at + 22, 4), nameLength = get(at + 26, 2), extra = get(at + 28, 2);
    const std::string name(zip.begin() + at + 30, zip.begin() + at + 30 + nameLength);
    const std::uint8_t* data = zip.data() + at + 30 + nameLength + extra;
    std::string bytes(size, '\0');
    if (method == 0) {
      EXPECT_EQ(packed, size) << name;
      std::memcpy(bytes.data(), data, size);
    } else {
      EXPECT_EQ(method, 8u) << name;
      z_stream z{};
      inflateInit2(&z, -15);
      z.next_in = const_cast<Bytef*>(data);
      z.avail_in = packed;
      z.next_out = reinterpret_cast<Bytef*>(bytes.data());
      z.avail_out = size;
      EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END) << name;
      EXPECT_EQ(z.avail_in, 0u) << name;  // the deflate stream ends where the part does
      EXPECT_EQ(z.avail_out, 0u) << name;
      inflateEnd(&z);
    }
    EXPECT_EQ(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), size), crc) << name;
    parts.emplace_back(name, std::move(bytes));
    if (methods) methods->push_back(method);
    at += 30 + nameLength + extra + packed;
  }
  return parts;
}

// The slides are put together from texts deflated once for the whole presentation and the
// slide's own bytes stored between them. Inflated by zlib, every part must be the XML of the
// two presentations under tests/data/pptx, deflated each part whole, whose rendering was
// checked in a presentation program: one with the default options, one with every option
// changed (comments with a blank line, bold, colours, alignments, a font name that needs
// escapes). KIPO_UPDATE_GOLDEN=1 writes them again from the writer.
TEST(PowerPoint, PiecedPartsInflateToTheCheckedXml) {
  SubtitleDocument doc;
  const char* texts[] = {"Plain", "<Wholly italic>", "Two\r\nrows & signs \"quoted\"", "Caf\xC3\xA9 \xD0\x9F\xD1\x80\xD0\xB8",
                         "Partly <italic> and\r\n<a second> row", "", "Tab\there\x01", "x", "Three\r\nrows\r\nhere",
                         "Ten", "Eleven", "Twelve <it>"};
  for (int i = 0; i < 12; ++i) {
    Subtitle s;
    s.inCue = FramesToDigits(100 + i * 90, kPal);
    s.outCue = FramesToDigits(160 + i * 90, kPal);
    s.text = texts[i];
    s.italic = i == 9;
    s.comment = i == 2 ? "Check the name" : i == 8 ? "Two\r\ncomment rows <&>" : "";
    doc.Append(s);
  }
  const PowerPointOptions changed = EveryOptionChanged("Times & \"Co\"");
  const std::pair<const char*, PowerPointOptions> cases[] = {{"default.pptx", {}}, {"options.pptx", changed}};
  for (const auto& [file, options] : cases) {
    SCOPED_TRACE(file);
    Warnings w;
    const auto ours = InflatedParts(WritePowerPoint(doc, options, w));
    const auto golden = std::filesystem::path(KIPO_TEST_DATA) / "pptx" / file;
    if (std::getenv("KIPO_UPDATE_GOLDEN")) {
      WriteFileAtomic(golden, *ZipParts(ours));
      continue;
    }
    const auto before = InflatedParts(ReadFileBytes(golden));
    ASSERT_EQ(ours.size(), before.size());
    for (std::size_t k = 0; k < ours.size(); ++k) {
      EXPECT_EQ(ours[k].first, before[k].first);
      EXPECT_EQ(ours[k].second, before[k].second) << ours[k].first;
    }
  }
}

// A presentation of the given slides' XML, packaged as a presentation program lays it out.
// `targets` (optional, one per slide) replaces a slide's relationship target "slides/slideN.xml".
std::vector<std::uint8_t> Presentation(const std::vector<std::string>& slides, const std::vector<std::string>& targets = {}) {
  const std::string ns = "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
                         "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
                         "xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\"";
  std::string ids, rels;
  std::vector<std::pair<std::string, std::string>> parts;
  for (std::size_t k = 0; k < slides.size(); ++k) {
    const std::string n = std::to_string(k + 1);
    ids += "<p:sldId id=\"" + std::to_string(256 + k) + "\" r:id=\"rId" + std::to_string(k + 7) + "\"/>";
    rels += "<Relationship Id=\"rId" + std::to_string(k + 7) +
            "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/slide\" Target=\"" +
            (k < targets.size() ? targets[k] : "slides/slide" + n + ".xml") + "\"/>";
    parts.emplace_back("ppt/slides/slide" + n + ".xml", slides[k]);
  }
  parts.emplace_back("ppt/presentation.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<p:presentation " +
                                                 ns + "><p:sldIdLst>" + ids + "</p:sldIdLst></p:presentation>");
  parts.emplace_back("ppt/_rels/presentation.xml.rels",
                     "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<Relationships "
                     "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" + rels + "</Relationships>");
  return *ZipParts(parts);
}

std::string SlideHead() {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<p:sld "
         "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
         "xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\">";
}
std::string Shape(const std::string& name, const std::string& paragraphs) {
  return "<p:sp><p:nvSpPr><p:cNvPr id=\"2\" name=\"" + name + "\"/><p:cNvSpPr txBox=\"1\"/><p:nvPr/></p:nvSpPr>"
         "<p:spPr/><p:txBody><a:bodyPr/><a:lstStyle/>" + paragraphs + "</p:txBody></p:sp>";
}
std::string Slide(const std::string& cues, const std::string& shapes) {
  return SlideHead() + "<p:cSld" + (cues.empty() ? "" : " name=\"" + cues + "\"") +
         "><p:spTree><p:nvGrpSpPr><p:cNvPr id=\"1\" name=\"\"/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr><p:grpSpPr/>" +
         shapes + "</p:spTree></p:cSld><p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr></p:sld>";
}

// A slide is read where it lies in the package, with no terminator after it. Slides are
// put here at the very end of readable memory: a reader reading past one's end crashes.
class AtPageEnd {
 public:
  AtPageEnd() {
    void* map = mmap(nullptr, kRoom + kPage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    EXPECT_NE(map, MAP_FAILED);
    base_ = static_cast<char*>(map);
    EXPECT_EQ(mprotect(base_ + kRoom, kPage, PROT_NONE), 0);
  }
  ~AtPageEnd() { munmap(base_, kRoom + kPage); }
  AtPageEnd(const AtPageEnd&) = delete;
  AtPageEnd& operator=(const AtPageEnd&) = delete;
  std::string_view Put(std::string_view xml) {
    EXPECT_LE(xml.size(), kRoom);
    char* at = base_ + kRoom - xml.size();
    std::memcpy(at, xml.data(), xml.size());
    return {at, xml.size()};
  }

 private:
  static constexpr std::size_t kRoom = 1 << 16;
  const std::size_t kPage = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  char* base_;
};

// A slide is read by the first of three readers that takes it: a quick scan of the tags for
// the plain form, the general XML scan, the XML library's tree. Every slide, whichever
// reader takes it first, must read the same through each reader it can go to: the first
// text box with text, the comment box, italics, breaks, fields, escapes, white space,
// groups, and parts in unusual orders, as presentation programs and other tools write them.
TEST(PowerPoint, SlidesOfOtherToolsReadTheSameByEveryReader) {
  using R = SlideReading;
  AtPageEnd atEnd;
  struct Case {
    const char* what;
    std::string xml;
    R first;              // the reader that takes it
    const char* text;     // expected, or nullptr to compare the readings only
    const char* comment;
  };
  const std::vector<Case> cases = {
      {"runs with their own properties in any order and quoting, italics switching, a break with properties",
       Slide("00:00:01:00 00:00:02:00",
             Shape("TextBox 1", "<a:p><a:r><a:rPr lang=\"en-US\" dirty=\"0\"/><a:t>First</a:t></a:r><a:r><a:rPr lang='en-US' "
                                "dirty = \"0\" i=\"1\" /><a:t> italic</a:t></a:r></a:p><a:p><a:r><a:rPr i='true'/><a:t>Second "
                                "&amp; &apos;row&quot;</a:t ></a:r><a:br><a:rPr lang=\"en-US\"/></a:br><a:r><a:t>after</a:t></a:r>"
                                "<a:endParaRPr lang=\"en-US\"/></a:p>")),
       R::Quick, "First< italic\r\nSecond & 'row\"\r\n>after", ""},
      {"pretty-printed with CR LF, white space alone in a text, a comment inside a text, references",
       Slide("00:00:03:00 00:00:04:00",
             "\r\n  " + Shape("Title", "\r\n    <a:p>\r\n      <a:r>\r\n        <a:t> </a:t>\r\n      </a:r>\r\n      <a:r>"
                                      "<a:t>caf&#233; <!-- note -->x</a:t></a:r>\r\n    </a:p>\r\n    <a:p><a:r><a:t>a &lt;b&gt; "
                                      "&#x5B;c]</a:t></a:r></a:p>\r\n  ") + "\r\n"),
       R::Scan, "caf\xC3\xA9 \r\na \xEE\x80\xBC" "b\xEE\x80\xBE \xEE\x81\x9B" "c\xEE\x81\x9D", ""},
      {"pretty-printed with tabs and LF, a text of two lines",
       Slide("00:00:03:00 00:00:04:00",
             "\n\t" + Shape("Title", "\n\t\t<a:p>\n\t\t\t<a:r>\n\t\t\t\t<a:t>\t</a:t>\n\t\t\t</a:r>\n\t\t\t<a:r><a:t>one\nline</a:t>"
                                      "</a:r>\n\t\t</a:p>\n\t") + "\n"),
       R::Quick, nullptr, ""},
      {"a CR inside a run's text, a tab in the slide's name, a reference in a shape's name",
       Slide("00:00:03:00\t00:00:04:00",
             Shape("Comm&#101;nt", "<a:p><a:r><a:t>one\r\nline</a:t></a:r></a:p>") + Shape("B", "<a:p><a:r><a:t>b</a:t></a:r></a:p>")),
       R::Scan, nullptr, "one\nline"},
      {"a comment box with its blank first row and italics it does not keep, a field",
       Slide("00:00:05:00 00:00:06:00",
             Shape("Subtitle", "<a:p><a:fld id=\"{1}\" type=\"slidenum\"><a:rPr i=\"1\"/><a:t>7</a:t></a:fld></a:p>") +
                 Shape("Comment", "<a:p><a:endParaRPr/></a:p><a:p><a:r><a:rPr i=\"1\"/><a:t>Note</a:t></a:r></a:p>")),
       R::Quick, "<7>", "Note"},
      {"an empty box before the text, a group holding a box, a second comment box without text",
       Slide("00:00:07:00 00:00:08:00",
             Shape("Empty", "<a:p/>") + "<p:grpSp><p:nvGrpSpPr/><p:grpSpPr/>" + Shape("Inner", "<a:p><a:r><a:t>grouped</a:t></a:r></a:p>") +
                 "</p:grpSp>" + Shape("Comment", "<a:p><a:r><a:t>gone</a:t></a:r></a:p>") + Shape("Text", "<a:p><a:r><a:t>Shown</a:t></a:r></a:p>") +
                 "<p:sp><p:nvSpPr><p:cNvPr id=\"9\" name=\"Comment\"/></p:nvSpPr></p:sp>"),
       R::Quick, "Shown", ""},
      {"the shape's name after its text, properties after the run's text, two texts in a run",
       Slide("00:00:09:00 00:00:10:00",
             "<p:sp><p:txBody><a:p><a:r><a:t>late</a:t><a:rPr i=\"1\"/><a:t>second</a:t></a:r></a:p></p:txBody><p:nvSpPr>"
             "<p:cNvPr id=\"3\" name=\"Comment\"/></p:nvSpPr></p:sp>" + Shape("Body", "<a:p><a:r><a:t>body</a:t><a:rPr i=\"1\"/></a:r></a:p>")),
       R::Tree, "<body>", "late"},
      {"no cues in the slide's name, an element inside a run's text, rows of a wholly italic text",
       Slide("", Shape("T", "<a:p><a:r><a:rPr i=\"1\"/><a:t><a:x/>one</a:t></a:r></a:p><a:p><a:r><a:rPr i=\"1\"/><a:t>two</a:t>"
                            "</a:r></a:p>")),
       R::Quick, "<one\r\ntwo>", ""},
      {"other prefixes for the namespaces: read as a slide without text",
       "<pr:sld xmlns:pr=\"http://schemas.openxmlformats.org/presentationml/2006/main\"><pr:cSld name=\"00:00:01:00 "
       "00:00:02:00\"/></pr:sld>",
       R::Scan, "", ""},
      {"a byte-order mark, a processing instruction, a DOCTYPE",
       "\xEF\xBB\xBF<?xml version=\"1.0\"?><!DOCTYPE p:sld><?app data?>" +
           Slide("00:00:01:00 00:00:02:00", Shape("T", "<a:p><a:r><a:t>ok</a:t></a:r></a:p>")).substr(SlideHead().find("<p:sld")),
       R::Scan, "ok", ""},
      // Damaged slides: every reader refuses them, or reads them as the tree does.
      {"cut short", Slide("00:00:01:00 00:00:02:00", Shape("T", "<a:p><a:r><a:t>x</a:t></a:r></a:p>")).substr(0, 400), R::Failed,
       nullptr, nullptr},
      {"an end tag that closes another element", SlideHead() + "<p:cSld name=\"1\"></p:spTree></p:sld>", R::Failed, nullptr, nullptr},
      {"a value without quotes", SlideHead() + "<p:cSld name=1/></p:sld>", R::Failed, nullptr, nullptr},
      {"no space between two attributes", SlideHead() + "<p:cSld name=\"1\"id=\"2\"/></p:sld>", R::Failed, nullptr, nullptr},
      {"a NUL in a run's text", Slide("1", Shape("T", std::string("<a:p><a:r><a:t>a\0b</a:t></a:r></a:p>", 35))), R::Failed,
       nullptr, nullptr},
      {"not XML", "<p:sld><broken", R::Failed, nullptr, nullptr},
      {"a value left open up to the slide's last '>'", SlideHead() + "<p:cSld name=\"1\"/><p:x a=\"b/>", R::Failed, nullptr,
       nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SlideText first;
    const std::string_view xml = atEnd.Put(c.xml);
    EXPECT_EQ(ReadSlideXml(xml, first), c.first);
    if (c.text) {
      EXPECT_EQ(first.text, c.text);
    }
    if (c.comment) {
      EXPECT_EQ(first.comment, c.comment);
    }
    for (R from : {R::Scan, R::Tree}) {
      if (c.first != R::Failed && from < c.first) continue;
      SlideText other;
      EXPECT_EQ(ReadSlideXml(xml, other, from), c.first == R::Failed ? R::Failed : from);
      EXPECT_EQ(other.name, first.name);
      EXPECT_EQ(other.text, first.text);
      EXPECT_EQ(other.comment, first.comment);
    }
  }
  // Through a presentation: targets beside it, from its root and from above it find their
  // slides; a slide that is not XML, or missing, is skipped with a warning.
  auto ok = [](int second) {
    const std::string s = std::to_string(second);
    return Slide("00:00:0" + s + ":00 00:00:0" + s + ":10", Shape("T", "<a:p><a:r><a:t>ok " + s + "</a:t></a:r></a:p>"));
  };
  Warnings w;
  const SubtitleDocument mixed = ReadPowerPoint(
      Presentation({ok(1), "<p:sld><broken", ok(3), ok(4), ok(5)},
                   {"slides/slide1.xml", "slides/slide2.xml", "/ppt/slides/slide3.xml", "../ppt/slides/slide4.xml", "slides/none.xml"}),
      kPal, w);
  ASSERT_EQ(mixed.Count(), 3u);
  EXPECT_EQ(mixed.At(2).text, "ok 4");
  EXPECT_EQ(mixed.At(2).outCue.digits(), "00000410");
  for (const char* part : {"ppt/slides/slide2.xml", "ppt/slides/none.xml"})
    EXPECT_NE(std::find(w.begin(), w.end(), std::string("A slide that could not be read was skipped: ") + part), w.end()) << part;
}

// The presentation's two lists, read by the XML scan where it can and by the XML library
// otherwise, give the same slides and relationships in every form below: the slides of the
// first list only, at its depth only, an id missing, relationships under another root, an
// id given twice, values with references (the library's then), comments, another root, a
// NUL cutting a list short, not XML.
TEST(PowerPoint, PresentationListsReadTheSameByScanAndLibrary) {
  const std::string ns = "xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\" "
                         "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
  auto pres = [&](const std::string& inside) { return "<?xml version=\"1.0\"?>\r\n<p:presentation " + ns + ">" + inside + "</p:presentation>"; };
  auto rels = [](const std::string& inside) { return "<Relationships xmlns=\"r\">" + inside + "</Relationships>"; };
  auto rel = [](const std::string& id, const std::string& target) {
    return "<Relationship Id=\"" + id + "\" Type=\"t\" Target=\"" + target + "\"/>";
  };
  const std::string two = "<p:sldIdLst><p:sldId id=\"256\" r:id=\"rId2\"/><p:sldId id=\"257\" r:id=\"rId3\"/></p:sldIdLst>";
  const std::string both = rel("rId2", "slides/slide1.xml") + rel("rId3", "slides/slide2.xml");
  struct Case {
    const char* what;
    std::string pres, rels;
    bool scanned;  // the scan reads it (else the library does, or neither)
  };
  const std::vector<Case> cases = {
      {"plain", pres(two), rels(both), true},
      {"a second list and a deeper slide left out",
       pres("<p:sldMasterIdLst/>" + two + "<p:sldIdLst><p:sldId r:id=\"rId9\"/></p:sldIdLst><p:x><p:sldId r:id=\"rId8\"/></p:x>"),
       rels(both), true},
      {"a slide without an id, an id given twice",
       pres("<p:sldIdLst><p:sldId/><p:sldId r:id=\"rId2\"/></p:sldIdLst>"), rels(both + rel("rId2", "slides/again.xml")), true},
      {"relationships under another root", pres(two), "<Other>" + both + "</Other>", true},
      {"comments, processing instructions, white space",
       pres("<!-- c -->\r\n  <p:sldIdLst>\n <?pi x?><p:sldId r:id='rId3' /></p:sldIdLst>"), "<!-- c -->" + rels("\r\n" + both), true},
      {"a reference in a value", pres(two), rels(rel("rId2", "slides/a&amp;b.xml") + rel("rId3", "x")), false},
      {"a reference in an id", pres("<p:sldIdLst><p:sldId r:id=\"rId&#50;\"/></p:sldIdLst>"), rels(both), false},
      {"a NUL cutting the relationships short", pres(two), rels(both) + std::string("\0<x>", 4), true},
      {"another root", "<p:other " + ns + ">" + two + "</p:other>", rels(both), false},
      {"not XML", pres(two).substr(0, 60), rels(both), false},
      {"relationships not XML", pres(two), rels(both).substr(0, 40), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string p1 = c.pres, r1 = c.rels, p2 = c.pres, r2 = c.rels;
    PresentationLists scanned, tree;
    const bool byScan = ReadPresentationLists(p1, r1, scanned);
    const bool byTree = ReadPresentationLists(p2, r2, tree, false);
    ASSERT_EQ(byScan, byTree);
    EXPECT_EQ(scanned.slides, tree.slides);
    EXPECT_EQ(scanned.relationships, tree.relationships);
    // The scan leaves the text as it was; the library parses it in place.
    EXPECT_EQ(p1 == c.pres && r1 == c.rels, c.scanned);
  }
}

// The quick scan keeps the slides it read whole as patterns for the next ones: a slide that
// differs from one of them only in its cues and texts is read from the pattern, one that
// differs in more has its equal stretches taken from it. Read in every order of three, each
// of these slides (most of them one value or text away from another, some holding what a
// pattern's places cannot take: a reference, white space alone, a quote, a CR, nothing)
// gives what the tree alone gives.
TEST(PowerPoint, SlidesReadAfterOthersReadAsAlone) {
  auto row = [](const std::string& text, bool italic = false) {
    return "<a:p><a:r><a:rPr lang=\"en-GB\"" + std::string(italic ? " i=\"1\"" : "") + "/><a:t>" + text + "</a:t></a:r></a:p>";
  };
  const std::string cues = "00:00:01:00 00:00:02:00";
  const std::vector<std::string> slides = {
      Slide(cues, Shape("Subtitle", row("Row one"))),
      Slide("00:00:03:00 00:00:04:10", Shape("Subtitle", row("Another row, longer than the first"))),
      Slide(cues, Shape("Subtitle", row("Fish &amp; chips &lt;3"))),
      Slide(cues, Shape("Subtitle", row("   "))),
      Slide(cues, Shape("Subtitle", row(""))),
      Slide(cues, Shape("Subtitle", row("a\r\nb"))),
      Slide(cues, Shape("Subtitle", row("a\nb &gt; c"))),
      Slide("Q&amp;A", Shape("Subtitle", row("Row one"))),
      Slide("it's", Shape("Subtitle", row("Row one"))),
      Slide("", Shape("Subtitle", row("Row one"))),
      Slide(cues, Shape("Subtitle", row("Row one", true) + row("Row two"))),
      Slide(cues, Shape("Subtitle", row("Row one") + row("Row two", true))),
      Slide(cues, Shape("Comment", row("") + row("A note")) + Shape("Subtitle", row("Row one"))),
      Slide(cues, Shape("Comment", "") + Shape("Subtitle", row("Row one"))),
      Slide(cues, Shape("Subtitle", "<a:p><a:r><a:t>One</a:t></a:r><a:br/><a:r><a:rPr i=\"1\"/><a:t>two</a:t></a:r></a:p>")),
  };
  std::vector<SlideText> alone(slides.size());
  for (std::size_t i = 0; i < slides.size(); ++i) {
    std::string tree = slides[i];
    ASSERT_EQ(ReadSlideXml(tree, alone[i], SlideReading::Tree), SlideReading::Tree) << i;
  }
  AtPageEnd atEnd;
  int quick = 0;
  for (std::size_t a = 0; a < slides.size(); ++a) {
    for (std::size_t b = 0; b < slides.size(); ++b) {
      for (std::size_t c = 0; c < slides.size(); ++c) {
        for (std::size_t i : {a, b, c}) {
          SlideText read;
          const SlideReading how = ReadSlideXml(atEnd.Put(slides[i]), read);
          quick += how == SlideReading::Quick;
          ASSERT_NE(how, SlideReading::Failed) << a << " " << b << " " << c;
          ASSERT_EQ(read.name, alone[i].name) << a << " " << b << " " << c;
          ASSERT_EQ(read.text, alone[i].text) << a << " " << b << " " << c;
          ASSERT_EQ(read.comment, alone[i].comment) << a << " " << b << " " << c;
        }
      }
    }
  }
  EXPECT_GT(quick, static_cast<int>(slides.size() * slides.size() * slides.size() * 2));
  // A slide that follows both patterns, then takes a stretch of the last one whose tags the
  // other does not have, then follows the other's tag after it: the other was given up with
  // the stretch, so that its end tags are not taken for elements it never opened (here one
  // closing an element of another name).
  const std::vector<std::string> sequence = {SlideHead() + "<p:cSld name=\"1\"/><x><y/></x></p:sld>",
                                             SlideHead() + "<p:cSld name=\"1\"/><w><w2/><w3/></w></p:sld>",
                                             SlideHead() + "<p:cSld name=\"2\"/><w><y/></x></p:sld>",
                                             SlideHead() + "<p:cSld name=\"3\"/><w><y/></w></p:sld>"};
  for (std::size_t i = 0; i < sequence.size(); ++i) {
    std::string tree = sequence[i];
    SlideText read, built;
    const SlideReading how = ReadSlideXml(atEnd.Put(sequence[i]), read);
    const SlideReading treeHow = ReadSlideXml(tree, built, SlideReading::Tree);
    ASSERT_EQ(how == SlideReading::Failed, treeHow == SlideReading::Failed) << i;
    EXPECT_EQ(read.name, built.name) << i;
  }
}

// tests/data/pptx/libreoffice.pptx is options.pptx opened in LibreOffice Impress and saved
// again as a presentation: its slides in the suite's habits (pretty-printed group
// properties, elements closed by end tags, run properties with attributes in its own order,
// line spacing, shape styles, more namespaces; no slide names, so no cues). Each slide is
// read by the quick scan (one with a character reference by the general scan) as the tree
// reads it, and the presentation gives the texts and comments of ours.
TEST(PowerPoint, SlidesLibreOfficeSavedReadByTheQuickScan) {
  const auto dir = std::filesystem::path(KIPO_TEST_DATA) / "pptx";
  const std::vector<std::uint8_t> bytes = ReadFileBytes(dir / "libreoffice.pptx");
  const std::unique_ptr<ZipReader> zip = ZipReader::Open(bytes);  // parts with data descriptors
  ASSERT_TRUE(zip);
  std::size_t slides = 0;
  for (std::optional<std::string> part; (part = zip->Read("ppt/slides/slide" + std::to_string(slides + 1) + ".xml", 1 << 20));) {
    SCOPED_TRACE(slides);
    ++slides;
    std::string xml = *part, tree = *part;
    SlideText quick, built;
    // A tab the suite writes as a character reference goes to the general scan.
    const bool reference = xml.find("&#") != std::string::npos;
    EXPECT_EQ(ReadSlideXml(xml, quick), reference ? SlideReading::Scan : SlideReading::Quick);
    EXPECT_EQ(ReadSlideXml(tree, built, SlideReading::Tree), SlideReading::Tree);
    EXPECT_EQ(quick.text, built.text);
    EXPECT_EQ(quick.comment, built.comment);
  }
  EXPECT_EQ(slides, 12u);
  Warnings w, ow;
  const SubtitleDocument saved = ReadPowerPoint(bytes, kPal, w);
  const SubtitleDocument ours = ReadPowerPoint(ReadFileBytes(dir / "options.pptx"), kPal, ow);
  ASSERT_EQ(saved.Count(), ours.Count());
  for (std::size_t i = 0; i < ours.Count(); ++i) {
    EXPECT_EQ(saved.At(i).text, ours.At(i).text);
    EXPECT_EQ(saved.At(i).comment, ours.At(i).comment);
  }
  EXPECT_EQ(w, Warnings{"12 slides have no cues in their names and were read without cues"});
}

// Whatever a slide's bytes, the quick scan reads it as the tree does or leaves it to the
// readers after it: a slide of ours and one of another tool's habits, each byte in turn
// replaced by the bytes the scans treat apart, or left out, read by the first reader that
// takes it and by the tree alone, must give the same text, comment and name, or both fail.
TEST(PowerPoint, DamagedSlidesReadByTheQuickScanAsByTheTree) {
  SubtitleDocument doc;
  Subtitle sub;
  sub.inCue = FramesToDigits(100, kPal);
  sub.outCue = FramesToDigits(150, kPal);
  sub.text = "Row & <one>\r\ntwo";
  sub.comment = "Note";
  doc.Append(sub);
  PowerPointOptions o;
  o.comments = true;
  Warnings w;
  std::string ours;
  for (const auto& [name, bytes] : InflatedParts(WritePowerPoint(doc, o, w)))
    if (name == "ppt/slides/slide1.xml") ours = bytes;
  ASSERT_FALSE(ours.empty());
  const std::string theirs =
      Slide("00:00:01:00 00:00:02:00", Shape("TextBox 1", "<a:p><a:r><a:rPr lang='en-US' i=\"1\"/><a:t>It &amp; x</a:t></a:r>"
                                                        "<a:br/><a:fld id=\"{1}\"><a:t>7</a:t></a:fld></a:p>") +
                                           Shape("Comment", "<a:p><a:r><a:t>c</a:t></a:r></a:p>"));
  int quick = 0, cases = 0;
  AtPageEnd atEnd;
  for (const std::string& slide : {ours, theirs}) {
    for (std::size_t at = 0; at < slide.size(); ++at) {
      for (const char* with : {"", "<", ">", "/", "\"", "'", "&", "=", " ", "\r", "x", ":", "\x80"}) {
        std::string xml = slide;
        xml.replace(at, 1, with);
        std::string tree = xml;
        SlideText first, built;
        const SlideReading how = ReadSlideXml(atEnd.Put(xml), first);
        const SlideReading treeHow = ReadSlideXml(tree, built, SlideReading::Tree);
        ++cases;
        quick += how == SlideReading::Quick;
        ASSERT_EQ(how == SlideReading::Failed, treeHow == SlideReading::Failed) << at << " " << with;
        ASSERT_EQ(first.name, built.name) << at << " " << with;
        ASSERT_EQ(first.text, built.text) << at << " " << with;
        ASSERT_EQ(first.comment, built.comment) << at << " " << with;
      }
    }
  }
  EXPECT_GT(quick, cases / 5) << "many changes leave a slide the quick scan still reads";
}

// Our slides are stored in the package, read where they lie, and every other part deflated.
// The same presentation with every part deflated, as presentation programs write it, reads
// the same. A stored slide whose bytes no longer match its CRC is left to libzip, which
// gives it as it is (it checks no CRC of a part read to its size): here no longer XML, it
// is skipped with a warning.
TEST(PowerPoint, StoredSlidesAndDeflatedPackagesReadTheSame) {
  const SubtitleDocument doc = Sample();
  PowerPointOptions o;
  o.comments = true;
  Warnings w;
  const std::vector<std::uint8_t> ours = WritePowerPoint(doc, o, w);
  std::vector<std::uint32_t> methods;
  const auto parts = InflatedParts(ours, &methods);
  for (std::size_t i = 0; i < parts.size(); ++i)
    EXPECT_EQ(methods[i], parts[i].first.starts_with("ppt/slides/slide") ? 0u : 8u) << parts[i].first;
  std::vector<std::uint8_t> damaged = ours;
  const std::string_view all(reinterpret_cast<const char*>(damaged.data()), damaged.size());
  const std::size_t third = all.find("rows &amp; signs");  // the third slide's text
  ASSERT_NE(third, std::string_view::npos);
  damaged[third] = '<';
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    std::size_t skipped;  // the slide left out, or npos
  };
  const Case cases[] = {
      {"as written", ours, std::string::npos},
      {"every part deflated", *ZipParts(InflatedParts(ours)), std::string::npos},
      {"a stored slide damaged", damaged, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Warnings rw;
    const SubtitleDocument back = ReadPowerPoint(c.bytes, kPal, rw);
    ASSERT_EQ(back.Count(), doc.Count() - (c.skipped == std::string::npos ? 0 : 1));
    for (std::size_t i = 0, k = 0; i < doc.Count(); ++i) {
      if (i == c.skipped) continue;
      EXPECT_EQ(back.At(k).inCue, doc.At(i).inCue);
      EXPECT_EQ(back.At(k).outCue, doc.At(i).outCue);
      EXPECT_EQ(back.At(k).text, doc.At(i).text);
      EXPECT_EQ(back.At(k).comment, doc.At(i).comment);
      ++k;
    }
    EXPECT_EQ(rw, c.skipped == std::string::npos ? Warnings{}
                                                 : Warnings{"A slide that could not be read was skipped: ppt/slides/slide3.xml"});
  }
}

// The office suite opens our presentation and shows it as written: converted headless to a
// flat OpenDocument presentation, every slide is a page named by its cues on the background
// colour, the text box where the margin puts it with its anchor, and every row's runs in the
// font, size, weight, colour and alignment chosen, italic where the subtitle is; the comment
// box likewise. The suite is large and not installed by the project; the test runs where it is.
TEST(PowerPoint, PresentationProgramShowsOurPresentationAsWritten) {
  const char* program = std::system("command -v libreoffice >/dev/null 2>&1") == 0 ? "libreoffice"
                        : std::system("command -v soffice >/dev/null 2>&1") == 0   ? "soffice"
                                                                                    : nullptr;
  if (!program) GTEST_SKIP() << "LibreOffice is not installed";
  test::TempHome home;
  const auto path = home / "deck.pptx";
  const PowerPointOptions o = EveryOptionChanged("DejaVu Serif");  // a font the office suite has
  Warnings w;
  WriteFileAtomic(path, WritePowerPoint(Sample(), o, w));
  const std::string command = std::string(program) + " -env:UserInstallation=file://" + (home / "profile").string() +
                              " --headless --convert-to fodp --outdir '" + home.path().string() + "' '" +
                              path.string() + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  pugi::xml_document shown;
  ASSERT_TRUE(shown.load_file((home / "deck.fodp").c_str()));
  const pugi::xml_node root = shown.child("office:document");
  // Properties of a style and the styles it is based on, the nearest first.
  std::map<std::string, pugi::xml_node> styles, masters, fonts;
  for (const char* group : {"office:styles", "office:automatic-styles"})
    for (pugi::xml_node st : root.child(group).children("style:style")) styles[st.attribute("style:name").value()] = st;
  for (pugi::xml_node m : root.child("office:master-styles").children("style:master-page")) masters[m.attribute("style:name").value()] = m;
  for (pugi::xml_node f : root.child("office:font-face-decls").children("style:font-face")) fonts[f.attribute("style:name").value()] = f;
  auto property = [&](std::string style, const char* name) -> std::string {
    for (int depth = 0; depth < 8 && styles.count(style); ++depth) {
      for (pugi::xml_node props : styles[style].children())
        if (pugi::xml_attribute a = props.attribute(name)) return a.value();
      style = styles[style].attribute("style:parent-style-name").value();
    }
    return "";
  };
  auto centimetres = [](pugi::xml_attribute a) { return std::strtod(a.value(), nullptr); };
  // A box's rows as subtitle text, its runs' looks checked on the way.
  auto boxText = [&](pugi::xml_node box, const char* size, const char* weight, const char* align) {
    std::string text;
    for (pugi::xml_node p : box.children("text:p")) {
      if (!text.empty() || p.previous_sibling("text:p")) text += "\r\n";
      EXPECT_EQ(property(p.attribute("text:style-name").value(), "fo:text-align"), align);
      bool italic = false;
      for (pugi::xml_node span : p.children("text:span")) {
        const std::string run = span.text().get();
        if (run.empty()) continue;
        const std::string style = span.attribute("text:style-name").value();
        EXPECT_EQ(property(style, "fo:color"), "#ffff00") << run;
        EXPECT_EQ(property(style, "fo:font-size"), size) << run;
        EXPECT_EQ(property(style, "fo:font-weight"), weight) << run;
        EXPECT_EQ(fonts[property(style, "style:font-name")].attribute("svg:font-family").value(), std::string("'DejaVu Serif'"))
            << run;
        const bool on = property(style, "fo:font-style") == "italic";
        if (on != italic) text += on ? "<" : ">";
        italic = on;
        text += run;
      }
      if (italic) text += ">";
    }
    return text;
  };
  const SubtitleDocument doc = Sample();
  std::size_t pages = 0;
  for (pugi::xml_node page : root.child("office:body").child("office:presentation").children("draw:page")) {
    ASSERT_LT(pages, doc.Count());
    const Subtitle& s = doc.At(pages++);
    SCOPED_TRACE(s.text);
    EXPECT_EQ(page.attribute("draw:name").value(), s.inCue.Label() + " " + s.outCue.Label());
    std::string back = property(page.attribute("draw:style-name").value(), "draw:fill-color");
    if (back.empty()) back = property(masters[page.attribute("draw:master-page-name").value()].attribute("draw:style-name").value(), "draw:fill-color");
    EXPECT_EQ(back, "#302010");
    std::map<std::string, pugi::xml_node> boxes;
    for (pugi::xml_node shape : page.children()) {
      if (!shape.attribute("draw:name")) continue;
      boxes[shape.attribute("draw:name").value()] = shape;
      EXPECT_NEAR(centimetres(shape.attribute("svg:x")), 0.353, 0.002);  // 10 points
      EXPECT_NEAR(centimetres(shape.attribute("svg:y")), 0.353, 0.002);
      EXPECT_NEAR(centimetres(shape.attribute("svg:width")), 33.867 - 2 * 0.353, 0.005);
    }
    ASSERT_TRUE(boxes.count("Subtitle"));
    EXPECT_EQ(property(boxes["Subtitle"].attribute("draw:style-name").value(), "draw:textarea-vertical-align"), "top");
    std::string text = boxText(boxes["Subtitle"], "40pt", "bold", "start");
    for (std::size_t q; (q = text.find(">\r\n<")) != std::string::npos;) text.replace(q, 4, "\r\n");
    EXPECT_EQ(text, s.text);
    EXPECT_EQ(boxes.count("Comment"), s.comment.empty() ? 0u : 1u);
    if (boxes.count("Comment")) {
      EXPECT_EQ(property(boxes["Comment"].attribute("draw:style-name").value(), "draw:textarea-vertical-align"), "middle");
      EXPECT_EQ(boxText(boxes["Comment"], "24pt", "normal", "end"), "\r\n" + s.comment);
    }
  }
  EXPECT_EQ(pages, doc.Count());
}

}  // namespace
}  // namespace kipo
