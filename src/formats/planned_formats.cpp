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
    {"swift-interchange-format-file", 1, "Swift Interchange Format file", "Swift Interchange Format file", "Text", "",
     "Swift Interchange Format File (*.sif)|*.sif", "", "P"},
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
    {"qube", 8, "QUBE", "Theatrical, web", "Text", "ExportQUBE",
     "QUBE files (*.txt)|*.txt|QUBE UTF-8 files (*.txt)|*.txt|QUBE Unicode files (*.txt)|*.txt", "", "P"},
    {"preformatted-text", 9, "Preformatted text", "Miscellaneous", "Text", "ExportPreformattedText",
     "Plain text files (*.txt)|*.txt|Unicode text files (*.txt)|*.txt|UTF-8 text files (*.txt)|*.txt", "Options (Files tab)", "P"},
    {"dvd-blu-ray-bitmap-stream", 10, "DVD/Blu-ray bitmap stream", "DVD/Blu-ray", "Bitmap", "frmDVD",
     "", "", "W"},
    {"windows-media-player-file", 11, "Windows Media Player File", "Web", "SAMI/SMI", "frmSAMI",
     "", "", "PW"},
    {"titra", 12, "Titra", "Theatrical", "Text", "ExportTitraFile",
     "Titra Text Files (*.txt)|*.txt|Titra UTF-8 Text Files (*.txt)|*.txt", "", "P"},
    {"gelula", 13, "Gelula", "Other subtitling software", "RTF", "ExportGelulaFile",
     "Rich Text Files (*.rtf)|*.RTF|DAS Text Files (*.das)|*.DAS", "", "P"},
    {"swift-text", 14, "Swift text", "Other subtitling software", "Text", "ExportSwiftTextFile",
     "Swift text file (*.txt)|*.txt|Swift UTF-8 text file (*.txt)|*.txt|Swift Unicode text file (*.txt)|*.txt", "", "P"},
    {"microsoft-excel", 15, "Microsoft Excel", "Microsoft Office", "CSV", "ExportCSVFile",
     "CSV Text Files (*.csv)|*.csv", "Microsoft Excel CSV file", "P"},
    {"spruce-maestro", 16, "Spruce Maestro", "DVD/Blu-ray", "STL", "frmSpruceOptions",
     "Spruce STL Text File (*.stl)|*.stl|Spruce STL UTF-8 Text File (*.stl)|*.stl|Spruce STL Unicode Text File (*.stl)|*.stl", "frmSpruceHeader", "PW"},
    {"sonic-dvd-creator-script", 17, "Sonic DVD Creator script", "DVD/Blu-ray", "SUB", "ExportSonicDVDCreatorFile",
     "Sonic DVD Creator script file (*.sub)|*.sub|Sonic DVD Creator UTF-8 script file (*.sub)|*.sub|Sonic DVD Creator Unicode script file (*.sub)|*.sub", "", "P"},
    {"sony-dvd-architect", 18, "Sony DVD Architect", "DVD/Blu-ray", "SUB", "ExportSonyArchitectSubFile",
     "Sony DVD Architect script file (*.sub)|*.sub|Sony DVD Architect UTF-8 script file (*.sub)|*.sub|Sony DVD Architect Unicode script file (*.sub)|*.sub", "", "P"},
    {"hoek-en-sonepouse-voice-over", 23, "Hoek en Sonépouse voice-over", "Other subtitling software", "Text", "ExportHoek",
     "Hoek en Sonépouse Text Files (*.txt)|*.txt", "frmHoekOptions", "OP"},
    {"adobe-encore-cs3", 24, "Adobe Encore CS3", "DVD/Blu-ray", "Text", "ExportAdobeEncore",
     "Adobe Encore UTF-8 text file (*.txt)|*.txt|Adobe Encore Unicode text file (*.txt)|*.txt", "", "P"},
    {"sonya-friedman-tab-delimited", 25, "Sonya Friedman tab-delimited", "Surtitles", "Text", "ExportSonyaFriedman",
     "Sonya Friedman tab-delimited text file (*.txt)|*.txt", "", "P"},
    {"avid-ds-nitris", 26, "Avid DS Nitris", "DVD/Blu-ray", "Text", "ExportDSNitrisFile",
     "Avid DS Nitris UTF-8 text file (*.txt)|*.txt|Avid DS Nitris Unicode text file (*.txt)|*.txt", "frmNitrisOptions", "O"},
    {"fab-shortform", 27, "FAB shortform", "Other subtitling software", "Text", "ExportFABShortform",
     "FAB shortform text file(*.txt)|*.txt|FAB shortform UTF-8 text file(*.txt)|*.txt", "FAB Shortform", "P"},
    {"flash", 28, "Flash", "Web", "XML", "ExportFlashFile",
     "Flash XML files (*.xml)|*.xml", "", "P"},
    {"theatrical-spotting-list", 29, "Theatrical spotting list", "Theatrical", "Text", "",
     "Spotting List Text File(*.txt)|*.txt", "frmTheatricalHeader", "OP"},
    {"cheetah", 30, "Cheetah", "Closed caption", "CAP", "ExportCheetahCAPFile",
     "Cheetah CAP Files (*.cap)|*.cap", "", ""},
    {"microsoft-powerpoint-presentation", 31, "Microsoft PowerPoint Presentation", "Microsoft Office", "PPT", "ExportPowerPoint",
     "Microsoft PowerPoint Presentation(*.ppt)|*.ppt", "frmPowerPointOptions", "O"},
    {"figaro-systems-in-ovation", 32, "Figaro Systems in-Ovation", "Surtitles", "Text", "ExportFigaro",
     "Figaro Systems in-Ovation text file (*.txt)|*.txt", "", "P"},
    {"theatrical-rtf-spotting-list", 33, "Theatrical RTF spotting list", "Theatrical", "RTF", "",
     "Rich text files (*.rtf)|*.rtf", "frmTheatricalRTFHeader", "OP"},
    {"apple-itunes-timed-text", 34, "Apple iTunes Timed Text", "Web", "XML/TT", "ExportAppleITunes",
     "Apple iTunes Timed Text File (*.itt)|*.itt", "frmiTuneOptions", "O"},
    {"final-cut-pro", 36, "Final Cut Pro", "DVD/Blu-ray", "XML", "ExportFCPXML",
     "Final Cut Pro XML Files (*.xml)|*.xml", "", ""},
    {"pmwin", 37, "PMWin", "Other subtitling software", "OVR", "ExportPMWinOVRFile",
     "PMWin Asian Language OVR Files (*.ovr)|*.ovr", "", ""},
    {"ulead-dvd-workshop", 38, "Ulead DVD Workshop", "DVD/Blu-ray", "Text", "ExportUleadFile",
     "Ulead DVD Workshop text file (*.txt)|*.txt|Ulead DVD Workshop UTF-8 text file (*.txt)|*.txt|Ulead DVD Workshop Unicode text file (*.txt)|*.txt", "", ""},
    {"translation-template", 41, "Translation Template", "Translation template", "RTF/HTML", "ExportTranslationTemplate",
     "Translation template files (*.rtf)|*.rtf", "", ""},
};

