#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "core/rich_text.h"
#include "formats/broadcast/ebu_stl.h"
#include "formats/broadcast/stl_layout.h"
#include "platform/user_error.h"
#include "support/recording_prompter.h"

namespace kipo {
namespace {

using test::RecordingPrompter;

Bytes Load(const std::string& name) {
  std::ifstream f(std::string(KIPO_TEST_DATA) + "/stl/" + name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), {});
}

StlReadResult Read(const Bytes& b, StlReadOptions o = {}, RecordingPrompter* p = nullptr) {
  RecordingPrompter local;
  return ReadStl(b, o, p ? *p : local);
}

TEST(StlRead, TeletextDoubleHeightFile) {
  StlReadResult r = Read(Load("teletext_double_height.stl"));
  const SubtitleDocument& d = r.doc;
  EXPECT_EQ(d.Property("STL.OPT"), "Teletext Programm");
  EXPECT_EQ(d.Property("STL.TN"), "Hand Built");
  EXPECT_EQ(d.Property("STL.CO"), "DEU");
  EXPECT_EQ(d.Property("STL.TCP"), "10000000");
  EXPECT_EQ(d.Property("STL.RN"), "02");
  EXPECT_EQ(d.languageId(), 1031);
  EXPECT_EQ(d.characterSet(), 0);
  ASSERT_EQ(d.Count(), 2u);
  // Padding outside the boxes goes; the colour code of the second row stays.
  EXPECT_EQ(d.At(0).text, "Gr\xC3\xBC\xC3\x9F" "e aus M\xC3\xBCnchen\r\n\x03Zweite Zeile");
  EXPECT_EQ(d.At(0).inCue, "10000100");
  EXPECT_EQ(d.At(0).outCue, "10000312");
  EXPECT_EQ(d.At(0).alignment, AlignCentre);
  EXPECT_EQ(d.At(0).row, 0);  // two lines at VP 20
  EXPECT_EQ(d.At(1).text, "Ende");
  EXPECT_EQ(d.At(1).row, 0);
  EXPECT_TRUE(r.warnings.empty());
  EXPECT_FALSE(d.modified);
}

TEST(StlRead, OpenSubtitlesWithCommentAndExtensionBlock) {
  StlReadOptions o;
  o.screenEbu = false;
  o.editAreaWidth = 200;
  StlReadResult r = Read(Load("open_extension_comment.stl"), o);
  const SubtitleDocument& d = r.doc;
  ASSERT_EQ(d.Count(), 2u);
  EXPECT_EQ(d.At(0).comment, "Check the spelling");
  EXPECT_EQ(d.At(0).text, "<" + std::string(60, 'A') + "> " + std::string(60, 'b') + "\r\nSecond row \xC3\xA9");
  EXPECT_EQ(d.At(0).alignment, AlignLeft);
  EXPECT_EQ(d.At(0).row, 0);  // open subtitles: VP 10 for two lines
  EXPECT_EQ(d.At(1).inCue, "");
  EXPECT_EQ(d.At(1).outCue, "");
  EXPECT_EQ(d.At(1).alignment, AlignRight);
  EXPECT_EQ(d.At(1).row, 0);
  EXPECT_EQ(d.languageId(), 2057);
}

TEST(StlRead, CyrillicAt24Frames) {
  StlReadResult r = Read(Load("cyrillic_24fps.stl"));
  EXPECT_EQ(r.doc.frameRate().code, 24);
  EXPECT_EQ(r.doc.characterSet(), 204);
  EXPECT_EQ(r.doc.languageId(), 1049);
  EXPECT_EQ(r.doc.Property("STL.LC"), "49");
  ASSERT_EQ(r.doc.Count(), 1u);
  EXPECT_EQ(r.doc.At(0).text, "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82, \xD0\xBC\xD0\xB8\xD1\x80 $5");
  EXPECT_EQ(r.doc.At(0).inCue, "01020323");
}

TEST(StlRead, VerticalPositionToRow) {
  struct Case { int vp, lines; bool teletext; int row; };
  for (auto c : {Case{22, 1, true, 0}, Case{20, 2, true, 0}, Case{16, 1, true, 3}, Case{1, 1, true, 11},
                 Case{0, 1, true, 11}, Case{40, 1, true, 0}, Case{11, 1, false, 0}, Case{7, 2, false, 3},
                 Case{99, 1, false, 0}, Case{0, 3, false, 9}}) {
    SCOPED_TRACE(testing::Message() << c.vp << " " << c.lines << " " << c.teletext);
    EXPECT_EQ(StlRowFromVerticalPosition(c.vp, c.lines, c.teletext), c.row);
  }
}

// What the writer puts in, the reader gives back, with the options both sides share.
TEST(StlRead, RoundTripKeepsEveryField) {
  SubtitleDocument d;
  d.SetFrameRate(30);
  d.SetLanguageId(1036);
  for (auto [k, v] : std::vector<std::pair<const char*, const char*>>{
           {"OPT", "Titre"}, {"OET", "Episode 1"}, {"TPT", "Title"}, {"TET", "Ep 1"}, {"TN", "Anne"},
           {"TCD", "anne@example.org"}, {"SLR", "REF-9"}, {"RN", "12"}, {"LC", "0F"}, {"CO", "FRA"},
           {"PUB", "Pub"}, {"EN", "Ed"}, {"ECD", "ed@example.org"}, {"TCP", "09595900"}, {"UDA", "free text"}})
    d.SetProperty(std::string("STL.") + k, v);
  std::vector<Subtitle> subs;
  for (int i = 0; i < 4; ++i) {
    Subtitle s;
    s.inCue = "0000" + std::to_string(10 + i) + "00";
    s.outCue = "0000" + std::to_string(10 + i) + "29";
    subs.push_back(s);
  }
  subs[0].text = "\xC3\x89t\xC3\xA9 \xC3\xA0 <Paris>\r\n\x02\x43'est \xC2\xAB bien \xC2\xBB";
  subs[0].comment = "note";
  subs[0].row = 3;
  subs[1].text = std::string(150, 'w') + "\r\nrow 2";
  subs[1].alignment = AlignLeft;
  subs[2].text = "right " + EscapeLiterals("x<y [sic]");  // characters, not markup
  subs[2].alignment = AlignRight;
  subs[2].inCue = subs[2].outCue = "";
  subs[3].text = "a\r\nb\r\nc";
  subs[3].row = 8;
  d.ReplaceAll(subs);

  for (bool screen : {false, true}) {
    SCOPED_TRACE(screen);
    StlWriteOptions wo;
    wo.screenEbu = screen;
    wo.saveComments = true;
    RecordingPrompter p;
    std::vector<std::string> w;
    Bytes b = WriteStl(d, wo, p, w);
    EXPECT_TRUE(w.empty());
    StlReadOptions ro;
    ro.screenEbu = screen;
    ro.editAreaWidth = 200;
    StlReadResult r = ReadStl(b, ro, p);
    EXPECT_EQ(r.doc.properties(), d.properties());
    EXPECT_EQ(r.doc.frameRate().code, 30);
    EXPECT_EQ(r.doc.languageId(), 1036);
    ASSERT_EQ(r.doc.Count(), d.Count());
    for (std::size_t i = 0; i < d.Count(); ++i) {
      SCOPED_TRACE(i);
      const Subtitle &a = d.At(i), &c = r.doc.At(i);
      EXPECT_EQ(c.text, a.text);
      EXPECT_EQ(c.inCue, a.inCue);
      EXPECT_EQ(c.outCue, a.outCue);
      EXPECT_EQ(c.row, a.row);
      EXPECT_EQ(c.alignment, a.alignment);
      EXPECT_EQ(c.comment, a.comment);
    }
    // And the bytes are stable: writing what was read gives the same file.
    EXPECT_EQ(WriteStl(r.doc, wo, p, w), b);
  }
}

// A teletext file as broadcasters' systems write it: one subtitle of the given text field
// (0x8F fill added), double height and boxing around the row as such systems put them.
Bytes TeletextFile(std::string_view tf, std::uint8_t vp = 22, std::uint8_t jc = 2) {
  StlGsi g;
  for (const StlGsiField& f : StlGsiFields()) g.*f.member = std::string(f.width, ' ');
  g.cpn = "850";
  g.dfc = "STL25.01";
  g.dsc = "1";
  g.cct = "00";
  g.lc = "09";
  Bytes b = BuildStlGsi(g);
  ByteWriter out(128);
  StlTti t;
  t.sn = 1;
  t.tci = {10, 0, 1, 0};
  t.tco = {10, 0, 3, 0};
  t.vp = vp;
  t.jc = jc;
  t.tf.fill(0x8F);
  std::copy(tf.begin(), tf.end(), t.tf.begin());
  AppendStlTti(t, out);
  Bytes blocks = out.take();
  b.insert(b.end(), blocks.begin(), blocks.end());
  return b;
}

TEST(StlRead, TextAsOtherSystemsWriteIt) {
  struct Case {
    const char* what;
    std::string tf;
    bool screenEbu, colours;
    std::string text;
  };
  const std::string open = "\x0D\x0B\x0B";  // double height, start box
  for (const Case& c : {
           // Below 0xA1 the bytes are ASCII: 0x24 is the dollar, 0x23 the number sign.
           Case{"dollar", open + "$1.1 million, #2", true, true, "$1.1 million, #2"},
           Case{"table dollar", open + "\xA4" "5 \xA8", true, true, "$5 \xC2\xA4"},
           // Spaces after a colour code that opens the row go with "Screen EBU" on.
           Case{"indent after colour", open + "\x06       soon to be killers.", true, true, "\x06soon to be killers."},
           Case{"indent, colours off", open + "\x06       soon to be killers.", true, false, "soon to be killers."},
           Case{"indent kept", "\x06   soon", false, true, "\x06   soon"},
           // A colour code takes a cell on screen: dropped, it leaves a space between words.
           Case{"colour between words", open + "been?\x06Great.", true, false, "been? Great."},
           Case{"colour beside a space", open + "been? \x06Great.", true, false, "been? Great."},
           Case{"colour kept", open + "been?\x06Great.", true, true, "been?\x06Great."},
           Case{"two rows", open + "\x03  One\x8A\x8A" + open + "\x07  two\x01" "three", true, false,
                "One\r\ntwo three"},
       }) {
    SCOPED_TRACE(c.what);
    StlReadOptions o;
    o.screenEbu = c.screenEbu;
    o.colours = c.colours;
    StlReadResult r = Read(TeletextFile(c.tf), o);
    ASSERT_EQ(r.doc.Count(), 1u);
    EXPECT_EQ(r.doc.At(0).text, c.text);
  }
}

// The top teletext row is 1; what is read there is written there again.
TEST(StlRead, TopRowRoundTrips) {
  for (bool screen : {true, false}) {
    SCOPED_TRACE(screen);
    StlReadOptions o;
    o.screenEbu = screen;
    o.doubleHeight = !screen;
    StlReadResult r = Read(TeletextFile("\x0D\x0B\x0BTop", 1), o);
    ASSERT_EQ(r.doc.Count(), 1u);
    EXPECT_EQ(r.doc.At(0).row, 11);
    StlWriteOptions wo;
    wo.screenEbu = screen;
    wo.doubleHeight = !screen;
    RecordingPrompter p;
    std::vector<std::string> w;
    Bytes b = WriteStl(r.doc, wo, p, w);
    EXPECT_EQ(ParseStlTti(std::span(b).subspan(kStlGsiSize, kStlTtiSize)).vp, 1);
    EXPECT_TRUE(w.empty());
  }
}

TEST(StlRead, Questions) {
  // A file that does not start like an EBU file: No leaves it unopened.
  Bytes b = Load("open_extension_comment.stl");
  b[3] = 'X';
  RecordingPrompter p;
  EXPECT_THROW(Read(b, {}, &p), Cancelled);
  ASSERT_EQ(p.shown.size(), 1u);
  EXPECT_EQ(p.Last().text,
            "This does not appear to be a valid EBU STL file\n\nIf the file is a Spruce Maestro DVD STL file, "
            "click No and open the file from the File, Import menu\nClicking Yes to open as an EBU STL file may "
            "crash Kipo");
  EXPECT_EQ(p.Last().buttons, Buttons::YesNo);
  p.answers.push_back(Answer::Yes);
  p.answers.push_back(Answer::Yes);  // the long-line question that follows
  StlReadResult r = Read(b, {}, &p);
  EXPECT_EQ(r.doc.Count(), 2u);
  EXPECT_EQ(p.Last().text,
            "One or more subtitles in this file are longer than the current edit area width.\nDo you want to "
            "increase the edit area width to accommodate these subtitles?");
  EXPECT_EQ(r.newEditAreaWidth, 121);  // markup is not counted
  EXPECT_EQ(p.statuses.back(), "Max Line Width 121");
}

TEST(StlRead, BadFiles) {
  RecordingPrompter p;
  p.answers.assign(10, Answer::Yes);
  try {
    Read(Bytes(1023, ' '), {}, p.answers.empty() ? nullptr : &p);
    FAIL() << "a file shorter than its header was read";
  } catch (const UserError& e) {
    EXPECT_EQ(e.title(), "Invalid file format");
    EXPECT_EQ(e.text(), "This is not a valid EBU STL file: it holds 1023 bytes, fewer than the 1024 of the header block");
  }
  // Every refusal says why; an empty file is refused before any question.
  RecordingPrompter quiet;
  try {
    Read(Bytes{}, {}, &quiet);
    FAIL() << "an empty file was read";
  } catch (const UserError& e) {
    EXPECT_EQ(e.text(), "This is not a valid EBU STL file: the file is empty");
  }
  EXPECT_TRUE(quiet.shown.empty());
  // A block cut short is reported, the whole ones are read.
  Bytes b = Load("teletext_double_height.stl");
  b.resize(b.size() - 100);
  StlReadResult r = Read(b);
  EXPECT_EQ(r.doc.Count(), 1u);
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_EQ(r.warnings[0], "The file ends with 28 bytes that do not make a whole block; they were ignored");
  // A subtitle whose last block never comes is still read, and reported.
  b = Load("open_extension_comment.stl");
  b.resize(1024 + 2 * 128);
  StlReadOptions o;
  o.editAreaWidth = 200;
  r = Read(b, o);
  ASSERT_EQ(r.doc.Count(), 1u);
  EXPECT_EQ(r.warnings[0], "The last subtitle of the file has no closing block; it was read as it stands");
}

}  // namespace
}  // namespace kipo
