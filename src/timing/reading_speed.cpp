#include "timing/reading_speed.h"

#include <cmath>

#include "core/rich_text.h"
#include "platform/encoding.h"
#include "platform/text_util.h"
#include "platform/user_error.h"
#include "settings/keys.h"
#include "settings/settings_store.h"

namespace kipo {

ReadingOptions ReadingOptions::Load(const SettingsStore& store) {
  ReadingOptions o;
  o.includeSpaces = store.Get(keys::kReadingSpeedIncludeSpaces);
  o.boldStart = store.Get(keys::kStartBoldText);
  o.boldEnd = store.Get(keys::kEndBoldText);
  o.boldEnabled = store.Get(keys::kEnableBoldText);
  return o;
}

std::size_t RowLength(std::string_view row, const ReadingOptions& o) {
  return VisibleChars(row, {o.boldEnabled, o.boldStart, o.boldEnd});
}

std::size_t ReadingDurationCount(std::string_view text) {
  std::size_t n = 0;
  for (unsigned char c : text) {
    if (c == '\r' || c == '\n' || c == ' ') continue;
    n += (c & 0xC0) != 0x80;  // count lead bytes only: one per code point
  }
  return n;
}

std::int16_t ReadingDuration(std::string_view text, const TimingParameters& p) {
  if (p.readingSpeed < 1)
    throw UserError(kAppTitle, "The reading speed must be at least 1 character per second.\n"
                               "Please correct it in the options.");
  std::size_t n = ReadingDurationCount(text);
  double d;
  if (n == 0) {
    d = p.defaultDuration;
  } else {
    d = std::floor(static_cast<double>(n) / p.readingSpeed * static_cast<double>(p.fps));
    if (d < p.minDuration) d = p.minDuration;
    if (d > p.maxDuration) d = p.maxDuration;  // a minimum above the maximum yields the maximum
  }
  if (d < 0 || d > 32767)
    throw UserError(kAppTitle, "The reading duration must lie between 0 and 32767 frames.\n"
                               "Please check the minimum, maximum and default durations in the options.");
  return static_cast<std::int16_t>(d);
}

std::size_t CharactersPerSecondCount(std::string_view text, const ReadingOptions& o) {
  // The bold markers are left out whenever they are set, whether or not bold text is on.
  const MarkerView bold{!o.boldStart.empty(), o.boldStart, o.boldStart.empty() ? std::string_view() : o.boldEnd};
  std::size_t n = 0;
  ScanMarkup(text, bold, [&](Mark m, std::string_view piece) {
    switch (m) {
      case Mark::None:
        for (char c : piece) {
          if (c == '\r' || c == '\n' || (c == ' ' && !o.includeSpaces)) continue;
          n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        }
        return;
      // Underline and group markers are counted as the characters they are.
      case Mark::UnderlineOn:
      case Mark::UnderlineOff:
      case Mark::GroupStart:
      case Mark::GroupEnd: n += CountVisible(piece); return;
      default: return;
    }
  });
  return n;
}

int CharactersPerSecond(std::string_view text, double seconds, const ReadingOptions& o) {
  std::size_t n = CharactersPerSecondCount(text, o);
  if (n == 0 || seconds == 0) return 0;
  double r = std::nearbyint(static_cast<double>(n) / seconds);  // ties to even
  if (r > 99) return 99;
  return r < 0 ? 0 : static_cast<int>(r);
}

namespace {

// The figure of a subtitle, or nullopt when a cue is missing or the figure is below 1.
std::optional<int> Figure(std::string_view text, std::optional<Timecode> in, std::optional<Timecode> out,
                          const TimingParameters& p, const ReadingOptions& o) {
  if (!in || !out) return std::nullopt;
  float seconds = static_cast<float>(*out - *in) / p.fps;  // single precision, as always shown
  int r = CharactersPerSecond(text, seconds, o);
  if (r < 1) return std::nullopt;
  return r;
}

}  // namespace

CpsLabel CurrentCpsLabel(std::string_view text, std::optional<Timecode> in, std::optional<Timecode> out,
                         const TimingParameters& p, const ReadingOptions& o) {
  if (text.empty()) return {};
  auto r = Figure(text, in, out, p, o);
  if (!r) return {"-", std::nullopt};
  return {std::to_string(*r) + " cps", *r > p.readingSpeed ? std::optional<Rgb>(kCpsTooFast) : std::nullopt};
}

CpsLabel NeighbourCpsLabel(std::string_view text, std::optional<Timecode> in, std::optional<Timecode> out,
                           const TimingParameters& p, const ReadingOptions& o) {
  if (text.empty()) return {};
  auto r = Figure(text, in, out, p, o);
  if (!r) return {"-", kCpsNeighbour};
  return {std::to_string(*r) + " cps", *r > p.readingSpeed ? kCpsTooFast : kCpsNeighbour};
}

std::string DurationText(long frames, float fps) {
  long f = static_cast<long>(std::nearbyint(fps));
  if (f <= 0) f = 1;
  // Integer division and remainder truncate towards zero, so a negative count reads
  // "-02:-12" as the platform's formatting of the two parts would show it.
  auto two = [](long v) { return ZeroPad(v, 2); };
  return two(frames / f) + ":" + two(frames % f);
}

}  // namespace kipo
