#include "formats/registry.h"

#include <algorithm>
#include <map>

#include "platform/files.h"
#include "platform/text_util.h"

namespace kipo {

#define KIPO_FORMAT(Name) Format Make##Name##Format();
#include "formats/format_list.h"
#undef KIPO_FORMAT
// The catalogue rows whose formats are not written yet (planned_formats.cpp).
std::vector<Format> PlannedFormats();

namespace {

std::string CleanExtension(std::string_view extension) {
  std::string ext = ToUpperAscii(extension);
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  return ext;
}

// The formats that have a row of one kind, ordered by the row's own place.
template <class Row, class Key>
std::vector<Row> View(std::optional<Row> Format::*row, Key key) {
  std::vector<std::pair<int, Row>> rows;
  for (const Format& f : Formats())
    if (f.*row) rows.emplace_back(key(f), *(f.*row));
  std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<Row> out;
  for (auto& [order, r] : rows) out.push_back(std::move(r));
  return out;
}

}  // namespace

const std::vector<Format>& Formats() {
  static const std::vector<Format> formats = [] {
    std::vector<Format> v;
#define KIPO_FORMAT(Name) v.push_back(Make##Name##Format());
#include "formats/format_list.h"
#undef KIPO_FORMAT
    for (Format& f : PlannedFormats()) v.push_back(std::move(f));
    // The rows name their format, and say what this build can do with it.
    for (Format& f : v) {
      if (f.exportRow) {
        f.exportRow->formatId = f.id;
        f.exportRow->available = f.CanWrite() && !f.exportRow->ownWindow;
      }
      if (f.importRow) {
        f.importRow->formatId = f.id;
        if (f.fileType && f.CanRead()) f.importRow->fileType = f.fileType->extension;
      }
      if (f.convert) f.convert->formatId = f.id;
    }
    return v;
  }();
  return formats;
}

const Format* FindFormat(std::string_view id) {
  for (const Format& f : Formats())
    if (f.id == id) return &f;
  return nullptr;
}

const Format* FormatForExtension(std::string_view extension) {
  const std::string ext = CleanExtension(extension);
  for (const Format& f : Formats())
    if (f.fileType && f.fileType->extension == ext) return &f;
  // Other extensions a file type goes by (".fpc" files have the PAC layout).
  const std::string lower = ToLowerAscii(ext);
  for (const Format& f : Formats())
    if (f.fileType && std::find(f.extensions.begin(), f.extensions.end(), lower) != f.extensions.end()) return &f;
  return nullptr;
}

const Format* FormatForPath(const std::filesystem::path& path) {
  const std::string name = ToLowerAscii(path.filename().string());
  for (const Format& f : Formats())
    for (const std::string& ext : f.extensions)
      if (ext.find('.') != std::string::npos && name.size() > ext.size() + 1 && name.ends_with("." + ext)) return &f;
  const std::string ext = ToUpperAscii(path.extension().string());
  if (const Format* f = FormatForExtension(ext)) return f;
  const std::string lower = ToLowerAscii(CleanExtension(ext));
  for (const Format& f : Formats())
    if (!f.fileType && std::find(f.extensions.begin(), f.extensions.end(), lower) != f.extensions.end()) return &f;
  return nullptr;
}

const Format* FormatForFile(std::string_view extension, std::span<const std::uint8_t> bytes) {
  const std::string ext = CleanExtension(extension);
  const std::string lower = ToLowerAscii(ext);
  const Format* fallback = nullptr;
  for (const Format& f : Formats()) {
    const bool byType = f.fileType && f.fileType->extension == ext;
    // A format with a content test may also claim an extension it only lists (.xml).
    const bool byName = f.sniff && std::find(f.extensions.begin(), f.extensions.end(), lower) != f.extensions.end();
    if (!byType && !byName) continue;
    if (f.sniff ? f.sniff(bytes) : true) {
      if (f.sniff) return &f;
      if (!fallback) fallback = &f;
    }
  }
  return fallback ? fallback : FormatForExtension(extension);
}

const std::vector<ExportFormat>& ExportCatalogue() {
  static const std::vector<ExportFormat> rows =
      View(&Format::exportRow, [](const Format& f) { return f.exportRow->position; });
  return rows;
}

const ExportFormat* FindExportFormat(std::string_view name) {
  for (const ExportFormat& f : ExportCatalogue())
    if (f.name == name) return &f;
  for (const ExportFormat& f : ExportCatalogue())
    if (EqualsIgnoreCase(f.name, name)) return &f;
  return nullptr;
}

const ExportFormat* ExportFormatAt(int position) {
  for (const ExportFormat& f : ExportCatalogue())
    if (f.position == position) return &f;
  return nullptr;
}

const Format* FormatOf(const ExportFormat& row) { return FindFormat(row.formatId); }

const std::vector<ImportFormat>& ImportCatalogue() {
  static const std::vector<ImportFormat> rows =
      View(&Format::importRow, [](const Format& f) { return f.importRow->position; });
  return rows;
}

const ImportFormat* FindImportFormat(std::string_view name) {
  for (const ImportFormat& f : ImportCatalogue())
    if (EqualsIgnoreCase(f.name, name)) return &f;
  return nullptr;
}

const Format* FormatOf(const ImportFormat& row) { return FindFormat(row.formatId); }

const std::vector<ConvertTarget>& QuickConvertTargets() {
  static const std::vector<ConvertTarget> rows = [] {
    std::vector<ConvertTarget> v;
    for (ConvertTarget& t : View(&Format::convert, [](const Format& f) { return f.convert->position; }))
      if (!t.quickName.empty()) v.push_back(std::move(t));
    return v;
  }();
  return rows;
}

const std::vector<ConvertTarget>& BatchExportTargets() {
  static const std::vector<ConvertTarget> rows = [] {
    std::vector<ConvertTarget> v = QuickConvertTargets();
    for (ConvertTarget& t : View(&Format::convert, [](const Format& f) { return f.convert->position; }))
      if (t.quickName.empty()) v.push_back(std::move(t));
    return v;
  }();
  return rows;
}

const ConvertTarget* FindConvertTarget(std::string_view name) {
  for (const ConvertTarget& t : BatchExportTargets())
    if (EqualsIgnoreCase(t.quickName, name) || EqualsIgnoreCase(t.batchName, name) ||
        (!t.exportName.empty() && EqualsIgnoreCase(t.exportName, name)) || EqualsIgnoreCase(t.tag, name))
      return &t;
  return nullptr;
}

const Format* FormatOf(const ConvertTarget& target) { return FindFormat(target.formatId); }

std::string OpenDialogFilter() {
  std::map<int, std::string> entries, all;
  for (const Format& f : Formats()) {
    if (!f.fileType) continue;
    const FileTypeRow& t = *f.fileType;
    if (t.openOrder) entries[t.openOrder] = t.name + "|" + t.openPattern;
    if (t.allFilesOrder) all[t.allFilesOrder] = "*." + t.extension + ";";
  }
  std::string filter;
  for (const auto& [order, e] : entries) filter += e + "|";
  filter += "All Subtitle Files|";
  for (const auto& [order, p] : all) filter += p;
  return filter + "|All Files (*.*)|*.*";
}

std::string SaveDialogFilter() {
  std::map<int, std::string> entries;
  for (const Format& f : Formats())
    if (f.fileType && f.fileType->saveOrder)
      entries[f.fileType->saveOrder] = f.fileType->name + "|*." + ToLowerAscii(f.fileType->extension);
  std::string filter;
  for (const auto& [order, e] : entries) filter += (filter.empty() ? "" : "|") + e;
  return filter;
}

Warnings SaveDocument(const Format& format, const SubtitleDocument& doc, const std::filesystem::path& path,
                      FormatContext& ctx) {
  Warnings warnings;
  if (format.hooks.save) {
    warnings = format.hooks.save(doc, path, ctx);
  } else {
    WriteResult r = format.write(doc, ctx);
    WriteFileAtomic(path, r.bytes);
    warnings = std::move(r.warnings);
  }
  if (format.hooks.formatWarnings) {
    // Save As has shown these before writing.
    const Warnings shown = format.hooks.formatWarnings(doc);
    std::erase_if(warnings, [&](const std::string& w) { return std::ranges::find(shown, w) != shown.end(); });
  }
  if (format.hooks.afterSave) format.hooks.afterSave(path, ctx);
  return warnings;
}

}  // namespace kipo
