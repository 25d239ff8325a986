// ASCII rows take a shorter way through the text encoder than rows with other characters;
// both must give the same bytes. Each row is written alone and with an accented letter
// after it, which sends it the long way: the bytes before the letter must be the same.
#include <gtest/gtest.h>

#include "formats/broadcast/stl_text.h"

namespace kipo {
namespace {

TEST(StlText, AsciiRowsAsEveryOtherRow) {
  const char* rows[] = {
      "plain words",   "<italic> words", "a [b] c",       "$5 and #3", "\x03" "coloured\x07 twice",
      "tab\there",     "del\x7F" "gone", "nul\x01" "a",   "~`^_{|}",   "",
  };
  struct Layout {
    const char* what;
    StlTextLayout l;
  };
  std::vector<Layout> layouts;
  for (StlTable t : {StlTable::Latin, StlTable::Cyrillic, StlTable::Greek}) {
    StlTextLayout l;
    l.table = t;
    layouts.push_back({"plain", l});
    l.literalItalics = true;
    layouts.push_back({"literal italics", l});
    l.literalItalics = false;
    l.colours = false;
    layouts.push_back({"no colours", l});
    l.colours = true;
    l.boxing = l.doubleHeight = l.italic = true;
    l.rowColours = "30";
    layouts.push_back({"framed", l});
  }
  for (const Layout& layout : layouts) {
    for (const char* row : rows) {
      SCOPED_TRACE(std::string(layout.what) + " table " + std::to_string(static_cast<int>(layout.l.table)) + ": " + row);
      std::vector<char32_t> missed;
      const std::string ascii = EncodeStlText(row, layout.l, missed);
      // U+00E9 and U+0439: an accented letter in the Latin table, a letter of the others.
      const std::string extra = layout.l.table == StlTable::Latin ? "\xC3\xA9" : "\xD0\xB9";
      const std::string longer = EncodeStlText(std::string(row) + extra, layout.l, missed);
      EXPECT_TRUE(missed.empty() || layout.l.table == StlTable::Greek);
      // The framing after the row (italics off, boxing off) comes after the letter.
      std::size_t tail = (layout.l.italic ? 1 : 0) + (layout.l.boxing ? 1 : 0);
      ASSERT_GE(ascii.size(), tail);
      const std::string head = ascii.substr(0, ascii.size() - tail);
      EXPECT_EQ(longer.substr(0, head.size()), head);
      EXPECT_EQ(longer.substr(longer.size() - tail), ascii.substr(ascii.size() - tail));
    }
  }
}

}  // namespace
}  // namespace kipo
