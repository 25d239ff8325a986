#pragma once
// The export catalogue (the 42 rows of the export dialog, in the order they are listed),
// the import dialog's list, and the targets of quick conversion and batch export. All of
// it is data: the export flow, the command line and the desktop dialogs read these rows.
#include <string>
#include <string_view>
#include <vector>

#include "formats/exchange/text_encoding.h"

namespace kipo {

struct ExportFormat {
  int position = 0;             // 1-based place in the list ("Last export format")
  std::string name;             // the key: exporters and options dialogs are chosen by it
  std::string category;
  std::string type;
  std::string exporter;         // the exporter routine, or the window that exports
  std::string filter;           // save-dialog filter "Description|*.ext|..."; "" when chosen elsewhere
  std::string title;            // save-dialog title; "" when no text exporter is written yet
  std::string defaultExt;       // without the dot
  std::string optionsDialog;    // "" when the format has none
  bool optionsOnOk = false;     // "Always show options" opens the dialog before exporting
  bool hasPreview = false;      // false: "No preview available"
  bool ownWindow = false;       // exported through its own window, not the save dialog
  bool available = false;       // a writer exists in this build

  // The encoding of each filter of `filter`, by 1-based filter index, read from the
  // filter's wording (UTF-8, Unicode, otherwise ANSI).
  std::vector<TextEncoding> Encodings() const;
  // The encoding for a filter index; out-of-range indexes give the first filter's.
  TextEncoding EncodingAt(int filterIndex) const;
  // The 1-based filter index of an encoding; 0 when the filter does not offer it.
  int FilterIndexOf(TextEncoding e) const;
};

const std::vector<ExportFormat>& ExportCatalogue();
// By exact name, or failing that by name in any case; nullptr when unknown.
const ExportFormat* FindExportFormat(std::string_view name);
// By 1-based position; nullptr outside 1..42.
const ExportFormat* ExportFormatAt(int position);

inline constexpr const char* kNoPreview = "No preview available";
// The status text after a successful export.
inline constexpr const char* kExportedOk = "File exported successfully";
// What the user is told when a row's layout is not written yet.
std::string NotAvailableText(std::string_view formatName);

// Rows of the import dialog, in its order. `fileType` names the row of the file-type table
// that reads it ("SRT", "VTT", ...); empty when no reader exists yet.
struct ImportFormat {
  std::string name;
  std::string fileType;
  std::string openTitle;
  std::string openFilter;
};
const std::vector<ImportFormat>& ImportCatalogue();
const ImportFormat* FindImportFormat(std::string_view name);
// The import dialog's "Text encoding" choices, in order.
const std::vector<std::string>& ImportEncodingNames();

// Quick conversion and batch export targets. A target is written either by an export
// catalogue row (`exportName`) or by a main-window file type (`fileType`: "STL", "PAC",
// "890", "KPO").
struct ConvertTarget {
  std::string quickName;    // quick conversion's list ("SubRip SRT")
  std::string batchName;    // batch export's list
  std::string exportName;   // export catalogue row, or ""
  std::string fileType;     // file-type table row, or ""
  std::string extension;    // of the written file, without the dot
  std::string tag;          // batch export's file-name tag; "" when the extension suffices
  std::string progressName; // "Batch Export - Creating <progressName> File..."
};
const std::vector<ConvertTarget>& QuickConvertTargets();  // the 20 formats
const std::vector<ConvertTarget>& BatchExportTargets();   // the 20 formats + "Kipo KPO"
const ConvertTarget* FindConvertTarget(std::string_view name);  // quick, batch or export name

}  // namespace kipo
