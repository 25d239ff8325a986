#include "imaging/text_layout.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

#include <filesystem>

#include "platform/encoding.h"

namespace kipo {

TextLayoutContext::TextLayoutContext(const std::vector<std::string>& fontFiles) {
  fontMap_ = pango_cairo_font_map_new();
  if (!fontFiles.empty() && PANGO_IS_FC_FONT_MAP(fontMap_)) {
    FcConfig* config = FcConfigCreate();
    for (const std::string& f : fontFiles)
      if (!FcConfigAppFontAddFile(config, reinterpret_cast<const FcChar8*>(f.c_str()))) fontsLoaded_ = false;
    pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(fontMap_), config);
    FcConfigDestroy(config);  // the font map keeps its own reference
  }
  context_ = pango_font_map_create_context(fontMap_);
  // Pixel sizes are given as absolute sizes, so the resolution only fixes rounding.
  pango_cairo_context_set_resolution(context_, 96);
  cairo_font_options_t* fo = cairo_font_options_create();
  cairo_font_options_set_hint_style(fo, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(fo, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_antialias(fo, CAIRO_ANTIALIAS_GRAY);
  pango_cairo_context_set_font_options(context_, fo);
  cairo_font_options_destroy(fo);
}

TextLayoutContext::~TextLayoutContext() {
  g_object_unref(context_);
  g_object_unref(fontMap_);
}

namespace {

class LayoutMeasurer : public TextMeasurer {
 public:
  explicit LayoutMeasurer(const std::vector<std::string>& files) : ctx_(files) { layout_ = pango_layout_new(ctx_.context()); }
  ~LayoutMeasurer() override { g_object_unref(layout_); }

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
  TextLayoutContext ctx_;
  PangoLayout* layout_ = nullptr;
};

}  // namespace

std::unique_ptr<TextMeasurer> MakeLayoutMeasurer(const std::vector<std::string>& fontFiles) {
  return std::make_unique<LayoutMeasurer>(fontFiles);
}

std::string ReferenceFontFile() {
  static const char* const kCandidates[] = {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                                            "/usr/share/fonts/dejavu/DejaVuSans.ttf"};
  std::error_code ec;
  for (const char* c : kCandidates)
    if (std::filesystem::exists(c, ec)) return c;
  return {};
}

}  // namespace kipo

namespace kipo {

std::vector<std::string> ReferenceFontFiles() {
  std::vector<std::string> out;
  const std::string regular = ReferenceFontFile();
  if (regular.empty()) return out;
  out.push_back(regular);
  const std::string stem = regular.substr(0, regular.size() - 4);  // without ".ttf"
  std::error_code ec;
  for (const char* face : {"-Bold.ttf", "-Oblique.ttf", "-BoldOblique.ttf"})
    if (std::filesystem::exists(stem + face, ec)) out.push_back(stem + face);
  return out;
}

}  // namespace kipo