// Import rows of formats that have no export row yet.
struct ImportRowData {
  int position;
  const char* name;
};

const ImportRowData kImportRows[] = {
    {1, "Apple iTunes Timed Text file"},
    {2, "Caption Inc CIN file"},
    {3, "CaptionMaker ASCII text file"},
    {4, "Cheetah closed caption CAP file"},
    {5, "Closed caption text file"},
    {6, "Generic timed text file"},
    {7, "SDI Media Group formatted text file"},
    {8, "Hoek en Sonépouse voice-over text format"},
    {10, "Netflix Timed Text file"},
    {11, "PMWin OVR file"},
    {12, "QUBE file"},
    {14, "Screen structured ASCII file"},
    {15, "Softni text file"},
    {16, "Sonic DVD Creator script file"},
    {18, "Spruce Maestro STL file"},
    {20, "Swift Interchange Format file"},
    {21, "Tab separated DVD script file"},
    {23, "Titra theatrical file"},
    {24, "Theatrical DOC or RTF spotting list"},
    {25, "TMPGEnc VME subtitle File"},
    {26, "Translation template"},
    {27, "Unstructured Word or RTF document"},
    {28, "Vegas Region List"},
    {30, "Windows Media Player File"},
};

// Quick-conversion targets, each written by the export row it names.
struct ConvertRowData {
  int position;
  const char *quickName, *batchName, *exportName, *extension, *tag, *progressName;
};

const ConvertRowData kConvertRows[] = {
    {1, "Adobe Encore", "Adobe Encore", "Adobe Encore CS3", "txt", "adobe", "Adobe Encore"},
    {2, "Apple iTunes", "Apple iTunes", "Apple iTunes Timed Text", "itt", "apple", "Apple iTunes"},
    {3, "Avid DS Nitris", "Avid DS Nitris", "Avid DS Nitris", "txt", "avid", "Avid DS Nitris"},
    {4, "Custom-built text file", "Custom format text file", "Custom text format", "txt", "custom", "Custom Text"},
    {6, "EBU-TT Timed Text", "EBU-TT Timed Text", "EBU-TT Timed Text (EBU Tech 3350)", "xml", "ebutt", "EBU-TT"},
    {7, "Final Cut Pro XML", "Final Cut Pro XML", "Final Cut Pro", "xml", "fcp", "Final Cut Pro"},
    {9, "QUBE", "QUBE", "QUBE", "txt", "qube", "QUBE"},
    {10, "Preformatted text file", "Preformatted text file", "Preformatted text", "txt", "preset", "Preformatted Text"},
    {13, "Sony DVD Architect", "Sony DVD Architect", "Sony DVD Architect", "sub", "sony", "Sony DVD Architect"},
    {14, "Spruce Maestro STL", "Spruce Maestro STL", "Spruce Maestro", "stl", "spruce", "Spruce STL"},
    {15, "Swift text", "Swift text", "Swift text", "txt", "swift", "Swift Text"},
    {17, "Ulead DVD Workshop", "Ulead DVD Workshop", "Ulead DVD Workshop", "txt", "ulead", "Ulead DVD Workshop"},
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
