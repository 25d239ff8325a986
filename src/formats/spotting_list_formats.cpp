// Lists people print and edit in a word processor: theatrical spotting lists (text with the
// header of theatrical.dat, and RTF with its stored header), the translation template, the
// Gelula RTF list, and unstructured documents read as text without cues.
#include <filesystem>

#include "formats/exchange/spotting_list.h"
#include "formats/catalogue_options.h"
#include "formats/format_rows.h"
#include "formats/script_format.h"
#include "platform/files.h"
#include "settings/keys.h"

namespace kipo {
namespace {

// The RTF list's title block, set in the header window.
constexpr TextSetting kTheatricalRtfHeader{keys::kExport, "Theatrical RTF header", "SPOTTING LIST"};

ScriptReader RtfReader() {
  return [](std::string_view text, const FrameRate& rate, const SettingsStore&, Warnings& w) {
    return ReadSpottingRtf(text, rate, "windows-1252", w);
  };
}

}  // namespace

const OptionTable<TextOption>& TheatricalRtfHeaderTable() {
  static const auto t = OptionTable<TextOption>().Bind(&TextOption::value, kTheatricalRtfHeader);
  return t;
}

Format MakeTheatricalListFormat() {
  Format f;
  f.id = "theatrical-spotting-list";
  f.name = "Theatrical spotting list";
  f.extensions = {"txt"};
  f.fileType = FileTypeRow{"SPOTTING", "Theatrical spotting list", 0, "", 0, 0};
  f.exportRow = MakeExportRow(29, "Theatrical spotting list", "Theatrical", "Text", "",
                              "Spotting List Text File(*.txt)|*.txt", "Export theatrical spotting list",
                              "frmTheatricalHeader", "OP");
  return ScriptFormat(
      std::move(f),
      [](std::string_view text, const FrameRate& rate, const SettingsStore&, Warnings& w) {
        return ReadSpottingText(text, rate, w);
      },
      [](const SubtitleDocument& doc, const SettingsStore&, Warnings& w) {
        return WriteSpottingText(doc, {"Theatrical spotting list", LoadHeaderFile(HeaderFile::Theatrical), true}, w);
      });
}

Format MakeTheatricalRtfListFormat() {
  Format f;
  f.id = "theatrical-rtf-spotting-list";
  f.name = "Theatrical RTF spotting list";
  f.extensions = {"rtf"};
  f.fileType = FileTypeRow{"RTF", "Theatrical RTF spotting list", 0, "", 0, 0};
  f.exportRow = MakeExportRow(33, "Theatrical RTF spotting list", "Theatrical", "RTF", "",
                              "Rich text files (*.rtf)|*.rtf", "Export theatrical RTF spotting list",
                              "frmTheatricalRTFHeader", "OP");
  f.importRow = MakeImportRow(24, "Theatrical DOC or RTF spotting list", "Import theatrical spotting list",
                              "Rich text files (*.rtf)|*.rtf");
  f.options = FormatOptions::Of(TheatricalRtfHeaderTable());
  return ScriptFormat(std::move(f), RtfReader(), [](const SubtitleDocument& doc, const SettingsStore& s, Warnings& w) {
    return WriteSpottingRtf(doc, {"Theatrical RTF spotting list", TheatricalRtfHeaderTable().Load(s).value, true}, w);
  });
}

Format MakeTranslationTemplateFormat() {
  Format f;
  f.id = "translation-template";
  f.name = "Translation Template";
  f.extensions = {"rtf"};
  f.fileType = FileTypeRow{"TEMPLATE", "Translation template", 0, "", 0, 0};
  f.exportRow = MakeExportRow(41, "Translation Template", "Translation template", "RTF/HTML",
                              "ExportTranslationTemplate", "Translation template files (*.rtf)|*.rtf",
                              "Export translation template", "", "");
  f.importRow = MakeImportRow(26, "Translation template", "Import translation template",
                              "Translation template files (*.rtf)|*.rtf");
  return ScriptFormat(std::move(f), RtfReader(), [](const SubtitleDocument& doc, const SettingsStore&, Warnings& w) {
    const std::string title = std::filesystem::path(doc.filePath).stem().string();
    return WriteSpottingRtf(doc, {"Translation template", "TRANSLATION TEMPLATE\r\n" + title, false}, w);
  });
}

Format MakeGelulaFormat() {
  Format f;
  f.id = "gelula";
  f.name = "Gelula";
  f.extensions = {"rtf", "das"};
  f.fileType = FileTypeRow{"GELULA", "Gelula RTF list", 0, "", 0, 0};
  f.exportRow = MakeExportRow(13, "Gelula", "Other subtitling software", "RTF", "ExportGelulaFile",
                              "Rich Text Files (*.rtf)|*.RTF|DAS Text Files (*.das)|*.DAS", "Export Gelula file", "",
                              "P");
  return ScriptFormat(std::move(f), RtfReader(), [](const SubtitleDocument& doc, const SettingsStore&, Warnings& w) {
    return WriteSpottingRtf(doc, {"Gelula", "", false}, w);
  });
}

Format MakeUnstructuredDocumentFormat() {
  Format f;
  f.id = "import-unstructured-word-or-rtf-document";
  f.name = "Unstructured Word or RTF document";
  f.extensions = {"rtf", "txt"};
  f.fileType = FileTypeRow{"UNSTRUCTURED", "Unstructured Word or RTF document", 0, "", 0, 0};
  f.importRow = MakeImportRow(27, "Unstructured Word or RTF document", "Import unstructured Word or RTF document",
                              "Rich text files (*.rtf)|*.rtf|Text files (*.txt)|*.txt");
  return ScriptReaderFormat(std::move(f), [](std::string_view text, const FrameRate& rate, const SettingsStore&,
                                             Warnings& w) { return ReadUnstructuredDocument(text, rate, "windows-1252", w); });
}

}  // namespace kipo
