#include "formats/cinema/dlp_options.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "formats/cinema/uuid.h"
#include "platform/binary_io.h"
#include "platform/files.h"
#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

constexpr std::string_view kDlp = "DLP";

constexpr IntSetting kDcVersion{kDlp, "DC Version", 1, 0, 5};
constexpr TextSetting kMovieTitle{kDlp, "Movie title", ""};
constexpr IntSetting kReelNumber{kDlp, "Reel number", 1, 1, 999};
constexpr TextSetting kFontName{kDlp, "Font name", "Arial"};
constexpr TextSetting kFontUri{kDlp, "Font URI", "Arial.ttf"};
constexpr TextSetting kFontUuid{kDlp, "Font UUID", ""};
constexpr FlagSetting kBasicFont{kDlp, "Basic Font", false, FlagForm::OneZero};
constexpr FlagSetting kCloseFont{kDlp, "Close font", false, FlagForm::OneZero};
constexpr IntSetting kFontSize{kDlp, "Font size", 42, 1, 500};
constexpr TextSetting kFontWeight{kDlp, "Font weight", "Normal"};
constexpr IntSetting kLeading{kDlp, "Leading", 130, 1, 400};
constexpr TextSetting kSpacing{kDlp, "Spacing", "0"};
constexpr TextSetting kAspectAdjust{kDlp, "Aspect adjust", "1.0"};
constexpr IntSetting kAlignment{kDlp, "Alignment", 0, 0, 4};
constexpr IntSetting kDirection{kDlp, "Direction", 0, 0, 1};
constexpr FlagSetting kBottomUp{kDlp, "Bottom up", true, FlagForm::OneZero};
constexpr IntSetting kMarginLeft{kDlp, "Margin left", 10, 0, 49};
constexpr IntSetting kMarginRight{kDlp, "Margin right", 10, 0, 49};
constexpr IntSetting kMarginTop{kDlp, "Margin top", 8, 0, 49};
constexpr IntSetting kMarginBottom{kDlp, "Margin bottom", 8, 0, 49};
constexpr TextSetting kTextColour{kDlp, "Text colour", "FFFFFF"};
constexpr TextSetting kEffect{kDlp, "Effect", "Border"};
constexpr TextSetting kEffectColour{kDlp, "Effect colour", "000000"};
constexpr IntSetting kAlphaText{kDlp, "Alpha blend text", 255, 0, 255};
constexpr IntSetting kAlphaEffect{kDlp, "Alpha blend effect", 255, 0, 255};
constexpr IntSetting kFadeUp{kDlp, "Fade up", 80, 0, 60000};
constexpr IntSetting kFadeDown{kDlp, "Fade down", 80, 0, 60000};
constexpr TextSetting kMapRed{kDlp, "Color map red", "FF0000"};
constexpr TextSetting kMapGreen{kDlp, "Color map green", "00FF00"};
constexpr TextSetting kMapBlue{kDlp, "Color map blue", "0000FF"};
constexpr TextSetting kMapYellow{kDlp, "Color map yellow", "FFFF00"};
constexpr TextSetting kMapCyan{kDlp, "Color map cyan", "00FFFF"};
constexpr TextSetting kMapMagenta{kDlp, "Color map magenta", "FF00FF"};
constexpr TextSetting kColourOne{kDlp, "Color one", "FFFFFF"};
constexpr TextSetting kColourTwo{kDlp, "Color two", "FFFF00"};
constexpr TextSetting kScreenSize{kDlp, "Screen size", "1998x1080"};
constexpr IntSetting kDcdmFrameRate{kDlp, "DCDM frame rate", 24, 1, 120};
constexpr IntSetting kSmpteNamespace{kDlp, "SMPTE namespace", 2007, 2007, 2014};
constexpr FlagSetting k3dSubs{kDlp, "3D subs", false, FlagForm::OneZero};
constexpr FlagSetting kInherit{kDlp, "Inherit", true, FlagForm::OneZero};
constexpr FlagSetting kRound{kDlp, "Round", false, FlagForm::OneZero};
constexpr FlagSetting kTrimText{kDlp, "Trim text", true, FlagForm::OneZero};
constexpr FlagSetting kTrimItalics{kDlp, "Trim italics", true, FlagForm::OneZero};
constexpr FlagSetting kTrimSpaces{kDlp, "Trim spaces", false, FlagForm::OneZero};
constexpr FlagSetting kCloseAfterExport{kDlp, "Close after export", true, FlagForm::OneZero};
constexpr TextSetting kZOffsetsFile{kDlp, "Z offsets file", ""};
constexpr FlagSetting kImages{kDlp, "Images", false, FlagForm::OneZero};

