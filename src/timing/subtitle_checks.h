#pragma once
// Checks one subtitle of a document against the house rules and reports its faults in
// catalogue order. The error list, the interactive run and the single-subtitle text form
// share these checks; they differ only in wording and in the reading-speed test.
#include <optional>
#include <string>
#include <vector>

#include "core/document.h"
#include "core/markup.h"
#include "settings/house_options.h"
#include "timing/fault_catalogue.h"
#include "timing/reading_speed.h"

namespace kipo {

class SettingsStore;

// How the display lays out a row of subtitle text: its width in the display font and the
// width the safe area leaves a row. The display owns its font and picture (imaging's
// MakeDisplayMeasure); a check without one skips the safe area and soft wrapping.
class RowMeasure {
 public:
  virtual ~RowMeasure() = default;
  // Width in pixels of plain text (no markup, no line ends) in one style.
  virtual double Width(std::string_view plain, bool bold, bool italic) const = 0;
  virtual double SafeWidth() const = 0;
};

// The widest row of a text as the display sets it, each run in its own style (`italic`:
// the subtitle is italic as a whole).
double WidestRow(std::string_view text, bool italic, const BoldMarkers& bold, const RowMeasure& m);
// The rows the editor shows once rows wider than the safe area wrap at spaces (a word
// wider than the safe area on its own stays one row).
int SoftWrappedRows(std::string_view text, bool italic, const BoldMarkers& bold, const RowMeasure& m);

// Everything a check reads, gathered once at the start of a check.
struct CheckSettings {
  HouseOptions house;
  ReadingOptions reading;
  bool ignoreDurationTooLong = false;   // "Options" / "Ignore duration too long"
  // Closed-caption checks ("EIA 608", "Ultech CC"); they run only with the house switch
  // "Enable closed caption checks" (caption_checks.h).
  int ccDelayTolerance = 0;             // frames
  bool ccCheckSendTime = false;
  bool ccCheckIllegalCharacters = false;
  bool ccCheckRowMapping = false;
  bool ccCheckF3Italics = false;
  int ultechCueOffset = 0;
  // The display's measure for the safe area and soft wrapping; not owned, may be null.
  const RowMeasure* display = nullptr;

  static CheckSettings Load(const HouseOptions& house, const SettingsStore& store);
  bool operator==(const CheckSettings&) const = default;
  // A check group's switch after the applied profile's force/ignore flags.
  bool Enabled(CheckGroup g) const;
};

enum class CheckMode {
  ErrorList,  // the error list and the saved list
  Run,        // the interactive run: also the faults only it reports
  Single,     // CheckSubtitle: reading speed against the required duration with tolerance
};

// Appends the faults of subtitle `index` to `out` in catalogue order.
void CollectFaults(const SubtitleDocument& doc, std::size_t index, const CheckSettings& s, CheckMode mode,
                   std::vector<Finding>& out);

// A subtitle's cues in frames; nullopt when the cue is not a valid, complete timecode.
struct CueFrames {
  std::optional<Timecode> in, out;
};
CueFrames ReadCueFrames(const Subtitle& s, const FrameRate& rate);
// The same for a whole-document check that has read every subtitle's cues once
// (cues[i] belongs to subtitle i).
void CollectFaults(const SubtitleDocument& doc, std::size_t index, const CheckSettings& s, CheckMode mode,
                   const std::vector<CueFrames>& cues, std::vector<Finding>& out);
std::vector<CueFrames> ReadAllCueFrames(const SubtitleDocument& doc);

// The faults of one subtitle as text rows joined by CR LF, with the two duration faults
// reported as "Duration too short/long"; "" when the subtitle is clean.
std::string CheckSubtitle(const SubtitleDocument& doc, std::size_t index, const CheckSettings& s);

}  // namespace kipo
