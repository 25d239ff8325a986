// Cue lists for theatrical subtitling, surtitle systems and voice-over recording.
#include "formats/exchange/hoek.h"
#include "formats/exchange/qube.h"
#include "formats/exchange/surtitles.h"
#include "formats/exchange/titra.h"
#include "formats/catalogue_options.h"
#include "formats/format_rows.h"
#include "formats/script_format.h"
#include "settings/keys.h"

namespace kipo {
namespace {

// The voice-over script's choices (the Hoek options window).
constexpr FlagSetting kHoekFrame{keys::kExport, "Hoek frame", true, FlagForm::OneZero};
constexpr IntSetting kHoekTimecodeFormat{keys::kExport, "Hoek timecode format", 0, 0, 1};
constexpr FlagSetting kHoekCr{keys::kExport, "Hoek CR", true, FlagForm::OneZero};

}  // namespace

const OptionTable<HoekOptions>& HoekOptionTable() {
  static const auto t = OptionTable<HoekOptions>()
                            .Bind(&HoekOptions::frames, kHoekFrame)
                            .Bind(&HoekOptions::timecodeFormat, kHoekTimecodeFormat)
                            .Bind(&HoekOptions::rowsOnLines, kHoekCr);
  return t;
}

Format MakeQubeFormat() {
  Format f;
  f.id = "qube";
  f.name = "QUBE";
  f.extensions = {"txt"};
  f.fileType = FileTypeRow{"QUBE", "QUBE file", 0, "", 0, 0};
  f.exportRow = MakeExportRow(8, "QUBE", "Theatrical, web", "Text", "ExportQUBE",
                              "QUBE files (*.txt)|*.txt|QUBE UTF-8 files (*.txt)|*.txt|QUBE Unicode files (*.txt)|*.txt",
                              "Export QUBE file", "", "P");
  f.importRow = MakeImportRow(12, "QUBE file", "Import QUBE file", "QUBE files (*.txt)|*.txt");
  f.convert = MakeConvertTarget(9, "QUBE", "QUBE", "QUBE", "", "txt", "qube", "QUBE");
  return ScriptFormat(std::move(f), Reader(&ReadQube), Writer(&WriteQube));
}

Format MakeTitraFormat() {
  Format f;
  f.id = "titra";
  f.name = "Titra";
  f.extensions = {"txt"};
  f.fileType = FileTypeRow{"TITRA", "Titra theatrical file", 0, "", 0, 0};
  f.exportRow = MakeExportRow(12, "Titra", "Theatrical", "Text", "ExportTitraFile",
                              "Titra Text Files (*.txt)|*.txt|Titra UTF-8 Text Files (*.txt)|*.txt", "Export Titra file",
                              "", "P");
  f.importRow = MakeImportRow(23, "Titra theatrical file", "Import Titra theatrical file", "Titra Text Files (*.txt)|*.txt");
  return ScriptFormat(std::move(f), Reader(&ReadTitra), Writer(&WriteTitra));
}

Format MakeSonyaFriedmanFormat() {
  Format f;
  f.id = "sonya-friedman-tab-delimited";
  f.name = "Sonya Friedman tab-delimited";
  f.extensions = {"txt"};
  f.fileType = FileTypeRow{"SONYA", "Sonya Friedman tab-delimited text file", 0, "", 0, 0};
  f.exportRow = MakeExportRow(25, "Sonya Friedman tab-delimited", "Surtitles", "Text", "ExportSonyaFriedman",
                              "Sonya Friedman tab-delimited text file (*.txt)|*.txt",
                              "Export Sonya Friedman tab-delimited file", "", "P");
  return ScriptFormat(std::move(f), Reader(&ReadSurtitleCues), Writer(&WriteSonyaFriedman));
}

Format MakeFigaroFormat() {
  Format f;
  f.id = "figaro-systems-in-ovation";
  f.name = "Figaro Systems in-Ovation";
  f.extensions = {"txt"};
  f.fileType = FileTypeRow{"FIGARO", "Figaro Systems in-Ovation text file", 0, "", 0, 0};
  f.exportRow = MakeExportRow(32, "Figaro Systems in-Ovation", "Surtitles", "Text", "ExportFigaro",
                              "Figaro Systems in-Ovation text file (*.txt)|*.txt",
                              "Export Figaro Systems in-Ovation file", "", "P");
  return ScriptFormat(std::move(f), Reader(&ReadSurtitleCues), Writer(&WriteFigaro));
}

Format MakeHoekFormat() {
  Format f;
  f.id = "hoek-en-sonepouse-voice-over";
  f.name = "Hoek en Son\xC3\xA9pouse voice-over";
  f.extensions = {"txt"};
  f.fileType = FileTypeRow{"HOEK", "Hoek en Son\xC3\xA9pouse voice-over text", 0, "", 0, 0};
  f.exportRow = MakeExportRow(23, "Hoek en Son\xC3\xA9pouse voice-over", "Other subtitling software", "Text", "ExportHoek",
                              "Hoek en Son\xC3\xA9pouse Text Files (*.txt)|*.txt",
                              "Export Hoek en Son\xC3\xA9pouse voice-over file", "frmHoekOptions", "OP");
  f.importRow = MakeImportRow(8, "Hoek en Son\xC3\xA9pouse voice-over text format",
                              "Import Hoek en Son\xC3\xA9pouse voice-over text",
                              "Hoek en Son\xC3\xA9pouse Text Files (*.txt)|*.txt");
  f.options = FormatOptions::Of(HoekOptionTable());
  return ScriptFormat(std::move(f), Reader(&ReadHoek), [](const SubtitleDocument& doc, const SettingsStore& s, Warnings& w) {
    return WriteHoek(doc, HoekOptionTable().Load(s), w);
  });
}

}  // namespace kipo
