#include "formats/cinema/dcinema_picture.h"

#include <algorithm>
#include <cmath>

#include "platform/text_util.h"

namespace kipo {
namespace {

constexpr double kScreenPoints = 792.0;

Rgba RgbaOf(const std::string& rgb, int alpha, std::uint32_t def) {
  const std::uint32_t c = ParseRgb(rgb).value_or(def);
  return Rgba{static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c),
              static_cast<std::uint8_t>(std::clamp(alpha, 0, 255))};
}

double Scale(const DlpOptions& o, int width) {
  const ScreenSize screen = ParseScreenSize(o.screenSize);
  return width > 0 ? static_cast<double>(width) / screen.width : 1.0;
}

}  // namespace

RenderStyle DcinemaRenderStyle(const DlpOptions& o, const BoldMarkers& bold, int width) {
  const ScreenSize screen = ParseScreenSize(o.screenSize);
  const double scale = Scale(o, width);
  RenderStyle st;
  st.fontFamily = o.fontName;
  const double px = o.fontSize / kScreenPoints * screen.height * scale;
  st.fontSize = std::max(4.0, px);
  st.bold = EqualsIgnoreCase(o.fontWeight, "Bold");
  // The renderer's rows are a font height apart plus the leading in pixels.
  st.leading = std::max(0, static_cast<int>(std::lround(px * (o.leading - 115) / 100.0)));
  const int effect = std::max(1, static_cast<int>(std::lround(px / 16)));
  st.border = EqualsIgnoreCase(o.effect, "Border") ? std::min(effect, 8) : 0;
  st.dropShadow = EqualsIgnoreCase(o.effect, "Shadow");
  st.shadowX = st.shadowY = effect;
  st.antialias = AntiAlias::AntiAliased;
  st.text = RgbaOf(o.textColour, o.alphaText, 0xFFFFFF);
  st.borderColour = RgbaOf(o.effectColour, o.alphaEffect, 0x000000);
  st.background = Rgba{0, 0, 0, 0};
  st.boldMarkers = bold;
  return st;
}

RenderLayout DcinemaRenderLayout(const DlpOptions& o, int width) {
  const ScreenSize screen = ParseScreenSize(o.screenSize);
  const double scale = Scale(o, width);
  RenderLayout lay;
  lay.width = std::max(16, static_cast<int>(std::lround(screen.width * scale)));
  lay.height = std::max(9, static_cast<int>(std::lround(screen.height * scale)));
  lay.baseline = static_cast<int>(std::lround(lay.height * (1.0 - o.marginBottom / 100.0)));
  lay.ceiling = static_cast<int>(std::lround(lay.height * o.marginTop / 100.0));
  lay.leftMargin = static_cast<int>(std::lround(lay.width * o.marginLeft / 100.0));
  lay.rightMargin = static_cast<int>(std::lround(lay.width * o.marginRight / 100.0));
  lay.centre = (lay.leftMargin - lay.rightMargin) / 2;
  lay.topRow = static_cast<int>(kMaxRows);
  return lay;
}

RenderResult RenderDcinemaSubtitle(const Subtitle& s, const DlpOptions& o, const BoldMarkers& bold, int width) {
  Subtitle copy = s;
  if (o.alignment >= 1 && o.alignment <= 4) {
    copy.alignment = o.alignment;
    copy.rowAlignments = kNoFlags;
  }
  SubtitleRenderer r(DcinemaRenderStyle(o, bold, width), DcinemaRenderLayout(o, width));
  return r.Render(copy, 0);
}

}  // namespace kipo
