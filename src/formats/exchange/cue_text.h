#pragma once
// Cue text shared by the millisecond-based cue-list formats (SubRip, WebVTT, SBV) and the
// helpers their readers share. Cues stay labels: only the frames pair is turned into
// milliseconds (FramesToMillis) and back (MillisToFrames), so a cue written and read again
// at the same rate is the same label.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/timecode.h"

namespace kipo {

// "HH:MM:SS" + sep + "mmm" for stored digits; hoursDigits 1 drops the first hour digit
// (SBV). Empty digits give "".
std::string MillisCueText(std::string_view digits, char sep, const FrameRate& rate, int hoursDigits = 2);

// A clock time as cue-list files write it, read leniently: one or more hour digits (or
// none: "MM:SS.mmm"), ":" between fields, "," or "." (or ":") before one to three
// millisecond digits ("5" is 500 ms). Leading spaces are skipped. On success `s` is left
// after the time. Hours above 99 are refused.
struct ClockTime {
  int hours = 0, minutes = 0, seconds = 0, millis = 0;
};
std::optional<ClockTime> ReadClockTime(std::string_view& s);
CueDigits ClockToDigits(const ClockTime& t, const FrameRate& rate);

// "in --> out" with anything after the out time (coordinates, cue settings) ignored.
struct TimingLine {
  CueDigits in, out;  // out may be empty ("00:00:01,000 -->")
};
std::optional<TimingLine> ReadArrowTimingLine(std::string_view line, const FrameRate& rate);

// Splits at any line end (CR LF, LF, lone CR).
std::vector<std::string_view> SplitAnyLines(std::string_view text);
bool IsBlank(std::string_view line);
// A line that is only a whole number (a cue number), spaces around allowed.
bool IsCueNumber(std::string_view line);
// Removes a leading U+FEFF left in decoded text.
std::string_view StripBomChar(std::string_view text);

// Cue-list italics tags to the in-text markers: "<i>" -> "<", "</i>" -> ">" (any case);
// "<u>"/"</u>" -> "[" / "]"; other HTML-like tags (<b>, <font ...>, ...) are dropped.
std::string TagsToMarkup(std::string_view line);

}  // namespace kipo
