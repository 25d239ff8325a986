// The structural editing commands, the page keys and the clipboard commands. Every command
// runs in the same frame: commit the edit area, record one undo step and close it, change
// the document, then EndCommand (modified, edit area, refresh).
#include "app/editing_controller.h"
#include "core/editing.h"
#include "platform/encoding.h"
#include "platform/text_util.h"
#include "platform/user_error.h"
#include "settings/keys.h"
#include "text/punctuation.h"

namespace kipo {
namespace {

void RequireRoom(const SubtitleDocument& doc) {
  if (doc.Count() >= kMaxSubtitles) throw UserError(kAppTitle, "A document can hold at most 32767 subtitles.");
}

// The justification the toolbar asks for: one of its four buttons, centre otherwise.
int ToolbarJustification(int alignment) {
  return alignment == AlignLeft || alignment == AlignRight || alignment == AlignCentreLeft ? alignment : AlignCentre;
}

}  // namespace

const char* EditingController::AlignmentButton(int alignment) {
  switch (alignment) {
    case AlignLeft: return "AlignLeft";
    case AlignRight: return "AlignRight";
    case AlignCentreLeft: return "AlignCentreLeft";
    default: return "AlignCentre";
  }
}

void EditingController::Insert() {
  s_.CommitEditArea();
  RequireRoom(s_.doc());
  const int alignment = s_.HasCurrent() ? s_.doc().At(s_.current()).alignment : AlignCentre;
  const std::size_t at = s_.HasCurrent() ? s_.current() : s_.doc().Count();
  s_.Record("Insert");
  s_.Record(kUndoNothing);
  s_.doc().Insert(at, NewSubtitle(alignment, s_.toolbar().italic));
  s_.SetCurrent(at);
  s_.EndCommand();
}

void EditingController::InsertAfter() {
  s_.CommitEditArea();
  RequireRoom(s_.doc());
  const int alignment = s_.HasCurrent() ? s_.doc().At(s_.current()).alignment : AlignCentre;
  const std::size_t at = s_.HasCurrent() ? s_.current() + 1 : s_.doc().Count();
  s_.Record("Insert After");
  s_.Record(kUndoNothing);
  s_.doc().Insert(at, NewSubtitle(alignment, false));
  s_.SetCurrent(at);
  s_.EndCommand();
}

void EditingController::Delete() {
  if (!s_.HasCurrent()) return;
  s_.CommitEditArea();
  s_.Record("Delete");
  s_.Record(kUndoNothing);
  s_.doc().Remove(s_.current());
  if (s_.current() >= s_.doc().Count() && s_.current() > 0) s_.SetCurrent(s_.current() - 1);
  // The text box is emptied before the new current subtitle is shown.
  s_.edit().text.clear();
  s_.EndCommand();
  s_.RecordNewCurrent();
}

void EditingController::MergeWithNext() {
  if (!s_.HasCurrent() || s_.current() + 1 >= s_.doc().Count()) return;
  s_.CommitEditArea();
  s_.Record("Merge");
  s_.Record(kUndoNothing);
  const bool deleteEllipses = s_.settings().Get(keys::kDeleteEllipsesWhenMerging);
  s_.doc().Replace(s_.current(), MergeSubtitles(s_.doc().At(s_.current()), s_.doc().At(s_.current() + 1), deleteEllipses));
  s_.doc().Remove(s_.current() + 1);
  s_.EndCommand();
  s_.RecordNewCurrent();
}

void EditingController::MergeWithPrevious() {
  if (!s_.HasCurrent() || s_.current() == 0) return;
  s_.CommitEditArea();
  // Merging with the previous subtitle is merging it with its next.
  s_.SetCurrent(s_.current() - 1);
  s_.LoadEditArea();
  MergeWithNext();
}

void EditingController::Split(std::size_t cursor) {
  if (!s_.HasCurrent()) return;
  s_.CommitEditArea();
  RequireRoom(s_.doc());
  const Subtitle& s = s_.doc().At(s_.current());
  SplitParts parts = SplitTextAt(s.text, cursor);
  Subtitle first = s;
  first.text = std::move(parts.first);
  Subtitle second = NewSubtitle(ToolbarJustification(s_.toolbar().alignment), s_.toolbar().italic);
  second.text = std::move(parts.second);
  if (s.inCue.IsSet() && s.outCue.IsSet()) {
    // The first part keeps the time its text needs to be read; the second follows after
    // the default interval and keeps the former out cue.
    const FrameRate& rate = s_.doc().frameRate();
    Timecode reading = SplitReadingFrames(first.text, s_.house().readingSpeed, rate.timingFps(),
                                          s_.settings().Get(keys::kReadingSpeedIncludeSpaces),
                                          BoldMarkers::Load(s_.settings()));
    Timecode out = LabelToFrames(s.inCue, rate) + reading;
    first.outCue = FramesToDigits(out, rate);
    second.inCue = FramesToDigits(out + s_.house().defaultInterval, rate);
    second.outCue = s.outCue;
  }
  s_.Record("Split");
  s_.Record(kUndoNothing);
  s_.doc().Replace(s_.current(), std::move(first));
  s_.doc().Insert(s_.current() + 1, std::move(second));
  s_.EndCommand();
}

void EditingController::ShiftText() {
  if (!s_.HasCurrent()) return;
  s_.CommitEditArea();
  RequireRoom(s_.doc());
  s_.Record("ShiftTextUp");
  s_.Record(kUndoNothing);
  s_.doc().Append(NewSubtitle(s_.doc().At(s_.doc().Count() - 1).alignment, false));
  for (std::size_t i = s_.doc().Count() - 1; i > s_.current(); --i) s_.doc().SetText(i, s_.doc().At(i - 1).text);
  s_.doc().SetText(s_.current(), {});
  s_.SetCurrent(s_.current() + 1);
  s_.EndCommand();
}

void EditingController::ToggleItalics() {
  if (!s_.HasCurrent()) return;
  s_.CommitEditArea();
  s_.Record("Italics");
  s_.Record(kUndoNothing);
  s_.doc().SetItalic(s_.current(), !s_.doc().At(s_.current()).italic);
  s_.EndCommand();
}

// --- page keys

void EditingController::PageUp() {
  if (!s_.HasCurrent() || s_.current() == 0) return;
  const bool full = s_.settings().Get(keys::kFullUndo);
  if (full) {
    s_.Record("PageUp");
    s_.Record(kUndoNothing);
  }
  s_.CommitEditArea();
  s_.SetCurrent(s_.current() - 1);
  s_.EndMove();
  if (!full) s_.ResetUndo();
}

void EditingController::PageDown() {
  if (!s_.HasCurrent() || s_.current() + 1 >= s_.doc().Count()) return;
  const bool full = s_.settings().Get(keys::kFullUndo);
  if (full) {
    s_.Record("PageDown");
    s_.Record(kUndoNothing);
  }
  s_.CommitEditArea();
  s_.SetCurrent(s_.current() + 1);
  s_.EndMove();
  if (!full) s_.ResetUndo();
}

// --- clipboard

namespace {

struct ByteRange {
  std::size_t begin, end;
};

ByteRange Selection(const std::string& text, std::size_t start, std::size_t length) {
  std::size_t b = CodePointOffset(text, start);
  std::size_t e = b + CodePointOffset(std::string_view(text).substr(b), length);
  return {b, e};
}

}  // namespace

void EditingController::Copy(Clipboard& clipboard, TextBox box, std::size_t start, std::size_t length) const {
  const std::string& text = box == TextBox::Text ? s_.edit().text : s_.edit().comment;
  ByteRange r = Selection(text, start, length);
  if (r.end > r.begin) clipboard.SetText(text.substr(r.begin, r.end - r.begin));
}

void EditingController::Cut(Clipboard& clipboard, TextBox box, std::size_t start, std::size_t length) {
  if (!s_.HasCurrent()) return;
  std::string& text = box == TextBox::Text ? s_.edit().text : s_.edit().comment;
  ByteRange r = Selection(text, start, length);
  if (r.end == r.begin) return;
  s_.CommitEditArea();
  s_.Record(box == TextBox::Text ? "Subtitle" : "Comments");
  s_.Record(kUndoNothing);
  clipboard.SetText(text.substr(r.begin, r.end - r.begin));
  text.erase(r.begin, r.end - r.begin);
  s_.CommitEditArea();
  s_.EndCommand();
}

std::size_t EditingController::Paste(Clipboard& clipboard, TextBox box, std::size_t start, std::size_t length) {
  if (!s_.HasCurrent() || !clipboard.HasFormat(ClipboardFormat::Text)) return start;
  // Text from other programs may end its lines with LF or CR alone; rows here are CR LF.
  std::string pasted = JoinRows(SplitLines(clipboard.GetText(ClipboardFormat::Text)));
  s_.CommitEditArea();
  s_.Record("Paste");
  s_.Record(kUndoNothing);
  std::string& text = box == TextBox::Text ? s_.edit().text : s_.edit().comment;
  ByteRange r = Selection(text, start, length);
  text.replace(r.begin, r.end - r.begin, pasted);
  s_.CommitEditArea();
  s_.EndCommand();
  return CountCodePoints(std::string_view(text).substr(0, r.begin)) + CountCodePoints(pasted);
}

}  // namespace kipo
