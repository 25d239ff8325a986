// EBU subtitle files (STL): the GSI block and one TTI block per text piece.
#include "formats/broadcast/ebu_stl.h"
#include "formats/format_rows.h"
#include "settings/house_options.h"
#include "settings/keys.h"

namespace kipo {
namespace {

using keys::kOptions;
constexpr FlagSetting kNoComments{kOptions, "Do not save comments", true, FlagForm::OneZero};
constexpr FlagSetting kDoubleHeight{kOptions, "EBU double height", false, FlagForm::OneZero};
constexpr FlagSetting kBlockMarkers{kOptions, "EBU block markers", false, FlagForm::OneZero};
constexpr IntSetting kDoubleHeightCr{kOptions, "EBU Double Height CR", 0};
constexpr FlagSetting kForce23{kOptions, "EBU Force 23", false, FlagForm::OneZero};
constexpr FlagSetting kForce23ZeroBased{kOptions, "EBU Force 23 zero-based", false, FlagForm::OneZero};
constexpr FlagSetting kScreenEbu{kOptions, "Screen EBU", true, FlagForm::OneZero};
constexpr FlagSetting kNoItalics{kOptions, "No EBU italics", false, FlagForm::OneZero};
constexpr FlagSetting kEmDashes{kOptions, "Convert EBU EmDashes", false, FlagForm::OneZero};

const OptionTable<StlWriteOptions>& WriteTable() {
  static const auto table =
      OptionTable<StlWriteOptions>()
          .Custom(kNoComments.section, kNoComments.name,
                  [](const SettingsStore& s, StlWriteOptions& o) { o.saveComments = !s.Get(kNoComments); },
                  [](SettingsStore& s, const StlWriteOptions& o) { s.Set(kNoComments, !o.saveComments); })
          .Bind(&StlWriteOptions::displayStandard, keys::kEbuDisplayStandard)
          .Bind(&StlWriteOptions::doubleHeight, kDoubleHeight)
          .Bind(&StlWriteOptions::blockMarkers, kBlockMarkers)
          .Custom(kDoubleHeightCr.section, kDoubleHeightCr.name,
                  [](const SettingsStore& s, StlWriteOptions& o) { o.doubleHeightCr = s.Get(kDoubleHeightCr) != 0; },
                  [](SettingsStore& s, const StlWriteOptions& o) { s.Set(kDoubleHeightCr, o.doubleHeightCr ? 1 : 0); })
          .Bind(&StlWriteOptions::force23, kForce23)
          .Bind(&StlWriteOptions::force23ZeroBased, kForce23ZeroBased)
          .Bind(&StlWriteOptions::screenEbu, kScreenEbu)
          .Bind(&StlWriteOptions::literalItalics, kNoItalics)
          .Bind(&StlWriteOptions::dashesAsHyphens, kEmDashes)
          .Bind(&StlWriteOptions::subtitleZero, keys::kSubtitleZero)
          .Bind(&StlWriteOptions::colours, keys::kEnableColours);
  return table;
}

const OptionTable<StlReadOptions>& ReadTable() {
  static const auto table = OptionTable<StlReadOptions>()
                                .Bind(&StlReadOptions::screenEbu, kScreenEbu)
                                .Bind(&StlReadOptions::doubleHeight, kDoubleHeight)
                                .Bind(&StlReadOptions::colours, keys::kEnableColours);
  return table;
}

}  // namespace

Format MakeEbuStlFormat() {
  Format f;
  f.id = "ebu-stl";
  f.name = "EBU STL";
  f.extensions = {"stl"};
  f.fileType = FileTypeRow{"STL", "EBU Files (*.stl)", 5, "*.STL", 4, 6};
  f.convert = MakeConvertTarget(5, "EBU STL", "EBU STL", "", "STL", "stl", "", "EBU STL");
  f.traits.keepsColours = true;
  f.traits.keepsComments = true;
  f.read = [](std::span<const std::uint8_t> bytes, FormatContext& ctx) {
    StlReadOptions o = ReadTable().Load(ctx.settings);
    o.editAreaWidth = HouseOptions::Load(ctx.settings).maxRowLength;
    StlReadResult r = ReadStl(bytes, o, ctx.prompter);
    if (r.newEditAreaWidth) ctx.newEditAreaWidth = r.newEditAreaWidth;
    return ReadResult{std::move(r.doc), std::move(r.warnings)};
  };
  f.write = [](const SubtitleDocument& doc, FormatContext& ctx) {
    StlWriteOptions o = WriteTable().Load(ctx.settings);
    o.maxCharsPerRow = HouseOptions::Load(ctx.settings).maxRowLength;
    WriteResult r;
    r.bytes = WriteStl(doc, o, ctx.prompter, r.warnings);
    return r;
  };
  return f;
}

}  // namespace kipo
