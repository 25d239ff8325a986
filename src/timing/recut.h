#pragma once
// Recut: re-timing a contiguous range of subtitles after the programme was re-edited.
// Four ways to say how far the range moves:
//   Manual                a typed offset, added or subtracted
//   NewInTime             the first subtitle's new in time; the rest follow by the same amount
//   ContinueFromLastOut   the range starts the default interval after the previous out cue
//   Proportional          two anchor subtitles with their new in cues define a straight-line
//                         map (a stretch and a shift); gaps it spoils are repaired afterwards
// Only set cues (eight digits) change, a cue never goes before 00:00:00:00, and subtitles
// outside the range are never touched.
#include <string>
#include <string_view>
#include <vector>

#include "core/document.h"
#include "platform/prompter.h"
#include "settings/house_options.h"
#include "settings/setting_key.h"
#include "timing/bulk_cues.h"

namespace kipo {

enum class RecutType { Manual = 0, NewInTime = 1, ContinueFromLastOut = 2, Proportional = 3 };

// The dialog's captions in the order of RecutType.
const std::vector<std::string>& RecutTypeCaptions();

// The check boxes' captions.
inline constexpr const char* kAddOffsetCaption = " Add offset";
inline constexpr const char* kOutCuesOnlyCaption = "Apply manual offset to out cues only";
inline constexpr const char* kKeepIntervalCaption = "Do not override default interval";

// The dialog's settings: the type last run and the "Do not override default interval" box.
inline constexpr IntSetting kOffsetType{"Options", "Offset type", 0, 0, 3};
inline constexpr FlagSetting kOffsetMaintainInterval{"Options", "Offset maintain interval", false, FlagForm::OneZero};

// Messages, exactly as shown.
inline constexpr const char* kRecutTitle = "Recut";
inline constexpr const char* kRecutSameInCue = "No point in recutting - new in cue is same as current in cue";
inline constexpr const char* kRecutNoFirstNewIn = "Please supply the new in cue for the first subtitle.";
inline constexpr const char* kRecutNoSecondNewIn = "Please supply the new in cue for the second subtitle.";
inline constexpr const char* kRecutAnchorOrder = "Subtitle one must be less than subtitle two.";
inline constexpr const char* kRecutSetOffset = "Set offset before recutting";

struct RecutOptions {
  // Manual: "HH:MM:SS:FF" at the document's rate, added when `addOffset` is on.
  std::string offset;
  bool addOffset = true;
  // NewInTime: the first subtitle's new in cue, "HH:MM:SS:FF".
  std::string newInCue;
  // Proportional: two subtitle numbers (1-based) and their new in cues.
  long anchor1 = 0, anchor2 = 0;
  std::string anchor1NewIn, anchor2NewIn;
  // Single offsets move only the out cues.
  bool outCuesOnly = false;
  // With out cues only: an out cue moved later stops the default interval before the next
  // subtitle's in cue.
  bool keepInterval = false;
};

enum class RecutResult {
  Recut,        // cues changed
  Unchanged,    // nothing to move (no set cues in the range); nothing shown
  Refused,      // a message explained why; nothing changed
};

struct RecutOutcome {
  RecutResult result = RecutResult::Unchanged;
  int cuesChanged = 0;
};

// Re-times subtitles `first` to `last` (numbers, inclusive; `last` is cut to the document's
// end). Validation messages go through the prompter; `before` is called once, before the
// first change, with the range (0-based first index and count).
RecutOutcome Recut(SubtitleDocument& doc, RecutType type, long first, long last, const RecutOptions& options,
                   const HouseOptions& house, Prompter& prompter, const BeforeCueChange& before = {});

}  // namespace kipo
