// kipo import: reads a foreign subtitle file as the import dialog does.
#include <ostream>

#include "app/file_types.h"
#include "app/workstation.h"
#include "cli/cli.h"
#include "formats/registry.h"
#include "platform/text_util.h"

namespace kipo::cli {
namespace {

struct Options {
  std::string file, format, out, encoding, rate;
};

const ImportFormat* ResolveImport(const std::string& name) {
  if (const ImportFormat* f = FindImportFormat(name)) return f;
  std::string ext = ToUpperAscii(name);
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  for (const ImportFormat& f : ImportCatalogue())
    if (!f.fileType.empty() && f.fileType == ext) return &f;
  // A short name: the first row whose name starts with it ("SubRip", "WebVTT", "YouTube").
  for (const ImportFormat& f : ImportCatalogue())
    if (StartsWith(ToUpperAscii(f.name), ext)) return &f;
  return nullptr;
}

int RunImport(Context& ctx, const Options& o) {
  const ImportFormat* f = ResolveImport(o.format);
  if (!f) {
    ctx.err << "kipo import: unknown format '" << o.format << "' (see kipo formats)\n";
    return kExitError;
  }
  std::optional<TextEncoding> enc;
  if (!o.encoding.empty()) {
    enc = ParseTextEncoding(o.encoding);
    if (!enc) {
      ctx.err << "kipo import: unknown encoding '" << o.encoding << "' (use ansi, utf8 or utf16)\n";
      return kExitError;
    }
  }
  Workstation ws(ctx.settings, ctx.prompter);
  if (!o.rate.empty()) ws.session().SetFrameRate(ParseRateOption(o.rate));
  Warnings warnings = ws.exports().ImportFile(*f, o.file, enc);
  for (const std::string& w : warnings) ctx.err << "kipo import: warning: " << w << "\n";
  const SubtitleDocument& doc = ws.doc();
  ctx.out << o.file << ": " << doc.Count() << " subtitles at " << doc.frameRate().label();
  if (doc.Count())
    ctx.out << ", " << DigitsToLabel(doc.At(0).inCue) << " to " << DigitsToLabel(doc.At(doc.Count() - 1).outCue);
  ctx.out << "\n";
  if (!o.out.empty()) {
    FileContext fc{ctx.prompter, ctx.settings, doc.frameRate().code, -1};
    Warnings w = WriteDocumentFile(doc, o.out, fc);
    for (const std::string& m : w) ctx.err << "kipo import: warning: " << m << "\n";
    LogWarnings(ctx, "import", w);
    ctx.out << "Saved " << o.out << "\n";
  }
  return kExitOk;
}

Registrar reg(33, [](CLI::App& app) -> Handler {
  auto o = std::make_shared<Options>();
  auto* sub = app.add_subcommand("import", "Import a foreign subtitle file and save it as a Kipo document");
  sub->footer(
      "Examples:\n"
      "  kipo import film.srt --format \"SubRip SRT file\" -o film.kpox\n"
      "  kipo import film.vtt --format vtt --rate 23.976\n"
      "  kipo import old.sub --format MicroDVD --rate 25 -o old.kpox\n"
      "The format is a row of the import list (kipo formats --json, \"import\"), or its extension.");
  sub->add_option("file", o->file, "File to import")->required();
  sub->add_option("--format,-f", o->format, "Import format, e.g. \"SubRip SRT file\" or srt")->required();
  sub->add_option("-o,--output", o->out, "Save the imported document here (e.g. film.kpox)");
  sub->add_option("--encoding,-e", o->encoding, "ansi, utf8 or utf16 (default: detected)");
  sub->add_option("--rate,-r", o->rate, "Frame rate of the new document (default 25)");
  return [o](Context& ctx) { return RunImport(ctx, *o); };
});

}  // namespace
}  // namespace kipo::cli
