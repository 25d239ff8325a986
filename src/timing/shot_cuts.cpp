#include "timing/shot_cuts.h"

#include <cmath>
#include <cstdlib>

namespace kipo {

namespace {

// Nearest whole number, a half going to the even neighbour.
long long Round(double v) { return static_cast<long long>(std::nearbyint(v)); }

}  // namespace

std::vector<std::int16_t> DetectShotCuts(const std::vector<std::int32_t>& m, int sensitivity) {
  std::vector<std::int16_t> cuts(m.size(), 0);
  if (m.size() < 2) return cuts;
  const long long n = static_cast<long long>(m.size()) - 1;
  const long long k = Round(sensitivity / 10.0);

  long long sum = 0, steps = 0;
  for (long long f = 1; f <= n; ++f) {
    sum += m[f];
    steps += std::llabs(static_cast<long long>(m[f]) - m[f - 1]);
  }
  const long long mean = Round(static_cast<double>(sum) / n);
  const long long meanStep = Round(static_cast<double>(steps) / n);

  // The average of the frames x - 2 ... x that exist, rounded; 0 when none does.
  auto window = [&](long long x) -> long long {
    long long s = 0, count = 0;
    for (long long i = x - 2; i <= x; ++i)
      if (i >= 0 && i <= n) s += m[i], ++count;
    return count ? Round(static_cast<double>(s) / count) : 0;
  };

  for (long long f = 1; f <= n; ++f) {
    const long long cur = m[f];
    const long long prev = f == 1 ? 0 : m[f - 1];
    const long long next = f == n ? m[n] : m[f + 1];
    long long base = Round((window(f - 3) + window(f - 2) + window(f - 1)) / 3.0);
    if (base == 0) base = 1;
    if (cur - prev <= meanStep || cur - next <= meanStep) continue;
    if (cur < base * k) continue;
    if (cur > mean) cuts[f] = -1;
  }
  return cuts;
}

std::vector<std::int32_t> ShotCutFrames(const std::vector<std::int16_t>& flags) {
  std::vector<std::int32_t> frames;
  for (std::size_t f = 0; f < flags.size(); ++f)
    if (flags[f]) frames.push_back(static_cast<std::int32_t>(f));
  return frames;
}

}  // namespace kipo
