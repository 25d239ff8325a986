// The renderer's settings side, which needs none of the drawing libraries: the anti-alias
// list and the clamping of a style and layout. The drawing state comes from the picture
// plugin (NewImpl).
#include <algorithm>

#include "imaging/subtitle_renderer.h"

namespace kipo {

const std::vector<std::string>& AntiAliasNames() {
  static const std::vector<std::string> names{
      "None",           "Windows smoothing 1",     "Windows smoothing 2", "Windows smoothing 3",
      "Inner border, 1 pixel", "Inner border, 2 pixels", "Anti-aliased", "Anti-aliased with bevel",
      "Blur 1",         "Blur 2",                  "Blur 3",              "Subsampled"};
  return names;
}

SubtitleRenderer::SubtitleRenderer(RenderStyle style, RenderLayout layout)
    : style_(std::move(style)), layout_(layout), impl_(NewImpl(style_)) {
  style_.border = std::clamp(style_.border, 0, 8);
  layout_.width = std::clamp(layout_.width, 1, 8192);
  layout_.height = std::clamp(layout_.height, 1, 8192);
}

SubtitleRenderer::~SubtitleRenderer() = default;

}  // namespace kipo
