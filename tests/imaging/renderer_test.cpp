// The renderer checked on pixels: the places of rows and alignments, margins, borders,
// the four pixel values of the DVD pictures, and golden pictures with a tolerance.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <set>

#include "imaging/subtitle_renderer.h"
#include "imaging/render_support.h"

namespace kipo {
namespace {

using test::ClassBounds;
using test::ReferenceStyle;
using test::TextSub;

TEST(Renderer, EveryAntiAliasTypeGivesOnlyTheFourPixelClasses) {
  KIPO_NEED_REFERENCE_FONT();
  for (std::size_t t = 0; t < AntiAliasNames().size(); ++t) {
    for (int border : {0, 1, 3}) {
      for (bool shadow : {false, true}) {
        SCOPED_TRACE(AntiAliasNames()[t] + " border " + std::to_string(border) + (shadow ? " shadow" : ""));
        RenderStyle st = ReferenceStyle();
        st.antialias = static_cast<AntiAlias>(t);
        st.border = border;
        st.dropShadow = shadow;
        SubtitleRenderer r(st, RenderLayout{});
        RenderResult out = r.Render(TextSub("<Quick> brown fox\r\njumps «over» ÄÉÕ"), 1);
        std::set<int> seen;
        for (std::uint8_t c : out.picture.classes()) seen.insert(c);
        EXPECT_LE(*seen.rbegin(), 3);
        EXPECT_TRUE(seen.count(0) && seen.count(1)) << "background and pattern are always there";
        const bool blurred = st.antialias >= AntiAlias::Blur1 && st.antialias <= AntiAlias::Blur3;
        if ((border > 0 || shadow) && !blurred) {
          EXPECT_TRUE(seen.count(2)) << "a border is emphasis 1"; }
        bool aa = st.antialias != AntiAlias::None;
        EXPECT_EQ(seen.count(3) == 1, aa) << "emphasis 2 is the anti-alias class";
        // The 8-bit file holds the same four values.
        PaletteMap pal;
        pal.index = {0, 5, 9, 200};
        pal.colour = {Rgba{0, 0, 0}, Rgba{255, 255, 255}, Rgba{0, 0, 0}, Rgba{128, 128, 128}};
        pal.colour[2] = Rgba{10, 20, 30};
        std::filesystem::path f = std::filesystem::temp_directory_path() / "kipo_four.bmp";
        SavePicture(f, out.picture, PictureFormat::Bmp8, pal);
        DibSection back = LoadPicture(f);
        std::set<std::uint32_t> colours;
        for (std::size_t i = 0; i < back.rgba().size(); i += 4)
          colours.insert(back.rgba()[i] << 16 | back.rgba()[i + 1] << 8 | back.rgba()[i + 2]);
        EXPECT_EQ(colours.size(), seen.size());
        std::filesystem::remove(f);
      }
    }
  }
}

TEST(Renderer, RowsSitOnTheBaselineAndStayBelowTheCeiling) {
  KIPO_NEED_REFERENCE_FONT();
  RenderStyle st = ReferenceStyle();
  st.border = 0;
  RenderLayout lay;  // PAL: baseline 540, ceiling 50
  SubtitleRenderer r(st, lay);
  struct Case {
    std::string text;
    int row;
    bool atCeiling;
  } cases[] = {{"HHHH", 0, false}, {"HHHH\r\nHHHH\r\nHHHH", 0, false}, {"HHHH", 3, false},
               {"HHHH\r\nHHHH\r\nHHHH", 40, true}, {"HHHH", 99, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + " row " + std::to_string(c.row));
    RenderResult out = r.Render(TextSub(c.text, AlignCentre, c.row), 1);
    PixelRect ink = ClassBounds(out.picture, 1);
    ASSERT_FALSE(ink.empty());
    const int bottom = ink.y + ink.height;  // the row below the letters' base
    if (c.atCeiling) {
      // The top row's cap height starts a little below the ceiling (the ascent holds accents).
      EXPECT_GE(ink.y, lay.ceiling);
      EXPECT_LE(ink.y, lay.ceiling + 14);
    } else {
      // "H" has no descender: its foot is on the baseline of its row, rows counted up.
      int rows = 1 + static_cast<int>(std::count(c.text.begin(), c.text.end(), '\n'));
      int step = (bottom - ink.y);  // three rows: two steps plus a cap height
      (void)rows;
      (void)step;
      if (c.row == 0) EXPECT_NEAR(bottom, lay.baseline, 1);
      else EXPECT_LT(bottom, lay.baseline - 3 * 30);
    }
  }
  // Three rows: the feet of the rows are one line step apart, the lowest on the baseline.
  RenderResult three = r.Render(TextSub("H\r\nH\r\nH"), 1);
  std::vector<int> feet;
  for (int y = 1; y < three.picture.height(); ++y) {
    bool above = false, here = false;
    for (int x = 0; x < three.picture.width(); ++x) {
      above = above || three.picture.ClassAt(x, y - 1) == PixelClass::Pattern;
      here = here || three.picture.ClassAt(x, y) == PixelClass::Pattern;
    }
    if (above && !here) feet.push_back(y);
  }
  ASSERT_EQ(feet.size(), 3u);
  EXPECT_NEAR(feet[2], 540, 1);
  EXPECT_EQ(feet[2] - feet[1], feet[1] - feet[0]);
  EXPECT_GT(feet[2] - feet[1], 32);
  // Leading adds its pixels to every step.
  st.leading = 12;
  SubtitleRenderer wide(st, lay);
  RenderResult spaced = wide.Render(TextSub("H\r\nH"), 1);
  RenderResult tight = r.Render(TextSub("H\r\nH"), 1);
  EXPECT_EQ(ClassBounds(spaced.picture, 1).height - ClassBounds(tight.picture, 1).height, 10);
}

TEST(Renderer, RowOneToCeilingAndSingleLineRow) {
  KIPO_NEED_REFERENCE_FONT();
  RenderStyle st = ReferenceStyle();
  st.border = 0;
  RenderLayout lay;
  lay.rowOneToCeiling = true;
  lay.topRow = 5;
  SubtitleRenderer r(st, lay);
  EXPECT_LE(ClassBounds(r.Render(TextSub("HH", AlignCentre, 5), 1).picture, 1).y, lay.ceiling + 14);
  EXPECT_GT(ClassBounds(r.Render(TextSub("HH", AlignCentre, 4), 1).picture, 1).y, lay.ceiling + 50);
  lay.rowOneToCeiling = false;
  lay.singleLineRow = 2;
  SubtitleRenderer single(st, lay);
  PixelRect one = ClassBounds(single.Render(TextSub("HH"), 1).picture, 1);
  PixelRect two = ClassBounds(single.Render(TextSub("HH\r\nHH"), 1).picture, 1);
  EXPECT_LT(one.y + one.height, lay.baseline - 30) << "one row goes up to row 2";
  EXPECT_NEAR(two.y + two.height, lay.baseline, 1) << "two rows stay on the baseline";
}

TEST(Renderer, AlignmentsMarginsAndCentreOffset) {
  KIPO_NEED_REFERENCE_FONT();
  RenderStyle st = ReferenceStyle();
  st.border = 2;
  for (int centre : {0, -40, 25}) {
    RenderLayout lay;
    lay.centre = centre;
    lay.leftMargin = 60;
    lay.rightMargin = 90;
    SubtitleRenderer r(st, lay);
    struct Case {
      int alignment;
      const char* name;
    } cases[] = {{AlignLeft, "left"}, {AlignCentre, "centre"}, {AlignRight, "right"}};
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + " centre " + std::to_string(centre));
      RenderResult out = r.Render(TextSub("Middle", c.alignment), 1);
      PixelRect ink = ClassBounds(out.picture);
      EXPECT_FALSE(out.exceedsMargins);
      // A glyph's side bearing keeps the ink a pixel or three inside the logical box; the
      // border reaches two pixels out.
      if (c.alignment == AlignLeft) {
        EXPECT_NEAR(ink.x, lay.leftMargin, 4); }
      if (c.alignment == AlignRight) {
        EXPECT_NEAR(ink.x + ink.width, 720 - lay.rightMargin, 4); }
      if (c.alignment == AlignCentre) {
        EXPECT_NEAR(ink.x + ink.width / 2.0, 360 + centre, 3); }
    }
  }
  // Centred-left: the rows start together, under the centred block.
  SubtitleRenderer r(st, RenderLayout{});
  RenderResult block = r.Render(TextSub("A much longer row\r\nShort", AlignCentreLeft), 1);
  PixelRect all = ClassBounds(block.picture);
  PixelRect lower = ClassBounds(block.picture.Crop({0, 500, 720, 76}));
  EXPECT_NEAR(all.x + all.width / 2.0, 360, 3);
  EXPECT_NEAR(lower.x, all.x, 3);
  // Per-row alignment digits win over the subtitle's.
  Subtitle mixed = TextSub("Left\r\nRight", AlignCentre);
  mixed.rowAlignments = "23";
  RenderResult m = r.Render(mixed, 1);
  EXPECT_NEAR(ClassBounds(m.picture.Crop({0, 0, 720, 500})).x, 60, 4);
  PixelRect right = ClassBounds(m.picture.Crop({0, 500, 720, 76}));
  EXPECT_NEAR(right.x + right.width, 660, 4);
}

