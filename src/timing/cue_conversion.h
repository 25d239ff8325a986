#pragma once
// Re-timing a whole document from one video standard to another: every set in and out
// cue is rewritten and the document takes the target frame rate.
//
// Three methods, because the two masters can be related in three ways:
//   Simple     frame-only: the label keeps its hours, minutes and seconds (after an
//              optional small scale) and its frame field is moved into the target's range.
//   Linear     the frame count stays and is written again at the target rate.
//   Telecine   the film was sped up or slowed down: the count is scaled by a factor (kept
//              in the settings), then the frame field is moved into the target's range.
// Simple and telecine work relative to a start hour: the hours above it are scaled, the
// start hour itself is put back afterwards, so a programme starting at 10:00:00:00 still
// starts there.
//
// Cues are read at the conversion's own source rate (not the document's current one), so
// the result depends only on the cues and the chosen conversion. docs/retiming.md explains
// the choices this file makes where the rules leave room.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/document.h"
#include "settings/option_table.h"
#include "settings/setting_key.h"
#include "settings/settings_store.h"
#include "timing/bulk_cues.h"

namespace kipo {

enum class ConversionMethod { Simple = 0, Linear = 1, Telecine = 2 };

// The one list every method shares, in the dialog's order.
enum class Conversion {
  Fps25To15,
  Fps23976To24,
  Fps23976ToDropFrame,
  Fps23976ToNonDrop,
  Fps23976ToPal,
  Fps24To23976,
  Fps24ToDropFrame,
  Fps24ToNonDrop,
  Fps24ToPal,
  DropFrameTo23976,
  DropFrameTo24,
  DropFrameToNonDrop,
  DropFrameToPal,
  NonDropTo23976,
  NonDropTo24,
  NonDropToDropFrame,
  NonDropToPal,
  PalTo23976,
  PalTo24,
  PalToDropFrame,
  PalToNonDrop,
};
inline constexpr int kConversionCount = 21;

// "Simple frame-only conversion", "Linear cue conversion", "Telecine conversion".
const std::vector<std::string>& ConversionMethodLabels();
// The 21 labels as the list shows them ("NSTC" spelling included).
const std::vector<std::string>& ConversionLabels();
const std::string& ConversionLabel(Conversion c);
// A conversion by its label (any case) or its position in the list (0-20).
std::optional<Conversion> FindConversion(std::string_view label);
std::optional<Conversion> ConversionAt(int index);
std::optional<ConversionMethod> FindConversionMethod(std::string_view label);

// Whether the method has a rule for the conversion; the others change nothing.
bool MethodConverts(ConversionMethod method, Conversion conversion);
// The frame-rate choice code the document takes afterwards; nullopt when the method has
// no rule for the conversion.
std::optional<int> ConversionResultRate(ConversionMethod method, Conversion conversion);

// --- settings, section "Cue conversion"
inline constexpr std::string_view kCueConversionSection = "Cue conversion";

// The telecine speed factors. Stored as decimal text; a value that does not read as a
// positive number counts as its default.
struct TelecineFactors {
  double palToNdf = 1.04166;
  double palToDf = 1.042708;
  double palTo24 = 1.041666;
  double fps24ToPal = 0.96;
  double ndfToPal = 0.96;
  double dfToPal = 0.95904;
  double palTo23976 = 1.042708375;
  double fps23976ToPal = 0.95904;
  double fps23976To24 = 1.001001;
  bool operator==(const TelecineFactors&) const = default;
};

inline constexpr TextSetting kPalToNdfFactor{kCueConversionSection, "PAL to NDF", "1.04166"};
inline constexpr TextSetting kPalToDfFactor{kCueConversionSection, "PAL to DF", "1.042708"};
inline constexpr TextSetting kPalTo24Factor{kCueConversionSection, "PAL to 24", "1.041666"};
inline constexpr TextSetting k24ToPalFactor{kCueConversionSection, "24 to PAL", "0.96"};
inline constexpr TextSetting kNdfToPalFactor{kCueConversionSection, "NDF to PAL", "0.96"};
inline constexpr TextSetting kDfToPalFactor{kCueConversionSection, "DF to PAL", "0.95904"};
inline constexpr TextSetting kPalTo23Factor{kCueConversionSection, "PAL to 23", "1.042708375"};
inline constexpr TextSetting k23ToPalFactor{kCueConversionSection, "23 to PAL", "0.95904"};
inline constexpr TextSetting k23To24Factor{kCueConversionSection, "23 to 24", "1.001001"};

// The nine factors bound to their keys (Load, Save, Names, SetFromText).
const OptionTable<TelecineFactors>& TelecineFactorTable();
inline TelecineFactors LoadTelecineFactors(const SettingsStore& s) { return TelecineFactorTable().Load(s); }
inline void SaveTelecineFactors(SettingsStore& s, const TelecineFactors& f) { TelecineFactorTable().Save(s, f); }
// The Default command: all nine back to their defaults, stored.
inline void RestoreDefaultTelecineFactors(SettingsStore& s) { SaveTelecineFactors(s, TelecineFactors{}); }

// The dialog's remembered choices, stored when a conversion runs.
inline constexpr IntSetting kConversionTab{kCueConversionSection, "Active tab", 0, 0, 1};
inline constexpr IntSetting kConversionMethodChoice{kCueConversionSection, "cboConvertType", 0, 0, 2};
inline constexpr IntSetting kConversionChoice{kCueConversionSection, "cboConvert", 0, 0, kConversionCount - 1};

struct ConversionChoices {
  int tab = 0;
  ConversionMethod method = ConversionMethod::Simple;
  Conversion conversion = Conversion::Fps25To15;
  bool operator==(const ConversionChoices&) const = default;
};
ConversionChoices LoadConversionChoices(const SettingsStore& s);
void SaveConversionChoices(SettingsStore& s, const ConversionChoices& c);

// --- converting
// The start hour the dialog proposes: the hour of the first subtitle's in cue (0 when it
// is not set).
int DefaultStartHour(const SubtitleDocument& doc);

struct ConversionOutcome {
  bool converted = false;  // false: the method has no rule for the conversion
  int cuesChanged = 0;
};

// Converts every set cue and sets the document's rate. `before` is called once, before the
// first change, with the whole document as its range (the Workstation records its undo
// step there); it is not called when the method has no rule for the conversion.
//
// Throws UserError, with the document untouched, when a rebasing method meets a cue whose
// hour is before the start hour, or when a result would pass 99:59:59.
ConversionOutcome ConvertCues(SubtitleDocument& doc, ConversionMethod method, Conversion conversion,
                              int startHour, const TelecineFactors& factors = {},
                              const BeforeCueChange& before = {});

}  // namespace kipo
