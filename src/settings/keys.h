#pragma once
// The settings keys that more than one module reads, declared once (setting_key.h). A key
// that only one module uses is declared in that module, next to the code that reads it;
// either way there is one declaration per key, so one default and one stored form.
#include <array>

#include "settings/setting_key.h"

namespace kipo::keys {

inline constexpr std::string_view kOptions = "Options";
inline constexpr std::string_view kExport = "Export";
inline constexpr std::string_view kDisplay = "Display Settings";
inline constexpr std::string_view kGeneral = "General";
inline constexpr std::string_view kIo = "IO";
inline constexpr std::string_view kHouse = "House options";
inline constexpr std::string_view kPunctuation = "Punctuation";

// --- "Options": text markup and colours
inline constexpr FlagSetting kEnableBoldText{kOptions, "Enable bold text", false, FlagForm::OneZero};
inline constexpr TextSetting kStartBoldText{kOptions, "Start bold text", "\xC2\xAB"};  // «
inline constexpr TextSetting kEndBoldText{kOptions, "End bold text", "\xC2\xBB"};      // »
inline constexpr FlagSetting kEnableColours{kOptions, "Enable colours", true, FlagForm::OneZero};
inline constexpr FlagSetting kReadingSpeedIncludeSpaces{kOptions, "Reading speed include spaces", false,
                                                        FlagForm::TrueFalse};

// --- "Options": document, navigation and editing
// Written by the subtitle-zero detection as "True"/"False"; the EBU writer numbers from 0
// when it is on.
inline constexpr FlagSetting kSubtitleZero{kOptions, "Subtitle zero", false, FlagForm::TrueFalse};
inline constexpr IntSetting kAutoZeroBased{kOptions, "Auto zero-based", 2, 0, 2};
inline constexpr FlagSetting kRememberLastLocation{kOptions, "Remember Last Location", false, FlagForm::TrueFalse};
inline constexpr FlagSetting kFullUndo{kOptions, "Full undo", false, FlagForm::TrueFalse};
inline constexpr FlagSetting kDeleteEllipsesWhenMerging{kOptions, "Delete ellipses when merging", true,
                                                        FlagForm::OneZero};
inline constexpr FlagSetting kReplaceAsYouType{kOptions, "Replace as you type", false, FlagForm::TrueFalse};
inline constexpr TextSetting kProfile{kOptions, "Profile", "Default"};

// --- "Options": files, autosave and backups
inline constexpr FlagSetting kEnableBackups{kOptions, "Enable backups", false, FlagForm::TrueFalse};
inline constexpr FlagSetting kDoNotBackupUntitled{kOptions, "Do not backup untitled files", false,
                                                  FlagForm::TrueFalse};
inline constexpr TextSetting kTextFileEncoding{kOptions, "Text file encoding", "Unicode (UTF-8)"};
inline constexpr FlagSetting kUnstructured{kOptions, "Unstructured", false, FlagForm::OneZero};
inline constexpr FlagSetting kDisplayNewProjectWindow{kOptions, "Display new project window", true,
                                                      FlagForm::TrueFalse};
inline constexpr FlagSetting kDoNotShowSplash{kOptions, "Do not show splash screen", false, FlagForm::TrueFalse};
inline constexpr FlagSetting kRememberWindowSize{kOptions, "Remember window size", false, FlagForm::TrueFalse};

// --- "Options": EBU STL (also stored by profiles)
inline constexpr TextSetting kEbuDisplayStandard{kOptions, "EBU Display Standard", "0"};

// --- "House options": the working house rules (house_options.cpp holds the whole table);
// the row length is also written when a native file brings its own.
inline constexpr IntSetting kMaxRowLength{kHouse, "Maximum row length", 37, -32768, 32767};

// --- "Punctuation": the fourteen rules, Booleans. The text module applies them, profiles
// store and restore them, the native reader trims with "Delete spaces".
inline constexpr FlagSetting kDeleteSpaceBefore{kPunctuation, "Delete space before", false, FlagForm::TrueFalse};
inline constexpr FlagSetting kInsertSpaceAfter{kPunctuation, "Insert space after", false, FlagForm::TrueFalse};
inline constexpr FlagSetting kInsertSpaceAfterDash{kPunctuation, "Insert space after dash", false,
                                                   FlagForm::TrueFalse};
inline constexpr FlagSetting kDeleteSpaceAfterDash{kPunctuation, "Delete space after dash", false,
                                                   FlagForm::TrueFalse};
inline constexpr FlagSetting kAddFullStops{kPunctuation, "Add full stops", false, FlagForm::TrueFalse};
inline constexpr FlagSetting kEllipsesThreeDots{kPunctuation, "Ellipses three dots", false, FlagForm::TrueFalse};
inline constexpr FlagSetting kEllipsesTwoDotsAtStart{kPunctuation, "Ellipses two dots at start", false,
                                                     FlagForm::TrueFalse};
inline constexpr FlagSetting kDeleteEllipses{kPunctuation, "Delete ellipses", false, FlagForm::TrueFalse};
inline constexpr FlagSetting kAddDutchEllipsesAtEnd{kPunctuation, "Add Dutch ellipses at end", false,
                                                    FlagForm::TrueFalse};
inline constexpr FlagSetting kInsertMissingEllipses{kPunctuation, "Insert missing ellipses", false,
                                                    FlagForm::TrueFalse};
inline constexpr FlagSetting kDeleteFirstHyphen{kPunctuation, "Delete first hyphen", false, FlagForm::TrueFalse};
inline constexpr FlagSetting kDeleteSpaces{kPunctuation, "Delete spaces", false, FlagForm::TrueFalse};
inline constexpr FlagSetting kReplaceCommasWithEllipses{kPunctuation, "Replace commas with ellipses", false,
                                                        FlagForm::TrueFalse};
inline constexpr FlagSetting kCorrectTwoInitialCapitals{kPunctuation, "Correct two initial capitals", false,
                                                        FlagForm::TrueFalse};
// In the order a profile record stores them.
inline constexpr std::array<FlagSetting, 14> kPunctuationRules{
    kDeleteSpaceBefore,     kInsertSpaceAfter,       kInsertSpaceAfterDash,      kDeleteSpaceAfterDash,
    kAddFullStops,          kEllipsesThreeDots,      kEllipsesTwoDotsAtStart,    kDeleteEllipses,
    kAddDutchEllipsesAtEnd, kInsertMissingEllipses,  kDeleteFirstHyphen,         kDeleteSpaces,
    kReplaceCommasWithEllipses, kCorrectTwoInitialCapitals};

// --- "Options": shot cuts. Where snapping puts a cue against a cut (the snap window and
// the Alt+keypad 5 key), the jumps of the video transport and the timeline's display.
// The analysis settings ("Shot cut sample size" ...) belong to the video module.
// "Shot cut in": 0 on the cut, 1 or 2 frames after it (the value is the offset).
inline constexpr IntSetting kShotCutIn{kOptions, "Shot cut in", 0, 0, 2};
// "Shot cut out": 0 one frame before the cut, 1 two frames before, 2 the default interval.
inline constexpr IntSetting kShotCutOut{kOptions, "Shot cut out", 2, 0, 2};
// The snapping window in frames on each side of a cue.
inline constexpr IntSetting kShotCutThreshold{kOptions, "Shot cut threshold", 7, 0, 30};
// The snap window's last range: 0 whole file, 1 current subtitle, 2 from ... to.
inline constexpr IntSetting kSnapShotCutRange{kOptions, "Snap shot cut range", 2, 0, 2};
// Where the jumps land, stored with a bias of 5: 5 on the cut, 7 two frames after it.
inline constexpr IntSetting kLastShotCutOffset{kOptions, "Last shot cut offset", 5, 0, 10};
inline constexpr IntSetting kNextShotCutOffset{kOptions, "Next shot cut offset", 5, 0, 10};
inline constexpr FlagSetting kShowTimelineShotCuts{kOptions, "Show timeline shot cuts", true, FlagForm::TrueFalse};
// The cut marks' colour as 0xBBGGRR (red by default).
inline constexpr IntSetting kShotCutColor{kOptions, "Shot cut color", 0x0000FF, 0, 0xFFFFFF};

// --- "Display Settings": the subtitle font and picture size of the display
inline constexpr TextSetting kDisplayFontName{kDisplay, "Font name", "Arial"};
inline constexpr IntSetting kDisplayFontSize{kDisplay, "Font size", 40, 1, 1000};
inline constexpr TextSetting kDisplayFontWeight{kDisplay, "Font weight", "Normal"};
inline constexpr IntSetting kDisplayVideoFormat{kDisplay, "Video format", 0, 0, 10};

// --- "Export": shared by every text exporter
inline constexpr FlagSetting kRemoveBom{kExport, "Remove BOM", false, FlagForm::TrueFalse};
inline constexpr IntSetting kLastExportFormat{kExport, "Last export format", 1, 1, 1000};
inline constexpr IntSetting kAlwaysShowOptions{kExport, "Always show options", 0, 0, 1};

// --- "IO": the folders the file dialogs start in
inline constexpr TextSetting kOpenFolder{kIo, "Open", ""};
inline constexpr TextSetting kSaveFolder{kIo, "Save", ""};
inline constexpr IntSetting kSaveInOpen{kIo, "Save in open", 0, 0, 1};

// --- Line-21 captions: read by the caption writers and by the closed-caption checks
inline constexpr IntSetting kCcDelayTolerance{"EIA 608", "Delay tolerance", 0};
inline constexpr IntSetting kUltechCueOffset{"Ultech CC", "Cue offset", 0};

}  // namespace kipo::keys
