// The catalogue rows of formats that are not written yet: the export dialog, the import
// list and quick conversion show them, and choosing one says that the format is not
// available yet. A format that gets its reader or writer moves its rows into its own file.
#include <vector>

#include "formats/format_rows.h"
#include "platform/text_util.h"

namespace kipo {
namespace {

struct ExportRowData {
  const char* id;
  int position;
  const char *name, *category, *type, *exporter, *filter, *optionsDialog, *flags;
};

const ExportRowData kExportRows[] = {
    {"custom-text-format", 7, "Custom text format", "Miscellaneous", "Text", "ExportCustomText",
     "Text files (*.txt)|*.txt", "frmSimpleTextOptions", "OP"},
    {"preformatted-text", 9, "Preformatted text", "Miscellaneous", "Text", "ExportPreformattedText",
     "Plain text files (*.txt)|*.txt|Unicode text files (*.txt)|*.txt|UTF-8 text files (*.txt)|*.txt", "Options (Files tab)", "P"},
    {"dvd-blu-ray-bitmap-stream", 10, "DVD/Blu-ray bitmap stream", "DVD/Blu-ray", "Bitmap", "frmDVD",
     "", "", "W"},
    {"caption-inc", 22, "Caption Inc", "Closed caption", "CIN", "ExportCaptionIncFile",
     "Caption Inc Files (*.cin)|*.cin", "frmCINOptions", "O"},
    {"flash", 28, "Flash", "Web", "XML", "ExportFlashFile",
     "Flash XML files (*.xml)|*.xml", "", "P"},
    {"cheetah", 30, "Cheetah", "Closed caption", "CAP", "ExportCheetahCAPFile",
     "Cheetah CAP Files (*.cap)|*.cap", "", ""},
    {"pmwin", 37, "PMWin", "Other subtitling software", "OVR", "ExportPMWinOVRFile",
     "PMWin Asian Language OVR Files (*.ovr)|*.ovr", "", ""},
    {"ultech", 39, "Ultech", "Closed caption", "ULT", "frmULT",
     "Ultech CC Files (*.ult)|*.ult", "", "W"},
    {"scenarist-closed-caption", 42, "Scenarist Closed Caption", "Closed caption", "SCC", "ExportScenaristClosedCaptionFile",
     "Scenarist Closed Caption Files (*.scc)|*.scc", "frmSCCOptions", ""},
};

// Import rows of formats that have no export row yet.
struct ImportRowData {
  int position;
  const char* name;
};

const ImportRowData kImportRows[] = {
    {2, "Caption Inc CIN file"},
    {4, "Cheetah closed caption CAP file"},
    {5, "Closed caption text file"},
    {11, "PMWin OVR file"},
    {17, "Sonic Scenarist closed caption file"},
};

// Quick-conversion targets, each written by the export row it names.
struct ConvertRowData {
  int position;
  const char *quickName, *batchName, *exportName, *extension, *tag, *progressName;
};

const ConvertRowData kConvertRows[] = {
    {4, "Custom-built text file", "Custom format text file", "Custom text format", "txt", "custom", "Custom Text"},
    {10, "Preformatted text file", "Preformatted text file", "Preformatted text", "txt", "preset", "Preformatted Text"},
};

std::string Slug(std::string_view name) {
  std::string id;
  for (char c : ToLowerAscii(name)) {
    const bool keep = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    if (keep) id += c;
    else if (!id.empty() && id.back() != '-') id += '-';
  }
  while (!id.empty() && id.back() == '-') id.pop_back();
  return id;
}

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
    // A caption row holds 32 characters; the export asks before going on with longer rows.
    if (f.exportRow->type == "SCC") f.exportRow->rowLimit = 32;
    for (const ConvertRowData& c : kConvertRows)
      if (f.exportRow->name == c.exportName)
        f.convert = MakeConvertTarget(c.position, c.quickName, c.batchName, c.exportName, "", c.extension, c.tag,
                                      c.progressName);
    out.push_back(std::move(f));
  }
  for (const ImportRowData& r : kImportRows) {
    Format f;
    f.id = "import-" + Slug(r.name);
    f.name = r.name;
    ImportFormat row;
    row.position = r.position;
    row.name = r.name;
    f.importRow = std::move(row);
    out.push_back(std::move(f));
  }
  return out;
}

}  // namespace kipo
