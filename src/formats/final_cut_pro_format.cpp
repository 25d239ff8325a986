// Final Cut Pro XML interchange files of text subtitles.
#include "formats/exchange/final_cut_pro.h"
#include "formats/format_rows.h"
#include "formats/script_format.h"

namespace kipo {

Format MakeFinalCutProFormat() {
  Format f;
  f.id = "final-cut-pro";
  f.name = "Final Cut Pro";
  f.extensions = {"xml"};
  f.fileType = FileTypeRow{"FCPXML", "Final Cut Pro XML file", 0, "", 0, 0};
  f.exportRow = MakeExportRow(36, "Final Cut Pro", "DVD/Blu-ray", "XML", "ExportFCPXML",
                              "Final Cut Pro XML Files (*.xml)|*.xml", "Export Final Cut Pro XML file", "", "");
  f.convert = MakeConvertTarget(7, "Final Cut Pro XML", "Final Cut Pro XML", "Final Cut Pro", "", "xml", "fcp",
                                "Final Cut Pro");
  f.traits.keepsItalics = false;
  f.traits.keepsWholeItalics = true;
  return ScriptFormat(
      std::move(f),
      [](std::string_view text, const FrameRate& rate, const SettingsStore&, Warnings& w) {
        return ReadFinalCutPro(text, rate, w);
      },
      [](const SubtitleDocument& doc, const SettingsStore&, Warnings& w) { return WriteFinalCutPro(doc, {}, w); });
}

}  // namespace kipo
