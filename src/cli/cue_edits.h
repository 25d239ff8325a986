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
// Prints the changed cues and a count, then saves when anything changed or an output was
// named (the input file is never rewritten unchanged).
void ReportCueChangesAndSave(Context& ctx, const SubtitleDocument& before, const SubtitleDocument& after,
                             const std::string& input, const std::string& output);

}  // namespace kipo::cli
