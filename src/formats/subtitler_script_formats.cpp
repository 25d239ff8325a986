// Text files of other subtitling and captioning systems.
#include "formats/exchange/avid_nitris.h"
#include "formats/exchange/fab_shortform.h"
#include "formats/exchange/plain_scripts.h"
#include "formats/exchange/softni.h"
#include "formats/exchange/swift_interchange.h"
#include "formats/exchange/swift_text.h"
#include "formats/catalogue_options.h"
#include "formats/format_rows.h"
#include "formats/script_format.h"
#include "settings/keys.h"

namespace kipo {
namespace {

Format ImportOnly(const char* id, const char* name, const char* key, int position, const char* rowName,
                  const char* filter, PlainReader read) {
  Format f;
  f.id = id;
  f.name = name;
  f.extensions = {"txt"};
  f.fileType = FileTypeRow{key, name, 0, "", 0, 0};
  f.importRow = MakeImportRow(position, rowName, std::string("Import ") + rowName, filter);
  return ScriptReaderFormat(std::move(f), Reader(read));
}

// The mark each FAB row starts with, set through the export's input box.
constexpr TextSetting kFabLineStart{keys::kExport, "FAB shortform line start", "C"};

// The subtitle generator's choices (the Nitris options window).
constexpr TextSetting kNitrisPreset{keys::kExport, "Nitris preset", ""};
constexpr TextSetting kNitrisTimecodeOffset{keys::kExport, "Nitris timecode offset", "00:00:00:00"};
constexpr IntSetting kNitrisTransformY{keys::kExport, "Nitris character transform y", 0};
constexpr FlagSetting kNitrisNonRealtime{keys::kExport, "Nitris force non realtime", false, FlagForm::OneZero};
constexpr FlagSetting kNitrisAddSpaces{keys::kOptions, "Nitris add spaces", false, FlagForm::OneZero};

}  // namespace

const OptionTable<TextOption>& FabLineStartTable() {
  static const auto t = OptionTable<TextOption>().Bind(&TextOption::value, kFabLineStart);
  return t;
}

const OptionTable<NitrisOptions>& NitrisOptionTable() {
  static const auto t = OptionTable<NitrisOptions>()
                            .Bind(&NitrisOptions::preset, kNitrisPreset)
                            .Bind(&NitrisOptions::timecodeOffset, kNitrisTimecodeOffset)
                            .Bind(&NitrisOptions::characterTransformY, kNitrisTransformY)
                            .Bind(&NitrisOptions::forceNonRealtime, kNitrisNonRealtime)
                            .Bind(&NitrisOptions::addSpaces, kNitrisAddSpaces);
  return t;
}

Format MakeFabShortformFormat() {
  Format f;
  f.id = "fab-shortform";
  f.name = "FAB shortform";
  f.extensions = {"txt"};
  f.fileType = FileTypeRow{"FAB", "FAB shortform text file", 0, "", 0, 0};
  f.exportRow = MakeExportRow(27, "FAB shortform", "Other subtitling software", "Text", "ExportFABShortform",
                              "FAB shortform text file(*.txt)|*.txt|FAB shortform UTF-8 text file(*.txt)|*.txt",
                              "Export FAB shortform file", "FAB Shortform", "P");
  f.options = FormatOptions::Of(FabLineStartTable());
  return ScriptFormat(
      std::move(f),
      [](std::string_view text, const FrameRate& rate, const SettingsStore& s, Warnings& w) {
        return ReadFabShortform(text, rate, FabLineStartTable().Load(s).value, w);
      },
      [](const SubtitleDocument& doc, const SettingsStore& s, Warnings& w) {
        return WriteFabShortform(doc, FabLineStartTable().Load(s).value, w);
      });
}

Format MakeAvidNitrisFormat() {
  Format f;
  f.id = "avid-ds-nitris";
  f.name = "Avid DS Nitris";
  f.extensions = {"txt"};
  f.fileType = FileTypeRow{"NITRIS", "Avid DS Nitris subtitle file", 0, "", 0, 0};
  f.exportRow = MakeExportRow(26, "Avid DS Nitris", "DVD/Blu-ray", "Text", "ExportDSNitrisFile",
                              "Avid DS Nitris UTF-8 text file (*.txt)|*.txt|Avid DS Nitris Unicode text file (*.txt)|*.txt",
                              "Export Avid DS Nitris file", "frmNitrisOptions", "O");
  f.convert = MakeConvertTarget(3, "Avid DS Nitris", "Avid DS Nitris", "Avid DS Nitris", "", "txt", "avid", "Avid DS Nitris");
  f.options = FormatOptions::Of(NitrisOptionTable());
  f.traits.keepsItalics = false;
  return ScriptFormat(std::move(f), Reader(&ReadAvidNitris),
                      [](const SubtitleDocument& doc, const SettingsStore& s, Warnings& w) {
                        return WriteAvidNitris(doc, NitrisOptionTable().Load(s), w);
                      });
}

Format MakeSwiftTextFormat() {
  Format f;
  f.id = "swift-text";
  f.name = "Swift text";
  f.extensions = {"txt"};
  f.fileType = FileTypeRow{"SWIFT", "Swift text file", 0, "", 0, 0};
  f.exportRow = MakeExportRow(14, "Swift text", "Other subtitling software", "Text", "ExportSwiftTextFile",
                              "Swift text file (*.txt)|*.txt|Swift UTF-8 text file (*.txt)|*.txt|Swift Unicode text file "
                              "(*.txt)|*.txt",
                              "Export Swift text file", "", "P");
  f.convert = MakeConvertTarget(15, "Swift text", "Swift text", "Swift text", "", "txt", "swift", "Swift Text");
  return ScriptFormat(std::move(f), Reader(&ReadSwiftText), Writer(&WriteSwiftText));
}

Format MakeSwiftInterchangeFormat() {
  Format f;
  f.id = "swift-interchange-format-file";
  f.name = "Swift Interchange Format file";
  f.extensions = {"sif"};
  f.fileType = FileTypeRow{"SIF", "Swift Interchange Format file", 0, "", 0, 0};
  f.exportRow = MakeExportRow(1, "Swift Interchange Format file", "Swift Interchange Format file", "Text", "",
                              "Swift Interchange Format File (*.sif)|*.sif", "Export Swift Interchange Format file", "",
                              "P");
  f.importRow = MakeImportRow(20, "Swift Interchange Format file", "Import Swift Interchange Format file",
                              "Swift Interchange Format File (*.sif)|*.sif");
  f.traits.keepsUnderline = true;
  return ScriptFormat(std::move(f), Reader(&ReadSwiftInterchange), Writer(&WriteSwiftInterchange));
}

Format MakeSoftniFormat() {
  return ImportOnly("import-softni-text-file", "Softni text file", "SOFTNI", 15, "Softni text file",
                    "Softni text file (*.txt;*.sub)|*.txt;*.sub", &ReadSoftni);
}
Format MakeCaptionMakerFormat() {
  return ImportOnly("import-captionmaker-ascii-text-file", "CaptionMaker ASCII text file", "CAPTIONMAKER", 3,
                    "CaptionMaker ASCII text file", "CaptionMaker ASCII text file (*.txt)|*.txt", &ReadCaptionMakerText);
}
Format MakeSdiMediaFormat() {
  return ImportOnly("import-sdi-media-group-formatted-text-file", "SDI Media Group formatted text file", "SDIMEDIA", 7,
                    "SDI Media Group formatted text file", "SDI Media Group formatted text file (*.txt)|*.txt",
                    &ReadSdiMediaText);
}
Format MakeScreenAsciiFormat() {
  return ImportOnly("import-screen-structured-ascii-file", "Screen structured ASCII file", "SCREENASCII", 14,
                    "Screen structured ASCII file", "Screen structured ASCII file (*.txt)|*.txt",
                    &ReadScreenStructuredAscii);
}

}  // namespace kipo
