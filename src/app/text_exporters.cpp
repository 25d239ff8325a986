#include "app/text_exporters.h"

#include "formats/subrip_format.h"
#include "formats/text_cue_format.h"
#include "formats/webvtt_format.h"
#include "platform/encoding.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

// The text format behind an export row; nullptr for rows without a text writer.
const Format* TextFormatOf(std::string_view name) {
  const ExportFormat* row = FindExportFormat(name);
  const Format* f = row ? FormatOf(*row) : nullptr;
  return f && f->cueText ? f : nullptr;
}

// The format of a row written as bytes of its own (a presentation), not as text.
const Format* BinaryFormatOf(std::string_view name) {
  const ExportFormat* row = FindExportFormat(name);
  const Format* f = row ? FormatOf(*row) : nullptr;
  return f && f->write && !f->cueText && !row->ownWindow ? f : nullptr;
}

}  // namespace

SubRipOptions LoadSubRipOptions(const SettingsStore& s) { return SubRipOptionTable().Load(s); }
void SaveSubRipOptions(SettingsStore& s, const SubRipOptions& o) { SubRipOptionTable().Save(s, o); }
WebVttOptions LoadWebVttOptions(const SettingsStore& s) { return WebVttOptionTable().Load(s); }
void SaveWebVttOptions(SettingsStore& s, const WebVttOptions& o) { WebVttOptionTable().Save(s, o); }

std::vector<std::string> ExportOptionKeys(std::string_view name) {
  const ExportFormat* row = FindExportFormat(name);
  const Format* f = row ? FormatOf(*row) : nullptr;
  return f && f->options.names ? f->options.names() : std::vector<std::string>{};
}

bool SetExportOption(SettingsStore& s, std::string_view name, std::string_view key, std::string_view value) {
  const ExportFormat* row = FindExportFormat(name);
  const Format* f = row ? FormatOf(*row) : nullptr;
  return f && f->options.setFromText && f->options.setFromText(s, key, value);
}

bool HasTextExporter(std::string_view name) { return TextFormatOf(name) || BinaryFormatOf(name); }

bool HasExporter(std::string_view name) {
  const ExportFormat* row = FindExportFormat(name);
  const Format* f = row ? FormatOf(*row) : nullptr;
  return f && (f->cueText || f->exportTo || f->write);
}

std::string ExportText(const ExportFormat& row, const SubtitleDocument& doc, const SettingsStore& settings,
                       Warnings& warnings) {
  const Format* f = TextFormatOf(row.name);
  if (!f) throw UserError(kAppTitle, NotAvailableText(row.name));
  return f->cueText(doc, settings, warnings);
}

std::string AnsiCodePageOf(const SubtitleDocument& doc) { return CodePageForCharset(doc.characterSet()); }

Bytes ExportBytes(const ExportFormat& row, const SubtitleDocument& doc, const SettingsStore& settings,
                  TextEncoding encoding, Warnings& warnings, Prompter* prompter) {
  const ExportFormat* own = FindExportFormat(row.name);
  const Format* ownFormat = own ? FormatOf(*own) : nullptr;
  // A row with a window of its own (Ultech) is written the same way when asked without it.
  const Format* b = BinaryFormatOf(row.name);
  if (!b && ownFormat && ownFormat->write && !ownFormat->cueText) b = ownFormat;
  if (b) {
    SilentPrompter silent;
    FormatContext ctx{prompter ? *prompter : silent, settings};
    ctx.frameRateCode = doc.frameRate().code;
    WriteResult r = b->write(doc, ctx);
    warnings.insert(warnings.end(), r.warnings.begin(), r.warnings.end());
    return std::move(r.bytes);
  }
  const Format* f = TextFormatOf(row.name);
  if (!f) throw UserError(kAppTitle, NotAvailableText(row.name));
  if (!f->cueText) {
    // Byte-coded files (captions) are written whole by their format, in their own encoding.
    SilentPrompter silent;
    FormatContext ctx{prompter ? *prompter : silent, settings};
    ctx.frameRateCode = doc.frameRate().code;
    WriteResult r = f->write(doc, ctx);
    warnings.insert(warnings.end(), r.warnings.begin(), r.warnings.end());
    return std::move(r.bytes);
  }
  WriteResult r = EncodeCueText(*f, doc, settings, encoding);
  warnings.insert(warnings.end(), r.warnings.begin(), r.warnings.end());
  return std::move(r.bytes);
}

int ExportFilterIndex(const ExportFormat& row, const SettingsStore& settings) {
  const Format* f = FormatOf(row);
  return f && f->filterIndexSetting ? static_cast<int>(settings.Get(*f->filterIndexSetting)) : 1;
}

void StoreExportFilterIndex(const ExportFormat& row, SettingsStore& settings, int filterIndex) {
  const Format* f = FormatOf(row);
  if (f && f->filterIndexSetting) settings.Set(*f->filterIndexSetting, filterIndex);
}

TextEncoding DefaultExportEncoding(const ExportFormat& row, const SettingsStore& settings) {
  if (const Format* f = FormatOf(row); f && f->traits.alwaysUtf8) return TextEncoding::Utf8;
  return row.EncodingAt(ExportFilterIndex(row, settings));
}

std::string ExportPreview(const ExportFormat& row) {
  if (!row.hasPreview || !HasTextExporter(row.name)) return kNoPreview;
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
  return ExportText(row, sample, defaults, ignored);
}

}  // namespace kipo
