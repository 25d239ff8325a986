#pragma once
// Reading speed: the screen time a text needs, the characters-per-second figure of a
// timed subtitle, the labels the edit area shows for it, and the seconds:frames form of a
// duration.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/markup.h"
#include "timing/timing_parameters.h"

namespace kipo {

class SettingsStore;

// What the characters-per-second figure leaves out ("Options" section).
struct ReadingOptions {
  bool includeSpaces = false;      // "Reading speed include spaces"
  std::string boldStart = "\xC2\xAB";  // "Start bold text" (removed before counting)
  std::string boldEnd = "\xC2\xBB";    // "End bold text"
  // "Enable bold text": whether the markers are markup in a row's length (the
  // characters-per-second count always leaves them out).
  bool boldEnabled = false;
  BoldMarkers Bold() const { return {boldEnabled, boldStart, boldEnd}; }
  static ReadingOptions Load(const SettingsStore& store);
  bool operator==(const ReadingOptions&) const = default;
};

// The length of one row as the row-length check and the statistics count it: visible
// characters, bold markers left out only while bold text is enabled.
std::size_t RowLength(std::string_view row, const ReadingOptions& o);

// Characters counted for a reading duration: every code point except CR, LF and space
// (markup characters count).
std::size_t ReadingDurationCount(std::string_view text);

// The screen time of a text in frames: floor(count / reading speed x fps), raised to the
// minimum duration, then lowered to the maximum; a text with nothing to count gets the
// default duration. Throws UserError when the reading speed is below 1 or the settings
// make the result fall outside 0-32767 frames (negative limits).
std::int16_t ReadingDuration(std::string_view text, const TimingParameters& p);

// Characters per second of a text shown for `seconds`, 0-99 (ties to even). Spaces
// count only with includeSpaces; line breaks, italics, colour codes and bold markers never.
int CharactersPerSecond(std::string_view text, double seconds, const ReadingOptions& o);
// The characters CharactersPerSecond counts.
std::size_t CharactersPerSecondCount(std::string_view text, const ReadingOptions& o);

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};
inline constexpr Rgb kCpsTooFast{255, 0, 0};
inline constexpr Rgb kCpsNeighbour{128, 128, 128};

// A cps label of the edit area. No colour means the normal label colour of the window's
// scheme.
struct CpsLabel {
  std::string text;  // "", "-" or "17 cps"
  std::optional<Rgb> colour;
  bool operator==(const CpsLabel&) const = default;
};
// The current subtitle's label (cues as frames, nullopt when not set).
CpsLabel CurrentCpsLabel(std::string_view text, std::optional<Timecode> in, std::optional<Timecode> out,
                         const TimingParameters& p, const ReadingOptions& o);
// The previous or next subtitle's label: grey unless too fast.
CpsLabel NeighbourCpsLabel(std::string_view text, std::optional<Timecode> in, std::optional<Timecode> out,
                           const TimingParameters& p, const ReadingOptions& o);

// A frame count as seconds and frames, "SS:FF" (62 frames at 25 fps: "02:12"); fps is
// rounded to a whole number, ties to even.
std::string DurationText(long frames, float fps);

}  // namespace kipo
