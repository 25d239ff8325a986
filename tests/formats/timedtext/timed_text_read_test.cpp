// The Timed Text reader over files shaped like the ones other tools and broadcasters
// write (each dialect, every timing form, styles by reference and inheritance, regions,
// white space, encodings and line ends), its refusals, and round trips through every
// writer at every frame rate.
#include <gtest/gtest.h>

#include "core/markup.h"
#include "core/rich_text.h"
#include "formats/timedtext/timed_text.h"
#include "platform/encoding.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

std::span<const std::uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

SubtitleDocument Read(const std::string& xml, std::vector<std::string>* warnings = nullptr, int rate = 25) {
  std::vector<std::string> w;
  SubtitleDocument d = ReadTimedText(Bytes(xml), rate, w);
  if (warnings) *warnings = w;
  return d;
}

struct Expect {
  std::string in, out, text;
};

void ExpectSubtitles(const SubtitleDocument& d, std::initializer_list<Expect> expected) {
  ASSERT_EQ(d.Count(), expected.size());
  std::size_t i = 0;
  for (const Expect& e : expected) {
    SCOPED_TRACE("subtitle " + std::to_string(i + 1));
    EXPECT_EQ(d.At(i).inCue.digits(), e.in);
    EXPECT_EQ(d.At(i).outCue.digits(), e.out);
    EXPECT_EQ(d.At(i).text, e.text);
    ++i;
  }
}

const char* kTtmlHead = R"(<?xml version="1.0" encoding="utf-8"?>
<tt xmlns="http://www.w3.org/ns/ttml" xmlns:tts="http://www.w3.org/ns/ttml#styling" xmlns:ttp="http://www.w3.org/ns/ttml#parameter" xml:lang="en")";

std::string Ttml(std::string attrs, std::string body, std::string head = "") {
  return std::string(kTtmlHead) + attrs + ">\n<head>" + head + "</head>\n<body>" + body + "</body>\n</tt>\n";
}

