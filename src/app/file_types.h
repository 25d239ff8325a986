#pragma once
// Every subtitle file type the program opens and saves: the main window's Open/Save
// dispatch, the start-up command line and `kipo convert` all go through it. The table is
// the registry's formats that have a file-type row (formats/registry.h).
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "formats/format.h"
#include "formats/registry.h"

namespace kipo {

using FileContext = FormatContext;

struct FileType {
  std::string extension;  // upper case, no dot: "KPOX", "STL", "SRT"
  std::string name;       // as the file dialogs name it
  // Builds a new document from the bytes or throws UserError; never touches another one.
  std::function<SubtitleDocument(std::span<const std::uint8_t>, FileContext&, Warnings&)> read;
  // Turns the document into the file's bytes; reports what the format could not carry.
  std::function<Bytes(const SubtitleDocument&, FileContext&, Warnings&)> write;
  const Format* format = nullptr;
};

const std::vector<FileType>& FileTypes();
// The type for an extension (any case, with or without the dot); nullptr when unknown.
const FileType* FindFileType(std::string_view extension);

struct LoadedDocument {
  SubtitleDocument doc;
  Warnings warnings;
  std::optional<int> newEditAreaWidth;  // as FileContext::newEditAreaWidth
  std::string typeName;  // the file type that read it, told by its content where types share an extension
};
// Reads a file with the reader its extension selects. The result has filePath, fileType,
// saved = true and modified = false. Throws UserError for unknown types and bad files.
LoadedDocument ReadDocumentFile(const std::filesystem::path& path, FileContext& ctx);
// Writes a document with the writer its extension selects, atomically. Returns warnings.
Warnings WriteDocumentFile(const SubtitleDocument& doc, const std::filesystem::path& path, FileContext& ctx);

}  // namespace kipo
