#pragma once
// The bitmap export settings (section "DVD"): the option struct, its table of keys, the
// ".dvd" settings file, the authoring targets, and the checks made before an export.
#include <optional>
#include <string>
#include <vector>

#include "core/document.h"
#include "imaging/dib_section.h"
#include "imaging/subtitle_renderer.h"
#include "settings/option_table.h"

namespace kipo {

// The target list, in the order of the window (the index is "Target system"). The last
// two are reached from the high-definition export: Blu-ray BDN XML with its PNGs, and a
// Blu-ray presentation graphics stream.
enum class AuthoringTarget {
  SonicScenarist = 0,
  SonicCreator,
  SpruceMaestro,
  Philips,
  Toshiba,
  Panasonic,
  KipoStream,
  Ultech,
  Pinnacle,
  ScenaristBluRay,
  CmxEdl,
  FinalCutXml,
  DoStudio,
  DtsCss,
  DlpCinema,
  BdnXml,
  PgsStream,
};
inline constexpr int kAuthoringTargetCount = 17;
const std::vector<std::string>& AuthoringTargetNames();
std::string_view AuthoringTargetName(AuthoringTarget t);
// By name (any case) or index; nullopt when neither.
std::optional<AuthoringTarget> AuthoringTargetFromText(std::string_view text);
// The extension offered first for the target's script (without the dot).
std::string_view DefaultScriptExtension(AuthoringTarget t);
// "DoST", "fcpxml", "edl", "sbs", "scn-sst", "scr", "son", "spinfo", "sst", "stl", "nav",
// "txt", "usf", "xml".
const std::vector<std::string>& ScriptExtensions();
// Targets that read their pictures as PNG from the bitmap stream (Blu-ray, EDL, FCP XML,
// DoStudio, digital cinema, BDN, PGS).
bool NeedsPng(AuthoringTarget t);
bool IsHighDefinition(AuthoringTarget t);

// The "Character set" list of the window.
const std::vector<std::string>& RenderCharacterSetNames();
// The language tag the text layout gets for a character set ("" for Western and OEM).
std::string_view CharacterSetLanguage(int characterSet);
// "Whole file", "Selection", "Script only".
const std::vector<std::string>& ExportRangeNames();
enum class ExportRange { WholeFile = 0, Selection = 1, ScriptOnly = 2 };
// How the border is drawn: none, around the letters, or a box behind each row.
enum class Outline { None = 0, Border = 1, Boxed = 2 };

struct DvdOptions {
  int targetSystem = 0;
  std::string scriptExtension = "sst";
  int pictureFormat = 0;  // PictureFormat
  int pictureSize = 0;
  int bitmapWidth = 720, bitmapHeight = 576;
  int antialiasType = 0;
  int border = 1;
  int outline = 1;  // Outline
  int baseline = 540, ceiling = 50;
  int leftMargin = 60, rightMargin = 60;
  int centre = 0, leading = 2, kerning = 0, pad = 0, hpad = 0;
  bool rowOneToCeiling = false;
  int singleLineRow = 0;
  bool ignoreEmpty = false;
  bool deleteOnCancel = false;
  bool contrastInPreview = false;
  bool dropShadow = false, anamorphic = false, customHeader = false, duplicateSbsEdl = false;
  bool cropSubtitles = false;
  bool sonicMixedColours = false, colourBleedCorrect = false;
  int contrastBG = 0, contrastPA = 13, contrastE1 = 10, contrastE2 = 12;
  int colourMapBG = 0, colourMapPA = 1, colourMapE1 = 2, colourMapE2 = 3;
  std::string exportDirectory, bitmapStream, indexFile;
  std::string previewText = "The quick brown fox jumped over...";
  std::string lastHeaderFile, headerText;
  std::string fontName = "Arial";
  int fontSize = 36;
  bool bold = false, italic = false;
  Rgba textColour{255, 255, 255, 255}, borderColour{0, 0, 0, 255}, backgroundColour{0, 0, 255, 255},
      antialiasColour{128, 128, 128, 255};
  int opacity = 100;
  int characterSet = 0;
  int range = 0;
  int displayFormat = 0;

  // Picks a "Picture size" entry; the bitmap width and height follow it (they stay for
  // "Fit to subtitle", where they are the largest picture).
  void ChoosePictureSize(int choice);
  // "1920x1080": the matching picture-size entry, or a size of its own. False when the
  // text is not a size.
  bool SetSizeText(std::string_view text);
  AuthoringTarget target() const;
  PictureFormat picture() const;
  // The renderer's settings from these options (font files are the caller's).
  RenderStyle Style() const;
  RenderLayout Layout() const;
  // Palette indices and colours of the four classes for the 8-bit files.
  PaletteMap Palette() const;
};

const OptionTable<DvdOptions>& DvdOptionTable();

// "#RRGGBB" both ways; false when the text is not a colour.
std::string ColourText(Rgba c);
bool ParseColour(std::string_view text, Rgba& out);

// The settings file: "DVD Export Settings Files (*.dvd)|*.dvd".
inline constexpr const char* kDvdSettingsFilter = "DVD Export Settings Files (*.dvd)|*.dvd";
inline constexpr const char* kDvdWindowTitlePrefix = "DVD Export - ";
std::string SerialiseDvdSettings(const DvdOptions& o);
// Throws UserError ("Open DVD File Warning") for a file of an older version, and
// ("Open DVD File Warning", ...) for a file that is not a settings file.
DvdOptions ParseDvdSettings(std::string_view text);
void SaveDvdSettingsFile(const std::filesystem::path& path, const DvdOptions& o);
DvdOptions LoadDvdSettingsFile(const std::filesystem::path& path);

// What the OK button finds. `question` is set when the user may go on anyway.
struct DvdValidation {
  std::string message;
  bool question = false;
  bool ok() const { return message.empty(); }
};
// first/last: the subtitle range (1-based, inclusive) the export covers.
DvdValidation ValidateDvdOptions(const DvdOptions& o, int first, int last);
// The high-definition targets need every exported subtitle to have valid cues: the
// message for the first that does not, or empty.
std::string CheckHdCues(const SubtitleDocument& doc, int first, int last);

}  // namespace kipo
