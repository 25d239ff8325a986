#include "timing/reading_speed.h"

#include <cmath>

#include "core/markup.h"
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
  return o;
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

namespace {

std::string CpsText(std::string_view text, const ReadingOptions& o) {
  std::string s;
  s.reserve(text.size());
  for (char c : text) {
    if (c == '\r' || c == '\n' || c == kItalicOn || c == kItalicOff || IsColourCode(c)) continue;
    if (c == ' ' && !o.includeSpaces) continue;
    s += c;
  }
  if (!o.boldStart.empty()) {
    s = ReplaceAll(std::move(s), o.boldStart, "");
    if (!o.boldEnd.empty()) s = ReplaceAll(std::move(s), o.boldEnd, "");
  }
  return s;
}

}  // namespace

std::size_t CharactersPerSecondCount(std::string_view text, const ReadingOptions& o) {
  // One pass counts in place; only a text that may hold a bold marker (a byte that starts
  // one) is filtered as a string, since a marker must be removed as a whole.
  const char b1 = o.boldStart.empty() ? '\0' : o.boldStart[0];
  const char b2 = o.boldStart.empty() || o.boldEnd.empty() ? '\0' : o.boldEnd[0];
  std::size_t n = 0;
  for (char c : text) {
    if (c == '\r' || c == '\n' || c == kItalicOn || c == kItalicOff || IsColourCode(c)) continue;
    if (c == ' ' && !o.includeSpaces) continue;
    if ((b1 && c == b1) || (b2 && c == b2)) return CountCodePoints(CpsText(text, o));
    n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }
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
