// Cheetah caption files (.cap): the binary caption list, written and read.
#include "formats/exchange/cheetah_cap.h"
#include "formats/format_rows.h"
#include "formats/script_format.h"

namespace kipo {

Format MakeCheetahFormat() {
  Format f;
  f.id = "cheetah";
  f.name = "Cheetah";
  f.extensions = {"cap"};
  f.fileType = FileTypeRow{"CAP", "Cheetah CAP file", 0, "", 0, 0};
  f.exportRow = MakeExportRow(30, "Cheetah", "Closed caption", "CAP", "ExportCheetahCAPFile",
                              "Cheetah CAP Files (*.cap)|*.cap", "Export Cheetah CAP File", "", "");
  f.importRow = MakeImportRow(4, "Cheetah closed caption CAP file", "Import Cheetah CAP File",
                              "Cheetah CAP Files (*.cap)|*.cap");
  f.traits.keepsUnderline = true;
  f.write = [](const SubtitleDocument& doc, FormatContext&) {
    WriteResult r;
    r.bytes = WriteCheetahCap(doc, r.warnings);
    return r;
  };
  f.read = [](std::span<const std::uint8_t> bytes, FormatContext&) {
    ReadResult r;
    r.document = ReadCheetahCap(bytes, r.warnings);
    return r;
  };
  return f;
}

}  // namespace kipo
