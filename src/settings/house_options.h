#pragma once
// The house rules a subtitler works to: timing parameters, cue policies, check switches
// and limits. They live in the settings store under section "House options" (one named
// key each) and are copied from a profile when one is applied.
#include <string>

namespace kipo {

class SettingsStore;

// How a cue rule is enforced while cues are changed from the keyboard.
enum class CueRulePolicy : short { Prevent = 1, Warn = 2, Allow = 3 };

// The checks a profile can force on or ignore.
struct CheckSwitch {
  bool enabled = true;  // the option's own value
  bool forced = false;  // set by the applied profile
  bool ignored = false;  // set by the applied profile
  // Off if ignored, on if forced, otherwise the option's own value.
  bool effective() const { return ignored ? false : (forced ? true : enabled); }
  // A member, so that the defaulted comparisons of the structs holding it find it (clang
  // looks the comparison up where HouseOptions is declared).
  bool operator==(const CheckSwitch&) const = default;
};

struct HouseOptions {
  // Timing parameters (16-bit values; durations and intervals in frames).
  short readingSpeed = 15;      // characters per second
  short minDuration = 25;       // 1 second at 25 fps
  short maxDuration = 175;      // 7 seconds at 25 fps
  short defaultInterval = 4;    // minimum gap between subtitles
  short defaultDuration = 50;   // for a text with nothing to count

  CueRulePolicy durationTooShortPolicy = CueRulePolicy::Warn;
  CueRulePolicy durationTooLongPolicy = CueRulePolicy::Warn;
  CueRulePolicy lastIntervalPolicy = CueRulePolicy::Warn;
  CueRulePolicy nextIntervalPolicy = CueRulePolicy::Warn;
  bool calcInCue = false;
  bool calcOutCue = false;
  bool lockCues = false;

  // Check switches ("On Run All Checks Include:").
  CheckSwitch tooManyRows;       // profile: "Too many rows"
  CheckSwitch tooManyChars;
  CheckSwitch safeAreaOverride;
  CheckSwitch inconsistentCues;
  CheckSwitch cuesNotSet;
  CheckSwitch readingSpeedCheck;
  CheckSwitch invalidInterval;   // profile: "Default interval"
  CheckSwitch duration;          // profile: "Duration too short/long"
  CheckSwitch emptySubtitles;    // profile: "Empty subtitles"
  CheckSwitch raisedSubtitles;   // profile: "Raised subtitles"

  // Limits and check parameters.
  short maxRows = 2;                   // rows per subtitle
  short maxRowLength = 37;             // characters per row
  short invalidIntervalThreshold = 12; // frames above the default interval still invalid
  short ignoreReadingBelow = 0;        // characters; 0 = check every subtitle
  short readingTolerance = 0;          // per cent
  bool allowBlankLines = false;
  bool warnTooManyRows = true;
  bool forceIntervalBy = false;
  short forceIntervalIndex = 0;
  bool startChecksAtNextSubtitle = false;
  bool redChars = false;
  bool closedCaptionChecks = false;    // "Enable closed caption checks"

  // Screen rows a raised subtitle may use ("Rows"); 0 means 11.
  short screenRows = 11;

  // Backups (cleaning on exit): mode 0 trash, 1 move to the archive folder, 2 delete.
  bool cleanBackupsOnExit = false;
  short backupCleanMode = 0;
  std::string backupArchiveFolder;  // "Move backup folders to: "
  short autosaveMinutes = 5;        // autosave interval

  // Reads every field from section "House options"; absent keys keep the defaults above.
  static HouseOptions Load(const SettingsStore& store);
  void Save(SettingsStore& store) const;
  bool operator==(const HouseOptions&) const = default;
};

inline constexpr const char* kHouseOptionsSection = "House options";

}  // namespace kipo
