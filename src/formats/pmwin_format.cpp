// PMWin overlay scripts for Asian-language subtitling, written in the document's code page.
#include "formats/exchange/pmwin_ovr.h"
#include "formats/format_rows.h"
#include "formats/script_format.h"

namespace kipo {

Format MakePmWinFormat() {
  Format f;
  f.id = "pmwin";
  f.name = "PMWin";
  f.extensions = {"ovr"};
  f.fileType = FileTypeRow{"OVR", "PMWin OVR file", 0, "", 0, 0};
  f.exportRow = MakeExportRow(37, "PMWin", "Other subtitling software", "OVR", "ExportPMWinOVRFile",
                              "PMWin Asian Language OVR Files (*.ovr)|*.ovr", "Export PMWin OVR File", "", "");
  f.importRow = MakeImportRow(11, "PMWin OVR file", "Import PMWin OVR File", "PMWin OVR Files (*.ovr)|*.ovr");
  f.traits.keepsUnderline = true;
  return ScriptFormat(std::move(f), Reader(&ReadPmWinOvr), Writer(&WritePmWinOvr));
}

}  // namespace kipo
