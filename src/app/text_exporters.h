#pragma once
// The export catalogue's text rows through their formats in the registry: one place for
// the export dialog, batch export, quick conversion and the command line.
#include <string>
#include <string_view>

#include "app/file_types.h"
#include "formats/exchange/catalogue.h"
#include "formats/exchange/subrip.h"
#include "formats/exchange/webvtt.h"
#include "formats/registry.h"

namespace kipo {

// Options as stored under the settings keys of each format.
SubRipOptions LoadSubRipOptions(const SettingsStore& settings);
void SaveSubRipOptions(SettingsStore& settings, const SubRipOptions& o);
WebVttOptions LoadWebVttOptions(const SettingsStore& settings);
void SaveWebVttOptions(SettingsStore& settings, const WebVttOptions& o);

// Sets one option of a format by its settings key ("Tags", "WebVTT movie name", ...), as
// `kipo export --option` does. Returns false when the format has no such key or the value
// does not fit it.
bool SetExportOption(SettingsStore& settings, std::string_view formatName, std::string_view key,
                     std::string_view value);
// The keys `SetExportOption` knows for a format.
std::vector<std::string> ExportOptionKeys(std::string_view formatName);

// True when the row has a text writer in this build.
bool HasTextExporter(std::string_view formatName);
// True when the row can be exported without its window: a text writer, a format that
// writes its bytes (captions, presentations), or one that writes its own files (digital
// cinema's 3D pair).
bool HasExporter(std::string_view formatName);
// The row's file as UTF-8 text with CR LF line ends; throws UserError when the row has
// no writer yet.
std::string ExportText(const ExportFormat& f, const SubtitleDocument& doc, const SettingsStore& settings,
                       Warnings& warnings);
// The whole file in an encoding, with "Export"/"Remove BOM" applied. `prompter` answers the
// questions of a format that writes its own bytes (none: a silent one).
Bytes ExportBytes(const ExportFormat& f, const SubtitleDocument& doc, const SettingsStore& settings,
                  TextEncoding encoding, Warnings& warnings, Prompter* prompter = nullptr);
// The encoding a row starts with: its stored filter index (SubRip's "SRT"/"Filter index",
// default 3), for the others the first filter.
TextEncoding DefaultExportEncoding(const ExportFormat& f, const SettingsStore& settings);
// The filter index the row's save dialog starts at, and storing the one the user picked.
int ExportFilterIndex(const ExportFormat& f, const SettingsStore& settings);
void StoreExportFilterIndex(const ExportFormat& f, SettingsStore& settings, int filterIndex);
// The ANSI code page of a document: its character set's, else the Western default.
std::string AnsiCodePageOf(const SubtitleDocument& doc);
// The preview sample of a row: two short subtitles as the format lays them out, or
// "No preview available".
std::string ExportPreview(const ExportFormat& f);

}  // namespace kipo
