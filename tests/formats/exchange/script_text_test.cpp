// The pieces every script reader shares, read in place and in runs: timecode labels at
// the front of a line, a script's marks turned into document markup, and the lines of a
// file with any line end. Rows are what scripts written by people and other tools hold.
#include <gtest/gtest.h>

#include "core/markup.h"
#include "core/rich_text.h"
#include "formats/exchange/excel_csv.h"
#include "formats/exchange/script_text.h"

namespace kipo {
namespace {

const FrameRate kPal = *FrameRate::FromCode(25);
const FrameRate kDrop = *FrameRate::FromCode(29);

TEST(ScriptText, FrameLabelsAtTheFrontOfALine) {
  struct Row {
    const char* line;
    const FrameRate& rate;
    const char* digits;  // nullptr: not a label
    const char* rest;    // what is left after the label
  };
  const Row rows[] = {
      {"10:00:01:12 rest", kPal, "10000112", " rest"},
      {" \t01:02:03:04", kPal, "01020304", ""},
      {"1:02:03:04\t", kPal, "01020304", "\t"},             // one hour digit
      {"001:02:03:04", kPal, "01020304", ""},              // three hour digits
      {"01;02;03;04", kDrop, "01020304", ""},              // drop-frame separators
      {"01.02.03.04,", kPal, "01020304", ","},
      {"01,02,03,04", kPal, "01020304", ""},
      {"01:02:03:29", kDrop, "01020329", ""},
      {"01:02:03:25", kPal, nullptr, ""},                 // frames at the rate's count
      {"01:60:03:04", kPal, nullptr, ""},
      {"01:02:60:04", kPal, nullptr, ""},
      {"100:02:03:04", kPal, nullptr, ""},                // more than 99 hours
      {"0100:02:03:04", kPal, nullptr, ""},               // four hour digits
      {"01:2:03:04", kPal, nullptr, ""},                  // one minute digit
      {"01:02:03:045", kPal, nullptr, ""},                // a third frame digit
      {"01:023:04:05", kPal, nullptr, ""},
      {"01:02:03", kPal, nullptr, ""},
      {"01:02:03:", kPal, nullptr, ""},
      {"01-02-03-04", kPal, nullptr, ""},
      {"A subtitle line", kPal, nullptr, ""},
      {"", kPal, nullptr, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.line);
    std::string_view s = r.line;
    auto d = ReadFrameLabel(s, r.rate);
    if (!r.digits) {
      EXPECT_FALSE(d);
      EXPECT_EQ(s, r.line);  // left where it was
      continue;
    }
    ASSERT_TRUE(d);
    EXPECT_EQ(*d, r.digits);
    EXPECT_EQ(s, r.rest);
  }
}

TEST(ScriptText, MarksToMarkup) {
  const ScriptMarks tags{"<i>", "</i>", "", "", "\r\n"};
  const ScriptMarks bracketed{"[I]", "[/I]", "", "", "\r\n"};
  const ScriptMarks toggles{"^I", "^I", "^U", "^U", "|"};
  const ScriptMarks controls{"\x0E", "\x0F", "\x1C", "\x1D", "\r\n"};
  const std::string lt = LiteralStandIn('<'), gt = LiteralStandIn('>');
  const std::string lb = LiteralStandIn('['), rb = LiteralStandIn(']');
  const std::string c3 = LiteralStandIn('\x03');
  struct Row {
    const char* what;
    const ScriptMarks& marks;
    std::string script, markup;
  };
  const Row rows[] = {
      {"plain", tags, "A subtitle line of ordinary length", "A subtitle line of ordinary length"},
      {"rows at CR LF, LF and a lone CR", tags, "one\r\ntwo\nthree\rfour", "one\r\ntwo\r\nthree\r\nfour"},
      {"tags in any case", tags, "<I>so</i> <i>it</I>", "<so> <it>"},
      {"italics over a row end are one stretch", tags, "<i>one</i>\r\n<i>two</i>", "<one\r\ntwo>"},
      {"a markup character that opens no mark", tags, "a < b and <second> [x]",
       "a " + lt + " b and " + lt + "second" + gt + " " + lb + "x" + rb},
      {"a markup character first and last", tags, ">x<", gt + "x" + lt},
      {"a colour byte", tags, "red\x03word", "red" + c3 + "word"},
      {"letters of a mark in either case", bracketed, "[i]a[/I] in [b]", "<a> in " + lb + "b" + rb},
      {"a mark's first letter alone", bracketed, "[Index]", lb + "Index" + rb},
      {"toggles and the format's row break", toggles, "^Ione^I|^utwo^U", "<one>\r\n[two]"},
      {"a row break and line ends together", toggles, "a|b\r\nc", "a\r\nb\r\nc"},
      {"control-byte marks", controls, "\x0E" "ab\x0F \x1C" "cd\x1D", "<ab> [cd]"},
      {"an italic left open", tags, "<i>open", "<open"},
      {"UTF-8 between marks", tags, "<i>\xC3\xA9t\xC3\xA9</i> \xE2\x99\xAA", "<\xC3\xA9t\xC3\xA9> \xE2\x99\xAA"},
      {"empty", tags, "", ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    EXPECT_EQ(ScriptTextToMarkup(r.script, r.marks), r.markup);
  }
}

TEST(ScriptText, LinesOfAnyEnd) {
  struct Row {
    const char* what;
    std::string text;
    std::vector<std::string_view> lines;
  };
  const Row rows[] = {
      {"CR LF", "a\r\nb\r\n", {"a", "b"}},
      {"LF without a last end", "a\nb", {"a", "b"}},
      {"lone CRs", "a\rb\r", {"a", "b"}},
      {"blank lines kept", "a\r\n\r\nb\n\n", {"a", "", "b", ""}},
      {"mixed ends", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
      {"byte-order mark", "\xEF\xBB\xBF" "a\r\n", {"a"}},
      {"nothing", "", {}},
      {"one line end", "\n", {""}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    EXPECT_EQ(ScriptLines(r.text), r.lines);
  }
}

TEST(ScriptText, DelimitedRecordsAsSpreadsheetsWriteThem) {
  using Records = std::vector<std::vector<std::string>>;
  struct Row {
    const char* what;
    std::string text;
    char sep;
    Records records;
  };
  const Row rows[] = {
      {"plain rows, CR LF", "1,a,b\r\n2,c,d\r\n", ',', {{"1", "a", "b"}, {"2", "c", "d"}}},
      {"quoted with doubled quotes and a line end", "1,\"say \"\"hi\"\"\r\nthere\",x\n", ',',
       {{"1", "say \"hi\"\r\nthere", "x"}}},
      {"a quote inside a field is a character", "ab\"c,d\"\"e\n", ',', {{"ab\"c", "d\"\"e"}}},
      {"text after a closing quote", "\"ab\"cd,\"\"\"x\"\n", ',', {{"abcd", "\"x"}}},
      {"empty fields and a trailing separator", ",,a,\n", ',', {{"", "", "a", ""}}},
      {"blank lines and lone CRs", "a;b\r\r\nc;d\r", ';', {{"a", "b"}, {"c", "d"}}},
      {"tabs, the last line without an end", "a\tb,c\nd\te", '\t', {{"a", "b,c"}, {"d", "e"}}},
      {"a quote left open runs to the end", "a,\"b,c\nd", ',', {{"a", "b,c\nd"}}},
      {"byte-order mark", "\xEF\xBB\xBF" "a,b\n", ',', {{"a", "b"}}},
      {"an empty quoted field alone is a blank row", "\"\"\na\n", ',', {{"a"}}},
      {"nothing", "", ',', {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    EXPECT_EQ(ReadDelimited(r.text, r.sep), r.records);
  }
}

}  // namespace
}  // namespace kipo
