#include "imaging/dvd_settings.h"

#include <cstdio>

#include "imaging/display_format.h"
#include "platform/files.h"
#include "platform/text_util.h"
#include "platform/user_error.h"
#include "settings/setting_key.h"
#include "settings/settings_store.h"

namespace kipo {

const std::vector<std::string>& AuthoringTargetNames() {
  static const std::vector<std::string> names{"Sonic Scenarist",
                                              "Sonic Creator",
                                              "Spruce Maestro",
                                              "Philips",
                                              "Toshiba",
                                              "Panasonic",
                                              "Kipo subtitle stream",
                                              "Ultech ITVinjector",
                                              "Pinnacle Impression DVD",
                                              "Sonic Scenarist Blu-ray",
                                              "CMX 3600 EDL (Final Cut Pro)",
                                              "Final Cut Pro XML Interchange Format",
                                              "Sony DoStudio Authoring",
                                              "DTS-CSS",
                                              "Texas Instruments DLP Cinema",
                                              "Blu-ray BDN XML",
                                              "Blu-ray PGS stream"};
  return names;
}

std::string_view AuthoringTargetName(AuthoringTarget t) { return AuthoringTargetNames()[static_cast<int>(t)]; }

std::optional<AuthoringTarget> AuthoringTargetFromText(std::string_view text) {
  std::string t = Trim(text);
  const auto& names = AuthoringTargetNames();
  for (std::size_t i = 0; i < names.size(); ++i)
    if (EqualsIgnoreCase(names[i], t)) return static_cast<AuthoringTarget>(i);
  long n = 0;
  if (ParseInt(t, n) && n >= 0 && n < kAuthoringTargetCount) return static_cast<AuthoringTarget>(n);
  return std::nullopt;
}

std::string_view DefaultScriptExtension(AuthoringTarget t) {
  switch (t) {
    case AuthoringTarget::SonicScenarist: return "sst";
    case AuthoringTarget::SonicCreator: return "scr";
    case AuthoringTarget::SpruceMaestro: return "stl";
    case AuthoringTarget::Philips: return "spinfo";
    case AuthoringTarget::Toshiba: return "txt";
    case AuthoringTarget::Panasonic: return "son";
    case AuthoringTarget::KipoStream: return "sbs";
    case AuthoringTarget::Ultech: return "usf";
    case AuthoringTarget::Pinnacle: return "txt";
    case AuthoringTarget::ScenaristBluRay: return "scn-sst";
    case AuthoringTarget::CmxEdl: return "edl";
    case AuthoringTarget::FinalCutXml: return "xml";
    case AuthoringTarget::DoStudio: return "DoST";
    case AuthoringTarget::DtsCss: return "nav";
    case AuthoringTarget::DlpCinema: return "xml";
    case AuthoringTarget::BdnXml: return "xml";
    case AuthoringTarget::PgsStream: return "sup";
  }
  return "sst";
}

const std::vector<std::string>& ScriptExtensions() {
  static const std::vector<std::string> e{"DoST", "fcpxml", "edl", "sbs", "scn-sst", "scr", "son",
                                          "spinfo", "sst", "stl", "nav", "txt", "usf", "xml"};
  return e;
}

bool NeedsPng(AuthoringTarget t) {
  switch (t) {
    case AuthoringTarget::ScenaristBluRay:
    case AuthoringTarget::CmxEdl:
    case AuthoringTarget::FinalCutXml:
    case AuthoringTarget::DoStudio:
    case AuthoringTarget::DlpCinema:
    case AuthoringTarget::BdnXml:
    case AuthoringTarget::PgsStream: return true;
    default: return false;
  }
}

bool IsHighDefinition(AuthoringTarget t) { return NeedsPng(t); }

const std::vector<std::string>& RenderCharacterSetNames() {
  static const std::vector<std::string> n{"Western", "Japanese", "Korean", "Johab", "Simplified Chinese",
                                          "Traditional Chinese", "Greek", "Turkish", "Hebrew", "Arabic",
                                          "Baltic", "Cyrillic", "Thai", "Central European", "OEM"};
  return n;
}

std::string_view CharacterSetLanguage(int characterSet) {
  static const char* const kTags[] = {"", "ja", "ko", "ko", "zh-cn", "zh-tw", "el", "tr", "he", "ar", "lt", "ru", "th", "pl", ""};
  return characterSet >= 0 && characterSet < 15 ? kTags[characterSet] : "";
}

const std::vector<std::string>& ExportRangeNames() {
  static const std::vector<std::string> n{"Whole file", "Selection", "Script only"};
  return n;
}

namespace {

constexpr std::string_view kDvd = "DVD";
constexpr IntSetting kTargetSystem{kDvd, "Target system", 0, 0, kAuthoringTargetCount - 1};
constexpr TextSetting kScriptExtension{kDvd, "Script file extension", "sst"};
constexpr IntSetting kPictureFormat{kDvd, "Picture format", 0, 0, 6};
constexpr IntSetting kPictureSize{kDvd, "Picture size", 0, 0, 6};
constexpr IntSetting kBitmapWidth{kDvd, "Bitmap width", 720, 1, 8192};
constexpr IntSetting kBitmapHeight{kDvd, "Bitmap height", 576, 1, 8192};
constexpr IntSetting kAntialiasType{kDvd, "Antialias type", 0, 0, 11};
constexpr IntSetting kBorder{kDvd, "Border", 1, 1, 8};
constexpr IntSetting kOutline{kDvd, "Outline", 1, 0, 2};
constexpr IntSetting kBaseline{kDvd, "Baseline", 540, 0, 8192};
constexpr IntSetting kCeiling{kDvd, "Ceiling", 50, 0, 8192};
constexpr IntSetting kLeftMargin{kDvd, "Left margin", 60, 0, 8192};
constexpr IntSetting kRightMargin{kDvd, "Right margin", 60, 0, 8192};
constexpr IntSetting kCentre{kDvd, "Centre", 0, -4096, 4096};
constexpr IntSetting kLeading{kDvd, "Leading", 2, -100, 500};
constexpr IntSetting kKerning{kDvd, "Kerning", 0, -50, 100};
constexpr IntSetting kPad{kDvd, "Pad", 0, 0, 500};
constexpr IntSetting kHPad{kDvd, "HPad", 0, 0, 500};
constexpr FlagSetting kRowOneToCeiling{kDvd, "Set row 1 to ceiling", false};
constexpr IntSetting kSingleLineRow{kDvd, "Single line row", 0, 0, 99};
constexpr FlagSetting kIgnoreEmpty{kDvd, "Ignore empty subtitles", false};
constexpr FlagSetting kDeleteOnCancel{kDvd, "Delete bitmaps on cancel", false};
constexpr FlagSetting kContrastInPreview{kDvd, "Use contrast settings in Live Preview", false};
constexpr FlagSetting kDropShadow{kDvd, "Drop shadow", false};
constexpr FlagSetting kAnamorphic{kDvd, "Anamorphic", false};
constexpr FlagSetting kCustomHeader{kDvd, "Custom header", false};
constexpr FlagSetting kDuplicateSbsEdl{kDvd, "Duplicate SBS EDL", false};
constexpr FlagSetting kCropSubtitles{kDvd, "Crop subtitles", false};
constexpr FlagSetting kSonicMixedColours{kDvd, "Sonic mixed colors", false};
constexpr FlagSetting kColourBleedCorrect{kDvd, "Color bleed correct", false};
constexpr IntSetting kContrastBG{kDvd, "Contrast BG", 0, 0, 15};
constexpr IntSetting kContrastPA{kDvd, "Contrast PA", 13, 0, 15};
constexpr IntSetting kContrastE1{kDvd, "Contrast E1", 10, 0, 15};
constexpr IntSetting kContrastE2{kDvd, "Contrast E2", 12, 0, 15};
constexpr IntSetting kColourMapBG{kDvd, "Colour map BG", 0, 0, 15};
constexpr IntSetting kColourMapPA{kDvd, "Colour map PA", 1, 0, 15};
constexpr IntSetting kColourMapE1{kDvd, "Colour map E1", 2, 0, 15};
constexpr IntSetting kColourMapE2{kDvd, "Colour map E2", 3, 0, 15};
constexpr TextSetting kExportDirectory{kDvd, "Export directory", ""};
constexpr TextSetting kBitmapStream{kDvd, "Bitmap stream", ""};
constexpr TextSetting kIndexFile{kDvd, "Index file", ""};
constexpr TextSetting kPreviewText{kDvd, "Preview text", "The quick brown fox jumped over..."};
constexpr TextSetting kLastHeaderFile{kDvd, "Last header file", ""};
constexpr TextSetting kHeaderText{kDvd, "Header text", ""};
constexpr TextSetting kFontName{kDvd, "Font name", "Arial"};
constexpr IntSetting kFontSize{kDvd, "Font size", 36, 4, 1000};
constexpr FlagSetting kBold{kDvd, "Bold", false};
constexpr FlagSetting kItalic{kDvd, "Italic", false};
constexpr TextSetting kTextColour{kDvd, "Text colour", "#FFFFFF"};
constexpr TextSetting kBorderColour{kDvd, "Border colour", "#000000"};
constexpr TextSetting kBackgroundColour{kDvd, "Background colour", "#0000FF"};
constexpr TextSetting kAntialiasColour{kDvd, "Antialias colour", "#808080"};
constexpr IntSetting kOpacity{kDvd, "Opacity", 100, 0, 100};
constexpr IntSetting kCharacterSet{kDvd, "Character set", 0, 0, 14};
constexpr IntSetting kRange{kDvd, "Range", 0, 0, 2};
constexpr IntSetting kDisplayFormat{kDvd, "Display format", 0, 0, 10};

// The settings file carries its version; files of an older layout are refused.
constexpr TextSetting kDvdFileVersion{"DVD Export Settings", "Version", ""};
constexpr std::string_view kDvdFileVersionNow = "2";

template <Rgba DvdOptions::*field>
void BindColour(OptionTable<DvdOptions>& t, const TextSetting& key) {
  t.Custom(
      key.section, key.name,
      [key](const SettingsStore& s, DvdOptions& o) {
        Rgba c;
        if (ParseColour(s.Get(key), c)) o.*field = c;
        else ParseColour(key.def, o.*field);
      },
      [key](SettingsStore& s, const DvdOptions& o) { s.Set(key, ColourText(o.*field)); },
      [key](SettingsStore& s, std::string_view v) {
        Rgba c;
        if (!ParseColour(v, c)) return false;
        s.Set(key, ColourText(c));
        return true;
      });
}

}  // namespace

const OptionTable<DvdOptions>& DvdOptionTable() {
  static const OptionTable<DvdOptions> t = [] {
    OptionTable<DvdOptions> t;
    t.Bind(&DvdOptions::targetSystem, kTargetSystem)
        .Bind(&DvdOptions::scriptExtension, kScriptExtension)
        .Bind(&DvdOptions::pictureFormat, kPictureFormat)
        .Bind(&DvdOptions::pictureSize, kPictureSize)
        .Bind(&DvdOptions::bitmapWidth, kBitmapWidth)
        .Bind(&DvdOptions::bitmapHeight, kBitmapHeight)
        .Bind(&DvdOptions::antialiasType, kAntialiasType)
        .Bind(&DvdOptions::border, kBorder)
        .Bind(&DvdOptions::outline, kOutline)
        .Bind(&DvdOptions::baseline, kBaseline)
        .Bind(&DvdOptions::ceiling, kCeiling)
        .Bind(&DvdOptions::leftMargin, kLeftMargin)
        .Bind(&DvdOptions::rightMargin, kRightMargin)
        .Bind(&DvdOptions::centre, kCentre)
        .Bind(&DvdOptions::leading, kLeading)
        .Bind(&DvdOptions::kerning, kKerning)
        .Bind(&DvdOptions::pad, kPad)
        .Bind(&DvdOptions::hpad, kHPad)
        .Bind(&DvdOptions::rowOneToCeiling, kRowOneToCeiling)
        .Bind(&DvdOptions::singleLineRow, kSingleLineRow)
        .Bind(&DvdOptions::ignoreEmpty, kIgnoreEmpty)
        .Bind(&DvdOptions::deleteOnCancel, kDeleteOnCancel)
        .Bind(&DvdOptions::contrastInPreview, kContrastInPreview)
        .Bind(&DvdOptions::dropShadow, kDropShadow)
        .Bind(&DvdOptions::anamorphic, kAnamorphic)
        .Bind(&DvdOptions::customHeader, kCustomHeader)
        .Bind(&DvdOptions::duplicateSbsEdl, kDuplicateSbsEdl)
        .Bind(&DvdOptions::cropSubtitles, kCropSubtitles)
        .Bind(&DvdOptions::sonicMixedColours, kSonicMixedColours)
        .Bind(&DvdOptions::colourBleedCorrect, kColourBleedCorrect)
        .Bind(&DvdOptions::contrastBG, kContrastBG)
        .Bind(&DvdOptions::contrastPA, kContrastPA)
        .Bind(&DvdOptions::contrastE1, kContrastE1)
        .Bind(&DvdOptions::contrastE2, kContrastE2)
        .Bind(&DvdOptions::colourMapBG, kColourMapBG)
        .Bind(&DvdOptions::colourMapPA, kColourMapPA)
        .Bind(&DvdOptions::colourMapE1, kColourMapE1)
        .Bind(&DvdOptions::colourMapE2, kColourMapE2)
        .Bind(&DvdOptions::exportDirectory, kExportDirectory)
        .Bind(&DvdOptions::bitmapStream, kBitmapStream)
        .Bind(&DvdOptions::indexFile, kIndexFile)
        .Bind(&DvdOptions::previewText, kPreviewText)
        .Bind(&DvdOptions::lastHeaderFile, kLastHeaderFile)
        .Bind(&DvdOptions::headerText, kHeaderText)
        .Bind(&DvdOptions::fontName, kFontName)
        .Bind(&DvdOptions::fontSize, kFontSize)
        .Bind(&DvdOptions::bold, kBold)
        .Bind(&DvdOptions::italic, kItalic)
        .Bind(&DvdOptions::opacity, kOpacity)
        .Bind(&DvdOptions::characterSet, kCharacterSet)
        .Bind(&DvdOptions::range, kRange)
        .Bind(&DvdOptions::displayFormat, kDisplayFormat);
    BindColour<&DvdOptions::textColour>(t, kTextColour);
    BindColour<&DvdOptions::borderColour>(t, kBorderColour);
    BindColour<&DvdOptions::backgroundColour>(t, kBackgroundColour);
    BindColour<&DvdOptions::antialiasColour>(t, kAntialiasColour);
    return t;
  }();
  return t;
}

std::string ColourText(Rgba c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c.r, c.g, c.b);
  return buf;
}

