// SubRip: numbered cues with millisecond times; the optional tag block carries the font.
#include "formats/exchange/subrip.h"
#include "formats/format_rows.h"
#include "formats/subrip_format.h"
#include "formats/text_cue_format.h"
#include "settings/keys.h"

namespace kipo {
namespace {

constexpr std::string_view kSrt = "SRT";
constexpr FlagSetting kTags{kSrt, "Tags", false, FlagForm::OneZero};
// Without a font of its own the tag block uses the main window's subtitle font.
constexpr std::string_view kFontName = "Font name";
constexpr IntSetting kFontSize{kSrt, "Font size", 6};
constexpr IntSetting kBold{kSrt, "Bold", 0};
constexpr IntSetting kBorder{kSrt, "Border", 1};
constexpr IntSetting kBlur{kSrt, "Blur", 1};
constexpr IntSetting kShadow{kSrt, "Shadow", 1};
constexpr IntSetting kFilterIndex{kSrt, "Filter index", 3};

}  // namespace

const OptionTable<SubRipOptions>& SubRipOptionTable() {
  static const auto table =
      OptionTable<SubRipOptions>()
          .Bind(&SubRipOptions::tags, kTags)
          .Custom(
              kSrt, kFontName,
              [](const SettingsStore& s, SubRipOptions& o) {
                o.fontName = s.Get(kSrt, kFontName, s.Get(keys::kDisplayFontName));
              },
              [](SettingsStore& s, const SubRipOptions& o) { s.Set(kSrt, kFontName, o.fontName); },
              [](SettingsStore& s, std::string_view v) {
                s.Set(kSrt, kFontName, v);
                return true;
              })
          .Bind(&SubRipOptions::fontSizeIndex, kFontSize)
          .Bind(&SubRipOptions::bold, kBold)
          .Bind(&SubRipOptions::border, kBorder)
          .Bind(&SubRipOptions::blur, kBlur)
          .Bind(&SubRipOptions::shadow, kShadow);
  return table;
}

Format MakeSubRipFormat() {
  Format f;
  f.id = "subrip";
  f.name = "SubRip";
  f.extensions = {"srt"};
  f.fileType = FileTypeRow{"SRT", "SubRip SRT file", 0, "", 0, 0};
  f.exportRow = MakeExportRow(19, "SubRip", "Miscellaneous", "SRT", "ExportSubRipSRTFile",
                              "SubRip SRT text file (*.srt)|*.srt|SubRip SRT UTF-8 text file (*.srt)|*.srt|"
                              "SubRip SRT Unicode text file (*.srt)|*.srt",
                              "Export SubRip SRT file", "frmSubRipExportOptions", "OP");
  ImportFormat in;
  in.position = 19;
  in.name = "SubRip SRT file";
  in.openTitle = "Import SubRip SRT File";
  in.openFilter =
      "SubRip SRT File (*.srt)|*.srt|SubRip SRT UTF-8 file (*.srt)|*.srt|SubRip SRT UTF-16 (Unicode) file (*.srt)|*.srt";
  in.fileName = "*.srt";
  in.encodingByFilter = true;
  f.importRow = std::move(in);
  f.convert = MakeConvertTarget(16, "SubRip SRT", "SubRip SRT", "SubRip", "", "srt", "subrip", "SubRip");
  f.filterIndexSetting = &kFilterIndex;
  f.options = FormatOptions::Of(SubRipOptionTable());
  f.traits.keepsColours = false;
  f = TextCueFormat(std::move(f), &ReadSubRip, [](const SubtitleDocument& doc, const SettingsStore& s, Warnings& w) {
    return WriteSubRip(doc, SubRipOptionTable().Load(s), w);
  });
  StreamTextCues(f, &ReadSubRipCues, [](const SubtitleDocument& header, const SettingsStore& s) {
    return std::make_unique<SubRipWriter>(header, SubRipOptionTable().Load(s));
  });
  return f;
}

}  // namespace kipo
