// Markup from files made by other tools, read into the document's markup, and literal
// markup characters carried through every cue-list writer and reader.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "core/rich_text.h"
#include "formats/exchange/cue_text.h"
#include "formats/exchange/microdvd.h"
#include "formats/exchange/sbv.h"
#include "formats/exchange/subrip.h"
#include "formats/exchange/webvtt.h"

namespace kipo {
namespace {

const FrameRate kRate = *FrameRate::FromCode(25);

struct Format {
  const char* name;
  // A file holding one cue with the given text lines (joined by the format's row break).
  std::function<std::string(const std::vector<std::string>&)> file;
  std::function<SubtitleDocument(std::string_view, Warnings&)> read;
  std::function<std::string(const SubtitleDocument&, Warnings&)> write;
};

std::string Join(const std::vector<std::string>& rows, std::string_view sep) {
  std::string s;
  for (std::size_t i = 0; i < rows.size(); ++i) s += (i ? std::string(sep) : "") + rows[i];
  return s;
}

const std::vector<Format>& Formats() {
  static const std::vector<Format> formats = {
      {"SubRip", [](const auto& rows) { return "1\n00:00:01,000 --> 00:00:02,000\n" + Join(rows, "\n") + "\n"; },
       [](std::string_view t, Warnings& w) { return ReadSubRip(t, kRate, w); },
       [](const SubtitleDocument& d, Warnings& w) { return WriteSubRip(d, {}, w); }},
      {"WebVTT", [](const auto& rows) { return "WEBVTT\n\n00:01.000 --> 00:02.000\n" + Join(rows, "\n") + "\n"; },
       [](std::string_view t, Warnings& w) { return ReadWebVtt(t, kRate, w); },
       [](const SubtitleDocument& d, Warnings& w) { return WriteWebVtt(d, {}, w); }},
      {"SBV", [](const auto& rows) { return "0:00:01.000,0:00:02.000\n" + Join(rows, "\n") + "\n"; },
       [](std::string_view t, Warnings& w) { return ReadSbv(t, kRate, w); },
       [](const SubtitleDocument& d, Warnings& w) { return WriteSbv(d, w); }},
      {"MicroDVD", [](const auto& rows) { return "{25}{50}" + Join(rows, "|") + "\r\n"; },
       [](std::string_view t, Warnings& w) { return ReadMicroDvd(t, kRate, w); },
       [](const SubtitleDocument& d, Warnings& w) { return WriteMicroDvd(d, w); }},
  };
  return formats;
}

std::string L(std::string_view plain) { return EscapeLiterals(plain); }

TEST(ForeignMarkup, EveryReaderReadsTagsEntitiesAndStrayBrackets) {
  struct Case {
    std::vector<std::string> rows;
    std::string text;
  };
  const std::vector<Case> cases = {
      {{"<i>Italic</i> plain"}, "<Italic> plain"},
      {{"<I>Upper</I> and </ i>stray space"}, "<Upper> and >stray space"},
      {{"<i >spaced</i >"}, "<spaced>"},
      {{"<em>Emphasis</em>"}, "<Emphasis>"},
      {{"One<br>two<br/>three<BR />four"}, "One\r\ntwo\r\nthree\r\nfour"},
      {{"<u>under</u> <b>bold</b> <bold>word</bold>"}, "[under] bold word"},
      {{"<script>alert(1)</script>"}, "alert(1)"},
      {{"<c.yellow>class</c> <v Bob>voice</v> <lang en>x</lang>"}, "class voice x"},
      {{"Karaoke <00:00:20.080>word <00:00:21.000>by word"}, "Karaoke word by word"},
      {{"a < b and c > d"}, "a " + L("<") + " b and c " + L(">") + " d"},
      {{"2<3 but 4>1"}, "2" + L("<") + "3 but 4" + L(">") + "1"},
      {{"x <", "< y"}, "x " + L("<") + "\r\n" + L("<") + " y"},
      {{"&lt;tag&gt; &amp; &quot;q&quot; &apos;a&apos;"}, L("<") + "tag" + L(">") + " & \"q\" 'a'"},
      {{"a&nbsp;b &#65;&#x42;&#X43; &#60;"}, "a\xC2\xA0" "b ABC " + L("<")},
      {{"AT&T &unknown; &#0; &#xD800; & alone"}, "AT&T &unknown; &#0; &#xD800; & alone"},
      {{"[Door slams] \x01raw"}, L("[") + "Door slams" + L("]") + " " + L("\x01") + "raw"},
      {{"<font color=\"#FF0000\">red</font> white"}, "\x01red\x07 white"},
      {{"<font color=yellow>yellow</font>", "next"}, "\x03yellow\r\n\x07next"},
      {{"<font color=\"#123456\">odd colour</font>"}, "odd colour"},
      {{"<font face=\"Arial\" color='lime'>g</font>"}, "\x02g"},
  };
  for (const Format& f : Formats()) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(f.name) + ": " + Join(c.rows, " | "));
      Warnings w;
      SubtitleDocument d = f.read(f.file(c.rows), w);
      ASSERT_EQ(d.Count(), 1u);
      EXPECT_EQ(d.At(0).text, c.text);
    }
  }
}

