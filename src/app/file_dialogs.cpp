#include "app/file_dialogs.h"

#include <vector>

#include "formats/registry.h"
#include "platform/text_util.h"

namespace kipo {
namespace {

// The pattern part of every entry.
std::vector<std::string> Patterns(std::string_view filter) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= filter.size()) {
    std::size_t bar = filter.find('|', start);
    parts.emplace_back(filter.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start));
    if (bar == std::string_view::npos) break;
    start = bar + 1;
  }
  std::vector<std::string> patterns;
  for (std::size_t i = 1; i < parts.size(); i += 2) patterns.push_back(parts[i]);
  return patterns;
}

std::string FirstExtension(const std::string& pattern) {
  std::string first = pattern.substr(0, pattern.find(';'));
  if (!StartsWith(first, "*.") || first == "*.*") return {};
  return ToUpperAscii(first.substr(2));
}

}  // namespace

const FileDialogSetup kOpenSubtitleDialog{"Open subtitle file", OpenDialogFilter(), "kpox", false};
const FileDialogSetup kAppendFileDialog{"Append File", OpenDialogFilter(), "kpox", false};
const FileDialogSetup kSaveFileAsDialog{"Save File As", SaveDialogFilter(), "kpox", true};

int FilterIndexForExtension(std::string_view filter, std::string_view extension) {
  std::string ext = ToUpperAscii(extension);
  auto patterns = Patterns(filter);
  for (std::size_t i = 0; i < patterns.size(); ++i)
    if (!ext.empty() && FirstExtension(patterns[i]) == ext) return static_cast<int>(i + 1);
  return 1;
}

std::string ExtensionForFilterIndex(std::string_view filter, int index) {
  auto patterns = Patterns(filter);
  if (index < 1 || static_cast<std::size_t>(index) > patterns.size()) return {};
  return FirstExtension(patterns[static_cast<std::size_t>(index - 1)]);
}

FileDialog MakeFileDialog(const FileDialogSetup& setup, std::string_view currentExtension) {
  FileDialog d;
  d.title = setup.title;
  d.filter = setup.filter;
  d.filterIndex = FilterIndexForExtension(setup.filter, currentExtension);
  d.defaultExt = setup.defaultExt;
  d.overwritePrompt = setup.overwritePrompt;
  d.pathMustExist = !setup.overwritePrompt;
  return d;
}

}  // namespace kipo
