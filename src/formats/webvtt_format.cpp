// WebVTT: the web's cue text, UTF-8 or UTF-16, with cue settings for the position.
#include "formats/webvtt_format.h"

#include "formats/format_rows.h"
#include "formats/text_cue_format.h"
#include "imaging/text_layout.h"
#include "platform/text_util.h"
#include "settings/keys.h"

namespace kipo {
namespace {

constexpr TextSetting kMovieName{keys::kExport, "WebVTT movie name", ""};
constexpr FlagSetting kIncludePositioning{keys::kExport, "WebVTT include positioning", true, FlagForm::OneZero};
constexpr FlagSetting kIncludeComments{keys::kExport, "WebVTT include comments", false, FlagForm::OneZero};

// The options with the pictures' own text layout, which places centred-left blocks by their
// width (made the first time one is written).
WebVttOptions WriterOptions(const SettingsStore& s) {
  WebVttOptions o = WebVttOptionTable().Load(s);
  o.makeMeasurer = [] { return MakeLayoutMeasurer(); };
  return o;
}

}  // namespace

const OptionTable<WebVttOptions>& WebVttOptionTable() {
  static const auto table =
      OptionTable<WebVttOptions>()
          .Bind(&WebVttOptions::movieName, kMovieName)
          .Bind(&WebVttOptions::includePositioning, kIncludePositioning)
          .Bind(&WebVttOptions::includeComments, kIncludeComments)
          // The subtitle font of the display settings; the display format index picks the width.
          .Custom(keys::kDisplayFontName.section, keys::kDisplayFontName.name,
                  [](const SettingsStore& s, WebVttOptions& o) {
                    o.font.family = s.Get(keys::kDisplayFontName);
                    o.font.pixelSize = static_cast<double>(s.Get(keys::kDisplayFontSize));
                    o.font.bold = EqualsIgnoreCase(s.Get(keys::kDisplayFontWeight), "Bold");
                    o.frameWidth = DisplayFormatWidth(static_cast<int>(s.Get(keys::kDisplayVideoFormat)));
                  },
                  nullptr);
  return table;
}

Format MakeWebVttFormat() {
  Format f;
  f.id = "webvtt";
  f.name = "WebVTT";
  f.extensions = {"vtt"};
  f.fileType = FileTypeRow{"VTT", "WebVTT file", 0, "", 0, 0};
  f.exportRow = MakeExportRow(40, "WebVTT", "Web", "VTT", "ExportWebVTT",
                              "WebVTT UTF-8 file (*.vtt)|*.vtt|WebVTT Unicode file (*.vtt)|*.vtt", "Export WebVTT File",
                              "frmWebVTTOptions", "OP");
  ImportFormat in;
  in.position = 29;
  in.name = "WebVTT file";
  in.openTitle = "Import WebVTT Subtitle File";
  in.openFilter = "WebVTT UTF-8 file (*.vtt)|*.vtt";
  in.fileName = "*.vtt";
  in.defaultEncoding = TextEncoding::Utf8;
  f.importRow = std::move(in);
  f.convert = MakeConvertTarget(19, "WebVTT", "WebVTT", "WebVTT", "", "vtt", "webvtt", "WebVTT");
  f.options = FormatOptions::Of(WebVttOptionTable());
  f.traits.keepsComments = true;
  f.traits.keepsUnderline = true;
  f = TextCueFormat(std::move(f), &ReadWebVtt, [](const SubtitleDocument& doc, const SettingsStore& s, Warnings& w) {
    return WriteWebVtt(doc, WriterOptions(s), w);
  });
  StreamTextCues(f, &ReadWebVttCues, [](const SubtitleDocument& header, const SettingsStore& s) {
    return std::make_unique<WebVttWriter>(header, WriterOptions(s));
  });
  return f;
}

}  // namespace kipo
