// kipo export: writes a subtitle file in one of the export catalogue's formats.
#include <ostream>

#include "app/file_types.h"
#include "app/text_exporters.h"
#include "app/workstation.h"
#include "cli/cli.h"
#include "formats/custom_text_format.h"
#include "formats/registry.h"
#include "platform/files.h"
#include "platform/text_util.h"

namespace kipo::cli {
namespace {

struct Options {
  std::string file, format, out, encoding, rate, templateFile;
  std::vector<std::string> options;
};

// A catalogue row by its name (any case), its position, or the extension it writes.
const ExportFormat* ResolveFormat(const std::string& name) {
  if (const ExportFormat* f = FindExportFormat(name)) return f;
  long pos = 0;
  if (ParseInt(name, pos)) return ExportFormatAt(static_cast<int>(pos));
  std::string ext = ToLowerAscii(name);
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  for (const ExportFormat& f : ExportCatalogue())
    if (f.defaultExt == ext && HasTextExporter(f.name)) return &f;
  return nullptr;
}

int RunExport(Context& ctx, const Options& o) {
  const ExportFormat* f = ResolveFormat(o.format);
  if (!f) {
    ctx.err << "kipo export: unknown format '" << o.format << "' (see kipo formats)\n";
    return kExitError;
  }
  if (!HasExporter(f->name)) {
    ctx.err << "kipo export: " << NotAvailableText(f->name) << "\n";
    return kExitError;
  }
  // Options given here apply to this export only; the user's stored options stay.
  SettingsStore settings;
  settings.Parse(ctx.settings.Serialise());
  const bool customText = f->name == kCustomTextName;
  if (!o.templateFile.empty()) {
    if (!customText) {
      ctx.err << "kipo export: --template is for the " << kCustomTextName << " only\n";
      return kExitError;
    }
    // The template's layout first; --option and --encoding change it from there.
    SaveCustomTextOptions(settings, ReadCustomTemplate(ReadFileBytes(o.templateFile, 1 << 20)));
  }
  for (const std::string& kv : o.options) {
    std::size_t eq = kv.find('=');
    if (eq == std::string::npos || !SetExportOption(settings, f->name, kv.substr(0, eq), kv.substr(eq + 1))) {
      std::string keys;
      bool known = false;
      for (const std::string& k : ExportOptionKeys(f->name)) {
        keys += (keys.empty() ? "" : ", ") + k;
        known = known || (eq != std::string::npos && EqualsIgnoreCase(k, kv.substr(0, eq)));
      }
      if (known) {
        ctx.err << "kipo export: " << f->name << " option '" << kv.substr(0, eq) << "' does not take '"
                << kv.substr(eq + 1) << "'\n";
        return kExitError;
      }
      ctx.err << "kipo export: " << f->name << " has no option '" << kv << "'"
              << (keys.empty() ? std::string(" (it has none)") : " (options: " + keys + ")") << "\n";
      return kExitError;
    }
  }
  TextEncoding enc = DefaultExportEncoding(*f, settings);
  if (!o.encoding.empty()) {
    auto e = ParseTextEncoding(o.encoding);
    if (!e) {
      ctx.err << "kipo export: unknown encoding '" << o.encoding << "' (use ansi, utf8 or utf16)\n";
      return kExitError;
    }
    enc = *e;
    if (customText) settings.Set(kCustomTextEncoding, *e == TextEncoding::Utf8 ? 1 : *e == TextEncoding::Utf16 ? 2 : 0);
  }
  // The custom text layout writes in the encoding of its own options.
  const TextEncoding written = customText ? CustomTextEncoding(LoadCustomTextOptions(settings).encoding) : enc;
  if (customText) enc = DefaultExportEncoding(*f, settings);
  FileContext fc{ctx.prompter, settings, o.rate.empty() ? 0 : ParseRateOption(o.rate), -1};
  LoadedDocument loaded = ReadDocumentFile(o.file, fc);
  for (const std::string& w : loaded.warnings) ctx.err << "kipo export: " << o.file << ": " << w << "\n";
  std::filesystem::path out = o.out;
  if (out.empty()) out = std::filesystem::path(o.file).replace_extension(f->defaultExt);
  if (std::filesystem::weakly_canonical(out) == std::filesystem::weakly_canonical(o.file)) {
    ctx.err << "kipo export: the output would replace the input; give -o\n";
    return kExitError;
  }
  Workstation ws(settings, ctx.prompter);
  ws.session().ReplaceDocument(std::move(loaded.doc));
  Warnings warnings = ws.exports().ExportToFile(*f, out, enc);
  for (const std::string& w : warnings) ctx.err << "kipo export: warning: " << w << "\n";
  LogWarnings(ctx, "export", warnings);
  ctx.out << out.string() << " (" << f->name << ", " << TextEncodingName(written) << ", " << ws.doc().Count()
          << " subtitles)\n";
  return kExitOk;
}

Registrar reg(32, [](CLI::App& app) -> Handler {
  auto o = std::make_shared<Options>();
  auto* sub = app.add_subcommand("export", "Export a subtitle file into a format of the export catalogue");
  sub->footer(
      "Examples:\n"
      "  kipo export film.kpox --format SubRip --encoding utf8\n"
      "  kipo export film.srt --format WebVTT -o film.vtt --option \"WebVTT movie name=Film\"\n"
      "  kipo export film.stl --format SubRip --option Tags=1 --option \"Font name=DejaVu Sans\"\n"
      "  kipo export film.kpox --format \"Custom text format\" --template layout.ctf --option \"TC format=4\" -o film.txt\n"
      "The format is a name from kipo formats (any case), its number, or an extension (srt, vtt, sbv, sub).\n"
      "Options are the format's settings keys; they apply to this export only.");
  sub->add_option("file", o->file, "Subtitle file to export (any type kipo reads)")->required();
  sub->add_option("--format,-f", o->format, "Export format, e.g. SubRip, WebVTT, YouTube, MicroDVD")->required();
  sub->add_option("-o,--output", o->out, "Output file (default: the input with the format's extension)");
  sub->add_option("--encoding,-e", o->encoding, "ansi, utf8 or utf16 (default: the format's own)");
  sub->add_option("--option", o->options, "KEY=VALUE: one of the format's options (repeatable)");
  sub->add_option("--template", o->templateFile, "Custom text format: a layout template (.ctf) to start from");
  sub->add_option("--rate,-r", o->rate, "Frame rate for inputs timed in milliseconds (default 25)");
  return [o](Context& ctx) { return RunExport(ctx, *o); };
});

}  // namespace
}  // namespace kipo::cli
