#include "formats/exchange/text_measure.h"

#include "platform/encoding.h"

namespace kipo {

double FixedWidthMeasurer::Width(std::string_view utf8, const FontFace&) const {
  return advance_ * static_cast<double>(CountCodePoints(utf8));
}

}  // namespace kipo
