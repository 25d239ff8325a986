#pragma once
// Shared by `kipo clean` and `kipo punctuate`: run a clean over a file and print its
// report, one row a line: number, TAB, description, TAB, the former text.
#include <string>
#include <string_view>

#include "cli/cli.h"
#include "text/clean.h"

namespace kipo::cli {

// Reads `file`, cleans it with `settings`, prints the report and writes the result to
// `output` (or back to `file` when `output` is empty) when anything changed.
int CleanFileCommand(Context& ctx, const std::string& file, const std::string& output, const CleanSettings& settings,
                     CleanKind kind);

// A text on one line: rows joined by `rowSeparator`, colour codes by their names in
// braces ("{red}" ... "{white}").
std::string OneLineText(const std::string& text, std::string_view rowSeparator = "|");
// "default" for 0, "red" ... "white" for the teletext colours 1-7.
const char* ColourName(char code);

}  // namespace kipo::cli
