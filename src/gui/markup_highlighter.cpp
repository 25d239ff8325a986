#include "gui/markup_highlighter.h"

#include <QColor>

#include "core/rich_text.h"

namespace kipo::gui {
namespace {

// Teletext colours 1-7: red, green, yellow, blue, magenta, cyan, white (white is drawn as
// the default text colour so it stays readable on a light background).
QColor TeletextColour(int code) {
  static const QColor kColours[] = {QColor(), QColor(200, 0, 0), QColor(0, 150, 0), QColor(170, 140, 0),
                                    QColor(0, 0, 220), QColor(190, 0, 190), QColor(0, 150, 170), QColor()};
  return code >= 1 && code <= 7 ? kColours[code] : QColor();
}

// UTF-16 units of UTF-8 text: one per code point, two for those beyond the BMP.
int Utf16Length(std::string_view utf8) {
  int n = 0;
  for (char c : utf8) {
    const auto u = static_cast<unsigned char>(c);
    n += (u & 0xC0) != 0x80;
    n += u >= 0xF0;
  }
  return n;
}

}  // namespace

void MarkupHighlighter::highlightBlock(const QString& text) {
  // State carried between rows: bit 0 italics, bit 1 underline, bits 2-4 colour.
  int state = previousBlockState() < 0 ? 0 : previousBlockState();
  bool italic = state & 1, underline = state & 2;
  int colour = (state >> 2) & 7;
  QTextCharFormat marker;
  marker.setForeground(QColor(140, 140, 140));
  const std::string utf8 = text.toStdString();
  int pos = 0;
  ScanMarkup(utf8, {}, [&](Mark m, std::string_view piece) {
    const int len = Utf16Length(piece);
    switch (m) {
      case Mark::None: {
        QTextCharFormat f;
        f.setFontItalic(italic);
        f.setFontUnderline(underline);
        if (QColor col = TeletextColour(colour); col.isValid()) f.setForeground(col);
        setFormat(pos, len, f);
        break;
      }
      case Mark::ItalicOn: italic = true; break;
      case Mark::ItalicOff: italic = false; break;
      case Mark::UnderlineOn: underline = true; break;
      case Mark::UnderlineOff: underline = false; break;
      case Mark::Colour: colour = piece[0]; break;
      default: break;
    }
    if (m != Mark::None) setFormat(pos, len, marker);
    pos += len;
  });
  setCurrentBlockState((italic ? 1 : 0) | (underline ? 2 : 0) | (colour << 2));
}

}  // namespace kipo::gui
