// The cue-list text formats as file types of the main window and of `kipo convert`.
#include "app/file_types.h"
#include "app/text_exporters.h"
#include "formats/exchange/microdvd.h"
#include "formats/exchange/sbv.h"
#include "formats/exchange/subrip.h"
#include "formats/exchange/webvtt.h"

namespace kipo {
namespace {

using Reader = SubtitleDocument (*)(std::string_view, const FrameRate&, Warnings&);

FrameRate RateOf(const FileContext& ctx) {
  return FrameRate::FromCode(ctx.frameRateCode).value_or(*FrameRate::FromCode(25));
}

FileType TextType(std::string ext, std::string name, std::string exportName, Reader reader) {
  FileType t;
  t.extension = std::move(ext);
  t.name = std::move(name);
  t.read = [reader](std::span<const std::uint8_t> bytes, FileContext& ctx, Warnings& w) {
    std::string text = DecodeImportText(bytes, std::nullopt);
    return reader(text, RateOf(ctx), w);
  };
  t.write = [exportName](const SubtitleDocument& doc, FileContext& ctx, Warnings& w) {
    const ExportFormat& f = *FindExportFormat(exportName);
    TextEncoding e = DefaultExportEncoding(f, ctx.settings);
    if (ctx.textCodePage == 0) e = TextEncoding::Ansi;
    else if (ctx.textCodePage == 65001) e = TextEncoding::Utf8;
    else if (ctx.textCodePage == 1200) e = TextEncoding::Utf16;
    if (f.FilterIndexOf(e) == 0) {
      w.push_back(f.name + " files cannot be written in " + TextEncodingName(e) + "; written in " +
                  TextEncodingName(f.EncodingAt(1)));
      e = f.EncodingAt(1);
    }
    return ExportBytes(f, doc, ctx.settings, e, w);
  };
  return t;
}

}  // namespace

void AddExchangeFileTypes(std::vector<FileType>& table) {
  table.push_back(TextType("SRT", "SubRip SRT file", "SubRip", &ReadSubRip));
  table.push_back(TextType("VTT", "WebVTT file", "WebVTT", &ReadWebVtt));
  table.push_back(TextType("SBV", "YouTube SBV file", "YouTube", &ReadSbv));
  table.push_back(TextType("SUB", "MicroDVD subtitle file", "MicroDVD", &ReadMicroDvd));
}

}  // namespace kipo
