#include "imaging/dib_section.h"

#include <FreeImage.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "platform/user_error.h"
#include "platform/files.h"
#include "platform/text_util.h"

namespace kipo {

DibSection::DibSection(int width, int height, bool withColour)
    : width_(std::max(0, width)),
      height_(std::max(0, height)),
      rgba_(withColour ? static_cast<std::size_t>(width_) * height_ * 4 : 0, 0),
      classes_(static_cast<std::size_t>(width_) * height_, 0) {}

Rgba DibSection::Pixel(int x, int y) const {
  const std::uint8_t* p = &rgba_[Index(x, y) * 4];
  return {p[0], p[1], p[2], p[3]};
}

DibSection DibSection::Crop(PixelRect r) const {
  int x0 = std::clamp(r.x, 0, width_), y0 = std::clamp(r.y, 0, height_);
  int x1 = std::clamp(r.x + r.width, x0, width_), y1 = std::clamp(r.y + r.height, y0, height_);
  DibSection out(x1 - x0, y1 - y0, hasColour());
  for (int y = y0; y < y1; ++y) {
    if (hasColour()) std::copy_n(&rgba_[Index(x0, y) * 4], (x1 - x0) * 4, &out.rgba_[out.Index(0, y - y0) * 4]);
    if (!classes_.empty()) std::copy_n(&classes_[Index(x0, y)], x1 - x0, &out.classes_[out.Index(0, y - y0)]);
  }
  return out;
}

const std::vector<std::string>& PictureFormatNames() {
  static const std::vector<std::string> names{"8-bit BMP", "24-bit BMP", "8-bit TIFF", "24-bit TIFF",
                                              "8-bit PNG", "32-bit PNG", "32-bit TGA"};
  return names;
}

std::string_view PictureFormatName(PictureFormat f) {
  const auto& n = PictureFormatNames();
  auto i = static_cast<std::size_t>(f);
  return i < n.size() ? std::string_view(n[i]) : std::string_view();
}

bool PictureFormatFromName(std::string_view name, PictureFormat& out) {
  const auto& n = PictureFormatNames();
  for (std::size_t i = 0; i < n.size(); ++i)
    if (EqualsIgnoreCase(n[i], Trim(name))) {
      out = static_cast<PictureFormat>(i);
      return true;
    }
  return false;
}

std::string_view PictureExtension(PictureFormat f) {
  switch (f) {
    case PictureFormat::Bmp8:
    case PictureFormat::Bmp24: return ".bmp";
    case PictureFormat::Tiff8:
    case PictureFormat::Tiff24: return ".tif";
    case PictureFormat::Png8:
    case PictureFormat::Png32: return ".png";
    case PictureFormat::Tga32: return ".tga";
  }
  return ".bmp";
}

bool IsEightBit(PictureFormat f) {
  return f == PictureFormat::Bmp8 || f == PictureFormat::Tiff8 || f == PictureFormat::Png8;
}
bool IsPng(PictureFormat f) { return f == PictureFormat::Png8 || f == PictureFormat::Png32; }

namespace {

void InitFreeImage() {
  static std::once_flag once;
  std::call_once(once, [] { FreeImage_Initialise(FALSE); });
}

struct DibDeleter {
  void operator()(FIBITMAP* b) const { FreeImage_Unload(b); }
};
using DibPtr = std::unique_ptr<FIBITMAP, DibDeleter>;

DibPtr ToFreeImage(const DibSection& pic, PictureFormat f, const PaletteMap& pal) {
  const int w = std::max(1, pic.width()), h = std::max(1, pic.height());
  const bool empty = pic.width() == 0 || pic.height() == 0;
  if (IsEightBit(f)) {
    DibPtr dib(FreeImage_Allocate(w, h, 8));
    if (!dib) return nullptr;
    RGBQUAD* p = FreeImage_GetPalette(dib.get());
    for (int i = 0; i < 256; ++i) p[i] = RGBQUAD{0, 0, 0, 0};
    BYTE trns[256];
    std::fill(std::begin(trns), std::end(trns), 255);
    for (int c = 0; c < 4; ++c) {
      const Rgba& col = pal.colour[c];
      RGBQUAD& q = p[pal.index[c]];
      q.rgbRed = col.r, q.rgbGreen = col.g, q.rgbBlue = col.b;
    }
    if (f == PictureFormat::Png8 && pal.transparentBackground) {
      trns[pal.index[0]] = 0;
      int count = 0;
      for (int c = 0; c < 4; ++c) count = std::max(count, pal.index[c] + 1);
      FreeImage_SetTransparencyTable(dib.get(), trns, count);
    }
    for (int y = 0; y < h; ++y) {
      BYTE* line = FreeImage_GetScanLine(dib.get(), h - 1 - y);
      for (int x = 0; x < w; ++x)
        line[x] = empty ? pal.index[0] : pal.index[pic.classes()[static_cast<std::size_t>(y) * w + x] & 3];
    }
    return dib;
  }
  const bool alpha = f == PictureFormat::Png32 || f == PictureFormat::Tga32;
  DibPtr dib(FreeImage_Allocate(w, h, alpha ? 32 : 24, FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK));
  if (!dib) return nullptr;
  const Rgba bg = pal.colour[0];
  const int step = alpha ? 4 : 3;
  for (int y = 0; y < h; ++y) {
    BYTE* line = FreeImage_GetScanLine(dib.get(), h - 1 - y);
    for (int x = 0; x < w; ++x) {
      BYTE* o = line + x * step;
      if (empty || !pic.hasColour()) {
        o[FI_RGBA_RED] = bg.r, o[FI_RGBA_GREEN] = bg.g, o[FI_RGBA_BLUE] = bg.b;
        if (alpha) o[FI_RGBA_ALPHA] = 0;
        continue;
      }
      const std::uint8_t* s = &pic.rgba()[(static_cast<std::size_t>(y) * w + x) * 4];
      if (alpha) {
        o[FI_RGBA_RED] = s[0], o[FI_RGBA_GREEN] = s[1], o[FI_RGBA_BLUE] = s[2], o[FI_RGBA_ALPHA] = s[3];
      } else {
        // Flattened over the opaque background colour.
        auto mix = [&](int c, int b) { return static_cast<BYTE>((c * s[3] + b * (255 - s[3]) + 127) / 255); };
        o[FI_RGBA_RED] = mix(s[0], bg.r), o[FI_RGBA_GREEN] = mix(s[1], bg.g), o[FI_RGBA_BLUE] = mix(s[2], bg.b);
      }
    }
  }
  return dib;
}

std::pair<FREE_IMAGE_FORMAT, int> FileType(PictureFormat f) {
  switch (f) {
    case PictureFormat::Bmp8:
    case PictureFormat::Bmp24: return {FIF_BMP, BMP_DEFAULT};
    case PictureFormat::Tiff8:
    case PictureFormat::Tiff24: return {FIF_TIFF, TIFF_LZW};
    case PictureFormat::Png8:
    case PictureFormat::Png32: return {FIF_PNG, PNG_Z_BEST_SPEED};
    case PictureFormat::Tga32: return {FIF_TARGA, TARGA_DEFAULT};
  }
  return {FIF_BMP, BMP_DEFAULT};
}

}  // namespace

std::vector<std::uint8_t> EncodePicture(const DibSection& pic, PictureFormat f, const PaletteMap& palette) {
  InitFreeImage();
  DibPtr dib = ToFreeImage(pic, f, palette);
  if (!dib) throw UserError{"Bitmap Export", "Not enough memory for a picture of " + std::to_string(pic.width()) + " x " + std::to_string(pic.height()) + " pixels"};
  auto [fif, flags] = FileType(f);
  FIMEMORY* mem = FreeImage_OpenMemory();
  std::vector<std::uint8_t> out;
  if (FreeImage_SaveToMemory(fif, dib.get(), mem, flags)) {
    BYTE* data = nullptr;
    DWORD size = 0;
    if (FreeImage_AcquireMemory(mem, &data, &size)) out.assign(data, data + size);
  }
  FreeImage_CloseMemory(mem);
  if (out.empty()) throw UserError{"Bitmap Export", "The picture could not be written as " + std::string(PictureFormatName(f))};
  return out;
}

void SavePicture(const std::filesystem::path& path, const DibSection& pic, PictureFormat f, const PaletteMap& palette) {
  const std::vector<std::uint8_t> bytes = EncodePicture(pic, f, palette);
  std::string tmp = (path.parent_path() / ("." + path.filename().string() + ".kipo-XXXXXX")).string();
  int fd = ::mkstemp(tmp.data());
  if (fd < 0) throw UserError("Cannot save file", "Cannot write to " + path.parent_path().string() + ": " + std::strerror(errno));
  const std::uint8_t* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      int err = errno;
      ::close(fd);
      ::unlink(tmp.c_str());
      throw UserError("Cannot save file", "Cannot write " + path.string() + ": " + std::strerror(err));
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  ::fchmod(fd, 0644);
  if (::close(fd) != 0 || ::rename(tmp.c_str(), path.c_str()) != 0) {
    int err = errno;
    ::unlink(tmp.c_str());
    throw UserError("Cannot save file", "Cannot write " + path.string() + ": " + std::strerror(err));
  }
}

void FlushFolder(const std::filesystem::path& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  ::syncfs(fd);
  ::close(fd);
}

DibSection LoadPicture(const std::filesystem::path& path) {
  InitFreeImage();
  std::vector<std::uint8_t> bytes = ReadFileBytes(path, 512u << 20);
  FIMEMORY* mem = FreeImage_OpenMemory(bytes.data(), static_cast<DWORD>(bytes.size()));
  FREE_IMAGE_FORMAT fif = FreeImage_GetFileTypeFromMemory(mem, 0);
  DibPtr dib(fif == FIF_UNKNOWN ? nullptr : FreeImage_LoadFromMemory(fif, mem, 0));
  FreeImage_CloseMemory(mem);
  if (!dib) throw UserError{"Open Picture", path.filename().string() + " is not a picture file"};
  DibPtr rgba(FreeImage_ConvertTo32Bits(dib.get()));
  if (!rgba) throw UserError{"Open Picture", path.filename().string() + " is not a picture file"};
  const int w = static_cast<int>(FreeImage_GetWidth(rgba.get())), h = static_cast<int>(FreeImage_GetHeight(rgba.get()));
  DibSection out(w, h);
  for (int y = 0; y < h; ++y) {
    const BYTE* line = FreeImage_GetScanLine(rgba.get(), h - 1 - y);
    for (int x = 0; x < w; ++x) {
      std::uint8_t* o = &out.rgba()[(static_cast<std::size_t>(y) * w + x) * 4];
      o[0] = line[x * 4 + FI_RGBA_RED], o[1] = line[x * 4 + FI_RGBA_GREEN], o[2] = line[x * 4 + FI_RGBA_BLUE];
      o[3] = line[x * 4 + FI_RGBA_ALPHA];
    }
  }
  return out;
}

bool PictureSize(const std::filesystem::path& path, int& width, int& height) {
  InitFreeImage();
  std::string p = path.string();
  FREE_IMAGE_FORMAT fif = FreeImage_GetFileType(p.c_str(), 0);
  if (fif == FIF_UNKNOWN) return false;
  DibPtr dib(FreeImage_Load(fif, p.c_str(), FIF_LOAD_NOPIXELS));
  if (!dib) return false;
  width = static_cast<int>(FreeImage_GetWidth(dib.get()));
  height = static_cast<int>(FreeImage_GetHeight(dib.get()));
  return true;
}

}  // namespace kipo
