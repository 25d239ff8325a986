// Plain Timed Text files are read by a scan of their bytes, any other through the XML
// library's tree. Files as other tools and broadcasters write them must give the same
// document, warnings and refusals both ways; the table also says which of them the scan
// reads itself, so that a scan that gives up on everything cannot pass.
#include <gtest/gtest.h>

#include <random>

#include "formats/timedtext/timed_text.h"
#include "platform/encoding.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

std::span<const std::uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

struct Outcome {
  std::optional<SubtitleDocument> doc;
  std::vector<std::string> warnings;
  std::string error;
};

Outcome ReadWith(const std::string& file, TimedTextParser parser) {
  Outcome o;
  try {
    o.doc = ReadTimedText(Bytes(file), 25, o.warnings, parser);
  } catch (const UserError& e) {
    o.error = e.what();
  }
  return o;
}

void ExpectSame(const Outcome& a, const Outcome& b) {
  EXPECT_EQ(a.error, b.error);
  EXPECT_EQ(a.warnings, b.warnings);
  ASSERT_EQ(a.doc.has_value(), b.doc.has_value());
  if (!a.doc) return;
  EXPECT_EQ(a.doc->frameRate().code, b.doc->frameRate().code);
  EXPECT_EQ(a.doc->languageId(), b.doc->languageId());
  ASSERT_EQ(a.doc->Count(), b.doc->Count());
  for (std::size_t i = 0; i < a.doc->Count(); ++i) {
    SCOPED_TRACE("subtitle " + std::to_string(i + 1));
    EXPECT_EQ(a.doc->At(i), b.doc->At(i));
  }
}

std::string Utf16(const std::string& utf8) {
  const std::u16string u = [&] {
    std::u16string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) out += static_cast<char16_t>(static_cast<unsigned char>(utf8[i]));
    return out;
  }();
  std::string bytes = "\xFF\xFE";
  for (char16_t c : u) bytes += static_cast<char>(c & 0xFF), bytes += static_cast<char>(c >> 8);
  return bytes;
}

std::string Crlf(std::string s) {
  std::string out;
  for (char c : s) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// A subtitle file of a broadcaster's tool: prefixed elements, EBU metadata, styles that
// name other styles, regions with styles inside, nested spans, frames and sub-frames.
const std::string kPrefixed = R"ttml(<?xml version="1.0" encoding="UTF-8"?>
<tt:tt xmlns:tt="http://www.w3.org/ns/ttml" xmlns:ttp="http://www.w3.org/ns/ttml#parameter"
    xmlns:tts="http://www.w3.org/ns/ttml#styling" xmlns:ebuttm="urn:ebu:tt:metadata"
    ttp:timeBase="smpte" ttp:frameRate="30" ttp:frameRateMultiplier="1000 1001" ttp:subFrameRate="2"
    ttp:cellResolution="50 30" xml:lang="de">
  <tt:head>
    <tt:metadata><ebuttm:documentMetadata><ebuttm:documentTitle>Folge 3 &amp; 4</ebuttm:documentTitle></ebuttm:documentMetadata></tt:metadata>
    <tt:styling>
      <tt:style xml:id="base" tts:fontFamily="monospaceSansSerif" tts:color="#FFFFFF"/>
      <tt:style xml:id="yellow" style="base" tts:color="#FFFF00"/>
      <tt:style xml:id="lean" style="yellow" tts:fontStyle="italic"/>
    </tt:styling>
    <tt:layout>
      <tt:region xml:id="top" tts:origin="10% 5%" tts:extent="80% 20%"><tt:style tts:displayAlign="before"/></tt:region>
      <tt:region xml:id="low" tts:origin="4c 24c" tts:extent="42c 5c" tts:displayAlign="after"/>
    </tt:layout>
  </tt:head>
  <tt:body style="base">
    <tt:div region="low">
      <tt:p xml:id="s1" begin="00:00:01:12" end="00:00:03:00.1">Guten <tt:span style="lean">Abend, <tt:span tts:textDecoration="underline">meine</tt:span></tt:span> Damen<tt:br/>und Herren</tt:p>
      <tt:p xml:id="s2" region="top" begin="00:00:04:00" end="00:00:05:15" style="yellow">Oben</tt:p>
    </tt:div>
  </tt:body>
</tt:tt>
)ttml";

