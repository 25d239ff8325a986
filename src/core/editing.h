#pragma once
// The text rules of the structural editing commands (merge, split, new subtitles), as pure
// functions. The commands themselves, with their undo steps, are on the Workstation.
#include <string>
#include <string_view>

#include "core/document.h"
#include "core/markup.h"

namespace kipo {

// A subtitle made by Insert, Insert After, Split and Shift text: no text, no cues, the
// given justification and italics, every other field at its default.
Subtitle NewSubtitle(int alignment, bool italic);

// Every "..." becomes a space, then every remaining "..".
std::string DeleteEllipses(std::string text);

// Subtitle `a` after `b` was merged into it:
// - text: a's text, CR LF, b's text (just b's text when a's is empty), ellipses replaced
//   when `deleteEllipses`;
// - comment: a's, "//", b's when b has one;
// - out cue: b's when set;
// - row: lowered by a's row count (never below 0), since the merged text grows upwards.
Subtitle MergeSubtitles(const Subtitle& a, const Subtitle& b, bool deleteEllipses);

struct SplitParts {
  std::string first;
  std::string second;
};
// Divides a text at a cursor position counted in code points (clamped to the text). Both
// parts are trimmed of surrounding spaces, and a CR LF ending the first part or starting
// the second is removed. A cursor between CR and LF counts as after the line break.
SplitParts SplitTextAt(std::string_view text, std::size_t cursor);

// The byte offset of code point `cursor` in UTF-8 text (the text's size when beyond it).
std::size_t CodePointOffset(std::string_view text, std::size_t cursor);

// The reading time Split gives the first part, in frames: the characters a viewer reads
// (line breaks, italics and underline markers and the bold markers never count; spaces
// only when `includeSpaces`) divided by the reading speed in characters per second, times
// the nominal frame rate, rounded down. A reading speed of 0 or less gives 0.
Timecode SplitReadingFrames(std::string_view text, int readingSpeed, double framesPerSecond, bool includeSpaces,
                            const BoldMarkers& bold);

}  // namespace kipo
