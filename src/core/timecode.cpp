#include "core/timecode.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

struct RateRow {
  int code;
  const char* label;
  const char* longLabel;
  int num, den;
  bool drop;
};

const RateRow kRates[] = {
    {15, "15 fps", "", 15, 1, false},
    {23, "23.976 fps", "23.976 fps", 24000, 1001, false},
    {24, "24 fps", "Film (24 fps)", 24, 1, false},
    {25, "25 fps", "PAL (25 fps)", 25, 1, false},
    {29, "29.97 fps", "NTSC DF (29.97 fps)", 30000, 1001, true},
    {30, "30 fps", "NTSC NDF (30 fps)", 30, 1, false},
    {48, "48 fps", "HFR (48 fps)", 48, 1, false},
    {50, "50 fps", "PAL (50 fps)", 50, 1, false},
    {59, "59.94 fps", "NTSC (59.94 fps)", 60000, 1001, false},
    {60, "60 fps", "PAL (60 fps)", 60, 1, false},
};

const RateRow* Row(int code) {
  for (const auto& r : kRates)
    if (r.code == code) return &r;
  return nullptr;
}

std::string Two(long v) { return ZeroPad(v, 2); }

// The clock of a label's frames pair when it is read as part of a second (milliseconds,
// seconds) as a fraction: the counting rate, but the real 60000/1001 at 59.94.
struct Clock {
  long num, den;
};
Clock LabelClock(const FrameRate& r) {
  if (r.code == 59) return {r.num, r.den};
  return {r.countingRate(), 1};
}

// a / b rounded to the nearest, halves away from zero (b > 0).
long RoundDiv(long a, long b) { return a >= 0 ? (2 * a + b) / (2 * b) : -((-2 * a + b) / (2 * b)); }

// The highest frame number of a second where the rate caps it, else -1.
int FrameCap(const FrameRate& r) {
  int counting = r.countingRate();
  return r.code != 59 && (counting == 24 || counting == 25 || counting == 30) ? counting - 1 : -1;
}

}  // namespace

std::string FrameRate::label() const {
  const RateRow* r = Row(code);
  return r ? r->label : std::to_string(countingRate()) + " fps";
}

std::string FrameRate::longLabel() const {
  const RateRow* r = Row(code);
  return r ? r->longLabel : "";
}

std::optional<FrameRate> FrameRate::FromCode(int code) {
  const RateRow* r = Row(code);
  if (!r) return std::nullopt;
  return FrameRate{r->code, r->num, r->den, r->drop};
}

const std::vector<int>& AllFrameRateCodes() {
  static const std::vector<int> v{15, 23, 24, 25, 29, 30, 48, 50, 59, 60};
  return v;
}
const std::vector<int>& NewProjectFrameRateCodes() {
  static const std::vector<int> v{23, 24, 25, 29, 30, 48, 50, 59, 60};
  return v;
}

std::string StripSeparators(std::string_view text) {
  // Labels are short: the digits go into a buffer on the stack and become one string.
  char b[32];
  if (text.size() > sizeof b) {
    std::string s;
    s.reserve(text.size());
    for (char c : text)
      if (c != ':' && c != ';' && c != '.') s += c;
    return s;
  }
  std::size_t n = 0;
  for (char c : text)
    if (c != ':' && c != ';' && c != '.') b[n++] = c;
  return std::string(b, n);
}

bool IsCompleteCue(std::string_view cue) {
  if (cue.size() != 8) return false;
  // All eight bytes at once (this runs for every cue of every check and export): no byte
  // below '0' (subtracting borrows into bit 7), none above '9' (adding 0x46 carries into
  // bit 7) and none past ASCII. A borrow or carry between bytes only follows a byte that
  // has already failed.
  std::uint64_t w;
  std::memcpy(&w, cue.data(), 8);
  const std::uint64_t below = w - 0x3030303030303030ULL, above = w + 0x4646464646464646ULL;
  return ((below | above | w) & 0x8080808080808080ULL) == 0;
}