bool ParseColour(std::string_view text, Rgba& out) {
  std::string t = Trim(text);
  if (t.size() != 7 || t[0] != '#') return false;
  unsigned v = 0;
  for (std::size_t i = 1; i < 7; ++i) {
    char c = t[i];
    int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (d < 0) return false;
    v = v * 16 + static_cast<unsigned>(d);
  }
  out = Rgba{static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v), 255};
  return true;
}

AuthoringTarget DvdOptions::target() const {
  return static_cast<AuthoringTarget>(std::clamp(targetSystem, 0, kAuthoringTargetCount - 1));
}
PictureFormat DvdOptions::picture() const { return static_cast<PictureFormat>(std::clamp(pictureFormat, 0, 6)); }

void DvdOptions::ChoosePictureSize(int choice) {
  pictureSize = choice;
  FrameSize f = PictureSizeFrame(choice);
  if (f.width > 0) bitmapWidth = f.width, bitmapHeight = f.height;
  int df = PictureSizeDisplayFormat(choice);
  if (df >= 0) displayFormat = df;
}

bool DvdOptions::SetSizeText(std::string_view text) {
  std::string t = ToLowerAscii(Trim(text));
  std::size_t x = t.find('x');
  long w = 0, h = 0;
  if (x == std::string::npos || !ParseInt(t.substr(0, x), w) || !ParseInt(t.substr(x + 1), h) || w < 1 || h < 1 ||
      w > 8192 || h > 8192)
    return false;
  for (int c = 0; c < static_cast<int>(PictureSizeNames().size()); ++c)
    if (PictureSizeFrame(c) == FrameSize{static_cast<int>(w), static_cast<int>(h)}) {
      ChoosePictureSize(c);
      return true;
    }
  bitmapWidth = static_cast<int>(w);
  bitmapHeight = static_cast<int>(h);
  return true;
}

