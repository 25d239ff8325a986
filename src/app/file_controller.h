#pragma once
// The file commands: New, Open, Append, Save, Save As and the autosave tick. Each command
// returns false when it was cancelled or failed; a failed read leaves the open document
// exactly as it was.
#include <cstdint>
#include <memory>
#include <string>

#include "app/session.h"

namespace kipo {

class AutoSaver;
class TextController;

class FileController {
 public:
  FileController(DocumentSession& session, TextController& text);
  ~FileController();

  // Asks "Save changes to current file?" (Yes/No/Cancel) when the document is modified;
  // false on Cancel, or when the save that Yes starts is cancelled or fails.
  bool QuerySaveChanges();
  // New: the save question, then an empty document with the new-project choices.
  bool New(int frameRateCode, std::int32_t languageId, std::int16_t characterSet);
  // Open: the save question, the "Open subtitle file" dialog, then OpenPath.
  bool Open();
  // Reads a file with the reader its extension selects and makes it the document.
  bool OpenPath(const std::string& path);
  // Append: the "Append File" dialog, then AppendPath.
  bool Append();
  // Adds a file's subtitles after the existing ones; the document keeps its own values.
  bool AppendPath(const std::string& path);
  // Save: Save As when the document has no file yet, otherwise writes it in its type.
  bool Save();
  // Save As: the "Save File As" dialog, then SaveToPath.
  bool SaveAs();
  // Writes the document to a chosen path in the type its extension selects (atomically)
  // and makes that path the document's file. While it writes, the window title says
  // "Kipo - Saving <path>" (the session's OnWindowTitle).
  bool SaveToPath(const std::string& path);
  // The desktop app's autosave timer calls this at every tick.
  void AutoSaveTick();
  AutoSaver& autosaver();

 private:
  DocumentSession& s_;
  TextController& text_;
  std::unique_ptr<AutoSaver> autosaver_;  // made on first use
};

}  // namespace kipo
