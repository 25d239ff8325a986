// Detection of shot cuts from the per-frame change measure.
#include <gtest/gtest.h>

#include <random>

#include "timing/shot_cuts.h"

namespace kipo {
namespace {

// A measure of `frames` frames at `level`, with values set at given frames.
std::vector<std::int32_t> Measure(std::size_t frames, std::int32_t level,
                                  std::initializer_list<std::pair<int, std::int32_t>> at) {
  std::vector<std::int32_t> m(frames, level);
  for (auto [f, v] : at) m[f] = v;
  return m;
}

TEST(ShotCuts, Detection) {
  struct Case {
    const char* what;
    std::vector<std::int32_t> measure;
    int sensitivity;
    std::vector<std::int32_t> cuts;
  } cases[] = {
      {"a sharp single-frame peak is a cut", Measure(30, 0, {{10, 5000}}), 30, {10}},
      {"each of several peaks", Measure(60, 10, {{10, 5000}, {25, 3000}, {40, 6000}}), 30, {10, 25, 40}},
      {"a two-frame plateau (a flash) is no cut however large", Measure(30, 0, {{10, 9000}, {11, 9000}}), 30, {}},
      {"a rise over two frames is no cut", Measure(30, 0, {{9, 1000}, {10, 1040}, {11, 0}}), 30, {}},
      {"the last frame is never a cut", Measure(30, 0, {{29, 5000}}), 30, {}},
      {"frame 0 is never a cut", Measure(30, 0, {{0, 5000}}), 30, {}},
      // Frame 1 is compared with 0, not with frame 0's measure: with frame 0's value
      // the two equal values would make a plateau.
      {"frame 1 against nothing before it", Measure(22, 0, {{0, 900}, {1, 900}}), 30, {1}},
      // The peak must reach k times the level of the frames before it; k = 25/10 = 2.5
      // goes to the even 2, 35/10 = 3.5 to the even 4.
      {"k rounds half to even (2)", Measure(40, 100, {{20, 200}}), 25, {20}},
      {"k = 2 with a peak just under", Measure(40, 100, {{20, 199}}), 25, {}},
      {"k rounds half to even (4)", Measure(40, 100, {{20, 350}}), 35, {}},
      {"k = 4 with a peak at four times", Measure(40, 100, {{20, 400}}), 35, {20}},
      {"sensitivity 0 takes any sharp peak above the mean", Measure(40, 100, {{20, 130}}), 0, {20}},
      // The level before frame 12 is the busy stretch 6-11 (about 1000): a peak of 2500
      // does not reach three times it, while the same peak after quiet frames does.
      {"a peak after busy frames needs to stand out from them",
       Measure(40, 0, {{6, 1000}, {7, 1000}, {8, 1000}, {9, 1000}, {10, 1000}, {11, 1000}, {12, 2500}, {30, 2500}}),
       30, {30}},
      // A steady rise of the same step each frame (a fade) has no step above the average.
      {"an even ramp is no cut", [] {
         std::vector<std::int32_t> m;
         for (int f = 0; f < 40; ++f) m.push_back(f * 50);
         return m;
       }(),
       0, {}},
      {"no frames", {}, 30, {}},
      {"one frame", {7000}, 30, {}},
      {"two frames", {0, 7000}, 30, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<std::int16_t> flags = DetectShotCuts(c.measure, c.sensitivity);
    ASSERT_EQ(flags.size(), c.measure.size());
    EXPECT_EQ(ShotCutFrames(flags), c.cuts);
    for (std::int16_t f : flags) EXPECT_TRUE(f == 0 || f == -1);
  }
}

// Over random measures (including values near the integer limits, whose sums overflow 32
// bits): flags are 0 or -1, the first and last frames never cut, and a higher sensitivity
// never finds a cut that a lower one missed.
TEST(ShotCuts, PropertiesOverRandomMeasures) {
  std::mt19937 rng(19);
  for (int round = 0; round < 200; ++round) {
    std::vector<std::int32_t> m(2 + rng() % 300);
    const bool huge = round % 5 == 0;
    for (auto& v : m) v = huge ? static_cast<std::int32_t>(rng() % 2000000000u) : static_cast<std::int32_t>(rng() % 3000);
    const auto low = DetectShotCuts(m, 10), high = DetectShotCuts(m, 50);
    ASSERT_EQ(low.size(), m.size());
    EXPECT_EQ(low.front(), 0);
    EXPECT_EQ(low.back(), 0);
    for (std::size_t f = 0; f < m.size(); ++f) {
      EXPECT_TRUE(low[f] == 0 || low[f] == -1);
      if (high[f]) {
        EXPECT_TRUE(low[f]) << "round " << round << " frame " << f;
      }
    }
  }
}

}  // namespace
}  // namespace kipo