TEST(TimedTextRead, EveryTimingForm) {
  struct Case {
    const char* what;
    std::string attrs, body;
    std::initializer_list<Expect> expected;
    int rate;
  };
  const Case cases[] = {
      {"clock times with fractions", "", R"(<div><p begin="00:00:01.52" end="00:00:02.480">a</p></div>)",
       {{"00000113", "00000212", "a"}}, 25},
      {"clock times without fractions and hours past ten", "",
       R"(<div><p begin="10:00:01" end="123:00:02">a</p></div>)", {}, 25},
      {"offsets in h m s ms", "",
       R"(<div><p begin="1h" end="3600.48s">a</p><p begin="2m" end="120040ms">b</p></div>)",
       {{"00020000", "00020001", "b"}, {"01000000", "01000012", "a"}}, 25},
      {"frames at the file's rate", R"( ttp:frameRate="30" ttp:timeBase="smpte")",
       R"(<div><p begin="00:00:01:15" end="45f">a</p></div>)", {{"00000115", "00000115", "a"}}, 30},
      {"ticks", R"( ttp:tickRate="10000000")", R"(<div><p begin="10000000t" end="24800000t">a</p></div>)",
       {{"00000100", "00000212", "a"}}, 25},
      {"ticks counted from the frame rate", R"( ttp:frameRate="25")",
       R"(<div><p begin="25t" end="50t">a</p></div>)", {{"00000100", "00000200", "a"}}, 25},
      {"begin and dur", "", R"(<div><p begin="2s" dur="1.48s">a</p></div>)", {{"00000200", "00000312", "a"}}, 25},
      {"end and dur together: the earlier", "", R"(<div><p begin="2s" end="10s" dur="1s">a</p></div>)",
       {{"00000200", "00000300", "a"}}, 25},
      {"times inherited from body and div", "",
       R"(<div begin="10s"><p begin="1s" end="2s">a</p><div begin="5s"><p end="1s">b</p></div></div>)",
       {{"00001100", "00001200", "a"}, {"00001500", "00001600", "b"}}, 25},
      {"a paragraph without times takes its division's", "",
       R"(<div begin="00:00:04.000" end="00:00:05.000"><p>a</p><p>b</p></div>)",
       {{"00000400", "00000500", "a"}, {"00000400", "00000500", "b"}}, 25},
      {"times on spans only", "",
       R"(<div><p><span begin="3s" end="4s">a </span><span begin="4s" end="5s">b</span></p></div>)",
       {{"00000300", "00000500", "a b"}}, 25},
      {"a sequence of paragraphs", "",
       R"(<div timeContainer="seq"><p dur="1s">a</p><p dur="2s">b</p></div>)",
       {{"00000000", "00000100", "a"}, {"00000100", "00000300", "b"}}, 25},
      {"29.97 drop-frame labels", R"( ttp:timeBase="smpte" ttp:frameRate="30" ttp:frameRateMultiplier="1000 1001" ttp:dropMode="dropNTSC")",
       R"(<div><p begin="00:01:00:02" end="00:10:00:00">a</p></div>)", {{"00010002", "00100000", "a"}}, 29},
      {"23.976 with the multiplier written as 999 1000", R"( ttp:frameRate="24" ttp:frameRateMultiplier="999 1000")",
       R"(<div><p begin="00:00:01:23" end="00:00:02:00">a</p></div>)", {{"00000123", "00000200", "a"}}, 23},
      {"frames and fractions at their fixed places, a semicolon, spaces around", R"( ttp:frameRate="25")",
       R"(<div><p begin=" 00:00:01:12 " end="00:00:02;13">a</p><p begin="00:00:03.480" end="00:00:04.04">b</p></div>)",
       {{"00000112", "00000213", "a"}, {"00000312", "00000401", "b"}}, 25},
      {"clock times the fixed places refuse go the long way", R"( ttp:frameRate="25" ttp:subFrameRate="2")",
       R"(<div><p begin="00:00:01:12.0" end="0:0:2:13">a</p><p begin="00:00:0a:00" end="3s">bad</p></div>)",
       {{"00000112", "00000213", "a"}}, 25},
      {"overlapping paragraphs stay apart, in time order", "",
       R"(<div><p begin="5s" end="7s">late</p><p begin="1s" end="6s">early</p><p begin="1s" end="2s">same</p></div>)",
       {{"00000100", "00000600", "early"}, {"00000100", "00000200", "same"}, {"00000500", "00000700", "late"}}, 25},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> w;
    try {
      SubtitleDocument d = Read(Ttml(c.attrs, c.body), &w);
      EXPECT_EQ(d.frameRate().code, c.rate);
      if (c.expected.size()) ExpectSubtitles(d, c.expected);
      else ADD_FAILURE() << "a time of 123 hours was read";
    } catch (const UserError& e) {
      EXPECT_EQ(c.expected.size(), 0u) << e.text();
      EXPECT_EQ(e.title(), "Invalid file format");
    }
  }
}

TEST(TimedTextRead, TimesNotUnderstoodAreNamed) {
  std::vector<std::string> w;
  SubtitleDocument d =
      Read(Ttml("", R"(<div><p begin="soon" end="2s">a</p><p begin="1s">open</p><p begin="3s" end="4s">ok</p></div>)"), &w);
  ExpectSubtitles(d, {{"00000300", "00000400", "ok"}});
  ASSERT_EQ(w.size(), 2u);
  EXPECT_NE(w[0].find("without an end time"), std::string::npos);
  EXPECT_NE(w[1].find("times Kipo does not understand"), std::string::npos);
}

