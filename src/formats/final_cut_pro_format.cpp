// Final Cut Pro XML interchange files of text subtitles.
#include "formats/exchange/final_cut_pro.h"
#include "formats/exchange/text_encoding.h"
#include "formats/format_rows.h"
#include "formats/script_format.h"
#include "platform/encoding.h"
#include "settings/keys.h"

namespace kipo {
namespace {

// True when the ANSI code page writes every byte the file can hold (tab, line ends and
// printable ASCII) as itself.
bool KeepsTheFileAsItIs(const std::string& codePage) {
  std::string ascii = "\t\r\n";
  for (char c = 0x20; c < 0x7F; ++c) ascii += c;
  std::vector<char32_t> lost;
  const Bytes bytes = EncodeText(ascii, TextEncoding::Ansi, codePage, &lost);
  return lost.empty() && bytes.size() == ascii.size() && std::equal(bytes.begin(), bytes.end(), ascii.begin());
}

}  // namespace

Format MakeFinalCutProFormat() {
  Format f;
  f.id = "final-cut-pro";
  f.name = "Final Cut Pro";
  f.extensions = {"xml"};
  f.fileType = FileTypeRow{"FCPXML", "Final Cut Pro XML file", 0, "", 0, 0};
  f.exportRow = MakeExportRow(36, "Final Cut Pro", "DVD/Blu-ray", "XML", "ExportFCPXML",
                              "Final Cut Pro XML Files (*.xml)|*.xml", "Export Final Cut Pro XML file", "", "");
  f.convert = MakeConvertTarget(7, "Final Cut Pro XML", "Final Cut Pro XML", "Final Cut Pro", "", "xml", "fcp",
                                "Final Cut Pro");
  f.traits.keepsItalics = false;
  f.traits.keepsWholeItalics = true;
  f = ScriptFormat(
      std::move(f),
      [](std::string_view text, const FrameRate& rate, const SettingsStore&, Warnings& w) {
        return ReadFinalCutPro(text, rate, w);
      },
      [](const SubtitleDocument& doc, const SettingsStore&, Warnings& w) { return WriteFinalCutPro(doc, {}, w); });
  // The file is ASCII: in UTF-8, and in an ANSI code page that keeps ASCII, it is written
  // as its bytes in one pass instead of as text encoded afterwards (66 MiB for 32,767
  // subtitles). Other encodings go the way every text format goes.
  f.write = [general = f.write, row = *f.exportRow, filterIndex = f.filterIndexSetting](const SubtitleDocument& doc,
                                                                                       FormatContext& ctx) {
    Warnings before;
    const TextEncoding e = WriteEncoding(row, filterIndex, ctx, before);
    if (e == TextEncoding::Utf16 ||
        (e == TextEncoding::Ansi && !KeepsTheFileAsItIs(CodePageForCharset(doc.characterSet()))))
      return general(doc, ctx);
    WriteResult r;
    r.warnings = std::move(before);
    r.bytes = WriteFinalCutProBytes(doc, {}, r.warnings, e == TextEncoding::Utf8 && !ctx.settings.Get(keys::kRemoveBom));
    return r;
  };
  return f;
}

}  // namespace kipo
