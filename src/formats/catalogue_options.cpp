// The header files of the Spruce script and the theatrical spotting list, kept in the data
// folder where a user edits them in the header windows or by hand.
#include "formats/catalogue_options.h"

#include <filesystem>

#include "formats/exchange/spotting_list.h"
#include "formats/exchange/spruce_stl.h"
#include "formats/exchange/text_encoding.h"
#include "platform/files.h"

namespace kipo {
namespace {

std::filesystem::path PathOf(HeaderFile which) {
  return DataFolder() / (which == HeaderFile::Spruce ? kSpruceHeaderFile : kTheatricalHeaderFile);
}

// Header files are written as UTF-8 with CR LF line ends, so that a text editor on any
// system shows every character.
std::string ForFile(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') continue;
    if (text[i] == '\n') out += "\r\n";
    else out += text[i];
  }
  return out;
}

}  // namespace

const std::string& DefaultHeader(HeaderFile which) {
  return which == HeaderFile::Spruce ? DefaultSpruceHeader() : DefaultTheatricalHeader();
}

std::string LoadHeaderFile(HeaderFile which) {
  const std::filesystem::path path = PathOf(which);
  try {
    if (std::filesystem::exists(path)) return DecodeImportText(ReadFileBytes(path, 1 << 20), std::nullopt);
  } catch (const std::exception&) {
    return DefaultHeader(which);  // unreadable: the default, and the file is left alone
  }
  try {
    if (EnsureFolder(path.parent_path())) WriteFileAtomic(path, ForFile(DefaultHeader(which)));
  } catch (const std::exception&) {
  }
  return DefaultHeader(which);
}

void SaveHeaderFile(HeaderFile which, std::string_view text) {
  const std::filesystem::path path = PathOf(which);
  EnsureFolder(path.parent_path());
  WriteFileAtomic(path, ForFile(text));
}

}  // namespace kipo