bool IsDecimal(std::string_view s, double lo, double hi) {
  s = std::string_view(s).substr(0);
  std::string t = Trim(s);
  if (t.empty()) return false;
  double v = 0;
  auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  return ec == std::errc() && p == t.data() + t.size() && v >= lo && v <= hi;
}

// A text key whose value must pass `valid`; the stored form is `normal(value)`.
template <class Field>
void BindChecked(OptionTable<DlpOptions>& t, std::string DlpOptions::*field, const TextSetting& key, Field valid,
                 std::string (*normal)(std::string_view)) {
  t.Custom(
      key.section, key.name,
      [=](const SettingsStore& s, DlpOptions& o) {
        std::string v = s.Get(key);
        o.*field = valid(v) ? normal(v) : std::string(key.def);
      },
      [=](SettingsStore& s, const DlpOptions& o) { s.Set(key, o.*field); },
      [=](SettingsStore& s, std::string_view v) {
        if (!valid(v)) return false;
        s.Set(key, normal(v));
        return true;
      });
}

std::string AsIs(std::string_view v) { return Trim(v); }

// Colours by "RRGGBB", by name, or by their teletext number (0 black ... 7 white).
const std::vector<std::pair<std::string, std::uint32_t>>& NamedColours() {
  static const std::vector<std::pair<std::string, std::uint32_t>> v = {
      {"black", 0x000000}, {"red", 0xFF0000},     {"green", 0x00FF00}, {"yellow", 0xFFFF00},
      {"blue", 0x0000FF},  {"magenta", 0xFF00FF}, {"cyan", 0x00FFFF},  {"white", 0xFFFFFF}};
  return v;
}
std::optional<std::uint32_t> ColourOf(std::string_view v) {
  if (auto rgb = ParseRgb(v)) return rgb;
  const std::string t = Trim(v);
  long n = -1;
  const auto& named = NamedColours();
  if (ParseInt(t, n) && n >= 0 && n < static_cast<long>(named.size())) return named[static_cast<std::size_t>(n)].second;
  for (const auto& [name, rgb] : named)
    if (EqualsIgnoreCase(name, t)) return rgb;
  return std::nullopt;
}
bool IsRgb(std::string_view v) { return ColourOf(v).has_value(); }
std::string RgbForm(std::string_view v) {
  char b[8];
  std::snprintf(b, sizeof b, "%06X", static_cast<unsigned>(*ColourOf(v)));
  return b;
}

// A choice of a short list by its name (any case) or by its 0-based place.
std::optional<std::string> Choice(std::string_view v, const std::vector<std::string>& list) {
  const std::string t = Trim(v);
  for (const std::string& c : list)
    if (EqualsIgnoreCase(c, t)) return c;
  long n = -1;
  if (ParseInt(t, n) && n >= 0 && n < static_cast<long>(list.size())) return list[static_cast<std::size_t>(n)];
  return std::nullopt;
}
const std::vector<std::string>& Weights() {
  static const std::vector<std::string> v = {"Normal", "Bold"};
  return v;
}
bool IsEffect(std::string_view v) { return Choice(v, DlpEffectNames()).has_value(); }
std::string EffectForm(std::string_view v) { return *Choice(v, DlpEffectNames()); }
bool IsWeight(std::string_view v) { return Choice(v, Weights()).has_value(); }
std::string WeightForm(std::string_view v) { return *Choice(v, Weights()); }
bool IsScreen(std::string_view v);
bool IsScreenChoice(std::string_view v) { return IsScreen(v) || Choice(v, DlpScreenSizes()).has_value(); }
std::string ScreenForm(std::string_view v) {
  if (!IsScreen(v)) return *Choice(v, DlpScreenSizes());
  ScreenSize s = ParseScreenSize(v);
  return std::to_string(s.width) + "x" + std::to_string(s.height);
}

