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

TextEncoding WriteEncoding(const ExportFormat& row, const IntSetting* filterIndex, const FormatContext& ctx,
                           Warnings& warnings) {
  const int index = filterIndex ? static_cast<int>(ctx.settings.Get(*filterIndex)) : 1;
  TextEncoding e = EncodingOfCodePage(ctx.textCodePage).value_or(row.EncodingAt(index));
  if (row.FilterIndexOf(e) == 0) {
    warnings.push_back(row.name + " files cannot be written in " + TextEncodingName(e) + "; written in " +
                       TextEncodingName(row.EncodingAt(1)));
    e = row.EncodingAt(1);
  }
  return e;
}

namespace {

// Text gathered one subtitle at a time and handed to the file, encoded, whenever it has
// grown past a piece. Pieces end between subtitles, so no character is ever cut in two;
// only the first piece carries the byte-order mark.
class TextStreamWriter : public SubtitleStreamWriter {
 public:
  static constexpr std::size_t kPiece = 128 * 1024;

  TextStreamWriter(std::unique_ptr<CueListWriter> writer, const SubtitleDocument& header,
                   const SettingsStore& settings, TextEncoding encoding, Warnings before, AtomicFileWriter& file)
      : writer_(std::move(writer)),
        codePage_(CodePageForCharset(header.characterSet())),
        encoding_(encoding),
        removeBom_(encoding != TextEncoding::Ansi && settings.Get(keys::kRemoveBom)),
        warnings_(std::move(before)),
        file_(file) {
    text_.reserve(kPiece + kPiece / 4);
  }

  void Add(const Subtitle& s) override {
    writer_->Add(text_, s, warnings_);
    if (text_.size() >= kPiece) Flush();
  }

  Warnings Finish() override {
    writer_->Finish(text_, warnings_);
    Flush();
    if (!lost_.empty()) warnings_.push_back(UnmappableWarning(lost_, codePage_));
    return std::move(warnings_);
  }

 private:
  void Flush() {
    if (text_.empty() && !first_) return;
    const Bytes bytes = EncodeText(text_, encoding_, codePage_, &lost_);
    const std::size_t bom = encoding_ == TextEncoding::Utf8 ? 3 : encoding_ == TextEncoding::Utf16 ? 2 : 0;
    const std::size_t skip = first_ && !removeBom_ ? 0 : bom;
    file_.Write(std::span(bytes).subspan(skip));
    text_.clear();
    first_ = false;
  }

  std::unique_ptr<CueListWriter> writer_;
  std::string codePage_;
  TextEncoding encoding_;
  bool removeBom_;
  Warnings warnings_;
  AtomicFileWriter& file_;
  std::string text_;
  std::vector<char32_t> lost_;
  bool first_ = true;
};

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
    Warnings before;
    const TextEncoding e = WriteEncoding(row, filterIndex, ctx, before);
    std::string text = writer(doc, ctx.settings, before);
    return Encode(text, doc, ctx.settings, e, std::move(before));
  };
  return format;
}

void StreamTextCues(Format& format, CuePass pass, CueWriterFactory writer) {
  format.stream.read = [pass](Bytes& bytes, FormatContext& ctx, SubtitleDocument& header, const SubtitleSink& sink) {
    Warnings warnings;
    std::string converted;
    const std::string_view text = DecodeImportText(bytes, ctx.textEncoding, ctx.ansiCodePage, converted);
    // Text that had to be converted stands in for the file's bytes from here on.
    if (!converted.empty() && text.data() == converted.data()) Bytes().swap(bytes);
    pass(text, RateOf(ctx), header, sink, warnings);
    return warnings;
  };
  const ExportFormat row = *format.exportRow;
  const IntSetting* filterIndex = format.filterIndexSetting;
  format.stream.write = [row, filterIndex, writer](const SubtitleDocument& header, FormatContext& ctx,
                                                   AtomicFileWriter& file) -> std::unique_ptr<SubtitleStreamWriter> {
    Warnings before;
    const TextEncoding e = WriteEncoding(row, filterIndex, ctx, before);
    return std::make_unique<TextStreamWriter>(writer(header, ctx.settings), header, ctx.settings, e, std::move(before),
                                              file);
  };
}

}  // namespace kipo
