// Spreadsheet files (.csv) for a spreadsheet program.
#include "formats/exchange/excel_csv.h"
#include "formats/catalogue_options.h"
#include "formats/format_rows.h"
#include "formats/script_format.h"
#include "settings/keys.h"

namespace kipo {
namespace {

// The mark between the rows of a subtitle's text, set through the export's input box.
constexpr TextSetting kCsvLineBreak{keys::kExport, "CSV line break", "<P>"};

}  // namespace

const OptionTable<TextOption>& CsvLineBreakTable() {
  static const auto t = OptionTable<TextOption>().Bind(&TextOption::value, kCsvLineBreak);
  return t;
}

Format MakeExcelCsvFormat() {
  Format f;
  f.id = "microsoft-excel";
  f.name = "Microsoft Excel";
  f.extensions = {"csv"};
  f.fileType = FileTypeRow{"CSV", "Microsoft Excel CSV file", 0, "", 0, 0};
  f.exportRow = MakeExportRow(15, "Microsoft Excel", "Microsoft Office", "CSV", "ExportCSVFile",
                              "CSV Text Files (*.csv)|*.csv", "Export Microsoft Excel CSV file",
                              "Microsoft Excel CSV file", "P");
  f.options = FormatOptions::Of(CsvLineBreakTable());
  return ScriptFormat(
      std::move(f),
      [](std::string_view text, const FrameRate& rate, const SettingsStore& s, Warnings& w) {
        return ReadExcelCsv(text, rate, CsvLineBreakTable().Load(s).value, w);
      },
      [](const SubtitleDocument& doc, const SettingsStore& s, Warnings& w) {
        return WriteExcelCsv(doc, CsvLineBreakTable().Load(s).value, w);
      });
}

}  // namespace kipo
