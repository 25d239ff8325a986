#pragma once
// Frame geometries of the bitmap exporters: the display formats 0-10 and the "Picture size"
// list of the export window.
#include <string>
#include <vector>

namespace kipo {

struct FrameSize {
  int width = 0, height = 0;
  bool operator==(const FrameSize&) const = default;
};

// Display format index 0-10 to its frame size; 0 x 0 for any other index. Formats 7 and 8
// are the second variants of 625- and 525-line video (the same raster, 16:9 pictures, so
// the exporters squeeze them anamorphically).
FrameSize DisplayFormatSize(int index);
bool IsWideVariant(int displayFormat);

// "PAL", "NTSC", "Fit to subtitle", "HD 720", "HD 1080", "2K Flat", "2K Scope".
const std::vector<std::string>& PictureSizeNames();
inline constexpr int kPictureSizeFit = 2;
// The frame of a picture-size choice; 0 x 0 for "Fit to subtitle" and unknown choices.
FrameSize PictureSizeFrame(int choice);
// The display format of a picture-size choice (for the frame rate and the scripts' raster).
int PictureSizeDisplayFormat(int choice);

}  // namespace kipo
