#include "timing/cue_conversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

#include "platform/user_error.h"

namespace kipo {
namespace {

using M = ConversionMethod;
using C = Conversion;

SubtitleDocument Doc(int rateCode, std::vector<std::pair<std::string, std::string>> cues) {
  SubtitleDocument d;
  d.SetFrameRate(rateCode);
  for (auto& [in, out] : cues) {
    Subtitle s;
    s.text = "x";
    s.inCue = in;
    s.outCue = out;
    d.Append(s);
  }
  d.modified = false;
  return d;
}

std::string In(const SubtitleDocument& d, std::size_t i) { return d.At(i).inCue; }
std::string Out(const SubtitleDocument& d, std::size_t i) { return d.At(i).outCue; }

// The worked examples: one cue each, converted with the default factors.
TEST(ConvertCues, WorkedExamples) {
  struct Case {
    const char* what;
    M method;
    C conversion;
    int startHour;
    const char* cue;
    const char* expected;
    int rateCode;
  };
  const Case cases[] = {
      {"simple PAL to NDF: 24 frames x 0.999 = 23.976 -> 24, field 24 x 30/25 = 28.8 -> 29", M::Simple,
       C::PalToNonDrop, 10, "10000024", "10000029", 30},
      {"linear keeps the count: 25 frames at 30 fps", M::Linear, C::PalToNonDrop, 0, "00000100", "00000025", 30},
      {"linear into drop-frame: count 1800 moves to 1802 (label 00:01:00:04)", M::Linear, C::PalToDropFrame, 0,
       "00011200", "00010004", 29},
      {"... count 1801 moves to 1803", M::Linear, C::PalToDropFrame, 0, "00011201", "00010005", 29},
      {"... count 18000 stays", M::Linear, C::PalToDropFrame, 0, "00120000", "00100018", 29},
      {"... count 18001 stays", M::Linear, C::PalToDropFrame, 0, "00120001", "00100019", 29},
      {"telecine 24 to PAL: 1440 x 0.96 = 1382.4 -> 00:00:57:14, field 14 x 25/24 -> 15", M::Telecine,
       C::Fps24ToPal, 0, "00010000", "00005715", 25},
      {"telecine with the start hour put back", M::Telecine, C::Fps24ToPal, 1, "01010000", "01005715", 25},
      {"simple drop-frame to non-drop: count 1800 written without skipped labels", M::Simple,
       C::DropFrameToNonDrop, 0, "00010002", "00010000", 30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SubtitleDocument d = Doc(25, {{c.cue, ""}});
    ConversionOutcome r = ConvertCues(d, c.method, c.conversion, c.startHour);
    EXPECT_TRUE(r.converted);
    EXPECT_EQ(In(d, 0), c.expected);
    EXPECT_EQ(Out(d, 0), "") << "an out cue that is not set stays not set";
    EXPECT_EQ(d.frameRate().code, c.rateCode);
    EXPECT_TRUE(d.modified);
  }
}

TEST(ConvertCues, ListsAndLabels) {
  ASSERT_EQ(ConversionLabels().size(), static_cast<std::size_t>(kConversionCount));
  EXPECT_EQ(ConversionLabel(C::Fps25To15), "25 fps to 15 fps");
  EXPECT_EQ(ConversionLabel(C::DropFrameTo23976), "NSTC Drop Frame to 23.976 fps");
  EXPECT_EQ(ConversionLabel(C::NonDropTo23976), "NSTC Non-Drop to 23.976 fps");
  EXPECT_EQ(ConversionLabel(C::PalToNonDrop), "PAL to NTSC Non-Drop");
  EXPECT_EQ(FindConversion("pal to 23.976 FPS"), C::PalTo23976);
  EXPECT_EQ(FindConversion("PAL to 23 fps"), std::nullopt);
  EXPECT_EQ(FindConversion("NTSC Drop Frame to 23.976 fps"), C::DropFrameTo23976);
  EXPECT_EQ(ConversionAt(20), C::PalToNonDrop);
  EXPECT_EQ(ConversionAt(21), std::nullopt);
  EXPECT_EQ(FindConversionMethod("Telecine conversion"), M::Telecine);

  // How many conversions each method has a rule for, and the rows no method has.
  int rules[3] = {0, 0, 0};
  for (int m = 0; m < 3; ++m)
    for (int i = 0; i < kConversionCount; ++i) rules[m] += MethodConverts(M(m), C(i));
  EXPECT_EQ(rules[0], 9);
  EXPECT_EQ(rules[1], 20);
  EXPECT_EQ(rules[2], 12);
  for (int m = 0; m < 3; ++m) EXPECT_FALSE(MethodConverts(M(m), C::DropFrameTo24));
}

// The rows whose outcome had to be chosen here (docs/retiming.md), and the rate each method
// leaves.
TEST(ConvertCues, ResultRates) {
  struct Case {
    M method;
    C conversion;
    int code;
  };
  const Case cases[] = {
      {M::Linear, C::DropFrameTo23976, 23}, {M::Simple, C::NonDropToDropFrame, 29},
      {M::Telecine, C::DropFrameToNonDrop, 30}, {M::Telecine, C::NonDropToDropFrame, 29},
      {M::Linear, C::Fps25To15, 15},        {M::Linear, C::Fps24To23976, 23},
      {M::Telecine, C::Fps23976To24, 24},   {M::Simple, C::PalToDropFrame, 29},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ConversionLabel(c.conversion));
    SubtitleDocument d = Doc(25, {{"00000000", "00000100"}});
    ConvertCues(d, c.method, c.conversion, 0);
    EXPECT_EQ(d.frameRate().code, c.code);
    EXPECT_EQ(ConversionResultRate(c.method, c.conversion), c.code);
  }
}

TEST(ConvertCues, WithoutARuleNothingChanges) {
  SubtitleDocument d = Doc(29, {{"00000100", "00000200"}});
  const SubtitleDocument before = d;
  bool called = false;
  for (int m = 0; m < 3; ++m) {
    ConversionOutcome r = ConvertCues(d, M(m), C::DropFrameTo24, 0, {}, [&](std::size_t, std::size_t) { called = true; });
    EXPECT_FALSE(r.converted);
  }
  EXPECT_FALSE(called);
  EXPECT_EQ(d.Subtitles(), before.Subtitles());
  EXPECT_EQ(d.frameRate(), before.frameRate());
  EXPECT_FALSE(d.modified);
}

// Cues the conversion cannot handle stop it before anything changes.
TEST(ConvertCues, RefusalsLeaveTheDocumentAlone) {
  struct Case {
    const char* what;
    M method;
    C conversion;
    int startHour;
    std::pair<std::string, std::string> cues;
    const char* text;
  };
  const Case cases[] = {
      {"a cue before the start hour", M::Telecine, C::PalTo24, 10, {"10000000", "09595900"},
       "Subtitle 2 has a cue before the start hour (10:00:00:00).\n"
       "Choose the hour of the earliest cue as the start hour."},
      {"slower labels pass 99 hours", M::Linear, C::Fps25To15, 0, {"00000000", "70000000"},
       "Subtitle 2 would pass 99:59:59:14 after the conversion.\nNothing was converted."},
      {"restored hours pass 99", M::Telecine, C::PalTo24, 10, {"10000000", "99000000"},
       "Subtitle 2 would pass 99:59:59:23 after the conversion.\nNothing was converted."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SubtitleDocument d = Doc(25, {{"10000000", "10000100"}, c.cues});
    const SubtitleDocument before = d;
    bool called = false;
    try {
      ConvertCues(d, c.method, c.conversion, c.startHour, {}, [&](std::size_t, std::size_t) { called = true; });
      ADD_FAILURE() << "converted";
    } catch (const UserError& e) {
      EXPECT_EQ(e.title(), "Cue conversion");
      EXPECT_EQ(e.text(), c.text);
    }
    EXPECT_FALSE(called);
    EXPECT_EQ(d.Subtitles(), before.Subtitles());
    EXPECT_EQ(d.frameRate().code, 25);
  }
  // Linear conversions do not rebase, so an early hour is no problem for them.
  SubtitleDocument d = Doc(25, {{"10000000", "09000000"}});
  EXPECT_TRUE(ConvertCues(d, M::Linear, C::PalTo24, 10).converted);
}

TEST(ConvertCues, StartHourDefaultsToTheFirstInCue) {
  EXPECT_EQ(DefaultStartHour(Doc(25, {{"10593000", ""}, {"01000000", ""}})), 10);
  EXPECT_EQ(DefaultStartHour(Doc(25, {{"", "10000000"}})), 0);
  EXPECT_EQ(DefaultStartHour(SubtitleDocument{}), 0);
}

TEST(ConvertCues, FactorsAndChoicesInTheSettings) {
  SettingsStore s;
  EXPECT_EQ(LoadTelecineFactors(s), TelecineFactors{});
  EXPECT_EQ(LoadTelecineFactors(s).palToNdf, 1.04166);
  EXPECT_EQ(LoadTelecineFactors(s).palTo24, 1.041666);
  EXPECT_EQ(TelecineFactorTable().Names().size(), 9u);

  EXPECT_TRUE(TelecineFactorTable().SetFromText(s, "24 to PAL", "0.5"));
  EXPECT_FALSE(TelecineFactorTable().SetFromText(s, "23 to 24", "fast"));
  EXPECT_FALSE(TelecineFactorTable().SetFromText(s, "23 to 24", "-1"));
  s.Set(kDfToPalFactor, "1,2");  // unreadable: the default counts
  TelecineFactors f = LoadTelecineFactors(s);
  EXPECT_EQ(f.fps24ToPal, 0.5);
  EXPECT_EQ(f.dfToPal, 0.95904);

  // The stored factor is what the conversion scales by: 1440 x 0.5 = 720 = 00:00:30:00.
  SubtitleDocument d = Doc(24, {{"00010000", ""}});
  ConvertCues(d, M::Telecine, C::Fps24ToPal, 0, f);
  EXPECT_EQ(In(d, 0), "00003000");

  f.palTo23976 = 1.25;
  SaveTelecineFactors(s, f);
  EXPECT_EQ(s.Get(kPalTo23Factor), "1.25");
  RestoreDefaultTelecineFactors(s);
  EXPECT_EQ(LoadTelecineFactors(s), TelecineFactors{});
  EXPECT_EQ(s.Get(kPalToNdfFactor), "1.04166");

  EXPECT_EQ(LoadConversionChoices(s), ConversionChoices{});
  ConversionChoices c{1, M::Telecine, C::PalTo23976};
  SaveConversionChoices(s, c);
  EXPECT_EQ(s.Get(kConversionChoice), 17);
  EXPECT_EQ(LoadConversionChoices(s), c);
  s.Set(kConversionMethodChoice, 7);  // out of range: the default
  EXPECT_EQ(LoadConversionChoices(s).method, M::Simple);
}

// --- an independent model of the three methods, from frames and seconds

struct Std {
  int fps;  // labels per second
  bool drop;
};
const Std k15{15, false}, k24{24, false}, k25{25, false}, k30{30, false}, kDf{30, true};

struct Label {
  long h, m, s, f;
};

long Count(const Label& l, const Std& r) {
  long labels = (l.h * 3600 + l.m * 60 + l.s) * r.fps + l.f;
  if (!r.drop) return labels;
  long minutes = l.h * 60 + l.m;
  return labels - 2 * (minutes - minutes / 10);  // two labels skipped a minute, not every tenth
}

Label FromCount(long n, const Std& r) {
  long seconds, f;
  if (!r.drop) {
    seconds = n / r.fps, f = n % r.fps;
  } else {
    // Ten minutes hold 17982 frames: a full first minute of 1800, then nine of 1798 that
    // start at label 02.
    long tens = n / 17982, rest = n % 17982, minute = 0, within = rest;
    if (rest >= 1800) minute = 1 + (rest - 1800) / 1798, within = (rest - 1800) % 1798 + 2;
    seconds = (tens * 10 + minute) * 60 + within / 30, f = within % 30;
  }
  return {seconds / 3600, seconds / 60 % 60, seconds % 60, f};
}

std::string Digits(const Label& l) {
  char b[16];
  std::snprintf(b, sizeof b, "%02ld%02ld%02ld%02ld", l.h, l.m, l.s, l.f);
  return b;
}

struct Model {
  M method;
  C conversion;
  Std from, to;
  double k = 0;                   // scale (0: none)
  double refitFrom = 0, refitTo = 0;
};

std::string Expected(const Model& m, Label l, int startHour) {
  if (m.method == M::Linear || (m.method == M::Simple && m.refitFrom == 0)) {
    long n = Count(l, m.from);
    if (m.method == M::Linear && m.to.drop && n % 1800 <= 1 && n % 18000 > 1) n += 2;
    return Digits(FromCount(n, m.to));
  }
  l.h -= startHour;
  if (m.k != 0) l = FromCount(static_cast<long>(std::nearbyint(Count(l, m.from) * m.k)), m.from);
  l.f = static_cast<long>(std::floor(l.f * m.refitTo / m.refitFrom + 0.5));
  l.h += startHour;
  return Digits(l);
}

const std::vector<Model>& Models() {
  static const std::vector<Model> v{
      {M::Simple, C::PalToNonDrop, k25, k30, 0.999, 25, 30},
      {M::Simple, C::PalToDropFrame, k25, kDf, 0, 25, 30},
      {M::Simple, C::PalTo24, k25, k24, 0, 25, 24},
      {M::Simple, C::Fps24ToPal, k24, k25, 0, 24, 25},
      {M::Simple, C::NonDropToPal, k30, k25, 1.001, 30, 25},
      {M::Simple, C::DropFrameToPal, kDf, k25, 0, 30, 25},
      {M::Simple, C::NonDropTo24, k30, k24, 1.0, 30, 24},
      {M::Simple, C::DropFrameToNonDrop, kDf, k30},
      {M::Simple, C::NonDropToDropFrame, k30, kDf},
      {M::Linear, C::Fps25To15, k25, k15},
      {M::Linear, C::PalToNonDrop, k25, k30},
      {M::Linear, C::PalToDropFrame, k25, kDf},
      {M::Linear, C::PalTo24, k25, k24},
      {M::Linear, C::Fps24ToPal, k24, k25},
      {M::Linear, C::NonDropToPal, k30, k25},
      {M::Linear, C::DropFrameToPal, kDf, k25},
      {M::Linear, C::NonDropTo24, k30, k24},
      {M::Linear, C::DropFrameToNonDrop, kDf, k30},
      {M::Linear, C::NonDropToDropFrame, k30, kDf},
      {M::Linear, C::PalTo23976, k25, k24},
      {M::Linear, C::NonDropTo23976, k30, k24},
      {M::Linear, C::Fps24To23976, k24, k24},
      {M::Linear, C::Fps23976ToPal, k24, k25},
      {M::Linear, C::Fps23976To24, k24, k24},
      {M::Linear, C::Fps23976ToNonDrop, k24, k30},
      {M::Linear, C::Fps23976ToDropFrame, k24, kDf},
      {M::Linear, C::Fps24ToNonDrop, k24, k30},
      {M::Linear, C::Fps24ToDropFrame, k24, kDf},
      {M::Linear, C::DropFrameTo23976, kDf, k24},
      {M::Telecine, C::PalToNonDrop, k25, k30, 1.04166, 25, 30},
      {M::Telecine, C::PalToDropFrame, k25, kDf, 1.042708, 25, 30},
      {M::Telecine, C::PalTo24, k25, k24, 1.041666, 25, 24},
      {M::Telecine, C::PalTo23976, k25, k24, 1.042708375, 25, 24},
      {M::Telecine, C::NonDropToPal, k30, k25, 0.96, 30, 25},
      {M::Telecine, C::DropFrameToPal, kDf, k25, 0.95904, 30, 25},
      {M::Telecine, C::Fps24ToPal, k24, k25, 0.96, 24, 25},
      {M::Telecine, C::Fps23976ToPal, k24, k25, 0.95904, 24, 25},
      {M::Telecine, C::Fps23976To24, k24, k24, 1.001001, 23.976, 24},
      {M::Telecine, C::Fps24To23976, k24, k24, 0.999000999, 24, 23.976},
      {M::Telecine, C::NonDropToDropFrame, k30, kDf, 0.999, 1, 1},
      {M::Telecine, C::DropFrameToNonDrop, kDf, k30, 1.001, 1, 1},
  };
  return v;
}

TEST(ConvertCues, RandomCuesAgreeWithFramesAndSeconds) {
  std::mt19937 rng(20261206);
  int models[3] = {0, 0, 0};
  for (const Model& m : Models()) {
    SCOPED_TRACE(ConversionMethodLabels()[static_cast<int>(m.method)] + ": " + ConversionLabel(m.conversion));
    ++models[static_cast<int>(m.method)];
    const int startHour = std::uniform_int_distribution<int>(0, 20)(rng);
    std::vector<Label> labels;
    while (labels.size() < 120) {
      auto pick = [&](long hi) { return std::uniform_int_distribution<long>(0, hi)(rng); };
      Label l{startHour + pick(m.method == M::Linear ? 10 : 3), pick(59), pick(59), pick(m.from.fps - 1)};
      if (labels.size() < 6) l = {startHour, 0, 0, static_cast<long>(labels.size())};  // the very start
      if (m.from.drop && l.m % 10 != 0 && l.s == 0 && l.f < 2) continue;  // no such label
      labels.push_back(l);
    }
    std::vector<std::pair<std::string, std::string>> cues;
    for (std::size_t i = 0; i + 1 < labels.size(); i += 2) cues.push_back({Digits(labels[i]), Digits(labels[i + 1])});
    SubtitleDocument d = Doc(25, cues);
    ASSERT_TRUE(ConvertCues(d, m.method, m.conversion, startHour).converted);
    for (std::size_t i = 0; i < cues.size(); ++i) {
      ASSERT_EQ(In(d, i), Expected(m, labels[2 * i], startHour)) << "from " << cues[i].first;
      ASSERT_EQ(Out(d, i), Expected(m, labels[2 * i + 1], startHour)) << "from " << cues[i].second;
    }
  }
  EXPECT_EQ(models[0], 9);
  EXPECT_EQ(models[1], 20);
  EXPECT_EQ(models[2], 12);
}

}  // namespace
}  // namespace kipo