TEST(Renderer, ALineWiderThanTheMarginsIsASevereError) {
  KIPO_NEED_REFERENCE_FONT();
  SubtitleRenderer r(ReferenceStyle(), RenderLayout{});  // 600 pixels between the margins
  std::string wide = "This row is certainly far wider than six hundred pixels";
  ASSERT_GT(r.RowWidth(wide), 600);
  RenderResult out = r.Render(TextSub("Short\r\n" + wide), 17);
  EXPECT_TRUE(out.exceedsMargins);
  ASSERT_EQ(out.messages.size(), 1u);
  EXPECT_TRUE(out.messages[0].severe);
  EXPECT_EQ(out.messages[0].text, "Severe error: subtitle 17 exceeds margins");
  EXPECT_FALSE(out.picture.classes().empty());
  EXPECT_FALSE(r.Render(TextSub("Short"), 1).exceedsMargins);
  // Anamorphic pictures are squeezed to three quarters, so the same row may fit.
  RenderStyle st = ReferenceStyle();
  st.anamorphic = true;
  SubtitleRenderer squeezed(st, RenderLayout{});
  EXPECT_NEAR(squeezed.RowWidth("Middle"), r.RowWidth("Middle") * 0.75, 0.01);
}

TEST(Renderer, BorderWidthIsThePixelsAroundTheStem) {
  KIPO_NEED_REFERENCE_FONT();
  for (int border = 1; border <= 8; ++border) {
    SCOPED_TRACE(border);
    RenderStyle st = ReferenceStyle();
    st.border = border;
    st.fontSize = 60;
    SubtitleRenderer r(st, RenderLayout{});
    RenderResult out = r.Render(TextSub("l"), 1);  // a plain vertical stem
    PixelRect stem = ClassBounds(out.picture, 1);
    const int y = stem.y + stem.height / 2;
    int left = 0, right = 0;
    for (int x = stem.x - 1; x >= 0 && out.picture.ClassAt(x, y) == PixelClass::Emphasis1; --x) ++left;
    for (int x = stem.x + stem.width; x < 720 && out.picture.ClassAt(x, y) == PixelClass::Emphasis1; ++x) ++right;
    EXPECT_NEAR(left, border, 1);
    EXPECT_NEAR(right, border, 1);
    EXPECT_NEAR(left + right, 2 * border, 1);
  }
}

