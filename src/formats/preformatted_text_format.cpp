// Preformatted text: the document in the plain-text layout chosen as "Text file format".
#include "formats/catalogue_options.h"
#include "formats/exchange/preformatted_text.h"
#include "formats/format_rows.h"
#include "formats/script_format.h"
#include "settings/keys.h"

namespace kipo {
namespace {

constexpr IntSetting kTextFileFormat{keys::kOptions, "Text file format", 0, 0, kPreformattedLayoutCount - 1};

}  // namespace

const OptionTable<PreformattedOptions>& PreformattedOptionTable() {
  static const auto t = OptionTable<PreformattedOptions>().Bind(&PreformattedOptions::layout, kTextFileFormat);
  return t;
}

Format MakePreformattedTextFormat() {
  Format f;
  f.id = "preformatted-text";
  f.name = "Preformatted text";
  f.extensions = {"txt"};
  f.exportRow = MakeExportRow(9, "Preformatted text", "Miscellaneous", "Text", "ExportPreformattedText",
                              "Plain text files (*.txt)|*.txt|Unicode text files (*.txt)|*.txt|UTF-8 text files (*.txt)|*.txt",
                              "Export preformatted text file", "Options (Files tab)", "P");
  f.convert = MakeConvertTarget(10, "Preformatted text file", "Preformatted text file", "Preformatted text", "", "txt",
                                "preset", "Preformatted Text");
  f.options = FormatOptions::Of(PreformattedOptionTable());
  return ScriptFormat(std::move(f), Reader(&ReadPreformattedText),
                      [](const SubtitleDocument& doc, const SettingsStore& s, Warnings& w) {
                        return WritePreformattedText(doc, PreformattedOptionTable().Load(s).layout, w);
                      });
}

}  // namespace kipo
