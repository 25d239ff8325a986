// The Flash row: Timed Text for the captioning component of Flash web players, written by
// the Timed Text writer's Flash dialect (clock times in milliseconds, styles on the
// paragraphs and spans themselves) and read back by the Timed Text reader.
#include "formats/exchange/text_encoding.h"
#include "formats/format_rows.h"
#include "formats/timedtext/timed_text.h"
#include "settings/keys.h"

namespace kipo {

Format MakeFlashFormat() {
  Format f;
  f.id = "flash";
  f.name = "Flash";
  f.extensions = {"xml"};
  f.exportRow = MakeExportRow(28, "Flash", "Web", "XML", "ExportFlashFile", "Flash XML files (*.xml)|*.xml",
                              "Export Flash XML file", "", "P");
  f.traits.keepsColours = true;
  f.traits.alwaysUtf8 = true;
  f.cueText = [](const SubtitleDocument& doc, const SettingsStore&, Warnings& w) {
    return WriteTimedText(doc, TimedTextDialect::Flash, {}, w);
  };
  f.write = [text = f.cueText](const SubtitleDocument& doc, FormatContext& ctx) {
    WriteResult r;
    if (ctx.textCodePage == 0 || ctx.textCodePage == 1200) r.warnings.push_back("Flash files are always written in UTF-8");
    const std::string xml = text(doc, ctx.settings, r.warnings);
    r.bytes.reserve(xml.size() + 3);
    r.bytes.assign({0xEF, 0xBB, 0xBF});
    const auto* data = reinterpret_cast<const std::uint8_t*>(xml.data());
    r.bytes.insert(r.bytes.end(), data, data + xml.size());  // one block copy
    if (ctx.settings.Get(keys::kRemoveBom)) RemoveBOM(r.bytes);
    return r;
  };
  f.read = [](std::span<const std::uint8_t> bytes, FormatContext& ctx) {
    ReadResult r;
    r.document = ReadTimedText(bytes, ctx.frameRateCode, r.warnings);
    return r;
  };
  f.sniff = [](std::span<const std::uint8_t> bytes) { return LooksLikeTimedText(bytes); };
  return f;
}

}  // namespace kipo
