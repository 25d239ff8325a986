#pragma once
// `kipo check --captions`: when each caption appears and disappears on a line-21 decoder,
// and what of the file's timing or characters cannot go out as captions.
#include <string>

#include "cli/cli.h"
#include "core/document.h"

namespace kipo::cli {

// `doc` as read from `path`; an SCC file is shown as the decoder shows it, any other file
// as the SCC the stored options write. Returns kExitOk, or kExitFindings with faults.
int ReportCaptions(Context& ctx, const SubtitleDocument& doc, const std::string& path);

}  // namespace kipo::cli
