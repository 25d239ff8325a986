#include "settings/house_options.h"

#include <variant>

#include "settings/settings_store.h"

namespace kipo {
namespace {

// One row per stored field: its key and where it lives in the record.
struct Field {
  const char* key;
  std::variant<short HouseOptions::*, bool HouseOptions::*, CueRulePolicy HouseOptions::*,
               CheckSwitch HouseOptions::*, std::string HouseOptions::*>
      member;
};

const Field kFields[] = {
    {"Reading speed", &HouseOptions::readingSpeed},
    {"Minimum duration", &HouseOptions::minDuration},
    {"Maximum duration", &HouseOptions::maxDuration},
    {"Default interval", &HouseOptions::defaultInterval},
    {"Default duration", &HouseOptions::defaultDuration},
    {"Duration < Minimum Duration", &HouseOptions::durationTooShortPolicy},
    {"Duration > Maximum Duration", &HouseOptions::durationTooLongPolicy},
    {"In Cue < Last Out + Default Interval", &HouseOptions::lastIntervalPolicy},
    {"Out Cue > Next In - Default Interval", &HouseOptions::nextIntervalPolicy},
    {"Calculate in cue", &HouseOptions::calcInCue},
    {"Calculate out cue", &HouseOptions::calcOutCue},
    {"Lock cues", &HouseOptions::lockCues},
    {"Too many rows", &HouseOptions::tooManyRows},
    {"Too many characters in line", &HouseOptions::tooManyChars},
    {"Safe area override", &HouseOptions::safeAreaOverride},
    {"Inconsistent cues", &HouseOptions::inconsistentCues},
    {"Cues not set", &HouseOptions::cuesNotSet},
    {"Reading speed check", &HouseOptions::readingSpeedCheck},
    {"Invalid interval", &HouseOptions::invalidInterval},
    {"Duration too short or too long", &HouseOptions::duration},
    {"Empty subtitles", &HouseOptions::emptySubtitles},
    {"Raised subtitles", &HouseOptions::raisedSubtitles},
    {"Maximum rows", &HouseOptions::maxRows},
    {"Maximum row length", &HouseOptions::maxRowLength},
    {"Invalid interval threshold", &HouseOptions::invalidIntervalThreshold},
    {"Ignore reading below", &HouseOptions::ignoreReadingBelow},
    {"Reading tolerance", &HouseOptions::readingTolerance},
    {"Allow blank lines", &HouseOptions::allowBlankLines},
    {"Warn on too many lines", &HouseOptions::warnTooManyRows},
    {"Force default interval", &HouseOptions::forceIntervalBy},
    {"Force default interval by", &HouseOptions::forceIntervalIndex},
    {"Start checks at next subtitle", &HouseOptions::startChecksAtNextSubtitle},
    {"Red chars", &HouseOptions::redChars},
    {"Enable closed caption checks", &HouseOptions::closedCaptionChecks},
    {"Rows", &HouseOptions::screenRows},
    {"Clean backups on exit", &HouseOptions::cleanBackupsOnExit},
    {"Backup clean mode", &HouseOptions::backupCleanMode},
    {"Move backup folders to", &HouseOptions::backupArchiveFolder},
    {"Autosave interval", &HouseOptions::autosaveMinutes},
};

short ClampShort(long v, short def) { return v < -32768 || v > 32767 ? def : static_cast<short>(v); }

}  // namespace

HouseOptions HouseOptions::Load(const SettingsStore& store) {
  HouseOptions o;
  const char* sec = kHouseOptionsSection;
  for (const Field& f : kFields) {
    std::visit(
        [&](auto m) {
          using T = std::remove_cvref_t<decltype(o.*m)>;
          if constexpr (std::is_same_v<T, short>) {
            o.*m = ClampShort(store.GetInt(sec, f.key, o.*m), o.*m);
          } else if constexpr (std::is_same_v<T, bool>) {
            o.*m = store.GetBool(sec, f.key, o.*m);
          } else if constexpr (std::is_same_v<T, CueRulePolicy>) {
            long v = store.GetInt(sec, f.key, static_cast<long>(o.*m));
            if (v >= 1 && v <= 3) o.*m = static_cast<CueRulePolicy>(v);
          } else if constexpr (std::is_same_v<T, CheckSwitch>) {
            (o.*m).enabled = store.GetBool(sec, f.key, (o.*m).enabled);
            (o.*m).forced = store.GetBool(sec, std::string(f.key) + " forced", false);
            (o.*m).ignored = store.GetBool(sec, std::string(f.key) + " ignored", false);
          } else {
            o.*m = store.Get(sec, f.key, o.*m);
          }
        },
        f.member);
  }
  return o;
}

void HouseOptions::Save(SettingsStore& store) const {
  SettingsStore::Batch batch(store);
  const char* sec = kHouseOptionsSection;
  for (const Field& f : kFields) {
    std::visit(
        [&](auto m) {
          using T = std::remove_cvref_t<decltype(this->*m)>;
          if constexpr (std::is_same_v<T, short>) {
            store.SetInt(sec, f.key, this->*m);
          } else if constexpr (std::is_same_v<T, bool>) {
            store.SetBool(sec, f.key, this->*m);
          } else if constexpr (std::is_same_v<T, CueRulePolicy>) {
            store.SetInt(sec, f.key, static_cast<long>(this->*m));
          } else if constexpr (std::is_same_v<T, CheckSwitch>) {
            store.SetBool(sec, f.key, (this->*m).enabled);
            store.SetBool(sec, std::string(f.key) + " forced", (this->*m).forced);
            store.SetBool(sec, std::string(f.key) + " ignored", (this->*m).ignored);
          } else {
            store.Set(sec, f.key, this->*m);
          }
        },
        f.member);
  }
}

}  // namespace kipo
