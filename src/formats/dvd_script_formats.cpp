// The DVD authoring scripts: text files of cues and text that authoring tools import to
// make their subtitle streams, and the timing lists of video editors read as scripts.
#include "formats/exchange/adobe_encore.h"
#include "formats/exchange/sonic_dvd_creator.h"
#include "formats/exchange/sony_dvd_architect.h"
#include "formats/exchange/spruce_stl.h"
#include "formats/exchange/tab_dvd_script.h"
#include "formats/exchange/tmpgenc.h"
#include "formats/exchange/ulead_dvd_workshop.h"
#include "formats/exchange/vegas_regions.h"
#include "formats/catalogue_options.h"
#include "formats/format_rows.h"
#include "formats/script_format.h"
#include "core/timecode.h"
#include "platform/encoding.h"
#include "platform/files.h"

namespace kipo {

Format MakeAdobeEncoreFormat() {
  Format f;
  f.id = "adobe-encore";
  f.name = "Adobe Encore CS3";
  f.extensions = {"txt"};
  f.fileType = FileTypeRow{"ENCORE", "Adobe Encore script", 0, "", 0, 0};
  f.exportRow = MakeExportRow(24, "Adobe Encore CS3", "DVD/Blu-ray", "Text", "ExportAdobeEncore",
                              "Adobe Encore UTF-8 text file (*.txt)|*.txt|Adobe Encore Unicode text file (*.txt)|*.txt",
                              "Export Adobe Encore file", "", "P");
  f.convert = MakeConvertTarget(1, "Adobe Encore", "Adobe Encore", "Adobe Encore CS3", "", "txt", "adobe", "Adobe Encore");
  f.traits.keepsItalics = false;
  return ScriptFormat(std::move(f), Reader(&ReadAdobeEncore), Writer(&WriteAdobeEncore));
}

namespace {

// ".sub" is MicroDVD's extension too; the DVD scripts are told by their first line: the
// in cue first (Sony), or a four-digit number before it or the column heading (Sonic).
bool LooksLikeSonyScript(std::span<const std::uint8_t> bytes) { return StartsWithFrameLabel(FirstTextLine(bytes)); }

bool LooksLikeSonicScript(std::span<const std::uint8_t> bytes) {
  const std::string line = FirstTextLine(bytes);
  if (line.starts_with("Number\t") || line.starts_with("Number ")) return true;
  std::size_t digits = 0;
  while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9') ++digits;
  std::size_t at = digits;
  while (at < line.size() && (line[at] == '\t' || line[at] == ' ')) ++at;
  return digits > 0 && at > digits && StartsWithFrameLabel(std::string_view(line).substr(at));
}

}  // namespace

Format MakeSonyDvdArchitectFormat() {
  Format f;
  f.id = "sony-dvd-architect";
  f.name = "Sony DVD Architect";
  f.extensions = {"sub"};
  f.fileType = FileTypeRow{"SONYSUB", "Sony DVD Architect script", 0, "", 0, 0};
  f.exportRow = MakeExportRow(18, "Sony DVD Architect", "DVD/Blu-ray", "SUB", "ExportSonyArchitectSubFile",
                              "Sony DVD Architect script file (*.sub)|*.sub|Sony DVD Architect UTF-8 script file "
                              "(*.sub)|*.sub|Sony DVD Architect Unicode script file (*.sub)|*.sub",
                              "Export Sony DVD Architect file", "", "P");
  f.convert = MakeConvertTarget(13, "Sony DVD Architect", "Sony DVD Architect", "Sony DVD Architect", "", "sub", "sony",
                                "Sony DVD Architect");
  f.traits.keepsItalics = false;
  f.sniff = &LooksLikeSonyScript;
  return ScriptFormat(std::move(f), Reader(&ReadSonyDvdArchitect), Writer(&WriteSonyDvdArchitect));
}

Format MakeSonicDvdCreatorFormat() {
  Format f;
  f.id = "sonic-dvd-creator";
  f.name = "Sonic DVD Creator script";
  f.extensions = {"sub"};
  f.fileType = FileTypeRow{"SONICSUB", "Sonic DVD Creator script", 0, "", 0, 0};
  f.exportRow = MakeExportRow(17, "Sonic DVD Creator script", "DVD/Blu-ray", "SUB", "ExportSonicDVDCreatorFile",
                              "Sonic DVD Creator script file (*.sub)|*.sub|Sonic DVD Creator UTF-8 script file "
                              "(*.sub)|*.sub|Sonic DVD Creator Unicode script file (*.sub)|*.sub",
                              "Export Sonic DVD Creator script file", "", "P");
  f.importRow = MakeImportRow(16, "Sonic DVD Creator script file", "Import Sonic DVD Creator script file",
                              "Sonic DVD Creator script file (*.sub)|*.sub");
  f.traits.keepsItalics = false;
  f.sniff = &LooksLikeSonicScript;
  return ScriptFormat(std::move(f), Reader(&ReadSonicDvdCreator), Writer(&WriteSonicDvdCreator));
}

Format MakeUleadDvdWorkshopFormat() {
  Format f;
  f.id = "ulead-dvd-workshop";
  f.name = "Ulead DVD Workshop";
  f.extensions = {"txt"};
  f.fileType = FileTypeRow{"ULEAD", "Ulead DVD Workshop text file", 0, "", 0, 0};
  f.exportRow = MakeExportRow(38, "Ulead DVD Workshop", "DVD/Blu-ray", "Text", "ExportUleadFile",
                              "Ulead DVD Workshop text file (*.txt)|*.txt|Ulead DVD Workshop UTF-8 text file "
                              "(*.txt)|*.txt|Ulead DVD Workshop Unicode text file (*.txt)|*.txt",
                              "Export Ulead DVD Workshop file", "", "");
  f.convert = MakeConvertTarget(17, "Ulead DVD Workshop", "Ulead DVD Workshop", "Ulead DVD Workshop", "", "txt", "ulead",
                                "Ulead DVD Workshop");
  f.traits.keepsItalics = false;
  return ScriptFormat(std::move(f), Reader(&ReadUleadDvdWorkshop), Writer(&WriteUleadDvdWorkshop));
}

Format MakeSpruceStlFormat() {
  Format f;
  f.id = "spruce-stl";
  f.name = "Spruce Maestro";
  f.extensions = {"stl"};
  f.fileType = FileTypeRow{"SPRUCE", "Spruce STL text file", 0, "", 0, 0};
  f.exportRow = MakeExportRow(16, "Spruce Maestro", "DVD/Blu-ray", "STL", "frmSpruceOptions",
                              "Spruce STL Text File (*.stl)|*.stl|Spruce STL UTF-8 Text File (*.stl)|*.stl|Spruce STL "
                              "Unicode Text File (*.stl)|*.stl",
                              "Export Spruce STL file", "frmSpruceHeader", "PW");
  f.importRow = MakeImportRow(18, "Spruce Maestro STL file", "Import Spruce Maestro STL file",
                              "Spruce STL Text File (*.stl)|*.stl");
  f.convert = MakeConvertTarget(14, "Spruce Maestro STL", "Spruce Maestro STL", "Spruce Maestro", "", "stl", "spruce",
                                "Spruce STL");
  f.traits.keepsUnderline = true;
  // ".stl" is EBU STL's extension too: a Spruce script is told by its text.
  f.sniff = [](std::span<const std::uint8_t> bytes) { return LooksLikeSpruceStl(bytes); };
  return ScriptFormat(std::move(f), Reader(&ReadSpruceStl),
                      [](const SubtitleDocument& doc, const SettingsStore&, Warnings& w) {
                        return WriteSpruceStl(doc, LoadHeaderFile(HeaderFile::Spruce), w);
                      });
}

Format MakeTabDvdScriptFormat() {
  Format f;
  f.id = "tab-dvd-script";
  f.name = "Tab separated DVD script";
  f.extensions = {"txt"};
  f.fileType = FileTypeRow{"TABDVD", "Tab separated DVD script", 0, "", 0, 0};
  f.importRow = MakeImportRow(21, "Tab separated DVD script file", "Import Tab separated DVD script file",
                              "Tab separated DVD script file (*.txt)|*.txt");
  return ScriptReaderFormat(std::move(f), [](std::string_view text, const FrameRate& rate, const SettingsStore&,
                                             Warnings& w) { return ReadTabDvdScript(text, rate, w); });
}

Format MakeTmpgEncFormat() {
  Format f;
  f.id = "tmpgenc";
  f.name = "TMPGEnc VME subtitle";
  f.extensions = {"subtitle", "txt"};
  f.fileType = FileTypeRow{"SUBTITLE", "TMPGEnc subtitle file", 0, "", 0, 0};
  f.importRow = MakeImportRow(25, "TMPGEnc VME subtitle File", "Import TMPGEnc VME subtitle File",
                              "TMPGEnc subtitle file (*.subtitle;*.txt)|*.subtitle;*.txt");
  return ScriptReaderFormat(std::move(f), Reader(&ReadTmpgEnc));
}

Format MakeVegasRegionsFormat() {
  Format f;
  f.id = "vegas-region-list";
  f.name = "Vegas Region List";
  f.extensions = {"txt", "csv"};
  f.fileType = FileTypeRow{"VEGAS", "Vegas region list", 0, "", 0, 0};
  f.importRow = MakeImportRow(28, "Vegas Region List", "Import Vegas Region List",
                              "Vegas region list (*.txt;*.csv)|*.txt;*.csv");
  return ScriptReaderFormat(std::move(f), Reader(&ReadVegasRegions));
}

}  // namespace kipo
