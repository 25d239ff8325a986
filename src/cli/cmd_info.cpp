// kipo info: the document values and the extent of a subtitle file.
#include <iomanip>
#include <ostream>

#include "app/file_types.h"
#include "cli/cli.h"
#include "platform/encoding.h"
#include "platform/text_util.h"

namespace kipo::cli {
namespace {

std::string CueOrDash(const std::string& digits) { return digits.empty() ? "--:--:--:--" : DigitsToLabel(digits); }

int RunInfo(Context& ctx, const std::string& file) {
  FileContext fc{ctx.prompter, ctx.settings};
  LoadedDocument loaded = ReadDocumentFile(file, fc);
  for (const std::string& w : loaded.warnings) ctx.err << "kipo info: warning: " << w << "\n";
  const SubtitleDocument& d = loaded.doc;
  auto row = [&](const std::string& label, const std::string& value) {
    ctx.out << std::left << std::setw(16) << (label + ":") << value << "\n";
  };
  row("File", file);
  row("Type", loaded.typeName);
  row("Frame rate", d.frameRate().label() + (d.frameRate().dropFrame ? " (drop-frame)" : ""));
  row("Character set", std::to_string(d.characterSet()) + " (" + CodePageForCharset(d.characterSet()) + ")");
  row("Language id", std::to_string(d.languageId()));
  row("Subtitles", std::to_string(d.Count()));
  row("Current number", std::to_string(d.currentNumber()));
  row("First in cue", d.Count() ? CueOrDash(d.At(0).inCue) : "--:--:--:--");
  row("Last out cue", d.Count() ? CueOrDash(d.At(d.Count() - 1).outCue) : "--:--:--:--");
  std::string notes;
  for (const std::string& line : SplitLines(d.notes()))
    notes += (notes.empty() ? "" : "\n" + std::string(16, ' ')) + line;
  row("Notes", notes);
  for (const auto& [key, value] : d.properties()) row(key, value);
  return kExitOk;
}

Registrar reg(20, [](CLI::App& app) -> Handler {
  auto file = std::make_shared<std::string>();
  auto* sub = app.add_subcommand("info", "Show a subtitle file's frame rate, character set, extent and notes");
  sub->footer(
      "Examples:\n"
      "  kipo info examples/demo.kpox\n"
      "  kipo info reel2.kpo");
  sub->add_option("file", *file, "Subtitle file (.kpox, .kpo, .wsb, .txt, ...)")->required();
  return [file](Context& ctx) { return RunInfo(ctx, *file); };
});

}  // namespace
}  // namespace kipo::cli
