#include "timing/subtitle_checks.h"

#include <gtest/gtest.h>

#include "support/timed_subtitle.h"

#include "settings/settings_store.h"
#include "timing/error_list.h"

namespace kipo {
namespace {

using test::kPal;
constexpr auto Sub = test::TimedSub;

// Every switch on except the ones a test turns on itself; the house defaults otherwise
// (15 cps, durations 25-175, interval 4, threshold 12, 2 rows of 37 characters).
CheckSettings Settings() {
  CheckSettings s;
  s.house.closedCaptionChecks = false;
  return s;
}

std::vector<Finding> Faults(const SubtitleDocument& d, std::size_t i, const CheckSettings& s,
                            CheckMode mode = CheckMode::ErrorList) {
  std::vector<Finding> f;
  CollectFaults(d, i, s, mode, f);
  return f;
}

bool Has(const std::vector<Finding>& f, Fault x) {
  for (const Finding& g : f)
    if (g.fault == x) return true;
  return false;
}

TEST(SubtitleChecks, IntervalToTheNextSubtitle) {
  CheckSettings s = Settings();
  struct Case {
    Timecode gap;
    bool fault;
  };
  // Interval 4, threshold 12: below the interval and just above it are faults, the exact
  // interval and a scene break are not.
  for (Case k : {Case{3, true}, Case{4, false}, Case{5, true}, Case{12, true}, Case{13, false}, Case{-10, true}}) {
    SCOPED_TRACE("gap " + std::to_string(k.gap));
    SubtitleDocument d;
    d.Append(Sub("One", 100, 150));
    d.Append(Sub("Two", 150 + k.gap, 300));
    EXPECT_EQ(Has(Faults(d, 0, s), Fault::InvalidInterval), k.fault);
  }
  SubtitleDocument d;
  d.Append(Sub("One", 100, 150));
  d.Append(Sub("Two", 155, 300));
  {
    SCOPED_TRACE("karaoke subtitles are exempt");
    SubtitleDocument k = d;
    k.SetKaraoke(0, 2, 0, 0);
    EXPECT_FALSE(Has(Faults(k, 0, s), Fault::InvalidInterval));
  }
  {
    SCOPED_TRACE("a profile that ignores the check wins over the option");
    CheckSettings ignored = s;
    ignored.house.invalidInterval.ignored = true;
    ignored.house.invalidInterval.forced = true;
    EXPECT_FALSE(Has(Faults(d, 0, ignored), Fault::InvalidInterval));
  }
  {
    SCOPED_TRACE("no next in cue: nothing to measure");
    SubtitleDocument n = d;
    n.SetInCue(1, "");
    EXPECT_FALSE(Has(Faults(n, 0, s), Fault::InvalidInterval));
  }
}

TEST(SubtitleChecks, ReadingSpeedJustUnderAndOver) {
  CheckSettings s = Settings();
  SubtitleDocument d;
  d.Append(Sub(std::string(30, 'a'), 0, 50));  // 30 characters in 2 s: 15 cps
  d.Append(Sub(std::string(30, 'a'), 100, 147));  // 1.88 s: 16 cps
  {
    SCOPED_TRACE("the error list compares characters per second with the reading speed");
    EXPECT_FALSE(Has(Faults(d, 0, s), Fault::ReadingSpeed));
    EXPECT_TRUE(Has(Faults(d, 1, s), Fault::ReadingSpeed));
    EXPECT_EQ(RunText(Faults(d, 1, s, CheckMode::Run).back(), 37), "Reading speed too fast");
  }
  {
    SCOPED_TRACE("the single-subtitle check wants the required duration, less the tolerance");
    EXPECT_EQ(CheckSubtitle(d, 0, s), "");
    EXPECT_EQ(CheckSubtitle(d, 1, s), "Insufficient reading speed");  // needs 50, has 47
    CheckSettings tolerant = s;
    tolerant.house.readingTolerance = 5;  // 47.5 > 47
    EXPECT_EQ(CheckSubtitle(d, 1, tolerant), "Insufficient reading speed");
    tolerant.house.readingTolerance = 10;  // 45 <= 47
    EXPECT_EQ(CheckSubtitle(d, 1, tolerant), "");
  }
  {
    SCOPED_TRACE("short texts are skipped below the threshold");
    SubtitleDocument shortText;
    shortText.Append(Sub("ab", 0, 1));
    CheckSettings below = s;
    below.house.ignoreReadingBelow = 5;
    EXPECT_FALSE(Has(Faults(shortText, 0, below), Fault::ReadingSpeed));
    EXPECT_TRUE(Has(Faults(shortText, 0, s), Fault::ReadingSpeed));
  }
}

TEST(SubtitleChecks, RowsBlankRowsAndRowLength) {
  CheckSettings s = Settings();
  SubtitleDocument d;
  d.Append(Sub("One\r\nTwo", 0, 50));
  d.Append(Sub("One\r\nTwo\r\nThree", 100, 150));
  d.Append(Sub("One\r\n\r\nThree", 200, 250));
  d.Append(Sub("Short\r\n" + std::string(38, 'x') + "\r\n<" + std::string(37, 'y') + ">", 300, 400));
  EXPECT_TRUE(Faults(d, 0, s).empty());
  auto three = Faults(d, 1, s, CheckMode::Run);
  ASSERT_EQ(three.size(), 1u);
  EXPECT_EQ(ListText(three[0]), "Subtitle contains too many lines");
  EXPECT_EQ(RunText(three[0], 37), "Subtitle contains 3 lines");
  EXPECT_TRUE(Has(Faults(d, 2, s), Fault::BlankRows));
  CheckSettings allow = s;
  allow.house.allowBlankLines = true;
  EXPECT_FALSE(Has(Faults(d, 2, allow), Fault::BlankRows));
  {
    SCOPED_TRACE("row length counts visible characters, one fault per row");
    auto f = Faults(d, 3, s);
    std::vector<std::string> texts;
    for (const auto& x : f)
      if (x.fault == Fault::TooManyCharacters) texts.push_back(ListText(x) + " / " + RunText(x, 37));
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "Line2 contains too many characters / Line2 contains more than 37 characters");
  }
  {
    SCOPED_TRACE("a profile can force the rows check on");
    CheckSettings off = s;
    off.house.tooManyRows.enabled = false;
    EXPECT_FALSE(Has(Faults(d, 1, off), Fault::TooManyRows));
    off.house.tooManyRows.forced = true;
    EXPECT_TRUE(Has(Faults(d, 1, off), Fault::TooManyRows));
  }
}

// A display where a character is 10 pixels wide, 12 in italics and 11 in bold, with a safe
// area of 300 pixels: 30 plain characters fit, 25 italic ones.
class TenPixelDisplay : public RowMeasure {
 public:
  double Width(std::string_view plain, bool bold, bool italic) const override {
    double n = 0;
    for (char c : plain) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n * (italic ? 12 : bold ? 11 : 10);
  }
  double SafeWidth() const override { return 300; }
};

TEST(SubtitleChecks, SafeAreaAndSoftWrapAreMeasuredByTheDisplay) {
  const TenPixelDisplay display;
  CheckSettings s = Settings();
  s.house.tooManyChars.enabled = false;  // the row length has its own check
  s.display = &display;
  const std::string fits(30, 'a'), over(31, 'a'), italicFits(25, 'i'), italicOver(26, 'i');
  struct Case {
    const char* what;
    std::string text;
    bool italic;
    bool safeArea;       // "Safe area override"
    const char* run;     // the run's first text; "" when the run finds nothing
  };
  const Case cases[] = {
      {"a row that just fits", fits + "\r\nshort", false, false, ""},
      {"one pixel more on the second row", "short\r\n" + over, false, true, "Safe area override"},
      {"a colour code takes no room", "\x03" + fits, false, false, ""},
      {"italic markup widens the run inside it", "<" + italicOver + ">", false, true, "Safe area override"},
      {"the whole-subtitle italic flag widens every row", italicOver, true, true, "Safe area override"},
      {"an accented letter is one character, not two bytes",
       std::string(15, 'a') + std::string(15, 'x').replace(0, 1, "\xC3\xA9"), false, false, ""},
      {"a word after a wide row wraps onto a row of its own", over + "\r\n" + over + " b", false, true,
       "Subtitle contains 3 lines (soft wrap)"},
      {"a single long word cannot wrap", std::string(40, 'w') + "\r\nb", false, true, "Safe area override"},
      {"words wrap at spaces, past the limit", "aaaa aaaa aaaa aaaa aaaa aaaa aaaa\r\nb", false, true,
       "Subtitle contains 3 lines (soft wrap)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SubtitleDocument d;
    Subtitle sub = Sub(c.text, 0, 150);
    sub.italic = c.italic;
    d.Append(sub);
    EXPECT_EQ(Has(Faults(d, 0, s), Fault::SafeAreaOverride), c.safeArea);
    const auto run = Faults(d, 0, s, CheckMode::Run);
    EXPECT_EQ(run.empty() ? std::string() : RunText(run.front(), 37), c.run);
    // The list names rows only by the text's own rows; the single-subtitle text measures nothing.
    EXPECT_FALSE(Has(Faults(d, 0, s), Fault::TooManyRows));
    EXPECT_EQ(CheckSubtitle(d, 0, s), "");
  }
  SCOPED_TRACE("without a display, or with the check off, nothing is measured");
  SubtitleDocument d;
  d.Append(Sub(over + "\r\n" + over, 0, 150));
  CheckSettings none = Settings();
  none.house.tooManyChars.enabled = false;
  EXPECT_TRUE(Faults(d, 0, none, CheckMode::Run).empty());
  CheckSettings off = s;
  off.house.safeAreaOverride.enabled = false;
  EXPECT_FALSE(Has(Faults(d, 0, off), Fault::SafeAreaOverride));
  EXPECT_EQ(SoftWrappedRows(over + "\r\n" + over, false, {}, display), 2);
  EXPECT_EQ(SoftWrappedRows("a b c d e f g h i j k l m n o p q r s t", false, {}, display), 2);
}

TEST(SubtitleChecks, ItalicsRaisedAndEmpty) {
  CheckSettings s = Settings();
  SubtitleDocument d;
  d.Append(Sub("<Hello", 0, 50));
  d.Append(Sub("<Hello>", 100, 150));
  d.Append(Sub("Hi <there>", 200, 250));
  d.SetItalic(2, true);
  d.Append(Sub("Raised", 300, 350));
  d.SetRow(3, 1);
  d.Append(Sub("", 400, 450));
  EXPECT_EQ(CheckSubtitle(d, 0, s), "Mismatched italics");
  EXPECT_EQ(CheckSubtitle(d, 1, s), "");
  EXPECT_EQ(CheckSubtitle(d, 2, s), "Invalid use of italics");
  EXPECT_EQ(CheckSubtitle(d, 3, s), "Subtitle has been raised");
  EXPECT_EQ(RunText(Faults(d, 3, s, CheckMode::Run)[0], 37), "This subtitle has been raised");
  EXPECT_EQ(CheckSubtitle(d, 4, s), "Subtitle is empty");
  d.SetRow(3, 0);
  EXPECT_EQ(CheckSubtitle(d, 3, s), "");
}

TEST(SubtitleChecks, CuesAndDurations) {
  CheckSettings s = Settings();
  SubtitleDocument d;
  d.Append(Sub("Equal", 100, 100));
  d.Append(Sub("Long", 200, 700));
  d.Append(Sub("Before the last out", 50, 900));
  Subtitle unset = Sub("Unset", 0, 0);
  unset.inCue = Cue();
  unset.outCue = "0001";
  d.Append(unset);
  d.Append(Sub("Bad frames", 2000, 2100));
  d.SetInCue(4, "00010030");  // frame 30 at 25 fps
  {
    SCOPED_TRACE("out equal to in: too short and negative");
    auto f = Faults(d, 0, s);
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(ListText(f[0]), "Duration too short");
    EXPECT_EQ(ListText(f[1]), "Negative subtitle duration");
    EXPECT_EQ(RunText(f[1], 37), "Negative duration");
    EXPECT_EQ(CheckSubtitle(d, 0, s),
              "Duration too short/long\r\nNegative subtitle duration\r\nInsufficient reading speed");
  }
  {
    SCOPED_TRACE("\"Ignore duration too long\" keeps too short");
    EXPECT_TRUE(Has(Faults(d, 1, s), Fault::DurationTooLong));
    CheckSettings ignore = s;
    SettingsStore store;
    store.SetBool("Options", "Ignore duration too long", true);
    ignore = CheckSettings::Load(s.house, store);
    EXPECT_FALSE(Has(Faults(d, 1, ignore), Fault::DurationTooLong));
    EXPECT_TRUE(Has(Faults(d, 0, ignore), Fault::DurationTooShort));
  }
  EXPECT_TRUE(Has(Faults(d, 2, s), Fault::InconsistentInCue));
  {
    SCOPED_TRACE("cue not set, and a cue of fewer than eight digits");
    auto f = Faults(d, 3, s);
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(ListText(f[0]), "In cue not set");
    EXPECT_EQ(ListText(f[1]), "Invalid cue");
  }
  {
    SCOPED_TRACE("a cue that is no timecode gets its format fault and no timing faults");
    auto f = Faults(d, 4, s);
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(ListText(f[0]), "Invalid in cue format");
  }
  {
    SCOPED_TRACE("drop-frame labels that do not exist: 00 and 01 of minute 1");
    SubtitleDocument df;
    df.SetFrameRate(29);
    df.Append(Sub("Skipped", 2000, 2100));
    df.SetInCue(0, "00010001");
    df.SetOutCue(0, "00010000");
    auto f = Faults(df, 0, s);
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(ListText(f[0]), "Invalid in cue format");
    EXPECT_EQ(ListText(f[1]), "Invalid out cue format");
    df.SetInCue(0, "00100000");  // each tenth minute keeps them
    df.SetOutCue(0, "00100100");
    EXPECT_FALSE(Has(Faults(df, 0, s), Fault::InvalidInCueFormat));
  }
}

TEST(SubtitleChecks, ReportsInCatalogueOrder) {
  CheckSettings s = Settings();
  SubtitleDocument d;
  d.Append(Sub("<a\r\n\r\nc\r\n" + std::string(40, 'd'), 100, 101));
  d.SetItalic(0, true);
  d.SetRow(0, 2);
  d.Append(Sub("next", 103, 200));
  std::vector<Fault> got;
  for (const auto& f : Faults(d, 0, s)) got.push_back(f.fault);
  std::vector<Fault> want{Fault::MismatchedItalics, Fault::InvalidItalics, Fault::DurationTooShort,
                          Fault::TooManyRows,       Fault::BlankRows,      Fault::ReadingSpeed,
                          Fault::InvalidInterval,   Fault::TooManyCharacters, Fault::Raised};
  EXPECT_EQ(got, want);
  // The catalogue itself is in number order.
  int n = 1;
  for (const FaultInfo& i : FaultCatalogue()) EXPECT_EQ(static_cast<int>(i.fault), n++);
}

TEST(SubtitleChecks, KaraokeIntervalOnlyInTheRunWithCaptionChecks) {
  CheckSettings s = Settings();
  SubtitleDocument d;
  d.Append(Sub("Sing", 100, 150));
  d.Append(Sub("along", 151, 200));
  d.SetKaraoke(0, 1, 0, 0);
  d.SetKaraoke(1, 2, 0, 0);
  EXPECT_FALSE(Has(Faults(d, 1, s, CheckMode::Run), Fault::KaraokeInterval));
  s.house.closedCaptionChecks = true;
  auto f = Faults(d, 1, s, CheckMode::Run);
  ASSERT_TRUE(Has(f, Fault::KaraokeInterval));
  EXPECT_EQ(RunText(f.back(), 37), "Karaoke interval should be 0 frames");
  EXPECT_TRUE(BuildErrorList(d, s).empty()) << "not an error-list fault";
  d.SetInCue(1, FramesToDigits(150, kPal));
  EXPECT_FALSE(Has(Faults(d, 1, s, CheckMode::Run), Fault::KaraokeInterval));
}

}  // namespace
}  // namespace kipo
