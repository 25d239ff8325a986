#include "app/text_exporters.h"

#include "formats/exchange/microdvd.h"
#include "formats/exchange/sbv.h"
#include "platform/encoding.h"
#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

constexpr const char* kExport = "Export";

long ToLong(std::string_view v, long def) {
  long n = 0;
  return ParseInt(Trim(v), n) ? n : def;
}

bool ToFlag(std::string_view v) {
  auto b = ParseBool(Trim(v));
  return b.value_or(false);
}

}  // namespace

SubRipOptions LoadSubRipOptions(const SettingsStore& s) {
  SubRipOptions o;
  o.tags = s.GetInt("SRT", "Tags", 0) != 0;
  // The main window's subtitle font is the default of the font tag.
  o.fontName = s.Get("SRT", "Font name", s.Get("Display Settings", "Font name", "Arial"));
  o.fontSizeIndex = static_cast<int>(s.GetInt("SRT", "Font size", 6));
  o.bold = static_cast<int>(s.GetInt("SRT", "Bold", 0));
  o.border = static_cast<int>(s.GetInt("SRT", "Border", 1));
  o.blur = static_cast<int>(s.GetInt("SRT", "Blur", 1));
  o.shadow = static_cast<int>(s.GetInt("SRT", "Shadow", 1));
  return o;
}

void SaveSubRipOptions(SettingsStore& s, const SubRipOptions& o) {
  SettingsStore::Batch batch(s);
  s.SetInt("SRT", "Tags", o.tags ? 1 : 0);
  s.Set("SRT", "Font name", o.fontName);
  s.SetInt("SRT", "Font size", o.fontSizeIndex);
  s.SetInt("SRT", "Bold", o.bold);
  s.SetInt("SRT", "Border", o.border);
  s.SetInt("SRT", "Blur", o.blur);
  s.SetInt("SRT", "Shadow", o.shadow);
}

WebVttOptions LoadWebVttOptions(const SettingsStore& s) {
  WebVttOptions o;
  o.movieName = s.Get(kExport, "WebVTT movie name", "");
  o.includePositioning = s.GetCheck(kExport, "WebVTT include positioning", true);
  o.includeComments = s.GetCheck(kExport, "WebVTT include comments", false);
  // The subtitle font of the display settings; the display format index picks the width.
  o.font.family = s.Get("Display Settings", "Font name", "Arial");
  o.font.pixelSize = static_cast<double>(s.GetInt("Display Settings", "Font size", 40));
  o.font.bold = EqualsIgnoreCase(s.Get("Display Settings", "Font weight", "Normal"), "Bold");
  o.frameWidth = DisplayFormatWidth(static_cast<int>(s.GetInt("Display Settings", "Video format", 0)));
  return o;
}

void SaveWebVttOptions(SettingsStore& s, const WebVttOptions& o) {
  SettingsStore::Batch batch(s);
  s.Set(kExport, "WebVTT movie name", o.movieName);
  s.SetCheck(kExport, "WebVTT include positioning", o.includePositioning);
  s.SetCheck(kExport, "WebVTT include comments", o.includeComments);
}

std::vector<std::string> ExportOptionKeys(std::string_view name) {
  if (name == "SubRip") return {"Tags", "Font name", "Font size", "Bold", "Border", "Blur", "Shadow"};
  if (name == "WebVTT") return {"WebVTT movie name", "WebVTT include positioning", "WebVTT include comments"};
  return {};
}

bool SetExportOption(SettingsStore& s, std::string_view name, std::string_view key, std::string_view value) {
  for (const std::string& k : ExportOptionKeys(name)) {
    if (!EqualsIgnoreCase(k, key)) continue;
    if (name == "SubRip") {
      if (k == "Font name") s.Set("SRT", k, value);
      else if (k == "Tags") s.SetInt("SRT", k, ToFlag(value) ? 1 : 0);
      else s.SetInt("SRT", k, ToLong(value, 0));
    } else if (k == "WebVTT movie name") {
      s.Set(kExport, k, value);
    } else {
      s.SetCheck(kExport, k, ToFlag(value));
    }
    return true;
  }
  return false;
}

bool HasTextExporter(std::string_view name) {
  return name == "SubRip" || name == "WebVTT" || name == "YouTube" || name == "MicroDVD";
}

std::string ExportText(const ExportFormat& f, const SubtitleDocument& doc, const SettingsStore& settings,
                       Warnings& warnings) {
  if (f.name == "SubRip") return WriteSubRip(doc, LoadSubRipOptions(settings), warnings);
  if (f.name == "WebVTT") return WriteWebVtt(doc, LoadWebVttOptions(settings), warnings);
  if (f.name == "YouTube") return WriteSbv(doc, warnings);
  if (f.name == "MicroDVD") return WriteMicroDvd(doc, warnings);
  throw UserError(kAppTitle, NotAvailableText(f.name));
}

std::string AnsiCodePageOf(const SubtitleDocument& doc) { return CodePageForCharset(doc.characterSet()); }

Bytes ExportBytes(const ExportFormat& f, const SubtitleDocument& doc, const SettingsStore& settings,
                  TextEncoding encoding, Warnings& warnings) {
  std::string text = ExportText(f, doc, settings, warnings);
  std::string cp = AnsiCodePageOf(doc);
  TextFileWriter writer(encoding, cp);
  writer.Write(text);
  std::vector<char32_t> lost;
  Bytes bytes = writer.Close(&lost);
  if (!lost.empty()) warnings.push_back(UnmappableWarning(lost, cp));
  if (encoding != TextEncoding::Ansi && settings.GetBool(kExport, "Remove BOM", false)) RemoveBOM(bytes);
  return bytes;
}

TextEncoding DefaultExportEncoding(const ExportFormat& f, const SettingsStore& settings) {
  int index = f.name == "SubRip" ? static_cast<int>(settings.GetInt("SRT", "Filter index", 3)) : 1;
  return f.EncodingAt(index);
}

std::string ExportPreview(const ExportFormat& f) {
  if (!f.hasPreview || !HasTextExporter(f.name)) return kNoPreview;
  SubtitleDocument sample;
  Subtitle a;
  a.inCue = "00102309";
  a.outCue = "00102614";
  a.text = "Sample two line\r\nsubtitle text";
  Subtitle b = a;
  b.inCue = "00102700";
  b.outCue = "00103012";
  sample.Append(a);
  sample.Append(b);
  SettingsStore defaults;
  Warnings ignored;
  WebVttOptions vtt = LoadWebVttOptions(defaults);
  if (f.name == "WebVTT") return WriteWebVtt(sample, vtt, ignored);
  return ExportText(f, sample, defaults, ignored);
}

}  // namespace kipo