bool IsScreen(std::string_view v) {
  std::string t = ToLowerAscii(Trim(v));
  std::size_t x = t.find('x');
  long w = 0, h = 0;
  return x != std::string::npos && ParseInt(t.substr(0, x), w) && ParseInt(t.substr(x + 1), h) && w >= 320 &&
         h >= 200 && w <= 8192 && h <= 8192;
}
bool IsSpacing(std::string_view v) { return IsDecimal(v, -1.0, 10.0); }
bool IsAspect(std::string_view v) { return IsDecimal(v, 0.25, 4.0); }
bool IsAnything(std::string_view) { return true; }
// A font UUID as it is, or "new" (or 1) for a fresh one.
bool IsNewUuid(std::string_view v) { return EqualsIgnoreCase(Trim(v), "new") || Trim(v) == "1"; }
bool IsUuidOrEmpty(std::string_view v) { return Trim(v).empty() || IsUuid(Trim(v)) || IsNewUuid(v); }
std::string LowerForm(std::string_view v) { return IsNewUuid(v) ? NewUuid() : ToLowerAscii(Trim(v)); }

// Whole-number keys whose values are a short list.
void BindListed(OptionTable<DlpOptions>& t, int DlpOptions::*field, const IntSetting& key, const std::vector<int>& list) {
  t.Custom(
      key.section, key.name,
      [=, &list](const SettingsStore& s, DlpOptions& o) {
        long v = s.Get(key);
        o.*field = std::ranges::find(list, static_cast<int>(v)) != list.end() ? static_cast<int>(v)
                                                                                : static_cast<int>(key.def);
      },
      [=](SettingsStore& s, const DlpOptions& o) { s.Set(key, o.*field); },
      // By value, or by 0-based place in the list.
      [=, &list](SettingsStore& s, std::string_view text) {
        long v = 0;
        if (!ParseInt(Trim(text), v)) return false;
        if (v >= 0 && v < static_cast<long>(list.size())) v = list[static_cast<std::size_t>(v)];
        if (std::ranges::find(list, static_cast<int>(v)) == list.end()) return false;
        s.Set(key, v);
        return true;
      });
}

}  // namespace

const std::vector<std::string>& DcVersionNames() {
  static const std::vector<std::string> v = {"DLP 1.0",           "DLP 1.1",
                                             "DLP 1.1 (ZPosition)", "DCDM SMPTE 428-7",
                                             "DCDM SMPTE 428-7 (ZPosition)", "DLP for XDC"};
  return v;
}

const std::vector<std::string>& DlpEffectNames() {
  static const std::vector<std::string> v = {"None", "Border", "Shadow"};
  return v;
}

const std::vector<std::string>& DlpScreenSizes() {
  static const std::vector<std::string> v = {"1998x1080", "2048x858", "2048x1080", "3996x2160", "4096x1716",
                                             "4096x2160"};
  return v;
}

const std::vector<int>& DcdmFrameRates() {
  static const std::vector<int> v = {24, 25, 30, 48, 50, 60};
  return v;
}

const std::vector<int>& SmpteEditions() {
  static const std::vector<int> v = {2007, 2010, 2014};
  return v;
}

std::string SmpteNamespace(int edition) {
  return "http://www.smpte-ra.org/schemas/428-7/" + std::to_string(edition) + "/DCST";
}

