// Cue conversion and recut as main-window commands: each records one undo step of the whole
// document (with its frame rate) just before its first change, so a refusal records nothing.
#include "app/workstation.h"
#include "platform/user_error.h"

namespace kipo {

namespace {
constexpr const char* kCueSteps = "MultipleCueDelete";
}  // namespace

bool Workstation::ConvertCues(ConversionMethod method, Conversion conversion, int startHour) {
  CommitEditArea();
  ConversionChoices choices = LoadConversionChoices(settings_);
  choices.method = method;
  choices.conversion = conversion;
  SaveConversionChoices(settings_, choices);
  ConversionOutcome done;
  try {
    done = kipo::ConvertCues(doc_, method, conversion, startHour, LoadTelecineFactors(settings_),
                             [this](std::size_t, std::size_t) {
                               RecordDocument(kCueSteps);
                               if (UndoStep* top = undo_.Top(); top && !suppressUndo) top->frameRate = doc_.frameRate();
                               Record(kUndoNothing);
                             });
  } catch (const UserError& e) {
    prompter_.Ask({e.title(), e.text(), Buttons::Ok, Icon::Warning});
    return false;
  }
  if (!done.converted) return false;
  EndCommand();
  return true;
}

RecutOutcome Workstation::Recut(RecutType type, long first, long last, const RecutOptions& options) {
  CommitEditArea();
  {
    SettingsStore::Batch batch(settings_);
    settings_.Set(kOffsetType, static_cast<long>(type));
    settings_.Set(kOffsetMaintainInterval, options.keepInterval);
  }
  RecutOutcome r = kipo::Recut(doc_, type, first, last, options, house_, prompter_, [this](std::size_t, std::size_t) {
    RecordDocument(kCueSteps);
    Record(kUndoNothing);
  });
  if (r.result == RecutResult::Recut) EndCommand();
  return r;
}

}  // namespace kipo
