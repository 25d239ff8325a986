// The bulk cue operations as main-window commands: one undo step each, recorded through the
// operation's hook once its questions are answered, so No or Cancel records nothing.
#include "app/workstation.h"

namespace kipo {
namespace {

BeforeCueChange Recorder(Workstation& ws, const char* action) {
  return [&ws, action](std::size_t first, std::size_t count) {
    ws.RecordRange(action, first, count);
    ws.Record(kUndoNothing);
  };
}

constexpr const char* kCueSteps = "MultipleCueDelete";

}  // namespace

int Workstation::FixInvalidIntervals() {
  CommitEditArea();
  int n = kipo::FixInvalidIntervals(doc_, house_, prompter_, Recorder(*this, kCueSteps));
  if (n > 0) EndCommand();
  return n;
}

int Workstation::FillBlankOutCues() {
  CommitEditArea();
  int n = kipo::FillBlankOutCues(doc_, house_, prompter_, Recorder(*this, kCueSteps));
  if (n > 0) EndCommand();
  return n;
}

int Workstation::ScaleCues(double factor) {
  CommitEditArea();
  int n = kipo::ScaleCues(doc_, factor, Recorder(*this, kCueSteps));
  if (n > 0) EndCommand();
  return n;
}

int Workstation::QuickOffset(Timecode videoPosition) {
  CommitEditArea();
  int n = kipo::QuickOffset(doc_, current_, videoPosition, Recorder(*this, kCueSteps));
  if (n > 0) EndCommand();
  return n;
}

bool Workstation::DeleteCurrentCues() {
  CommitEditArea();
  bool done = kipo::DeleteCurrentCues(doc_, current_, prompter_, Recorder(*this, kCueSteps));
  if (done) EndCommand();
  return done;
}

bool Workstation::DeleteCuesFromHere() {
  CommitEditArea();
  bool done = kipo::DeleteCuesFromHere(doc_, current_, prompter_, Recorder(*this, kCueSteps));
  if (done) EndCommand();
  return done;
}

bool Workstation::DeleteAllCues() {
  CommitEditArea();
  bool done = kipo::DeleteAllCues(doc_, prompter_, Recorder(*this, kCueSteps));
  if (done) EndCommand();
  return done;
}

RangeOutcome Workstation::DeleteRange(long start, long end, RangeAction action) {
  CommitEditArea();
  RangeOutcome r = kipo::DeleteRange(doc_, start, end, action, prompter_, Recorder(*this, RangeActionUndoName(action)));
  if (r != RangeOutcome::Deleted) return r;
  if (current_ >= doc_.Count()) current_ = doc_.Count() == 0 ? 0 : doc_.Count() - 1;
  EndCommand();
  return r;
}

}  // namespace kipo
