// The main window's file commands: New, Open, Append, Save, Save As and the autosave tick.
#include <algorithm>
#include <filesystem>
#include <unordered_set>

#include "app/file_dialogs.h"
#include "app/file_types.h"
#include "app/native_settings.h"
#include "app/file_controller.h"
#include "app/text_controller.h"
#include "core/autosave.h"
#include "core/legacy_wsb.h"
#include "core/markup.h"
#include "core/native_file.h"
#include "platform/files.h"
#include "platform/log.h"
#include "platform/text_util.h"
#include "platform/user_error.h"
#include "settings/keys.h"
#include "timing/error_list.h"

namespace kipo {
namespace {

// Runs of spaces inside a text become one space (the "Delete spaces" pass after Open).
bool CollapseSpaces(std::string& text) {
  auto end = std::unique(text.begin(), text.end(), [](char a, char b) { return a == ' ' && b == ' '; });
  if (end == text.end()) return false;
  text.erase(end, text.end());
  return true;
}

// A lone CR or LF inside a text is a stray line break: it becomes the CR LF of a row.
bool MendLineBreaks(std::string& text) {
  if (text.find_first_of("\r\n") == std::string::npos) return false;
  std::string out;
  out.reserve(text.size() + 8);
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out += "\r\n";
      ++i;
    } else if (c == '\r' || c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  if (out == text) return false;
  text = std::move(out);
  return true;
}

// Reads a file into a new document, or shows the reader's message (none when the user
// cancelled a reader's question) and returns nothing.
std::optional<LoadedDocument> ReadForWorkstation(const std::string& path, SettingsStore& settings, Prompter& prompter) {
  FileContext ctx{prompter, settings};
  try {
    return ReadDocumentFile(path, ctx);
  } catch (const Cancelled&) {
    return std::nullopt;  // the user has just said no: nothing more to show
  } catch (const UserError& e) {
    prompter.Inform(e.title(), e.text(), Icon::Critical);
    return std::nullopt;
  }
}

// Subtitles with too many rows have their own list and question after every save
// (WarnTooManyRows); a writer that reports them too would show them twice.
void DropTooManyRowsLines(Warnings& warnings, const SubtitleDocument& doc) {
  if (warnings.empty()) return;
  std::unordered_set<std::string> lines;
  for (std::size_t i = 0; i < doc.Count(); ++i) lines.insert(TooManyRowsLine(i + 1, CountRows(doc.At(i).text)));
  std::erase_if(warnings, [&](const std::string& w) { return lines.contains(w); });
}

void ShowWarnings(Prompter& prompter, const Warnings& warnings) {
  if (warnings.empty()) return;
  std::string text;
  for (const std::string& w : warnings) text += (text.empty() ? "" : "\n") + w;
  prompter.Inform(kAppTitle, text, Icon::Warning);
}

// The types of the Save As dialog: ours, and the broadcast types we keep documents in.
bool IsSaveType(const std::string& path) {
  const Format* format = FormatForExtension(UpperExtension(path));
  return format && format->write && format->fileType && format->fileType->saveOrder > 0;
}

}  // namespace

FileController::FileController(DocumentSession& session, TextController& text) : s_(session), text_(text) {}

FileController::~FileController() = default;

AutoSaver& FileController::autosaver() {
  if (!autosaver_) autosaver_ = std::make_unique<AutoSaver>();
  return *autosaver_;
}

void FileController::AutoSaveTick() {
  autosaver().Tick(s_.doc(), AutoSaveOptionsFrom(s_.settings()), s_.prompter(), [this] { s_.CommitEditArea(); });
}

bool FileController::QuerySaveChanges() {
  if (!s_.doc().modified) return true;
  switch (s_.prompter().Ask({kAppTitle, "Save changes to current file?", Buttons::YesNoCancel, Icon::Question})) {
    case Answer::No: return true;
    case Answer::Yes: return Save();
    default: return false;
  }
}

bool FileController::New(int frameRateCode, std::int32_t languageId, std::int16_t characterSet) {
  if (!QuerySaveChanges()) return false;
  s_.NewDocument(frameRateCode, languageId, characterSet);
  return true;
}

bool FileController::Open() {
  if (!QuerySaveChanges()) return false;
  auto choice = s_.prompter().OpenFile(MakeFileDialog(kOpenSubtitleDialog, UpperExtension(s_.doc().filePath)));
  return choice && OpenPath(choice->path);
}

bool FileController::OpenPath(const std::string& path) {
  s_.SetStatus("Reading " + path);
  autosaver().suppressed = true;
  auto loaded = ReadForWorkstation(path, s_.settings(), s_.prompter());
  autosaver().suppressed = false;
  if (!loaded) {
    s_.SetStatus("");
    return false;
  }
  SubtitleDocument doc = std::move(loaded->doc);
  if (s_.settings().Get(keys::kDeleteSpaces)) {
    s_.SetStatus("Deleting extra spaces...");
    std::vector<Subtitle> subs = doc.Subtitles();
    bool changed = false;
    for (Subtitle& s : subs) changed = CollapseSpaces(s.text) || changed;
    if (changed) {
      doc.ReplaceAll(std::move(subs));  // marks the document modified: it differs from the file
    }
  }
  // The stored position is used only with "Remember Last Location".
  if (!s_.settings().Get(keys::kRememberLastLocation)) doc.SetCurrentNumber(1);
  s_.ReplaceDocument(std::move(doc));
  s_.SetStatus("");
  if (loaded->newEditAreaWidth) s_.SetMaxRowLength(*loaded->newEditAreaWidth);
  ShowWarnings(s_.prompter(), loaded->warnings);
  text_.AutoCleanAfterOpen();
  return true;
}

bool FileController::Append() {
  auto choice = s_.prompter().OpenFile(MakeFileDialog(kAppendFileDialog, UpperExtension(s_.doc().filePath)));
  return choice && AppendPath(choice->path);
}

bool FileController::AppendPath(const std::string& path) {
  s_.CommitEditArea();
  s_.SetStatus("Reading " + path);
  autosaver().suppressed = true;
  auto loaded = ReadForWorkstation(path, s_.settings(), s_.prompter());
  autosaver().suppressed = false;
  s_.SetStatus("");
  if (!loaded) return false;
  const auto& extra = loaded->doc.Subtitles();
  if (s_.doc().Count() + extra.size() > kMaxSubtitles) {
    s_.prompter().Inform(kAppTitle, "A document can hold at most 32767 subtitles.", Icon::Critical);
    return false;
  }
  s_.RecordDocument("Append file");
  std::vector<Subtitle> all = s_.doc().Subtitles();
  all.insert(all.end(), extra.begin(), extra.end());
  s_.doc().ReplaceAll(std::move(all));
  s_.doc().modified = true;
  s_.doc().saved = false;
  s_.GoTo(s_.current());
  if (loaded->newEditAreaWidth) s_.SetMaxRowLength(*loaded->newEditAreaWidth);
  ShowWarnings(s_.prompter(), loaded->warnings);
  return true;
}

bool FileController::Save() {
  // A document read from a file of another program (SubRip, WebVTT...) is never written
  // back over it: its frames and encoding would silently replace the file's own. Save asks
  // for a file of our own types; writing the foreign type again is an export.
  if (s_.doc().filePath.empty() || !IsSaveType(s_.doc().filePath)) return SaveAs();
  return SaveToPath(s_.doc().filePath);
}

bool FileController::SaveAs() {
  FileDialog dialog = MakeFileDialog(kSaveFileAsDialog, UpperExtension(s_.doc().filePath));
  if (!s_.doc().filePath.empty() && !IsSaveType(s_.doc().filePath)) {
    // Proposed: the imported file's name with our own extension, beside it.
    std::filesystem::path proposed(s_.doc().filePath);
    dialog.initialDir = proposed.parent_path().string();
    dialog.fileName = proposed.stem().string() + "." + kSaveFileAsDialog.defaultExt;
  } else if (!s_.doc().filePath.empty()) {
    dialog.fileName = std::filesystem::path(s_.doc().filePath).filename().string();
  }
  auto choice = s_.prompter().SaveFile(dialog);
  if (!choice || choice->path.empty()) return false;
  std::string path = choice->path;
  if (UpperExtension(path).empty()) {
    std::string ext = ExtensionForFilterIndex(kSaveFileAsDialog.filter, choice->filterIndex);
    path += "." + ToLowerAscii(ext.empty() ? std::string("kpox") : ext);
  }
  if (!IsSaveType(path)) {
    s_.prompter().Inform(kAppTitle,
                         "Kipo saves its own file types here: " + std::filesystem::path(path).filename().string() +
                             " is written with File > Export.",
                         Icon::Warning);
    return false;
  }
  if (const Format* format = FormatForExtension(UpperExtension(path)); format && format->hooks.formatWarnings)
    for (const std::string& w : format->hooks.formatWarnings(s_.doc())) s_.prompter().Inform("Format warning", w, Icon::Warning);
  return SaveToPath(path);
}

bool FileController::SaveToPath(const std::string& path) {
  const Format* format = FormatForExtension(UpperExtension(path));
  if (!format || !format->write) {
    s_.prompter().Inform(kAppTitle, "Kipo cannot save files of this type: " + std::filesystem::path(path).filename().string(),
                     Icon::Critical);
    return false;
  }
  s_.CommitEditArea();
  for (std::size_t i = 0; i < s_.doc().Count(); ++i) {
    std::string text = s_.doc().At(i).text;
    if (MendLineBreaks(text)) s_.doc().SetText(i, text);
  }
  // The backup taken before every save.
  AutoSaveOptions autosave = AutoSaveOptionsFrom(s_.settings());
  if (autosave.interval >= 1) autosaver().SaveNow(s_.doc(), autosave, s_.prompter());

  s_.ShowTitle(std::string(kAppTitle) + " - Saving " + ToLowerAscii(path));
  Warnings warnings;
  try {
    // The file type's own steps around the bytes: trace lines, safety copy, .BAK copy.
    FileContext ctx{s_.prompter(), s_.settings()};
    warnings = SaveDocument(*format, s_.doc(), path, ctx);
  } catch (const UserError& e) {
    s_.ShowTitle(s_.WindowTitle());
    LogError(e.text());
    s_.prompter().Inform(e.title(), e.text(), Icon::Critical);
    return false;
  }
  s_.doc().SetFile(path);
  s_.doc().saved = true;
  s_.doc().modified = false;
  s_.ShowTitle(s_.WindowTitle());
  s_.GoTo(s_.current());
  s_.SetStatus("File saved OK");
  DropTooManyRowsLines(warnings, s_.doc());
  ShowWarnings(s_.prompter(), warnings);
  kipo::WarnTooManyRows(s_.doc(), s_.house(), s_.prompter());
  return true;
}

}  // namespace kipo
