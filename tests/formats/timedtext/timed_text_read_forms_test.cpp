// The Timed Text reader's quick paths against what other tools write: white space around
// and inside spans (spaces, tabs, CR LF, preserved text), markup characters among runs of
// spaces, clock times with fractions of every length, style attributes naming several
// styles (more distinct ones than the reader keeps resolved), prefixes other than tts:
// and the xml: attributes. Each row is one paragraph and the subtitle it must give.
#include <gtest/gtest.h>

#include "core/rich_text.h"
#include "formats/timedtext/timed_text.h"

namespace kipo {
namespace {

std::span<const std::uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

std::string File(const std::string& paragraphs, const std::string& styles = "", const std::string& eol = "\n") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + eol +
         "<tt xmlns=\"http://www.w3.org/ns/ttml\" xmlns:tts=\"http://www.w3.org/ns/ttml#styling\"" +
         " xmlns:s=\"http://www.w3.org/ns/ttml#styling\" xmlns:ttp=\"http://www.w3.org/ns/ttml#parameter\"" +
         " ttp:frameRate=\"25\" xml:lang=\"en\">" + eol + "<head><styling>" + styles + "</styling></head>" + eol +
         "<body><div>" + eol + paragraphs + eol + "</div></body></tt>" + eol;
}

std::string Lit(char c) { return LiteralStandIn(c); }

TEST(TimedTextReadForms, WhiteSpaceTimesAndStyles) {
  struct Row {
    const char* what;
    std::string paragraph;
    const char *in, *out;
    std::string text;
  };
  const std::string p = "<p begin=\"00:00:01.000\" end=\"00:00:02.000\"";
  const std::vector<Row> rows = {
      {"spaces inside and around an italic span", p + ">and its <span tts:fontStyle=\"italic\"> second </span> row</p>",
       "00000100", "00000200", "and its <second> row"},
      {"tabs, CR LF and runs of spaces between words", p + ">  one\t two\r\n   three  </p>", "00000100", "00000200",
       "one two three"},
      {"escaped markup characters among double spaces", p + ">a  &lt;b&gt;  [c]</p>", "00000100", "00000200",
       "a " + Lit('<') + "b" + Lit('>') + " " + Lit('[') + "c" + Lit(']')},
      {"markup characters in a piece kept where it lies", p + ">x&lt;y <span tts:fontStyle=\"italic\">z&gt;</span></p>",
       "00000100", "00000200", "x" + Lit('<') + "y <z" + Lit('>') + ">"},
      {"preserved tabs, line feeds and double spaces", p + " xml:space=\"preserve\">a\tb\nc  d</p>", "00000100",
       "00000200", "a b\r\nc  d"},
      {"preserved CR LF", p + " xml:space=\"preserve\">first\r\nsecond</p>", "00000100", "00000200", "first\r\nsecond"},
      {"a span of spaces only between words", p + ">one<span>  </span>two</p>", "00000100", "00000200", "one two"},
      {"rows broken by br with spaces at their edges", p + "> up <br/> down </p>", "00000100", "00000200",
       "up\r\ndown"},
      {"one fraction digit and five (half frames round up)", "<p begin=\"00:00:01.5\" end=\"00:00:02.50000\">f</p>",
       "00000113", "00000213", "f"},
      {"two fraction digits (generic writers)", "<p begin=\"00:00:01.40\" end=\"00:00:02.80\" dur=\"00:00:01.40\">g</p>",
       "00000110", "00000220", "g"},
      {"frames and drop-frame separators", "<p begin=\"00:00:01:12\" end=\"00:00:02;13\">h</p>", "00000112",
       "00000213", "h"},
      {"spaces around a time", "<p begin=\" 00:00:03.000 \" end=\"\t00:00:04.000\">t</p>", "00000300", "00000400",
       "t"},
      {"another prefix bound to the styling namespace", p + "><span s:fontStyle=\"italic\">lean</span></p>",
       "00000100", "00000200", "<lean>"},
      {"an xml:id and a prefixed attribute of no style", p + " xml:id=\"s1\" ttp:x=\"1\">plain</p>", "00000100",
       "00000200", "plain"},
      {"styles named together, the later one winning",
       p + "><span style=\"red under\">r</span> <span style=\"under red lean\">l</span></p>", "00000100", "00000200",
       "\x01[r]\x07 \x01[<l]>"},
      {"text align and colour inline", p + " tts:textAlign=\"left\" tts:color=\"yellow\">y</p>", "00000100",
       "00000200", "\x03y"},
  };
  const std::string styles =
      "<style xml:id=\"red\" tts:color=\"red\"/><style xml:id=\"under\" tts:textDecoration=\"underline\"/>"
      "<style xml:id=\"lean\" tts:fontStyle=\"italic\"/>";
  for (const char* eol : {"\n", "\r\n"}) {
    for (const Row& row : rows) {
      SCOPED_TRACE(std::string(row.what) + (eol[0] == '\r' ? " (CR LF file)" : " (LF file)"));
      std::vector<std::string> warnings;
      const SubtitleDocument d = ReadTimedText(Bytes(File(row.paragraph, styles, eol)), 25, warnings);
      ASSERT_EQ(d.Count(), 1u);
      EXPECT_EQ(d.At(0).inCue.digits(), row.in);
      EXPECT_EQ(d.At(0).outCue.digits(), row.out);
      EXPECT_EQ(d.At(0).text, row.text);
    }
  }
}

// More distinct style attributes than the reader keeps resolved at once: each paragraph
// still gets its own styles, in any order.
TEST(TimedTextReadForms, ManyDistinctStyleAttributes) {
  std::string styles, paragraphs;
  for (int i = 0; i < 24; ++i) {
    const std::string id = "s" + std::to_string(i);
    styles += "<style xml:id=\"" + id + "\" tts:fontStyle=\"" + (i % 2 ? "italic" : "normal") + "\"/>";
  }
  std::vector<bool> italic;
  for (int k = 0; k < 60; ++k) {
    // "sA sB": the later style decides.
    const int a = (k * 7) % 24, b = (k * 5 + 3) % 24;
    paragraphs += "<p begin=\"" + std::to_string(k) + "s\" end=\"" + std::to_string(k) + ".5s\" style=\"s" +
                  std::to_string(a) + " s" + std::to_string(b) + "\">w</p>";
    italic.push_back(b % 2 == 1);
  }
  std::vector<std::string> warnings;
  const SubtitleDocument d = ReadTimedText(Bytes(File(paragraphs, styles)), 25, warnings);
  ASSERT_EQ(d.Count(), italic.size());
  for (std::size_t k = 0; k < italic.size(); ++k) EXPECT_EQ(d.At(k).text, italic[k] ? "<w>" : "w") << k;

  // The same styles named by spans inside spans (more pairs of a span's style and what it
  // inherits than the reader keeps resolved), in paragraphs with a style of their own or
  // none: each span's italics come from the style it names.
  std::string spans;
  std::vector<std::string> expected;
  for (int k = 0; k < 60; ++k) {
    const int a = (k * 7) % 24, b = (k * 5 + 3) % 24;
    spans += "<p begin=\"" + std::to_string(k) + "s\" end=\"" + std::to_string(k) + ".5s\"" +
             (k % 3 ? "" : " style=\"s1\"") + "><span style=\"s" + std::to_string(a) + "\">x<span style=\"s" +
             std::to_string(b) + "\">y</span></span></p>";
    const bool x = a % 2, y = b % 2;
    expected.push_back(x ? (y ? "<xy>" : "<x>y") : (y ? "x<y>" : "xy"));
  }
  const SubtitleDocument n = ReadTimedText(Bytes(File(spans, styles)), 25, warnings);
  ASSERT_EQ(n.Count(), expected.size());
  for (std::size_t k = 0; k < expected.size(); ++k) EXPECT_EQ(n.At(k).text, expected[k]) << k;
}

// White space collapses the same wherever it falls in a long run of text: the reader looks
// at sixteen bytes at a time, so a double space, a tab or a line end is put at every place
// of a 48-byte text (across the edges of those blocks), after single spaces, accented
// letters and a control character that stays.
TEST(TimedTextReadForms, WhiteSpaceAtEveryPlaceOfALongText) {
  const std::string base = "abc def ghi jkl mno pq\xC3\xA9 stu vwx yz\x08 abc defgh";
  auto collapse = [](const std::string& s) {
    std::string out;
    for (char c : s) {
      const bool space = c == ' ' || c == '\t' || c == '\n' || c == '\r';
      if (space) {
        if (!out.empty() && out.back() != ' ') out += ' ';
      } else {
        out += c;
      }
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
  };
  for (const std::string insert : {" ", "  ", "\t", "\n", " \r\n ", "   "}) {
    for (std::size_t at = 0; at <= base.size(); ++at) {
      const std::string text = base.substr(0, at) + insert + base.substr(at);
      SCOPED_TRACE("at " + std::to_string(at));
      std::vector<std::string> warnings;
      const SubtitleDocument d = ReadTimedText(
          Bytes(File("<p begin=\"00:00:01.000\" end=\"00:00:02.000\">" + text + "</p>")), 25, warnings);
      ASSERT_EQ(d.Count(), 1u);
      EXPECT_EQ(d.At(0).text, collapse(text));
    }
  }
}

}  // namespace
}  // namespace kipo