// A streaming service's file: default namespace, ticks, a profile, regions in percent,
// references of every kind, a comment and a PI inside the body.
const std::string kTicks = R"ttml(<?xml version="1.0" encoding="utf-8"?>
<tt xmlns="http://www.w3.org/ns/ttml" xmlns:tts="http://www.w3.org/ns/ttml#styling" xmlns:ttp="http://www.w3.org/ns/ttml#parameter" ttp:tickRate="10000000" ttp:profile="http://www.netflix.com/ns/ttml/profile/nflx-tt" xml:lang="fr-CA">
<head><styling><style xml:id="s0" tts:textAlign="start"/></styling>
<layout><region xml:id="bottom" tts:origin="10% 80%" tts:extent="80% 10%" tts:displayAlign="after"/></layout></head>
<body region="bottom"><div>
<!-- cue 1 -->
<p begin="10010000t" end="30030000t" style="s0">L&apos;&#233;t&#xE9; &amp; l&#x2019;hiver<br />&lt;bruit&gt; &quot;dit-il&quot;</p>
<?processing instruction?>
<p begin="40000000t" end="50000000t"><span tts:color='red'>rouge</span><!-- inside --> <span tts:color="rgb(0, 0, 255)">bleu</span></p>
</div></body></tt>
)ttml";

// A web player's file in the 2006 namespace: offset times in every metric, durations, a
// time container in sequence, single quotes, <br/> and <br></br>, xml:space.
const std::string kDfxp = R"ttml(<?xml version='1.0' encoding='UTF-8'?>
<tt xmlns='http://www.w3.org/2006/10/ttaf1' xmlns:tts='http://www.w3.org/2006/10/ttaf1#styling' xml:lang='en'>
  <head><styling><style id='it' tts:fontStyle='italic'/></styling></head>
  <body>
    <div timeContainer='seq'>
      <p dur='1.5s'>first</p>
      <p dur='1500ms'>second<br></br>row</p>
      <p begin='0.25m' dur='0.001h'>third</p>
      <p begin='50f' end='100f' xml:space='preserve'>  kept
  spaces	and tab</p>
    </div>
    <div begin='00:01:00' end='00:01:30'>
      <p begin='1' end='00:00:02.5'><span begin='0.5s' end='1s'>untimed</span> paragraph</p>
      <p><span begin='00:00:03' end='00:00:04'>times</span> <span begin='00:00:05' end='00:00:06'>from spans</span></p>
      <p begin='10s'>no end</p>
    </div>
  </body>
</tt>
)ttml";

// A file whose head follows its body, the styles of the body's paragraphs in it.
const std::string kHeadLast = R"ttml(<tt xmlns="http://www.w3.org/ns/ttml" xmlns:tts="http://www.w3.org/ns/ttml#styling">
<body><div><p begin="1s" end="2s" style="it">late styles</p></div></body>
<head><styling><style xml:id="it" tts:fontStyle="italic"/></styling></head>
</tt>)ttml";

// Values and text the scan decodes, remembered beyond the tag they stand in: a division's
// region written with a character reference, style references split by tabs and line
// ends, entities inside spans of many paragraphs.
const std::string kReferences = R"ttml(<tt xmlns="http://www.w3.org/ns/ttml" xmlns:tts="http://www.w3.org/ns/ttml#styling">
<head><styling><style xml:id="y" tts:color="yellow"/><style xml:id="i" tts:fontStyle="italic"/></styling>
<layout><region xml:id="top" tts:origin="0% 0%" tts:extent="100% 20%"/></layout></head>
<body><div region="t&#111;p">
<p begin="1s" end="2s" style="y&#9;i">a &amp; b</p>
<p begin="3s" end="4s" style="y
i"><span style="&#105;">c &lt; d</span> &#x2014; e</p>
<p begin="5s" end="6s" style="y&#9;i">f &gt; g</p>
</div></body></tt>)ttml";

// Divisions and spans nested past the depth the reader reads.
std::string Deep() {
  std::string divs, spans, close;
  for (int i = 0; i < 210; ++i) divs += "<div>", spans += "<span tts:fontStyle=\"italic\">";
  for (int i = 0; i < 210; ++i) close += "</span>";
  std::string file = "<tt xmlns=\"http://www.w3.org/ns/ttml\" xmlns:tts=\"http://www.w3.org/ns/ttml#styling\"><body>" +
                     divs + "<p begin=\"1s\" end=\"2s\">lost</p>";
  for (int i = 0; i < 210; ++i) file += "</div>";
  return file + "<div><p begin=\"3s\" end=\"4s\">deep " + spans + "x" + close + "</p></div></body></tt>";
}

std::string Simple(const std::string& prolog, const std::string& paragraph) {
  return prolog + "<tt xmlns=\"http://www.w3.org/ns/ttml\" xmlns:tts=\"http://www.w3.org/ns/ttml#styling\">"
                  "<body><div>" + paragraph + "</div></body></tt>";
}

