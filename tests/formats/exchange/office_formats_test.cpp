// Final Cut Pro XML and PowerPoint presentations: files as the editing system writes them
// read with their text items, our files read back, and our presentations open in
// independent readers (python-pptx, or Python's own zip and XML readers checking the
// package's parts and relationships) when those are installed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <pugixml.hpp>
#include <sstream>
#include <zlib.h>

#include "core/rich_text.h"
#include "formats/exchange/final_cut_pro.h"
#include "formats/exchange/powerpoint.h"
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

// Every part of a package, walked through its local headers (our packages carry no data
// descriptors), inflated by zlib and checked against its CRC: (name, bytes) in order.
std::vector<std::pair<std::string, std::string>> InflatedParts(const std::vector<std::uint8_t>& zip) {
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
    at += 30 + nameLength + extra + packed;
  }
  return parts;
}

// The slides are put together from texts deflated once for the whole presentation and the
// slide's own bytes stored between them. Inflated, every part must be the XML the writer
// made when it deflated each part whole: the two presentations under tests/data/pptx were
// written by that writer, one with the default options, one with every option changed
// (comments with a blank line, bold, colours, alignments, a font name that needs escapes).
TEST(PowerPoint, PiecedPartsInflateToTheXmlOfTheWholePartWriter) {
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
  PowerPointOptions changed;
  changed.fontName = "Times & \"Co\"";
  changed.fontWeight = 700;
  changed.textColor = 0x00FFFF;
  changed.backColor = 0x102030;
  changed.hAlign = 0;
  changed.vAlign = 0;
  changed.margin = 10;
  changed.baselineAlign = true;
  changed.blankLine = true;
  changed.comments = true;
  changed.fontSizeComments = 24;
  changed.hAlignComments = 2;
  changed.vAlignComments = 1;
  const std::pair<const char*, PowerPointOptions> cases[] = {{"default.pptx", {}}, {"options.pptx", changed}};
  for (const auto& [file, options] : cases) {
    SCOPED_TRACE(file);
    Warnings w;
    const auto ours = InflatedParts(WritePowerPoint(doc, options, w));
    const auto before = InflatedParts(ReadFileBytes(std::filesystem::path(KIPO_TEST_DATA) / "pptx" / file));
    ASSERT_EQ(ours.size(), before.size());
    for (std::size_t k = 0; k < ours.size(); ++k) {
      EXPECT_EQ(ours[k].first, before[k].first);
      EXPECT_EQ(ours[k].second, before[k].second) << ours[k].first;
    }
  }
}

// The presentation program converts our presentation headless: one page per slide. The
// office suite is large and not installed by the project; the test runs where it is.
TEST(PowerPoint, PresentationProgramConvertsOurPresentation) {
  const char* program = std::system("command -v libreoffice >/dev/null 2>&1") == 0 ? "libreoffice"
                        : std::system("command -v soffice >/dev/null 2>&1") == 0   ? "soffice"
                                                                                    : nullptr;
  if (!program) GTEST_SKIP() << "LibreOffice is not installed";
  test::TempHome home;
  const auto path = home / "deck.pptx";
  Warnings w;
  WriteFileAtomic(path, WritePowerPoint(Sample(), {}, w));
  const std::string command = std::string(program) + " -env:UserInstallation=file://" + (home / "profile").string() +
                              " --headless --convert-to pdf --outdir '" + home.path().string() + "' '" +
                              path.string() + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string pdf = test::ReadFile(home / "deck.pdf");
  std::size_t pages = 0;
  for (std::size_t at = 0; (at = pdf.find("/Type /Page", at)) != std::string::npos; at += 11)
    if (pdf.compare(at, 12, "/Type /Pages") != 0) ++pages;
  EXPECT_EQ(pages, Sample().Count());
}

}  // namespace
}  // namespace kipo