TEST(Renderer, RightToLeftRowsKeepTheirOrder) {
  KIPO_NEED_REFERENCE_FONT();
  RenderStyle st = ReferenceStyle();
  st.border = 0;
  SubtitleRenderer r(st, RenderLayout{});
  // Hebrew alef then bet: alef is drawn on the right.
  RenderResult both = r.Render(TextSub("\xD7\x90\xD7\x91", AlignRight), 1);
  RenderResult alef = r.Render(TextSub("\xD7\x90", AlignRight), 1);
  RenderResult bet = r.Render(TextSub("\xD7\x91", AlignLeft), 1);
  PixelRect b = ClassBounds(both.picture, 1), a = ClassBounds(alef.picture, 1);
  EXPECT_NEAR(b.x + b.width, a.x + a.width, 1) << "the first letter ends the row on the right";
  EXPECT_GT(b.width, a.width + ClassBounds(bet.picture, 1).width / 2);
  // Mixed with Latin: the Latin word keeps its left-to-right order.
  EXPECT_GT(r.RowWidth("abc \xD7\x90\xD7\x91"), r.RowWidth("abc"));
}

TEST(Renderer, MarkupChangesTheFont) {
  KIPO_NEED_REFERENCE_FONT();
  RenderStyle st = ReferenceStyle();
  SubtitleRenderer r(st, RenderLayout{});
  const double plain = r.RowWidth("Wide words");
  EXPECT_GT(r.RowWidth("{/bold}Wide words{/bold}"), plain) << "bold runs in braces";
  EXPECT_NEAR(r.RowWidth("{/bold}Wide{/bold} words"), r.RowWidth("Wide words") + (r.RowWidth("{/bold}Wide{/bold}") - r.RowWidth("Wide")), 1.5);
  EXPECT_NEAR(r.RowWidth("{not a tag}"), r.RowWidth("{not a tag}"), 0);
  EXPECT_GT(r.RowWidth("{not a tag}"), r.RowWidth("not a tag"));
  EXPECT_NEAR(r.RowWidth("<Wide words>"), plain, plain * 0.1) << "italics change the slant, not much the width";
  st.kerning = 3;
  SubtitleRenderer spaced(st, RenderLayout{});
  EXPECT_NEAR(spaced.RowWidth("Wide words") - plain, 3 * 9, 1.5) << "kerning adds between every two characters";
}

