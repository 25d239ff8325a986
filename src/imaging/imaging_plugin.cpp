// Built into kipo-imaging.so only: the table of the real picture functions.
#include "imaging/imaging_plugin.h"

namespace kipo {
namespace {

const ImagingPlugin kTable{
    .makeLayoutMeasurer = &MakeLayoutMeasurer,
    .referenceFontFile = &ReferenceFontFile,
    .referenceFontFiles = &ReferenceFontFiles,
    .newRendererImpl = &SubtitleRenderer::NewImpl,
    .deleteRendererImpl = &SubtitleRenderer::DeleteImpl,
    .rowWidth = &SubtitleRenderer::RowWidth,
    .renderText = &SubtitleRenderer::RenderText,
    .render = &SubtitleRenderer::Render,
    .makeDib = [](int width, int height, bool withColour) { return DibSection(width, height, withColour); },
    .pixel = &DibSection::Pixel,
    .crop = &DibSection::Crop,
    .pictureFormatNames = &PictureFormatNames,
    .pictureFormatName = &PictureFormatName,
    .pictureFormatFromName = &PictureFormatFromName,
    .pictureExtension = &PictureExtension,
    .isEightBit = &IsEightBit,
    .isPng = &IsPng,
    .encodePicture = &EncodePicture,
    .savePicture = &SavePicture,
    .flushFolder = &FlushFolder,
    .loadPicture = &LoadPicture,
    .pictureSize = &PictureSize,
};

}  // namespace
}  // namespace kipo

extern "C" __attribute__((visibility("default"))) const void* kipo_imaging_plugin() { return &kipo::kTable; }
