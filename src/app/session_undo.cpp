// The document history of the session: what each action captures, and how a step is
// written back.
#include <algorithm>
#include <map>

#include "app/session.h"

namespace kipo {
namespace {

// Which subtitles an action can change, relative to the current one.
struct Scope {
  enum Kind { Neighbours, Range, ToEnd, Whole } kind = Neighbours;
  long offset = 0;  // from the current subtitle (Range)
  long count = 0;
  const char* control = "";
};

Scope ScopeOf(const std::string& action) {
  // Actions of one subtitle also keep its neighbours: moving a cue with locked cues moves
  // the previous out cue or the next in cue too.
  static const std::map<std::string, Scope, std::less<>> kScopes{
      {"Subtitle", {Scope::Neighbours, 0, 0, "TextBox"}},
      {"InCue", {Scope::Neighbours, 0, 0, "InCueBox"}},
      {"OutCue", {Scope::Neighbours, 0, 0, "OutCueBox"}},
      {"Duration", {Scope::Neighbours, 0, 0, "DurationBox"}},
      {"Comments", {Scope::Neighbours, 0, 0, "CommentBox"}},
      {"Paste", {Scope::Neighbours, 0, 0, "TextBox"}},
      {"Replace", {Scope::Neighbours, 0, 0, "TextBox"}},
      {"Insert", {Scope::Range, 0, 0}},
      {"Insert After", {Scope::Range, 1, 0}},
      {"Delete", {Scope::Range, 0, 1}},
      {"Merge", {Scope::Range, 0, 2}},
      {"Split", {Scope::Range, 0, 1}},
      {"Italics", {Scope::Range, 0, 1, "Italicise"}},
      {"ShiftTextUp", {Scope::ToEnd}},
      {"PageDown at End Of File", {Scope::ToEnd}},
      {"MultipleCueDelete", {Scope::Whole}},
      {"MultipleSubtitleDelete", {Scope::Whole}},
      {"DeleteRangeText", {Scope::Whole}},
      {"Replace All", {Scope::Whole}},
      {"AutoReplace", {Scope::Whole}},
      {"Spelling", {Scope::Whole}},
  };
  auto it = kScopes.find(action);
  return it == kScopes.end() ? Scope{} : it->second;
}

}  // namespace

void DocumentSession::Record(const std::string& action) {
  if (suppressUndo_) return;
  if (action == kUndoNothing) {
    UndoStep marker;
    marker.action = action;
    marker.subtitleNumber = static_cast<std::int16_t>(current_ + 1);
    undo_.Push(std::move(marker));
    return;
  }
  const Scope scope = ScopeOf(action);
  const long cur = HasCurrent() ? static_cast<long>(current_) : 0;
  const long n = static_cast<long>(doc_.Count());
  long first = 0, count = 0;
  switch (scope.kind) {
    case Scope::Neighbours: first = cur - 1; count = 3; break;
    case Scope::Range: first = cur + scope.offset; count = scope.count; break;
    case Scope::ToEnd: first = cur; count = n - cur; break;
    case Scope::Whole: first = 0; count = n; break;
  }
  if (first < 0) {
    count += first;
    first = 0;
  }
  first = std::min(first, n);
  count = std::clamp(count, 0L, n - first);
  RecordRange(action, static_cast<std::size_t>(first), static_cast<std::size_t>(count));
  if (UndoStep* top = undo_.Top(); top && top->action == action) top->name = scope.control;
}

void DocumentSession::RecordDocument(const std::string& action) { RecordRange(action, 0, doc_.Count()); }

void DocumentSession::RecordDocumentAndRate(const std::string& action) {
  RecordDocument(action);
  if (UndoStep* top = undo_.Top(); top && !suppressUndo_) top->frameRate = doc_.frameRate();
}

void DocumentSession::RecordRange(const std::string& action, std::size_t first, std::size_t count) {
  if (suppressUndo_) return;
  UndoStep step;
  step.action = action;
  step.subtitleNumber = static_cast<std::int16_t>(current_ + 1);
  step.first = std::min(first, doc_.Count());
  step.countBefore = doc_.Count();
  count = std::min(count, doc_.Count() - step.first);
  const auto& all = doc_.Subtitles();
  auto b = all.begin() + static_cast<std::ptrdiff_t>(step.first);
  step.subtitles.assign(b, b + static_cast<std::ptrdiff_t>(count));
  step.edit = {edit_.text, edit_.comment, edit_.inCue, edit_.outCue, edit_.duration};
  undo_.Push(std::move(step));
}

bool DocumentSession::CanUndo() const { return undo_.Pointer() > 0 && undo_.ActionAt(undo_.Pointer()) != kUndoEmpty; }

void DocumentSession::ResetUndo() { undo_.Reset(0); }

void DocumentSession::Undo() {
  if (undo_.Pointer() <= 0) return;
  bool restored = false;
  for (bool more = true; more;) {
    std::optional<UndoStep> step = undo_.Pop();
    if (!step) break;
    more = step->joinsPrevious;
    if (!RestoreSubtitles(doc_, *step)) continue;
    restored = true;
    current_ = doc_.Count() == 0 ? 0 : std::min<std::size_t>(std::max(step->subtitleNumber, std::int16_t{1}) - 1,
                                                             doc_.Count() - 1);
    LoadEditArea();
    if (HasCurrent()) {
      // The edit area as it stood, typed values included.
      edit_.text = step->edit.text;
      edit_.comment = step->edit.comment;
      edit_.inCue = step->edit.inCue;
      edit_.outCue = step->edit.outCue;
      edit_.duration = step->edit.duration;
    }
  }
  if (!restored) return;
  if (HasCurrent()) {
    doc_.SetCurrentNumber(static_cast<std::int16_t>(current_ + 1));
    toolbar_.alignment = doc_.At(current_).alignment;
    toolbar_.italic = doc_.At(current_).italic;
  }
  doc_.modified = true;
  Refresh();
}

void DocumentSession::EndCommand() {
  doc_.modified = true;
  EndMove();
}

void DocumentSession::EndMove() {
  if (HasCurrent()) doc_.SetCurrentNumber(static_cast<std::int16_t>(current_ + 1));
  LoadEditArea();
  Refresh();
}

// The subtitle that became current after Delete or Merge is recorded as "Subtitle", joined
// to the command's step so that one Undo takes back both.
void DocumentSession::RecordNewCurrent() {
  Record("Subtitle");
  if (UndoStep* s = undo_.Top(); s && s->action == "Subtitle") s->joinsPrevious = true;
  Record(kUndoNothing);
}

}  // namespace kipo
