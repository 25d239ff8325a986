#pragma once
// A subtitle's in or out cue: its timecode label as eight digits "HHMMSSFF", or not set.
//
// The cue keeps the text it was given as it is (a reader may hand over seven digits or
// spaces, and the native files write that text back byte for byte); only eight digits
// count as set. Because a cue is a label, not a frame count, changing the document's
// frame rate keeps every cue and changes the frames it denotes.
//
// Labels stop at 99:59:59:FF: a frame count of 100 hours or more is refused where it is
// turned into a cue (FromFrames, FramesToDigits) with a message naming the label, so a
// cue is never cut to its last eight digits and never quietly becomes "not set".
#include <iosfwd>
#include <string>
#include <string_view>

#include "core/timecode.h"

namespace kipo {

class Cue {
 public:
  Cue() = default;
  // The stored text, usually "HHMMSSFF" or empty.
  Cue(std::string text) : text_(std::move(text)) {}
  Cue(std::string_view text) : text_(text) {}
  Cue(const char* text) : text_(text) {}

  // The cue of a frame count at a rate; throws UserError from 100 hours on.
  static Cue FromFrames(FrameCount frames, const FrameRate& rate);

  // Exactly eight digits.
  bool IsSet() const { return IsCompleteCue(text_); }
  // The stored text as given (eight digits when set).
  const std::string& digits() const { return text_; }
  bool empty() const { return text_.empty(); }
  // Frames from 00:00:00:00 at the rate; a cue that is not set reads as its digits do
  // (empty: 0), so test IsSet() first where that matters.
  FrameCount ToFrames(const FrameRate& rate) const { return LabelToFrames(text_, rate); }
  // "HH:MM:SS:FF" (separators as DigitsToLabel takes them); "--:--:--:--" when empty.
  std::string Label(std::string_view sep = ":", std::string_view frameSep = ":") const {
    return DigitsToLabel(text_, sep, frameSep);
  }

  // Call sites that take text (LabelToFrames, DigitsToLabel, ...) read the digits.
  operator std::string_view() const { return text_; }
  operator const std::string&() const { return text_; }

  friend bool operator==(const Cue&, const Cue&) = default;

 private:
  std::string text_;
};

std::ostream& operator<<(std::ostream& os, const Cue& cue);

}  // namespace kipo