RenderStyle DvdOptions::Style() const {
  RenderStyle s;
  s.fontFamily = fontName;
  s.fontSize = fontSize;
  s.bold = bold;
  s.italic = italic;
  s.kerning = kerning;
  s.leading = leading;
  s.border = outline == static_cast<int>(Outline::None) ? 0 : border;
  s.boxed = outline == static_cast<int>(Outline::Boxed);
  s.dropShadow = dropShadow;
  s.antialias = static_cast<AntiAlias>(std::clamp(antialiasType, 0, 11));
  s.anamorphic = anamorphic || IsWideVariant(displayFormat);
  s.text = textColour;
  s.borderColour = borderColour;
  s.antialiasColour = antialiasColour;
  // 32-bit pictures keep the background transparent; the others are drawn on it.
  s.background = backgroundColour;
  s.background.a = 0;
  s.opacity = opacity;
  s.language = std::string(CharacterSetLanguage(characterSet));
  return s;
}

RenderLayout DvdOptions::Layout() const {
  RenderLayout l;
  l.width = bitmapWidth;
  l.height = bitmapHeight;
  l.fitToSubtitle = pictureSize == kPictureSizeFit;
  l.baseline = baseline;
  l.ceiling = ceiling;
  l.leftMargin = leftMargin;
  l.rightMargin = rightMargin;
  l.centre = centre;
  l.pad = pad;
  l.hpad = hpad;
  l.rowOneToCeiling = rowOneToCeiling;
  l.singleLineRow = singleLineRow;
  return l;
}

