#include "formats/format_rows.h"

namespace kipo {

ExportFormat MakeExportRow(int position, std::string name, std::string category, std::string type,
                           std::string exporter, std::string filter, std::string title, std::string optionsDialog,
                           std::string_view flags) {
  ExportFormat f;
  f.position = position;
  f.name = std::move(name);
  f.category = std::move(category);
  f.type = std::move(type);
  f.exporter = std::move(exporter);
  f.defaultExt = FilterFirstExtension(filter);
  f.filter = std::move(filter);
  f.title = std::move(title);
  f.optionsDialog = std::move(optionsDialog);
  f.optionsOnOk = flags.find('O') != std::string_view::npos;
  f.hasPreview = flags.find('P') != std::string_view::npos;
  f.ownWindow = flags.find('W') != std::string_view::npos;
  return f;
}

ConvertTarget MakeConvertTarget(int position, std::string quickName, std::string batchName, std::string exportName,
                                std::string fileType, std::string extension, std::string tag,
                                std::string progressName) {
  return ConvertTarget{position,          std::move(quickName), std::move(batchName),    std::move(exportName),
                       std::move(fileType), std::move(extension), std::move(tag), std::move(progressName), {}};
}

}  // namespace kipo