bool StartsWithFrameLabel(std::string_view text) {
  if (text.size() < 11) return false;
  for (int k = 0; k < 11; ++k) {
    const char c = text[k];
    const bool separator = k % 3 == 2;
    if (separator ? !(c == ':' || c == ';' || c == '.' || c == ',') : !(c >= '0' && c <= '9')) return false;
  }
  return true;
}

Timecode LabelToFrames(std::string_view label, const FrameRate& rate, double rateOverride) {
  // The digits without ":" read as one number; a non-digit ends it (stray characters read
  // as 0). Parsed in place: this runs for every cue of every check and export.
  auto digit = [](char c) { return static_cast<unsigned>(c - '0') <= 9; };
  auto pair = [&](std::size_t i) { return (label[i] - '0') * 10L + (label[i + 1] - '0'); };
  long hh, mm, ss, ff;
  if (label.size() == 8 && digit(label[0]) && digit(label[1]) && digit(label[2]) && digit(label[3]) &&
      digit(label[4]) && digit(label[5]) && digit(label[6]) && digit(label[7])) {
    // The stored form, by far the most common.
    hh = pair(0), mm = pair(2), ss = pair(4), ff = pair(6);
  } else {
    long v = 0;
    for (char c : label) {
      if (c == ':') continue;
      if (!digit(c) || v > 100000000000L) break;
      v = v * 10 + (c - '0');
    }
    hh = v / 1000000, mm = (v / 10000) % 100, ss = (v / 100) % 100, ff = v % 100;
  }
  long seconds = hh * 3600 + mm * 60 + ss;
  long t;
  if (rateOverride <= 0) {
    t = seconds * rate.countingRate() + ff;
  } else if (rateOverride == static_cast<long>(rateOverride)) {
    t = seconds * static_cast<long>(rateOverride) + ff;
  } else {
    // Ties go to even, as the original rounding of labels did.
    t = static_cast<long>(std::nearbyint(static_cast<double>(seconds) * rateOverride + static_cast<double>(ff)));
  }
  // Skipped labels are taken out before the count is capped, so that the labels of the
  // last frames a count can hold read back as those frames.
  if (rate.dropFrame) t = t - 2 * (t / 1800) + 2 * (t / 18000);
  if (t > 2147483647L) t = 2147483647L;
  return static_cast<Timecode>(t);
}

static void SplitFrames(Timecode frames, const FrameRate& rate, bool force24, long& hh, long& mm, long& ss,
                        long& ff) {
  long f = frames < 0 ? 0 : frames;
  if (rate.dropFrame && !force24) {
    long d = f / 17982, m = f % 17982;
    f += 18 * d;
    if (m >= 1800) f += 2 * ((m - 2) / 1798);
  }
  long base = force24 ? 24 : rate.countingRate();
  if (base <= 0) base = 25;
  long seconds = f / base;
  ff = f % base;
  long minutes = seconds / 60;
  ss = seconds % 60;
  hh = minutes / 60;
  mm = minutes % 60;
}

