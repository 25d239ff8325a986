#include "formats/script_format.h"

namespace kipo {
namespace {

std::function<ReadResult(std::span<const std::uint8_t>, FormatContext&)> TextRead(ScriptReader reader) {
  return [reader = std::move(reader)](std::span<const std::uint8_t> bytes, FormatContext& ctx) {
    ReadResult r;
    std::string converted;  // the file's text, when it is not UTF-8 read where it lies
    const std::string_view text = DecodeImportText(bytes, ctx.textEncoding, ctx.ansiCodePage, converted);
    r.document = reader(text, RateOf(ctx), ctx.settings, r.warnings);
    return r;
  };
}

}  // namespace

Format ScriptFormat(Format format, ScriptReader reader, CueTextWriter writer) {
  // TextCueFormat brings the writer and its encodings; the reader is replaced by one that
  // also sees the settings.
  format = TextCueFormat(std::move(format), nullptr, std::move(writer));
  format.read = TextRead(std::move(reader));
  return format;
}

Format ScriptReaderFormat(Format format, ScriptReader reader) {
  format.traits.textFile = true;
  format.read = TextRead(std::move(reader));
  return format;
}

ImportFormat MakeImportRow(int position, std::string name, std::string openTitle, std::string openFilter) {
  ImportFormat in;
  in.position = position;
  in.name = std::move(name);
  in.openTitle = std::move(openTitle);
  in.fileName = openFilter.substr(openFilter.find('|') + 1);
  if (auto bar = in.fileName.find('|'); bar != std::string::npos) in.fileName.resize(bar);
  in.openFilter = std::move(openFilter);
  return in;
}

ScriptReader Reader(PlainReader read) {
  return [read](std::string_view text, const FrameRate& rate, const SettingsStore&, Warnings& w) {
    return read(text, rate, w);
  };
}

CueTextWriter Writer(PlainWriter write) {
  return [write](const SubtitleDocument& doc, const SettingsStore&, Warnings& w) { return write(doc, w); };
}

}  // namespace kipo
