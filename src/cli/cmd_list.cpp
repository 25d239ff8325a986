// kipo list: one line per subtitle with its cues, duration and text; --json gives every
// field of each subtitle.
#include <nlohmann/json.hpp>
#include <ostream>

#include "app/file_types.h"
#include "cli/clean_report.h"
#include "cli/cli.h"
#include "core/rich_text.h"
#include "platform/text_util.h"

namespace kipo::cli {
namespace {

struct Options {
  std::string file;
  long from = 1;
  long to = 0;  // 0: to the end
  bool json = false;
};

const char* AlignmentName(int alignment) {
  switch (alignment) {
    case AlignCentre: return "centre";
    case AlignLeft: return "left";
    case AlignRight: return "right";
    case AlignCentreLeft: return "centre-left";
    default: return "";
  }
}

// One entry per row of the text: the row's colour by name and its alignment (0: the
// subtitle's own), read from the stored per-row digits.
nlohmann::ordered_json RowDetails(const Subtitle& s, const std::vector<std::string>& rows) {
  nlohmann::ordered_json out = nlohmann::ordered_json::array();
  for (std::size_t r = 0; r < rows.size(); ++r) {
    auto digit = [r](const std::string& flags) { return r < flags.size() && flags[r] >= '0' ? flags[r] - '0' : 0; };
    out.push_back({{"colour", ColourName(static_cast<char>(digit(s.rowColours)))},
                   {"alignment", digit(s.rowAlignments)}});
  }
  return out;
}

nlohmann::ordered_json SubtitleJson(long number, const Subtitle& s, const std::string& duration) {
  const std::vector<std::string> rows = SplitRows(s.text);
  nlohmann::ordered_json j;
  j["number"] = number;
  j["in"] = s.inCue.empty() ? "" : DigitsToLabel(s.inCue);
  j["out"] = s.outCue.empty() ? "" : DigitsToLabel(s.outCue);
  j["duration"] = duration;
  j["rows"] = rows;
  j["text"] = s.text;
  // What the screen shows: no markup, and the characters a file brought in as plain ones
  // ("[door creaks]", "<3") as themselves rather than their private-use stand-ins.
  j["plain"] = RichText::Parse(s.text).PlainText();
  j["comment"] = s.comment;
  j["alignment"] = s.alignment;
  j["alignmentName"] = AlignmentName(s.alignment);
  j["italic"] = s.italic;
  j["row"] = s.row;
  j["boxStyle"] = s.boxStyle;
  j["boxStyleName"] = BoxStyleName(s.boxStyle);
  j["shiftX"] = s.shiftX;
  j["shiftY"] = s.shiftY;
  j["rowColours"] = s.rowColours;
  j["rowAlignments"] = s.rowAlignments;
  j["rowDetails"] = RowDetails(s, rows);
  j["karaoke"] = {{"role", s.karaokeRole}, {"in", s.karaokeIn}, {"out", s.karaokeOut}};
  return j;
}

int RunList(Context& ctx, const Options& o) {
  FileContext fc{ctx.prompter, ctx.settings};
  LoadedDocument loaded = ReadDocumentFile(o.file, fc);
  for (const std::string& w : loaded.warnings) ctx.err << "kipo list: warning: " << w << "\n";
  const SubtitleDocument& d = loaded.doc;
  const long count = static_cast<long>(d.Count());
  const long first = std::max(o.from, 1L);
  const long last = o.to > 0 ? std::min(o.to, count) : count;
  nlohmann::ordered_json array = nlohmann::ordered_json::array();
  for (long n = first; n <= last; ++n) {
    const Subtitle& s = d.At(static_cast<std::size_t>(n - 1));
    // A negative duration shows as "-".
    std::string duration = DurationLabel(s.inCue, s.outCue, d.frameRate()).value_or("-");
    if (o.json) {
      array.push_back(SubtitleJson(n, s, duration));
      continue;
    }
    std::string in = s.inCue.empty() ? "--:--:--:--" : DigitsToLabel(s.inCue);
    std::string out = s.outCue.empty() ? "--:--:--:--" : DigitsToLabel(s.outCue);
    ctx.out << ZeroPad(n, 4) << "  " << in << "  " << out << "  " << duration << "  " << OneLineText(s.text, " | ")
            << "\n";
  }
  // Text that is not valid UTF-8 is shown with replacement characters rather than refused.
  if (o.json) ctx.out << array.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
  return kExitOk;
}

Registrar reg(21, [](CLI::App& app) -> Handler {
  auto o = std::make_shared<Options>();
  auto* sub = app.add_subcommand("list", "List the subtitles of a file: number, in, out, duration, text");
  sub->footer(
      "Examples:\n"
      "  kipo list examples/demo.kpox --to 5\n"
      "  kipo list reel2.kpo --from 100 --to 120 --json\n"
      "Rows of a subtitle are joined with \" | \"; colour codes show as {red}, {green}, ...;\n"
      "in --json, \"text\" is the stored text with its markup (<italics>, colour codes) and\n"
      "\"plain\" the characters shown, rows joined by CR LF.\n"
      "a cue that is not set shows --:--:--:--. --json gives every field of each subtitle:\n"
      "text, comment, alignment, italic, row, box style, shifts, row colours and alignments,\n"
      "karaoke role and cues (frames).");
  sub->add_option("file", o->file, "Subtitle file")->required();
  sub->add_option("--from", o->from, "First subtitle number (from 1)")->check(CLI::PositiveNumber);
  sub->add_option("--to", o->to, "Last subtitle number")->check(CLI::PositiveNumber);
  sub->add_flag("--json", o->json, "Print a JSON array instead of text lines");
  return [o](Context& ctx) { return RunList(ctx, *o); };
});

}  // namespace
}  // namespace kipo::cli
