#pragma once
// The one list of subtitle formats, and every list of the program as a view of it: the
// Open/Save file types and their dialog filters, the export catalogue, the import list,
// quick conversion and batch export. The formats are registered in format_list.h.
#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>
#include <vector>

#include "formats/format.h"

namespace kipo {

// Every registered format, in registration order.
const std::vector<Format>& Formats();
// By id; nullptr when unknown.
const Format* FindFormat(std::string_view id);
// The format whose Open/Save file type has this extension (any case, with or without the
// dot); nullptr when none has.
const Format* FormatForExtension(std::string_view extension);
// The format a file name asks for: a format's two-part extension (".ebuttd.xml") first,
// then the Open/Save file type of its extension, then an export-only format that lists the
// extension (".ult"); nullptr when none does.
const Format* FormatForPath(const std::filesystem::path& path);
// The format that reads a file: of the formats whose file type has the extension (or that
// list it and have a content test), the first whose content test accepts the bytes, else
// the first without a content test.
const Format* FormatForFile(std::string_view extension, std::span<const std::uint8_t> bytes);

// The export catalogue's 42 rows in their order, with or without a writer.
const std::vector<ExportFormat>& ExportCatalogue();
// By exact name, or failing that by name in any case; nullptr when unknown.
const ExportFormat* FindExportFormat(std::string_view name);
// By 1-based position; nullptr outside the list.
const ExportFormat* ExportFormatAt(int position);
// The format of an export row; nullptr for a row without one.
const Format* FormatOf(const ExportFormat& row);

const std::vector<ImportFormat>& ImportCatalogue();
const ImportFormat* FindImportFormat(std::string_view name);
const Format* FormatOf(const ImportFormat& row);

const std::vector<ConvertTarget>& QuickConvertTargets();  // quick conversion's list
const std::vector<ConvertTarget>& BatchExportTargets();   // quick conversion's + batch-only targets
const ConvertTarget* FindConvertTarget(std::string_view name);  // quick, batch, export name or tag
const Format* FormatOf(const ConvertTarget& target);

// The dialog filters of the file types: Open (each readable type, "All Subtitle Files",
// "All Files") and Save As (each type the main window saves).
std::string OpenDialogFilter();
std::string SaveDialogFilter();

// The main window's save of a file type: its hooks around the bytes, or the bytes written
// atomically. Returns the warnings still to show.
Warnings SaveDocument(const Format& format, const SubtitleDocument& doc, const std::filesystem::path& path,
                      FormatContext& ctx);

}  // namespace kipo
