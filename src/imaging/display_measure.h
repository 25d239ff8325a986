#pragma once
// The subtitle display's measure of rows for the checks: the "Display Settings" font laid
// out by the pictures' text layout, against a safe area of the display format's width less
// the left and right margins.
#include <memory>

#include "formats/exchange/text_measure.h"
#include "timing/subtitle_checks.h"

namespace kipo {

class SettingsStore;

struct DisplayGeometry {
  FontFace font;          // "Font name", "Font size", "Font weight" ("Bold" or not)
  int pictureWidth = 720; // the width of "Video format" (a display format)
  int leftMargin = 60, rightMargin = 60;
  double SafeWidth() const { return pictureWidth - leftMargin - rightMargin; }
  static DisplayGeometry Load(const SettingsStore& store);
};

// A measure over `measurer` (not owned; it must outlive the result) or, when null, over the
// text layout with the machine's fonts.
std::unique_ptr<RowMeasure> MakeDisplayMeasure(const DisplayGeometry& g, const TextMeasurer* measurer = nullptr);

}  // namespace kipo
