// kipo list: one line per subtitle with its cues, duration and text.
#include <nlohmann/json.hpp>
#include <ostream>

#include "app/file_types.h"
#include "cli/cli.h"
#include "platform/text_util.h"

namespace kipo::cli {
namespace {

struct Options {
  std::string file;
  long from = 1;
  long to = 0;  // 0: to the end
  bool json = false;
};

int RunList(Context& ctx, const Options& o) {
  FileContext fc{ctx.prompter, ctx.settings};
  LoadedDocument loaded = ReadDocumentFile(o.file, fc);
  for (const std::string& w : loaded.warnings) ctx.err << "kipo list: warning: " << w << "\n";
  const SubtitleDocument& d = loaded.doc;
  const long count = static_cast<long>(d.Count());
  const long first = std::max(o.from, 1L);
  const long last = o.to > 0 ? std::min(o.to, count) : count;
  nlohmann::json array = nlohmann::json::array();
  for (long n = first; n <= last; ++n) {
    const Subtitle& s = d.At(static_cast<std::size_t>(n - 1));
    std::string in = s.inCue.empty() ? "--:--:--:--" : DigitsToLabel(s.inCue);
    std::string out = s.outCue.empty() ? "--:--:--:--" : DigitsToLabel(s.outCue);
    // A negative duration shows as "-".
    std::string duration = DurationLabel(s.inCue, s.outCue, d.frameRate()).value_or("-");
    std::vector<std::string> rows = SplitRows(s.text);
    if (o.json) {
      array.push_back({{"number", n}, {"in", s.inCue.empty() ? "" : in}, {"out", s.outCue.empty() ? "" : out},
                       {"duration", duration}, {"rows", rows}});
      continue;
    }
    std::string text;
    for (const std::string& r : rows) text += (text.empty() ? "" : " | ") + r;
    ctx.out << ZeroPad(n, 4) << "  " << in << "  " << out << "  " << duration << "  " << text << "\n";
  }
  if (o.json) ctx.out << array.dump(2) << "\n";
  return kExitOk;
}

Registrar reg(21, [](CLI::App& app) -> Handler {
  auto o = std::make_shared<Options>();
  auto* sub = app.add_subcommand("list", "List the subtitles of a file: number, in, out, duration, text");
  sub->footer(
      "Examples:\n"
      "  kipo list examples/demo.kpox --to 5\n"
      "  kipo list reel2.kpo --from 100 --to 120 --json\n"
      "Rows of a subtitle are joined with \" | \"; a cue that is not set shows --:--:--:--.");
  sub->add_option("file", o->file, "Subtitle file")->required();
  sub->add_option("--from", o->from, "First subtitle number (from 1)")->check(CLI::PositiveNumber);
  sub->add_option("--to", o->to, "Last subtitle number")->check(CLI::PositiveNumber);
  sub->add_flag("--json", o->json, "Print a JSON array instead of text lines");
  return [o](Context& ctx) { return RunList(ctx, *o); };
});

}  // namespace
}  // namespace kipo::cli
