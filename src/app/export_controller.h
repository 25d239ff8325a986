#pragma once
// The export and import windows' flow and batch export, over the open document.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/file_types.h"
#include "app/session.h"
#include "formats/exchange/catalogue.h"

namespace kipo {

class FileController;
class TextController;

// The warning panel's text for an export's warnings: their count, where the list is kept,
// and the first few lines.
std::string ExportWarningText(const Warnings& warnings);

class ExportController {
 public:
  ExportController(DocumentSession& session, FileController& files, TextController& text);

  // The export dialog's OK for a catalogue row (1-based position): stores "Last export
  // format" and "Always show options", opens the options dialog when asked to, handles the
  // Scenarist 32-character question and runs the row's exporter. True when a file was written.
  bool ExportDialogOk(int position, bool alwaysShowOptions);
  // A text exporter's common flow: save dialog, encoding by filter index, writing, "Remove
  // BOM", filter index and "IO"/"Save" stored, "File exported successfully" shown.
  bool ExportWithSaveDialog(const ExportFormat& format);
  // Writes a row's file without dialogs (command line); returns the writer's warnings.
  Warnings ExportToFile(const ExportFormat& format, const std::filesystem::path& path, TextEncoding encoding);
  // The save dialog's start folder and proposed file name (no extension; "" for [Untitled]).
  std::string ExportStartFolder() const;
  std::string ProposedExportName() const;
  // The desktop app's options dialog for a format: false on Cancel. Without one the stored
  // options are used as they are.
  using OptionsDialog = std::function<bool(const ExportFormat&)>;
  void SetOptionsDialog(OptionsDialog dialog) { optionsDialog_ = std::move(dialog); }
  // The desktop app's window for a row exported through its own window (digital cinema):
  // the export dialog's OK hands the row over; true when the window exported, nullopt when
  // the app has no window for the row.
  using OwnWindow = std::function<std::optional<bool>(const ExportFormat&)>;
  void SetOwnWindow(OwnWindow window) { ownWindow_ = std::move(window); }
  // Whether the last export stopped at a cancelled options dialog.
  bool optionsCancelled() const { return optionsCancelled_; }
  // Warnings of the last export or import.
  const Warnings& lastWarnings() const { return lastWarnings_; }
  // After an export: the writer's warnings replace the warning list (warning.log) and are
  // shown in the warning panel.
  void ReportExportWarnings(const Warnings& warnings);

  // The import dialog's OK for a row of its list with a "Text encoding" choice (0 system
  // default, 1 UTF-16, 2 UTF-8): asks to save changes, shows the open dialog and replaces
  // the document with the file's subtitles. True when the document was replaced.
  bool ImportDialogOk(int row, int encodingChoice);
  // Reads a file with an import row's reader into the open document (no dialogs).
  Warnings ImportFile(const ImportFormat& format, const std::filesystem::path& path,
                      std::optional<TextEncoding> encoding);

  // Batch export: the open document into every target ticked (BatchExportTargets order),
  // after the save dialog "Batch Export Base File Name". Returns the files written.
  struct BatchResult {
    std::filesystem::path file;
    std::string target;
    Warnings warnings;
    std::string error;  // empty when written
  };
  std::vector<BatchResult> BatchExport(const std::vector<bool>& ticked, TextEncoding encoding);
  // The same without the dialog, from a chosen base path.
  std::vector<BatchResult> BatchExportTo(const std::vector<bool>& ticked, TextEncoding encoding,
                                         const std::filesystem::path& base);

 private:
  DocumentSession& s_;
  FileController& files_;
  TextController& text_;
  OptionsDialog optionsDialog_;
  OwnWindow ownWindow_;
  bool optionsCancelled_ = false;
  Warnings lastWarnings_;
};

}  // namespace kipo
