#pragma once
// Subtitle text for the Avid DS Nitris subtitle generator (.txt): "@" comment lines (the
// generator's settings are written there for the editor to see), "<begin subtitles>",
// per subtitle a line "in out" and the rows of its text below, a blank line, and
// "<end subtitles>". Cues use ';' between the fields at drop-frame rates. No styles.
#include <string>
#include <string_view>

#include "core/document.h"

namespace kipo {

using Warnings = std::vector<std::string>;

struct NitrisOptions {
  std::string preset;                   // the generator's preset name
  std::string timecodeOffset = "00:00:00:00";  // added to every cue (the timeline's start)
  int characterTransformY = 0;
  bool forceNonRealtime = false;
  bool addSpaces = false;               // a space before and after every row
};

std::string WriteAvidNitris(const SubtitleDocument& doc, const NitrisOptions& options, Warnings& warnings);
// Cues are read as they stand (a timecode offset stays in them).
SubtitleDocument ReadAvidNitris(std::string_view text, const FrameRate& rate, Warnings& warnings);

}  // namespace kipo
