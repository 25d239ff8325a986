// The custom text layout in the export catalogue: a cue list composed from the options
// window's choices, in the encoding chosen there.
#include "formats/custom_text_format.h"

#include <algorithm>

#include "core/markup.h"

#include "formats/format_rows.h"
#include "formats/registry.h"
#include "platform/encoding.h"
#include "settings/keys.h"

namespace kipo {
namespace {

constexpr std::string_view kExport = "Export";
constexpr FlagSetting kNumber{kExport, "Subtitle number", true, FlagForm::OneZero};
constexpr IntSetting kNumberFormat{kExport, "Number format", 0, 0, 1};
constexpr TextSetting kNumberSeparator{kExport, "Field separator number", kSeparatorTab};
constexpr FlagSetting kCues{kExport, "In and out cues", true, FlagForm::OneZero};
constexpr IntSetting kTcFormat{kExport, "TC format", 0, 0, 7};
constexpr TextSetting kInterCueSeparator{kExport, "Inter cue separator", kSeparatorTab};
constexpr TextSetting kDurationSeparator{kExport, "Field separator duration", kSeparatorTab};
constexpr FlagSetting kDuration{kExport, "Duration", true, FlagForm::OneZero};
constexpr FlagSetting kPosition{kExport, "Position", false, FlagForm::OneZero};
constexpr TextSetting kTextSeparator{kExport, "Field separator text", kSeparatorNewLine};
constexpr TextSetting kRowSeparator{kExport, "Field separator row", kSeparatorNewLine};
constexpr TextSetting kStartItalic{kExport, "Start italic", "<"};
constexpr TextSetting kEndItalic{kExport, "End italic", ">"};
constexpr FlagSetting kBlankLine{kExport, "Blank line", true, FlagForm::OneZero};
constexpr FlagSetting kComments{kExport, "Comments", false, FlagForm::OneZero};

}  // namespace

const OptionTable<CustomTextOptions>& CustomTextOptionTable() {
  using O = CustomTextOptions;
  static const auto table = OptionTable<O>()
                                .Bind(&O::number, kNumber)
                                .Bind(&O::numberFormat, kNumberFormat)
                                .Bind(&O::numberSeparator, kNumberSeparator)
                                .Bind(&O::cues, kCues)
                                .Bind(&O::tcFormat, kTcFormat)
                                .Bind(&O::interCueSeparator, kInterCueSeparator)
                                .Bind(&O::durationSeparator, kDurationSeparator)
                                .Bind(&O::duration, kDuration)
                                .Bind(&O::position, kPosition)
                                .Bind(&O::textSeparator, kTextSeparator)
                                .Bind(&O::rowSeparator, kRowSeparator)
                                .Bind(&O::startItalic, kStartItalic)
                                .Bind(&O::endItalic, kEndItalic)
                                .Bind(&O::blankLine, kBlankLine)
                                .Bind(&O::comments, kComments)
                                .Bind(&O::encoding, kCustomTextEncoding);
  return table;
}

Bytes CustomTextBytes(const SubtitleDocument& doc, const SettingsStore& settings, std::vector<std::string>& warnings) {
  const CustomTextOptions o = LoadCustomTextOptions(settings);
  const TextEncoding e = CustomTextEncoding(o.encoding);
  const std::string cp = CodePageForCharset(doc.characterSet());
  TextFileWriter writer(e, cp);
  writer.Write(WriteCustomText(doc, o));
  std::vector<char32_t> lost;
  Bytes bytes = writer.Close(&lost);
  if (!lost.empty()) warnings.push_back(UnmappableWarning(lost, cp));
  if (e == TextEncoding::Utf16 && settings.Get(keys::kRemoveBom)) RemoveBOM(bytes);
  return bytes;
}

// Custom layouts are plain text: colours are left out, and said so.
void WarnLostColours(const SubtitleDocument& doc, Warnings& warnings) {
  for (std::size_t i = 0; i < doc.Count(); ++i) {
    const std::string& t = doc.At(i).text;
    if (std::any_of(t.begin(), t.end(), [](char c) { return IsColourCode(c) && c != static_cast<char>(Colour::White); })) {
      warnings.push_back("Colours cannot be written in " + std::string(kCustomTextName) + " files and were left out");
      return;
    }
  }
}

Format MakeCustomTextFormat() {
  Format f;
  f.id = "custom-text-format";
  f.name = std::string(kCustomTextName);
  f.extensions = {"txt"};
  f.exportRow = MakeExportRow(7, f.name, "Miscellaneous", "Text", "ExportCustomText", "Text files (*.txt)|*.txt",
                              "Export Custom Text File", "frmSimpleTextOptions", "OP");
  f.convert = MakeConvertTarget(4, "Custom-built text file", "Custom format text file", f.name, "", "txt", "custom",
                                "Custom Text");
  f.options = FormatOptions::Of(CustomTextOptionTable());
  f.traits.ownEncoding = true;
  f.cueText = [](const SubtitleDocument& doc, const SettingsStore& s, Warnings& warnings) {
    WarnLostColours(doc, warnings);
    return WriteCustomText(doc, LoadCustomTextOptions(s));
  };
  f.write = [](const SubtitleDocument& doc, FormatContext& ctx) {
    WriteResult r;
    WarnLostColours(doc, r.warnings);
    r.bytes = CustomTextBytes(doc, ctx.settings, r.warnings);
    return r;
  };
  return f;
}

}  // namespace kipo
