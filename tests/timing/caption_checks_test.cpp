// The closed-caption checks: each runs only with the house switch and its own switch, and
// the send time agrees with what the decoder model shows for our own SCC timing.
#include "timing/caption_checks.h"

#include <gtest/gtest.h>

#include "support/timed_subtitle.h"
#include "timing/error_list.h"

namespace kipo {
namespace {

using test::kPal;
constexpr auto Sub = test::TimedSub;

CheckSettings AllCaptionChecks() {
  CheckSettings s;
  s.house.closedCaptionChecks = true;
  s.ccCheckSendTime = s.ccCheckIllegalCharacters = s.ccCheckRowMapping = s.ccCheckF3Italics = true;
  return s;
}

std::vector<Fault> CaptionFaults(const SubtitleDocument& d, std::size_t i, const CheckSettings& s) {
  std::vector<Finding> found;
  CollectFaults(d, i, s, CheckMode::ErrorList, found);
  std::vector<Fault> out;
  for (const Finding& f : found)
    if (Info(f.fault).group == CheckGroup::ClosedCaption) out.push_back(f.fault);
  return out;
}

TEST(CaptionChecks, EachCheckHasItsSwitch) {
  SubtitleDocument d(25, kDefaultLanguageId, 0);
  d.Append(Sub("Long enough first caption", 100, 200));
  Subtitle italic = Sub("fine\r\n\xD0\x96uk", 202, 300);  // Cyrillic is not in the caption set
  italic.italic = true;
  italic.row = 10;  // two rows raised by ten do not fit
  d.Append(italic);
  struct Case {
    const char* name;
    bool CheckSettings::*flag;
    Fault fault;
  } cases[] = {{"send time", &CheckSettings::ccCheckSendTime, Fault::SendTime},
               {"illegal characters", &CheckSettings::ccCheckIllegalCharacters, Fault::IllegalCharacter},
               {"row mapping", &CheckSettings::ccCheckRowMapping, Fault::RowMapping},
               {"F3 italics", &CheckSettings::ccCheckF3Italics, Fault::WholeCaptionItalic}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CheckSettings only;
    only.house.closedCaptionChecks = true;
    only.*c.flag = true;
    EXPECT_EQ(CaptionFaults(d, 1, only), std::vector<Fault>{c.fault});
    only.house.closedCaptionChecks = false;
    EXPECT_TRUE(CaptionFaults(d, 1, only).empty());
  }
  // All together, in catalogue order, and in the error list with the row named.
  const CheckSettings all = AllCaptionChecks();
  EXPECT_EQ(CaptionFaults(d, 1, all),
            (std::vector<Fault>{Fault::WholeCaptionItalic, Fault::IllegalCharacter, Fault::SendTime, Fault::RowMapping}));
  const std::string list = ErrorListText(BuildErrorList(d, all), "\n");
  EXPECT_NE(list.find("0002\tLine2 contains an illegal character"), std::string::npos) << list;
  EXPECT_NE(list.find("0002\tWhole subtitle is italicised"), std::string::npos);
}

TEST(CaptionChecks, SendTimeAndTheDelayTolerance) {
  // "Hello": five words, loaded in ten frames. With the previous out cue at frame 95 the
  // load can start at 96 at the earliest and the caption shows at 106: 6 frames late.
  SubtitleDocument d(25, kDefaultLanguageId, 0);
  d.Append(Sub("Before", 40, 95));
  d.Append(Sub("Hello", 100, 150));
  const std::vector<CueFrames> cues = ReadAllCueFrames(d);
  auto t = CaptionSendTime(d, 1, cues);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->display, 106);
  EXPECT_EQ(t->late, 6);
  EXPECT_TRUE(SendTimeMessage(*t, kPal).starts_with("Decoder display time: 00:00:04:06\nYou need to decrease the previous out"));
  EXPECT_NE(SendTimeMessage(*t, kPal).find("by 6 frames and/or edit"), std::string::npos);
  EXPECT_NE(SendTimeMessage({101, 1}, kPal).find("by 1 frame and/or"), std::string::npos);
  for (int tolerance : {0, 5, 6, 7}) {
    CheckSettings s = AllCaptionChecks();
    s.ccDelayTolerance = tolerance;
    const bool late = !CaptionFaults(d, 1, s).empty();
    EXPECT_EQ(late, tolerance < 6) << tolerance;
  }
  // Out of the way: on time.
  d.SetOutCue(0, FramesToDigits(89, kPal));
  EXPECT_EQ(CaptionSendTime(d, 1, ReadAllCueFrames(d))->late, 0);
}

}  // namespace
}  // namespace kipo
