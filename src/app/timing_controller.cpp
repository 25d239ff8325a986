// The timing commands: the cue rules over the edit area, the leaving step, the interactive
// check run, the reports and the bulk cue operations.
#include <cmath>
#include <ctime>

#include "app/timing_controller.h"
#include "imaging/display_measure.h"
#include "platform/text_util.h"
#include "platform/user_error.h"
#include "settings/keys.h"
#include "timing/statistics.h"
#include "video/tcd_file.h"

namespace kipo {
namespace {

std::string Label(Timecode frames, const FrameRate& rate) { return FramesToLabel(frames, rate); }

// Shows a refusal of a timing rule the way the rules show them: exclamation icon, OK.
void ShowRefusal(Prompter& p, const UserError& e) { p.Ask({e.title(), e.text(), Buttons::Ok, Icon::Warning}); }

// The duration shown follows the cue fields: blank while either cue is incomplete.
void UpdateDuration(EditArea& e, const FrameRate& rate) {
  e.duration = ShownDuration(e.inCue, e.outCue, rate);
}

std::optional<Timecode> FieldFrames(const std::string& field, const FrameRate& rate) {
  return CueFieldFrames(field, rate);
}

BeforeCueChange Recorder(DocumentSession& s, const char* action) {
  return [&s, action](std::size_t first, std::size_t count) {
    s.RecordRange(action, first, count);
    s.Record(kUndoNothing);
  };
}

constexpr const char* kCueSteps = "MultipleCueDelete";

}  // namespace

int CueKeyModifiers(bool shift, bool ctrl, bool alt) {
  return (shift ? kShiftKey : 0) | (ctrl ? kCtrlKey : 0) | (alt ? kAltKey : 0);
}

TimingParameters TimingController::Timing() const { return TimingParameters::From(s_.house(), s_.doc().frameRate()); }

EditCues TimingController::CurrentCues() const {
  const FrameRate& r = s_.doc().frameRate();
  EditCues c;
  c.in = FieldFrames(s_.edit().inCue, r);
  c.out = FieldFrames(s_.edit().outCue, r);
  c.lastOut = FieldFrames(s_.edit().lastOut, r);
  c.nextIn = FieldFrames(s_.edit().nextIn, r);
  c.inFieldEmpty = CueFieldDigits(s_.edit().inCue) == 0;
  return c;
}

bool TimingController::RecalculateOutCue() {
  if (!s_.HasCurrent()) return false;
  RecalculatedCues r;
  try {
    r = kipo::RecalculateOutCue(CurrentCues(), s_.edit().text, Timing());
  } catch (const UserError& e) {
    ShowRefusal(s_.prompter(), e);
    return false;
  }
  s_.Record("OutCue");
  const FrameRate& rate = s_.doc().frameRate();
  s_.edit().inCue = Label(r.in, rate);
  s_.edit().outCue = Label(r.out, rate);
  UpdateDuration(s_.edit(), rate);
  s_.CommitEditArea();
  s_.Refresh();
  return true;
}

bool TimingController::RecalculateInCue() {
  if (!s_.HasCurrent()) return false;
  Timecode in = 0;
  try {
    in = kipo::RecalculateInCue(CurrentCues(), s_.edit().text, Timing());
  } catch (const UserError& e) {
    ShowRefusal(s_.prompter(), e);
    return false;
  }
  s_.Record("InCue");
  s_.edit().inCue = Label(in, s_.doc().frameRate());
  UpdateDuration(s_.edit(), s_.doc().frameRate());
  s_.CommitEditArea();
  s_.Refresh();
  return true;
}

int TimingController::CheckCurrentCues() {
  if (!s_.HasCurrent()) return kLeaveOk;
  const FrameRate& rate = s_.doc().frameRate();
  TimingParameters p = Timing();
  auto in = FieldFrames(s_.edit().inCue, rate), out = FieldFrames(s_.edit().outCue, rate);
  if (in && out) {
    std::string shown = DurationText(*out - *in, p.fps);
    if (s_.edit().duration != shown) s_.edit().duration = shown;
  }
  return kipo::CheckCurrentCues(s_.edit().inCue, s_.edit().outCue, s_.doc().At(s_.current()).karaokeRole, rate, p);
}

bool TimingController::LeaveCurrentSubtitle() {
  int code = CheckCurrentCues();
  std::string number = std::to_string(s_.current() + 1);
  CueRulePolicy policy;
  std::string fault;
  switch (code) {
    case kLeaveInIncomplete: s_.ShowLeaveWarning("In cue " + number + " is invalid"); return true;
    case kLeaveOutIncomplete: s_.ShowLeaveWarning("Out cue " + number + " is invalid"); return true;
    case kLeaveTooShort:
      // The first subtitle may be short (a subtitle zero, a title at the very start).
      if (s_.current() == 0) return true;
      policy = s_.house().durationTooShortPolicy;
      fault = ": duration too short";
      break;
    case kLeaveTooLong:
      policy = s_.house().durationTooLongPolicy;
      fault = ": duration too long";
      break;
    default: return true;
  }
  std::string what = "Subtitle " + number + fault;
  switch (policy) {
    case CueRulePolicy::Prevent:
      return s_.prompter().Ask({"", "Click OK or press Enter to ignore this warning.\n" + what, Buttons::OkCancel,
                            Icon::Warning}) == Answer::Ok;
    case CueRulePolicy::Warn: s_.ShowLeaveWarning(what); return true;
    case CueRulePolicy::Allow: return true;
  }
  return true;
}

bool TimingController::MoveTo(std::size_t index) {
  if (!LeaveCurrentSubtitle()) return false;
  s_.GoTo(index);
  return true;
}

bool TimingController::MoveCueByKey(CueField field, bool later, int modifiers) {
  if (!s_.HasCurrent()) return false;
  CueMove m = MoveCue(CurrentCues(), field, later, CueMoveStep(modifiers), Timing(), s_.house());
  if (!m.applied) return false;
  const FrameRate& rate = s_.doc().frameRate();
  s_.Record(field == CueField::In ? "InCue" : "OutCue");
  if (field == CueField::In) {
    s_.edit().inCue = Label(m.cue, rate);
    if (m.neighbour && s_.current() > 0) {
      s_.doc().SetOutCue(s_.current() - 1, FramesToDigits(*m.neighbour, rate));
      s_.edit().lastOut = Label(*m.neighbour, rate);
      s_.edit().lastDuration = DurationLabel(s_.doc().At(s_.current() - 1).inCue, s_.doc().At(s_.current() - 1).outCue, rate)
                               .value_or(s_.edit().lastDuration);
    }
  } else {
    s_.edit().outCue = Label(m.cue, rate);
    if (m.neighbour && s_.current() + 1 < s_.doc().Count()) {
      s_.doc().SetInCue(s_.current() + 1, FramesToDigits(*m.neighbour, rate));
      s_.edit().nextIn = Label(*m.neighbour, rate);
      s_.edit().nextDuration = DurationLabel(s_.doc().At(s_.current() + 1).inCue, s_.doc().At(s_.current() + 1).outCue, rate)
                               .value_or(s_.edit().nextDuration);
    }
  }
  UpdateDuration(s_.edit(), rate);
  s_.CommitEditArea();
  if (!m.warning.empty()) s_.ShowWarning(m.warning);
  s_.Refresh();
  return true;
}

void TimingController::EnterInCueField() {
  if (!s_.HasCurrent() || !s_.house().calcInCue) return;
  EditCues c = CurrentCues();
  if (c.in || !c.lastOut || LeadingNumber(StripSeparators(s_.edit().inCue)) != 0) return;
  s_.Record("InCue");
  const FrameRate& rate = s_.doc().frameRate();
  s_.edit().inCue = Label(*c.lastOut + s_.house().defaultInterval, rate);
  UpdateDuration(s_.edit(), rate);
  s_.CommitEditArea();
  if (LeadingNumber(StripSeparators(s_.edit().outCue)) == 0) RecalculateOutCue();
  s_.Refresh();
}

void TimingController::EnterOutCueField() {
  if (!s_.HasCurrent() || !s_.house().calcOutCue) return;
  EditCues c = CurrentCues();
  if (c.out) return;
  const FrameRate& rate = s_.doc().frameRate();
  const TimingParameters p = Timing();
  const bool noText = s_.edit().text.empty();
  if (!c.in) {
    if (!c.lastOut) return;
    s_.Record("OutCue");
    Timecode in = *c.lastOut + p.defaultInterval;
    s_.edit().inCue = Label(in, rate);
    if (noText) s_.edit().outCue = Label(in + p.defaultDuration, rate);
  } else if (noText) {
    Timecode out = *c.in + p.defaultDuration;
    if (c.nextIn && out > *c.nextIn - p.defaultInterval) {
      auto w = ApplyPolicy(s_.house().nextIntervalPolicy, NextIntervalWarning(p));
      if (!w) return;  // Prevent: the out cue stays empty
      if (!w->empty()) s_.ShowWarning(*w);
    }
    s_.Record("OutCue");
    s_.edit().outCue = Label(out, rate);
  }
  UpdateDuration(s_.edit(), rate);
  s_.CommitEditArea();
  if (!noText) RecalculateOutCue();
  s_.Refresh();
}

void TimingController::SetCueFromPlayer(CueField field, Timecode frames) {
  if (!s_.HasCurrent() || frames < 0) return;
  const FrameRate& rate = s_.doc().frameRate();
  s_.Record(field == CueField::In ? "InCue" : "OutCue");
  (field == CueField::In ? s_.edit().inCue : s_.edit().outCue) = Label(frames, rate);
  UpdateDuration(s_.edit(), rate);
  s_.CommitEditArea();
  s_.Refresh();
}

void TimingController::DetectSubtitleZero() {
  if (s_.settings().Get(keys::kAutoZeroBased) != 1) return;
  zeroButton_ = StartsWithSubtitleZero(s_.doc());
  s_.settings().Set(keys::kSubtitleZero, zeroButton_);
}

CpsLabel TimingController::CurrentCps() const {
  const FrameRate& r = s_.doc().frameRate();
  return CurrentCpsLabel(s_.edit().text, FieldFrames(s_.edit().inCue, r), FieldFrames(s_.edit().outCue, r), Timing(),
                         ReadingOptions::Load(s_.settings()));
}

CpsLabel TimingController::LastCps() const {
  if (!s_.HasCurrent() || s_.current() == 0) return {};
  const FrameRate& r = s_.doc().frameRate();
  return NeighbourCpsLabel(s_.doc().At(s_.current() - 1).text, FieldFrames(s_.edit().lastIn, r), FieldFrames(s_.edit().lastOut, r),
                           Timing(), ReadingOptions::Load(s_.settings()));
}

CpsLabel TimingController::NextCps() const {
  if (!s_.HasCurrent() || s_.current() + 1 >= s_.doc().Count()) return {};
  const FrameRate& r = s_.doc().frameRate();
  return NeighbourCpsLabel(s_.doc().At(s_.current() + 1).text, FieldFrames(s_.edit().nextIn, r), FieldFrames(s_.edit().nextOut, r),
                           Timing(), ReadingOptions::Load(s_.settings()));
}

CheckSettings TimingController::CurrentCheckSettings() const {
  CheckSettings c = CheckSettings::Load(s_.house(), s_.settings());
  // Made again only when the display settings change: the live error list keeps the
  // settings of its last check, measure included, and re-checks with them after each edit.
  const DisplayGeometry g = DisplayGeometry::Load(s_.settings());
  std::string key = g.font.family + '\n' + std::to_string(g.font.pixelSize) + '\n' + std::to_string(g.font.bold) + '\n' +
                    std::to_string(g.font.italic) + '\n' + std::to_string(g.pictureWidth) + '\n' +
                    std::to_string(g.leftMargin) + '\n' + std::to_string(g.rightMargin);
  if (!display_ || key != displayKey_) {
    if (display_) oldDisplays_.push_back(std::move(display_));
    display_ = MakeDisplayMeasure(g);
    displayKey_ = std::move(key);
  }
  c.display = display_.get();
  return c;
}

TimingController::TimingController(DocumentSession& session) : s_(session) {
  watching_ = s_.doc().Subscribe([this](const DocumentChange& c) { live_.Apply(s_.doc(), c); });
}

const LiveErrorList& TimingController::LiveErrors() const {
  live_.Sync(s_.doc(), CurrentCheckSettings());
  return live_;
}

std::vector<ErrorRow> TimingController::ErrorList() const { return LiveErrors().Rows(); }

std::string TimingController::CurrentSubtitleState() const {
  if (!s_.HasCurrent()) return {};
  std::string text;
  for (const Finding& f : LiveErrors().FaultsOf(s_.current()))
    text += (text.empty() ? "Subtitle " + std::to_string(s_.current() + 1) + ": " : "; ") + RunText(f, s_.house().maxRowLength);
  return text;
}

std::vector<std::size_t> TimingController::CurrentRowLengths() const {
  const ReadingOptions o = ReadingOptions::Load(s_.settings());
  std::vector<std::size_t> lengths;
  for (const std::string& row : SplitRows(s_.edit().text)) lengths.push_back(RowLength(row, o));
  return lengths;
}

void TimingController::CuesTyped() { UpdateDuration(s_.edit(), s_.doc().frameRate()); }

std::optional<std::size_t> TimingController::RunAllChecks() {
  s_.CommitEditArea();
  s_.SetWarning("");
  const CheckSettings s = CurrentCheckSettings();
  std::vector<Finding> found;
  const std::vector<CueFrames> cues = ReadAllCueFrames(s_.doc());
  std::size_t start = s_.current() + (s_.house().startChecksAtNextSubtitle ? 1 : 0);
  for (std::size_t i = start; i < s_.doc().Count(); ++i) {
    found.clear();
    CollectFaults(s_.doc(), i, s, CheckMode::Run, cues, found);
    if (found.empty()) continue;
    s_.GoTo(i);
    s_.ShowWarning(RunText(found.front(), s_.house().maxRowLength));
    return i;
  }
  s_.prompter().Inform("Subtitle Check", "Check completed");
  return std::nullopt;
}

bool TimingController::SaveErrorList() {
  auto choice = s_.prompter().SaveFile(ErrorListDialog());
  if (!choice) return false;
  s_.CommitEditArea();
  try {
    kipo::SaveErrorList(choice->path, ErrorList(), s_.doc(), std::time(nullptr));
  } catch (const UserError& e) {
    s_.prompter().Inform(e.title(), e.text(), Icon::Critical);
    return false;
  }
  return true;
}

std::string TimingController::StatisticsReport() {
  s_.SetStatus("Preparing stats. Please wait...");
  s_.CommitEditArea();
  std::string text = BuildStatistics(s_.doc(), Timing(), ReadingOptions::Load(s_.settings()));
  s_.SetStatus("");
  return text;
}

int TimingController::WarnTooManyRows() { return kipo::WarnTooManyRows(s_.doc(), s_.house(), s_.prompter()); }

int TimingController::FixInvalidIntervals() {
  s_.CommitEditArea();
  int n = kipo::FixInvalidIntervals(s_.doc(), s_.house(), s_.prompter(), Recorder(s_, kCueSteps));
  if (n > 0) s_.EndCommand();
  return n;
}

int TimingController::FillBlankOutCues() {
  s_.CommitEditArea();
  int n = kipo::FillBlankOutCues(s_.doc(), s_.house(), s_.prompter(), Recorder(s_, kCueSteps));
  if (n > 0) s_.EndCommand();
  return n;
}

int TimingController::ScaleCues(double factor) {
  s_.CommitEditArea();
  int n = kipo::ScaleCues(s_.doc(), factor, Recorder(s_, kCueSteps));
  if (n > 0) s_.EndCommand();
  return n;
}

int TimingController::QuickOffset(Timecode videoPosition) {
  s_.CommitEditArea();
  int n = kipo::QuickOffset(s_.doc(), s_.current(), videoPosition, Recorder(s_, kCueSteps));
  if (n > 0) s_.EndCommand();
  return n;
}

bool TimingController::DeleteCurrentCues() {
  s_.CommitEditArea();
  bool done = kipo::DeleteCurrentCues(s_.doc(), s_.current(), s_.prompter(), Recorder(s_, kCueSteps));
  if (done) s_.EndCommand();
  return done;
}

bool TimingController::DeleteCuesFromHere() {
  s_.CommitEditArea();
  bool done = kipo::DeleteCuesFromHere(s_.doc(), s_.current(), s_.prompter(), Recorder(s_, kCueSteps));
  if (done) s_.EndCommand();
  return done;
}

bool TimingController::DeleteAllCues() {
  s_.CommitEditArea();
  bool done = kipo::DeleteAllCues(s_.doc(), s_.prompter(), Recorder(s_, kCueSteps));
  if (done) s_.EndCommand();
  return done;
}

RangeOutcome TimingController::DeleteRange(long start, long end, RangeAction action) {
  s_.CommitEditArea();
  RangeOutcome r = kipo::DeleteRange(s_.doc(), start, end, action, s_.prompter(), Recorder(s_, RangeActionUndoName(action)));
  if (r != RangeOutcome::Deleted) return r;
  s_.SetCurrent(s_.current());  // the last subtitle when the current one has gone
  s_.EndCommand();
  return r;
}

// --- re-timing: each records one undo step of the whole document (with its frame rate)
// just before its first change, so a refusal records nothing.

bool TimingController::ConvertCues(ConversionMethod method, Conversion conversion, int startHour) {
  s_.CommitEditArea();
  ConversionChoices choices = LoadConversionChoices(s_.settings());
  choices.method = method;
  choices.conversion = conversion;
  SaveConversionChoices(s_.settings(), choices);
  ConversionOutcome done;
  try {
    done = kipo::ConvertCues(s_.doc(), method, conversion, startHour, LoadTelecineFactors(s_.settings()),
                             [this](std::size_t, std::size_t) {
                               s_.RecordDocumentAndRate(kCueSteps);
                               s_.Record(kUndoNothing);
                             });
  } catch (const UserError& e) {
    s_.prompter().Ask({e.title(), e.text(), Buttons::Ok, Icon::Warning});
    return false;
  }
  if (!done.converted) return false;
  s_.EndCommand();
  return true;
}

RecutOutcome TimingController::Recut(RecutType type, long first, long last, const RecutOptions& options) {
  s_.CommitEditArea();
  {
    SettingsStore::Batch batch(s_.settings());
    s_.settings().Set(kOffsetType, static_cast<long>(type));
    s_.settings().Set(kOffsetMaintainInterval, options.keepInterval);
  }
  RecutOutcome r = kipo::Recut(s_.doc(), type, first, last, options, s_.house(), s_.prompter(), [this](std::size_t, std::size_t) {
    s_.RecordDocument(kCueSteps);
    s_.Record(kUndoNothing);
  });
  if (r.result == RecutResult::Recut) s_.EndCommand();
  return r;
}

// --- shot cuts

std::vector<Timecode> TimesOnDocument(const FrameTable& table, const FrameRate& doc, Timecode videoOffset) {
  std::vector<Timecode> times = table.Times();
  if (table.rate != doc)
    for (Timecode& t : times)
      t = static_cast<Timecode>(std::llround(static_cast<double>(t) * doc.num * table.rate.den /
                                             (static_cast<double>(doc.den) * table.rate.num)));
  for (Timecode& t : times) t += videoOffset;
  return times;
}

void TimingController::SetFrameTable(FrameTable table, std::string dataFile) {
  frames_ = std::move(table);
  dataFile_ = std::move(dataFile);
}

CutTimeline TimingController::ShotCutTimeline() const {
  return CutTimeline(TimesOnDocument(frames_, s_.doc().frameRate(), videoOffset_), frames_.cuts);
}

SnapOutcome TimingController::SnapShotCuts(SnapRange range, long from, long to, const SnapOptions& options) {
  Prompter& p = s_.prompter();
  if (range == SnapRange::Numbered && to < from) {
    p.Inform("Snap to shot cuts", "End subtitle must be less than start subtitle", Icon::Critical);
    return SnapOutcome::Refused;
  }
  const CutTimeline cuts = ShotCutTimeline();
  if (!cuts.HasCuts()) {
    p.Inform("Snap to shot cuts", "No shot cuts found!");
    return SnapOutcome::NoCuts;
  }
  {
    SettingsStore::Batch batch(s_.settings());
    options.Save(s_.settings());
    s_.settings().Set(keys::kSnapShotCutRange, static_cast<long>(range));
  }
  s_.CommitEditArea();
  const std::size_t n = s_.doc().Count();
  if (n == 0) return SnapOutcome::Snapped;
  std::size_t first = 0, last = n - 1;
  if (range == SnapRange::CurrentSubtitle) {
    if (!s_.HasCurrent()) return SnapOutcome::Snapped;
    first = last = s_.current();
  } else if (range == SnapRange::Numbered) {
    if (to < 1 || from > static_cast<long>(n)) return SnapOutcome::Snapped;
    first = static_cast<std::size_t>(std::max(1L, from) - 1);
    last = static_cast<std::size_t>(std::min(static_cast<long>(n), to) - 1);
  }
  const int changed = SnapRangeToShotCuts(s_.doc(), first, last, cuts, options, s_.house(), Recorder(s_, kCueSteps));
  if (changed > 0) s_.EndCommand();
  return SnapOutcome::Snapped;
}

bool TimingController::SnapCurrentToShotCuts() {
  if (!s_.HasCurrent()) return false;
  return SnapShotCuts(SnapRange::CurrentSubtitle, 0, 0, SnapOptions::Load(s_.settings())) == SnapOutcome::Snapped;
}

bool TimingController::CreateCuesFromShotCuts() {
  Prompter& p = s_.prompter();
  if (!p.AskYesNo("Create cues from shot cuts",
                  "Warning! This will delete all subtitles in the current file and create an empty file containing "
                  "only cues. Do you want to continue?"))
    return false;
  const CutTimeline cuts = ShotCutTimeline();
  std::vector<Subtitle> subs;
  try {
    subs = CuesFromShotCuts(cuts, Timing(), s_.doc().frameRate(),
                            [this](std::string_view phase, std::size_t done, std::size_t total) {
                              const std::string text(phase);
                              if (s_.panels().status != text) s_.SetStatus(text);
                              s_.prompter().Progress(text, static_cast<long>(done), static_cast<long>(total));
                            });
  } catch (const UserError& e) {
    s_.SetStatus("");
    p.Inform(e.title().empty() ? "Create cues from shot cuts" : e.title(), e.text());
    return false;
  }
  s_.CommitEditArea();
  s_.RecordDocument(kCueSteps);
  s_.Record(kUndoNothing);
  s_.doc().ReplaceAll(std::move(subs));
  s_.SetCurrent(0);
  s_.SetStatus("");
  s_.EndCommand();
  return true;
}

bool TimingController::ShiftShotCuts(int frames, bool up) {
  if (frames_.size() == 0 || frames < 1) return false;
  kipo::ShiftShotCuts(frames_.cuts, frames_.measures, frames, up);
  if (!dataFile_.empty()) {
    try {
      RewriteTimecodeData(dataFile_, frames_);
    } catch (const UserError& e) {
      s_.prompter().Inform(e.title(), e.text(), Icon::Warning);
    }
  }
  s_.Refresh();
  return true;
}

std::optional<FrameCount> TimingController::JumpToShotCut(bool next) {
  const int offset = static_cast<int>(s_.settings().Get(next ? keys::kNextShotCutOffset : keys::kLastShotCutOffset));
  auto to = next ? NextShotCutFrame(frames_.cuts, videoFrame_, offset)
                 : PreviousShotCutFrame(frames_.cuts, videoFrame_, offset);
  if (to) videoFrame_ = *to;
  return to;
}

double TimingController::ShotCutJumpSeconds(FrameCount frame) const {
  if (frames_.videoRateNum <= 0 || frames_.videoRateDen <= 0) return 0.001;
  return static_cast<double>(frame) * frames_.videoRateDen / frames_.videoRateNum + 0.001;
}

}  // namespace kipo