// Whatever a document holds, markup and literal characters alike, each cue-list format
// writes so that its reader gives the same text back.
TEST(ForeignMarkup, LiteralsAndMarkupSurviveEveryFormat) {
  const std::vector<std::string> texts = {
      L("a < b > c"),
      L("<b>not a tag</b> & <script>"),
      L("if x<y then [see] &lt; &amp;"),
      "<Italic> " + L("<") + " [under] " + L("[") + "\r\nrow two " + L(">"),
      L("AT&T &copy; &#65;"),
      "\x01Red " + L("\x01") + " then\x07 white",
      L("<00:00:01.000> stays"),
  };
  std::vector<Subtitle> subs;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    Subtitle s;
    s.inCue = FramesToDigits(static_cast<Timecode>(i * 50 + 25), kRate);
    s.outCue = FramesToDigits(static_cast<Timecode>(i * 50 + 50), kRate);
    s.text = texts[i];
    subs.push_back(s);
  }
  SubtitleDocument d;
  d.SetFrameRate(25);
  d.ReplaceAll(subs);
  for (const Format& f : Formats()) {
    SCOPED_TRACE(f.name);
    Warnings w;
    std::string file = f.write(d, w);
    SubtitleDocument back = f.read(file, w);
    ASSERT_EQ(back.Count(), d.Count()) << file;
    const bool colours = std::string_view(f.name) == "SubRip" || std::string_view(f.name) == "SBV";
    for (std::size_t i = 0; i < texts.size(); ++i) {
      SCOPED_TRACE(texts[i]);
      // Formats without colours leave the switches out (and say so); the rest is kept.
      std::string want = texts[i];
      if (!colours) std::erase_if(want, [](char c) { return c == '\x01' || c == '\x07'; });
      EXPECT_EQ(back.At(i).text, want) << file;
    }
    EXPECT_EQ(std::find(w.begin(), w.end(), kColoursNotWritten) != w.end(), !colours);
  }
}

TEST(ForeignMarkup, HowEachFormatWritesLiterals) {
  struct Case {
    std::string text, subrip, webvtt;
  };
  const std::vector<Case> cases = {
      // A lone "<" is shown as itself by common players; one that would open a tag, and an
      // "&" that would start an entity, are written as entities.
      {L("a < b"), "a < b", "a &lt; b"},
      {L("<b>x"), "&lt;b>x", "&lt;b&gt;x"},
      {L("</i>"), "&lt;/i>", "&lt;/i&gt;"},
      {L("a < b and c > d"), "a &lt; b and c > d", "a &lt; b and c &gt; d"},
      {L("x < y and 2 > 1"), "x < y and 2 > 1", "x &lt; y and 2 &gt; 1"},
      {L("A&B &amp;"), "A&B &amp;amp;", "A&amp;B &amp;amp;"},
      {"<It> " + L("[x]"), "<i>It</i> [x]", "<i>It</i> [x]"},
      // Without colour tags each colour code keeps its character cell as a space.
      {"[u]\x02g\x07w", "<u>u</u><font color=\"#00ff00\">g</font>w", "<u>u</u> g w"},
      {"\x04" "blue\r\nrow", "<font color=\"#0000ff\">blue</font>\r\n<font color=\"#0000ff\">row</font>", "blue\r\nrow"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TagWriter srt({.escapeAll = false, .colours = true}), vtt({.escapeAll = true, .colours = false});
    std::string a, b;
    std::string_view text = c.text;
    for (std::size_t start = 0;;) {
      std::size_t p = text.find("\r\n", start);
      std::string_view row = text.substr(start, p == std::string_view::npos ? p : p - start);
      if (start) a += "\r\n", b += "\r\n";
      srt.AppendRow(a, row);
      vtt.AppendRow(b, row);
      if (p == std::string_view::npos) break;
      start = p + 2;
    }
    EXPECT_EQ(a, c.subrip);
    EXPECT_EQ(b, c.webvtt);
  }
}

// Random texts of markup, literal markup characters and look-alikes of tags and entities
// come back from every cue-list format as they went in (colours aside: their switches are
// tied to rows in these formats).
TEST(ForeignMarkup, RandomTextsSurviveEveryFormat) {
  const std::vector<std::string> pieces = {"a", "Bc", " ", "\xC3\xA9", "<", ">", "[", "]", L("<"), L(">"), L("["),
                                           L("]"), "&", "&lt;", "&amp;", "&#65;", ";", "/", "b", "i", "font", "=",
                                           "\"", "0", ":", ".", "\xE2\x80\xA6"};
  std::mt19937 rng(7);
  std::vector<Subtitle> subs;
  for (int i = 0; i < 400; ++i) {
    std::string text;
    const int rows = 1 + static_cast<int>(rng() % 2);
    for (int r = 0; r < rows; ++r) {
      if (r) text += "\r\n";
      text += "x";  // rows start and end with a letter: no blank rows, no edge spaces
      for (int k = static_cast<int>(rng() % 12); k > 0; --k) text += pieces[rng() % pieces.size()];
      text += "y";
    }
    Subtitle s;
    s.inCue = FramesToDigits(static_cast<Timecode>(i * 50 + 25), kRate);
    s.outCue = FramesToDigits(static_cast<Timecode>(i * 50 + 50), kRate);
    s.text = text;
    subs.push_back(s);
  }
  SubtitleDocument d;
  d.SetFrameRate(25);
  d.ReplaceAll(subs);
  for (const Format& f : Formats()) {
    SCOPED_TRACE(f.name);
    Warnings w;
    const std::string file = f.write(d, w);
    SubtitleDocument back = f.read(file, w);
    ASSERT_EQ(back.Count(), d.Count());
    for (std::size_t i = 0; i < d.Count(); ++i) ASSERT_EQ(back.At(i).text, d.At(i).text) << i;
  }
}

}  // namespace
}  // namespace kipo