PaletteMap DvdOptions::Palette() const {
  PaletteMap p;
  p.index = {static_cast<std::uint8_t>(colourMapBG), static_cast<std::uint8_t>(colourMapPA),
             static_cast<std::uint8_t>(colourMapE1), static_cast<std::uint8_t>(colourMapE2)};
  p.colour = {backgroundColour, textColour, borderColour, antialiasColour};
  p.transparentBackground = true;
  return p;
}

std::string SerialiseDvdSettings(const DvdOptions& o) {
  SettingsStore s;
  s.Set(kDvdFileVersion, kDvdFileVersionNow);
  DvdOptionTable().Save(s, o);
  return s.Serialise();
}

DvdOptions ParseDvdSettings(std::string_view text) {
  SettingsStore s;
  s.Parse(text);
  if (!s.Has(kDvdFileVersion) && !s.Has(kTargetSystem))
    throw UserError("Open DVD File Warning", "This file is not a DVD export settings file and cannot be loaded.");
  long version = 0;
  if (!ParseInt(s.Get(kDvdFileVersion), version) || version < 2)
    throw UserError("Open DVD File Warning",
                    "This settings file was created using an older version of Kipo and cannot be loaded.");
  return DvdOptionTable().Load(s);
}

void SaveDvdSettingsFile(const std::filesystem::path& path, const DvdOptions& o) {
  WriteFileAtomic(path, SerialiseDvdSettings(o));
}

