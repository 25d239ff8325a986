// YouTube SBV: start and end times on one line, then the text.
#include "formats/exchange/sbv.h"
#include "formats/format_rows.h"
#include "formats/text_cue_format.h"

namespace kipo {

Format MakeYouTubeSbvFormat() {
  Format f;
  f.id = "youtube-sbv";
  f.name = "YouTube SBV";
  f.extensions = {"sbv"};
  f.fileType = FileTypeRow{"SBV", "YouTube SBV file", 0, "", 0, 0};
  f.exportRow = MakeExportRow(35, "YouTube", "Web", "SBV", "ExportYouTubeSBV",
                              "YouTube SBV ANSI text file (*.sbv)|*.sbv|YouTube SBV UTF-8 text file (*.sbv)|*.sbv|"
                              "YouTube SBV Unicode text file (*.sbv)|*.sbv",
                              "Export YouTube SBV file", "", "P");
  ImportFormat in;
  in.position = 31;
  in.name = "YouTube SBV File";
  in.openTitle = "Import YouTube SBV File";
  in.openFilter = "YouTube SBV File (*.sbv)|*.sbv";
  in.fileName = "*.sbv";
  in.defaultEncoding = TextEncoding::Utf8;
  f.importRow = std::move(in);
  f.convert = MakeConvertTarget(20, "YouTube SBV", "YouTube SBV", "YouTube", "", "sbv", "youtube", "YouTube SBV");
  f.traits.keepsTenHours = false;  // one hour digit
  f = TextCueFormat(std::move(f), &ReadSbv,
                    [](const SubtitleDocument& doc, const SettingsStore&, Warnings& w) { return WriteSbv(doc, w); });
  StreamTextCues(f, &ReadSbvCues, [](const SubtitleDocument& header, const SettingsStore&) {
    return std::make_unique<SbvWriter>(header);
  });
  return f;
}

}  // namespace kipo
