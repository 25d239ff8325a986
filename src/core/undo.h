#pragma once
// The document's undo history. Each command records the state it is about to change as an
// UndoStep under its action name, then closes the group with a "Nothing" marker; Undo pops
// the most recent real step and writes its subtitles back. There is no redo at this level.
//
// A step keeps only what its action can change: the subtitles of one contiguous range as
// they stood, and the document's subtitle count then. Restoring puts that range back over
// whatever it became (an Insert grew it by one, a Delete shrank it), so a step for one
// subtitle holds one subtitle and a whole-document step holds the document's subtitles.
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "core/document.h"

namespace kipo {

inline constexpr const char* kUndoNothing = "Nothing";
inline constexpr const char* kUndoEmpty = "empty";
// The 16-bit counters of the history bound it; beyond this the oldest step is dropped.
inline constexpr std::size_t kMaxUndoSteps = 32767;

// The edit area's fields as the user saw them when the step was recorded.
struct UndoEditValues {
  std::string text, comment, inCue, outCue, duration;
  bool operator==(const UndoEditValues&) const = default;
};

struct UndoStep {
  std::string action;                // "Insert", "Subtitle", ... or "Nothing"
  std::int16_t subtitleNumber = 0;   // the current subtitle (1-based) when recorded
  std::string name;                  // the control the step belongs to ("TextBox", ...)
  // Restored in the same Undo as the step below it (the "Subtitle" state recorded after
  // Delete and Merge belongs to the command that caused it).
  bool joinsPrevious = false;

  // Captured values.
  std::size_t first = 0;             // index of the first captured subtitle
  std::size_t countBefore = 0;       // the document's subtitle count when recorded
  std::vector<Subtitle> subtitles;   // [first, first + size) as they stood
  // The document's rate, for steps of commands that change it (cue conversion).
  std::optional<FrameRate> frameRate;
  UndoEditValues edit;

  bool IsMarker() const { return action == kUndoNothing; }
};

// The step kept at index 0 when a document is opened or created. It holds no subtitles:
// restoring never goes below the first recorded step.
UndoStep InitialStep(std::int16_t subtitleNumber);

class UndoStack {
 public:
  // Empties the history and keeps `step` as the initial state (index 0).
  void SetInitialState(UndoStep step);
  // Empties the history down to index 0; the pointer takes the given value.
  void Reset(int pointer = 0);
  // Stores the step at the next slot.
  void Push(UndoStep step);
  // Removes and returns the most recent step that is not a "Nothing" marker, removing the
  // markers above it; nullopt (after removing any markers) when there is none.
  std::optional<UndoStep> Pop();

  // Number of recorded elements (markers included); Undo is enabled while above 0.
  int Pointer() const { return pointer_; }
  // Elements held, index 0 included.
  int Size() const { return static_cast<int>(steps_.size()) + 1; }
  int NextSlot() const { return static_cast<int>(steps_.size()) + 1; }
  // The action at an index, or "empty" when the index is below 1 or not below NextSlot.
  std::string ActionAt(int index) const;
  const UndoStep& initialState() const { return initial_; }
  // The most recent element, or nullptr when nothing is recorded.
  UndoStep* Top() { return steps_.empty() ? nullptr : &steps_.back(); }
  // One line per element from index 0: "Action: <a> - Subtitle: <n> - Name: <c>" + CR LF.
  std::string Dump() const;
  // Subtitles held by every recorded step (a measure of the history's memory).
  std::size_t CapturedSubtitles() const;

 private:
  UndoStep initial_;
  std::deque<UndoStep> steps_;  // index 1 upwards
  int pointer_ = 0;
};

// Puts the step's subtitles back into the document over the range they became: the range
// now spans captured + (current count - count when recorded) subtitles. Returns false
// (changing nothing) when the document no longer fits the step.
bool RestoreSubtitles(SubtitleDocument& doc, UndoStep& step);

}  // namespace kipo