TEST(TimedTextRead, TextStylesAndWhiteSpace) {
  const std::string head = R"(<styling>
  <style xml:id="it" tts:fontStyle="italic"/>
  <style xml:id="yellowItalic" style="it" tts:color="#FFFF00"/>
  <style xml:id="under" tts:textDecoration="underline"/>
</styling>)";
  struct Case {
    const char* what;
    std::string p;
    std::string text;
  };
  const Case cases[] = {
      {"row breaks and collapsed white space", "<p begin='1s' end='2s'>\n   One  two\n <br/>\n three   </p>",
       "One two\r\nthree"},
      {"nested spans: italics by reference, a colour inside",
       "<p begin='1s' end='2s'>Plain <span style='it'>it <span tts:color='red'>red</span></span> end</p>",
       "Plain <it \x01red>\x07 end"},
      {"a style that refers to another", "<p begin='1s' end='2s' style='yellowItalic'>all</p>", "\x03<all>"},
      {"inline italics on the paragraph, a span back to normal",
       "<p begin='1s' end='2s' tts:fontStyle='italic'>a <span tts:fontStyle='normal'>b</span></p>", "<a> b"},
      {"underline", "<p begin='1s' end='2s'><span style='under'>under</span> lined</p>", "[under] lined"},
      {"italics across a row break", "<p begin='1s' end='2s'><span style='it'>one<br/>two</span> three</p>",
       "<one\r\ntwo> three"},
      {"italics that stop at the row's end", "<p begin='1s' end='2s'><span style='it'>one</span><br/>two</p>",
       "<one>\r\ntwo"},
      {"entities and character references", "<p begin='1s' end='2s'>Tom &amp; Jerry &lt;3 &#233;t&#xE9;</p>",
       "Tom & Jerry " + EscapeLiterals("<") + "3 \xC3\xA9t\xC3\xA9"},
      {"brackets are characters, not markup", "<p begin='1s' end='2s'>[door slams] a > b</p>",
       EscapeLiterals("[door slams] a > b")},
      {"preserved white space keeps spaces and line feeds",
       "<p begin='1s' end='2s' xml:space='preserve'>  two  spaces\nnext</p>", "  two  spaces\r\nnext"},
      {"CDATA", "<p begin='1s' end='2s'><![CDATA[a <b> c]]></p>", EscapeLiterals("a <b> c")},
      {"tabs, line feeds and spaces at the edges of spans",
       "<p begin='1s' end='2s'>a\t b <span style='it'> c </span>\n d  </p>", "a b <c> d"},
      {"preserved carriage returns go, preserved tabs are spaces",
       "<p begin='1s' end='2s' xml:space='preserve'>a&#13;\n\tb</p>", "a\r\n b"},
      {"metadata inside a paragraph is no text", "<p begin='1s' end='2s'><metadata>note</metadata>text</p>", "text"},
      {"rgb() and named colours", "<p begin='1s' end='2s'><span tts:color='rgb(0,255,255)'>c</span><span tts:color='lime'>g</span></p>",
       "\x06" "c\x02g"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SubtitleDocument d = Read(Ttml("", "<div>" + c.p + "</div>", head));
    ASSERT_EQ(d.Count(), 1u);
    EXPECT_EQ(d.At(0).text, c.text);
  }
}

