// The program's side of text_layout.h, the renderer's drawing and dib_section.h: every
// function calls its real counterpart in the picture plugin, which is loaded on first use
// (imaging_plugin.h).
#include "imaging/imaging_plugin.h"
#include "platform/plugin.h"

namespace kipo {

const ImagingPlugin& ImagingLibraries() {
  static const ImagingPlugin& table = *static_cast<const ImagingPlugin*>(
      LoadPluginTable("kipo-imaging.so", "kipo_imaging_plugin", "the picture libraries"));
  return table;
}

std::unique_ptr<TextMeasurer> MakeLayoutMeasurer(const std::vector<std::string>& fontFiles) {
  return ImagingLibraries().makeLayoutMeasurer(fontFiles);
}
std::string ReferenceFontFile() { return ImagingLibraries().referenceFontFile(); }
std::vector<std::string> ReferenceFontFiles() { return ImagingLibraries().referenceFontFiles(); }

SubtitleRenderer::Impl* SubtitleRenderer::NewImpl(const RenderStyle& style) {
  return ImagingLibraries().newRendererImpl(style);
}
void SubtitleRenderer::DeleteImpl(Impl* impl) {
  if (impl) ImagingLibraries().deleteRendererImpl(impl);
}
double SubtitleRenderer::RowWidth(std::string_view row) const { return (this->*ImagingLibraries().rowWidth)(row); }
RenderResult SubtitleRenderer::RenderText(std::string_view text) const {
  return (this->*ImagingLibraries().renderText)(text);
}
RenderResult SubtitleRenderer::Render(const Subtitle& s, int number) const {
  return (this->*ImagingLibraries().render)(s, number);
}

DibSection::DibSection(int width, int height, bool withColour) {
  *this = ImagingLibraries().makeDib(width, height, withColour);
}
Rgba DibSection::Pixel(int x, int y) const { return (this->*ImagingLibraries().pixel)(x, y); }
DibSection DibSection::Crop(PixelRect r) const { return (this->*ImagingLibraries().crop)(r); }

const std::vector<std::string>& PictureFormatNames() { return ImagingLibraries().pictureFormatNames(); }
std::string_view PictureFormatName(PictureFormat f) { return ImagingLibraries().pictureFormatName(f); }
bool PictureFormatFromName(std::string_view name, PictureFormat& out) {
  return ImagingLibraries().pictureFormatFromName(name, out);
}
std::string_view PictureExtension(PictureFormat f) { return ImagingLibraries().pictureExtension(f); }
bool IsEightBit(PictureFormat f) { return ImagingLibraries().isEightBit(f); }
bool IsPng(PictureFormat f) { return ImagingLibraries().isPng(f); }

std::vector<std::uint8_t> EncodePicture(const DibSection& pic, PictureFormat f, const PaletteMap& palette) {
  return ImagingLibraries().encodePicture(pic, f, palette);
}
void SavePicture(const std::filesystem::path& path, const DibSection& pic, PictureFormat f, const PaletteMap& palette) {
  ImagingLibraries().savePicture(path, pic, f, palette);
}
void FlushFolder(const std::filesystem::path& folder) { ImagingLibraries().flushFolder(folder); }
DibSection LoadPicture(const std::filesystem::path& path) { return ImagingLibraries().loadPicture(path); }
bool PictureSize(const std::filesystem::path& path, int& width, int& height) {
  return ImagingLibraries().pictureSize(path, width, height);
}

}  // namespace kipo
