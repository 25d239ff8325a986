#include "settings/house_options.h"

#include "settings/keys.h"
#include "settings/option_table.h"
#include "settings/settings_store.h"

namespace kipo {
namespace {

using keys::kHouse;
constexpr long kShortMin = -32768, kShortMax = 32767;
constexpr auto kTF = FlagForm::TrueFalse;

// 16-bit numbers: a stored value outside the range reads as the default.
constexpr IntSetting Short(std::string_view name, short def) { return {kHouse, name, def, kShortMin, kShortMax}; }
constexpr FlagSetting Flag(std::string_view name, bool def) { return {kHouse, name, def, kTF}; }
// A cue rule policy: 1 prevent, 2 warn, 3 allow.
constexpr IntSetting Policy(std::string_view name) { return {kHouse, name, 2, 1, 3}; }

// A check switch is three keys: the option itself and the two a profile sets.
struct SwitchKeys {
  CheckSwitch HouseOptions::*member;
  FlagSetting enabled, forced, ignored;
};
constexpr SwitchKeys Switch(CheckSwitch HouseOptions::*m, std::string_view name, std::string_view forced,
                            std::string_view ignored) {
  return {m, Flag(name, true), Flag(forced, false), Flag(ignored, false)};
}

const SwitchKeys kSwitches[] = {
    Switch(&HouseOptions::tooManyRows, "Too many rows", "Too many rows forced", "Too many rows ignored"),
    Switch(&HouseOptions::tooManyChars, "Too many characters in line", "Too many characters in line forced",
           "Too many characters in line ignored"),
    Switch(&HouseOptions::safeAreaOverride, "Safe area override", "Safe area override forced",
           "Safe area override ignored"),
    Switch(&HouseOptions::inconsistentCues, "Inconsistent cues", "Inconsistent cues forced",
           "Inconsistent cues ignored"),
    Switch(&HouseOptions::cuesNotSet, "Cues not set", "Cues not set forced", "Cues not set ignored"),
    Switch(&HouseOptions::readingSpeedCheck, "Reading speed check", "Reading speed check forced",
           "Reading speed check ignored"),
    Switch(&HouseOptions::invalidInterval, "Invalid interval", "Invalid interval forced",
           "Invalid interval ignored"),
    Switch(&HouseOptions::duration, "Duration too short or too long", "Duration too short or too long forced",
           "Duration too short or too long ignored"),
    Switch(&HouseOptions::emptySubtitles, "Empty subtitles", "Empty subtitles forced", "Empty subtitles ignored"),
    Switch(&HouseOptions::raisedSubtitles, "Raised subtitles", "Raised subtitles forced",
           "Raised subtitles ignored"),
};

const OptionTable<HouseOptions>& Table() {
  static const OptionTable<HouseOptions> t = [] {
    OptionTable<HouseOptions> t;
    t.Bind(&HouseOptions::readingSpeed, Short("Reading speed", 15))
        .Bind(&HouseOptions::minDuration, Short("Minimum duration", 25))
        .Bind(&HouseOptions::maxDuration, Short("Maximum duration", 175))
        .Bind(&HouseOptions::defaultInterval, Short("Default interval", 4))
        .Bind(&HouseOptions::defaultDuration, Short("Default duration", 50))
        .Bind(&HouseOptions::durationTooShortPolicy, Policy("Duration < Minimum Duration"))
        .Bind(&HouseOptions::durationTooLongPolicy, Policy("Duration > Maximum Duration"))
        .Bind(&HouseOptions::lastIntervalPolicy, Policy("In Cue < Last Out + Default Interval"))
        .Bind(&HouseOptions::nextIntervalPolicy, Policy("Out Cue > Next In - Default Interval"))
        .Bind(&HouseOptions::calcInCue, Flag("Calculate in cue", false))
        .Bind(&HouseOptions::calcOutCue, Flag("Calculate out cue", false))
        .Bind(&HouseOptions::lockCues, Flag("Lock cues", false));
    for (const SwitchKeys& k : kSwitches) {
      t.Custom(
          k.enabled.section, k.enabled.name,
          [k](const SettingsStore& s, HouseOptions& o) {
            CheckSwitch& c = o.*k.member;
            c.enabled = s.Get(k.enabled);
            c.forced = s.Get(k.forced);
            c.ignored = s.Get(k.ignored);
          },
          [k](SettingsStore& s, const HouseOptions& o) {
            const CheckSwitch& c = o.*k.member;
            s.Set(k.enabled, c.enabled);
            s.Set(k.forced, c.forced);
            s.Set(k.ignored, c.ignored);
          });
    }
    t.Bind(&HouseOptions::maxRows, Short("Maximum rows", 2))
        .Bind(&HouseOptions::maxRowLength, keys::kMaxRowLength)
        .Bind(&HouseOptions::invalidIntervalThreshold, Short("Invalid interval threshold", 12))
        .Bind(&HouseOptions::ignoreReadingBelow, Short("Ignore reading below", 0))
        .Bind(&HouseOptions::readingTolerance, Short("Reading tolerance", 0))
        .Bind(&HouseOptions::allowBlankLines, Flag("Allow blank lines", false))
        .Bind(&HouseOptions::warnTooManyRows, Flag("Warn on too many lines", true))
        .Bind(&HouseOptions::forceIntervalBy, Flag("Force default interval", false))
        .Bind(&HouseOptions::forceIntervalIndex, Short("Force default interval by", 0))
        .Bind(&HouseOptions::startChecksAtNextSubtitle, Flag("Start checks at next subtitle", false))
        .Bind(&HouseOptions::redChars, Flag("Red chars", false))
        .Bind(&HouseOptions::closedCaptionChecks, Flag("Enable closed caption checks", false))
        .Bind(&HouseOptions::screenRows, Short("Rows", 11))
        .Bind(&HouseOptions::cleanBackupsOnExit, Flag("Clean backups on exit", false))
        .Bind(&HouseOptions::backupCleanMode, Short("Backup clean mode", 0))
        .Bind(&HouseOptions::backupArchiveFolder, TextSetting{kHouse, "Move backup folders to", ""})
        .Bind(&HouseOptions::autosaveMinutes, Short("Autosave interval", 5));
    return t;
  }();
  return t;
}

}  // namespace

HouseOptions HouseOptions::Load(const SettingsStore& store) { return Table().Load(store); }

void HouseOptions::Save(SettingsStore& store) const { Table().Save(store, *this); }

}  // namespace kipo
