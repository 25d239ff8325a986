#pragma once
// Every subtitle file type the program opens and saves, in one table: the main window's
// Open/Save dispatch, the start-up command line and `kipo convert` all go through it.
// Each format area adds its rows in its own file (file_types_<area>.cpp).
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/document.h"
#include "platform/binary_io.h"
#include "platform/prompter.h"
#include "settings/settings_store.h"

namespace kipo {

// What a reader or writer may use: questions go through the prompter, options are read
// from the settings by the adapter and handed to the format as plain structs.
struct FileContext {
  Prompter& prompter;
  const SettingsStore& settings;
  // Frame rate (choice code) for files that carry none, such as millisecond-timed text;
  // 0 means 25 fps.
  int frameRateCode = 0;
  // Text writers: the code page to write (0 ANSI, 65001 UTF-8, 1200 UTF-16); -1 means the
  // format's own default.
  int textCodePage = -1;
  // Set by a reader whose long-row question the user answered Yes: the edit area's new
  // width (characters), which the Workstation keeps as the maximum row length.
  std::optional<int> newEditAreaWidth = std::nullopt;
};

using Warnings = std::vector<std::string>;

struct FileType {
  std::string extension;  // upper case, no dot: "KPOX", "STL", "SRT"
  std::string name;       // as the file dialogs name it
  // Builds a new document from the bytes or throws UserError; never touches another one.
  std::function<SubtitleDocument(std::span<const std::uint8_t>, FileContext&, Warnings&)> read;
  // Turns the document into the file's bytes; reports what the format could not carry.
  std::function<Bytes(const SubtitleDocument&, FileContext&, Warnings&)> write;
};

const std::vector<FileType>& FileTypes();
// The type for an extension (any case, with or without the dot); nullptr when unknown.
const FileType* FindFileType(std::string_view extension);

struct LoadedDocument {
  SubtitleDocument doc;
  Warnings warnings;
  std::optional<int> newEditAreaWidth;  // as FileContext::newEditAreaWidth
};
// Reads a file with the reader its extension selects. The result has filePath, fileType,
// saved = true and modified = false. Throws UserError for unknown types and bad files.
LoadedDocument ReadDocumentFile(const std::filesystem::path& path, FileContext& ctx);
// Writes a document with the writer its extension selects, atomically. Returns warnings.
Warnings WriteDocumentFile(const SubtitleDocument& doc, const std::filesystem::path& path, FileContext& ctx);

// The rows of each area (defined in file_types_<area>.cpp).
void AddNativeFileTypes(std::vector<FileType>& table);
void AddBroadcastFileTypes(std::vector<FileType>& table);
void AddStlFileTypes(std::vector<FileType>& table);
void AddExchangeFileTypes(std::vector<FileType>& table);

}  // namespace kipo