TEST(Renderer, ChevronsMustPair) {
  KIPO_NEED_REFERENCE_FONT();
  SubtitleRenderer r(ReferenceStyle(), RenderLayout{});
  struct Case {
    const char* text;
    bool illegal;
  } cases[] = {{"<fine>", false}, {"<two\r\nrows>", false}, {"open <only", true}, {"closed> only", true},
               {"<<twice>", true}, {"none at all", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    RenderResult out = r.Render(TextSub(c.text), 4);
    bool found = false;
    for (const RenderMessage& m : out.messages) found = found || m.text == "Illegal chevrons in subtitle 4";
    EXPECT_EQ(found, c.illegal);
  }
}

TEST(Renderer, EmptySubtitlesAndFittedPictures) {
  KIPO_NEED_REFERENCE_FONT();
  RenderLayout lay;
  lay.fitToSubtitle = true;
  lay.pad = 3;
  lay.hpad = 5;
  SubtitleRenderer r(ReferenceStyle(), lay);
  for (const char* blank : {"", "   ", "\r\n", "<>"}) {
    RenderResult out = r.Render(TextSub(blank), 1);
    EXPECT_TRUE(out.empty) << blank;
    EXPECT_TRUE(out.ink.empty());
  }
  RenderResult fit = r.Render(TextSub("Fit me"), 1);
  EXPECT_LT(fit.picture.width(), 300);
  EXPECT_LT(fit.picture.height(), 60);
  PixelRect ink = ClassBounds(fit.picture);
  EXPECT_EQ(ink.x, 5);
  EXPECT_EQ(ink.y, 3);
  EXPECT_EQ(fit.picture.width(), ink.width + 10);
  // Drawing only the ink rectangle gives the pixels of the whole frame's crop.
  RenderLayout whole, cropped;
  whole.hpad = cropped.hpad = 4;
  cropped.cropToInk = true;
  for (AntiAlias aa : {AntiAlias::None, AntiAlias::AntiAliased}) {
    RenderStyle st = ReferenceStyle();
    st.antialias = aa;
    st.dropShadow = true;
    RenderResult a = SubtitleRenderer(st, whole).Render(TextSub("Crop <me>\r\nplease", AlignLeft, 2), 1);
    RenderResult b = SubtitleRenderer(st, cropped).Render(TextSub("Crop <me>\r\nplease", AlignLeft, 2), 1);
    EXPECT_EQ(a.ink, b.ink);
    DibSection c = a.picture.Crop(a.ink);
    EXPECT_EQ(c.rgba(), b.picture.rgba());
    EXPECT_EQ(c.classes(), b.picture.classes());
  }
}

// Golden pictures: a few subtitles whose look must not change by accident. A difference
// in a few edge pixels (another FreeType or Cairo version) is allowed; a moved row, a lost
// border or another font is not. KIPO_UPDATE_GOLDEN=1 writes them anew.
TEST(Renderer, GoldenPictures) {
  KIPO_NEED_REFERENCE_FONT();
  struct Case {
    const char* name;
    AntiAlias aa;
    int border;
    const char* text;
  } cases[] = {{"none_border2", AntiAlias::None, 2, "<Golden> pictures\r\nkeep their look"},
               {"antialiased", AntiAlias::AntiAliased, 1, "Anti-aliased «text»"},
               {"inner2_shadow", AntiAlias::InnerBorder2, 3, "Inner border ÆØÅ"}};
  const std::filesystem::path dir = std::filesystem::path(KIPO_TEST_DATA) / "imaging";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RenderStyle st = ReferenceStyle();
    st.antialias = c.aa;
    st.border = c.border;
    st.dropShadow = std::string(c.name).find("shadow") != std::string::npos;
    st.boldMarkers.enabled = true;
    SubtitleRenderer r(st, RenderLayout{});
    RenderResult out = r.Render(TextSub(c.text), 1);
    PaletteMap pal;
    pal.colour = {Rgba{0, 0, 0, 0}, Rgba{255, 255, 255}, Rgba{0, 0, 0}, Rgba{128, 128, 128}};
    const auto path = dir / (std::string(c.name) + ".png");
    if (std::getenv("KIPO_UPDATE_GOLDEN")) {
      std::filesystem::create_directories(dir);
      SavePicture(path, out.picture, PictureFormat::Png8, pal);
      continue;
    }
    ASSERT_TRUE(std::filesystem::exists(path));
    DibSection golden = LoadPicture(path);
    ASSERT_EQ(golden.width(), 720);
    ASSERT_EQ(golden.height(), 576);
    int differ = 0, inked = 0;
    for (int y = 0; y < 576; ++y)
      for (int x = 0; x < 720; ++x) {
        Rgba g = golden.Pixel(x, y);
        int cls = g.a == 0 ? 0 : g.r == 255 ? 1 : g.r == 0 ? 2 : 3;
        inked += cls != 0;
        differ += cls != static_cast<int>(out.picture.ClassAt(x, y));
      }
    EXPECT_GT(inked, 1000);
    EXPECT_LE(differ, inked / 50) << differ << " of " << inked << " pixels differ";
  }
}

}  // namespace
}  // namespace kipo

