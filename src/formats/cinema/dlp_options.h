#pragma once
// The settings of digital cinema subtitle files (section "DLP"): the dialect, the font, the
// placement, colours and effects, the times and the 3D choice, bound to their keys through
// one OptionTable. The same table reads and writes the .dlp options files.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/option_table.h"
#include "settings/settings_store.h"

namespace kipo {

// The "DC Version" list, in its order (stored as the 0-based place).
enum class DcVersion : int {
  Dlp10 = 0,       // "DLP 1.0"
  Dlp11 = 1,       // "DLP 1.1"
  Dlp11Z = 2,      // "DLP 1.1 (ZPosition)"
  Smpte = 3,       // "DCDM SMPTE 428-7"
  SmpteZ = 4,      // "DCDM SMPTE 428-7 (ZPosition)"
  Xdc = 5,         // "DLP for XDC"
};
const std::vector<std::string>& DcVersionNames();
inline bool IsSmpte(DcVersion v) { return v == DcVersion::Smpte || v == DcVersion::SmpteZ; }
inline bool HasZPosition(DcVersion v) { return v == DcVersion::Dlp11Z || v == DcVersion::SmpteZ; }

// The "Effect" choices as stored.
const std::vector<std::string>& DlpEffectNames();  // "None", "Border", "Shadow"
// The "Screen size" choices ("1998x1080", ...) and the "DCDM frame rate" choices.
const std::vector<std::string>& DlpScreenSizes();
const std::vector<int>& DcdmFrameRates();
// The SMPTE 428-7 editions whose namespace a reel can be written in.
const std::vector<int>& SmpteEditions();  // 2007, 2010, 2014
std::string SmpteNamespace(int edition);

struct DlpOptions {
  DcVersion version = DcVersion::Dlp11;
  std::string movieTitle;
  int reelNumber = 1;
  std::string fontName = "Arial";
  std::string fontUri = "Arial.ttf";
  std::string fontUuid;          // "" until generated; a reel written without one gets a fresh one
  bool basicFont = false;        // the document-level Font carries only what differs from the defaults
  bool closeFont = false;        // each styled run is a Font of its own instead of nested Fonts
  int fontSize = 42;             // points of a screen 792 points high
  std::string fontWeight = "Normal";  // "Normal" or "Bold"
  int leading = 130;             // line pitch, percent of the font size
  std::string spacing = "0";     // extra letter spacing in em
  std::string aspectAdjust = "1.0";
  int alignment = 0;             // 0 each subtitle's own; 1 centre, 2 left, 3 right, 4 centred block
  int direction = 0;             // 0 horizontal, 1 vertical
  bool bottomUp = true;          // every line measured from the bottom margin
  int marginLeft = 10, marginRight = 10, marginTop = 8, marginBottom = 8;  // percent of the screen
  std::string textColour = "FFFFFF";    // RRGGBB
  std::string effect = "Border";
  std::string effectColour = "000000";
  int alphaText = 255;           // the alpha byte: 255 opaque
  int alphaEffect = 255;
  int fadeUp = 80;               // milliseconds
  int fadeDown = 80;
  std::string mapRed = "FF0000", mapGreen = "00FF00", mapBlue = "0000FF", mapYellow = "FFFF00",
              mapCyan = "00FFFF", mapMagenta = "FF00FF";
  std::string colourOne = "FFFFFF", colourTwo = "FFFF00";  // the window's two custom colours
  std::string screenSize = "1998x1080";
  int dcdmFrameRate = 24;
  int smpteEdition = 2007;
  bool subs3d = false;
  bool inherit = true;           // inline Fonts carry only what changes
  bool round = false;            // positions in whole percent instead of one decimal
  bool trimText = true;          // spaces at the ends of each line
  bool trimItalics = true;       // spaces inside the edges of styled runs moved out
  bool trimSpaces = false;       // runs of spaces become one
  bool closeAfterExport = true;
  std::string zOffsetsFile;      // the offsets file an export without the window reads
  bool images = false;           // each subtitle as a PNG picture beside the file (Image elements)

  bool operator==(const DlpOptions&) const = default;
};

const OptionTable<DlpOptions>& DlpOptionTable();
inline DlpOptions LoadDlpOptions(const SettingsStore& s) { return DlpOptionTable().Load(s); }
inline void SaveDlpOptions(SettingsStore& s, const DlpOptions& o) { DlpOptionTable().Save(s, o); }

// A .dlp options file: the "DLP" section as INI text. Loading a file that holds no such
// section throws UserError; keys it lacks keep their defaults.
std::string DlpOptionsFileText(const DlpOptions& o);
DlpOptions ParseDlpOptionsFile(std::string_view text);
void SaveDlpOptionsFile(const std::filesystem::path& path, const DlpOptions& o);
DlpOptions LoadDlpOptionsFile(const std::filesystem::path& path);

// "RRGGBB" (a leading '#' and any case accepted) to 0xRRGGBB; nullopt when it is not one.
std::optional<std::uint32_t> ParseRgb(std::string_view text);
// The alpha byte and a colour as written in the files: "FFFFFFFF".
std::string Argb(int alpha, std::uint32_t rgb);
// The colour of a colour switch 1-7 under the options' colour map (7 is white).
std::uint32_t MappedColour(const DlpOptions& o, int code);

// Screen width and height of the "Screen size" setting (1998 x 1080 when unreadable).
struct ScreenSize {
  int width = 1998;
  int height = 1080;
};
ScreenSize ParseScreenSize(std::string_view text);

}  // namespace kipo
