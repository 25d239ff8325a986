#include "imaging/display_format.h"

namespace kipo {

FrameSize DisplayFormatSize(int index) {
  static const FrameSize kSizes[] = {{720, 576},  {720, 480},  {720, 512},  {1280, 720}, {1920, 1080}, {1998, 1080},
                                     {2048, 858}, {720, 576},  {720, 480},  {3996, 2160}, {4096, 1714}};
  if (index < 0 || index > 10) return {};
  return kSizes[index];
}

bool IsWideVariant(int displayFormat) { return displayFormat == 7 || displayFormat == 8; }

const std::vector<std::string>& PictureSizeNames() {
  static const std::vector<std::string> names{"PAL", "NTSC", "Fit to subtitle", "HD 720", "HD 1080", "2K Flat", "2K Scope"};
  return names;
}

int PictureSizeDisplayFormat(int choice) {
  static const int kFormats[] = {0, 1, -1, 3, 4, 5, 6};
  return choice >= 0 && choice < 7 ? kFormats[choice] : -1;
}

FrameSize PictureSizeFrame(int choice) { return DisplayFormatSize(PictureSizeDisplayFormat(choice)); }

}  // namespace kipo
