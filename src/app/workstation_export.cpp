// The export dialog's flow, the import dialog and batch export on the main window.
#include "app/quick_convert.h"
#include "app/text_exporters.h"
#include "app/workstation.h"
#include "core/markup.h"
#include "platform/files.h"
#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

constexpr const char* kExport = "Export";

std::string FolderWithSeparator(const std::filesystem::path& file) {
  std::string folder = file.parent_path().string();
  if (folder.empty()) folder = ".";
  if (folder.back() != '/') folder += '/';
  return folder;
}

// The first subtitle with a row longer than `limit` characters.
std::optional<std::size_t> FirstLongRow(const SubtitleDocument& doc, int limit) {
  for (std::size_t i = 0; i < doc.Count(); ++i)
    for (const std::string& row : SplitRows(doc.At(i).text))
      if (static_cast<int>(VisibleLength(row)) > limit) return i;
  return std::nullopt;
}

}  // namespace

std::string Workstation::ExportStartFolder() const {
  std::string open = settings_.Get("IO", "Open", "");
  if (settings_.GetInt("IO", "Save in open", 0) == 1 && !open.empty()) return open;
  return settings_.Get("IO", "Save", "");
}

std::string Workstation::ProposedExportName() const {
  if (doc_.filePath.empty() || doc_.filePath == "[Untitled]") return {};
  return std::filesystem::path(doc_.filePath).stem().string();
}

bool Workstation::ExportDialogOk(int position, bool alwaysShowOptions) {
  const ExportFormat* f = ExportFormatAt(position);
  if (!f) return false;
  {
    SettingsStore::Batch batch(settings_);
    settings_.SetInt(kExport, "Last export format", position);
    settings_.SetInt(kExport, "Always show options", alwaysShowOptions ? 1 : 0);
  }
  CommitEditArea();
  optionsCancelled = false;
  if (alwaysShowOptions && f->optionsOnOk && onExportOptions) {
    if (!onExportOptions(*f)) optionsCancelled = true;
    if (optionsCancelled) return false;
  }
  if (f->rowLimit > 0) {
    if (auto i = FirstLongRow(doc_, f->rowLimit)) {
      Message m{kAppTitle,
                "Subtitle " + std::to_string(*i + 1) + " contains more than " + std::to_string(f->rowLimit) +
                    " characters.",
                Buttons::OkCancel, Icon::Warning};
      if (prompter_.Ask(m) != Answer::Ok) return false;
    }
  }
  if (f->ownWindow || !f->available) {
    prompter_.Inform(kAppTitle, NotAvailableText(f->name));
    return false;
  }
  return ExportWithSaveDialog(*f);
}

bool Workstation::ExportWithSaveDialog(const ExportFormat& f) {
  FileDialog d;
  d.title = f.title;
  d.filter = f.filter;
  d.filterIndex = ExportFilterIndex(f, settings_);
  d.defaultExt = f.defaultExt;
  d.initialDir = ExportStartFolder();
  d.fileName = ProposedExportName();
  d.overwritePrompt = true;
  d.pathMustExist = true;
  std::optional<FileChoice> choice = prompter_.SaveFile(d);
  if (!choice || choice->path.empty()) return false;  // Cancel: nothing written, nothing said
  std::filesystem::path path = choice->path;
  if (!path.has_extension()) path += "." + f.defaultExt;
  try {
    lastExportWarnings = ExportToFile(f, path, f.EncodingAt(choice->filterIndex));
  } catch (const UserError& e) {
    prompter_.Inform(e.title(), e.text(), Icon::Critical);
    return false;
  }
  SettingsStore::Batch batch(settings_);
  StoreExportFilterIndex(f, settings_, choice->filterIndex);
  SetStatus(kExportedOk);
  settings_.Set("IO", "Save", FolderWithSeparator(path));
  return true;
}

Warnings Workstation::ExportToFile(const ExportFormat& f, const std::filesystem::path& path, TextEncoding encoding) {
  Warnings w;
  if (f.FilterIndexOf(encoding) == 0) {
    w.push_back(f.name + " files cannot be written in " + TextEncodingName(encoding) + "; written in " +
                TextEncodingName(f.EncodingAt(1)));
    encoding = f.EncodingAt(1);
  }
  Bytes bytes = ExportBytes(f, doc_, settings_, encoding, w);
  WriteFileAtomic(path, bytes);
  return w;
}

Warnings Workstation::ImportFile(const ImportFormat& f, const std::filesystem::path& path,
                                 std::optional<TextEncoding> encoding) {
  Warnings w;
  Bytes bytes = ReadFileBytes(path, std::uintmax_t(256) << 20);
  const Format* format = FormatOf(f);
  if (!format || !format->read) throw UserError(kAppTitle, NotAvailableText(f.name));
  FileContext ctx{prompter_, settings_, doc_.frameRate().code, -1};
  ctx.textEncoding = encoding;
  ctx.ansiCodePage = AnsiCodePageOf(doc_);
  ReadResult read = format->read(bytes, ctx);
  SubtitleDocument fresh = std::move(read.document);
  w = std::move(read.warnings);
  if (format->traits.textFile) {
    // The imported document keeps the open document's character set and language.
    fresh.SetCharacterSet(doc_.characterSet());
    fresh.SetLanguageId(doc_.languageId());
  }
  if (ctx.newEditAreaWidth) SetMaxRowLength(*ctx.newEditAreaWidth);
  fresh.SetFile(path.string());
  fresh.modified = false;
  fresh.saved = false;
  ReplaceDocument(std::move(fresh));
  AutoCleanAfterOpen();
  return w;
}

