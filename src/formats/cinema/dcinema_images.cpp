#include "formats/cinema/dcinema_images.h"

#include "formats/cinema/dcinema_picture.h"
#include "formats/cinema/uuid.h"
#include "platform/text_util.h"

namespace kipo {

DcinemaPictures DrawDcinemaPictures(const SubtitleDocument& doc, const DlpOptions& o, const BoldMarkers& bold,
                                    const std::filesystem::path& xmlPath) {
  DcinemaPictures out;
  const bool reel = IsSmpte(o.version);
  std::filesystem::path stem = xmlPath;
  stem.replace_extension();
  // One renderer for the whole file: fonts are loaded once.
  SubtitleRenderer renderer(DcinemaRenderStyle(o, bold), DcinemaRenderLayout(o));
  const double w = renderer.layout().width, h = renderer.layout().height;
  for (std::size_t i = 0; i < doc.Count(); ++i) {
    Subtitle s = doc.At(i);
    if (o.alignment >= 1 && o.alignment <= 4) s.alignment = o.alignment, s.rowAlignments = kNoFlags;
    RenderResult r = renderer.Render(s, static_cast<int>(i + 1));
    DcinemaImage img;
    PixelRect ink = r.ink;
    if (r.empty || ink.empty()) {
      img.empty = true;
      ink = PixelRect{0, 0, 1, 1};
    }
    img.vpos = (h - (ink.y + ink.height)) / h * 100.0;
    img.hpos = ((ink.x + ink.width / 2.0) - w / 2.0) / w * 100.0;
    std::filesystem::path file;
    if (reel) {
      const std::string uuid = NewUuid();
      img.ref = "urn:uuid:" + uuid;
      file = xmlPath.parent_path() / (uuid + ".png");
    } else {
      file = std::filesystem::path(stem.string() + "_" + ZeroPad(static_cast<long>(i + 1), 4) + ".png");
      img.ref = file.filename().string();
    }
    out.bytes.push_back(EncodePicture(r.picture.Crop(ink), PictureFormat::Png32, PaletteMap{}));
    out.files.push_back(std::move(file));
    out.images.push_back(std::move(img));
  }
  return out;
}

}  // namespace kipo
