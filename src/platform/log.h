#pragma once
// The two append-only logs of the data folder: "kipo.log" for start-up and progress,
// "error.log" for save traces and errors. Each call opens the file, appends one line
// (date, a space, time, three spaces, the message) and closes it; a log that cannot be
// opened is skipped silently, so logging never stops the program.
#include <filesystem>
#include <string_view>

namespace kipo {

void LogActivity(std::string_view message);
void LogError(std::string_view message);
// Appends one line in the log format to any file (used by the two logs above).
void AppendLogLine(const std::filesystem::path& file, std::string_view message);
// At start-up a "kipo.log" of 10001 bytes or more is deleted (10000 bytes stay).
// Returns true when it was deleted.
bool TrimActivityLog();

}  // namespace kipo
