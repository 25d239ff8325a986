#pragma once
// The image variant of a cinema subtitle file: each subtitle drawn once into a PNG picture
// beside the XML, which places the picture with an Image element instead of the text.
#include <filesystem>
#include <string>
#include <vector>

#include "core/document.h"
#include "core/markup.h"
#include "formats/cinema/dlp_options.h"

namespace kipo {

// Where one subtitle's picture goes: the file (DCSubtitle) or its UUID (a reel's "urn:uuid:"
// reference), and the position of the picture's bottom centre on the screen.
struct DcinemaImage {
  std::string ref;
  double vpos = 0;  // percent of the height from the bottom
  double hpos = 0;  // percent of the width from the centre
  bool empty = false;
};

// The picture of each subtitle, in document order, encoded as 32-bit PNG (not yet written).
struct DcinemaPictures {
  std::vector<DcinemaImage> images;
  std::vector<std::filesystem::path> files;
  std::vector<std::vector<std::uint8_t>> bytes;
};
// Draws every subtitle at the screen size. DCSubtitle pictures are named
// "<xml name>_0001.png"; reel pictures "<uuid>.png" and referenced by their UUID.
DcinemaPictures DrawDcinemaPictures(const SubtitleDocument& doc, const DlpOptions& o, const BoldMarkers& bold,
                                    const std::filesystem::path& xmlPath);

}  // namespace kipo
