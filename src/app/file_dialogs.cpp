#include "app/file_dialogs.h"

#include <vector>

#include "platform/text_util.h"

namespace kipo {
namespace {

constexpr const char* kOpenFilter =
    "Kipo 6.1 Files (*.kpox)|*.kpox|Kipo Files (*.kpo)|*.kpo|Screen Subtitling PAC Files (*.pac)|*.PAC|"
    "Scantitling Files (*.890)|*.890|EBU Files (*.stl)|*.STL|Text Files (*.txt)|*.TXT|"
    "All Subtitle Files|*.KPO;*.WSB;*.PAC;*.STL;*.890;*.TXT;|All Files (*.*)|*.*";
constexpr const char* kSaveAsFilter =
    "Kipo 6.1 Files (*.kpox)|*.kpox|Kipo Files (*.kpo)|*.kpo|Kipo 3.5 Files (*.wsb)|*.wsb|"
    "Screen Subtitling PAC Files (*.pac)|*.pac|Scantitling Files (*.890)|*.890|EBU Files (*.stl)|*.stl|"
    "Text Files (*.txt)|*.txt";

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

const FileDialogSpec kOpenSubtitleDialog{"Open subtitle file", kOpenFilter, "kpox", false};
const FileDialogSpec kAppendFileDialog{"Append File", kOpenFilter, "kpox", false};
const FileDialogSpec kSaveFileAsDialog{"Save File As", kSaveAsFilter, "kpox", true};

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

FileDialog MakeFileDialog(const FileDialogSpec& spec, std::string_view currentExtension) {
  FileDialog d;
  d.title = spec.title;
  d.filter = spec.filter;
  d.filterIndex = FilterIndexForExtension(spec.filter, currentExtension);
  d.defaultExt = spec.defaultExt;
  d.overwritePrompt = spec.overwritePrompt;
  d.pathMustExist = !spec.overwritePrompt;
  return d;
}

}  // namespace kipo
