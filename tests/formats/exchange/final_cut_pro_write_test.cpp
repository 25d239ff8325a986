// What the Final Cut Pro writer puts in each text item's str and fontstyle parameters for
// texts of every shape: plain rows go straight into the file, anything else through the
// script text writer, and both must give what the editor reads. Each text is written
// between plain neighbours (the item buffer lives from item to item), and once at the
// start of a file, in the same run.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/rich_text.h"
#include "formats/exchange/final_cut_pro.h"

namespace kipo {
namespace {

const FrameRate kPal = *FrameRate::FromCode(25);

struct Row {
  const char* name;
  std::string text;
  bool italic;            // the subtitle's own italic flag
  std::string value;      // the str parameter's value as the file holds it
  char style;             // the fontstyle value: '1' plain, '3' italic
  bool partItalicWarning;
};

std::vector<Row> Rows() {
  const std::string sixteen = "0123456789abcdef";
  return {
      {"one row", "One row only", false, "One row only", '1', false},
      {"two rows", "Two\r\nrows", false, "Two\rrows", '1', false},
      {"empty", "", false, "", '1', false},
      {"the subtitle's italic flag", "Flagged", true, "Flagged", '3', false},
      {"wholly italic", "<Wholly italic>", false, "Wholly italic", '3', false},
      {"wholly italic over two rows", "<One\r\ntwo>", false, "One\rtwo", '3', false},
      {"each row italic", "<One>\r\n<two>", false, "One\rtwo", '3', false},
      {"italics over part", "Part <it> text", false, "Part it text", '1', true},
      {"italics over part of a flagged subtitle", "Part <it> text", true, "Part it text", '3', false},
      {"markers only", "<>", false, "", '1', true},
      {"a marker left open", "<open to the end", false, "open to the end", '3', false},
      // Sixteen bytes at a time: marks and row breaks on both sides of the sixteenth byte.
      {"long plain", sixteen + sixteen + "xyz", false, sixteen + sixteen + "xyz", '1', false},
      {"row break across the sixteenth byte", sixteen.substr(0, 15) + "\r\n" + sixteen, false,
       sixteen.substr(0, 15) + "\r" + sixteen, '1', false},
      {"italic from the sixteenth byte", sixteen + "<" + sixteen + ">", false, sixteen + sixteen, '1', true},
      {"italic up to the sixteenth byte", "<" + sixteen.substr(0, 15) + ">" + sixteen, false,
       sixteen.substr(0, 15) + sixteen, '1', true},
      // Texts that are not plain.
      {"an ampersand", "Tom & Jerry", false, "Tom &amp; Jerry", '1', false},
      {"a slash", "either/or", false, "either/or", '1', false},
      {"underline, left out", "[under] line", false, "under line", '1', false},
      {"a colour, left out", "\x02red\x07 word", false, "red word", '1', false},
      {"a lone CR and a lone LF", "a\rb\nc", false, "abc", '1', false},
      {"a tab", "a\tb", false, "a\tb", '1', false},
      {"a delete character", sixteen + "\x7F" + "z", false, sixteen + "z", '1', false},
      {"a literal marker", "a " + LiteralStandIn('<') + " b", false, "a &lt; b", '1', false},
      {"outside ASCII", "Caf\xC3\xA9 \xF0\x9F\x98\x80", false, "Caf&#233; &#128512;", '1', false},
      {"outside ASCII in italics", "<\xC3\xA9t\xC3\xA9>", false, "&#233;t&#233;", '3', false},
  };
}

// The str value and the fontstyle value of the n-th item (from 0) of a written file.
std::pair<std::string, char> ItemValues(const std::string& file, std::size_t n) {
  std::size_t at = 0;
  for (std::size_t i = 0; i <= n; ++i) at = file.find("<generatoritem ", at + 1);
  const std::string str = "<parameterid>str</parameterid>";
  std::size_t v = file.find("<value>", file.find(str, at)) + 7;
  const std::string value = file.substr(v, file.find("</value>", v) - v);
  const std::size_t s = file.find("<value>", file.find("<parameterid>fontstyle</parameterid>", at)) + 7;
  return {value, file[s]};
}

Subtitle At(int i, const std::string& text, bool italic = false) {
  Subtitle s;
  s.inCue = FramesToDigits(100 + i * 50, kPal);
  s.outCue = FramesToDigits(140 + i * 50, kPal);
  s.text = text;
  s.italic = italic;
  return s;
}

TEST(FinalCutProWriter, TextsOfEveryShape) {
  for (const Row& row : Rows()) {
    SCOPED_TRACE(row.name);
    for (bool first : {true, false}) {
      SubtitleDocument doc(25, kDefaultLanguageId, 0);
      if (!first) doc.Append(At(0, "Plain neighbour before it"));
      doc.Append(At(1, row.text, row.italic));
      doc.Append(At(2, "Plain\r\nneighbour after it"));
      Warnings w;
      const std::string file = WriteFinalCutPro(doc, {}, w);
      const std::size_t n = first ? 0 : 1;
      const auto [value, style] = ItemValues(file, n);
      EXPECT_EQ(value, row.value);
      EXPECT_EQ(style, row.style);
      EXPECT_EQ(ItemValues(file, n + 1).first, "Plain\rneighbour after it");
      EXPECT_EQ(ItemValues(file, n + 1).second, '1');
      const bool warned = std::count(w.begin(), w.end(),
                                     "Italics over part of a subtitle cannot be written in Final Cut Pro XML files "
                                     "and were left out") == 1;
      EXPECT_EQ(warned, row.partItalicWarning);
      EXPECT_TRUE(std::all_of(file.begin(), file.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }));
    }
  }
}

// Every shape in one file, read back by our reader: the numbers of the items run on and
// each text comes back as the editor would give it.
TEST(FinalCutProWriter, AllShapesInOneFile) {
  SubtitleDocument doc(25, kDefaultLanguageId, 0);
  const std::vector<Row> rows = Rows();
  for (std::size_t i = 0; i < rows.size(); ++i) doc.Append(At(static_cast<int>(i), rows[i].text, rows[i].italic));
  Warnings w;
  const std::string file = WriteFinalCutPro(doc, {}, w);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].name);
    EXPECT_NE(file.find("<generatoritem id=\"Text " + std::to_string(i + 1) + "\">"), std::string::npos);
    EXPECT_EQ(ItemValues(file, i).first, rows[i].value);
  }
  Warnings rw;
  const SubtitleDocument back = ReadFinalCutPro(file, kPal, rw);
  EXPECT_EQ(back.Count(), rows.size());
}

}  // namespace
}  // namespace kipo
