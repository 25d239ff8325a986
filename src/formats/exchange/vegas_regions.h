#pragma once
// Region lists exported by the Vegas video editor (.txt, .csv): a heading
// "ID<TAB>Position<TAB>Length<TAB>Name" (or the same with commas), then one region per
// line. Position and length are timecodes ("HH:MM:SS:FF") or clock times
// ("HH:MM:SS.mmm") as the editor's time ruler shows them; the region's name is the text.
#include <string_view>

#include "core/document.h"

namespace kipo {

using Warnings = std::vector<std::string>;

SubtitleDocument ReadVegasRegions(std::string_view text, const FrameRate& rate, Warnings& warnings);

}  // namespace kipo