TEST(TimedTextRead, RowAndAlignmentFromRegionsAndStyles) {
  const std::string head = R"(<styling>
  <style xml:id="left" tts:textAlign="left"/>
  <style xml:id="end" tts:textAlign="end"/>
</styling>
<layout>
  <region xml:id="top" tts:origin="10% 5%" tts:extent="80% 20%" tts:displayAlign="before"/>
  <region xml:id="bottom" tts:origin="10% 80%" tts:extent="80% 15%" tts:displayAlign="after" tts:textAlign="right"/>
  <region xml:id="middle" tts:origin="10% 30%" tts:extent="80% 40%" tts:displayAlign="center"/>
  <region xml:id="full" tts:origin="10% 10%" tts:extent="80% 80%" tts:displayAlign="after"/>
  <region xml:id="cells" tts:origin="2c 1c" tts:extent="28c 3c"/>
  <region xml:id="pixels" tts:origin="10px 20px" tts:extent="100px 50px"/>
  <region xml:id="styled" style="left"><style tts:displayAlign="before"/></region>
</layout>)";
  struct Case {
    std::string p;
    int row, alignment;
  };
  const Case cases[] = {
      {"<p region='top'>", 9, AlignCentre},
      {"<p region='top' style='left'>", 9, AlignLeft},
      {"<p region='bottom'>", 0, AlignRight},  // the region's alignment reaches the text
      {"<p region='bottom' style='left'>", 0, AlignLeft},
      {"<p region='middle' tts:textAlign='start'>", 5, AlignLeft},
      {"<p region='full' style='end'>", 0, AlignRight},
      {"<p region='cells'>", 9, AlignCentre},
      {"<p region='styled'>", 9, AlignLeft},
      {"<p>", 0, AlignCentre},
      {"<p region='nowhere'>", 0, AlignCentre},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.p);
    std::string p = c.p;
    p.insert(p.size() - 1, " begin='1s' end='2s'");
    SubtitleDocument d = Read(Ttml(R"( ttp:cellResolution="32 15")", "<div>" + p + "x</p></div>", head));
    ASSERT_EQ(d.Count(), 1u);
    EXPECT_EQ(d.At(0).row, c.row);
    EXPECT_EQ(d.At(0).alignment, c.alignment);
  }
  // A region on the division reaches its paragraphs; pixels are named.
  std::vector<std::string> w;
  SubtitleDocument d = Read(Ttml("", "<div region='pixels'><p begin='1s' end='2s'>x</p></div>", head), &w);
  EXPECT_EQ(d.At(0).row, 0);
  ASSERT_FALSE(w.empty());
  EXPECT_NE(w.back().find("Regions placed in units"), std::string::npos);
}

