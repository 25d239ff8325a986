// The main window's file commands: New, Open, Append, Save, Save As and the autosave tick.
#include <algorithm>
#include <filesystem>
#include <unordered_set>

#include "app/file_dialogs.h"
#include "app/file_types.h"
#include "app/native_settings.h"
#include "app/workstation.h"
#include "core/autosave.h"
#include "core/legacy_wsb.h"
#include "core/markup.h"
#include "core/native_file.h"
#include "platform/files.h"
#include "platform/log.h"
#include "platform/text_util.h"
#include "platform/user_error.h"

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

}  // namespace

AutoSaver& Workstation::autosaver() {
  if (!autosaver_) autosaver_ = std::make_shared<AutoSaver>();
  return *autosaver_;
}

void Workstation::AutoSaveTick() {
  autosaver().Tick(doc_, AutoSaveOptionsFrom(settings_), prompter_, [this] { CommitEditArea(); });
}

void Workstation::SetMaxRowLength(int characters) {
  house_.maxRowLength = static_cast<short>(std::clamp(characters, 1, 32767));
  settings_.SetInt(kHouseOptionsSection, "Maximum row length", house_.maxRowLength);
}

bool Workstation::QuerySaveChanges() {
  if (!doc_.modified) return true;
  switch (prompter_.Ask({kAppTitle, "Save changes to current file?", Buttons::YesNoCancel, Icon::Question})) {
    case Answer::No: return true;
    case Answer::Yes: return Save();
    default: return false;
  }
}

bool Workstation::New(int frameRateCode, std::int32_t languageId, std::int16_t characterSet) {
  if (!QuerySaveChanges()) return false;
  NewDocument(frameRateCode, languageId, characterSet);
  return true;
}

bool Workstation::Open() {
  if (!QuerySaveChanges()) return false;
  auto choice = prompter_.OpenFile(MakeFileDialog(kOpenSubtitleDialog, UpperExtension(doc_.filePath)));
  return choice && OpenPath(choice->path);
}

bool Workstation::OpenPath(const std::string& path) {
  SetStatus("Reading " + path);
  autosaver().suppressed = true;
  auto loaded = ReadForWorkstation(path, settings_, prompter_);
  autosaver().suppressed = false;
  if (!loaded) {
    SetStatus("");
    return false;
  }
  SubtitleDocument doc = std::move(loaded->doc);
  if (settings_.GetBool("Punctuation", "Delete spaces", false)) {
    SetStatus("Deleting extra spaces...");
    std::vector<Subtitle> subs = doc.Subtitles();
    bool changed = false;
    for (Subtitle& s : subs) changed = CollapseSpaces(s.text) || changed;
    if (changed) {
      doc.ReplaceAll(std::move(subs));  // marks the document modified: it differs from the file
    }
  }
  // The stored position is used only with "Remember Last Location".
  if (!settings_.GetBool("Options", "Remember Last Location", false)) doc.SetCurrentNumber(1);
  ReplaceDocument(std::move(doc));
  SetStatus("");
  if (loaded->newEditAreaWidth) SetMaxRowLength(*loaded->newEditAreaWidth);
  ShowWarnings(prompter_, loaded->warnings);
  AutoCleanAfterOpen();
  return true;
}

bool Workstation::Append() {
  auto choice = prompter_.OpenFile(MakeFileDialog(kAppendFileDialog, UpperExtension(doc_.filePath)));
  return choice && AppendPath(choice->path);
}

bool Workstation::AppendPath(const std::string& path) {
  CommitEditArea();
  SetStatus("Reading " + path);
  autosaver().suppressed = true;
  auto loaded = ReadForWorkstation(path, settings_, prompter_);
  autosaver().suppressed = false;
  SetStatus("");
  if (!loaded) return false;
  const auto& extra = loaded->doc.Subtitles();
  if (doc_.Count() + extra.size() > kMaxSubtitles) {
    prompter_.Inform(kAppTitle, "A document can hold at most 32767 subtitles.", Icon::Critical);
    return false;
  }
  RecordDocument("Append file");
  std::vector<Subtitle> all = doc_.Subtitles();
  all.insert(all.end(), extra.begin(), extra.end());
  doc_.ReplaceAll(std::move(all));
  doc_.modified = true;
  doc_.saved = false;
  GoTo(current_);
  if (loaded->newEditAreaWidth) SetMaxRowLength(*loaded->newEditAreaWidth);
  ShowWarnings(prompter_, loaded->warnings);
  return true;
}

bool Workstation::Save() {
  if (doc_.filePath.empty()) return SaveAs();
  return SaveToPath(doc_.filePath);
}

bool Workstation::SaveAs() {
  auto choice = prompter_.SaveFile(MakeFileDialog(kSaveFileAsDialog, UpperExtension(doc_.filePath)));
  if (!choice || choice->path.empty()) return false;
  std::string path = choice->path;
  if (UpperExtension(path).empty()) {
    std::string ext = ExtensionForFilterIndex(kSaveFileAsDialog.filter, choice->filterIndex);
    path += "." + ToLowerAscii(ext.empty() ? std::string("kpox") : ext);
  }
  if (const Format* format = FormatForExtension(UpperExtension(path)); format && format->hooks.formatWarnings)
    for (const std::string& w : format->hooks.formatWarnings(doc_)) prompter_.Inform("Format warning", w, Icon::Warning);
  return SaveToPath(path);
}

bool Workstation::SaveToPath(const std::string& path) {
  const Format* format = FormatForExtension(UpperExtension(path));
  if (!format || !format->write) {
    prompter_.Inform(kAppTitle, "Kipo cannot save files of this type: " + std::filesystem::path(path).filename().string(),
                     Icon::Critical);
    return false;
  }
  CommitEditArea();
  for (std::size_t i = 0; i < doc_.Count(); ++i) {
    std::string text = doc_.At(i).text;
    if (MendLineBreaks(text)) doc_.SetText(i, text);
  }
  // The backup taken before every save.
  AutoSaveOptions autosave = AutoSaveOptionsFrom(settings_);
  if (autosave.interval >= 1) autosaver().SaveNow(doc_, autosave, prompter_);

  if (onWindowTitle) onWindowTitle(std::string(kAppTitle) + " - Saving " + ToLowerAscii(path));
  Warnings warnings;
  try {
    // The file type's own steps around the bytes: trace lines, safety copy, .BAK copy.
    FileContext ctx{prompter_, settings_};
    warnings = SaveDocument(*format, doc_, path, ctx);
  } catch (const UserError& e) {
    if (onWindowTitle) onWindowTitle(WindowTitle());
    LogError(e.text());
    prompter_.Inform(e.title(), e.text(), Icon::Critical);
    return false;
  }
  doc_.SetFile(path);
  doc_.saved = true;
  doc_.modified = false;
  if (onWindowTitle) onWindowTitle(WindowTitle());
  GoTo(current_);
  SetStatus("File saved OK");
  DropTooManyRowsLines(warnings, doc_);
  ShowWarnings(prompter_, warnings);
  WarnTooManyRows();
  return true;
}

}  // namespace kipo