DvdOptions LoadDvdSettingsFile(const std::filesystem::path& path) {
  std::vector<std::uint8_t> bytes = ReadFileBytes(path, 1u << 20);
  return ParseDvdSettings(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

DvdValidation ValidateDvdOptions(const DvdOptions& o, int first, int last) {
  const AuthoringTarget t = o.target();
  const PictureFormat pf = o.picture();
  const AntiAlias aa = static_cast<AntiAlias>(std::clamp(o.antialiasType, 0, 11));
  const bool outlining = o.outline != static_cast<int>(Outline::None);
  const bool blurring = aa == AntiAlias::Blur1 || aa == AntiAlias::Blur2 || aa == AntiAlias::Blur3;
  if (first < 1 || last < first) return {"Invalid subtitle range"};
  if (NeedsPng(t) && pf != PictureFormat::Png8 && pf != PictureFormat::Png32)
    return {"You need to select 8 or 32-bit PNG format for this target system and font effect"};
  if (outlining && o.cropSubtitles) return {"Outlining cannot be used with cropped subtitles"};
  if (o.pad > 5 && o.outline == static_cast<int>(Outline::Boxed))
    return {"Vertical padding of than 5 pixels might cause\nunpredictable results if used with boxed outlining.\nContinue anyway?",
            true};
  if (o.customHeader && o.headerText.empty()) return {"Header text is zero length!"};
  if (o.baseline > o.Layout().height) return {"Baseline setting is greater than bitmap height!"};
  // The font effect is the anti-alias type's number in its list.
  if (t == AuthoringTarget::Pinnacle && o.antialiasType <= 3) return {"Font effect must be greater than 3 for Pinnacle Impression DVD"};
  if ((t == AuthoringTarget::SonicScenarist || t == AuthoringTarget::SonicCreator) && IsPng(pf))
    return {"The bitmap format for the selected target system must be 8 or 24-bit BMP or TIF"};
  if (blurring && outlining) return {"Blurring cannot be used with outlining"};
  return {};
}

std::string CheckHdCues(const SubtitleDocument& doc, int first, int last) {
  const auto& subs = doc.Subtitles();
  for (int n = std::max(1, first); n <= last && n <= static_cast<int>(subs.size()); ++n) {
    const Subtitle& s = subs[n - 1];
    bool ok = s.inCue.IsSet() && s.outCue.IsSet() && IsValidCue(s.inCue.digits(), doc.frameRate()) &&
              IsValidCue(s.outCue.digits(), doc.frameRate()) &&
              s.outCue.ToFrames(doc.frameRate()) > s.inCue.ToFrames(doc.frameRate());
    if (!ok)
      return "Subtitle " + std::to_string(n) + " contains an empty or invalid cue.\n"
             "Please ensure the last subtitle in this file contains a valid out cue.";
  }
  return {};
}

}  // namespace kipo