bool Workstation::ImportDialogOk(int row, int encodingChoice) {
  const auto& list = ImportCatalogue();
  if (row < 0 || row >= static_cast<int>(list.size())) return false;
  const ImportFormat& f = list[static_cast<std::size_t>(row)];
  {
    SettingsStore::Batch batch(settings_);
    settings_.SetInt("Import", "Import file type", row);
    settings_.SetInt("Import", "Text encoding", encodingChoice);
  }
  const Format* format = FormatOf(f);
  if (f.openTitle.empty() && (!format || !format->read)) {
    prompter_.Inform(kAppTitle, NotAvailableText(f.name));
    return false;
  }
  CommitEditArea();
  if (!QuerySaveChanges()) return false;
  FileDialog d;
  d.title = f.openTitle;
  d.filter = f.openFilter;
  d.fileName = f.fileName;
  d.initialDir = settings_.Get("IO", "Open", "");
  d.pathMustExist = true;
  std::optional<FileChoice> choice = prompter_.OpenFile(d);
  if (!choice || choice->path.empty()) return false;
  std::optional<TextEncoding> enc;
  if (encodingChoice == 1) enc = TextEncoding::Utf16;
  else if (encodingChoice == 2) enc = TextEncoding::Utf8;
  // An open dialog that names the encoding by its filter: 1 ANSI, 2 UTF-8, 3 UTF-16.
  if (f.encodingByFilter && encodingChoice == 0 && choice->filterIndex >= 2)
    enc = choice->filterIndex == 2 ? TextEncoding::Utf8 : TextEncoding::Utf16;
  if (f.defaultEncoding) enc = enc.value_or(*f.defaultEncoding);
  try {
    Warnings w = ImportFile(f, choice->path, enc);
    lastExportWarnings = std::move(w);
  } catch (const Cancelled&) {
    return false;
  } catch (const UserError& e) {
    prompter_.Inform(e.title(), e.text(), Icon::Critical);
    return false;
  }
  settings_.Set("IO", "Open", FolderWithSeparator(choice->path));
  return true;
}

std::vector<Workstation::BatchResult> Workstation::BatchExport(const std::vector<bool>& ticked, TextEncoding encoding) {
  FileDialog d;
  d.title = "Batch Export Base File Name";
  d.initialDir = ExportStartFolder();
  d.fileName = ProposedExportName();
  d.pathMustExist = true;
  std::optional<FileChoice> choice = prompter_.SaveFile(d);
  if (!choice || choice->path.empty()) return {};
  return BatchExportTo(ticked, encoding, choice->path);
}

std::vector<Workstation::BatchResult> Workstation::BatchExportTo(const std::vector<bool>& ticked,
                                                                 TextEncoding encoding,
                                                                 const std::filesystem::path& basePath) {
  const auto& targets = BatchExportTargets();
  {
    SettingsStore::Batch batch(settings_);
    for (std::size_t i = 0; i < targets.size(); ++i)
      settings_.SetCheck(kExport, "Batch export " + std::to_string(i), i < ticked.size() && ticked[i]);
    static const char* kNames[] = {"ANSI", "UTF-8", "Unicode"};
    settings_.Set(kExport, "Batch export encoding", kNames[static_cast<int>(encoding)]);
  }
  CommitEditArea();
  std::filesystem::path base = basePath;
  base.replace_extension();
  // The document's own file is never overwritten by its exports.
  if (!doc_.filePath.empty() && std::filesystem::path(doc_.filePath).replace_extension() == base)
    base += "_export";
  std::vector<BatchResult> results;
  long total = 0;
  for (std::size_t i = 0; i < targets.size() && i < ticked.size(); ++i) total += ticked[i];
  prompter_.Progress("Batch Export - Creating Files...", 0, total);
  long done = 0;
  for (std::size_t i = 0; i < targets.size() && i < ticked.size(); ++i) {
    if (!ticked[i]) continue;
    const ConvertTarget& t = targets[i];
    prompter_.Progress("Batch Export - Creating " + t.progressName + " File...", done++, total);
    BatchResult r;
    r.target = t.batchName;
    r.file = base;
    r.file += (t.tag.empty() ? "" : "_" + t.tag) + "." + t.extension;
    try {
      Bytes bytes = WriteConvertTarget(t, doc_, encoding, settings_, prompter_, r.warnings);
      WriteFileAtomic(r.file, bytes);
    } catch (const UserError& e) {
      r.error = e.text();
    }
    results.push_back(std::move(r));
  }
  prompter_.Progress("", total, total);
  SetStatus(kExportedOk);
  return results;
}

}  // namespace kipo
