// Screen PAC, Scantitling 890 and RAC in the table of file types: the options of each
// format are read from the settings here and handed to the format code as plain structs.
#include <algorithm>

#include "app/file_types_broadcast.h"
#include "core/detect_frame_rate.h"
#include "formats/broadcast/pac.h"
#include "formats/broadcast/pac_languages.h"
#include "formats/broadcast/rac.h"
#include "formats/broadcast/scan890.h"
#include "platform/text_util.h"
#include "platform/user_error.h"
#include "settings/house_options.h"

namespace kipo {
namespace {

constexpr const char* kOptions = "Options";

// Settings written as check boxes ("1") or Booleans ("True") both count as on.
bool On(const SettingsStore& s, std::string_view section, std::string_view key, bool def) {
  const std::string v = s.Get(section, key, def ? "1" : "0");
  return v == "1" || v == "-1" || EqualsIgnoreCase(v, "True");
}

PacReadOptions PacOptionsFromUser(FileContext& ctx) {
  PacReadOptions o;
  o.colours = On(ctx.settings, kOptions, "Enable colours", true);
  if (On(ctx.settings, kOptions, "Display PAC charset confirmation dialog", true)) {
    const std::optional<int> pick = ctx.prompter.Choose(
        "Select Language", "Choose the language of the subtitles in this file:", PacLanguageChoices());
    if (!pick || *pick < 0 || static_cast<std::size_t>(*pick) >= PacLanguages().size()) throw Cancelled();
    const PacLanguage& l = PacLanguages()[static_cast<std::size_t>(*pick)];
    o.languageId = l.languageId;
    o.characterSet = l.characterSet;
  }
  return o;
}

SubtitleDocument ReadPacType(std::span<const std::uint8_t> bytes, FileContext& ctx, Warnings& warnings) {
  const PacReadOptions o = PacOptionsFromUser(ctx);
  SubtitleDocument doc = ReadPac(bytes, o, warnings);
  if (On(ctx.settings, kOptions, "Auto-detect PAC frame rate", false)) DetectFrameRate(doc, ctx.prompter);
  doc.modified = false;
  return doc;
}

PacWriteOptions PacWriteOptionsFrom(const SettingsStore& s) {
  PacWriteOptions o;
  const HouseOptions house = HouseOptions::Load(s);
  o.maxRows = house.maxRows;
  o.topRowZero = On(s, kOptions, "PAC top row zero", false);
  o.zeroBasedNumbering = On(s, kOptions, "Zero-based PAC numbering on save", false);
  o.colours = On(s, kOptions, "Enable colours", true);
  o.allowMixedOutlines = On(s, kHouseOptionsSection, "Allow mixed outline types in PAC files", true);
  long style = 0;
  if (ParseInt(s.Get(kHouseOptionsSection, "Default outline style", "130"), style) && style >= BoxUnboxedOutline &&
      style <= BoxGhostStripeOutline)
    o.houseOutlineStyle = static_cast<int>(style);
  return o;
}

Bytes WritePacType(const SubtitleDocument& doc, FileContext& ctx, Warnings& warnings) {
  try {
    return WritePac(doc, PacWriteOptionsFrom(ctx.settings), warnings);
  } catch (const PacWriteFailure& f) {
    throw UserError(kAppTitle, PacSaveFailureText(f.number()));
  }
}

SubtitleDocument ReadRacType(std::span<const std::uint8_t> bytes, FileContext& ctx, Warnings& warnings) {
  return ReadRac(bytes, PacOptionsFromUser(ctx), warnings);
}

SubtitleDocument Read890Type(std::span<const std::uint8_t> bytes, FileContext& ctx, Warnings& warnings) {
  // The file counts frames without naming a rate: the caller's rate (kipo convert --rate)
  // turns them into labels, 25 fps otherwise.
  Scan890ReadOptions o;
  if (ctx.frameRateCode > 0) o.frameRateCode = ctx.frameRateCode;
  return Read890(bytes, o, warnings);
}

Bytes Write890Type(const SubtitleDocument& doc, FileContext& ctx, Warnings& warnings) {
  Scan890WriteOptions o;
  long font = -1;
  if (ParseInt(ctx.settings.Get(kOptions, "890 font", "-1"), font) && font >= 0 && font <= 8) o.font = static_cast<int>(font);
  o.created = Scan890Now();
  return Write890(doc, o, warnings);
}

}  // namespace

PacWriteOptions PacWriteOptionsFromSettings(const SettingsStore& s) { return PacWriteOptionsFrom(s); }

void AddBroadcastFileTypes(std::vector<FileType>& table) {
  table.push_back({"PAC", "Screen Subtitling PAC Files (*.pac)", ReadPacType, WritePacType});
  table.push_back({"890", "Scantitling Files (*.890)", Read890Type, Write890Type});
  table.push_back({"RAC", "RAC Files (*.rac)", ReadRacType, nullptr});
}

}  // namespace kipo
