#pragma once
// Commands that change the cues of many subtitles at once: the quick fixes (invalid
// intervals, blank out cues, stretch and shrink), the quick offset, the three cue
// deletions and the range deletion. Each works on a document with the house rules and
// asks its questions through the Prompter; nothing changes when a question is answered No
// or Cancel. Indices are 0-based; subtitle numbers (1-based) appear only where the user
// types them (the range deletion).
#include <functional>
#include <string>
#include <string_view>

#include "core/document.h"
#include "platform/prompter.h"
#include "settings/house_options.h"

namespace kipo {

// Called once, after every question was answered and before the first change, with the
// subtitles [first, first + count) the operation may change; the Workstation records its
// undo step here. Not called when nothing will change.
using BeforeCueChange = std::function<void(std::size_t first, std::size_t count)>;

// Moves an out cue back to the default interval before the next in cue wherever the gap is
// invalid (the checker's rule, IsInvalidInterval); subtitles missing either cue are
// skipped. Reports the count in a message box; returns it.
int FixInvalidIntervals(SubtitleDocument& doc, const HouseOptions& house, Prompter& prompter,
                        const BeforeCueChange& before = {});

// Gives every out cue that is not set, where the next in cue is, the default interval
// before that in cue; the last subtitle gets its in cue plus the default duration (and a
// message says so). Returns the number of out cues set.
int FillBlankOutCues(SubtitleDocument& doc, const HouseOptions& house, Prompter& prompter,
                     const BeforeCueChange& before = {});

// One cue stretched or shrunk: frames count a fixed 41.666 ms whatever the rate (so the
// result suits material played at 25 or 24 fps alike); the product is rounded to whole
// milliseconds and turned back into a label at the document's rate. Empty stays empty.
CueDigits ScaleCue(std::string_view cue, double factor, const FrameRate& rate);
// Scales every set cue (1.001 stretches, 0.999 shrinks). Returns the number of cues set.
int ScaleCues(SubtitleDocument& doc, double factor, const BeforeCueChange& before = {});

// Adds `offset` frames to both cues of subtitle `from` and every later one; cues not set
// stay empty, and a cue the offset would move before 00:00:00:00 becomes 00:00:00:00.
// Returns the number of cues changed.
int OffsetCues(SubtitleDocument& doc, std::size_t from, Timecode offset, const BeforeCueChange& before = {});
// Moves subtitle `current` to start at the video position (frames) and every later one by
// the same amount. Throws UserError when the current subtitle has no in cue.
int QuickOffset(SubtitleDocument& doc, std::size_t current, Timecode videoPosition,
                const BeforeCueChange& before = {});

// The three cue deletions; each asks first. Return true when the cues were deleted.
bool DeleteCurrentCues(SubtitleDocument& doc, std::size_t current, Prompter& prompter,
                       const BeforeCueChange& before = {});
bool DeleteCuesFromHere(SubtitleDocument& doc, std::size_t current, Prompter& prompter,
                        const BeforeCueChange& before = {});
bool DeleteAllCues(SubtitleDocument& doc, Prompter& prompter, const BeforeCueChange& before = {});

enum class RangeAction { WholeSubtitles, TextOnly, CuesOnly };
// The dialog's captions: "Delete whole subtitle", "Delete subtitle text only", ...
const char* RangeActionCaption(RangeAction a);
// The undo step each action records.
const char* RangeActionUndoName(RangeAction a);

enum class RangeOutcome {
  Deleted,
  Refused,    // the numbers were not accepted; the dialog stays open
  Cancelled,  // the confirmation was not OK
};
// Deletes over subtitles `start` to `end` (numbers, inclusive). Numbers outside the
// document, or an end below the start, are refused with a message.
RangeOutcome DeleteRange(SubtitleDocument& doc, long start, long end, RangeAction action, Prompter& prompter,
                         const BeforeCueChange& before = {});

}  // namespace kipo
