#include "formats/exchange/text_measure.h"

#include <pango/pangocairo.h>

#include "platform/encoding.h"

namespace kipo {
namespace {

class PangoMeasurer : public TextMeasurer {
 public:
  PangoMeasurer() {
    fontMap_ = pango_cairo_font_map_new();
    context_ = pango_font_map_create_context(fontMap_);
    // Pixel sizes are given as absolute sizes, so the resolution only fixes rounding.
    pango_cairo_context_set_resolution(context_, 96);
    layout_ = pango_layout_new(context_);
  }
  ~PangoMeasurer() override {
    g_object_unref(layout_);
    g_object_unref(context_);
    g_object_unref(fontMap_);
  }

  double Width(std::string_view utf8, const FontFace& font) const override {
    if (utf8.empty()) return 0;
    PangoFontDescription* desc = pango_font_description_new();
    pango_font_description_set_family(desc, font.family.c_str());
    pango_font_description_set_absolute_size(desc, font.pixelSize * PANGO_SCALE);
    pango_font_description_set_weight(desc, font.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(desc, font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_layout_set_font_description(layout_, desc);
    pango_font_description_free(desc);
    // Pango needs valid UTF-8; anything else is measured as replacement characters.
    std::string text(utf8);
    if (!IsValidUtf8(text)) text = Utf32ToUtf8(Utf8ToUtf32(text));
    pango_layout_set_text(layout_, text.data(), static_cast<int>(text.size()));
    int width = 0, height = 0;
    pango_layout_get_size(layout_, &width, &height);
    return static_cast<double>(width) / PANGO_SCALE;
  }

 private:
  PangoFontMap* fontMap_ = nullptr;
  PangoContext* context_ = nullptr;
  PangoLayout* layout_ = nullptr;
};

}  // namespace

std::unique_ptr<TextMeasurer> MakePangoMeasurer() { return std::make_unique<PangoMeasurer>(); }

double FixedWidthMeasurer::Width(std::string_view utf8, const FontFace&) const {
  return advance_ * static_cast<double>(CountCodePoints(utf8));
}

}  // namespace kipo
