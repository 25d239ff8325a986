// The layout rules of the six Timed Text writers, grouped by rule and run over the dialects
// a rule concerns.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "core/rich_text.h"
#include "formats/timedtext/timed_text.h"

namespace kipo {
namespace {

constexpr TimedTextDialect kAll[] = {TimedTextDialect::W3C,   TimedTextDialect::Netflix, TimedTextDialect::Generic,
                                     TimedTextDialect::EbuTt, TimedTextDialect::EbuTtD,  TimedTextDialect::ITunes};

const char* Name(TimedTextDialect d) {
  switch (d) {
    case TimedTextDialect::W3C: return "W3C";
    case TimedTextDialect::Netflix: return "Netflix";
    case TimedTextDialect::Generic: return "Generic";
    case TimedTextDialect::EbuTt: return "EBU-TT";
    case TimedTextDialect::EbuTtD: return "EBU-TT-D";
    case TimedTextDialect::ITunes: return "iTunes";
    case TimedTextDialect::Flash: return "Flash";
  }
  return "";
}

Subtitle Sub(std::string in, std::string out, std::string text, int row = 0, int alignment = AlignCentre) {
  Subtitle s;
  s.inCue = std::move(in);
  s.outCue = std::move(out);
  s.text = std::move(text);
  s.row = row;
  s.alignment = alignment;
  return s;
}

SubtitleDocument Doc(std::vector<Subtitle> subs, int rate = 25, std::int16_t charset = 0) {
  SubtitleDocument d(rate, kDefaultLanguageId, charset);
  for (auto& s : subs) d.Append(std::move(s));
  return d;
}

struct Written {
  std::string xml;
  std::vector<std::string> warnings;
};

Written Write(const SubtitleDocument& d, TimedTextDialect dialect, TimedTextWriteOptions o = {}) {
  if (o.today.empty()) o.today = "2024-05-01";
  Written w;
  w.xml = WriteTimedText(d, dialect, o, w.warnings);
  return w;
}

// The first paragraph line of a file.
std::string FirstParagraph(const std::string& xml) {
  std::size_t p = xml.find("<p ");
  if (p == std::string::npos) p = xml.find("<tt:p ");
  std::size_t end = xml.find("</p>", p);
  if (end == std::string::npos) end = xml.find("</tt:p>", p);
  return xml.substr(p, end - p);
}

bool HasWarning(const std::vector<std::string>& w, std::string_view part) {
  for (const std::string& s : w)
    if (s.find(part) != std::string::npos) return true;
  return false;
}

TEST(TimedTextWrite, W3cStylesFollowTheTimedTextSettings) {
  struct Case {
    const char* what;
    TimedTextWriteOptions o;
    std::string expected;
  };
  TimedTextWriteOptions outline;
  outline.outline = true;
  outline.outlineSize = 3;
  TimedTextWriteOptions heavy;
  heavy.fontName = "Tiresias \"Screen\"";
  heavy.fontStyle = 1;
  heavy.boxed = 1;
  heavy.fontSize = 24;
  const Case cases[] = {
      {"defaults", {},
       " tts:fontFamily=\"Arial\" tts:fontWeight=\"normal\" tts:fontStyle=\"normal\" tts:backgroundColor=\"transparent\" "
       "tts:color=\"white\" tts:fontSize=\"20px\"/>"},
      {"outline", outline, " tts:backgroundColor=\"transparent\" tts:textOutline=\"black 3px\" tts:color=\"white\""},
      {"bold, boxed, large, a quote in the name", heavy,
       " tts:fontFamily=\"Tiresias &quot;Screen&quot;\" tts:fontWeight=\"bold\" tts:fontStyle=\"normal\" "
       "tts:backgroundColor=\"black\" tts:color=\"white\" tts:fontSize=\"32px\"/>"},
  };
  const SubtitleDocument d = Doc({Sub("00000100", "00000200", "x")});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string xml = Write(d, TimedTextDialect::W3C, c.o).xml;
    for (const char* style : {"styleLeft\" tts:textAlign=\"left\"", "styleRight\" tts:textAlign=\"right\"",
                              "styleCenter\" tts:textAlign=\"center\""}) {
      std::size_t at = xml.find(style);
      ASSERT_NE(at, std::string::npos) << style;
      EXPECT_NE(xml.substr(at, xml.find('\n', at) - at).find(c.expected), std::string::npos) << style;
    }
  }
}

TEST(TimedTextWrite, FrameRateParametersByDocumentRate) {
  struct Case {
    int code;
    const char *frameRate, *multiplier, *dropMode;
  };
  const Case cases[] = {{15, "15", "1 1", "nonDrop"},      {23, "24", "999 1000", "nonDrop"},
                        {24, "24", "1 1", "nonDrop"},      {25, "25", "1 1", "nonDrop"},
                        {29, "30", "999 1000", "dropNTSC"}, {30, "30", "1 1", "nonDrop"},
                        {48, "48", "1 1", "nonDrop"},      {50, "50", "1 1", "nonDrop"},
                        {59, "60", "999 1000", "nonDrop"}, {60, "60", "1 1", "nonDrop"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    const SubtitleDocument d = Doc({Sub("00000100", "00000200", "x")}, c.code);
    const std::string attrs = std::string(" ttp:frameRate=\"") + c.frameRate + "\" ttp:frameRateMultiplier=\"" +
                              c.multiplier + "\" ttp:dropMode=\"" + c.dropMode + "\"";
    for (TimedTextDialect dialect : {TimedTextDialect::W3C, TimedTextDialect::EbuTt, TimedTextDialect::ITunes}) {
      SCOPED_TRACE(Name(dialect));
      EXPECT_NE(Write(d, dialect).xml.find(" ttp:timeBase=\"smpte\"" + attrs + ">"), std::string::npos);
    }
    EXPECT_NE(Write(d, TimedTextDialect::Netflix).xml.find(attrs + " ttp:timeBase=\"smpte\">"), std::string::npos);
    // Media time and the 2006 vocabulary carry no frame rate.
    EXPECT_EQ(Write(d, TimedTextDialect::EbuTtD).xml.find("frameRate"), std::string::npos);
    EXPECT_EQ(Write(d, TimedTextDialect::Generic).xml.find("frameRate"), std::string::npos);
  }
}

// Every character of the text reaches the file as text, never as markup.
TEST(TimedTextWrite, EveryCharacterIsEscaped) {
  struct Case {
    std::string text;
    std::string expected;
  };
  const Case cases[] = {
      {"A & B", "A &#38; B"},
      {EscapeLiterals("a < b > c"), "a &lt; b &gt; c"},
      {"Say \"hi\" it's", "Say \"hi\" it's"},
      {EscapeLiterals("[door]"), "[door]"},
      {"Tab\there\x0Bvtab", "Tab\there" "vtab"},
  };
  for (TimedTextDialect dialect : kAll) {
    SCOPED_TRACE(Name(dialect));
    for (const Case& c : cases) {
      SCOPED_TRACE(c.expected);
      Written w = Write(Doc({Sub("00000100", "00000200", c.text)}), dialect);
      EXPECT_NE(FirstParagraph(w.xml).find(c.expected), std::string::npos) << FirstParagraph(w.xml);
      pugi::xml_document x;
      EXPECT_TRUE(x.load_string(w.xml.c_str() + 3 * (w.xml.rfind("\xEF\xBB\xBF", 0) == 0)));
    }
    Written vt = Write(Doc({Sub("00000100", "00000200", "a\x0B" "b")}), dialect);
    EXPECT_TRUE(HasWarning(vt.warnings, "control characters"));
  }
}

// Italic, colour and row breaks mixed in one text give well-formed, properly nested
// markup in every dialect.
TEST(TimedTextWrite, MixedMarkupStaysWellFormed) {
  const std::string texts[] = {"<It \x01red> plain\x07", "\x02green <it\r\nstill> not", "<a\x03 b\x04 c>\r\nd",
                               "<<double>> >stray<", "\x05", ""};
  for (TimedTextDialect dialect : kAll) {
    SCOPED_TRACE(Name(dialect));
    for (const std::string& t : texts) {
      SCOPED_TRACE(t);
      Written w = Write(Doc({Sub("00000100", "00000200", t)}), dialect);
      pugi::xml_document x;
      pugi::xml_parse_result r = x.load_buffer(w.xml.data(), w.xml.size());
      EXPECT_TRUE(r) << r.description() << "\n" << FirstParagraph(w.xml);
    }
  }
}

TEST(TimedTextWrite, LinesEndWithCrLf) {
  const SubtitleDocument d = Doc({Sub("00000100", "00000200", "One\r\ntwo"), Sub("00000300", "00000400", "<i>")});
  for (TimedTextDialect dialect : kAll) {
    SCOPED_TRACE(Name(dialect));
    const std::string xml = Write(d, dialect).xml;
    ASSERT_TRUE(xml.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"));
    for (std::size_t i = 0; i < xml.size(); ++i)
      if (xml[i] == '\n') {
        ASSERT_TRUE(i > 0 && xml[i - 1] == '\r') << "a bare line feed at " << i; }
    EXPECT_TRUE(xml.ends_with("tt>\r\n"));
  }
}

TEST(TimedTextWrite, RegionsByRowAndAlignment) {
  struct Case {
    TimedTextDialect dialect;
    int row, alignment;
    const char* expected;
  };
  const Case cases[] = {
      {TimedTextDialect::W3C, 0, AlignCentre, "region=\"regionCenter\" style=\"styleCenter\""},
      {TimedTextDialect::W3C, 0, AlignCentreLeft, "region=\"regionCenter\" style=\"styleCenter\""},
      {TimedTextDialect::W3C, 9, AlignLeft, "region=\"regionLeft\" style=\"styleLeft\""},
      {TimedTextDialect::W3C, 0, AlignRight, "region=\"regionRight\" style=\"styleRight\""},
      {TimedTextDialect::Netflix, 9, AlignLeft, "region=\"region.top.left\""},
      {TimedTextDialect::Netflix, 7, AlignCentre, "region=\"region.top.centre\""},
      {TimedTextDialect::Netflix, 6, AlignRight, "region=\"region.middle.right\""},
      {TimedTextDialect::Netflix, 4, AlignCentreLeft, "region=\"region.middle.centre\""},
      {TimedTextDialect::Netflix, 3, AlignCentre, "region=\"region.bottom.centre\""},
      {TimedTextDialect::Generic, 9, AlignRight, "style=\"styleRight\""},
      {TimedTextDialect::EbuTt, 9, AlignCentre, "region=\"regionTop\""},
      {TimedTextDialect::EbuTt, 8, AlignLeft, "region=\"regionCenter\""},
      {TimedTextDialect::EbuTt, 4, AlignCentre, "region=\"regionCenter\""},
      {TimedTextDialect::EbuTt, 3, AlignRight, "region=\"regionBottom\""},
      {TimedTextDialect::EbuTt, 0, AlignRight, "style=\"styleRight\""},
      {TimedTextDialect::EbuTtD, 6, AlignCentre, "region=\"regionTop\""},
      {TimedTextDialect::EbuTtD, 5, AlignCentre, "region=\"regionBottom\""},
      {TimedTextDialect::EbuTtD, 0, AlignLeft, "style=\"styleLeft\""},
      {TimedTextDialect::ITunes, 5, AlignCentre, "region=\"top\" style=\"normal\""},
      {TimedTextDialect::ITunes, 4, AlignCentre, "region=\"bottom\" style=\"normal\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(Name(c.dialect)) + " row " + std::to_string(c.row) + " alignment " +
                 std::to_string(c.alignment));
    const std::string p = FirstParagraph(Write(Doc({Sub("00000100", "00000200", "x", c.row, c.alignment)}), c.dialect).xml);
    EXPECT_NE(p.find(c.expected), std::string::npos) << p;
  }
  // The region switch of the iTunes options puts every subtitle at the bottom.
  TimedTextWriteOptions force;
  force.forceRegion = true;
  EXPECT_NE(FirstParagraph(Write(Doc({Sub("00000100", "00000200", "x", 9)}), TimedTextDialect::ITunes, force).xml)
                .find("region=\"bottom\""),
            std::string::npos);
}

TEST(TimedTextWrite, CueFormsOfEachDialect) {
  struct Case {
    TimedTextDialect dialect;
    int rate;
    const char *in, *out, *expected;
  };
  const Case cases[] = {
      {TimedTextDialect::W3C, 25, "00000100", "00000212", " begin=\"00:00:01:00\" end=\"00:00:02:12\""},
      {TimedTextDialect::EbuTt, 29, "01000002", "01000129", " begin=\"01:00:00:02\" end=\"01:00:01:29\""},
      {TimedTextDialect::EbuTtD, 25, "00000100", "00000212", " begin=\"00:00:01.000\" end=\"00:00:02.480\""},
      {TimedTextDialect::EbuTtD, 30, "10595929", "11000000", " begin=\"10:59:59.967\" end=\"11:00:00.000\""},
      // Generic: hundredths are F x k / 10 rounded, k by rate; the duration in the same form.
      {TimedTextDialect::Generic, 25, "00000100", "00000212",
       " begin=\"00:00:01.00\" end=\"00:00:02.48\" dur=\"00:00:01.48\""},
      {TimedTextDialect::Generic, 24, "00000023", "00000100", " begin=\"00:00:00.94\" end=\"00:00:01.00\""},
      {TimedTextDialect::Generic, 23, "00000012", "00000023", " begin=\"00:00:00.49\" end=\"00:00:00.94\""},
      {TimedTextDialect::Generic, 30, "00000015", "00000029", " begin=\"00:00:00.50\" end=\"00:00:00.96\""},
      {TimedTextDialect::Generic, 60, "00000059", "00000130", " begin=\"00:00:00.94\" end=\"00:00:01.48\""},
      {TimedTextDialect::Generic, 50, "00000049", "00000100", " begin=\"00:00:00.98\""},
      {TimedTextDialect::Generic, 15, "00000014", "00000100", " begin=\"00:00:00.92\""},
      {TimedTextDialect::ITunes, 25, "00000100", "", " begin=\"00:00:01:00\" end=\"\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(Name(c.dialect)) + " at " + std::to_string(c.rate) + " " + c.in);
    const std::string p = FirstParagraph(Write(Doc({Sub(c.in, c.out, "x")}, c.rate), c.dialect).xml);
    EXPECT_NE(p.find(c.expected), std::string::npos) << p;
  }
}

TEST(TimedTextWrite, DialectFrames) {
  const SubtitleDocument d = Doc({Sub("00000100", "00000200", "one"), Sub("00000300", "00000400", "two")});
  struct Case {
    TimedTextDialect dialect;
    std::vector<std::string> present, absent;
  };
  const Case cases[] = {
      {TimedTextDialect::W3C,
       {"<tt xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns=\"http://www.w3.org/ns/ttml\" "
        "xmlns:tt=\"http://www.w3.org/ns/ttml\"",
        "<region xml:id=\"regionLeft\" tts:backgroundColor=\"transparent\" tts:origin=\"10% 10%\" tts:extent=\"80% "
        "80%\" tts:textAlign=\"center\" tts:displayAlign=\"after\"/>",
        "    <div>\r\n      <p "},
       {"<!--", "metadata"}},
      {TimedTextDialect::Netflix,
       {"?>\r\n<!-- File created by Kipo subtitling system version 6.1 -->\r\n<tt xml:lang=\"en\"",
        "ttp:profile=\"http://www.netflix.com/ns/ttml/profile/nflx-tt\"",
        "<style xml:id=\"style.default\" tts:fontFamily=\"Arial\" tts:fontSize=\"100%\"",
        "<region xml:id=\"region.middle.left\" tts:origin=\"10% 10%\" tts:extent=\"80% 45%\" tts:textAlign=\"left\" "
        "tts:displayAlign=\"after\"/>",
        "<p style=\"style.default\" region=\"region.bottom.centre\""},
       {"regionLeft"}},
      {TimedTextDialect::Generic,
       {"<tt xmlns=\"http://www.w3.org/2006/10/ttaf1\" xmlns:tts=\"http://www.w3.org/2006/10/ttaf1#styling\"",
        "tts:direction=\"ltr\"/>", "<p begin=\"00:00:01.00\""},
       {"<layout>", "region=", "textOutline"}},
      {TimedTextDialect::EbuTt,
       {"<tt:tt ", " xmlns:ebuttm=\"urn:ebu:tt:metadata\"",
        "<ebuttm:documentCreationDate>2024-05-01</ebuttm:documentCreationDate>",
        "<ebuttm:documentOriginatingSystem>Kipo 6.1.10</ebuttm:documentOriginatingSystem>",
        "<ebuttm:documentMaximumNumberOfDisplayableCharacterInAnyRow>37<",
        "tts:backgroundColor=\"#00000000\" tts:color=\"#FFFFFF\"", "<tt:style xml:id=\"styleItalic\" tts:fontStyle=\"italic\"/>",
        "<tt:div style=\"styleCenter\">", "<tt:p xml:id=\"sub_1\" region=\"regionBottom\"", "<tt:p xml:id=\"sub_2\"",
        "one\r\n      </tt:p>"},
       {"<p ", "<div"}},
      {TimedTextDialect::EbuTtD,
       {"<tt:tt ", " ttp:timeBase=\"media\" ttp:cellResolution=\"32 15\">",
        "<ebuttm:conformsToStandard>urn:ebu:tt:distribution:2014-01</ebuttm:conformsToStandard>",
        "<ebuttm:documentTargetAspectRatio>4:3<", "<ebuttm:documentCountryOfOrigin>GBR<",
        "tts:textAlign=\"start\" tts:wrapOption=\"noWrap\" ebutts:linePadding=\"0.5c\"",
        "<tt:region xml:id=\"regionTop\" tts:origin=\"14.375% 16%\" tts:extent=\"71.25% 24%\" tts:displayAlign=\"before\" "
        "tts:writingMode=\"lrtb\" tts:overflow=\"visible\"/>",
        "    <tt:div>\r\n", "\r\n        <tt:span style=\"spanStyle\">one</tt:span>\r\n      </tt:p>"},
       {"smpte", "frameRate", "ttm:copyright"}},
      {TimedTextDialect::ITunes,
       {"<style xml:id=\"italic\" tts:fontFamily=\"sansSerif\" tts:fontWeight=\"normal\" tts:fontStyle=\"italic\" "
        "tts:color=\"white\" tts:fontSize=\"100%\"/>",
        "<region xml:id=\"bottom\" tts:origin=\"0% 85%\" tts:extent=\"100% 15%\" tts:textAlign=\"center\" "
        "tts:displayAlign=\"after\"/>",
        "<div begin=\"00:00:00:00\">"},
       {"metadata", "Arial"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Name(c.dialect));
    const std::string xml = Write(d, c.dialect).xml;
    for (const std::string& s : c.present) EXPECT_NE(xml.find(s), std::string::npos) << s;
    for (const std::string& s : c.absent) EXPECT_EQ(xml.find(s), std::string::npos) << s;
  }
}

TEST(TimedTextWrite, EbuTtdMetadataFromItsSettings) {
  TimedTextWriteOptions o;
  o.country = "DEU";
  o.aspect = 1;
  o.publisher = "Sender & Co";
  o.editor = "A. Editor";
  o.copyright = "(c) 2024";
  const std::string xml = Write(Doc({Sub("00000100", "00000200", "x")}), TimedTextDialect::EbuTtD, o).xml;
  for (const char* s : {"<ebuttm:documentTargetAspectRatio>16:9<", "<ebuttm:documentCountryOfOrigin>DEU<",
                        "<ebuttm:documentPublisher>Sender &amp; Co<", "<ebuttm:documentEditorsName>A. Editor<",
                        "<ttm:copyright>(c) 2024</ttm:copyright>\r\n    <tt:metadata>"})
    EXPECT_NE(xml.find(s), std::string::npos) << s;
}

TEST(TimedTextWrite, ItalicsOfEachDialect) {
  struct Case {
    TimedTextDialect dialect;
    bool wholeFlag;
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {TimedTextDialect::W3C, false, "Say <this>", ">Say <span style=\"italic\"> this </span></p"},
      {TimedTextDialect::Netflix, false, "Say <this>", ">Say  <span tts:fontStyle=\"italic\">this</span> </p"},
      {TimedTextDialect::Generic, true, "a\r\nb",
       "><span style=\"italic\"> a </span><br /><span style=\"italic\"> b </span></p"},
      {TimedTextDialect::EbuTt, false, "<x>", "><tt:span tts:fontStyle=\"italic\"> x </tt:span>\r\n"},
      {TimedTextDialect::EbuTtD, false, "Say <this>",
       "<tt:span style=\"spanStyle\">Say </tt:span><tt:span style=\"spanStyle styleItalic\">this</tt:span>"},
      {TimedTextDialect::EbuTtD, false, "\x01red",
       "<tt:span style=\"spanRed\">red</tt:span>"},
      {TimedTextDialect::ITunes, true, "x", "style=\"italic\""},
      {TimedTextDialect::W3C, false, "<\x01r\x07 w>", "<span style=\"italic\"> <span tts:color=\"red\">r</span><span "
                                                      "tts:color=\"white\"> w</span> </span>"},
      // Italics carry on into the next row, as the markup does.
      {TimedTextDialect::W3C, false, "<a\r\nb>", "<span style=\"italic\"> a </span><br/><span style=\"italic\"> b </span>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(Name(c.dialect)) + " " + c.text);
    Subtitle s = Sub("00000100", "00000200", c.text);
    s.italic = c.wholeFlag;
    const std::string xml = Write(Doc({s}), c.dialect).xml;
    EXPECT_NE(xml.find(c.expected), std::string::npos) << FirstParagraph(xml);
  }
  // The colour styles a distribution document uses are defined in its head.
  EXPECT_NE(Write(Doc({Sub("00000100", "00000200", "\x01red")}), TimedTextDialect::EbuTtD)
                .xml.find("<tt:style xml:id=\"spanRed\" tts:color=\"#FF0000\""),
            std::string::npos);
}

TEST(TimedTextWrite, RightToLeftLanguages) {
  for (std::int16_t charset : {std::int16_t{177}, std::int16_t{178}}) {
    SCOPED_TRACE(charset);
    const SubtitleDocument d = Doc({Sub("00000100", "00000200", "x"), Sub("00000300", "00000400", "y")}, 25, charset);
    for (TimedTextDialect dialect : {TimedTextDialect::W3C, TimedTextDialect::Netflix, TimedTextDialect::ITunes}) {
      const std::string xml = Write(d, dialect).xml;
      std::size_t count = 0;
      for (std::size_t at = xml.find("<p "); at != std::string::npos; at = xml.find("<p ", at + 1))
        count += xml.substr(at, xml.find('>', at) - at).find(" tts:direction=\"rtl\"") != std::string::npos;
      EXPECT_EQ(count, 2u) << Name(dialect);
    }
    EXPECT_NE(Write(d, TimedTextDialect::Generic).xml.find("tts:direction=\"rtl\"/>"), std::string::npos);
  }
  EXPECT_EQ(Write(Doc({Sub("00000100", "00000200", "x")}), TimedTextDialect::W3C).xml.find("rtl"), std::string::npos);
}

TEST(TimedTextWrite, LanguageCodes) {
  const std::pair<std::int32_t, const char*> cases[] = {{2057, "en"}, {1036, "fr"}, {1025, "ar"}, {2052, "zh"},
                                                       {1031, "de"}, {1037, "he"}, {0x7FFF, "en"}};
  for (auto [id, code] : cases) EXPECT_EQ(ShortLanguageCode(id), code) << id;
}

TEST(TimedTextWrite, WhatADialectCannotCarryIsNamed) {
  struct Case {
    TimedTextDialect dialect;
    Subtitle s;
    const char* warning;  // nullptr: none
  };
  const Case cases[] = {
      {TimedTextDialect::W3C, Sub("00000100", "00000200", "[under]"), "underline"},
      {TimedTextDialect::EbuTtD, Sub("00000100", "00000200", "[under]"), "underline"},
      {TimedTextDialect::W3C, Sub("00000100", "00000200", "x", 9), "above the bottom row"},
      {TimedTextDialect::Generic, Sub("00000100", "00000200", "x", 9), "above the bottom row"},
      {TimedTextDialect::Netflix, Sub("00000100", "00000200", "x", 9), nullptr},
      {TimedTextDialect::ITunes, Sub("00000100", "00000200", "x", 0, AlignLeft), "centre every subtitle"},
      {TimedTextDialect::EbuTt, Sub("00000100", "00000200", "x", 0, AlignLeft), nullptr},
      {TimedTextDialect::W3C, Sub("", "00000200", "x"), "without an in or out cue"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(Name(c.dialect)) + " " + c.s.text);
    Written w = Write(Doc({c.s}), c.dialect);
    if (c.warning) EXPECT_TRUE(HasWarning(w.warnings, c.warning));
    else EXPECT_TRUE(w.warnings.empty()) << w.warnings.front();
  }
}

}  // namespace
}  // namespace kipo
