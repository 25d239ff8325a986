// The text commands of the main window: tidy, auto-replace, file clean and punctuation
// check with their report, and the profanity find.
#include <algorithm>
#include <filesystem>

#include "app/text_controller.h"
#include "platform/user_error.h"
#include "settings/keys.h"
#include "text/punctuation.h"

namespace kipo {
namespace {

std::string DocumentName(const SubtitleDocument& doc) {
  return doc.filePath.empty() ? "[Untitled]" : std::filesystem::path(doc.filePath).filename().string();
}

}  // namespace

void TextController::LoadAutoReplaceList() {
  autoReplace_ = LoadAutoReplace();
  replaceAsYouType_ = s_.settings().Get(keys::kReplaceAsYouType);
}

void TextController::SetReplaceAsYouType(bool on) {
  replaceAsYouType_ = on;
  s_.settings().Set(keys::kReplaceAsYouType, on);
}

void TextController::SaveAutoReplaceList(WordList list, bool replaceAsYouType) {
  // Written first: a list that cannot be stored stays out of use, so the one in use and
  // the file never disagree.
  SaveAutoReplace(list);
  autoReplace_ = std::move(list);
  autoReplace_.erase(std::remove_if(autoReplace_.begin(), autoReplace_.end(),
                                    [](const WordPair& p) { return p.find.empty() && p.replacement.empty(); }),
                     autoReplace_.end());
  SetReplaceAsYouType(replaceAsYouType);
}

namespace {

FileDialog WordListDialog(const std::string& title) {
  FileDialog d;
  d.title = title;
  d.filter = "Word lists (*.dat)|*.dat|All Files|*.*";
  d.defaultExt = "dat";
  return d;
}

}  // namespace

std::optional<WordList> TextController::OpenWordListFile(const std::string& title) {
  FileDialog d = WordListDialog(title);
  d.pathMustExist = true;
  auto chosen = s_.prompter().OpenFile(d);
  if (!chosen) return std::nullopt;
  try {
    return LoadWordListFile(chosen->path);
  } catch (const UserError& e) {
    s_.prompter().Inform(e.title(), e.text(), Icon::Critical);
    return std::nullopt;
  }
}

bool TextController::SaveWordListFileAs(const std::string& title, const WordList& list) {
  FileDialog d = WordListDialog(title);
  d.overwritePrompt = true;
  auto chosen = s_.prompter().SaveFile(d);
  if (!chosen) return false;
  try {
    SaveWordListFile(chosen->path, list);
  } catch (const UserError& e) {
    s_.prompter().Inform(e.title(), e.text(), Icon::Critical);
    return false;
  }
  return true;
}

void TextController::TidyCurrentSubtitle() {
  // The text box only: the document changes when the edit area is committed.
  s_.edit().text = TidyText(s_.edit().text, TidyOptions::Load(s_.settings()));
}

bool TextController::AutoReplaceTyped(std::string_view typed, std::size_t& caret) {
  if (!replaceAsYouType_ || !IsAutoReplaceTrigger(typed)) return false;
  auto r = ReplaceWordBeforeCaret(s_.edit().text, caret, typed, autoReplace_);
  if (!r) return false;
  s_.Record("AutoReplace");
  s_.Record(kUndoNothing);
  s_.edit().text = std::move(r->text);
  caret = r->caret;
  return true;
}

void TextController::ReplaceNow() {
  s_.CommitEditArea();
  TypographicOptions options = TypographicOptions::Load(s_.settings());
  bool recorded = false;
  for (std::size_t i = 0; i < s_.doc().Count(); ++i) {
    std::string next = ApplyTypographic(s_.doc().At(i).text, options);
    if (next == s_.doc().At(i).text) continue;
    if (!recorded) {
      s_.RecordDocument("Replace All");
      s_.Record(kUndoNothing);
      recorded = true;
    }
    s_.doc().SetText(i, std::move(next));
  }
  if (recorded) s_.doc().modified = true;
  s_.LoadEditArea();
  s_.Refresh();
  s_.prompter().Inform("", "Formatting complete.");
}

const CleanReport& TextController::CleanFile() { return CleanFile(CleanSettings::Load(s_.settings()), CleanKind::FileClean); }

const CleanReport& TextController::PunctuationCheck() {
  return CleanFile(CleanSettings::PunctuationCheck(s_.settings()), CleanKind::PunctuationCheck);
}

const CleanReport& TextController::CleanFile(const CleanSettings& settings, CleanKind kind) {
  s_.CommitEditArea();
  s_.SetStatus("Cleaning " + DocumentName(s_.doc()));
  // Cleaned on a copy first, so that the undo step is recorded only when something
  // changes, and recorded as one step for the whole run.
  SubtitleDocument cleaned = s_.doc();
  CleanReport report = CleanDocument(cleaned, settings, kind);
  if (!report.rows.empty()) {
    s_.RecordDocument(report.UndoName());
    s_.Record(kUndoNothing);
    std::size_t last = s_.doc().Count();
    for (const CleanReportRow& row : report.rows)
      if (row.index != last) s_.doc().Replace(last = row.index, cleaned.At(row.index));
  }
  cleanReport_ = std::move(report);
  s_.LoadEditArea();
  s_.SetStatus("");
  s_.Refresh();
  return cleanReport_;
}

bool TextController::ShowCleanRow(std::size_t row) {
  if (row >= cleanReport_.rows.size() || cleanReport_.rows[row].index >= s_.doc().Count()) return false;
  // Not GoTo: moving through the report must keep the clean's undo step.
  s_.CommitEditArea();
  s_.SetCurrent(cleanReport_.rows[row].index);
  s_.LoadEditArea();
  s_.Refresh();
  return true;
}

bool TextController::RestoreCleanRow(std::size_t row) {
  if (!ShowCleanRow(row)) return false;
  // No undo step of its own: the clean's step still holds the whole former document, so
  // undoing the clean after a restore gives back exactly the document before the clean.
  kipo::RestoreCleanRow(s_.doc(), cleanReport_.rows[row]);
  s_.LoadEditArea();
  s_.Refresh();
  return true;
}

bool TextController::AutoCleanAfterOpen() {
  if (loaded_) loaded_();
  if (!ShouldAutoClean(s_.settings(), s_.prompter())) return false;
  CleanFile();
  return true;
}

ProfanityResult TextController::FindProfanity(const WordList& list) {
  s_.CommitEditArea();
  ProfanityHooks hooks;
  hooks.show = [this](const ProfanityHit& hit) {
    // The edit area holds nothing uncommitted during the find, so it is reloaded
    // rather than committed when the find moves on.
    s_.SetCurrent(hit.index);
    s_.LoadEditArea();
    textSelection_ = hit.range;
    s_.Refresh();
  };
  hooks.beforeReplace = [this](const ProfanityHit&) {
    s_.Record("Replace");
    s_.Record(kUndoNothing);
  };
  ProfanityResult result = kipo::FindProfanity(s_.doc(), s_.HasCurrent() ? s_.current() : 0, list, s_.prompter(), hooks);
  s_.LoadEditArea();
  s_.Refresh();
  return result;
}

}  // namespace kipo
