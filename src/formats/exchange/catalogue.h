#pragma once
// The rows of the program's format lists: the export catalogue (the 42 rows of the export
// dialog), the import dialog's list, and the targets of quick conversion and batch export.
// Each row belongs to one format of the registry (formats/registry.h), which builds the
// lists; the export flow, the command line and the desktop dialogs read them from there.
#include <optional>
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
  int rowLimit = 0;             // characters a row may hold before the export asks; 0 = no limit
  std::string formatId;         // the registry's format

  // The encoding of each filter of `filter`, by 1-based filter index, read from the
  // filter's wording (UTF-8, Unicode, otherwise ANSI).
  std::vector<TextEncoding> Encodings() const;
  // The encoding for a filter index; out-of-range indexes give the first filter's.
  TextEncoding EncodingAt(int filterIndex) const;
  // The 1-based filter index of an encoding; 0 when the filter does not offer it.
  int FilterIndexOf(TextEncoding e) const;
};

// The extension of a filter's first pattern, lower case without the dot ("ebuttd.xml").
std::string FilterFirstExtension(std::string_view filter);

inline constexpr const char* kNoPreview = "No preview available";
// The status text after a successful export.
inline constexpr const char* kExportedOk = "File exported successfully";
// What the user is told when a row's layout is not written yet.
std::string NotAvailableText(std::string_view formatName);

// Rows of the import dialog, in its order. `fileType` names the row of the file-type table
// that reads it ("SRT", "VTT", ...); empty when no reader exists yet.
struct ImportFormat {
  int position = 0;      // place in the import dialog's list
  std::string name;
  std::string fileType;
  std::string openTitle;
  std::string openFilter;
  std::string fileName;  // the open dialog's starting file name ("*.srt"); "" without a dialog
  // The open dialog's filter names the encoding (1 ANSI, 2 UTF-8, 3 UTF-16) when the user
  // left the import dialog at "System default".
  bool encodingByFilter = false;
  std::optional<TextEncoding> defaultEncoding;  // when the user chose none
  std::string formatId;
};
// The import dialog's "Text encoding" choices, in order.
const std::vector<std::string>& ImportEncodingNames();

// Quick conversion and batch export targets. A target is written either by an export
// catalogue row (`exportName`) or by a main-window file type (`fileType`: "STL", "PAC",
// "890", "KPO").
struct ConvertTarget {
  int position = 0;         // place in quick conversion's (and batch export's) list
  std::string quickName;    // quick conversion's list ("SubRip SRT")
  std::string batchName;    // batch export's list
  std::string exportName;   // export catalogue row, or ""
  std::string fileType;     // file-type table row, or ""
  std::string extension;    // of the written file, without the dot
  std::string tag;          // batch export's file-name tag; "" when the extension suffices
  std::string progressName; // "Batch Export - Creating <progressName> File..."
  std::string formatId;
};

}  // namespace kipo
