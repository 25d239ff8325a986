#include "gui/markup_highlighter.h"

#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include "core/rich_text.h"

namespace kipo {
namespace {

// The format the highlighter gave to the character at `pos` of a block.
QTextCharFormat FormatAt(const QTextBlock& block, int pos) {
  for (const QTextLayout::FormatRange& r : block.layout()->formats())
    if (pos >= r.start && pos < r.start + r.length) return r.format;
  return {};
}

// Each character's look, one letter per character: m marker (grey), i italic, u underline,
// c coloured, . plain.
std::string Looks(const QTextBlock& block) {
  std::string out;
  for (int i = 0; i < block.length() - 1; ++i) {
    QTextCharFormat f = FormatAt(block, i);
    if (f.foreground().color() == QColor(140, 140, 140)) out += 'm';
    else if (f.fontItalic()) out += 'i';
    else if (f.fontUnderline()) out += 'u';
    else if (f.hasProperty(QTextFormat::ForegroundBrush)) out += 'c';
    else out += '.';
  }
  return out;
}

TEST(MarkupHighlighter, MarkersLiteralsAndStateAcrossRows) {
  QTextDocument doc;
  auto* highlighter = new gui::MarkupHighlighter(&doc);
  // Row 1: italics opened and left open; a literal "<" (one UTF-16 unit) stays plain text
  // in row 3; a character beyond the BMP takes two units.
  const std::string text = "a <b\nc> [d]\n" + EscapeLiterals("<") + "e \x02" "f\xF0\x9F\x98\x80g";
  doc.setPlainText(QString::fromStdString(text));
  highlighter->rehighlight();
  QTextBlock b = doc.begin();
  EXPECT_EQ(Looks(b), "..mi");
  b = b.next();
  EXPECT_EQ(Looks(b), "im.mum") << "italics carry on from the row before";
  b = b.next();
  EXPECT_EQ(Looks(b), "...mcccc");
}

}  // namespace
}  // namespace kipo