// Files as other tools write them.
TEST(TimedTextRead, DialectsOfOtherTools) {
  struct Case {
    const char* what;
    std::string file;
    std::initializer_list<Expect> expected;
    int rate;
  };
  const Case cases[] = {
      {"DFXP 2006 namespace, prefixed elements, offsets in seconds",
       R"(<?xml version="1.0" encoding="UTF-8"?>
<tt:tt xmlns:tt="http://www.w3.org/2006/10/ttaf1" xmlns:tts="http://www.w3.org/2006/10/ttaf1#styling" xml:lang="en">
<tt:body><tt:div xml:lang="en">
<tt:p begin="1.20s" dur="2.04s" tts:fontStyle="italic">Hello<tt:br />world</tt:p>
</tt:div></tt:body></tt:tt>)",
       {{"00000105", "00000306", "<Hello\r\nworld>"}}, 25},
      {"EBU-TT-D with media times and styled spans",
       R"(<?xml version="1.0" encoding="UTF-8"?>
<tt:tt xmlns:tt="http://www.w3.org/ns/ttml" xmlns:tts="http://www.w3.org/ns/ttml#styling" xmlns:ttp="http://www.w3.org/ns/ttml#parameter" xmlns:ebutts="urn:ebu:tt:style" ttp:timeBase="media" ttp:cellResolution="50 30" xml:lang="de">
  <tt:head>
    <tt:styling>
      <tt:style xml:id="s0" tts:color="#ffffff" tts:backgroundColor="#000000c2"/>
      <tt:style xml:id="s1" tts:color="#ffff00" tts:backgroundColor="#000000c2"/>
      <tt:style xml:id="p0" tts:textAlign="center" tts:fontFamily="Verdana" tts:fontSize="160%"/>
    </tt:styling>
    <tt:layout><tt:region xml:id="r0" tts:origin="10% 10%" tts:extent="80% 80%" tts:displayAlign="after"/></tt:layout>
  </tt:head>
  <tt:body>
    <tt:div>
      <tt:p xml:id="sub0" region="r0" style="p0" begin="00:00:05.120" end="00:00:07.760">
        <tt:span style="s0">Guten Tag,</tt:span>
        <tt:br/>
        <tt:span style="s1">sagte sie.</tt:span>
      </tt:p>
    </tt:div>
  </tt:body>
</tt:tt>)",
       {{"00000503", "00000719", "Guten Tag,\r\n\x03sagte sie."}}, 25},
      {"EBU-TT-D of another broadcaster: the ttml: prefix, styles by reference and inline, nested spans, br "
       "between indented lines, entities, xml:space",
       R"(<?xml version="1.0" encoding="UTF-8"?>
<ttml:tt xmlns:ttml="http://www.w3.org/ns/ttml" xmlns:tts="http://www.w3.org/ns/ttml#styling" xmlns:ttp="http://www.w3.org/ns/ttml#parameter" xmlns:ebuttm="urn:ebu:tt:metadata" ttp:timeBase="media" ttp:cellResolution="40 24" xml:lang="nl">
<ttml:head>
<ttml:metadata><ebuttm:documentMetadata><ebuttm:documentTitle>Afl. 12 &amp; 13</ebuttm:documentTitle></ebuttm:documentMetadata></ttml:metadata>
<ttml:styling>
<ttml:style xml:id="base" tts:fontFamily="proportionalSansSerif" tts:textAlign="center"/>
<ttml:style xml:id="yel" tts:color="#FFFF00FF"/>
</ttml:styling>
<ttml:layout>
<ttml:region xml:id="low" tts:origin="10% 70%" tts:extent="80% 20%" tts:displayAlign="after"/>
<ttml:region xml:id="high" tts:origin="10% 10%" tts:extent="80% 20%" tts:displayAlign="before"/>
</ttml:layout>
</ttml:head>
<ttml:body style="base">
<ttml:div region="low">
<ttml:p xml:id="c1" begin="00:01:02.000" end="00:01:04.480"><ttml:span style="yel">Kom &amp; kijk</ttml:span> <ttml:span tts:fontStyle="italic">nu <ttml:span style="yel">snel</ttml:span></ttml:span>
   <ttml:br/>
   &lt;muziek&gt;</ttml:p>
<ttml:p xml:id="c2" begin="00:01:05.000" end="00:01:06.000" region="high" xml:space="preserve"><ttml:span>twee  spaties</ttml:span></ttml:p>
</ttml:div>
</ttml:body>
</ttml:tt>)",
       {{"00010200", "00010412",
         "\x03Kom & kijk\x07 <nu \x03snel>\r\n\x07" + LiteralStandIn('<') + "muziek" + LiteralStandIn('>')},
        {"00010500", "00010600", "twee  spaties"}},
       25},
      {"Netflix style: frames, a profile, nested regions",
       R"(<?xml version="1.0" encoding="utf-8"?>
<tt xmlns="http://www.w3.org/ns/ttml" xmlns:ttp="http://www.w3.org/ns/ttml#parameter" xmlns:tts="http://www.w3.org/ns/ttml#styling" ttp:profile="http://www.netflix.com/ns/ttml/profile/dfxp-ls-sdh" ttp:timeBase="smpte" ttp:frameRate="24" ttp:frameRateMultiplier="1000 1001" ttp:dropMode="nonDrop" xml:lang="en">
<head><layout><region xml:id="bottom" tts:origin="0% 80%" tts:extent="100% 20%" tts:displayAlign="after"/></layout></head>
<body region="bottom"><div>
<p begin="00:00:10:12" end="00:00:12:00">- Where?<br/>- <span tts:fontStyle="italic">There.</span></p>
</div></body></tt>)",
       {{"00001012", "00001200", "- Where?\r\n- <There.>"}}, 23},
      {"iTT with its own namespace prefixes and a 30 fps label",
       R"(<?xml version="1.0" encoding="UTF-8"?>
<tt xmlns="http://www.w3.org/ns/ttml" xmlns:tts="http://www.w3.org/ns/ttml#styling" xmlns:ttm="http://www.w3.org/ns/ttml#metadata" xmlns:ttp="http://www.w3.org/ns/ttml#parameter" ttp:timeBase="smpte" ttp:frameRate="30" ttp:frameRateMultiplier="1 1" ttp:dropMode="nonDrop" xml:lang="fr">
 <head>
  <styling><style xml:id="normal" tts:fontFamily="sansSerif" tts:fontStyle="normal"/><style xml:id="italic" tts:fontStyle="italic"/></styling>
  <layout><region xml:id="top" tts:origin="0% 0%" tts:extent="100% 15%" tts:displayAlign="before"/><region xml:id="bottom" tts:origin="0% 85%" tts:extent="100% 15%" tts:displayAlign="after"/></layout>
 </head>
 <body style="normal" region="bottom">
  <div begin="00:00:00:00">
   <p begin="00:00:01:29" end="00:00:03:00" region="top" style="italic">Bonjour</p>
  </div>
 </body>
</tt>)",
       {{"00000129", "00000300", "<Bonjour>"}}, 30},
      {"IMSC 1 text with ticks and an initial style",
       R"(<?xml version="1.0" encoding="UTF-8"?>
<tt xml:lang="en" xmlns="http://www.w3.org/ns/ttml" xmlns:ttp="http://www.w3.org/ns/ttml#parameter" xmlns:tts="http://www.w3.org/ns/ttml#styling" xmlns:ittp="http://www.w3.org/ns/ttml/profile/imsc1#parameter" ttp:tickRate="10000000" ttp:profile="http://www.w3.org/ns/ttml/profile/imsc1/text" ittp:aspectRatio="16 9">
<body><div><p begin="90000000t" end="104800000t"><span tts:textDecoration="underline">Nine</span> seconds</p></div></body></tt>)",
       {{"00000900", "00001012", "[Nine] seconds"}}, 25},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> w;
    SubtitleDocument d = Read(c.file, &w);
    EXPECT_EQ(d.frameRate().code, c.rate);
    ExpectSubtitles(d, c.expected);
  }
}

