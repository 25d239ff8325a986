// Scantitling 890: cues as frame counts without a rate of their own.
#include "formats/broadcast/long_lines.h"
#include "formats/broadcast/scan890.h"
#include "formats/format_rows.h"
#include "settings/house_options.h"
#include "settings/keys.h"

namespace kipo {
namespace {

// -1 picks the font of the document's character set.
constexpr IntSetting kFontChoice{keys::kOptions, "890 font", -1, 0, 8};

}  // namespace

Format MakeScan890Format() {
  Format f;
  f.id = "scan890";
  f.name = "Scantitling 890";
  f.extensions = {"890"};
  f.fileType = FileTypeRow{"890", "Scantitling Files (*.890)", 4, "*.890", 5, 5};
  f.convert = MakeConvertTarget(11, "Scantitling 890", "Scantitling 890", "", "890", "890", "", "Scantitling 890");
  f.read = [](std::span<const std::uint8_t> bytes, FormatContext& ctx) {
    // The file counts frames without naming a rate: the caller's rate (kipo convert --rate)
    // turns them into labels, 25 fps otherwise.
    Scan890ReadOptions o;
    if (ctx.frameRateCode > 0) o.frameRateCode = ctx.frameRateCode;
    ReadResult r;
    r.document = Read890(bytes, o, r.warnings);
    ctx.newEditAreaWidth =
        AskToWidenEditArea(r.document, HouseOptions::Load(ctx.settings).maxRowLength, ctx.prompter);
    return r;
  };
  f.write = [](const SubtitleDocument& doc, FormatContext& ctx) {
    Scan890WriteOptions o;
    o.font = static_cast<int>(ctx.settings.Get(kFontChoice));
    o.created = Scan890Now();
    WriteResult r;
    r.bytes = Write890(doc, o, r.warnings);
    return r;
  };
  return f;
}

}  // namespace kipo
