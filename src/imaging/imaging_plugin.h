#pragma once
// The entry points of the picture plugin (kipo-imaging.so): the code that calls Pango,
// Cairo, fontconfig and FreeImage (text_layout.cpp, subtitle_renderer.cpp,
// dib_section.cpp) is built into it, and the program reaches that code only through this
// table, so those libraries are loaded the first time a subtitle is measured, drawn or
// saved as a picture (platform/plugin.h).
//
// imaging_forward.cpp defines those files' functions in the program by calling these;
// imaging_plugin.cpp fills the table inside the plugin with the real ones.
#include "imaging/subtitle_renderer.h"
#include "imaging/text_layout.h"

namespace kipo {

struct ImagingPlugin {
  std::unique_ptr<TextMeasurer> (*makeLayoutMeasurer)(const std::vector<std::string>&);
  std::string (*referenceFontFile)();
  std::vector<std::string> (*referenceFontFiles)();
  SubtitleRenderer::Impl* (*newRendererImpl)(const RenderStyle&);
  void (*deleteRendererImpl)(SubtitleRenderer::Impl*);
  double (SubtitleRenderer::*rowWidth)(std::string_view) const;
  RenderResult (SubtitleRenderer::*renderText)(std::string_view) const;
  RenderResult (SubtitleRenderer::*render)(const Subtitle&, int) const;
  DibSection (*makeDib)(int width, int height, bool withColour);
  Rgba (DibSection::*pixel)(int, int) const;
  DibSection (DibSection::*crop)(PixelRect) const;
  const std::vector<std::string>& (*pictureFormatNames)();
  std::string_view (*pictureFormatName)(PictureFormat);
  bool (*pictureFormatFromName)(std::string_view, PictureFormat&);
  std::string_view (*pictureExtension)(PictureFormat);
  bool (*isEightBit)(PictureFormat);
  bool (*isPng)(PictureFormat);
  std::vector<std::uint8_t> (*encodePicture)(const DibSection&, PictureFormat, const PaletteMap&);
  void (*savePicture)(const std::filesystem::path&, const DibSection&, PictureFormat, const PaletteMap&);
  void (*flushFolder)(const std::filesystem::path&);
  DibSection (*loadPicture)(const std::filesystem::path&);
  bool (*pictureSize)(const std::filesystem::path&, int&, int&);
};

// Loads the plugin on first use; throws UserError when it cannot be loaded.
const ImagingPlugin& ImagingLibraries();

}  // namespace kipo