namespace kipo {
namespace {

// The text measure (WebVTT's centred-left positions, digital cinema widths) shares the
// pictures' layout: the same width for the same text and font.
TEST(LayoutMeasurer, MeasuresAsTheRendererDraws) {
  KIPO_NEED_REFERENCE_FONT();
  auto m = MakeLayoutMeasurer(ReferenceFontFiles());
  RenderStyle st = test::ReferenceStyle();
  SubtitleRenderer r(st, RenderLayout{});
  FontFace f;
  f.family = st.fontFamily;
  f.pixelSize = st.fontSize;
  for (const char* text : {"Short", "Twenty characters!!!", "\xD7\x90\xD7\x91 mixed", "日本語"}) {
    SCOPED_TRACE(text);
    EXPECT_NEAR(m->Width(text, f), r.RowWidth(text), 0.01);
  }
  EXPECT_GT(m->Width("Twenty characters!!!", f), m->Width("Short", f));
  f.bold = true;
  EXPECT_GT(m->Width("Twenty characters!!!", f), r.RowWidth("Twenty characters!!!"));
  EXPECT_EQ(m->Width("", f), 0);
  EXPECT_GT(m->Width("bad \xFF\xFE bytes", f), 0) << "invalid UTF-8 is measured as replacement characters";
}

}  // namespace
}  // namespace kipo
