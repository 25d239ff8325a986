#include "app/file_types.h"

#include "platform/files.h"
#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {

const std::vector<FileType>& FileTypes() {
  static const std::vector<FileType> table = [] {
    std::vector<FileType> t;
    AddNativeFileTypes(t);
    AddBroadcastFileTypes(t);
    AddStlFileTypes(t);
    AddExchangeFileTypes(t);
    return t;
  }();
  return table;
}

const FileType* FindFileType(std::string_view extension) {
  std::string ext = ToUpperAscii(extension);
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  for (const FileType& t : FileTypes())
    if (t.extension == ext) return &t;
  return nullptr;
}

LoadedDocument ReadDocumentFile(const std::filesystem::path& path, FileContext& ctx) {
  const FileType* type = FindFileType(UpperExtension(path.string()));
  if (!type || !type->read)
    throw UserError("Invalid file format", "Kipo cannot open files of this type: " + path.filename().string());
  // Subtitle files are small; anything beyond 256 MiB is not one.
  Bytes bytes = ReadFileBytes(path, std::uintmax_t(256) << 20);
  LoadedDocument result;
  result.doc = type->read(bytes, ctx, result.warnings);
  result.newEditAreaWidth = ctx.newEditAreaWidth;
  result.doc.SetFile(path.string());
  result.doc.saved = true;
  result.doc.modified = false;
  return result;
}

Warnings WriteDocumentFile(const SubtitleDocument& doc, const std::filesystem::path& path, FileContext& ctx) {
  const FileType* type = FindFileType(UpperExtension(path.string()));
  if (!type || !type->write)
    throw UserError(kAppTitle, "Kipo cannot save files of this type: " + path.filename().string());
  Warnings warnings;
  Bytes bytes = type->write(doc, ctx, warnings);
  WriteFileAtomic(path, bytes);
  return warnings;
}

}  // namespace kipo