// The same file in the encodings and line ends files arrive in.
TEST(TimedTextRead, EncodingsAndLineEnds) {
  const std::string file = Ttml("", "<div><p begin='1s' end='2s'>Caf\xC3\xA9<br/>cr\xC3\xA8me</p></div>");
  auto crlf = [](std::string s) {
    std::string out;
    for (char c : s) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
  };
  auto utf16 = [](const std::string& s, bool bigEndian) {
    std::vector<std::uint8_t> b = bigEndian ? Utf8ToUtf16BE(s) : Utf8ToUtf16LE(s);
    return std::string(bigEndian ? "\xFE\xFF" : "\xFF\xFE") + std::string(b.begin(), b.end());
  };
  std::string latin1 = file;
  latin1.replace(latin1.find("utf-8"), 5, "ISO-8859-1");
  latin1.replace(latin1.find("\xC3\xA9"), 2, "\xE9");
  latin1.replace(latin1.find("\xC3\xA8"), 2, "\xE8");
  const std::pair<const char*, std::string> cases[] = {
      {"UTF-8", file},
      {"UTF-8 with a byte-order mark and CR LF", "\xEF\xBB\xBF" + crlf(file)},
      {"UTF-16 little-endian", utf16(file, false)},
      {"UTF-16 big-endian", utf16(file, true)},
      {"Latin-1 by its declaration", latin1},
  };
  for (const auto& [what, bytes] : cases) {
    SCOPED_TRACE(what);
    SubtitleDocument d = Read(bytes);
    ASSERT_EQ(d.Count(), 1u);
    EXPECT_EQ(d.At(0).text, "Caf\xC3\xA9\r\ncr\xC3\xA8me");
  }
}

