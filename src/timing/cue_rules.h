#pragma once
// The rules applied while the current subtitle's cues are typed, recalculated or moved
// from the keyboard, as pure functions over the cues of the edit area. The Workstation
// writes their results to the cue fields and shows their messages.
#include <optional>
#include <string>
#include <string_view>

#include "core/document.h"
#include "settings/house_options.h"
#include "timing/reading_speed.h"
#include "timing/timing_parameters.h"

namespace kipo {

// The edit area's cues in frames; nullopt when the field does not hold a complete
// timecode (only all eight digits count as set).
struct EditCues {
  std::optional<Timecode> in, out;
  std::optional<Timecode> lastOut;  // the previous subtitle's out cue
  std::optional<Timecode> nextIn;   // the next subtitle's in cue
  bool inFieldEmpty = true;         // no digit typed in the in cue field
};

// A cue field as typed ("HH:MM:SS:FF" or part of it) in frames; nullopt unless complete.
std::optional<Timecode> CueFieldFrames(std::string_view field, const FrameRate& rate);
// Digits typed in a cue field (separators not counted).
std::size_t CueFieldDigits(std::string_view field);

inline constexpr const char* kCannotRecalculateOut =
    "You cannot recalculate a subtitle's out cue if it is does not have a valid in cue\n"
    "or if the previous subtitle does not have a valid out cue.";
inline constexpr const char* kCannotRecalculateIn =
    "You cannot recalculate a subtitle's in cue if it does not have a valid out cue.";

struct RecalculatedCues {
  Timecode in = 0;
  Timecode out = 0;
};
// The out cue from the text's reading duration, kept the default interval before the next
// in cue. An empty in cue field starts the default interval after the previous out cue.
// Throws UserError (kCannotRecalculateOut) when there is no in cue to start from.
RecalculatedCues RecalculateOutCue(const EditCues& c, std::string_view text, const TimingParameters& p);
// The in cue from the out cue and the text's reading duration, kept the default interval
// after the previous out cue; the first subtitle counts its "previous out" as
// defaultInterval + 1 frames. The out cue is left alone even when the new in cue lies
// after it. Throws UserError (kCannotRecalculateIn) without an out cue.
Timecode RecalculateInCue(const EditCues& c, std::string_view text, const TimingParameters& p);

// The check run when the user leaves the current subtitle.
enum LeaveCode : int { kLeaveOk = 0, kLeaveInIncomplete = 5, kLeaveOutIncomplete = 10,
                       kLeaveTooShort = 15, kLeaveTooLong = 20 };
// Karaoke subtitles (role not 0) are never too short here.
int CheckCurrentCues(std::string_view inField, std::string_view outField, int karaokeRole, const FrameRate& rate,
                     const TimingParameters& p);

// Messages of the warning panel for cue rules.
std::string DurationLessWarning(const TimingParameters& p);
std::string DurationGreaterWarning(const TimingParameters& p);
std::string LastIntervalWarning(const TimingParameters& p);
std::string NextIntervalWarning(const TimingParameters& p);

// The warning panel: a strip of the information panel drawn in these colours, showing
// the message followed by one space.
inline constexpr Rgb kWarningPanelBackground{255, 149, 149};
inline constexpr Rgb kWarningPanelText{255, 255, 255};

// Keyboard moves. Up moves a cue later, Down earlier, by 1 + 5 x the held modifiers.
enum CueModifier : int { kShiftKey = 1, kCtrlKey = 2, kAltKey = 4 };
inline int CueMoveStep(int modifiers) { return 1 + 5 * modifiers; }
enum class CueField { In, Out };

struct CueMove {
  bool applied = false;                // false: the policy (Prevent) discarded the move
  Timecode cue = 0;                    // the moved cue
  std::optional<Timecode> neighbour;   // previous out / next in, moved by LockCues
  std::string warning;                 // for the warning panel (Warn policies)
};
// Tests a move of the in or out cue by `step` frames against the duration and interval
// rules; each rule's policy decides. With LockCues the neighbouring cue follows so that
// the gap afterwards is the larger of the old gap and the default interval.
CueMove MoveCue(const EditCues& c, CueField field, bool later, int step, const TimingParameters& p,
                const HouseOptions& h);

// The outcome of one policy for a rule that failed: nullopt when Prevent discards the
// change, otherwise the warning to show ("" for Allow).
std::optional<std::string> ApplyPolicy(CueRulePolicy policy, const std::string& warning);

// A subtitle zero: the first subtitle runs from 00:00:00:00 to 00:00:00:08.
bool StartsWithSubtitleZero(const SubtitleDocument& doc);

}  // namespace kipo
