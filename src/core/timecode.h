#pragma once
// Frame rates, cue labels and frame arithmetic. Cues are stored as timecode labels
// (CueDigits, "HHMMSSFF"), so changing a document's frame rate never rewrites a cue: it
// changes how many frames the same labels denote.
//
// Drop-frame (29.97): labels count 30 per second, but two frame numbers are skipped at
// the start of every minute except every tenth, so 17982 frames make ten minutes.
//
// 59.94 fps has no drop-frame form. Its labels count 60 frames per second (frames pair
// 00-59) and every conversion uses that integer rate, so label -> frames -> label is
// always the same label; the nominal 59.94 is used only where real time is wanted
// (milliseconds, seconds).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kipo {

// A whole number of frames from 00:00:00:00 at the document's counting rate.
using Timecode = std::int32_t;
// Eight digits "HHMMSSFF", or empty when the cue is not set.
using CueDigits = std::string;

struct FrameRate {
  int code = 25;          // the choice code: 15, 23, 24, 25, 29, 30, 48, 50, 59, 60
  float nominal = 25.0f;  // 24 for 23.976, 30 for 29.97, 59.94 for 59.94
  bool dropFrame = false;
  bool is23976 = false;

  // The nominal rate rounded: the divisor of every frames-to-label conversion.
  int integerRate() const;
  // "25 fps", "29.97 fps", ...
  std::string label() const;
  // The longer label of the new-project window ("PAL (25 fps)"); empty for 15.
  std::string longLabel() const;

  // The table row for a choice code; nullopt for codes not in the table.
  static std::optional<FrameRate> FromCode(int code);
  // The exact 23.976 rate an exporter switches to for its own arithmetic.
  static FrameRate Exact23976();
  bool operator==(const FrameRate&) const = default;
};

// Every choice code, and the order of the new-project window.
const std::vector<int>& AllFrameRateCodes();
const std::vector<int>& NewProjectFrameRateCodes();

// A label ("HH:MM:SS:FF" or bare digits) to frames. `rateOverride` > 0 replaces the
// counting rate; otherwise the document's rate counts. Non-digits read as 0.
Timecode LabelToFrames(std::string_view label, const FrameRate& rate, double rateOverride = 0);
// Frames to "HH:MM:SS:FF"; force24 counts 24 frames per second whatever the rate.
// Negative frame counts give 00:00:00:00.
std::string FramesToLabel(Timecode frames, const FrameRate& rate, bool force24 = false);
CueDigits FramesToDigits(Timecode frames, const FrameRate& rate, bool force24 = false);
// Display form of stored digits; empty separators mean ":". Empty digits give
// "--:--:--:--"; lengths other than 0, 4, 6 and 8 give "".
std::string DigitsToLabel(std::string_view digits, std::string_view sep = ":", std::string_view frameSep = ":");

enum class TimecodeFormat { Frames_Colon = 0, Frames_Semicolon = 1, AllSemicolons = 2, Millis_Colon = 3,
                            Millis_Dot = 4, Millis_Comma = 5, FrameCount = 6, Seconds = 7 };
// The eight forms offered to exporters, by index 0-7; any other index gives "".
const std::vector<std::string>& TimecodeFormatLabels();
std::string FormatTimecode(std::string_view digits, int index, const FrameRate& rate);
std::string FormatTimecodeFromLabel(std::string_view label, int index, const FrameRate& rate);

// Frames within a second to three-digit milliseconds, and back to a two-digit frame
// number (capped at the last frame of a second where the rate has a cap).
std::string FramesToMillis(int frames, const FrameRate& rate);
std::string MillisToFrames(int millis, const FrameRate& rate);
std::string MillisToLabel(long totalMillis, const FrameRate& rate);
std::string SecondsToLabel(double seconds, const FrameRate& rate);
// Real milliseconds of a frame count (using the nominal, or exact 23.976, rate).
double FramesToSeconds(Timecode frames, const FrameRate& rate);

// "SS:FF" duration between two cues; "__:__" when either is not eight digits, "99:00"
// from 100 seconds; nullopt for a negative duration (the previous text stays).
std::optional<std::string> DurationLabel(std::string_view inCue, std::string_view outCue, const FrameRate& rate);

// 11 characters with ":" at positions 3 and 6 and ":", ";" or "." at position 9.
bool IsLabelShape(std::string_view text);
// Fields within range for the rate (separators ":", ";", "." ignored).
bool IsValidCue(std::string_view text, const FrameRate& rate);
// "MM:SS" -> "00:MM:SS:00"; "MM:SS:FF" -> "00:MM:SS:FF"; anything else unchanged.
std::string NormalizeShortLabel(std::string_view text);
// True when the cue holds exactly eight digits (the only form that counts as set).
bool IsCompleteCue(std::string_view cue);
// Removes ":", ";" and "." from a typed label.
std::string StripSeparators(std::string_view text);

}  // namespace kipo
