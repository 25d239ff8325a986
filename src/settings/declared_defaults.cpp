#include "settings/declared_defaults.h"

#include "settings/house_options.h"
#include "settings/keys.h"

namespace kipo {

std::optional<std::string> DeclaredDefaults::Find(std::string_view section, std::string_view name) const {
  if (!store_.Has(section, name)) return std::nullopt;
  return store_.Get(section, name, "");
}

DeclaredDefaults SettingsModuleDefaults() {
  DeclaredDefaults d;
  using namespace keys;
  for (const FlagSetting& k :
       {kEnableBoldText, kEnableColours, kReadingSpeedIncludeSpaces, kSubtitleZero, kRememberLastLocation, kFullUndo,
        kDeleteEllipsesWhenMerging, kReplaceAsYouType, kEnableBackups, kDoNotBackupUntitled, kUnstructured,
        kDisplayNewProjectWindow, kDoNotShowSplash, kRememberWindowSize, kRemoveBom, kShowTimelineShotCuts})
    d.Add(k);
  for (const FlagSetting& k : kPunctuationRules) d.Add(k);
  for (const TextSetting& k : {kStartBoldText, kEndBoldText, kProfile, kTextFileEncoding, kEbuDisplayStandard,
                               kDisplayFontName, kDisplayFontWeight, kOpenFolder, kSaveFolder})
    d.Add(k);
  for (const IntSetting& k :
       {kAutoZeroBased, kMaxRowLength, kDisplayFontSize, kDisplayVideoFormat, kLastExportFormat, kAlwaysShowOptions, kSaveInOpen,
        kShotCutIn, kShotCutOut, kShotCutThreshold, kSnapShotCutRange, kLastShotCutOffset, kNextShotCutOffset,
        kShotCutColor})
    d.Add(k);
  d.AddWrittenBy([](SettingsStore& s) { HouseOptions{}.Save(s); });
  return d;
}

}  // namespace kipo
