// Screen PAC: binary records in a language's byte table; opening asks for the language
// when the user wants the question, and the main window's save keeps a safety copy.
#include "formats/pac_format.h"

#include "core/detect_frame_rate.h"
#include "formats/broadcast/long_lines.h"
#include "formats/broadcast/pac_languages.h"
#include "formats/format_rows.h"
#include "formats/pac_read_options.h"
#include "platform/user_error.h"
#include "settings/house_options.h"
#include "settings/keys.h"

namespace kipo {
namespace {

constexpr FlagSetting kAskLanguage{keys::kOptions, "Display PAC charset confirmation dialog", true, FlagForm::OneZero};
constexpr FlagSetting kDetectRate{keys::kOptions, "Auto-detect PAC frame rate", false, FlagForm::OneZero};
constexpr FlagSetting kTopRowZero{keys::kOptions, "PAC top row zero", false, FlagForm::OneZero};
constexpr FlagSetting kZeroBased{keys::kOptions, "Zero-based PAC numbering on save", false, FlagForm::OneZero};
constexpr FlagSetting kMixedOutlines{kHouseOptionsSection, "Allow mixed outline types in PAC files", true,
                                     FlagForm::TrueFalse};
constexpr IntSetting kOutlineStyle{kHouseOptionsSection, "Default outline style", BoxBoxedOutline, BoxUnboxedOutline,
                                   BoxGhostStripeOutline};

const OptionTable<PacWriteOptions>& WriteTable() {
  static const auto table = OptionTable<PacWriteOptions>()
                                .Bind(&PacWriteOptions::topRowZero, kTopRowZero)
                                .Bind(&PacWriteOptions::zeroBasedNumbering, kZeroBased)
                                .Bind(&PacWriteOptions::colours, keys::kEnableColours)
                                .Bind(&PacWriteOptions::allowMixedOutlines, kMixedOutlines)
                                .Bind(&PacWriteOptions::houseOutlineStyle, kOutlineStyle);
  return table;
}

}  // namespace

PacWriteOptions PacWriteOptionsFromSettings(const SettingsStore& s) {
  PacWriteOptions o = WriteTable().Load(s);
  o.maxRows = HouseOptions::Load(s).maxRows;
  return o;
}

PacReadOptions PacReadOptionsFromUser(FormatContext& ctx) {
  PacReadOptions o;
  o.colours = ctx.settings.Get(keys::kEnableColours);
  if (ctx.settings.Get(kAskLanguage)) {
    const std::optional<int> pick = ctx.prompter.Choose(
        "Select Language", "Choose the language of the subtitles in this file:", PacLanguageChoices());
    if (!pick || *pick < 0 || static_cast<std::size_t>(*pick) >= PacLanguages().size()) throw Cancelled();
    const PacLanguage& l = PacLanguages()[static_cast<std::size_t>(*pick)];
    o.languageId = l.languageId;
    o.characterSet = l.characterSet;
  }
  return o;
}

Format MakePacFormat() {
  Format f;
  f.id = "pac";
  f.name = "Screen Subtitling PAC";
  f.extensions = {"pac", "fpc"};  // ".fpc" files have the same layout
  f.fileType = FileTypeRow{"PAC", "Screen Subtitling PAC Files (*.pac)", 3, "*.PAC", 3, 4};
  f.convert = MakeConvertTarget(12, "Screen Subtitling Systems PAC", "Screen Subtitling Systems PAC", "", "PAC", "pac",
                                "", "PAC");
  f.traits.needsLanguage = true;
  f.traits.keepsColours = true;
  f.read = [](std::span<const std::uint8_t> bytes, FormatContext& ctx) {
    const PacReadOptions o = PacReadOptionsFromUser(ctx);
    ReadResult r;
    r.document = ReadPac(bytes, o, r.warnings);
    if (ctx.settings.Get(kDetectRate)) DetectFrameRate(r.document, ctx.prompter);
    ctx.newEditAreaWidth =
        AskToWidenEditArea(r.document, HouseOptions::Load(ctx.settings).maxRowLength, ctx.prompter);
    r.document.modified = false;
    return r;
  };
  f.write = [](const SubtitleDocument& doc, FormatContext& ctx) {
    WriteResult r;
    try {
      r.bytes = WritePac(doc, PacWriteOptionsFromSettings(ctx.settings), r.warnings);
    } catch (const PacWriteFailure& failure) {
      throw UserError(kAppTitle, PacSaveFailureText(failure.number()));
    }
    return r;
  };
  // The main window keeps a safety copy of the file it replaces until the new one is complete.
  f.hooks.save = [](const SubtitleDocument& doc, const std::filesystem::path& path, FormatContext& ctx) {
    return SavePacFile(doc, path, PacWriteOptionsFromSettings(ctx.settings));
  };
  return f;
}

}  // namespace kipo
