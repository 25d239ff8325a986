// MicroDVD: cues as frame numbers in braces, rows joined by '|'.
#include "formats/exchange/microdvd.h"
#include "formats/format_rows.h"
#include "formats/text_cue_format.h"

namespace kipo {

Format MakeMicroDvdFormat() {
  Format f;
  f.id = "microdvd";
  f.name = "MicroDVD";
  f.extensions = {"sub", "txt"};
  f.fileType = FileTypeRow{"SUB", "MicroDVD subtitle file", 0, "", 0, 0};
  f.exportRow = MakeExportRow(20, "MicroDVD", "Miscellaneous", "SUB", "ExportMicroDVDSubFile",
                              "MicroDVD file (*.sub)|*.sub|MicroDVD UTF-8 file (*.sub)|*.sub|"
                              "MicroDVD Unicode file (*.sub)|*.sub",
                              "Export MicroDVD file", "", "P");
  ImportFormat in;
  in.position = 9;
  in.name = "MicroDVD SUB file";
  in.openTitle = "Import MicroDVD Subtitle File";
  in.openFilter = "MicroDVD Subtitle File (*.txt;*.sub)|*.txt;*.sub|All Files (*.*)|*.*";
  in.fileName = "*.txt;*.sub";
  f.importRow = std::move(in);
  f.convert = MakeConvertTarget(8, "MicroDVD SUB", "MicroDVD SUB", "MicroDVD", "", "sub", "micro", "MicroDVD");
  f = TextCueFormat(std::move(f), &ReadMicroDvd, [](const SubtitleDocument& doc, const SettingsStore&, Warnings& w) {
    return WriteMicroDvd(doc, w);
  });
  StreamTextCues(f, &ReadMicroDvdCues, [](const SubtitleDocument& header, const SettingsStore&) {
    return std::make_unique<MicroDvdWriter>(header);
  });
  return f;
}

}  // namespace kipo
