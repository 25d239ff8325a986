#pragma once
// A subtitle drawn as a cinema server would draw it from the "DLP" options: the options
// window's preview and the pictures of the image variant.
#include "core/document.h"
#include "core/markup.h"
#include "formats/cinema/dlp_options.h"
#include "imaging/subtitle_renderer.h"

namespace kipo {

// The renderer's style and frame for the options at a picture `width` pixels wide (0: the
// screen size itself); the height keeps the screen's shape.
RenderStyle DcinemaRenderStyle(const DlpOptions& o, const BoldMarkers& bold, int width = 0);
RenderLayout DcinemaRenderLayout(const DlpOptions& o, int width = 0);

// The subtitle on a transparent picture of the screen's shape.
RenderResult RenderDcinemaSubtitle(const Subtitle& s, const DlpOptions& o, const BoldMarkers& bold, int width = 0);

}  // namespace kipo
