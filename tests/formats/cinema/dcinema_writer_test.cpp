// The cinema writer: what differs between the six dialects, times in ticks and in frames,
// colours with their alpha, positions from rows and alignments, inline styles, escaping,
// the problems that stop an export, and the 3D pair.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "formats/cinema/dcinema_writer.h"
#include "core/rich_text.h"
#include "platform/user_error.h"
#include "support/temp_home.h"
#include "formats/cinema/cinema_test_util.h"

namespace kipo {
namespace {

using test::CinemaCue;
using test::CinemaSample;
using test::CinemaXml;

std::vector<std::string> Lines(const std::string& xml) {
  std::vector<std::string> out;
  std::size_t at = 0;
  while (at < xml.size()) {
    std::size_t end = xml.find("\r\n", at);
    EXPECT_NE(end, std::string::npos) << "every line ends with CR LF";
    if (end == std::string::npos) break;
    out.push_back(xml.substr(at, end - at));
    at = end + 2;
  }
  return out;
}

bool Has(const std::string& xml, const std::string& piece) { return xml.find(piece) != std::string::npos; }

TEST(DcinemaDialects, DeclarationRootHeaderAndFontDifferAsLaidOut) {
  struct Case {
    DcVersion v;
    const char* declaration;
    const char* root;
    std::vector<const char*> present, absent;
  };
  const char* ns2007 = "<dcst:SubtitleReel xmlns:dcst=\"http://www.smpte-ra.org/schemas/428-7/2007/DCST\">";
  const char* ns2014 = "<dcst:SubtitleReel xmlns:dcst=\"http://www.smpte-ra.org/schemas/428-7/2014/DCST\">";
  const Case cases[] = {
      {DcVersion::Dlp10, "<?xml version=\"1.0\" encoding=\"UTF-8\"?> ", "<DCSubtitle Version=\"1.0\">",
       {"  <SubtitleID>12345678-9abc-4def-8123-456789abcdef</SubtitleID>", "  <LoadFont Id=\"Font1\" URI=\"Arial.ttf\"/>",
        "  <Font Italic=\"no\">", "Underlined=\"no\" Id=\"Font1\"", "    <Subtitle SpotNumber=\"1\"", "  </Font>\r\n  </Font>\r\n</DCSubtitle>"},
       {"AspectAdjust", "Spacing", "standalone", "dcst:"}},
      {DcVersion::Dlp11, "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?> ", "<DCSubtitle Version=\"1.1\">",
       {"AspectAdjust=\"1.0\" Spacing=\"0em\"", "<Text VAlign=\"bottom\" VPosition="},
       {"ZPosition", "Zposition", "urn:uuid"}},
      {DcVersion::Dlp11Z, "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?> ", "<DCSubtitle Version=\"1.1\">",
       {"AspectAdjust=\"1.0\""}, {"dcst:"}},
      {DcVersion::Xdc, "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?> ", "<DCSubtitle Version=\"1.1\">",
       {"Spacing=\"0em\""}, {"dcst:"}},
      {DcVersion::Smpte, "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>", ns2007,
       {"  <dcst:Id>urn:uuid:12345678-9abc-4def-8123-456789abcdef</dcst:Id>",
        "  <dcst:IssueDate>2026-12-06T08:00:00-00:00</dcst:IssueDate>", "  <dcst:EditRate>24 1</dcst:EditRate>",
        "  <dcst:TimeCodeRate>24</dcst:TimeCodeRate>", "  <dcst:StartTime>00:00:00:00</dcst:StartTime>",
        "  <dcst:LoadFont ID=\"Font1\">urn:uuid:0f0e0d0c-0b0a-4908-8706-050403020100</dcst:LoadFont>",
        "    <dcst:Font ID=\"Font1\" Size=\"42\"", "Underline=\"no\"", "      <dcst:Subtitle SpotNumber=\"1\"",
        "<dcst:Text Valign=\"bottom\" Vposition=", "  </dcst:SubtitleList>\r\n</dcst:SubtitleReel>"},
       // The 2007 edition has no aspect or spacing attributes.
       {"AspectAdjust", "Spacing", "Zposition", "<DCSubtitle", "Underlined="}},
      {DcVersion::SmpteZ, "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>", ns2014,
       {"AspectAdjust=\"1.0\" Spacing=\"0\"", " Zposition=\"0.00\">"}, {"ZPosition"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(DcVersionNames()[static_cast<int>(c.v)]);
    const std::string xml = CinemaXml(CinemaSample(), c.v);
    const auto lines = Lines(xml);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], c.declaration);
    EXPECT_EQ(lines[1], c.root);
    for (const char* p : c.present) EXPECT_TRUE(Has(xml, p)) << p;
    for (const char* p : c.absent) EXPECT_FALSE(Has(xml, p)) << p;
  }
}

TEST(DcinemaDialects, SmpteNamespaceFollowsTheSetting) {
  for (int edition : SmpteEditions()) {
    SCOPED_TRACE(edition);
    const std::string xml = CinemaXml(CinemaSample(), DcVersion::Smpte, [&](DlpOptions& o) { o.smpteEdition = edition; });
    EXPECT_TRUE(Has(xml, "xmlns:dcst=\"" + SmpteNamespace(edition) + "\""));
    EXPECT_EQ(Has(xml, "AspectAdjust"), edition != 2007);
  }
}

TEST(DcinemaTimes, TicksAndFramesAtCinemaRates) {
  struct Case {
    int rateCode;
    const char* cue;
    const char* ticks;
    const char* frames24;  // time code rate 24
    const char* frames25;  // time code rate 25
  };
  const Case cases[] = {
      {25, "01001012", "01:00:10:120", "01:00:10:12", "01:00:10:12"},  // 480 ms
      {25, "00000024", "00:00:00:240", "00:00:00:23", "00:00:00:24"},  // 960 ms
      {25, "10000007", "10:00:00:070", "10:00:00:07", "10:00:00:07"},
      {24, "00000012", "00:00:00:125", "00:00:00:12", "00:00:00:13"},  // 500 ms
      {24, "00000023", "00:00:00:239", "00:00:00:23", "00:00:00:24"},  // 958 ms
      {24, "00595901", "00:59:59:010", "00:59:59:01", "00:59:59:01"},  // 42 ms
      {23, "00000012", "00:00:00:125", "00:00:00:12", "00:00:00:13"},  // labels count 24 a second
      {23, "01000023", "01:00:00:239", "01:00:00:23", "01:00:00:24"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.cue) + " at code " + std::to_string(c.rateCode));
    const FrameRate rate = *FrameRate::FromCode(c.rateCode);
    EXPECT_EQ(TickTime(Cue(c.cue), rate), c.ticks);
    EXPECT_EQ(EditUnitTime(Cue(c.cue), rate, 24), c.frames24);
    EXPECT_EQ(EditUnitTime(Cue(c.cue), rate, 25), c.frames25);
  }
}

TEST(DcinemaTimes, FadesInTicksAndFrames) {
  SubtitleDocument d(25, kDefaultLanguageId, 0);
  d.Append(CinemaCue("00000100", "00000200", "Fade"));
  struct Case {
    DcVersion v;
    int up, down;
    const char* expected;
  };
  for (const Case& c : {Case{DcVersion::Dlp11, 0, 996, "FadeUpTime=\"0\" FadeDownTime=\"249\""},
                        Case{DcVersion::Dlp10, 80, 1500, "FadeUpTime=\"20\" FadeDownTime=\"00:00:01:125\""},
                        Case{DcVersion::Smpte, 80, 1000, "FadeUpTime=\"00:00:00:02\" FadeDownTime=\"00:00:01:00\""}}) {
    SCOPED_TRACE(c.expected);
    EXPECT_TRUE(Has(CinemaXml(d, c.v, [&](DlpOptions& o) { o.fadeUp = c.up, o.fadeDown = c.down; }), c.expected));
  }
}

TEST(DcinemaColours, AlphaAndMappedColourSwitches) {
  SubtitleDocument d(25, kDefaultLanguageId, 0);
  d.Append(CinemaCue("00000100", "00000200", "\x01R\x02G\x03Y\x04" "B\x05M\x06" "C\x07W"));
  struct Case {
    const char* what;
    std::function<void(DlpOptions&)> tweak;
    std::vector<const char*> expected;
  };
  const Case cases[] = {
      {"white opaque text", nullptr, {"Color=\"FFFFFFFF\" Effect=\"border\" EffectColor=\"FF000000\""}},
      {"default map",
       nullptr,
       {"<Font Color=\"FFFF0000\">R</Font>", "<Font Color=\"FF00FF00\">G</Font>", "<Font Color=\"FFFFFF00\">Y</Font>",
        "<Font Color=\"FF0000FF\">B</Font>", "<Font Color=\"FFFF00FF\">M</Font>", "<Font Color=\"FF00FFFF\">C</Font>",
        "<Font Color=\"FFFFFFFF\">W</Font>"}},
      {"own map and half-transparent text",
       [](DlpOptions& o) { o.mapRed = "C00000", o.mapCyan = "#00c0c0", o.alphaText = 128; },
       {"<Font Color=\"80C00000\">R</Font>", "<Font Color=\"8000C0C0\">C</Font>", "Color=\"80FFFFFF\" Effect"}},
      {"coloured text, shadow and its alpha",
       [](DlpOptions& o) { o.textColour = "FFFF00", o.effect = "Shadow", o.effectColour = "202020", o.alphaEffect = 64; },
       {"Color=\"FFFFFF00\" Effect=\"shadow\" EffectColor=\"40202020\""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string xml = CinemaXml(d, DcVersion::Dlp11, c.tweak);
    for (const char* e : c.expected) EXPECT_TRUE(Has(xml, e)) << e << "\n" << xml;
  }
}

// The text of the n-th Text element (0-based) of a file.
std::string TextElement(const std::string& xml, int n, const char* tag = "Text") {
  const std::string open = std::string("<") + tag + " ";
  std::size_t at = 0;
  for (int i = 0; i <= n; ++i) {
    at = xml.find(open, at);
    if (at == std::string::npos) return "";
    if (i < n) ++at;
  }
  std::size_t gt = xml.find('>', at);
  std::size_t end = xml.find(std::string("</") + tag + ">", gt);
  return xml.substr(at, end - at);
}

TEST(DcinemaText, InlineStylesNestOrCloseAndKeepEverySpace) {
  struct Case {
    const char* text;
    std::function<void(DlpOptions&)> tweak;
    const char* expected;  // the Text element's content
  };
  const Case cases[] = {
      {"Partly <italic> text", nullptr, "Partly <Font Italic=\"yes\">italic</Font> text"},
      {"A< spaced >run", nullptr, "A <Font Italic=\"yes\">spaced</Font> run"},
      {"A< spaced >run", [](DlpOptions& o) { o.trimItalics = false; }, "A<Font Italic=\"yes\"> spaced </Font>run"},
      {"  two  spaces  ", nullptr, "two  spaces"},
      {"  two  spaces  ", [](DlpOptions& o) { o.trimSpaces = true; }, "two spaces"},
      {"  edge", [](DlpOptions& o) { o.trimText = false; }, "  edge"},
      // A colour switch inside italics: the colour is outermost and the italics reopen in it.
      {"<It \x01red> plain", nullptr,
       "<Font Italic=\"yes\">It </Font><Font Color=\"FFFF0000\"><Font Italic=\"yes\">red</Font> plain</Font>"},
      {"<It \x01red> plain", [](DlpOptions& o) { o.closeFont = true; },
       "<Font Italic=\"yes\">It </Font><Font Color=\"FFFF0000\" Italic=\"yes\">red</Font><Font Color=\"FFFF0000\"> plain</Font>"},
      {"[under] <both>", nullptr, "<Font Underlined=\"yes\">under</Font> <Font Italic=\"yes\">both</Font>"},
      {"<x>", [](DlpOptions& o) { o.inherit = false; },
       "<Font Italic=\"yes\" Size=\"42\" Weight=\"normal\" Effect=\"border\" EffectColor=\"FF000000\" Color=\"FFFFFFFF\">x</Font>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    SubtitleDocument d(25, kDefaultLanguageId, 0);
    d.Append(CinemaCue("00000100", "00000200", c.text));
    const std::string text = TextElement(CinemaXml(d, DcVersion::Dlp11, c.tweak), 0);
    EXPECT_EQ(text.substr(text.find('>') + 1), c.expected);
  }
}

TEST(DcinemaText, ReelsNeverNestInlineFonts) {
  SubtitleDocument d(25, kDefaultLanguageId, 0);
  d.Append(CinemaCue("00000100", "00000200", "<It \x01red> plain"));
  const std::string text = TextElement(CinemaXml(d, DcVersion::Smpte), 0, "dcst:Text");
  EXPECT_EQ(text.substr(text.find('>') + 1),
            "<dcst:Font Italic=\"yes\">It </dcst:Font><dcst:Font Color=\"FFFF0000\" Italic=\"yes\">red</dcst:Font>"
            "<dcst:Font Color=\"FFFF0000\"> plain</dcst:Font>");
}

TEST(DcinemaText, EveryCharacterIsEscapedOrLeftOutWithAWarning) {
  SubtitleDocument d(25, kDefaultLanguageId, 0);
  // Literal markup characters read from a file are stand-ins in the document.
  d.Append(CinemaCue("00000100", "00000200",
                     "a & b \"q\" " + LiteralStandIn('<') + "tag" + LiteralStandIn('>') + " \xE2\x82\xAC \xF0\x9F\x8E\xAC"));
  d.Append(CinemaCue("00000300", "00000400", std::string("bell\x0B\x1F ok \xFF")));
  Warnings w;
  const std::string xml = CinemaXml(d, DcVersion::Dlp11, [](DlpOptions& o) { o.movieTitle = "Tom & \"Jerry\" <1>"; }, &w);
  EXPECT_TRUE(Has(xml, ">a &amp; b \"q\" &lt;tag&gt; \xE2\x82\xAC \xF0\x9F\x8E\xAC</Text>"));
  EXPECT_TRUE(Has(xml, ">bell ok</Text>"));
  EXPECT_TRUE(Has(xml, "<MovieTitle>Tom &amp; &quot;Jerry&quot; &lt;1&gt;</MovieTitle>"));
  ASSERT_EQ(w.size(), 1u);
  EXPECT_EQ(w[0], "3 control character(s) that XML cannot hold were left out");
}

// The writer keeps its table of styled pieces from one subtitle to the next: a subtitle is
// written the same after any other as it is alone, whatever the options.
TEST(DcinemaText, EachSubtitleIsWrittenAsItIsAlone) {
  const std::vector<std::string> texts = {
      "\x01Red <italic \x02green> [under]\r\n\x03yellow   spaced < edge >",
      "Short",
      "<Wholly italic>",
      "  lead and trail  \r\n\r\nafter an empty row",
      "\xC2\xAB" "bold\xC2\xBB and " + LiteralStandIn('<') + "literal" + LiteralStandIn('>') + " & bell\x07",
      "One",
      "//hgGroup/hg <a> <b>\r\nx",
  };
  const std::pair<const char*, std::function<void(DlpOptions&)>> optionSets[] = {
      {"defaults", nullptr},
      {"close font, no trims", [](DlpOptions& o) { o.closeFont = true, o.trimText = o.trimItalics = false; }},
      {"no inheritance, spaces collapsed", [](DlpOptions& o) { o.inherit = false, o.trimSpaces = true; }},
      {"reel", [](DlpOptions& o) { o.version = DcVersion::Smpte; }},
  };
  auto subtitleOf = [](const std::string& xml, std::size_t index) {
    std::size_t at = 0;
    for (std::size_t i = 0; i <= index; ++i) at = xml.find("Subtitle SpotNumber=", at + 1);
    const std::size_t from = xml.find("TimeIn", at), to = xml.find("Subtitle>", from);
    return xml.substr(from, to - from);
  };
  for (const auto& [name, tweak] : optionSets) {
    SCOPED_TRACE(name);
    SubtitleDocument all(25, kDefaultLanguageId, 0);
    for (std::size_t i = 0; i < texts.size(); ++i) {
      Subtitle s = CinemaCue(FramesToDigits(static_cast<int>(i) * 100, all.frameRate()).c_str(),
                             FramesToDigits(static_cast<int>(i) * 100 + 50, all.frameRate()).c_str(), texts[i]);
      s.rowColours = i % 2 ? "40000000000" : "00000000000";
      s.italic = i == 5;
      all.Append(s);
    }
    const auto setup = [&](DlpOptions& o) {
      o.version = DcVersion::Dlp11;
      if (tweak) tweak(o);
    };
    const std::string together = CinemaXml(all, DcVersion::Dlp11, setup);
    for (std::size_t i = 0; i < texts.size(); ++i) {
      SCOPED_TRACE(i);
      SubtitleDocument one(25, kDefaultLanguageId, 0);
      one.Append(all.At(i));
      EXPECT_EQ(subtitleOf(together, i), subtitleOf(CinemaXml(one, DcVersion::Dlp11, setup), 0));
    }
  }
}

double Attribute(const std::string& element, const std::string& name) {
  std::smatch m;
  if (!std::regex_search(element, m, std::regex(name + "=\"(-?[0-9.]+)\""))) return -999;
  return std::stod(m[1]);
}
std::string Word(const std::string& element, const std::string& name) {
  std::smatch m;
  return std::regex_search(element, m, std::regex(name + "=\"([a-z]+)\"")) ? m[1].str() : "";
}

TEST(DcinemaPlacement, RowsMarginsAndAlignments) {
  // 42 points at 130% of a 792-point screen: 6.89% a line.
  const double pitch = 42 * 1.3 / 792 * 100;
  struct Case {
    const char* what;
    int row, alignment, rowIndex;
    std::function<void(DlpOptions&)> tweak;
    const char* valign;
    double vpos;
    const char* halign;
    double hpos;
  };
  const Case cases[] = {
      {"lowest line at the bottom margin", 0, AlignCentre, 1, nullptr, "bottom", 8, "center", 0},
      {"upper line one pitch higher", 0, AlignCentre, 0, nullptr, "bottom", 8 + pitch, "center", 0},
      {"raised three rows", 3, AlignLeft, 1, nullptr, "bottom", 8 + 3 * pitch, "left", 10},
      {"right margin", 0, AlignRight, 1, [](DlpOptions& o) { o.marginRight = 15; }, "bottom", 8, "right", 15},
      {"uneven margins move the centre", 0, AlignCentre, 1, [](DlpOptions& o) { o.marginLeft = 20; }, "bottom", 8, "center", 5},
      {"forced alignment", 0, AlignCentre, 1, [](DlpOptions& o) { o.alignment = 2; }, "bottom", 8, "left", 10},
      {"raised without bottom up hangs from the top", 8, AlignCentre, 0, [](DlpOptions& o) { o.bottomUp = false; }, "top",
       8 + (11 - 10) * pitch, "center", 0},
      {"vertical text from the top", 0, AlignCentre, 0, [](DlpOptions& o) { o.direction = 1; }, "top", 8 + 9 * pitch,
       "center", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SubtitleDocument d(25, kDefaultLanguageId, 0);
    Subtitle s = CinemaCue("00000100", "00000200", "Upper\r\nLower");
    s.row = c.row;
    s.alignment = c.alignment;
    d.Append(s);
    const std::string t = TextElement(CinemaXml(d, DcVersion::Dlp11, c.tweak), c.rowIndex);
    EXPECT_EQ(Word(t, "VAlign"), c.valign);
    EXPECT_NEAR(Attribute(t, "VPosition"), c.vpos, 0.051);
    EXPECT_EQ(Word(t, "HAlign"), c.halign);
    EXPECT_NEAR(Attribute(t, "HPosition"), c.hpos, 0.051);
  }
}

TEST(DcinemaPlacement, CentredBlockStartsWhereItsWidestLineDoes) {
  SubtitleDocument d(25, kDefaultLanguageId, 0);
  Subtitle s = CinemaCue("00000100", "00000200", "ten chars!\r\nfive!");
  s.alignment = AlignCentreLeft;
  d.Append(s);
  // 20-pixel characters on a 1998-pixel screen: the block is 10 * 20 / 1998 of the width.
  const double block = 200.0 / 1998 * 100;
  const std::string xml = CinemaXml(d, DcVersion::Dlp11);
  for (int i = 0; i < 2; ++i) {
    const std::string t = TextElement(xml, i);
    EXPECT_EQ(Word(t, "HAlign"), "left");
    EXPECT_NEAR(Attribute(t, "HPosition"), 10 + (80 - block) / 2, 0.051);
  }
}

TEST(DcinemaPlacement, RoundGivesWholePercentsAndNudgesMoveLines) {
  SubtitleDocument d(25, kDefaultLanguageId, 0);
  Subtitle s = CinemaCue("00000100", "00000200", "Nudged");
  s.shiftX = 25;
  s.shiftY = 10;  // down
  d.Append(s);
  std::string t = TextElement(CinemaXml(d, DcVersion::Dlp11), 0);
  EXPECT_NEAR(Attribute(t, "VPosition"), 7.0, 0.001);
  EXPECT_NEAR(Attribute(t, "HPosition"), 2.5, 0.001);
  t = TextElement(CinemaXml(d, DcVersion::Dlp11, [](DlpOptions& o) { o.round = true; }), 0);
  EXPECT_TRUE(Has(t, "VPosition=\"7\"")) << t;
}

TEST(DcinemaProblems, EachProblemIsNamedWithItsSubtitle) {
  SubtitleDocument d(25, kDefaultLanguageId, 0);
  d.Append(CinemaCue("00000100", "00000200", "fine"));
  d.Append(CinemaCue("00000500", "00000400", "backwards"));
  d.Append(CinemaCue("", "00000600", "no in"));
  d.Append(CinemaCue("00000700", "", "no out"));
  d.Append(CinemaCue("00000799", "00000800", "bad in"));
  d.Append(CinemaCue("00000800", "0000090", "bad out"));
  d.Append(CinemaCue("00000300", "00000310", "earlier"));
  d.Append(CinemaCue("00001000", "00001100", "<open"));
  d.Append(CinemaCue("00001200", "00001300", "<twice <nested>>"));
  d.Append(CinemaCue("00001400", "00001500", " <> \x01"));
  const std::vector<std::string> expected = {
      "Negative duration in subtitle 2",   "In cue not set in subtitle 3",
      "Out cue not set in subtitle 4",     "Invalid in cue format in subtitle 5",
      "Invalid out cue format in subtitle 6", "Inconsistent in cue in subtitle 7",
      "Mismatched italics in subtitle 8",  "Invalid use of italics in subtitle 9",
      "Subtitle 10 is empty"};
  EXPECT_EQ(DcinemaProblems(d), expected);
  Warnings w;
  try {
    WriteDcinemaXml(d, test::CinemaSetup(DcVersion::Dlp11), w);
    FAIL() << "a document with problems was written";
  } catch (const UserError& e) {
    EXPECT_EQ(e.text().substr(0, e.text().find('\n')), "Negative duration in subtitle 2");
  }
  EXPECT_THROW(WriteDcinemaXml(SubtitleDocument(), test::CinemaSetup(DcVersion::Dlp11), w), UserError);
}

TEST(Dcinema3D, PairOfEyeFilesShiftedApartByDepth) {
  test::TempHome home;
  const std::filesystem::path dir = home.path();
  SubtitleDocument d = CinemaSample(24);
  const ZOffsets z = {{1, -2.0}, {8, 1.5}};
  for (DcVersion v : {DcVersion::Dlp11Z, DcVersion::SmpteZ}) {
    SCOPED_TRACE(DcVersionNames()[static_cast<int>(v)]);
    DcinemaSetup setup = test::CinemaSetup(v, [](DlpOptions& o) { o.subs3d = true; });
    setup.zOffsets = &z;
    Warnings w;
    const auto written = ExportDcinema(d, setup, dir / "reel1.xml", w);
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0].filename(), "reel1_Left.xml");
    EXPECT_EQ(written[1].filename(), "reel1_Right.xml");
    EXPECT_FALSE(std::filesystem::exists(dir / "reel1.xml"));
    const std::string left = test::ReadFile(written[0]), right = test::ReadFile(written[1]);
    const char* tag = IsSmpte(v) ? "dcst:Text" : "Text";
    const char* h = IsSmpte(v) ? "Hposition" : "HPosition";
    // In front of the screen (-2%): the left eye's line moves right, the right eye's left.
    EXPECT_NEAR(Attribute(TextElement(left, 0, tag), h), 1.0, 0.001);
    EXPECT_NEAR(Attribute(TextElement(right, 0, tag), h), -1.0, 0.001);
    // Behind the screen (+1.5%) on a right-aligned line, whose offset counts from the right
    // edge: the left eye's line moves left, further from that edge.
    const int last = 9;  // the sample's last line
    EXPECT_NEAR(Attribute(TextElement(left, last, tag), h), 10 + 0.75, 0.001);
    EXPECT_NEAR(Attribute(TextElement(right, last, tag), h), 10 - 0.75, 0.001);
    EXPECT_FALSE(Has(left, "Zposition")) << "the eye files carry the depth in their positions";
    // The two eyes are two reels with identifiers of their own.
    EXPECT_NE(left.substr(0, 300), right.substr(0, 300));
  }
}

TEST(Dcinema3D, SingleFileCarriesTheDepthWhereTheDialectCan) {
  SubtitleDocument d = CinemaSample(24);
  const ZOffsets z = {{1, -2.25}};
  DcinemaSetup setup = test::CinemaSetup(DcVersion::SmpteZ);
  setup.zOffsets = &z;
  Warnings w;
  std::string xml = WriteDcinemaXml(d, setup, w);
  EXPECT_TRUE(Has(TextElement(xml, 0, "dcst:Text"), "Zposition=\"-2.25\""));
  EXPECT_TRUE(w.empty());
  // DCSubtitle has no attribute for it: the depth is named instead of written.
  setup = test::CinemaSetup(DcVersion::Dlp11Z);
  setup.zOffsets = &z;
  xml = WriteDcinemaXml(d, setup, w);
  EXPECT_FALSE(Has(xml, "ZPosition"));
  ASSERT_EQ(w.size(), 1u);
  EXPECT_NE(w[0].find("3D pair"), std::string::npos);
  // Without a ZPosition dialect "3D subs" writes one file.
  EXPECT_EQ(DcinemaFilePaths("a/reel1.xml", test::CinemaSetup(DcVersion::Dlp11, [](DlpOptions& o) { o.subs3d = true; }).options).size(), 1u);
}

}  // namespace
}  // namespace kipo
