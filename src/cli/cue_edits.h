#pragma once
// What the editing commands (kipo fix, offset, delete) share: opening the document,
// saving it back (to FILE or to -o OUT) and listing the cues an operation changed.
#include <iosfwd>
#include <string>

#include "cli/cli.h"
#include "core/document.h"

namespace kipo::cli {

SubtitleDocument OpenForEditing(Context& ctx, const std::string& path);
// Writes to `output`, or back to `input` when output is empty; prints where it went.
void SaveEdited(Context& ctx, const SubtitleDocument& doc, const std::string& input, const std::string& output);
// One line per changed cue of documents with the same subtitles:
// "0012  out  00:00:10:00 -> 00:00:09:21". Returns the number of lines.
int PrintCueChanges(std::ostream& out, const SubtitleDocument& before, const SubtitleDocument& after);

}  // namespace kipo::cli
