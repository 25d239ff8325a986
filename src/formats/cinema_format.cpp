// Digital cinema subtitle XML: DCSubtitle and SMPTE 428-7 reels, written from the "DLP"
// options (one file, or the two eyes of a 3D pair) and read back.
#include <cstdint>
#include <string>

#include "formats/cinema/dcinema_reader.h"
#include "formats/cinema/dcinema_writer.h"
#include "formats/cinema/dlp_options.h"
#include "formats/cinema/z_offsets.h"
#include "formats/format_rows.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

DcinemaSetup SetupOf(const FormatContext& ctx) {
  DcinemaSetup setup;
  setup.options = LoadDlpOptions(ctx.settings);
  setup.bold = BoldMarkers::Load(ctx.settings);
  return setup;
}

}  // namespace

Format MakeCinemaFormat() {
  Format f;
  f.id = "texas-instruments-dlp-cinema";
  f.name = "Texas Instruments DLP Cinema";
  f.extensions = {"xml"};
  f.fileType = FileTypeRow{"XML", "DLP Cinema XML file", 0, "", 0, 0};
  f.exportRow = MakeExportRow(21, "Texas Instruments DLP Cinema", "Digital cinema", "XML", "digital cinema window",
                              "DLP Cinema XML Files (*.xml)|*.xml", "Export DLP Cinema XML File", "frmDLPOptions", "PW");
  ImportFormat in;
  in.position = 22;
  in.name = "Texas Instruments DLP Cinema XML file";
  in.openTitle = "Import DLP Cinema XML File";
  in.openFilter = "DLP Cinema XML Files (*.xml)|*.xml";
  in.fileName = "*.xml";
  f.importRow = std::move(in);
  f.sniff = [](std::span<const std::uint8_t> bytes) { return LooksLikeDcinema(bytes); };
  f.read = [](std::span<const std::uint8_t> bytes, FormatContext& ctx) {
    ReadResult r;
    r.document = ReadDcinemaXml(bytes, LoadDlpOptions(ctx.settings), ctx.frameRateCode,
                                BoldMarkers::Load(ctx.settings), r.warnings);
    return r;
  };
  // One file for both eyes; the 3D pair is written by exportTo.
  f.write = [](const SubtitleDocument& doc, FormatContext& ctx) {
    WriteResult r;
    const std::string text = WriteDcinemaXml(doc, SetupOf(ctx), r.warnings);
    // As bytes of the same width: one block copy (a copy char by char otherwise).
    const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
    r.bytes.assign(data, data + text.size());
    return r;
  };
  f.exportTo = [](const SubtitleDocument& doc, const std::filesystem::path& path, FormatContext& ctx) {
    DcinemaSetup setup = SetupOf(ctx);
    ZOffsets z;
    if (!setup.options.zOffsetsFile.empty()) z = LoadZOffsetsFile(setup.options.zOffsetsFile);
    setup.zOffsets = &z;
    Warnings w;
    ExportDcinema(doc, setup, path, w);
    return w;
  };
  f.options = FormatOptions::Of(DlpOptionTable());
  f.traits.keepsColours = true;
  f.traits.keepsUnderline = true;
  return f;
}

}  // namespace kipo
