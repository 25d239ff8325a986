// Timed Text (TTML): six export dialects, each with its catalogue row and options, all
// reading every TTML dialect back. The files are UTF-8 (with the byte-order mark unless
// "Remove BOM" is set) whatever the export's filter says.
#include "formats/timed_text_format.h"

#include "formats/exchange/text_encoding.h"
#include "formats/format_rows.h"
#include "formats/timedtext/timed_text.h"
#include "platform/user_error.h"
#include "settings/house_options.h"
#include "settings/keys.h"

namespace kipo {
namespace {

using keys::kExport;
constexpr TextSetting kFontName{kExport, "Timed text font name", "Arial"};
constexpr IntSetting kFontStyle{kExport, "Timed text font style", 0};
constexpr IntSetting kBoxed{kExport, "Timed text boxed", 0};
constexpr IntSetting kFontSize{kExport, "Timed text font size", 12, -8, 400};
constexpr FlagSetting kOutline{kExport, "Timed text outline", false, FlagForm::TrueFalse};
constexpr IntSetting kOutlineSize{kExport, "Timed text outline size", 2, 0, 100};
constexpr TextSetting kCountry{kExport, "EBUTTD Country", "GBR"};
constexpr IntSetting kAspect{kExport, "EBUTTD Aspect", 0, 0, 1};
constexpr TextSetting kPublisher{kExport, "EBUTTD Publisher", ""};
constexpr TextSetting kEditor{kExport, "EBUTTD Editor", ""};
constexpr TextSetting kCopyright{kExport, "EBUTTD Copyright", ""};
constexpr FlagSetting kForceRegion{kExport, "iTunes", false, FlagForm::OneZero};

template <class T>
OptionTable<T>& BindStyle(OptionTable<T>& t) {
  return t.Bind(&T::fontName, kFontName)
      .Bind(&T::fontSize, kFontSize)
      .Bind(&T::fontStyle, kFontStyle)
      .Bind(&T::boxed, kBoxed)
      .Bind(&T::outline, kOutline)
      .Bind(&T::outlineSize, kOutlineSize);
}

struct Dialect {
  TimedTextDialect dialect;
  const char* id;
  int position;
  const char* name;
  const char* filter;
  const char* title;
  const char* defaultExt;  // when the user types a name without one
  const char* optionsDialog;
  const char* flags;
  const OptionTable<TimedTextWriteOptions>& (*table)();
};

WriteResult Encode(std::string text, const SettingsStore& settings, Warnings warnings) {
  WriteResult r;
  r.bytes.reserve(text.size() + 3);
  r.bytes.assign({0xEF, 0xBB, 0xBF});
  const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
  r.bytes.insert(r.bytes.end(), data, data + text.size());  // one block copy
  if (settings.Get(keys::kRemoveBom)) RemoveBOM(r.bytes);
  r.warnings = std::move(warnings);
  return r;
}

// Every dialect reads every TTML file; the iTunes import also takes hand-made files that
// are not well-formed XML, cut at their paragraphs.
ReadResult Read(std::span<const std::uint8_t> bytes, FormatContext& ctx, bool iTunesPieces) {
  ReadResult r;
  try {
    r.document = ReadTimedText(bytes, ctx.frameRateCode, r.warnings);
  } catch (const UserError&) {
    if (!iTunesPieces || LooksLikeTimedText(bytes)) throw;
    const std::string text = DecodeImportText(bytes, TextEncoding::Utf8, ctx.ansiCodePage);
    if (text.find("p begin=") == std::string::npos) throw;
    r.warnings.clear();
    r.document = ReadITunesPieces(text, *FrameRate::FromCode(ctx.frameRateCode ? ctx.frameRateCode : 25), r.warnings);
  }
  return r;
}

Format Make(const Dialect& d) {
  Format f;
  f.id = d.id;
  f.name = d.name;
  f.exportRow = MakeExportRow(d.position, d.name, "Web/broadcast", "XML/TT", "", d.filter, d.title,
                              d.optionsDialog, d.flags);
  f.exportRow->defaultExt = d.defaultExt;
  f.options = FormatOptions::Of(d.table());
  f.traits.keepsColours = true;
  f.traits.alwaysUtf8 = true;
  const TimedTextDialect dialect = d.dialect;
  auto table = d.table;
  f.cueText = [dialect, table](const SubtitleDocument& doc, const SettingsStore& s, Warnings& w) {
    TimedTextWriteOptions o = table().Load(s);
    o.maxCharsPerRow = HouseOptions::Load(s).maxRowLength;
    return WriteTimedText(doc, dialect, o, w);
  };
  f.write = [text = f.cueText](const SubtitleDocument& doc, FormatContext& ctx) {
    Warnings w;
    if (ctx.textCodePage == 0 || ctx.textCodePage == 1200) w.push_back("Timed Text files are always written in UTF-8");
    std::string xml = text(doc, ctx.settings, w);
    return Encode(std::move(xml), ctx.settings, std::move(w));
  };
  const bool pieces = dialect == TimedTextDialect::ITunes;
  f.read = [pieces](std::span<const std::uint8_t> bytes, FormatContext& ctx) { return Read(bytes, ctx, pieces); };
  return f;
}

const OptionTable<TimedTextWriteOptions>& ITunesTable() {
  static const auto table = OptionTable<TimedTextWriteOptions>().Bind(&TimedTextWriteOptions::forceRegion, kForceRegion);
  return table;
}

ImportFormat ImportRow(int position, const char* name, const char* title, const char* filter, const char* fileName) {
  ImportFormat in;
  in.position = position;
  in.name = name;
  in.openTitle = title;
  in.openFilter = filter;
  in.fileName = fileName;
  in.defaultEncoding = TextEncoding::Utf8;
  return in;
}

}  // namespace

const OptionTable<TimedTextWriteOptions>& TimedTextOptionTable() {
  static const auto table = [] {
    OptionTable<TimedTextWriteOptions> t;
    BindStyle(t);
    return t;
  }();
  return table;
}

const OptionTable<TimedTextWriteOptions>& EbuTtdOptionTable() {
  static const auto table = [] {
    OptionTable<TimedTextWriteOptions> t;
    t.Bind(&TimedTextWriteOptions::aspect, kAspect)
        .Bind(&TimedTextWriteOptions::copyright, kCopyright)
        .Bind(&TimedTextWriteOptions::country, kCountry)
        .Bind(&TimedTextWriteOptions::editor, kEditor)
        .Bind(&TimedTextWriteOptions::publisher, kPublisher);
    BindStyle(t);
    return t;
  }();
  return table;
}

const OptionTable<TimedTextWriteOptions>& ITunesOptionTable() { return ITunesTable(); }

Format MakeW3cTimedTextFormat() {
  Format f = Make({TimedTextDialect::W3C, "w3c-timed-text", 5, "W3C Timed Text (DFXP)",
                   "W3C Timed Text File (*.xml)|*.xml", "Export W3C Timed Text File", "itt", "frmTimedTextOptions", "",
                   &TimedTextOptionTable});
  f.extensions = {"ttml", "xml"};
  // .ttml files are opened and converted to through this dialect; .xml files by their root.
  f.fileType = FileTypeRow{"TTML", "Timed Text file", 0, "", 0, 0};
  f.sniff = [](std::span<const std::uint8_t> bytes) { return LooksLikeTimedText(bytes); };
  f.convert = MakeConvertTarget(18, "W3C Timed Text", "W3C Timed Text", "W3C Timed Text (DFXP)", "", "xml", "wc3",
                                "W3C Timed Text");
  return f;
}

Format MakeNetflixTimedTextFormat() {
  Format f = Make({TimedTextDialect::Netflix, "netflix-timed-text", 6, "Netflix Timed Text (DFXP)",
                   "Netflix Timed Text File (*.dfxp)|*.dfxp", "Netflix Timed Text File", "dfxp", "frmTimedTextOptions",
                   "", &TimedTextOptionTable});
  f.extensions = {"dfxp"};
  f.fileType = FileTypeRow{"DFXP", "Netflix Timed Text file", 0, "", 0, 0};
  f.importRow = ImportRow(10, "Netflix Timed Text file", "Import Netflix Timed Text Subtitle File",
                          "Netflix Timed Text File (*.dfxp)|*.dfxp", "*.dfxp");
  return f;
}

Format MakeGenericTimedTextFormat() {
  Format f = Make({TimedTextDialect::Generic, "generic-timed-text", 4, "Generic Timed Text",
                   "Generic Timed Text File (*.tt)|*.tt", "Export Generic Timed Text File", "itt", "frmTimedTextOptions",
                   "", &TimedTextOptionTable});
  f.extensions = {"tt"};
  f.fileType = FileTypeRow{"TT", "Generic Timed Text file", 0, "", 0, 0};
  f.importRow = ImportRow(6, "Generic timed text file", "Import Generic Timed Text Subtitle File",
                          "Generic Timed Text File (*.tt)|*.tt", "*.tt");
  return f;
}

Format MakeEbuTtFormat() {
  Format f = Make({TimedTextDialect::EbuTt, "ebu-tt", 2, "EBU-TT Timed Text (EBU Tech 3350)",
                   "EBU-TT Timed Text File (*.xml)|*.xml", "Export EBU-TT Timed Text File", "itt", "frmTimedTextOptions",
                   "", &TimedTextOptionTable});
  f.extensions = {"xml"};
  f.convert = MakeConvertTarget(6, "EBU-TT Timed Text", "EBU-TT Timed Text", "EBU-TT Timed Text (EBU Tech 3350)", "",
                                "xml", "ebutt", "EBU-TT");
  return f;
}

Format MakeEbuTtdFormat() {
  Format f = Make({TimedTextDialect::EbuTtD, "ebu-tt-d", 3, "EBU-TT-D Timed Text (EBU Tech 3380)",
                   "EBU-TT-D Timed Text File (*.ebuttd.xml)|*.ebuttd.xml", "Export EBU-TT-D Timed Text File",
                   "ebuttd.xml", "frmEBUTTD", "", &EbuTtdOptionTable});
  f.extensions = {"ebuttd.xml"};
  return f;
}

Format MakeITunesTimedTextFormat() {
  Format f = Make({TimedTextDialect::ITunes, "itunes-timed-text", 34, "Apple iTunes Timed Text",
                   "Apple iTunes Timed Text File (*.itt)|*.itt", "Export Apple iTunes Timed Text File", "itt",
                   "frmiTuneOptions", "O", &ITunesTable});
  f.exportRow->category = "Web";
  f.extensions = {"itt"};
  f.fileType = FileTypeRow{"ITT", "Apple iTunes Timed Text file", 0, "", 0, 0};
  f.importRow = ImportRow(1, "Apple iTunes Timed Text file", "Import iTunes Timed Text Subtitle File",
                          "WebVTT UTF-8 file (*.itt)|*.itt", "*.itt");
  f.convert = MakeConvertTarget(2, "Apple iTunes", "Apple iTunes", "Apple iTunes Timed Text", "", "itt", "apple",
                                "Apple iTunes");
  return f;
}

}  // namespace kipo