const OptionTable<DlpOptions>& DlpOptionTable() {
  static const OptionTable<DlpOptions> table = [] {
    OptionTable<DlpOptions> t;
    // The dialect by its place in the list or by its name.
    t.Custom(
        kDcVersion.section, kDcVersion.name,
        [](const SettingsStore& s, DlpOptions& o) { o.version = static_cast<DcVersion>(s.Get(kDcVersion)); },
        [](SettingsStore& s, const DlpOptions& o) { s.Set(kDcVersion, static_cast<long>(o.version)); },
        [](SettingsStore& s, std::string_view v) {
          long n = -1;
          const auto& names = DcVersionNames();
          if (!ParseInt(Trim(v), n))
            for (std::size_t i = 0; i < names.size(); ++i)
              if (EqualsIgnoreCase(names[i], Trim(v))) n = static_cast<long>(i);
          if (n < kDcVersion.min || n > kDcVersion.max) return false;
          s.Set(kDcVersion, n);
          return true;
        });
    t.Bind(&DlpOptions::movieTitle, kMovieTitle);
    t.Bind(&DlpOptions::reelNumber, kReelNumber);
    t.Bind(&DlpOptions::fontName, kFontName);
    BindChecked(t, &DlpOptions::fontUri, kFontUri, IsAnything, AsIs);
    BindChecked(t, &DlpOptions::fontUuid, kFontUuid, IsUuidOrEmpty, LowerForm);
    t.Bind(&DlpOptions::basicFont, kBasicFont);
    t.Bind(&DlpOptions::closeFont, kCloseFont);
    t.Bind(&DlpOptions::fontSize, kFontSize);
    BindChecked(t, &DlpOptions::fontWeight, kFontWeight, IsWeight, WeightForm);
    t.Bind(&DlpOptions::leading, kLeading);
    BindChecked(t, &DlpOptions::spacing, kSpacing, IsSpacing, AsIs);
    BindChecked(t, &DlpOptions::aspectAdjust, kAspectAdjust, IsAspect, AsIs);
    t.Bind(&DlpOptions::alignment, kAlignment);
    t.Bind(&DlpOptions::direction, kDirection);
    t.Bind(&DlpOptions::bottomUp, kBottomUp);
    t.Bind(&DlpOptions::marginLeft, kMarginLeft);
    t.Bind(&DlpOptions::marginRight, kMarginRight);
    t.Bind(&DlpOptions::marginTop, kMarginTop);
    t.Bind(&DlpOptions::marginBottom, kMarginBottom);
    BindChecked(t, &DlpOptions::textColour, kTextColour, IsRgb, RgbForm);
    BindChecked(t, &DlpOptions::effect, kEffect, IsEffect, EffectForm);
    BindChecked(t, &DlpOptions::effectColour, kEffectColour, IsRgb, RgbForm);
    t.Bind(&DlpOptions::alphaText, kAlphaText);
    t.Bind(&DlpOptions::alphaEffect, kAlphaEffect);
    t.Bind(&DlpOptions::fadeUp, kFadeUp);
    t.Bind(&DlpOptions::fadeDown, kFadeDown);
    BindChecked(t, &DlpOptions::mapRed, kMapRed, IsRgb, RgbForm);
    BindChecked(t, &DlpOptions::mapGreen, kMapGreen, IsRgb, RgbForm);
    BindChecked(t, &DlpOptions::mapBlue, kMapBlue, IsRgb, RgbForm);
    BindChecked(t, &DlpOptions::mapYellow, kMapYellow, IsRgb, RgbForm);
    BindChecked(t, &DlpOptions::mapCyan, kMapCyan, IsRgb, RgbForm);
    BindChecked(t, &DlpOptions::mapMagenta, kMapMagenta, IsRgb, RgbForm);
    BindChecked(t, &DlpOptions::colourOne, kColourOne, IsRgb, RgbForm);
    BindChecked(t, &DlpOptions::colourTwo, kColourTwo, IsRgb, RgbForm);
    BindChecked(t, &DlpOptions::screenSize, kScreenSize, IsScreenChoice, ScreenForm);
    BindListed(t, &DlpOptions::dcdmFrameRate, kDcdmFrameRate, DcdmFrameRates());
    BindListed(t, &DlpOptions::smpteEdition, kSmpteNamespace, SmpteEditions());
    t.Bind(&DlpOptions::subs3d, k3dSubs);
    t.Bind(&DlpOptions::inherit, kInherit);
    t.Bind(&DlpOptions::round, kRound);
    t.Bind(&DlpOptions::trimText, kTrimText);
    t.Bind(&DlpOptions::trimItalics, kTrimItalics);
    t.Bind(&DlpOptions::trimSpaces, kTrimSpaces);
    t.Bind(&DlpOptions::closeAfterExport, kCloseAfterExport);
    t.Bind(&DlpOptions::zOffsetsFile, kZOffsetsFile);
    t.Bind(&DlpOptions::images, kImages);
    return t;
  }();
  return table;
}

