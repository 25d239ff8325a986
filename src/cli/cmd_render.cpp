// kipo render: subtitle pictures and the script of a DVD or Blu-ray authoring target, or a
// preview picture of one subtitle.
#include <unistd.h>

#include <iostream>
#include <mutex>
#include <ostream>

#include "app/file_types.h"
#include "cli/cli.h"
#include "imaging/bitmap_export.h"
#include "imaging/display_format.h"
#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo::cli {
namespace {

struct Options {
  std::string file, target, out, picture, size, settingsFile, rate;
  std::vector<std::string> options, fontFiles;
  int preview = 0, from = 0, to = 0;
  unsigned threads = 0;
};

int Fail(Context& ctx, const std::string& text) {
  ctx.err << "kipo render: " << text << "\n";
  return kExitError;
}

int RunRender(Context& ctx, const Options& o) {
  // The stored "DVD" settings, a settings file, then the flags: for this run only.
  DvdOptions opts = DvdOptionTable().Load(ctx.settings);
  if (!o.settingsFile.empty()) opts = LoadDvdSettingsFile(o.settingsFile);
  if (!o.target.empty()) {
    auto t = AuthoringTargetFromText(o.target);
    if (!t) {
      std::string names;
      for (const std::string& n : AuthoringTargetNames()) names += "\n  " + n;
      return Fail(ctx, "unknown target '" + o.target + "'; the targets are:" + names);
    }
    opts.targetSystem = static_cast<int>(*t);
    opts.scriptExtension = std::string(DefaultScriptExtension(*t));
    if (NeedsPng(*t) && !IsPng(opts.picture())) opts.pictureFormat = static_cast<int>(PictureFormat::Png32);
  }
  if (!o.picture.empty()) {
    PictureFormat pf;
    if (!PictureFormatFromName(o.picture, pf)) {
      std::string names;
      for (const std::string& n : PictureFormatNames()) names += (names.empty() ? "" : ", ") + n;
      return Fail(ctx, "unknown picture format '" + o.picture + "' (" + names + ")");
    }
    opts.pictureFormat = static_cast<int>(pf);
  }
  if (!o.size.empty() && !opts.SetSizeText(o.size)) return Fail(ctx, "--size takes WIDTHxHEIGHT, e.g. 1920x1080");
  if (!o.size.empty() && opts.baseline > opts.bitmapHeight - 10 && opts.bitmapHeight > 100)
    opts.baseline = opts.bitmapHeight * 15 / 16;  // a baseline left from a smaller frame
  if (!o.options.empty()) {
    SettingsStore s;
    DvdOptionTable().Save(s, opts);
    for (const std::string& kv : o.options) {
      std::size_t eq = kv.find('=');
      if (eq == std::string::npos || !DvdOptionTable().SetFromText(s, kv.substr(0, eq), kv.substr(eq + 1))) {
        if (eq != std::string::npos && DvdOptionTable().Knows(kv.substr(0, eq)))
          return Fail(ctx, "option '" + kv.substr(0, eq) + "' does not take '" + kv.substr(eq + 1) + "'");
        std::string keys;
        for (const std::string& k : DvdOptionTable().Names()) keys += (keys.empty() ? "" : ", ") + k;
        return Fail(ctx, "no option '" + kv + "' (options: " + keys + ")");
      }
    }
    opts = DvdOptionTable().Load(s);
  }

  FileContext fc{ctx.prompter, ctx.settings, o.rate.empty() ? 0 : ParseRateOption(o.rate), -1};
  LoadedDocument loaded = ReadDocumentFile(o.file, fc);
  for (const std::string& w : loaded.warnings) ctx.err << "kipo render: " << o.file << ": " << w << "\n";
  const SubtitleDocument& doc = loaded.doc;
  const int count = static_cast<int>(doc.Count());

  if (o.preview > 0) {
    if (o.preview > count) return Fail(ctx, "there is no subtitle " + std::to_string(o.preview) + " (the file has " + std::to_string(count) + ")");
    if (o.out.empty()) return Fail(ctx, "--preview needs -o FILE.png");
    RenderStyle style = opts.Style();
    style.fontFiles = o.fontFiles;
    style.background.a = 255;  // the preview shows the subtitle on its background
    SubtitleRenderer r(style, opts.Layout());
    RenderResult res = r.Render(doc.Subtitles()[o.preview - 1], o.preview);
    for (const RenderMessage& m : res.messages) ctx.out << m.text << "\n";
    SavePicture(o.out, res.picture, PictureFormat::Png32, opts.Palette());
    ctx.out << o.out << " (" << res.picture.width() << "x" << res.picture.height() << ")\n";
    return kExitOk;
  }

  if (o.out.empty()) return Fail(ctx, "give the export folder with -o DIR");
  const int first = o.from > 0 ? o.from : 1, last = o.to > 0 ? std::min(o.to, count) : count;
  DvdValidation v = ValidateDvdOptions(opts, first, last);
  if (!v.ok()) {
    if (!v.question) return Fail(ctx, v.message);
    if (ctx.prompter.Ask({"", v.message, Buttons::YesNo, Icon::Question}) != Answer::Yes) return kExitError;
  }
  if (IsHighDefinition(opts.target())) {
    std::string bad = CheckHdCues(doc, first, last);
    if (!bad.empty()) return Fail(ctx, bad);
  }
  BitmapExportRequest req;
  req.options = opts;
  req.fontFiles = o.fontFiles;
  req.document = doc;
  req.first = first;
  req.last = last;
  req.folder = o.out;

  // A progress line on a terminal only.
  const bool terminal = &ctx.err == &std::cerr && isatty(STDERR_FILENO);
  std::mutex m;
  JobObserver obs;
  if (terminal)
    obs.onProgress = [&](const JobProgress& p) {
      std::lock_guard lock(m);
      ctx.err << "\rRendering " << p.done << " of " << p.total << std::flush;
    };
  WorkerPool pool(o.threads);
  BitmapExportResult res = BitmapExport::Run(std::move(req), pool, obs);
  if (terminal) ctx.err << "\r\033[K";
  for (const std::string& line : res.log) ctx.out << line << "\n";
  if (!res.script.empty()) ctx.out << res.script.string() << " (" << AuthoringTargetName(opts.target()) << ", "
                                   << res.entries.size() << " subtitles, " << res.picturesWritten << " pictures)\n";
  return res.warnings > 0 ? kExitFindings : kExitOk;
}

Registrar reg(95, [](CLI::App& app) -> Handler {
  auto o = std::make_shared<Options>();
  auto* sub = app.add_subcommand("render", "Render subtitle pictures and the script of a DVD or Blu-ray authoring target");
  sub->footer(
      "Examples:\n"
      "  kipo render film.kpox --target \"Sonic Scenarist\" -o dvd/\n"
      "  kipo render film.srt --target \"Blu-ray BDN XML\" --size 1920x1080 -o bluray/ --option Baseline=1020\n"
      "  kipo render film.stl --target \"Spruce Maestro\" --picture \"24-bit BMP\" -o spruce/ --font-file DejaVuSans.ttf\n"
      "  kipo render film.kpox --preview 12 -o preview.png\n"
      "The settings are those of the bitmap export window (section DVD); --settings loads a .dvd file and\n"
      "--option KEY=VALUE changes one key (e.g. \"Antialias type=6\", Border=2) for this run only.\n"
      "Exit status 1 means the export finished with warnings (see the log).");
  sub->add_option("file", o->file, "Subtitle file (any type kipo reads)")->required();
  sub->add_option("--target,-t", o->target, "Authoring target by name or number (default: the stored one)");
  sub->add_option("-o,--output", o->out, "Export folder; with --preview, the PNG file");
  sub->add_option("--picture,-p", o->picture, "Picture format: \"8-bit BMP\", \"24-bit BMP\", \"8-bit TIFF\", \"24-bit TIFF\", \"8-bit PNG\", \"32-bit PNG\"");
  sub->add_option("--size,-s", o->size, "Frame size WIDTHxHEIGHT (720x576, 1920x1080, ...)");
  sub->add_option("--option", o->options, "KEY=VALUE: one of the DVD settings (repeatable)");
  sub->add_option("--settings", o->settingsFile, "A .dvd settings file to start from");
  sub->add_option("--font-file", o->fontFiles, "Render with only these font files (repeatable)");
  sub->add_option("--preview", o->preview, "Render subtitle N alone as a PNG picture")->check(CLI::PositiveNumber);
  sub->add_option("--from", o->from, "First subtitle number")->check(CLI::PositiveNumber);
  sub->add_option("--to", o->to, "Last subtitle number")->check(CLI::PositiveNumber);
  sub->add_option("--threads", o->threads, "Worker threads (default: one per core)");
  sub->add_option("--rate,-r", o->rate, "Frame rate for inputs timed in milliseconds (default 25)");
  return [o](Context& ctx) { return RunRender(ctx, *o); };
});

}  // namespace
}  // namespace kipo::cli
