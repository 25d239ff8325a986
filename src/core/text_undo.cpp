#include "core/text_undo.h"

namespace kipo {

TextUndo::TextUndo(std::string boxName, std::chrono::milliseconds interval)
    : boxName_(std::move(boxName)), interval_(interval) {}

void TextUndo::Changed(const TextState& before, Clock::time_point now) {
  if (pending_ && now - lastChange_ >= interval_) Flush();
  if (!pending_) {
    pendingState_ = before;
    pending_ = true;
  }
  lastChange_ = now;
  // Typing after an undo starts a new line of history.
  redo_.clear();
}

void TextUndo::Tick(Clock::time_point now) {
  if (pending_ && now - lastChange_ >= interval_) Flush();
}

void TextUndo::Flush() {
  if (!pending_) return;
  undo_.push_back(std::move(pendingState_));
  pending_ = false;
}

void TextUndo::Apply(const TextState& s, const std::function<void(const TextState&)>& apply) {
  if (onEvent) onEvent("TextBlock_BeforeChange");
  apply(s);
  if (onEvent) onEvent("TextBlock_AfterChange");
}

bool TextUndo::Undo(const TextState& current, const std::function<void(const TextState&)>& apply) {
  Flush();  // an unfinished group is undone as a whole
  if (undo_.empty()) return false;
  TextState s = std::move(undo_.back());
  undo_.pop_back();
  redo_.push_back(current);
  Apply(s, apply);
  return true;
}

bool TextUndo::Redo(const TextState& current, const std::function<void(const TextState&)>& apply) {
  if (redo_.empty()) return false;
  TextState s = std::move(redo_.back());
  redo_.pop_back();
  undo_.push_back(current);
  Apply(s, apply);
  return true;
}

void TextUndo::Clear() {
  undo_.clear();
  redo_.clear();
  pending_ = false;
}

}  // namespace kipo
