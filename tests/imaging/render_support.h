#pragma once
// What the imaging tests share: a renderer on the reference font, loaded by file path so
// that the pixels do not depend on the fonts of the machine, and pixel measurements.
#include <gtest/gtest.h>

#include <string>

#include "imaging/subtitle_renderer.h"
#include "imaging/text_layout.h"

namespace kipo::test {

inline RenderStyle ReferenceStyle() {
  RenderStyle s;
  s.fontFamily = "DejaVu Sans";
  s.fontFiles = ReferenceFontFiles();
  s.fontSize = 32;
  return s;
}

#define KIPO_NEED_REFERENCE_FONT() \
  if (::kipo::ReferenceFontFile().empty()) GTEST_SKIP() << "DejaVu Sans (fonts-dejavu-core) is not installed"

inline Subtitle TextSub(std::string text, int alignment = AlignCentre, int row = 0) {
  Subtitle s;
  s.text = std::move(text);
  s.alignment = alignment;
  s.row = row;
  return s;
}

// Bounds of the pixels of one class (or of every class but the background).
inline PixelRect ClassBounds(const DibSection& p, int wanted = -1) {
  int x0 = p.width(), y0 = p.height(), x1 = -1, y1 = -1;
  for (int y = 0; y < p.height(); ++y)
    for (int x = 0; x < p.width(); ++x) {
      int c = static_cast<int>(p.ClassAt(x, y));
      if (wanted < 0 ? c == 0 : c != wanted) continue;
      x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
    }
  if (x1 < 0) return {};
  return {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

}  // namespace kipo::test
