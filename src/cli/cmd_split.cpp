// kipo split: cuts a document into part files at chosen subtitles, or writes its two
// languages as two files. The open-document flow runs with the answers given as flags.
#include <algorithm>
#include <map>
#include <ostream>

#include "app/workstation.h"
#include "cli/cue_edits.h"
#include "platform/text_util.h"

namespace kipo::cli {
namespace {

struct Options {
  std::string file, root, at;
  std::vector<std::string> starts;
  bool languages = false;
};

// Answers the split flow's questions from the flags: the root name for the save dialog,
// each part's start time (none: the part keeps its cues); messages go to the streams.
class FlagPrompter : public SilentPrompter {
 public:
  FlagPrompter(Context& ctx, std::string root, std::map<int, std::string> starts)
      : ctx_(ctx), root_(std::move(root)), starts_(std::move(starts)) {}
  Answer Ask(const Message& m) override {
    (m.icon == Icon::Information ? ctx_.out : ctx_.err) << (m.icon == Icon::Information ? "" : "kipo split: ")
                                                        << m.text << "\n";
    return Answer::Ok;
  }
  std::optional<FileChoice> SaveFile(const FileDialog&) override { return FileChoice{root_, 1}; }
  std::optional<std::string> Input(const std::string& title, const std::string&, const std::string&) override {
    // "Set File n Start Time"
    long n = LeadingNumber(std::string_view(title).substr(std::min<std::size_t>(title.size(), 9)));
    auto it = starts_.find(static_cast<int>(n));
    if (it == starts_.end()) return std::nullopt;
    return it->second;
  }

 private:
  Context& ctx_;
  std::string root_;
  std::map<int, std::string> starts_;
};

int RunSplit(Context& ctx, const Options& o) {
  if (o.languages == !o.at.empty()) {
    ctx.err << "kipo split: give either --at N,M,... or --languages\n";
    return kExitError;
  }
  std::vector<long> points;
  for (std::size_t from = 0; !o.at.empty() && from <= o.at.size();) {
    std::size_t comma = std::min(o.at.find(',', from), o.at.size());
    long n = 0;
    const bool ok = ParseInt(Trim(o.at.substr(from, comma - from)), n);
    from = comma + 1;
    if (!ok) {
      ctx.err << "kipo split: --at '" << o.at << "' is not a list of subtitle numbers\n";
      return kExitError;
    }
    points.push_back(n);
  }
  std::map<int, std::string> starts;
  for (const std::string& s : o.starts) {
    auto eq = s.find('=');
    long part = 0;
    if (eq == std::string::npos || !ParseInt(Trim(s.substr(0, eq)), part) || part < 1) {
      ctx.err << "kipo split: --start '" << s << "' is not PART=HH:MM:SS:FF\n";
      return kExitError;
    }
    starts[static_cast<int>(part)] = Trim(s.substr(eq + 1));
  }
  SubtitleDocument doc = OpenForEditing(ctx, o.file);
  FlagPrompter prompter(ctx, o.root, starts);
  Workstation ws(ctx.settings, prompter);
  ws.session().ReplaceDocument(std::move(doc));
  bool done = o.languages ? ws.split().DualLanguage(2)
                          : ws.split().SplitFile(points, !starts.empty()) == SplitOutcome::Split;
  for (const std::string& w : ws.split().written()) ctx.out << w << "\n";
  return done ? kExitOk : kExitError;
}

Registrar reg(46, [](CLI::App& app) -> Handler {
  auto o = std::make_shared<Options>();
  auto* sub = app.add_subcommand("split", "Split a document into part files, or into one file per language");
  sub->footer(
      "Examples:\n"
      "  kipo split film.kpox --at 4,8 -o reels/film            # reels/film_1.kpox .. film_3.kpox\n"
      "  kipo split film.kpox --at 120 --start 2=10:00:00:00 -o film   # the second file starts at 10:00:00:00\n"
      "  kipo split film.kpox --languages -o film               # film_Lang1.kpox, film_Lang2.kpox\n"
      "A split point is the number of the subtitle a part begins with (1 to 8 points, neither the\n"
      "first nor the last subtitle). --languages writes each subtitle's second line to _Lang1 and\n"
      "its first line to _Lang2. The input file is never changed.");
  sub->add_option("file", o->file, "Subtitle file (any type kipo reads)")->required();
  sub->add_option("--at", o->at, "Split points: subtitle numbers separated by commas");
  sub->add_option("--start", o->starts, "PART=HH:MM:SS:FF: a part's new start time (repeatable)");
  sub->add_flag("--languages", o->languages, "Write the two languages of a two-line document as two files");
  sub->add_option("-o,--output", o->root, "Root name of the files (a .kpox extension is dropped)")->required();
  return [o](Context& ctx) { return RunSplit(ctx, *o); };
});

}  // namespace
}  // namespace kipo::cli