TEST(TimedTextScan, FilesOfOtherToolsReadAlikeByScanAndByTree) {
  const std::string p = "<p begin=\"00:00:01.000\" end=\"00:00:02.000\">";
  struct Row {
    const char* what;
    std::string file;
    bool scanned;  // read by the scan itself
  };
  const std::vector<Row> rows = {
      {"a broadcaster's prefixed file", kPrefixed, true},
      {"the same in CR LF with a byte-order mark", "\xEF\xBB\xBF" + Crlf(kPrefixed), true},
      {"ticks, references, comments and a PI", kTicks, true},
      {"the same in CR LF", Crlf(kTicks), true},
      {"a web player's file in single quotes", kDfxp, true},
      {"the same in CR LF", Crlf(kDfxp), true},
      {"nested spans and br with spaces",
       Simple("", p + "a <span tts:fontStyle=\"italic\">b <span tts:color=\"cyan\">c</span></span><br   />d</p>"), true},
      {"a DOCTYPE without internal subset", Simple("<!DOCTYPE tt SYSTEM \"ttml.dtd\">\n", p + "x</p>"), true},
      {"an attribute value with a line end and a tab",
       Simple("", "<p begin=\"00:00:01.000\"\n   end=\"00:00:02.000\" style=\"a\tb\">x</p>"), true},
      {"preserved text with a lone CR", Simple("", "<p begin=\"1s\" end=\"2s\" xml:space=\"preserve\">a\rb\r\nc</p>"),
       true},
      {"CDATA", Simple("", p + "<![CDATA[<i>not markup</i> & more]]></p>"), false},
      {"an internal DOCTYPE subset and its entity",
       Simple("<!DOCTYPE tt [<!ENTITY nb \"&#160;\">]>", p + "a&nb;b</p>"), false},
      {"an unknown entity", Simple("", p + "caf&eacute;</p>"), false},
      {"a Latin-1 file", Simple("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>", p + "caf\xE9</p>"), false},
      {"a UTF-16 file", Utf16(Simple("<?xml version=\"1.0\" encoding=\"UTF-16\"?>", p + "x</p>")), false},
      {"a broken file", Simple("", p + "<span>x</p></span>"), false},
      {"an ampersand alone", Simple("", p + "fish & chips</p>"), false},
      {"another root", "<transcript><p begin=\"1s\" end=\"2s\">x</p></transcript>", true},
      {"a tt of another namespace", "<tt xmlns=\"urn:example\"><body/></tt>", true},
      {"a bad time and an unknown colour",
       Simple("", "<p begin=\"soon\" end=\"2s\">x</p>" + p + "<span tts:color=\"#zz\">y</span></p>"), true},
      {"a time past the last cue", Simple("", "<p begin=\"100h\" end=\"101h\">x</p>"), true},
      {"the same after a frame rate Kipo does not edit at (refused without its warning)",
       "<tt xmlns=\"http://www.w3.org/ns/ttml\" xmlns:ttp=\"http://www.w3.org/ns/ttml#parameter\" ttp:frameRate=\"20\">"
       "<body><div><p begin=\"100h\" end=\"101h\">x</p></div></body></tt>", true},
      // The body is read from the scan while the tree holds the rest: files laid out
      // otherwise, and what its content may hold.
      {"a head after the body", kHeadLast, true},
      {"two bodies", "<tt xmlns=\"http://www.w3.org/ns/ttml\"><body><div><p begin=\"1s\" end=\"2s\">first</p></div>"
                     "</body><body><div><p begin=\"3s\" end=\"4s\">second</p></div></body></tt>", true},
      {"no body", "<tt xmlns=\"http://www.w3.org/ns/ttml\"><head/></tt>", true},
      {"an empty body", "<tt xmlns=\"http://www.w3.org/ns/ttml\"><head/><body/></tt>", true},
      {"markup after the root", Simple("", p + "x</p>") + "<tt/>", false},
      {"a file cut inside the body", Simple("", p + "x</p><p begin=\"3s\" end=\"4s\">y</p>").substr(0, 150), false},
      {"paragraphs timed by their spans, one without an end and its colour not understood",
       Simple("", "<p><span begin=\"1s\" end=\"2s\">a</span> <span tts:color=\"cyan\">b</span></p>"
                  "<p><span begin=\"3s\" tts:color=\"#zz\">never</span><br/><metadata><span end=\"9s\"/></metadata></p>"
                  "<p begin=\"5s\"><span dur=\"1s\">c</span><span begin=\"soon\" end=\"9s\">d</span></p>"), true},
      {"references in a division's region and a paragraph's styles", kReferences, true},
      {"elements nested deeper than the reader goes", Deep(), true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const Outcome tree = ReadWith(row.file, TimedTextParser::Library);
    const Outcome any = ReadWith(row.file, TimedTextParser::Any);
    ExpectSame(tree, any);
    const Outcome scan = ReadWith(row.file, TimedTextParser::Scan);
    if (row.scanned) ExpectSame(tree, scan);
    else EXPECT_EQ(scan.error, "The file is not a plain XML document.");
  }
}

// Damaged copies of files of other tools (a byte changed, removed or repeated, the file cut
// short): the body read token by token from the scan and the tree of the library give the
// same document, warnings and refusals for every copy the scan takes.
TEST(TimedTextScan, DamagedFilesReadAlikeByScanAndByTree) {
  std::mt19937 random(31);
  const std::string alphabet = "<>/&;\"'=!?-#x \r\n\tabp:1[]0";
  std::size_t scanned = 0, total = 0;
  for (const std::string& original : {kPrefixed, kTicks, kDfxp, kReferences, kHeadLast}) {
    for (int round = 0; round < 400; ++round) {
      std::string file = original;
      const int changes = 1 + round % 3;
      for (int c = 0; c < changes && !file.empty(); ++c) {
        const std::size_t at = random() % file.size();
        switch (random() % 4) {
          case 0: file[at] = alphabet[random() % alphabet.size()]; break;
          case 1: file.erase(at, 1 + random() % 3); break;
          case 2: file.insert(at, 1, file[random() % file.size()]); break;
          default: file.resize(at); break;
        }
      }
      ++total;
      const Outcome scan = ReadWith(file, TimedTextParser::Scan);
      if (scan.error == "The file is not a plain XML document.") continue;
      ++scanned;
      SCOPED_TRACE(file);
      ExpectSame(ReadWith(file, TimedTextParser::Library), scan);
      if (HasFailure()) return;
    }
  }
  EXPECT_GT(scanned, total / 10);
}

// Files our own writers make (every dialect, at two frame rates) read alike both ways and
// by the scan itself.
TEST(TimedTextScan, FilesOfEveryDialectReadByTheScan) {
  SubtitleDocument d(25, kDefaultLanguageId, 0);
  std::vector<Subtitle> subs;
  const char* texts[] = {"plain", "two\r\nrows", "<italic> and [under]", "\x02green\x07 & <b>", "caf\xC3\xA9 \"q\" 'a'"};
  for (int i = 0; i < 5; ++i) {
    Subtitle s;
    s.inCue = FramesToDigits(i * 50, d.frameRate());
    s.outCue = FramesToDigits(i * 50 + 40, d.frameRate());
    s.text = texts[i];
    s.alignment = i % 3 == 0 ? AlignLeft : AlignCentre;
    s.row = i == 2 ? 9 : 0;
    subs.push_back(s);
  }
  d.ReplaceAll(std::move(subs));
  for (TimedTextDialect dialect : {TimedTextDialect::W3C, TimedTextDialect::Netflix, TimedTextDialect::Generic,
                                   TimedTextDialect::EbuTt, TimedTextDialect::EbuTtD, TimedTextDialect::ITunes,
                                   TimedTextDialect::Flash}) {
    SCOPED_TRACE(static_cast<int>(dialect));
    std::vector<std::string> warnings;
    const std::string file = WriteTimedText(d, dialect, {}, warnings);
    const Outcome tree = ReadWith(file, TimedTextParser::Library);
    ExpectSame(tree, ReadWith(file, TimedTextParser::Scan));
    ASSERT_TRUE(tree.doc.has_value());
    EXPECT_EQ(tree.doc->Count(), 5u);
  }
}

// Telling Timed Text from the other formats written as XML: the root element decides, as
// soon as the scan reaches it, without reading the rest of another format's file.
TEST(TimedTextScan, FilesAreToldApartByTheirRoot) {
  const std::vector<std::pair<std::string, bool>> rows = {
      {Simple("", "<p begin=\"1s\" end=\"2s\">x</p>"), true},
      {Crlf(kPrefixed), true},
      {Utf16(Simple("", "<p begin=\"1s\" end=\"2s\">x</p>")), true},
      {"<?xml version=\"1.0\"?><!DOCTYPE xmeml><xmeml version=\"5\"><sequence/></xmeml>", false},
      {"<xmeml><sequence></xmeml>", false},
      {"<DCSubtitle Version=\"1.0\"><Font/></DCSubtitle>", false},
      {"<tt xmlns=\"urn:example\"><body/></tt>", false},
      {Simple("", "<p begin=\"1s\" end=\"2s\">x</p>").substr(0, 120), false},
      {"1\r\n00:00:01,000 --> 00:00:02,000\r\nSubRip\r\n", false},
  };
  for (const auto& [file, timedText] : rows) {
    SCOPED_TRACE(file.substr(0, 60));
    EXPECT_EQ(LooksLikeTimedText(Bytes(file)), timedText);
  }
}

}  // namespace
}  // namespace kipo
