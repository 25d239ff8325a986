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
    {"ebu-tt-timed-text-ebu-tech-3350", 2, "EBU-TT Timed Text (EBU Tech 3350)", "Web/broadcast", "XML/TT", "ExportEBUTimedText",
     "EBU-TT Timed Text File (*.xml)|*.xml", "frmTimedTextOptions", ""},
    {"ebu-tt-d-timed-text-ebu-tech-3380", 3, "EBU-TT-D Timed Text (EBU Tech 3380)", "Web/broadcast", "XML/TT", "ExportEBUTimedTextD",
     "EBU-TT-D Timed Text File (*.ebuttd.xml)|*.ebuttd.xml", "frmEBUTTD", ""},
    {"generic-timed-text", 4, "Generic Timed Text", "Web/broadcast", "XML/TT", "ExportGenericTimedText",
     "Generic Timed Text File (*.tt)|*.tt", "frmTimedTextOptions", ""},
    {"w3c-timed-text-dfxp", 5, "W3C Timed Text (DFXP)", "Web/broadcast", "XML/TT", "ExportW3CTimedText",
     "W3C Timed Text File (*.xml)|*.xml", "frmTimedTextOptions", ""},
    {"netflix-timed-text-dfxp", 6, "Netflix Timed Text (DFXP)", "Web/broadcast", "XML/TT", "ExportNetFlixTimedText",
     "Netflix Timed Text File (*.dfxp)|*.dfxp", "frmTimedTextOptions", ""},
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
    {"apple-itunes-timed-text", 34, "Apple iTunes Timed Text", "Web", "XML/TT", "ExportAppleITunes",
     "Apple iTunes Timed Text File (*.itt)|*.itt", "frmiTuneOptions", "O"},
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
    {1, "Apple iTunes Timed Text file"},
    {2, "Caption Inc CIN file"},
    {4, "Cheetah closed caption CAP file"},
    {5, "Closed caption text file"},
    {6, "Generic timed text file"},
    {10, "Netflix Timed Text file"},
    {11, "PMWin OVR file"},
    {17, "Sonic Scenarist closed caption file"},
};

// Quick-conversion targets, each written by the export row it names.
struct ConvertRowData {
  int position;
  const char *quickName, *batchName, *exportName, *extension, *tag, *progressName;
};

const ConvertRowData kConvertRows[] = {
    {2, "Apple iTunes", "Apple iTunes", "Apple iTunes Timed Text", "itt", "apple", "Apple iTunes"},
    {4, "Custom-built text file", "Custom format text file", "Custom text format", "txt", "custom", "Custom Text"},
    {6, "EBU-TT Timed Text", "EBU-TT Timed Text", "EBU-TT Timed Text (EBU Tech 3350)", "xml", "ebutt", "EBU-TT"},
    {10, "Preformatted text file", "Preformatted text file", "Preformatted text", "txt", "preset", "Preformatted Text"},
    {18, "W3C Timed Text", "W3C Timed Text", "W3C Timed Text (DFXP)", "xml", "wc3", "W3C Timed Text"},
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
