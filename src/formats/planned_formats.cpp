// The catalogue rows of formats that are not written yet: the export dialog, the import
// list and quick conversion show them, and choosing one says that the format is not
// available yet. A format that gets its reader or writer moves its rows into its own file.
#include <vector>

#include "formats/format_rows.h"

namespace kipo {
namespace {

struct ExportRowData {
  const char* id;
  int position;
  const char *name, *category, *type, *exporter, *filter, *optionsDialog, *flags;
};

const ExportRowData kExportRows[] = {
    {"preformatted-text", 9, "Preformatted text", "Miscellaneous", "Text", "ExportPreformattedText",
     "Plain text files (*.txt)|*.txt|Unicode text files (*.txt)|*.txt|UTF-8 text files (*.txt)|*.txt", "Options (Files tab)", "P"},
    {"dvd-blu-ray-bitmap-stream", 10, "DVD/Blu-ray bitmap stream", "DVD/Blu-ray", "Bitmap", "frmDVD",
     "", "", "W"},
};

// Quick-conversion targets, each written by the export row it names.
struct ConvertRowData {
  int position;
  const char *quickName, *batchName, *exportName, *extension, *tag, *progressName;
};

const ConvertRowData kConvertRows[] = {
    {10, "Preformatted text file", "Preformatted text file", "Preformatted text", "txt", "preset", "Preformatted Text"},
};

}  // namespace

std::vector<Format> PlannedFormats() {
  std::vector<Format> out;
  for (const ExportRowData& r : kExportRows) {
    Format f;
    f.id = r.id;
    f.name = r.name;
    f.exportRow = MakeExportRow(r.position, r.name, r.category, r.type, r.exporter, r.filter, "", r.optionsDialog,
                                r.flags);
    if (!f.exportRow->defaultExt.empty()) f.extensions = {f.exportRow->defaultExt};
    for (const ConvertRowData& c : kConvertRows)
      if (f.exportRow->name == c.exportName)
        f.convert = MakeConvertTarget(c.position, c.quickName, c.batchName, c.exportName, "", c.extension, c.tag,
                                      c.progressName);
    out.push_back(std::move(f));
  }
  return out;
}

}  // namespace kipo
