#pragma once
// The names Timed Text files use: namespaces, profile, dialect names and the colours of
// the in-text colour switches.
#include <string>

#include "formats/timedtext/timed_text.h"

namespace kipo {

inline constexpr const char* kTtmlNs = "http://www.w3.org/ns/ttml";
inline constexpr const char* kTtmlStylingNs = "http://www.w3.org/ns/ttml#styling";
inline constexpr const char* kTtmlParameterNs = "http://www.w3.org/ns/ttml#parameter";
inline constexpr const char* kTtmlMetadataNs = "http://www.w3.org/ns/ttml#metadata";
inline constexpr const char* kDfxp2006Ns = "http://www.w3.org/2006/10/ttaf1";
inline constexpr const char* kDfxp2006StylingNs = "http://www.w3.org/2006/10/ttaf1#styling";
inline constexpr const char* kXsiNs = "http://www.w3.org/2001/XMLSchema-instance";
inline constexpr const char* kEbuttMetadataNs = "urn:ebu:tt:metadata";
inline constexpr const char* kEbuttStylingNs = "urn:ebu:tt:style";
inline constexpr const char* kNetflixProfile = "http://www.netflix.com/ns/ttml/profile/nflx-tt";

// "W3C Timed Text", "EBU-TT-D Timed Text", ... for warnings.
inline std::string DialectName(TimedTextDialect d) {
  switch (d) {
    case TimedTextDialect::W3C: return "W3C Timed Text";
    case TimedTextDialect::Netflix: return "Netflix Timed Text";
    case TimedTextDialect::Generic: return "Generic Timed Text";
    case TimedTextDialect::EbuTt: return "EBU-TT Timed Text";
    case TimedTextDialect::EbuTtD: return "EBU-TT-D Timed Text";
    case TimedTextDialect::ITunes: return "Apple iTunes Timed Text";
    case TimedTextDialect::Flash: return "Flash";
  }
  return "Timed Text";
}

// Colour switches 1-7 as TTML colour names, style-name suffixes and hex values.
inline const char* ColourAttributeName(int c) {
  static const char* const names[] = {"white", "red", "green", "yellow", "blue", "magenta", "cyan", "white"};
  return c >= 0 && c <= 7 ? names[c] : "white";
}
inline const char* ColourStyleSuffix(int c) {
  static const char* const names[] = {"Style", "Red", "Green", "Yellow", "Blue", "Magenta", "Cyan", "White"};
  return c >= 0 && c <= 7 ? names[c] : "Style";
}
inline const char* ColourHex(int c) {
  static const char* const names[] = {"#FFFFFF", "#FF0000", "#00FF00", "#FFFF00",
                                      "#0000FF", "#FF00FF", "#00FFFF", "#FFFFFF"};
  return c >= 0 && c <= 7 ? names[c] : "#FFFFFF";
}

}  // namespace kipo