TEST(TimedTextRead, NotTimedTextGetsOneLineReason) {
  const std::pair<const char*, std::string> cases[] = {
      {"not XML", "1\r\n00:00:01,000 --> 00:00:02,000\r\nHello\r\n"},
      {"broken XML", std::string(kTtmlHead) + "><body><p begin='1s'>a</body></tt>"},
      {"a digital cinema file", "<?xml version='1.0'?><DCSubtitle Version='1.0'><SubtitleID>x</SubtitleID></DCSubtitle>"},
      {"an editing timeline", "<?xml version='1.0'?><!DOCTYPE xmeml><xmeml version='4'><sequence/></xmeml>"},
      {"tt in another namespace", "<tt xmlns='urn:example:other'><body/></tt>"},
      {"empty", ""},
      {"only a declaration", "<?xml version='1.0'?>"},
  };
  for (const auto& [what, bytes] : cases) {
    SCOPED_TRACE(what);
    EXPECT_FALSE(LooksLikeTimedText(Bytes(bytes)));
    try {
      Read(bytes);
      ADD_FAILURE() << "read";
    } catch (const UserError& e) {
      EXPECT_EQ(e.title(), "Invalid file format");
      EXPECT_FALSE(e.text().empty());
      EXPECT_EQ(e.text().find('\n'), std::string::npos) << e.text();
    }
  }
  EXPECT_TRUE(LooksLikeTimedText(Bytes(Ttml("", ""))));
  EXPECT_EQ(Read(Ttml("", "")).Count(), 0u);
}

// Files built to hurt: they give a document or the format's message, never a crash.
TEST(TimedTextRead, HostileFiles) {
  std::string deep = "<div><p begin='1s' end='2s'>";
  for (int i = 0; i < 100000; ++i) deep += "<span>";
  deep += "x";
  for (int i = 0; i < 100000; ++i) deep += "</span>";
  deep += "</p></div>";
  std::vector<std::string> w;
  SubtitleDocument d = Read(Ttml("", deep), &w);
  ASSERT_EQ(d.Count(), 1u);
  EXPECT_FALSE(w.empty());

  const std::string cycle = "<styling><style xml:id='a' style='b'/><style xml:id='b' style='a'/></styling>";
  EXPECT_EQ(Read(Ttml("", "<div><p begin='1s' end='2s' style='a'>x</p></div>", cycle)).Count(), 1u);

  std::string many = "<div>";
  for (int i = 0; i < 32768; ++i) many += "<p begin='1s' end='2s'>x</p>";
  many += "</div>";
  EXPECT_THROW(Read(Ttml("", many)), UserError);

  for (const char* t : {"99999999999999999999s", "1e9s", "-1s", "00:00:00:00:00", "::", "1.2.3s", "24:61:00"}) {
    SCOPED_TRACE(t);
    try {
      Read(Ttml("", std::string("<div><p begin='") + t + "' end='2s'>x</p></div>"));
    } catch (const UserError& e) {
      EXPECT_EQ(e.title(), "Invalid file format");
    }
  }
}

TEST(TimedTextRead, LanguageFromTheRoot) {
  // A language part of 16 letters or more fills ICU's buffer and comes back unterminated:
  // such tags name no language.
  const std::pair<const char*, std::int32_t> cases[] = {{"fr", 1036},
                                                        {"en-GB", 2057},
                                                        {"he", 1037},
                                                        {"xx", kDefaultLanguageId},
                                                        {"ew[[[[[[[[[[[[[n", kDefaultLanguageId},
                                                        {"abcdefghijklmnop-FR", kDefaultLanguageId},
                                                        {"abcdefghijklmnopqrstuvwxyz", kDefaultLanguageId}};
  for (auto [lang, id] : cases) {
    SCOPED_TRACE(lang);
    std::string file = Ttml("", "");
    file.replace(file.find("xml:lang=\"en\""), 13, std::string("xml:lang=\"") + lang + "\"");
    EXPECT_EQ(Read(file).languageId(), id);
  }
}

