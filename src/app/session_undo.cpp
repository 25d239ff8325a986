// The document history of the session: what each action captures, and how a step is
// written back.
#include <algorithm>
#include <cmath>
#include <map>

#include "app/app_keys.h"
#include "app/session.h"
#include "timing/cue_rules.h"
#include "platform/text_util.h"

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
      {"CopyTextComments", {Scope::Range, 0, 1, "CommentBox"}},
      {"SwapTextComments", {Scope::Range, 0, 1, "TextBox"}},
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
  // A new step: what the undos took back can no longer be put back, and a run of typing
  // that follows records its own step.
  redo_.clear();
  typing_.reset();
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

void DocumentSession::ResetUndo() {
  undo_.Reset(0);
  redo_.clear();
  typing_.reset();
}

bool DocumentSession::KeepsHistoryOnMoves() const { return settings_.Get(app_keys::kKeepUndoHistory); }

namespace {

// Where a step's subtitles go back: the range they became (see RestoreSubtitles).
std::optional<std::size_t> Span(const UndoStep& s, std::size_t count) {
  long span = static_cast<long>(s.subtitles.size()) + static_cast<long>(count) - static_cast<long>(s.countBefore);
  if (span < 0 || s.first + static_cast<std::size_t>(span) > count) return std::nullopt;
  return static_cast<std::size_t>(span);
}

const char* TypingAction(EditField f) {
  switch (f) {
    case EditField::Text: return "Subtitle";
    case EditField::Comment: return "Comments";
    case EditField::InCue: return "InCue";
    case EditField::OutCue: return "OutCue";
    case EditField::Duration: return "Duration";
  }
  return "Subtitle";
}

}  // namespace

void DocumentSession::Typed(EditField field, std::string value) {
  std::string* slot = nullptr;
  switch (field) {
    case EditField::Text: slot = &edit_.text; break;
    case EditField::Comment: slot = &edit_.comment; break;
    case EditField::InCue: slot = &edit_.inCue; break;
    case EditField::OutCue: slot = &edit_.outCue; break;
    case EditField::Duration: slot = &edit_.duration; break;
  }
  if (*slot == value) return;
  if (HasCurrent() && !(typing_ && typing_->first == field && typing_->second == current_)) {
    Record(TypingAction(field));
    Record(kUndoNothing);
    typing_ = std::make_pair(field, current_);
  }
  *slot = std::move(value);
  if (field != EditField::Duration) return;
  // A duration typed as seconds and frames ("02:10", "210") moves the out cue after a
  // complete in cue; anything else waits for more digits.
  const FrameRate& rate = doc_.frameRate();
  const std::string digits = StripSeparators(edit_.duration);
  const auto in = CueFieldFrames(edit_.inCue, rate);
  const long fps = std::lround(rate.timingFps());
  if (!in || digits.size() < 3 || digits.size() > 6 || fps <= 0) return;
  const long frames = std::stol(digits.substr(digits.size() - 2));
  const long seconds = std::stol(digits.substr(0, digits.size() - 2));
  if (frames >= fps) return;
  edit_.outCue = FramesToLabel(*in + static_cast<Timecode>(seconds * fps + frames), rate);
}

UndoStep DocumentSession::CaptureFor(const UndoStep& s) const {
  UndoStep back;
  back.action = s.action;
  back.name = s.name;
  back.joinsPrevious = s.joinsPrevious;
  back.subtitleNumber = static_cast<std::int16_t>(current_ + 1);
  back.first = s.first;
  back.countBefore = doc_.Count();
  if (auto span = Span(s, doc_.Count())) {
    auto b = doc_.Subtitles().begin() + static_cast<std::ptrdiff_t>(s.first);
    back.subtitles.assign(b, b + static_cast<std::ptrdiff_t>(*span));
  }
  if (s.frameRate) back.frameRate = doc_.frameRate();
  back.edit = {edit_.text, edit_.comment, edit_.inCue, edit_.outCue, edit_.duration};
  return back;
}

bool DocumentSession::ChangesAnything(const UndoStep& s) const {
  auto span = Span(s, doc_.Count());
  if (!span || *span != s.subtitles.size()) return true;
  if (s.frameRate && !(doc_.frameRate() == *s.frameRate)) return true;
  if (static_cast<std::size_t>(std::max<int>(s.subtitleNumber, 1) - 1) != current_) return true;
  if (!(s.edit == UndoEditValues{edit_.text, edit_.comment, edit_.inCue, edit_.outCue, edit_.duration})) return true;
  for (std::size_t k = 0; k < s.subtitles.size(); ++k)
    if (!(doc_.At(s.first + k) == s.subtitles[k])) return true;
  return false;
}

void DocumentSession::ShowRestored(const UndoStep& step) {
  current_ = doc_.Count() == 0 ? 0 : std::min<std::size_t>(std::max(step.subtitleNumber, std::int16_t{1}) - 1,
                                                           doc_.Count() - 1);
  LoadEditArea();
  if (HasCurrent()) {
    // The edit area as it stood, typed values included.
    edit_.text = step.edit.text;
    edit_.comment = step.edit.comment;
    edit_.inCue = step.edit.inCue;
    edit_.outCue = step.edit.outCue;
    edit_.duration = step.edit.duration;
  }
}

void DocumentSession::Undo() {
  bool restored = false;
  while (undo_.Pointer() > 0) {
    std::vector<UndoStep> taken;
    bool visible = false;
    for (bool more = true; more;) {
      std::optional<UndoStep> step = undo_.Pop();
      if (!step) break;
      more = step->joinsPrevious;
      const bool changes = ChangesAnything(*step);
      UndoStep back = CaptureFor(*step);
      if (!RestoreSubtitles(doc_, *step)) continue;
      restored = true;
      visible = visible || changes;
      taken.push_back(std::move(back));
      ShowRestored(*step);
    }
    // Typing already taken back in its own box leaves a step that shows nothing: the Undo
    // goes on to the step below it.
    if (visible) {
      redo_.push_back(std::move(taken));
      break;
    }
  }
  typing_.reset();
  if (!restored) return;
  if (HasCurrent()) doc_.SetCurrentNumber(static_cast<std::int16_t>(current_ + 1));
  doc_.modified = true;
  Refresh();
}

void DocumentSession::Redo() {
  if (redo_.empty()) return;
  std::vector<UndoStep> group = std::move(redo_.back());
  redo_.pop_back();
  bool restored = false;
  // Undone top first: put back bottom first, so the history holds the group as before.
  for (auto it = group.rbegin(); it != group.rend(); ++it) {
    UndoStep back = CaptureFor(*it);
    if (!RestoreSubtitles(doc_, *it)) continue;
    restored = true;
    undo_.Push(std::move(back));
    ShowRestored(*it);
  }
  typing_.reset();
  if (!restored) return;
  if (HasCurrent()) doc_.SetCurrentNumber(static_cast<std::int16_t>(current_ + 1));
  doc_.modified = true;
  Refresh();
}

void DocumentSession::EndCommand() {
  doc_.modified = true;
  // A command's own warning (a rule it applied) stays: only moves end warnings.
  if (HasCurrent()) doc_.SetCurrentNumber(static_cast<std::int16_t>(current_ + 1));
  LoadEditArea();
  Refresh();
}

void DocumentSession::EndMove() {
  if (HasCurrent()) doc_.SetCurrentNumber(static_cast<std::int16_t>(current_ + 1));
  LoadEditArea();
  MoveDone();
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
