#pragma once
// The text layout the renderer and the text measure share: a Pango context over its own
// font map, with fixed font options (no hinting, metrics not rounded to the pixel grid) so
// that widths and pictures do not depend on the desktop's font settings.
//
// Given font files, the font map sees only those faces (a private fontconfig set): the
// same text then gives the same pixels on every machine.
#include <memory>
#include <string>
#include <vector>

#include "formats/exchange/text_measure.h"

using PangoContext = struct _PangoContext;
using PangoFontMap = struct _PangoFontMap;

namespace kipo {

class TextLayoutContext {
 public:
  explicit TextLayoutContext(const std::vector<std::string>& fontFiles = {});
  ~TextLayoutContext();
  TextLayoutContext(const TextLayoutContext&) = delete;
  TextLayoutContext& operator=(const TextLayoutContext&) = delete;

  PangoContext* context() const { return context_; }
  // False when a font file could not be loaded (the machine's fonts are used instead).
  bool fontsLoaded() const { return fontsLoaded_; }

 private:
  PangoFontMap* fontMap_ = nullptr;
  PangoContext* context_ = nullptr;
  bool fontsLoaded_ = true;
};

// The text measure over this layout: the WebVTT writer's widths come from the same shaping
// as the pictures.
std::unique_ptr<TextMeasurer> MakeLayoutMeasurer(const std::vector<std::string>& fontFiles = {});

// A font file the project installs, for reproducible pictures: DejaVu Sans
// (fonts-dejavu-core). Empty when it is not installed.
std::string ReferenceFontFile();
// DejaVu Sans with its bold, oblique and bold oblique faces (those installed), so that
// italics and bold runs are drawn from real faces.
std::vector<std::string> ReferenceFontFiles();

}  // namespace kipo