TEST(TimedTextRead, ITunesPiecesOfHandMadeFiles) {
  const std::string text =
      "<tt><body><div>\r\n"
      "<p begin=\"00:00:01:00\" end=\"00:00:02:12\">Hello <i>there</i></br>you & me</p>\r\n"
      "<p begin=\"00:00:03:00\" end=\"00:00:04:00\" region=\"top\">One<br/><span>two</span></p>\r\n"
      "<p begin=\"00:00:05\" end=\"00:00:06\">too short</p>\r\n"
      "</div></body></tt>\r\n";
  std::vector<std::string> w;
  SubtitleDocument d = ReadITunesPieces(text, *FrameRate::FromCode(25), w);
  ExpectSubtitles(d, {{"00000100", "00000212", "Hello <there>\r\nyou & me"},
                      {"00000300", "00000400", "One\r\n" + EscapeLiterals("<span>two</span>")}});
  EXPECT_EQ(d.At(0).row, 0);
  EXPECT_EQ(d.At(0).alignment, AlignCentre);
  ASSERT_EQ(w.size(), 1u);
  EXPECT_THROW(ReadITunesPieces("<tt/>", *FrameRate::FromCode(25), w), UserError);
}

// Every writer's file read back: each cue to the frame, italics and colours kept, at every
// frame rate.
TEST(TimedTextRead, RoundTripThroughEveryWriter) {
  const TimedTextDialect dialects[] = {TimedTextDialect::W3C,   TimedTextDialect::Netflix, TimedTextDialect::Generic,
                                       TimedTextDialect::EbuTt, TimedTextDialect::EbuTtD,  TimedTextDialect::ITunes};
  for (int code : AllFrameRateCodes()) {
    const FrameRate rate = *FrameRate::FromCode(code);
    SubtitleDocument doc(code, kDefaultLanguageId, 0);
    // Every frame number of a second once, and cues past ten hours.
    const std::string texts[] = {"Plain", "Two\r\nrows", "Partly <italic> then not", "<Wholly\r\nitalic>",
                                 "\x01Red\x07 then white", "A & B " + EscapeLiterals("<tag>")};
    for (int f = 0; f < rate.countingRate(); ++f) {
      Subtitle s;
      const FrameCount in =
          (f + 1) * (rate.countingRate() + 1) + (2 * f >= rate.countingRate() ? 10 * 3600 * rate.countingRate() : 0);
      s.inCue = FramesToDigits(in, rate);
      s.outCue = FramesToDigits(in + rate.countingRate() / 2 + f, rate);
      s.text = texts[f % 6];
      doc.Append(s);
    }
    for (TimedTextDialect dialect : dialects) {
      SCOPED_TRACE("rate " + std::to_string(code) + " dialect " + std::to_string(static_cast<int>(dialect)));
      std::vector<std::string> w;
      TimedTextWriteOptions o;
      const std::string xml = WriteTimedText(doc, dialect, o, w);
      SubtitleDocument back = Read(xml, nullptr, code);
      // Generic hundredths cannot tell every frame apart at these rates (the writer says so).
      if (dialect == TimedTextDialect::Generic && (code == 48 || code == 59 || code == 60)) {
        EXPECT_FALSE(w.empty());
        continue;
      }
      if (dialect != TimedTextDialect::EbuTtD && dialect != TimedTextDialect::Generic) {
        EXPECT_EQ(back.frameRate().code, code);
      }
      ASSERT_EQ(back.Count(), doc.Count());
      for (std::size_t i = 0; i < doc.Count(); ++i) {
        SCOPED_TRACE(doc.At(i).inCue.digits());
        EXPECT_EQ(back.At(i).inCue, doc.At(i).inCue);
        EXPECT_EQ(back.At(i).outCue, doc.At(i).outCue);
        EXPECT_EQ(back.At(i).text, doc.At(i).text);
      }
    }
  }
}

}  // namespace
}  // namespace kipo
