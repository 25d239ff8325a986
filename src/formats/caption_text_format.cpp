// Closed caption text files, read into a document (the caption systems' editing export).
#include "formats/exchange/caption_text.h"
#include "formats/format_rows.h"
#include "formats/script_format.h"

namespace kipo {

Format MakeCaptionTextFormat() {
  Format f;
  f.id = "closed-caption-text";
  f.name = "Closed caption text file";
  f.extensions = {"asc", "txt"};
  f.fileType = FileTypeRow{"ASC", "Closed caption text file", 0, "", 0, 0};
  f.importRow = MakeImportRow(5, "Closed caption text file", "Import Closed Caption Text File",
                              "Closed caption text files (*.asc;*.txt)|*.asc;*.txt");
  return ScriptReaderFormat(std::move(f), Reader(&ReadCaptionText));
}

}  // namespace kipo
