#pragma once
// What happens around a save besides the bytes: the warning list "warning.log" in the
// data folder and the question that offers to show it.
#include <filesystem>
#include <string>
#include <vector>

namespace kipo {

// DataFolder()/"warning.log".
std::filesystem::path WarningListPath();
// Replaces the warning list with these lines (an empty list is written too, so that an
// old list never outlives the save that superseded it). Returns false when it cannot.
bool WriteWarningList(const std::vector<std::string>& lines);
// "One or more subtitles contain more than N rows." + line break + "Would you like to
// view a list of these subtitles?"
std::string TooManyRowsQuestion(int maxRows);

}  // namespace kipo
