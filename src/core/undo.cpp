#include "core/undo.h"

namespace kipo {

UndoStep InitialStep(std::int16_t subtitleNumber) {
  UndoStep s;
  s.action = "Initial state";
  s.subtitleNumber = subtitleNumber;
  return s;
}

void UndoStack::SetInitialState(UndoStep step) {
  initial_ = std::move(step);
  Reset(0);
}

void UndoStack::Reset(int pointer) {
  steps_.clear();
  pointer_ = pointer;
}

void UndoStack::Push(UndoStep step) {
  if (steps_.size() >= kMaxUndoSteps) {
    steps_.pop_front();
    --pointer_;
  }
  steps_.push_back(std::move(step));
  ++pointer_;
}

std::optional<UndoStep> UndoStack::Pop() {
  while (!steps_.empty()) {
    UndoStep step = std::move(steps_.back());
    steps_.pop_back();
    --pointer_;
    if (!step.IsMarker()) return step;
  }
  return std::nullopt;
}

std::string UndoStack::ActionAt(int index) const {
  if (index < 1 || index >= NextSlot()) return kUndoEmpty;
  return steps_[static_cast<std::size_t>(index - 1)].action;
}

std::string UndoStack::Dump() const {
  std::string out;
  auto line = [&out](const UndoStep& s) {
    out += "Action: " + s.action + " - Subtitle: " + std::to_string(s.subtitleNumber) + " - Name: " + s.name + "\r\n";
  };
  line(initial_);
  for (const UndoStep& s : steps_) line(s);
  return out;
}

std::size_t UndoStack::CapturedSubtitles() const {
  std::size_t n = initial_.subtitles.size();
  for (const UndoStep& s : steps_) n += s.subtitles.size();
  return n;
}

bool RestoreSubtitles(SubtitleDocument& doc, UndoStep& step) {
  const std::size_t count = doc.Count();
  const std::size_t captured = step.subtitles.size();
  // The captured range grew or shrank by what the document did.
  long span = static_cast<long>(captured) + static_cast<long>(count) - static_cast<long>(step.countBefore);
  if (span < 0 || step.first + static_cast<std::size_t>(span) > count) return false;
  const std::size_t len = static_cast<std::size_t>(span);
  if (step.countBefore > kMaxSubtitles) return false;
  if (step.frameRate && !(doc.frameRate() == *step.frameRate)) {
    doc.SetFrameRate(step.frameRate->code);
    if (!(doc.frameRate() == *step.frameRate)) doc.OverrideFrameRate(*step.frameRate);
  }

  if (step.first == 0 && len == count) {
    // A whole-document step: hand the saved vector back without copying it.
    doc.ReplaceAll(std::move(step.subtitles));
    return true;
  }
  std::size_t common = std::min(len, captured);
  std::size_t extra = captured > len ? captured - len : len - captured;
  if (extra > 1) {
    // Many subtitles come back or go: rebuild once rather than shifting the list each time.
    const auto& old = doc.Subtitles();
    std::vector<Subtitle> all;
    all.reserve(step.countBefore);
    auto at = old.begin() + static_cast<std::ptrdiff_t>(step.first);
    all.insert(all.end(), old.begin(), at);
    all.insert(all.end(), std::make_move_iterator(step.subtitles.begin()),
               std::make_move_iterator(step.subtitles.end()));
    all.insert(all.end(), at + static_cast<std::ptrdiff_t>(len), old.end());
    doc.ReplaceAll(std::move(all));
    return true;
  }
  for (std::size_t k = 0; k < common; ++k)
    if (!(doc.At(step.first + k) == step.subtitles[k])) doc.Replace(step.first + k, std::move(step.subtitles[k]));
  if (len > captured) doc.Remove(step.first + common);
  if (captured > len) doc.Insert(step.first + common, std::move(step.subtitles[common]));
  return true;
}

}  // namespace kipo
