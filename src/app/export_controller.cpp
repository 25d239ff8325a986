// The export dialog's flow, the import dialog and batch export.
#include "app/quick_convert.h"
#include "app/text_exporters.h"
#include "app/export_controller.h"
#include "app/app_keys.h"
#include "app/file_controller.h"
#include "app/text_controller.h"
#include "core/markup.h"
#include "core/native_save.h"
#include "platform/files.h"
#include "platform/text_util.h"
#include "platform/user_error.h"
#include "settings/keys.h"

namespace kipo {
namespace {

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

ExportController::ExportController(DocumentSession& session, FileController& files, TextController& text)
    : s_(session), files_(files), text_(text) {}

std::string ExportController::ExportStartFolder() const {
  std::string open = s_.settings().Get(keys::kOpenFolder);
  if (s_.settings().Get(keys::kSaveInOpen) == 1 && !open.empty()) return open;
  return s_.settings().Get(keys::kSaveFolder);
}

std::string ExportController::ProposedExportName() const {
  if (s_.doc().filePath.empty() || s_.doc().filePath == "[Untitled]") return {};
  return std::filesystem::path(s_.doc().filePath).stem().string();
}

bool ExportController::ExportDialogOk(int position, bool alwaysShowOptions) {
  const ExportFormat* f = ExportFormatAt(position);
  if (!f) return false;
  {
    SettingsStore::Batch batch(s_.settings());
    s_.settings().Set(keys::kLastExportFormat, position);
    s_.settings().Set(keys::kAlwaysShowOptions, alwaysShowOptions ? 1 : 0);
  }
  s_.CommitEditArea();
  optionsCancelled_ = false;
  if (alwaysShowOptions && f->optionsOnOk && optionsDialog_) {
    if (!optionsDialog_(*f)) optionsCancelled_ = true;
    if (optionsCancelled_) return false;
  }
  if (f->rowLimit > 0) {
    if (auto i = FirstLongRow(s_.doc(), f->rowLimit)) {
      Message m{kAppTitle,
                "Subtitle " + std::to_string(*i + 1) + " contains more than " + std::to_string(f->rowLimit) +
                    " characters.",
                Buttons::OkCancel, Icon::Warning};
      if (s_.prompter().Ask(m) != Answer::Ok) return false;
    }
  }
  if (f->ownWindow && ownWindow_)
    if (std::optional<bool> exported = ownWindow_(*f)) return *exported;
  if (f->ownWindow || !f->available) {
    s_.prompter().Inform(kAppTitle, NotAvailableText(f->name));
    return false;
  }
  return ExportWithSaveDialog(*f);
}

bool ExportController::ExportWithSaveDialog(const ExportFormat& f) {
  FileDialog d;
  d.title = f.title;
  d.filter = f.filter;
  d.filterIndex = ExportFilterIndex(f, s_.settings());
  d.defaultExt = f.defaultExt;
  d.initialDir = ExportStartFolder();
  d.fileName = ProposedExportName();
  d.overwritePrompt = true;
  d.pathMustExist = true;
  std::optional<FileChoice> choice = s_.prompter().SaveFile(d);
  if (!choice || choice->path.empty()) return false;  // Cancel: nothing written, nothing said
  std::filesystem::path path = choice->path;
  if (!path.has_extension()) path += "." + f.defaultExt;
  try {
    lastWarnings_ = ExportToFile(f, path, f.EncodingAt(choice->filterIndex));
  } catch (const UserError& e) {
    s_.prompter().Inform(e.title(), e.text(), Icon::Critical);
    return false;
  }
  SettingsStore::Batch batch(s_.settings());
  StoreExportFilterIndex(f, s_.settings(), choice->filterIndex);
  s_.SetStatus(kExportedOk);
  ReportExportWarnings(lastWarnings_);
  s_.settings().Set(keys::kSaveFolder, FolderWithSeparator(path));
  return true;
}

void ExportController::ReportExportWarnings(const Warnings& warnings) {
  // The list is rewritten by every export, empty when there was nothing to say, so an
  // older list never passes for this file's.
  WriteWarningList(warnings);
  if (warnings.empty()) return;
  s_.ShowWarning(ExportWarningText(warnings));
}

std::string ExportWarningText(const Warnings& warnings) {
  constexpr std::size_t kShown = 4;
  std::string text = std::to_string(warnings.size()) + (warnings.size() == 1 ? " warning" : " warnings") +
                     " while exporting (listed in " + WarningListPath().string() + "):";
  for (std::size_t i = 0; i < warnings.size() && i < kShown; ++i) text += "\n" + warnings[i];
  if (warnings.size() > kShown) text += "\n... and " + std::to_string(warnings.size() - kShown) + " more";
  return text;
}

Warnings ExportController::ExportToFile(const ExportFormat& f, const std::filesystem::path& path, TextEncoding encoding) {
  if (const Format* format = FormatOf(f); format && format->exportTo) {
    FileContext ctx{s_.prompter(), s_.settings(), s_.doc().frameRate().code, -1};
    return format->exportTo(s_.doc(), path, ctx);
  }
  Warnings w;
  if (f.FilterIndexOf(encoding) == 0) {
    w.push_back(f.name + " files cannot be written in " + TextEncodingName(encoding) + "; written in " +
                TextEncodingName(f.EncodingAt(1)));
    encoding = f.EncodingAt(1);
  }
  Bytes bytes = ExportBytes(f, s_.doc(), s_.settings(), encoding, w, &s_.prompter());
  WriteFileAtomic(path, bytes);
  return w;
}

Warnings ExportController::ImportFile(const ImportFormat& f, const std::filesystem::path& path,
                                 std::optional<TextEncoding> encoding) {
  Warnings w;
  Bytes bytes = ReadFileBytes(path, std::uintmax_t(256) << 20);
  const Format* format = FormatOf(f);
  if (!format || !format->read) throw UserError(kAppTitle, NotAvailableText(f.name));
  FileContext ctx{s_.prompter(), s_.settings(), s_.doc().frameRate().code, -1};
  ctx.textEncoding = encoding;
  ctx.ansiCodePage = AnsiCodePageOf(s_.doc());
  ReadResult read = format->read(bytes, ctx);
  SubtitleDocument fresh = std::move(read.document);
  w = std::move(read.warnings);
  if (format->traits.textFile) {
    // The imported document keeps the open document's character set and language.
    fresh.SetCharacterSet(s_.doc().characterSet());
    fresh.SetLanguageId(s_.doc().languageId());
  }
  if (ctx.newEditAreaWidth) s_.SetMaxRowLength(*ctx.newEditAreaWidth);
  fresh.SetFile(path.string());
  fresh.modified = false;
  fresh.saved = false;
  s_.ReplaceDocument(std::move(fresh));
  text_.AutoCleanAfterOpen();
  return w;
}

bool ExportController::ImportDialogOk(int row, int encodingChoice) {
  const auto& list = ImportCatalogue();
  if (row < 0 || row >= static_cast<int>(list.size())) return false;
  const ImportFormat& f = list[static_cast<std::size_t>(row)];
  {
    SettingsStore::Batch batch(s_.settings());
    s_.settings().Set(app_keys::kImportFileType, row);
    s_.settings().Set(app_keys::kImportTextEncoding, encodingChoice);
  }
  const Format* format = FormatOf(f);
  if (f.openTitle.empty() && (!format || !format->read)) {
    s_.prompter().Inform(kAppTitle, NotAvailableText(f.name));
    return false;
  }
  s_.CommitEditArea();
  if (!files_.QuerySaveChanges()) return false;
  FileDialog d;
  d.title = f.openTitle;
  d.filter = f.openFilter;
  d.fileName = f.fileName;
  d.initialDir = s_.settings().Get(keys::kOpenFolder);
  d.pathMustExist = true;
  std::optional<FileChoice> choice = s_.prompter().OpenFile(d);
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
    lastWarnings_ = std::move(w);
  } catch (const Cancelled&) {
    return false;
  } catch (const UserError& e) {
    s_.prompter().Inform(e.title(), e.text(), Icon::Critical);
    return false;
  }
  s_.settings().Set(keys::kOpenFolder, FolderWithSeparator(choice->path));
  return true;
}

std::vector<ExportController::BatchResult> ExportController::BatchExport(const std::vector<bool>& ticked, TextEncoding encoding) {
  FileDialog d;
  d.title = "Batch Export Base File Name";
  d.initialDir = ExportStartFolder();
  d.fileName = ProposedExportName();
  d.pathMustExist = true;
  std::optional<FileChoice> choice = s_.prompter().SaveFile(d);
  if (!choice || choice->path.empty()) return {};
  return BatchExportTo(ticked, encoding, choice->path);
}

std::vector<ExportController::BatchResult> ExportController::BatchExportTo(const std::vector<bool>& ticked,
                                                                 TextEncoding encoding,
                                                                 const std::filesystem::path& basePath) {
  const auto& targets = BatchExportTargets();
  {
    SettingsStore::Batch batch(s_.settings());
    for (std::size_t i = 0; i < targets.size(); ++i) {
      const std::string name = std::string(app_keys::kBatchExportTickPrefix) + std::to_string(i);
      s_.settings().Set(FlagSetting{keys::kExport, name, false, FlagForm::OneZero}, i < ticked.size() && ticked[i]);
    }
    static const char* kNames[] = {"ANSI", "UTF-8", "Unicode"};
    s_.settings().Set(app_keys::kBatchExportEncoding, kNames[static_cast<int>(encoding)]);
  }
  s_.CommitEditArea();
  std::filesystem::path base = basePath;
  base.replace_extension();
  // The document's own file is never overwritten by its exports.
  if (!s_.doc().filePath.empty() && std::filesystem::path(s_.doc().filePath).replace_extension() == base)
    base += "_export";
  std::vector<BatchResult> results;
  long total = 0;
  for (std::size_t i = 0; i < targets.size() && i < ticked.size(); ++i) total += ticked[i];
  s_.prompter().Progress("Batch Export - Creating Files...", 0, total);
  long done = 0;
  for (std::size_t i = 0; i < targets.size() && i < ticked.size(); ++i) {
    if (!ticked[i]) continue;
    const ConvertTarget& t = targets[i];
    s_.prompter().Progress("Batch Export - Creating " + t.progressName + " File...", done++, total);
    BatchResult r;
    r.target = t.batchName;
    r.file = base;
    r.file += (t.tag.empty() ? "" : "_" + t.tag) + "." + t.extension;
    try {
      Bytes bytes = WriteConvertTarget(t, s_.doc(), encoding, s_.settings(), s_.prompter(), r.warnings);
      WriteFileAtomic(r.file, bytes);
    } catch (const UserError& e) {
      r.error = e.text();
    }
    results.push_back(std::move(r));
  }
  s_.prompter().Progress("", total, total);
  s_.SetStatus(kExportedOk);
  return results;
}

}  // namespace kipo