namespace {

// Writes the four fields with two digits each (hours grow past 99), separated by `sep`
// when it is not 0. Small enough to stay in the string's own buffer.
// "00".."99" for writing two digits at once.
struct DigitPairs {
  char p[200];
  constexpr DigitPairs() : p() {
    for (int i = 0; i < 100; ++i) {
      p[2 * i] = static_cast<char>('0' + i / 10);
      p[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
  }
};
constexpr DigitPairs kPairs;

std::string JoinFields(long hh, long mm, long ss, long ff, char sep) {
  if (hh > 99) {
    std::string out = std::to_string(hh);
    for (long v : {mm, ss, ff}) {
      if (sep) out += sep;
      out.append(kPairs.p + 2 * v, 2);
    }
    return out;
  }
  char b[11];
  if (!sep) {  // cue digits: four pairs
    std::memcpy(b, kPairs.p + 2 * hh, 2);
    std::memcpy(b + 2, kPairs.p + 2 * mm, 2);
    std::memcpy(b + 4, kPairs.p + 2 * ss, 2);
    std::memcpy(b + 6, kPairs.p + 2 * ff, 2);
    return std::string(b, 8);
  }
  char* p = b;
  for (long v : {hh, mm, ss, ff}) {
    std::memcpy(p, kPairs.p + 2 * v, 2);
    p += 2;
    if (sep && p < b + 11) *p++ = sep;
  }
  return std::string(b, static_cast<std::size_t>(p - b));
}

}  // namespace

std::string FramesToLabel(Timecode frames, const FrameRate& rate, bool force24) {
  long hh, mm, ss, ff;
  SplitFrames(frames, rate, force24, hh, mm, ss, ff);
  return JoinFields(hh, mm, ss, ff, ':');
}

CueDigits FramesToDigits(Timecode frames, const FrameRate& rate, bool force24) {
  long hh, mm, ss, ff;
  SplitFrames(frames, rate, force24, hh, mm, ss, ff);
  // A cue holds two digits of hours. Refused rather than cut: the cut label would land
  // in the first hours of the programme, and a longer one would read as "not set".
  if (hh > 99) {
    int last = (force24 ? 24 : rate.countingRate()) - 1;
    throw UserError("Timecode out of range", JoinFields(hh, mm, ss, ff, ':') + " is past 99:59:59:" + Two(last) +
                                                 ", the last timecode a cue can hold.");
  }
  return JoinFields(hh, mm, ss, ff, 0);
}

FrameCount LastCueFrame(const FrameRate& rate) {
  return LabelToFrames("995959" + Two(rate.countingRate() - 1), rate);
}

std::string DigitsToLabel(std::string_view d, std::string_view sep, std::string_view frameSep) {
  if (sep.empty()) sep = ":";
  if (frameSep.empty()) frameSep = ":";
  if (d.empty()) return "--:--:--:--";
  if (d.size() != 4 && d.size() != 6 && d.size() != 8) return "";
  // Pairs of digits with the separators between them, built in one string: this runs for
  // every cue of a list view and of most text exports.
  std::string out;
  out.reserve(d.size() + 2 * sep.size() + frameSep.size());
  for (std::size_t i = 0; i < d.size(); i += 2) {
    if (i) out.append(i == 6 ? frameSep : sep);
    out.append(d.substr(i, 2));
  }
  return out;
}

const std::vector<std::string>& TimecodeFormatLabels() {
  static const std::vector<std::string> v{"HH:MM:SS:FF", "HH:MM:SS;FF", "HH;MM;SS;FF", "HH:MM:SS:MSS",
                                          "HH:MM:SS.MSS", "HH:MM:SS,MSS", "Frames", "Seconds"};
  return v;
}

std::string FormatTimecodeFromLabel(std::string_view label, int index, const FrameRate& rate) {
  std::string l(label);
  switch (index) {
    case 0: return l;
    case 1: {
      auto p = l.rfind(':');
      if (p != std::string::npos) l[p] = ';';
      return l;
    }
    case 2: return ReplaceAll(l, ":", ";");
    case 3:
    case 4:
    case 5: {
      const char* sep = index == 3 ? ":" : index == 4 ? "." : ",";
      if (l.size() == 11) return LabelMillisText(StripSeparators(l), sep, rate);
      // Past 99 hours the hours take more digits: the frames are always the last pair.
      const std::size_t cut = l.size() >= 11 ? l.size() - 3 : 8;
      int ff = static_cast<int>(LeadingNumber(l.size() >= 11 ? l.substr(cut + 1, 2) : std::string()));
      return l.substr(0, cut) + sep + FramesToMillis(ff, rate);
    }
    case 6: return std::to_string(LabelToFrames(l, rate));
    case 7: {
      char buf[32];
      std::snprintf(buf, sizeof buf, "%.3f", LabelToFrames(l, rate) * static_cast<double>(LabelClock(rate).den) / LabelClock(rate).num);
      return buf;
    }
    default: return "";
  }
}

std::string FormatTimecode(std::string_view digits, int index, const FrameRate& rate) {
  if (index < 0 || index > 7) return "";
  return FormatTimecodeFromLabel(DigitsToLabel(digits, ":", ":"), index, rate);
}

// Both run for every cue of a text export or import: short fields are written directly.
std::string FramesToMillis(int frames, const FrameRate& rate) {
  Clock c = LabelClock(rate);
  long ms = RoundDiv(frames * 1000L * c.den, c.num);
  if (ms < 0 || ms > 999) return ZeroPad(ms, 3);
  const char b[3] = {static_cast<char>('0' + ms / 100), static_cast<char>('0' + ms / 10 % 10),
                     static_cast<char>('0' + ms % 10)};
  return std::string(b, 3);
}

std::string MillisToFrames(int millis, const FrameRate& rate) {
  Clock c = LabelClock(rate);
  long fr = RoundDiv(millis * c.num, 1000L * c.den);
  int cap = FrameCap(rate);
  if (cap >= 0 && fr > cap) fr = cap;
  if (fr < 0 || fr > 99) return ZeroPad(fr, 2);
  return std::string(kPairs.p + 2 * fr, 2);
}

namespace {

void AppendLabelMillisText(std::string& out, std::string_view d, std::string_view sep, const FrameRate& rate) {
  if (d.size() != 8) return;
  auto digit = [](char c) { return c >= '0' && c <= '9' ? c - '0' : 0; };
  auto pair = [&](std::size_t at) { return static_cast<long>(digit(d[at]) * 10 + digit(d[at + 1])); };
  const Clock c = LabelClock(rate);
  long ms = RoundDiv(pair(6) * 1000L * c.den, c.num);
  if (ms >= 0 && ms <= 999) {
    // The common case: the label's own fields, written as they stand.
    char b[8] = {d[0], d[1], ':', d[2], d[3], ':', d[4], d[5]};
    out.append(b, 8);
    out.append(sep);
    const char m[3] = {static_cast<char>('0' + ms / 100), static_cast<char>('0' + ms / 10 % 10),
                       static_cast<char>('0' + ms % 10)};
    out.append(m, 3);
    return;
  }
  // A frame number past the rate's range: whole seconds carry upwards.
  long h = pair(0), m = pair(2), sec = pair(4) + ms / 1000;
  ms %= 1000;
  m += sec / 60;
  sec %= 60;
  h += m / 60;
  m %= 60;
  if (h > 99) h = 99, m = 59, sec = 59, ms = 999;
  out += Two(h) + ":" + Two(m) + ":" + Two(sec);
  out.append(sep);
  out += ZeroPad(ms, 3);
}

}  // namespace

std::string LabelMillisText(std::string_view d, std::string_view sep, const FrameRate& rate) {
  std::string out;
  AppendLabelMillisText(out, d, sep, rate);
  return out;
}

bool IsSkippedLabel(std::string_view digits, const FrameRate& rate) {
  if (!rate.dropFrame || digits.size() != 8) return false;
  // Every minute but each tenth: 00 and 01 of its first second.
  return digits[3] != '0' && digits[4] == '0' && digits[5] == '0' && digits[6] == '0' && digits[7] <= '1';
}

CueDigits ClockLabel(long hours, long minutes, long seconds, long frames, const FrameRate& rate) {
  const long base = rate.countingRate();
  seconds += frames / base;
  frames %= base;
  minutes += seconds / 60;
  seconds %= 60;
  hours += minutes / 60;
  minutes %= 60;
  if (hours > 99) return "995959" + Two(base - 1);
  if (hours < 0 || minutes < 0 || seconds < 0 || frames < 0) return Two(hours) + Two(minutes) + Two(seconds) + Two(frames);
  // Every field is below 100 here: four pairs straight from the table.
  CueDigits d(8, '0');
  std::memcpy(d.data(), kPairs.p + 2 * hours, 2);
  std::memcpy(d.data() + 2, kPairs.p + 2 * minutes, 2);
  std::memcpy(d.data() + 4, kPairs.p + 2 * seconds, 2);
  std::memcpy(d.data() + 6, kPairs.p + 2 * frames, 2);
  if (IsSkippedLabel(d, rate)) d[6] = '0', d[7] = '2';
  return d;
}

std::string MillisToLabel(long totalMillis, const FrameRate& rate) {
  if (totalMillis < 0) totalMillis = 0;
  long seconds = totalMillis / 1000;
  // The frame number may round up to a whole second (999 ms at 50 fps): it carries.
  long ff = std::stol(MillisToFrames(static_cast<int>(totalMillis % 1000), rate));
  return DigitsToLabel(ClockLabel(0, 0, seconds, ff, rate));
}

std::string SecondsToLabel(double seconds, const FrameRate& rate) {
  if (seconds < 0) seconds = 0;
  double whole = std::floor(seconds);
  long s = static_cast<long>(whole);
  Clock c = LabelClock(rate);
  long ff = std::lround((seconds - whole) * static_cast<double>(c.num) / c.den);
  return DigitsToLabel(ClockLabel(0, 0, s, ff, rate));
}

double FramesToSeconds(Timecode frames, const FrameRate& rate) {
  return static_cast<double>(frames) * rate.den / rate.num;
}

long FramesToMilliseconds(Timecode frames, const FrameRate& rate) {
  // frames x 1000 x den / num rounded half up, in integers: the largest frame count times
  // 1001000 stays far inside 64 bits.
  return RoundDiv(static_cast<long>(frames) * 1000 * rate.den, rate.num);
}

std::optional<std::string> DurationLabel(std::string_view inCue, std::string_view outCue, const FrameRate& rate) {
  if (!IsCompleteCue(inCue) || !IsCompleteCue(outCue)) return std::string("__:__");
  long d = static_cast<long>(LabelToFrames(outCue, rate)) - LabelToFrames(inCue, rate);
  if (d < 0) return std::nullopt;
  long base = rate.countingRate();
  std::string s = Two(d / base) + ":" + Two(d % base);
  return s.size() > 5 ? std::string("99:00") : s;
}

bool IsLabelShape(std::string_view t) {
  return t.size() == 11 && t[2] == ':' && t[5] == ':' && (t[8] == ':' || t[8] == ';' || t[8] == '.');
}

bool IsValidCue(std::string_view text, const FrameRate& rate) {
  // The digits without separators, gathered in place (this runs for every cue of a check).
  char digits[8];
  std::size_t n = 0;
  for (char c : text) {
    if (c == ':' || c == ';' || c == '.') continue;
    if (n == 8) return false;
    digits[n++] = c;
  }
  const std::string_view d(digits, n);
  if (!IsCompleteCue(d)) return false;
  int mm = (d[2] - '0') * 10 + (d[3] - '0');
  int ss = (d[4] - '0') * 10 + (d[5] - '0');
  int ff = (d[6] - '0') * 10 + (d[7] - '0');
  if (mm > 59 || ss > 59 || IsSkippedLabel(d, rate)) return false;
  int limit = 99;
  switch (rate.countingRate()) {
    case 25: limit = 24; break;
    case 30: limit = 29; break;
    case 24: limit = 23; break;
    case 60: limit = 59; break;
    default: break;  // 15, 48 and 50 fps: no limit on the frames pair
  }
  return ff <= limit;
}

std::string NormalizeShortLabel(std::string_view text) {
  if (text.size() == 5) return "00:" + std::string(text) + ":00";
  if (text.size() == 8) return "00:" + std::string(text);
  return std::string(text);
}

}  // namespace kipo
