// The Workstation's timing commands: the cue rules over the edit area, the leaving step,
// the interactive check run and the reports.
#include <ctime>

#include "app/workstation.h"
#include "platform/text_util.h"
#include "platform/user_error.h"
#include "timing/statistics.h"

namespace kipo {
namespace {

std::string Label(Timecode frames, const FrameRate& rate) { return FramesToLabel(frames, rate); }

// Shows a refusal of a timing rule the way the rules show them: exclamation icon, OK.
void ShowRefusal(Prompter& p, const UserError& e) { p.Ask({e.title(), e.text(), Buttons::Ok, Icon::Warning}); }

void UpdateDuration(EditArea& e, const FrameRate& rate) {
  if (auto d = DurationLabel(StripSeparators(e.inCue), StripSeparators(e.outCue), rate)) e.duration = *d;
}

std::optional<Timecode> FieldFrames(const std::string& field, const FrameRate& rate) {
  return CueFieldFrames(field, rate);
}

}  // namespace

TimingParameters Workstation::Timing() const { return TimingParameters::From(house_, doc_.frameRate()); }

EditCues Workstation::CurrentCues() const {
  const FrameRate& r = doc_.frameRate();
  EditCues c;
  c.in = FieldFrames(edit_.inCue, r);
  c.out = FieldFrames(edit_.outCue, r);
  c.lastOut = FieldFrames(edit_.lastOut, r);
  c.nextIn = FieldFrames(edit_.nextIn, r);
  c.inFieldEmpty = CueFieldDigits(edit_.inCue) == 0;
  return c;
}

void Workstation::ShowWarning(const std::string& message) { SetWarning(message + " "); }

bool Workstation::RecalculateOutCue() {
  if (!HasCurrent()) return false;
  RecalculatedCues r;
  try {
    r = kipo::RecalculateOutCue(CurrentCues(), edit_.text, Timing());
  } catch (const UserError& e) {
    ShowRefusal(prompter_, e);
    return false;
  }
  Record("OutCue");
  const FrameRate& rate = doc_.frameRate();
  edit_.inCue = Label(r.in, rate);
  edit_.outCue = Label(r.out, rate);
  UpdateDuration(edit_, rate);
  CommitEditArea();
  Refresh();
  return true;
}

bool Workstation::RecalculateInCue() {
  if (!HasCurrent()) return false;
  Timecode in = 0;
  try {
    in = kipo::RecalculateInCue(CurrentCues(), edit_.text, Timing());
  } catch (const UserError& e) {
    ShowRefusal(prompter_, e);
    return false;
  }
  Record("InCue");
  edit_.inCue = Label(in, doc_.frameRate());
  UpdateDuration(edit_, doc_.frameRate());
  CommitEditArea();
  Refresh();
  return true;
}

int Workstation::CheckCurrentCues() {
  if (!HasCurrent()) return kLeaveOk;
  const FrameRate& rate = doc_.frameRate();
  TimingParameters p = Timing();
  auto in = FieldFrames(edit_.inCue, rate), out = FieldFrames(edit_.outCue, rate);
  if (in && out) {
    std::string shown = DurationText(*out - *in, p.fps);
    if (edit_.duration != shown) edit_.duration = shown;
  }
  return kipo::CheckCurrentCues(edit_.inCue, edit_.outCue, doc_.At(current_).karaokeRole, rate, p);
}

bool Workstation::LeaveCurrentSubtitle() {
  int code = CheckCurrentCues();
  std::string number = std::to_string(current_ + 1);
  CueRulePolicy policy;
  std::string fault;
  switch (code) {
    case kLeaveInIncomplete: ShowWarning("In cue " + number + " is invalid"); return true;
    case kLeaveOutIncomplete: ShowWarning("Out cue " + number + " is invalid"); return true;
    case kLeaveTooShort:
      // The first subtitle may be short (a subtitle zero, a title at the very start).
      if (current_ == 0) return true;
      policy = house_.durationTooShortPolicy;
      fault = ": duration too short";
      break;
    case kLeaveTooLong:
      policy = house_.durationTooLongPolicy;
      fault = ": duration too long";
      break;
    default: return true;
  }
  std::string what = "Subtitle " + number + fault;
  switch (policy) {
    case CueRulePolicy::Prevent:
      return prompter_.Ask({"", "Click OK or press Enter to ignore this warning.\n" + what, Buttons::OkCancel,
                            Icon::Warning}) == Answer::Ok;
    case CueRulePolicy::Warn: ShowWarning(what); return true;
    case CueRulePolicy::Allow: return true;
  }
  return true;
}

bool Workstation::MoveTo(std::size_t index) {
  if (!LeaveCurrentSubtitle()) return false;
  GoTo(index);
  return true;
}

bool Workstation::MoveCueByKey(CueField field, bool later, int modifiers) {
  if (!HasCurrent()) return false;
  CueMove m = MoveCue(CurrentCues(), field, later, CueMoveStep(modifiers), Timing(), house_);
  if (!m.applied) return false;
  const FrameRate& rate = doc_.frameRate();
  Record(field == CueField::In ? "InCue" : "OutCue");
  if (field == CueField::In) {
    edit_.inCue = Label(m.cue, rate);
    if (m.neighbour && current_ > 0) {
      doc_.SetOutCue(current_ - 1, FramesToDigits(*m.neighbour, rate));
      edit_.lastOut = Label(*m.neighbour, rate);
      edit_.lastDuration = DurationLabel(doc_.At(current_ - 1).inCue, doc_.At(current_ - 1).outCue, rate)
                               .value_or(edit_.lastDuration);
    }
  } else {
    edit_.outCue = Label(m.cue, rate);
    if (m.neighbour && current_ + 1 < doc_.Count()) {
      doc_.SetInCue(current_ + 1, FramesToDigits(*m.neighbour, rate));
      edit_.nextIn = Label(*m.neighbour, rate);
      edit_.nextDuration = DurationLabel(doc_.At(current_ + 1).inCue, doc_.At(current_ + 1).outCue, rate)
                               .value_or(edit_.nextDuration);
    }
  }
  UpdateDuration(edit_, rate);
  CommitEditArea();
  if (!m.warning.empty()) ShowWarning(m.warning);
  Refresh();
  return true;
}

void Workstation::EnterInCueField() {
  if (!HasCurrent() || !house_.calcInCue) return;
  EditCues c = CurrentCues();
  if (c.in || !c.lastOut || LeadingNumber(StripSeparators(edit_.inCue)) != 0) return;
  Record("InCue");
  const FrameRate& rate = doc_.frameRate();
  edit_.inCue = Label(*c.lastOut + house_.defaultInterval, rate);
  UpdateDuration(edit_, rate);
  CommitEditArea();
  if (LeadingNumber(StripSeparators(edit_.outCue)) == 0) RecalculateOutCue();
  Refresh();
}

void Workstation::EnterOutCueField() {
  if (!HasCurrent() || !house_.calcOutCue) return;
  EditCues c = CurrentCues();
  if (c.out) return;
  const FrameRate& rate = doc_.frameRate();
  const TimingParameters p = Timing();
  const bool noText = edit_.text.empty();
  if (!c.in) {
    if (!c.lastOut) return;
    Record("OutCue");
    Timecode in = *c.lastOut + p.defaultInterval;
    edit_.inCue = Label(in, rate);
    if (noText) edit_.outCue = Label(in + p.defaultDuration, rate);
  } else if (noText) {
    Timecode out = *c.in + p.defaultDuration;
    if (c.nextIn && out > *c.nextIn - p.defaultInterval) {
      auto w = ApplyPolicy(house_.nextIntervalPolicy, NextIntervalWarning(p));
      if (!w) return;  // Prevent: the out cue stays empty
      if (!w->empty()) ShowWarning(*w);
    }
    Record("OutCue");
    edit_.outCue = Label(out, rate);
  }
  UpdateDuration(edit_, rate);
  CommitEditArea();
  if (!noText) RecalculateOutCue();
  Refresh();
}

void Workstation::SetCueFromPlayer(CueField field, Timecode frames) {
  if (!HasCurrent() || frames < 0) return;
  const FrameRate& rate = doc_.frameRate();
  Record(field == CueField::In ? "InCue" : "OutCue");
  (field == CueField::In ? edit_.inCue : edit_.outCue) = Label(frames, rate);
  UpdateDuration(edit_, rate);
  CommitEditArea();
  Refresh();
}

void Workstation::DetectSubtitleZero() {
  if (settings_.GetInt("Options", "Auto zero-based", 2) != 1) return;
  zeroButton = StartsWithSubtitleZero(doc_);
  settings_.SetBool("Options", "Subtitle zero", zeroButton);
}

CpsLabel Workstation::CurrentCps() const {
  const FrameRate& r = doc_.frameRate();
  return CurrentCpsLabel(edit_.text, FieldFrames(edit_.inCue, r), FieldFrames(edit_.outCue, r), Timing(),
                         ReadingOptions::Load(settings_));
}

CpsLabel Workstation::LastCps() const {
  if (!HasCurrent() || current_ == 0) return {};
  const FrameRate& r = doc_.frameRate();
  return NeighbourCpsLabel(doc_.At(current_ - 1).text, FieldFrames(edit_.lastIn, r), FieldFrames(edit_.lastOut, r),
                           Timing(), ReadingOptions::Load(settings_));
}

CpsLabel Workstation::NextCps() const {
  if (!HasCurrent() || current_ + 1 >= doc_.Count()) return {};
  const FrameRate& r = doc_.frameRate();
  return NeighbourCpsLabel(doc_.At(current_ + 1).text, FieldFrames(edit_.nextIn, r), FieldFrames(edit_.nextOut, r),
                           Timing(), ReadingOptions::Load(settings_));
}

CheckSettings Workstation::CurrentCheckSettings() const { return CheckSettings::Load(house_, settings_); }

std::vector<ErrorRow> Workstation::ErrorList() const { return BuildErrorList(doc_, CurrentCheckSettings()); }

std::optional<std::size_t> Workstation::RunAllChecks() {
  CommitEditArea();
  SetWarning("");
  const CheckSettings s = CurrentCheckSettings();
  std::vector<Finding> found;
  const std::vector<CueFrames> cues = ReadAllCueFrames(doc_);
  std::size_t start = current_ + (house_.startChecksAtNextSubtitle ? 1 : 0);
  for (std::size_t i = start; i < doc_.Count(); ++i) {
    found.clear();
    CollectFaults(doc_, i, s, CheckMode::Run, cues, found);
    if (found.empty()) continue;
    GoTo(i);
    ShowWarning(RunText(found.front(), house_.maxRowLength));
    return i;
  }
  prompter_.Inform("Subtitle Check", "Check completed");
  return std::nullopt;
}

bool Workstation::SaveErrorList() {
  auto choice = prompter_.SaveFile(ErrorListDialog());
  if (!choice) return false;
  CommitEditArea();
  try {
    kipo::SaveErrorList(choice->path, ErrorList(), doc_, std::time(nullptr));
  } catch (const UserError& e) {
    prompter_.Inform(e.title(), e.text(), Icon::Critical);
    return false;
  }
  return true;
}

std::string Workstation::StatisticsReport() {
  SetStatus("Preparing stats. Please wait...");
  CommitEditArea();
  std::string text = BuildStatistics(doc_, Timing(), ReadingOptions::Load(settings_));
  SetStatus("");
  return text;
}

int Workstation::WarnTooManyRows() { return kipo::WarnTooManyRows(doc_, house_, prompter_); }

}  // namespace kipo
