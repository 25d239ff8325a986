#pragma once
// Text measurement: how wide a line of text is in pixels with a given font. Exporters that
// place text by its width (WebVTT's centred-left blocks) and the bitmap renderer ask through
// this interface; tests can hand in a fixed-width stand-in.
#include <memory>
#include <string>
#include <string_view>

namespace kipo {

struct FontFace {
  std::string family = "Arial";
  double pixelSize = 40;  // em size in pixels
  bool bold = false;
  bool italic = false;
};

class TextMeasurer {
 public:
  virtual ~TextMeasurer() = default;
  // Logical width in pixels of one line of plain UTF-8 text (no markup, no line ends).
  virtual double Width(std::string_view utf8, const FontFace& font) const = 0;
};

// The measure over the pictures' text layout (Pango) is imaging's MakeLayoutMeasurer; the
// registry hands it in.

// A stand-in where every character is `advance` pixels wide (tests, headless tools).
class FixedWidthMeasurer : public TextMeasurer {
 public:
  explicit FixedWidthMeasurer(double advance) : advance_(advance) {}
  double Width(std::string_view utf8, const FontFace&) const override;

 private:
  double advance_;
};

}  // namespace kipo
