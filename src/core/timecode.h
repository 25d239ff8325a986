#pragma once
// Frame rates, cue labels and frame arithmetic. Cues are stored as timecode labels
// (CueDigits, "HHMMSSFF"), so changing a document's frame rate never rewrites a cue: it
// changes how many frames the same labels denote.
//
// Drop-frame (29.97): labels count 30 per second, but two frame numbers are skipped at
// the start of every minute except every tenth, so 17982 frames make ten minutes.
//
// A rate is an exact fraction (23.976 is 24000/1001, 29.97 is 30000/1001, 59.94 is
// 60000/1001) plus its counting rate, the whole number of labels per second (24, 30, 60).
// Labels always count at the counting rate, so label -> frames -> label is always the
// same label; real time (seconds, milliseconds of a frame count) uses the fraction.
//
// 59.94 fps has no drop-frame form. Its labels count 60 frames per second (frames pair
// 00-59).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kipo {

// A whole number of frames from 00:00:00:00 at the document's counting rate.
using FrameCount = std::int32_t;
using Timecode = FrameCount;
// Eight digits "HHMMSSFF", or empty when the cue is not set.
using CueDigits = std::string;

struct FrameRate {
  int code = 25;  // the choice code: 15, 23, 24, 25, 29, 30, 48, 50, 59, 60
  // Frames per second as an exact fraction: 24000/1001 for 23.976.
  int num = 25;
  int den = 1;
  bool dropFrame = false;

  // Labels per second (num/den rounded: 24 for 23.976, 30 for 29.97, 60 for 59.94): the
  // divisor of every frames-to-label conversion.
  int countingRate() const { return (num + den / 2) / den; }
  // Real frames per second.
  double fps() const { return static_cast<double>(num) / den; }
  bool is23976() const { return num == 24000 && den == 1001; }
  // The rate the reading-speed and duration rules multiply by, in single precision: the
  // counting rate, except at 59.94 where those rules have always used 59.94.
  float timingFps() const { return code == 59 ? 59.94f : static_cast<float>(countingRate()); }
  // "25 fps", "29.97 fps", ...
  std::string label() const;
  // The longer label of the new-project window ("PAL (25 fps)"); empty for 15.
  std::string longLabel() const;

  // The table row for a choice code; nullopt for codes not in the table.
  static std::optional<FrameRate> FromCode(int code);
  bool operator==(const FrameRate&) const = default;
};

// Every choice code, and the order of the new-project window.
const std::vector<int>& AllFrameRateCodes();
const std::vector<int>& NewProjectFrameRateCodes();

// A label ("HH:MM:SS:FF" or bare digits) to frames. `rateOverride` > 0 replaces the
// counting rate; otherwise the document's rate counts. Non-digits read as 0.
Timecode LabelToFrames(std::string_view label, const FrameRate& rate, double rateOverride = 0);
// Frames to "HH:MM:SS:FF"; force24 counts 24 frames per second whatever the rate.
// Negative frame counts give 00:00:00:00. The display label grows past 99 hours
// ("100:00:00:00"); the eight digits of a cue cannot, so FramesToDigits throws UserError
// ("Timecode out of range") from 100 hours on.
std::string FramesToLabel(Timecode frames, const FrameRate& rate, bool force24 = false);
CueDigits FramesToDigits(Timecode frames, const FrameRate& rate, bool force24 = false);
// The frame count of 99:59:59 and the last frame of that second: the last a cue can hold.
FrameCount LastCueFrame(const FrameRate& rate);
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
// number (capped at the last frame of a second where the rate has a cap). These read the
// frames pair of a label, so they count at the counting rate; 59.94 alone has always
// used its real rate here (a frame is 1001/60 ms).
std::string FramesToMillis(int frames, const FrameRate& rate);
std::string MillisToFrames(int millis, const FrameRate& rate);
// "HH:MM:SS" + sep + "mmm" of stored digits: the frames pair in milliseconds, a frame
// number past the rate's range (1000 ms or more) carried into the seconds. "" unless eight
// digits.
std::string LabelMillisText(std::string_view digits, std::string_view sep, const FrameRate& rate);
// Both carry a frame number that rounds up to a whole second into the seconds.
std::string MillisToLabel(long totalMillis, const FrameRate& rate);
std::string SecondsToLabel(double seconds, const FrameRate& rate);
// Real seconds of a frame count, and its real milliseconds rounded to the nearest.
double FramesToSeconds(Timecode frames, const FrameRate& rate);
long FramesToMilliseconds(Timecode frames, const FrameRate& rate);

// "SS:FF" duration between two cues; "__:__" when either is not eight digits, "99:00"
// from 100 seconds; nullopt for a negative duration (the previous text stays).
std::optional<std::string> DurationLabel(std::string_view inCue, std::string_view outCue, const FrameRate& rate);

// 11 characters with ":" at positions 3 and 6 and ":", ";" or "." at position 9.
bool IsLabelShape(std::string_view text);
// A drop-frame label that does not exist: frames 00 and 01 of the first second of every
// minute except each tenth (00:01:00:00 and 00:01:00:01 at 29.97). False at other rates.
bool IsSkippedLabel(std::string_view digits, const FrameRate& rate);
// The label of a clock time whose fields may run over (a frame number that rounded up to
// a whole second, 60 seconds): carried upwards, moved off a skipped drop-frame label to
// the next that exists, and held at the last label of 99:59:59.
CueDigits ClockLabel(long hours, long minutes, long seconds, long frames, const FrameRate& rate);
// Fields within range for the rate (separators ":", ";", "." ignored), and not a skipped
// drop-frame label.
bool IsValidCue(std::string_view text, const FrameRate& rate);
// "MM:SS" -> "00:MM:SS:00"; "MM:SS:FF" -> "00:MM:SS:FF"; anything else unchanged.
std::string NormalizeShortLabel(std::string_view text);
// True when the cue holds exactly eight digits (the only form that counts as set).
bool IsCompleteCue(std::string_view cue);
// Whether the text starts with a label "HH:MM:SS:FF" (":", ";", "." or "," between the
// fields; the values are not checked).
bool StartsWithFrameLabel(std::string_view text);
// Removes ":", ";" and "." from a typed label.
std::string StripSeparators(std::string_view text);

}  // namespace kipo
