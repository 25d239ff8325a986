// The text commands of the main window: tidy, auto-replace, file clean and punctuation
// check with their report, and the profanity find.
#include <filesystem>

#include "app/workstation.h"
#include "text/punctuation.h"

namespace kipo {
namespace {

std::string DocumentName(const SubtitleDocument& doc) {
  return doc.filePath.empty() ? "[Untitled]" : std::filesystem::path(doc.filePath).filename().string();
}

}  // namespace

void Workstation::LoadAutoReplaceList() { autoReplace = LoadAutoReplace(); }

void Workstation::TidyCurrentSubtitle() {
  // The text box only: the document changes when the edit area is committed.
  edit_.text = TidyText(edit_.text, TidyOptions::Load(settings_));
}

bool Workstation::AutoReplaceTyped(std::string_view typed, std::size_t& caret) {
  if (!replaceAsYouType || !IsAutoReplaceTrigger(typed)) return false;
  auto r = ReplaceWordBeforeCaret(edit_.text, caret, typed, autoReplace);
  if (!r) return false;
  Record("AutoReplace");
  Record(kUndoNothing);
  edit_.text = std::move(r->text);
  caret = r->caret;
  return true;
}

void Workstation::ReplaceNow() {
  CommitEditArea();
  TypographicOptions options = TypographicOptions::Load(settings_);
  bool recorded = false;
  for (std::size_t i = 0; i < doc_.Count(); ++i) {
    std::string next = ApplyTypographic(doc_.At(i).text, options);
    if (next == doc_.At(i).text) continue;
    if (!recorded) {
      RecordDocument("Replace All");
      Record(kUndoNothing);
      recorded = true;
    }
    doc_.SetText(i, std::move(next));
  }
  if (recorded) doc_.modified = true;
  LoadEditArea();
  Refresh();
  prompter_.Inform("", "Formatting complete.");
}

const CleanReport& Workstation::CleanFile() { return CleanFile(CleanSettings::Load(settings_), CleanKind::FileClean); }

const CleanReport& Workstation::PunctuationCheck() {
  return CleanFile(CleanSettings::PunctuationCheck(settings_), CleanKind::PunctuationCheck);
}

const CleanReport& Workstation::CleanFile(const CleanSettings& settings, CleanKind kind) {
  CommitEditArea();
  SetStatus("Cleaning " + DocumentName(doc_));
  // Cleaned on a copy first, so that the undo step is recorded only when something
  // changes, and recorded as one step for the whole run.
  SubtitleDocument cleaned = doc_;
  CleanReport report = CleanDocument(cleaned, settings, kind);
  if (!report.rows.empty()) {
    RecordDocument(report.UndoName());
    Record(kUndoNothing);
    std::size_t last = doc_.Count();
    for (const CleanReportRow& row : report.rows)
      if (row.index != last) doc_.Replace(last = row.index, cleaned.At(row.index));
  }
  cleanReport = std::move(report);
  LoadEditArea();
  SetStatus("");
  Refresh();
  return cleanReport;
}

bool Workstation::ShowCleanRow(std::size_t row) {
  if (row >= cleanReport.rows.size() || cleanReport.rows[row].index >= doc_.Count()) return false;
  // Not GoTo: moving through the report must keep the clean's undo step.
  CommitEditArea();
  current_ = cleanReport.rows[row].index;
  doc_.SetCurrentNumber(static_cast<std::int16_t>(current_ + 1));
  LoadEditArea();
  Refresh();
  return true;
}

bool Workstation::RestoreCleanRow(std::size_t row) {
  if (!ShowCleanRow(row)) return false;
  // No undo step of its own: the clean's step still holds the whole former document, so
  // undoing the clean after a restore gives back exactly the document before the clean.
  kipo::RestoreCleanRow(doc_, cleanReport.rows[row]);
  LoadEditArea();
  Refresh();
  return true;
}

bool Workstation::AutoCleanAfterOpen() {
  if (!ShouldAutoClean(settings_, prompter_)) return false;
  CleanFile();
  return true;
}

ProfanityResult Workstation::FindProfanity(const WordList& list) {
  CommitEditArea();
  ProfanityHooks hooks;
  hooks.show = [this](const ProfanityHit& hit) {
    // The edit area holds nothing uncommitted during the find, so it is reloaded
    // rather than committed when the find moves on.
    current_ = hit.index;
    doc_.SetCurrentNumber(static_cast<std::int16_t>(current_ + 1));
    LoadEditArea();
    textSelection = hit.range;
    Refresh();
  };
  hooks.beforeReplace = [this](const ProfanityHit&) {
    Record("Replace");
    Record(kUndoNothing);
  };
  ProfanityResult result = kipo::FindProfanity(doc_, HasCurrent() ? current_ : 0, list, prompter_, hooks);
  LoadEditArea();
  Refresh();
  return result;
}

}  // namespace kipo
