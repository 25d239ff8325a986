// kipo convert: quick conversion from the command line, by file extension.
#include <ostream>

#include "app/file_types.h"
#include "app/quick_convert.h"
#include "cli/cli.h"
#include "platform/text_util.h"

namespace kipo::cli {
namespace {

struct Options {
  std::vector<std::string> inputs;
  std::string out, to, rate, retime, offset, encoding;
};

int RunConvert(Context& ctx, const Options& o) {
  if (o.out.empty() && o.to.empty()) {
    ctx.err << "kipo convert: give -o OUT, --to EXT, or -o FOLDER with --to EXT\n";
    return kExitError;
  }
  ConvertOptions opts;
  if (!o.encoding.empty()) {
    auto e = ParseConvertEncoding(o.encoding);
    if (!e) {
      ctx.err << "kipo convert: unknown encoding '" << o.encoding << "' (use ansi, utf8, utf16 or same)\n";
      return kExitError;
    }
    opts.encoding = *e;
  }
  if (!o.rate.empty()) opts.frameRateCode = ParseRateOption(o.rate);
  if (!o.retime.empty()) opts.retimeRateCode = ParseRateOption(o.retime);
  if (!o.offset.empty()) {
    if (!ParseOffset(o.offset, *FrameRate::FromCode(25))) {
      ctx.err << "kipo convert: the offset '" << o.offset << "' is not HH:MM:SS:FF or a frame count\n";
      return kExitError;
    }
    opts.offset = o.offset;
  }
  std::string ext = ToLowerAscii(o.to);
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  if (!ext.empty()) {
    const FileType* t = FindFileType(ext);
    if (!t || !t->write) {
      ctx.err << "kipo convert: kipo cannot write ." << ext << " files (see kipo formats)\n";
      return kExitError;
    }
  }
  // Several inputs with -o: OUT is a folder, and each file keeps its name.
  std::filesystem::path outPath = o.out;
  bool outIsFolder = !o.out.empty() && (o.inputs.size() > 1 || std::filesystem::is_directory(outPath) ||
                                        o.out.back() == '/');
  if (outIsFolder && o.to.empty()) {
    ctx.err << "kipo convert: with several inputs, -o names a folder; give --to EXT for the format\n";
    return kExitError;
  }
  if (!outIsFolder && !o.out.empty() && !o.to.empty()) {
    ctx.err << "kipo convert: -o names a file here; its extension chooses the format (drop --to)\n";
    return kExitError;
  }
  if (outIsFolder) std::filesystem::create_directories(outPath);
  int failures = 0;
  std::vector<std::string> logged;  // for the warning list
  for (const std::string& in : o.inputs) {
    std::filesystem::path dest;
    if (!o.out.empty() && !outIsFolder) dest = outPath;
    else {
      dest = (outIsFolder ? outPath : std::filesystem::path(in).parent_path()) / std::filesystem::path(in).stem();
      dest += "." + ext;
    }
    if (std::filesystem::exists(dest) && std::filesystem::equivalent(dest, in)) {
      ctx.err << "kipo convert: " << in << ": the output would replace the input; use -o\n";
      ++failures;
      continue;
    }
    ConvertedFile r = ConvertFile(in, dest, opts, ctx.settings, ctx.prompter);
    if (!r.error.empty()) {
      ctx.err << "kipo convert: " << in << ": " << r.error << "\n";
      ++failures;
      continue;
    }
    ctx.out << in << " -> " << dest.string() << "\n";
    for (const std::string& w : r.warnings) {
      ctx.out << "  warning: " << w << "\n";
      logged.push_back(in + ": " + w);
    }
  }
  LogWarnings(ctx, "convert", logged);
  std::size_t done = o.inputs.size() - static_cast<std::size_t>(failures);
  ctx.out << QuickConvertEndMessage(done) << "\n";
  return failures ? kExitError : kExitOk;
}

Registrar reg(31, [](CLI::App& app) -> Handler {
  auto o = std::make_shared<Options>();
  auto* sub = app.add_subcommand("convert", "Convert subtitle files between formats, by file extension");
  sub->footer(
      "Examples:\n"
      "  kipo convert film.srt -o film.vtt\n"
      "  kipo convert *.srt --to vtt                    # each beside its input\n"
      "  kipo convert a.stl b.pac -o out/ --to srt --encoding utf8\n"
      "  kipo convert film.srt -o film.sub --rate 23.976 --offset -00:00:01:00\n"
      "  kipo convert film.txt -o film.stl --rate 29.97    # labels the cues as 29.97 fps\n"
      "  kipo convert film.kpox -o film.srt --retime-to 25 # moves every cue to 25 fps by real time\n"
      "Every file type of kipo formats is read and written by its extension.");
  sub->add_option("inputs", o->inputs, "Files to convert")->required();
  sub->add_option("-o,--output", o->out, "Output file, or a folder when there are several inputs");
  sub->add_option("--to,-t", o->to, "Extension of the output format (srt, vtt, sbv, sub, stl, pac, ...)");
  sub->add_option("--rate,-r", o->rate,
                  "Frame rate of the document: 23.976, 24, 25, 29.97, 30, ... Cue labels stay as they are; "
                  "files timed in milliseconds or frame counts are read at it (default: as read)");
  sub->add_option("--retime-to", o->retime,
                  "Re-time every cue to this frame rate by real time, so labels follow the new rate");
  sub->add_option("--offset", o->offset, "Add HH:MM:SS:FF (or -HH:MM:SS:FF, or frames) to every cue");
  sub->add_option("--encoding,-e", o->encoding, "ansi, utf8, utf16 or same (as the input); default: the format's");
  return [o](Context& ctx) { return RunConvert(ctx, *o); };
});

}  // namespace
}  // namespace kipo::cli
