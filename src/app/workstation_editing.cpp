// The structural editing commands, the page keys and the clipboard commands. Every command
// runs in the same frame: commit the edit area, record one undo step and close it, change
// the document, then EndCommand (modified, edit area, refresh).
#include "app/workstation.h"
#include "core/editing.h"
#include "platform/encoding.h"
#include "platform/text_util.h"
#include "platform/user_error.h"

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

const char* Workstation::AlignmentButton(int alignment) {
  switch (alignment) {
    case AlignLeft: return "AlignLeft";
    case AlignRight: return "AlignRight";
    case AlignCentreLeft: return "AlignCentreLeft";
    default: return "AlignCentre";
  }
}

void Workstation::Insert() {
  CommitEditArea();
  RequireRoom(doc_);
  const int alignment = HasCurrent() ? doc_.At(current_).alignment : AlignCentre;
  const std::size_t at = HasCurrent() ? current_ : doc_.Count();
  Record("Insert");
  Record(kUndoNothing);
  doc_.Insert(at, NewSubtitle(alignment, toolbar.italic));
  current_ = at;
  EndCommand();
}

void Workstation::InsertAfter() {
  CommitEditArea();
  RequireRoom(doc_);
  const int alignment = HasCurrent() ? doc_.At(current_).alignment : AlignCentre;
  const std::size_t at = HasCurrent() ? current_ + 1 : doc_.Count();
  Record("Insert After");
  Record(kUndoNothing);
  doc_.Insert(at, NewSubtitle(alignment, false));
  current_ = at;
  EndCommand();
}

void Workstation::Delete() {
  if (!HasCurrent()) return;
  CommitEditArea();
  Record("Delete");
  Record(kUndoNothing);
  doc_.Remove(current_);
  if (current_ >= doc_.Count() && current_ > 0) --current_;
  // The text box is emptied before the new current subtitle is shown.
  edit_.text.clear();
  EndCommand();
  RecordNewCurrent();
}

void Workstation::MergeWithNext() {
  if (!HasCurrent() || current_ + 1 >= doc_.Count()) return;
  CommitEditArea();
  Record("Merge");
  Record(kUndoNothing);
  const bool deleteEllipses = settings_.GetCheck("Options", "Delete ellipses when merging", true);
  doc_.Replace(current_, MergeSubtitles(doc_.At(current_), doc_.At(current_ + 1), deleteEllipses));
  doc_.Remove(current_ + 1);
  EndCommand();
  RecordNewCurrent();
}

// The subtitle that became current after Delete or Merge is recorded as "Subtitle", joined
// to the command's step so that one Undo takes back both.
void Workstation::RecordNewCurrent() {
  Record("Subtitle");
  if (UndoStep* s = undo_.Top(); s && s->action == "Subtitle") s->joinsPrevious = true;
  Record(kUndoNothing);
}

void Workstation::MergeWithPrevious() {
  if (!HasCurrent() || current_ == 0) return;
  CommitEditArea();
  // Merging with the previous subtitle is merging it with its next.
  --current_;
  LoadEditArea();
  MergeWithNext();
}

void Workstation::Split(std::size_t cursor) {
  if (!HasCurrent()) return;
  CommitEditArea();
  RequireRoom(doc_);
  const Subtitle& s = doc_.At(current_);
  SplitParts parts = SplitTextAt(s.text, cursor);
  Subtitle first = s;
  first.text = std::move(parts.first);
  Subtitle second = NewSubtitle(ToolbarJustification(toolbar.alignment), toolbar.italic);
  second.text = std::move(parts.second);
  if (s.inCue.IsSet() && s.outCue.IsSet()) {
    // The first part keeps the time its text needs to be read; the second follows after
    // the default interval and keeps the former out cue.
    const FrameRate& rate = doc_.frameRate();
    Timecode reading = SplitReadingFrames(first.text, house_.readingSpeed, rate.timingFps(),
                                          settings_.GetBool("Options", "Reading speed include spaces", false),
                                          BoldMarkers::Load(settings_));
    Timecode out = LabelToFrames(s.inCue, rate) + reading;
    first.outCue = FramesToDigits(out, rate);
    second.inCue = FramesToDigits(out + house_.defaultInterval, rate);
    second.outCue = s.outCue;
  }
  Record("Split");
  Record(kUndoNothing);
  doc_.Replace(current_, std::move(first));
  doc_.Insert(current_ + 1, std::move(second));
  EndCommand();
}

void Workstation::ShiftText() {
  if (!HasCurrent()) return;
  CommitEditArea();
  RequireRoom(doc_);
  Record("ShiftTextUp");
  Record(kUndoNothing);
  doc_.Append(NewSubtitle(doc_.At(doc_.Count() - 1).alignment, false));
  for (std::size_t i = doc_.Count() - 1; i > current_; --i) doc_.SetText(i, doc_.At(i - 1).text);
  doc_.SetText(current_, {});
  ++current_;
  EndCommand();
}

// --- page keys

void Workstation::PageUp() {
  if (!HasCurrent() || current_ == 0) return;
  const bool full = settings_.GetBool("Options", "Full undo", false);
  if (full) {
    Record("PageUp");
    Record(kUndoNothing);
  }
  CommitEditArea();
  --current_;
  EndCommand();
  if (!full) ResetUndo();
}

void Workstation::PageDown() {
  if (!HasCurrent() || current_ + 1 >= doc_.Count()) return;
  const bool full = settings_.GetBool("Options", "Full undo", false);
  if (full) {
    Record("PageDown");
    Record(kUndoNothing);
  }
  CommitEditArea();
  ++current_;
  EndCommand();
  if (!full) ResetUndo();
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

void Workstation::Copy(Clipboard& clipboard, TextBox box, std::size_t start, std::size_t length) const {
  const std::string& text = box == TextBox::Text ? edit_.text : edit_.comment;
  ByteRange r = Selection(text, start, length);
  if (r.end > r.begin) clipboard.SetText(text.substr(r.begin, r.end - r.begin));
}

void Workstation::Cut(Clipboard& clipboard, TextBox box, std::size_t start, std::size_t length) {
  if (!HasCurrent()) return;
  std::string& text = box == TextBox::Text ? edit_.text : edit_.comment;
  ByteRange r = Selection(text, start, length);
  if (r.end == r.begin) return;
  CommitEditArea();
  Record(box == TextBox::Text ? "Subtitle" : "Comments");
  Record(kUndoNothing);
  clipboard.SetText(text.substr(r.begin, r.end - r.begin));
  text.erase(r.begin, r.end - r.begin);
  CommitEditArea();
  EndCommand();
}

std::size_t Workstation::Paste(Clipboard& clipboard, TextBox box, std::size_t start, std::size_t length) {
  if (!HasCurrent() || !clipboard.HasFormat(ClipboardFormat::Text)) return start;
  // Text from other programs may end its lines with LF or CR alone; rows here are CR LF.
  std::string pasted = JoinRows(SplitLines(clipboard.GetText(ClipboardFormat::Text)));
  CommitEditArea();
  Record("Paste");
  Record(kUndoNothing);
  std::string& text = box == TextBox::Text ? edit_.text : edit_.comment;
  ByteRange r = Selection(text, start, length);
  text.replace(r.begin, r.end - r.begin, pasted);
  CommitEditArea();
  EndCommand();
  return CountCodePoints(std::string_view(text).substr(0, r.begin)) + CountCodePoints(pasted);
}

}  // namespace kipo
