#pragma once
// Builders for the rows a format has in the program's lists, shared by the format files.
#include <string>

#include "formats/format.h"

namespace kipo {

// An export catalogue row. Flags: O the options dialog opens on OK when "Always show
// options" is set, P the row has a preview sample, W it is exported through its own window.
ExportFormat MakeExportRow(int position, std::string name, std::string category, std::string type,
                           std::string exporter, std::string filter, std::string title, std::string optionsDialog,
                           std::string_view flags);

// A quick-conversion target (`quickName` empty: batch export only).
ConvertTarget MakeConvertTarget(int position, std::string quickName, std::string batchName, std::string exportName,
                                std::string fileType, std::string extension, std::string tag,
                                std::string progressName);

}  // namespace kipo
