#pragma once
// One rendered subtitle picture held in memory, and its saving to picture files.
//
// A picture keeps two planes of the same size: full colour with straight (not
// premultiplied) alpha for the 24- and 32-bit files, and one pixel class per pixel for the
// 8-bit DVD files, which hold exactly four values (background, pattern, emphasis 1,
// emphasis 2). Files are written through FreeImage.
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kipo {

struct Rgba {
  std::uint8_t r = 0, g = 0, b = 0, a = 255;
  bool operator==(const Rgba&) const = default;
};

// The four pixel classes of a DVD subpicture, in the order of the "Color (" and
// "Contrast (" lines of the scripts.
enum class PixelClass : std::uint8_t { Background = 0, Pattern = 1, Emphasis1 = 2, Emphasis2 = 3 };

struct PixelRect {
  int x = 0, y = 0, width = 0, height = 0;
  bool empty() const { return width <= 0 || height <= 0; }
  bool operator==(const PixelRect&) const = default;
};

class DibSection {
 public:
  DibSection() = default;
  // withColour false: the classes plane only (8-bit pictures).
  DibSection(int width, int height, bool withColour = true);
  bool hasColour() const { return !rgba_.empty(); }

  int width() const { return width_; }
  int height() const { return height_; }
  // Row-major, top row first, 4 bytes a pixel (R G B A).
  std::vector<std::uint8_t>& rgba() { return rgba_; }
  const std::vector<std::uint8_t>& rgba() const { return rgba_; }
  // Row-major pixel classes (values 0-3).
  std::vector<std::uint8_t>& classes() { return classes_; }
  const std::vector<std::uint8_t>& classes() const { return classes_; }

  Rgba Pixel(int x, int y) const;
  PixelClass ClassAt(int x, int y) const { return static_cast<PixelClass>(classes_[Index(x, y)]); }
  // The part of the picture inside r (clipped to the picture).
  DibSection Crop(PixelRect r) const;

 private:
  std::size_t Index(int x, int y) const { return static_cast<std::size_t>(y) * width_ + x; }
  int width_ = 0, height_ = 0;
  std::vector<std::uint8_t> rgba_;
  std::vector<std::uint8_t> classes_;
};

// The picture files of the "Picture format" list, plus TGA.
enum class PictureFormat { Bmp8 = 0, Bmp24 = 1, Tiff8 = 2, Tiff24 = 3, Png8 = 4, Png32 = 5, Tga32 = 6 };

// "8-bit BMP", "24-bit BMP", "8-bit TIFF", "24-bit TIFF", "8-bit PNG", "32-bit PNG" (and
// "32-bit TGA").
const std::vector<std::string>& PictureFormatNames();
std::string_view PictureFormatName(PictureFormat f);
// By name (any case); false when the name is not one of the list.
bool PictureFormatFromName(std::string_view name, PictureFormat& out);
// ".bmp", ".tif", ".png", ".tga".
std::string_view PictureExtension(PictureFormat f);
bool IsEightBit(PictureFormat f);
bool IsPng(PictureFormat f);

// How the 8-bit files map pixel classes to palette entries.
struct PaletteMap {
  std::array<std::uint8_t, 4> index{0, 1, 2, 3};  // palette index written for each class
  std::array<Rgba, 4> colour{};                   // the colour of each class
  bool transparentBackground = true;              // 8-bit PNG: the background entry is transparent
};

// The file's bytes. Throws UserError when FreeImage cannot encode the picture.
std::vector<std::uint8_t> EncodePicture(const DibSection& pic, PictureFormat f, const PaletteMap& palette);
// Encodes and writes atomically (a temporary file renamed over the target). The file is
// not flushed to disk one by one: an export writes thousands, and flushes the folder once
// at its end (FlushFolder).
void SavePicture(const std::filesystem::path& path, const DibSection& pic, PictureFormat f, const PaletteMap& palette);

// Flushes the file system of a folder to disk (after many pictures were saved).
void FlushFolder(const std::filesystem::path& folder);

// Reads a picture file (any type FreeImage knows) into full colour; the classes plane is
// left empty. Throws UserError when the file is not a picture.
DibSection LoadPicture(const std::filesystem::path& path);
// Width and height of a picture file without decoding its pixels where the type allows.
bool PictureSize(const std::filesystem::path& path, int& width, int& height);

}  // namespace kipo
