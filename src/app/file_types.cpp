#include "app/file_types.h"

#include "platform/files.h"
#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {

const std::vector<FileType>& FileTypes() {
  static const std::vector<FileType> table = [] {
    std::vector<FileType> t;
    for (const Format& f : Formats()) {
      if (!f.fileType) continue;
      FileType type{f.fileType->extension, f.fileType->name, nullptr, nullptr, &f};
      if (f.read)
        type.read = [&f](std::span<const std::uint8_t> bytes, FileContext& ctx, Warnings& warnings) {
          ReadResult r = f.read(bytes, ctx);
          warnings.insert(warnings.end(), r.warnings.begin(), r.warnings.end());
          return std::move(r.document);
        };
      if (f.write)
        type.write = [&f](const SubtitleDocument& doc, FileContext& ctx, Warnings& warnings) {
          WriteResult r = f.write(doc, ctx);
          warnings.insert(warnings.end(), r.warnings.begin(), r.warnings.end());
          return std::move(r.bytes);
        };
      t.push_back(std::move(type));
    }
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
  const Format* format = FormatForPath(path);
  if (!format || !format->read)
    throw UserError("Invalid file format", "Kipo cannot open files of this type: " + path.filename().string());
  // Subtitle files are small; anything beyond 256 MiB is not one.
  Bytes bytes = ReadFileBytes(path, std::uintmax_t(256) << 20);
  // Extensions that several formats share (.xml) are told apart by the file's content.
  if (const Format* byContent = FormatForFile(UpperExtension(path.string()), bytes);
      byContent && byContent->read && format->fileType)
    format = byContent;
  ReadResult r = format->read(bytes, ctx);
  LoadedDocument result{std::move(r.document), std::move(r.warnings), ctx.newEditAreaWidth,
                        format->fileType ? format->fileType->name : format->name};
  result.doc.SetFile(path.string());
  result.doc.saved = true;
  result.doc.modified = false;
  return result;
}

Warnings WriteDocumentFile(const SubtitleDocument& doc, const std::filesystem::path& path, FileContext& ctx) {
  const Format* format = FormatForPath(path);
  if (!format || !format->write)
    throw UserError(kAppTitle, "Kipo cannot save files of this type: " + path.filename().string());
  WriteResult r = format->write(doc, ctx);
  WriteFileAtomic(path, r.bytes);
  return std::move(r.warnings);
}

}  // namespace kipo
