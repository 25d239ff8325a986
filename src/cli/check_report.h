#pragma once
// What `kipo check` and `kipo stats` print for a document, apart from reading the file,
// so that the output and exit codes can be tested on documents built in memory.
#include <optional>
#include <string>

#include "cli/cli.h"
#include "core/document.h"
#include "settings/house_options.h"

namespace kipo::cli {

struct CheckReportOptions {
  bool json = false;
  std::string saveList;  // path of a saved error list; empty for none
};

// Prints the error list (or JSON); kExitOk when clean, kExitFindings when faults were found.
int ReportCheck(Context& ctx, const SubtitleDocument& doc, const HouseOptions& house, const CheckReportOptions& o);
// Prints the statistics report (or JSON); always kExitOk. With `reportFile`, also writes the
// printed report there ("Report for NAME created on DATE", CR LF lines); kExitError when
// it cannot be written.
int ReportStatistics(Context& ctx, const SubtitleDocument& doc, const HouseOptions& house, bool json,
                     const std::string& reportFile = {});

// Reads a subtitle file with the reader its extension selects; on failure prints
// "kipo COMMAND: TITLE: TEXT" and returns nullopt.
std::optional<SubtitleDocument> ReadForReport(Context& ctx, const std::string& command, const std::string& path);

}  // namespace kipo::cli
