#include "formats/exchange/catalogue.h"

#include "platform/text_util.h"

namespace kipo {
namespace {

// The descriptions of a filter string ("Desc|*.ext|Desc|*.ext").
std::vector<std::string> FilterParts(std::string_view filter) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= filter.size() && !filter.empty()) {
    std::size_t p = filter.find('|', start);
    parts.emplace_back(filter.substr(start, p == std::string_view::npos ? std::string_view::npos : p - start));
    if (p == std::string_view::npos) break;
    start = p + 1;
  }
  return parts;
}

}  // namespace

std::string FilterFirstExtension(std::string_view filter) {
  auto parts = FilterParts(filter);
  if (parts.size() < 2) return {};
  std::string pattern = parts[1];
  std::size_t dot = pattern.find('.');
  std::string ext = dot == std::string::npos ? pattern : pattern.substr(dot + 1);
  std::size_t semi = ext.find(';');
  if (semi != std::string::npos) ext.resize(semi);
  return ToLowerAscii(ext);
}

std::vector<TextEncoding> ExportFormat::Encodings() const {
  std::vector<TextEncoding> out;
  auto parts = FilterParts(filter);
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    const std::string& d = parts[i];
    if (d.find("UTF-8") != std::string::npos) out.push_back(TextEncoding::Utf8);
    else if (d.find("Unicode") != std::string::npos) out.push_back(TextEncoding::Utf16);
    else out.push_back(TextEncoding::Ansi);
  }
  return out;
}

TextEncoding ExportFormat::EncodingAt(int filterIndex) const {
  auto e = Encodings();
  if (e.empty()) return TextEncoding::Ansi;
  if (filterIndex < 1 || filterIndex > static_cast<int>(e.size())) return e.front();
  return e[static_cast<std::size_t>(filterIndex - 1)];
}

int ExportFormat::FilterIndexOf(TextEncoding enc) const {
  auto e = Encodings();
  for (std::size_t i = 0; i < e.size(); ++i)
    if (e[i] == enc) return static_cast<int>(i + 1);
  return 0;
}

std::string NotAvailableText(std::string_view formatName) {
  return "The " + std::string(formatName) + " format is not available yet in this version of Kipo.";
}

const std::vector<std::string>& ImportEncodingNames() {
  static const std::vector<std::string> names = {"System default", "Unicode (UTF-16)", "UTF-8"};
  return names;
}

}  // namespace kipo
