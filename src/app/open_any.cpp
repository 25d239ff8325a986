#include "app/open_any.h"

#include "app/file_dialogs.h"
#include "app/file_types.h"
#include "formats/registry.h"
#include "platform/files.h"
#include "platform/text_util.h"
#include "platform/user_error.h"
#include "settings/keys.h"

namespace kipo {
namespace {

// Subtitle files are small; only the first bytes are needed to tell a type by content.
constexpr std::uintmax_t kSniffBytes = 64 * 1024;

const Format* ReaderFor(const std::filesystem::path& path) {
  const std::string ext = UpperExtension(path.string());
  Bytes head;
  try {
    head = ReadFileBytes(path, std::uintmax_t(256) << 20);
  } catch (const UserError&) {
    return nullptr;
  }
  if (head.size() > kSniffBytes) head.resize(kSniffBytes);
  const Format* f = FormatForFile(ext, head);
  if (f && f->read) return f;
  // A type whose only row is in the import list ("Import..." knows it by extension).
  for (const Format& g : Formats()) {
    if (!g.read || !g.importRow) continue;
    for (const std::string& e : g.extensions)
      if (EqualsIgnoreCase(e, ext)) return &g;
  }
  return nullptr;
}

}  // namespace

OpenKind OpenKindOf(const std::filesystem::path& path) {
  const Format* f = ReaderFor(path);
  if (!f) return OpenKind::Unreadable;
  // Kipo's own types are those the Open dialog lists (and the older ones it reads).
  const bool own = f->fileType && (f->fileType->openOrder > 0 || f->fileType->allFilesOrder > 0);
  return own ? OpenKind::Native : OpenKind::Import;
}

namespace {

std::string FolderOf(const std::filesystem::path& file) { return file.parent_path().string() + "/"; }

// Opens or imports a file once the save question has been answered.
bool Load(Workstation& ws, const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    ws.prompter().Inform("Cannot open file", path.string() + " is not a file that can be opened.", Icon::Critical);
    return false;
  }
  const Format* f = ReaderFor(path);
  if (!f) {
    ws.prompter().Inform("Invalid file format", "Kipo cannot open files of this type: " + path.filename().string(),
                         Icon::Critical);
    return false;
  }
  if (OpenKindOf(path) == OpenKind::Native) return ws.files().OpenPath(path.string());
  try {
    Warnings w;
    if (f->importRow) {
      w = ws.exports().ImportFile(*f->importRow, path, std::nullopt);
    } else {
      // A type without a row in the import list (W3C Timed Text): read as Open reads it,
      // then kept as an imported document.
      FileContext ctx{ws.prompter(), ws.settings()};
      LoadedDocument loaded = ReadDocumentFile(path, ctx);
      loaded.doc.saved = false;
      ws.session().ReplaceDocument(std::move(loaded.doc));
      if (loaded.newEditAreaWidth) ws.session().SetMaxRowLength(*loaded.newEditAreaWidth);
      ws.text().AutoCleanAfterOpen();
      w = std::move(loaded.warnings);
    }
    if (!w.empty()) {
      std::string text;
      for (const std::string& line : w) text += (text.empty() ? "" : "\n") + line;
      ws.prompter().Inform(kAppTitle, text, Icon::Warning);
    }
  } catch (const Cancelled&) {
    return false;
  } catch (const UserError& e) {
    ws.prompter().Inform(e.title(), e.text(), Icon::Critical);
    return false;
  }
  ws.settings().Set(keys::kOpenFolder, FolderOf(path));
  return true;
}

}  // namespace

bool OpenAnyFile(Workstation& ws, const std::filesystem::path& path) {
  ws.session().CommitEditArea();
  if (!ws.files().QuerySaveChanges()) return false;
  return Load(ws, path);
}

bool OpenAnyFileDialog(Workstation& ws) {
  ws.session().CommitEditArea();
  if (!ws.files().QuerySaveChanges()) return false;
  auto choice = ws.prompter().OpenFile(MakeFileDialog(kOpenSubtitleDialog, UpperExtension(ws.doc().filePath)));
  return choice && !choice->path.empty() && Load(ws, choice->path);
}

}  // namespace kipo
