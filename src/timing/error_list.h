#pragma once
// The error list of a document (one row per fault), its text forms, the saved list file
// and the warning log written after a save when subtitles have too many rows.
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/document.h"
#include "platform/prompter.h"
#include "timing/subtitle_checks.h"

namespace kipo {

struct ErrorRow {
  int number = 0;  // subtitle number (index + 1)
  Fault fault = Fault::MismatchedItalics;
  std::string text;
  bool operator==(const ErrorRow&) const = default;
};

// Every fault of every subtitle, subtitles in order, each subtitle's faults in catalogue
// order, in the error list's wording.
std::vector<ErrorRow> BuildErrorList(const SubtitleDocument& doc, const CheckSettings& s);

// "File contains 3 errors" (or "1 error"), then one row per fault: the number as four
// digits, a TAB and the fault text. Lines end with `eol`.
std::string ErrorListText(const std::vector<ErrorRow>& rows, std::string_view eol = "\r\n");

// The saved list: "Error list for NAME created on DATE", an empty line, the column
// headings and one row per fault with the text starting at column 10; CR LF line ends.
std::string ErrorListFileText(const std::vector<ErrorRow>& rows, const std::string& fileName,
                              const std::string& date);
// A date in the long form the saved list and reports show ("Tuesday, 14 May 2024").
std::string LongDateText(std::time_t when);
// The file name a report names: the document's file name, or "[Untitled]".
std::string ReportFileName(const SubtitleDocument& doc);
// Writes the saved list atomically (UserError "Cannot save file" on failure).
void SaveErrorList(const std::filesystem::path& path, const std::vector<ErrorRow>& rows,
                   const SubtitleDocument& doc, std::time_t when);
// The save dialog of the error list.
FileDialog ErrorListDialog();

// After a save: rewrites "warning.log" in the data folder with one line per subtitle
// holding more than maxRows rows ("Subtitle 12 contains 3 lines"). When there is one and
// the house option asks for it, offers to show the log; Yes opens it with `open`
// (the desktop's text editor by default). Returns the number of subtitles listed.
int WarnTooManyRows(const SubtitleDocument& doc, const HouseOptions& house, Prompter& prompter,
                    const std::function<bool(const std::filesystem::path&)>& open = {});

}  // namespace kipo
