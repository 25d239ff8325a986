#pragma once
// Undo and redo of typing in one text box (the subtitle text box or the comments box),
// independent of the document history. Keystrokes that follow each other within the
// grouping interval form one undo state: the window calls Changed before every change and
// Tick from the box's timer; when the interval has passed since the last change the
// pending group is stored. The clock is passed in, so the grouping is testable.
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace kipo {

struct TextState {
  std::string text;        // plain text, or the rich text of a rich-text box
  std::size_t selStart = 0;
  std::size_t selLength = 0;
  bool operator==(const TextState&) const = default;
};

class TextUndo {
 public:
  using Clock = std::chrono::steady_clock;

  // `boxName` names the box ("TextBox"); `interval` is the grouping interval the window
  // chooses.
  TextUndo(std::string boxName, std::chrono::milliseconds interval);

  // The name of the grouping timer: "UndoTimer_" followed by the box's name.
  std::string TimerName() const { return "UndoTimer_" + boxName_; }

  // Called before the box changes, with the state it is about to leave. The first change of
  // a group remembers that state; later changes within the interval extend the group.
  void Changed(const TextState& before, Clock::time_point now);
  // The timer: stores the pending group once the interval has passed since its last change.
  void Tick(Clock::time_point now);

  bool CanUndo() const { return pending_ || !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  // Applies the previous (next) state to the box through `apply`, raising
  // "TextBlock_BeforeChange" and "TextBlock_AfterChange" around it. `current` is what the
  // box holds now; it goes onto the other list. Returns false when there is nothing to do.
  bool Undo(const TextState& current, const std::function<void(const TextState&)>& apply);
  bool Redo(const TextState& current, const std::function<void(const TextState&)>& apply);
  // Forgets everything (a new subtitle is shown in the box).
  void Clear();

  // Receives "TextBlock_BeforeChange" and "TextBlock_AfterChange".
  std::function<void(const std::string& event)> onEvent;

  std::size_t UndoCount() const { return undo_.size() + (pending_ ? 1 : 0); }
  std::size_t RedoCount() const { return redo_.size(); }

 private:
  void Flush();
  void Apply(const TextState& s, const std::function<void(const TextState&)>& apply);

  std::string boxName_;
  std::chrono::milliseconds interval_;
  std::vector<TextState> undo_;
  std::vector<TextState> redo_;
  bool pending_ = false;
  TextState pendingState_;
  Clock::time_point lastChange_{};
};

}  // namespace kipo
