// PowerPoint presentations, one slide per subtitle, in the Office Open XML form.
#include "formats/exchange/powerpoint.h"
#include "formats/catalogue_options.h"
#include "formats/format_rows.h"
#include "formats/text_cue_format.h"

namespace kipo {
namespace {

// The presentation window's choices.
constexpr std::string_view kPowerPoint = "PowerPoint";
constexpr TextSetting kPptFontName{kPowerPoint, "Font name", "Arial"};
constexpr IntSetting kPptFontWeight{kPowerPoint, "Font weight", 400, 1, 1000};
constexpr IntSetting kPptTextColor{kPowerPoint, "Text color", 16777215, 0, 16777215};
constexpr IntSetting kPptBackColor{kPowerPoint, "Back color", 0, 0, 16777215};
constexpr IntSetting kPptHAlign{kPowerPoint, "HAlign", 1, 0, 2};
constexpr IntSetting kPptVAlign{kPowerPoint, "VAlign", 2, 0, 2};
constexpr IntSetting kPptMargin{kPowerPoint, "Margin", 36, 0, 500};
constexpr FlagSetting kPptBaselineAlign{kPowerPoint, "Baseline Align", false, FlagForm::OneZero};
constexpr FlagSetting kPptBlankLine{kPowerPoint, "Blank line", false, FlagForm::OneZero};
constexpr FlagSetting kPptComments{kPowerPoint, "Comments", false, FlagForm::OneZero};
constexpr IntSetting kPptFontSizeComments{kPowerPoint, "Font size comments", 18, 1, 400};
constexpr IntSetting kPptHAlignComments{kPowerPoint, "HAlign comments", 1, 0, 2};
constexpr IntSetting kPptVAlignComments{kPowerPoint, "VAlign comments", 0, 0, 2};

}  // namespace

const OptionTable<PowerPointOptions>& PowerPointOptionTable() {
  static const auto t = OptionTable<PowerPointOptions>()
                            .Bind(&PowerPointOptions::fontName, kPptFontName)
                            .Bind(&PowerPointOptions::fontWeight, kPptFontWeight)
                            .Bind(&PowerPointOptions::textColor, kPptTextColor)
                            .Bind(&PowerPointOptions::backColor, kPptBackColor)
                            .Bind(&PowerPointOptions::hAlign, kPptHAlign)
                            .Bind(&PowerPointOptions::vAlign, kPptVAlign)
                            .Bind(&PowerPointOptions::margin, kPptMargin)
                            .Bind(&PowerPointOptions::baselineAlign, kPptBaselineAlign)
                            .Bind(&PowerPointOptions::blankLine, kPptBlankLine)
                            .Bind(&PowerPointOptions::comments, kPptComments)
                            .Bind(&PowerPointOptions::fontSizeComments, kPptFontSizeComments)
                            .Bind(&PowerPointOptions::hAlignComments, kPptHAlignComments)
                            .Bind(&PowerPointOptions::vAlignComments, kPptVAlignComments);
  return t;
}

Format MakePowerPointFormat() {
  Format f;
  f.id = "microsoft-powerpoint-presentation";
  f.name = "Microsoft PowerPoint Presentation";
  f.extensions = {"pptx"};
  f.fileType = FileTypeRow{"PPTX", "Microsoft PowerPoint Presentation", 0, "", 0, 0};
  // The presentation is written in the Office Open XML form, which takes the .pptx name:
  // presentation programs refuse or question a .ppt name on it.
  f.exportRow = MakeExportRow(31, "Microsoft PowerPoint Presentation", "Microsoft Office", "PPT", "ExportPowerPoint",
                              "Microsoft PowerPoint Presentation(*.pptx)|*.pptx", "Export Microsoft PowerPoint Presentation",
                              "frmPowerPointOptions", "O");
  f.options = FormatOptions::Of(PowerPointOptionTable());
  f.read = [](std::span<const std::uint8_t> bytes, FormatContext& ctx) {
    ReadResult r;
    r.document = ReadPowerPoint(bytes, RateOf(ctx), r.warnings);
    return r;
  };
  f.write = [](const SubtitleDocument& doc, FormatContext& ctx) {
    WriteResult r;
    r.bytes = WritePowerPoint(doc, PowerPointOptionTable().Load(ctx.settings), r.warnings);
    return r;
  };
  f.traits.keepsComments = true;
  return f;
}

}  // namespace kipo
