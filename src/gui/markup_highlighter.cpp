#include "gui/markup_highlighter.h"

#include <QColor>

namespace kipo::gui {
namespace {

// Teletext colours 1-7: red, green, yellow, blue, magenta, cyan, white (white is drawn as
// the default text colour so it stays readable on a light background).
QColor TeletextColour(int code) {
  static const QColor kColours[] = {QColor(), QColor(200, 0, 0), QColor(0, 150, 0), QColor(170, 140, 0),
                                    QColor(0, 0, 220), QColor(190, 0, 190), QColor(0, 150, 170), QColor()};
  return code >= 1 && code <= 7 ? kColours[code] : QColor();
}

}  // namespace

void MarkupHighlighter::highlightBlock(const QString& text) {
  // State carried between rows: bit 0 italics, bit 1 underline, bits 2-4 colour.
  int state = previousBlockState() < 0 ? 0 : previousBlockState();
  bool italic = state & 1, underline = state & 2;
  int colour = (state >> 2) & 7;
  QTextCharFormat marker;
  marker.setForeground(QColor(140, 140, 140));
  for (int i = 0; i < text.size(); ++i) {
    QChar c = text[i];
    if (c == '<' || c == '>' || c == '[' || c == ']' || (c.unicode() >= 1 && c.unicode() <= 7)) {
      if (c == '<') italic = true;
      else if (c == '>') italic = false;
      else if (c == '[') underline = true;
      else if (c == ']') underline = false;
      else colour = c.unicode();
      setFormat(i, 1, marker);
      continue;
    }
    QTextCharFormat f;
    f.setFontItalic(italic);
    f.setFontUnderline(underline);
    if (QColor col = TeletextColour(colour); col.isValid()) f.setForeground(col);
    setFormat(i, 1, f);
  }
  setCurrentBlockState((italic ? 1 : 0) | (underline ? 2 : 0) | (colour << 2));
}

}  // namespace kipo::gui
