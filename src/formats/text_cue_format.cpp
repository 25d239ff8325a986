#include "formats/text_cue_format.h"

#include "platform/encoding.h"
#include "settings/keys.h"

namespace kipo {
namespace {

// The whole file in an encoding: characters the ANSI code page cannot hold are named, and
// Unicode files lose their byte-order mark when the user asked so.
WriteResult Encode(const std::string& text, const SubtitleDocument& doc, const SettingsStore& settings,
                   TextEncoding encoding, Warnings warnings) {
  const std::string cp = CodePageForCharset(doc.characterSet());
  std::vector<char32_t> lost;
  Bytes bytes = EncodeText(text, encoding, cp, &lost);
  if (!lost.empty()) warnings.push_back(UnmappableWarning(lost, cp));
  if (encoding != TextEncoding::Ansi && settings.Get(keys::kRemoveBom)) RemoveBOM(bytes);
  return {std::move(bytes), std::move(warnings)};
}

std::optional<TextEncoding> EncodingOfCodePage(int codePage) {
  switch (codePage) {
    case 0: return TextEncoding::Ansi;
    case 65001: return TextEncoding::Utf8;
    case 1200: return TextEncoding::Utf16;
    default: return std::nullopt;
  }
}

}  // namespace

WriteResult EncodeCueText(const Format& format, const SubtitleDocument& doc, const SettingsStore& settings,
                          TextEncoding encoding) {
  if (format.traits.ownEncoding && format.write) {
    SilentPrompter silent;
    FormatContext ctx{silent, settings};
    return format.write(doc, ctx);
  }
  Warnings warnings;
  std::string text = format.cueText(doc, settings, warnings);
  if (format.traits.alwaysUtf8) encoding = TextEncoding::Utf8;
  return Encode(text, doc, settings, encoding, std::move(warnings));
}

FrameRate RateOf(const FormatContext& ctx) {
  return FrameRate::FromCode(ctx.frameRateCode).value_or(*FrameRate::FromCode(25));
}

TextEncoding DefaultTextEncoding(const Format& format, const SettingsStore& settings) {
  const int index = format.filterIndexSetting ? static_cast<int>(settings.Get(*format.filterIndexSetting)) : 1;
  return format.exportRow ? format.exportRow->EncodingAt(index) : TextEncoding::Utf8;
}

Format TextCueFormat(Format format, CueTextReader reader, CueTextWriter writer) {
  format.traits.textFile = true;
  format.read = [reader](std::span<const std::uint8_t> bytes, FormatContext& ctx) {
    ReadResult r;
    std::string converted;
    const std::string_view text = DecodeImportText(bytes, ctx.textEncoding, ctx.ansiCodePage, converted);
    r.document = reader(text, RateOf(ctx), r.warnings);
    return r;
  };
  format.cueText = std::move(writer);
  const ExportFormat row = *format.exportRow;
  const IntSetting* filterIndex = format.filterIndexSetting;
  format.write = [row, filterIndex, writer = format.cueText](const SubtitleDocument& doc, FormatContext& ctx) {
    const int index = filterIndex ? static_cast<int>(ctx.settings.Get(*filterIndex)) : 1;
    TextEncoding e = EncodingOfCodePage(ctx.textCodePage).value_or(row.EncodingAt(index));
    Warnings before;
    if (row.FilterIndexOf(e) == 0) {
      before.push_back(row.name + " files cannot be written in " + TextEncodingName(e) + "; written in " +
                       TextEncodingName(row.EncodingAt(1)));
      e = row.EncodingAt(1);
    }
    std::string text = writer(doc, ctx.settings, before);
    return Encode(text, doc, ctx.settings, e, std::move(before));
  };
  return format;
}

}  // namespace kipo
