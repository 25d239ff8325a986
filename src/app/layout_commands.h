#pragma once
// Commands that change where and how one subtitle is shown rather than what it says: the
// vertical row, the fine nudge, the box style and the per-row colours; and the frame-rate
// commands that relabel the document (its cues stay the same labels). Each records its
// undo step before it changes anything and does nothing without a current subtitle.
#include <cstddef>
#include <string>
#include <vector>

#include "core/detect_frame_rate.h"

namespace kipo {

class Workstation;

// Up adds one to the current subtitle's row, down takes one off, within 0 and the rows the
// screen has left above the text. False at the limit (nothing recorded).
bool MoveCurrentRow(Workstation& ws, bool up);
// "R" and the row as two digits ("R00"), or "" without a current subtitle.
std::string CurrentRowLabel(const Workstation& ws);
// 1 left, 2 right, 3 up, 4 down by one step (the digital cinema position offsets).
bool NudgeCurrent(Workstation& ws, int direction);
// One of the six box styles (128 "None" ... 133 "Ghost stripe outline"); false for any
// other value or when the style is already set.
bool SetCurrentBoxStyle(Workstation& ws, int style);
// The colour digits (0 default, 1-7 teletext colours) of the current subtitle's rows, first
// row first; one undo step for them all. Colours for rows the text does not have, or
// outside 0-7, are refused; false too when nothing changes.
bool SetCurrentRowColours(Workstation& ws, const std::vector<int>& colours);
// Turns the current subtitle's row colours into colour codes in its text ("Flags
// converted").
bool ConvertCurrentRowColours(Workstation& ws);

// Reads the rate the cues imply and offers to switch to it; the switch is one undo step
// that takes the rate back. Returns what the cues imply.
DetectedRate DetectDocumentFrameRate(Workstation& ws);
// Gives the document another frame rate without touching its cues: the labels stay, the
// frames they count change. One undo step; false when the rate is already that one.
bool RelabelFrameRate(Workstation& ws, int code);

}  // namespace kipo