std::string DlpOptionsFileText(const DlpOptions& o) {
  SettingsStore s;
  SaveDlpOptions(s, o);
  return s.Serialise();
}

DlpOptions ParseDlpOptionsFile(std::string_view text) {
  SettingsStore s;
  s.Parse(text);
  const auto sections = s.Sections();
  if (std::ranges::find(sections, std::string(kDlp)) == sections.end())
    throw InvalidFileFormat("The file holds no DLP options.");
  return LoadDlpOptions(s);
}

void SaveDlpOptionsFile(const std::filesystem::path& path, const DlpOptions& o) {
  WriteFileAtomic(path, DlpOptionsFileText(o));
}

DlpOptions LoadDlpOptionsFile(const std::filesystem::path& path) {
  Bytes bytes = ReadFileBytes(path, std::uintmax_t(1) << 20);
  return ParseDlpOptionsFile(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::optional<std::uint32_t> ParseRgb(std::string_view text) {
  std::string t = Trim(text);
  if (!t.empty() && t[0] == '#') t.erase(0, 1);
  if (t.size() != 6) return std::nullopt;
  std::uint32_t v = 0;
  for (char c : t) {
    int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
            : (c >= 'a' && c <= 'f')                    ? c - 'a' + 10
            : (c >= 'A' && c <= 'F')                    ? c - 'A' + 10
                                                        : -1;
    if (d < 0) return std::nullopt;
    v = v * 16 + static_cast<std::uint32_t>(d);
  }
  return v;
}

std::string Argb(int alpha, std::uint32_t rgb) {
  char b[12];
  std::snprintf(b, sizeof b, "%02X%06X", static_cast<unsigned>(std::clamp(alpha, 0, 255)),
                static_cast<unsigned>(rgb & 0xFFFFFF));
  return b;
}

std::uint32_t MappedColour(const DlpOptions& o, int code) {
  auto rgb = [](const std::string& s, std::uint32_t def) { return ParseRgb(s).value_or(def); };
  switch (code) {
    case 1: return rgb(o.mapRed, 0xFF0000);
    case 2: return rgb(o.mapGreen, 0x00FF00);
    case 3: return rgb(o.mapYellow, 0xFFFF00);
    case 4: return rgb(o.mapBlue, 0x0000FF);
    case 5: return rgb(o.mapMagenta, 0xFF00FF);
    case 6: return rgb(o.mapCyan, 0x00FFFF);
    case 7: return 0xFFFFFF;
    default: return rgb(o.textColour, 0xFFFFFF);
  }
}

ScreenSize ParseScreenSize(std::string_view text) {
  if (!IsScreen(text)) return {};
  std::string t = ToLowerAscii(Trim(text));
  std::size_t x = t.find('x');
  long w = 0, h = 0;
  ParseInt(t.substr(0, x), w);
  ParseInt(t.substr(x + 1), h);
  return {static_cast<int>(w), static_cast<int>(h)};
}

}  // namespace kipo
