// kipo delete: the range deletion dialog on a file.
#include <ostream>

#include "cli/cue_edits.h"
#include "platform/text_util.h"
#include "timing/bulk_cues.h"

namespace kipo::cli {
namespace {

struct Options {
  std::string file, output;
  long from = 0, to = 0;
  bool whole = false, text = false, cues = false;
};

// The command line itself is the confirmation: the dialog's OK/Cancel question is answered
// OK, every other message goes to the user's prompter.
class Confirmed : public SilentPrompter {
 public:
  explicit Confirmed(Prompter& p) : p_(p) {}
  Answer Ask(const Message& m) override {
    if (m.buttons == Buttons::OkCancel) return Answer::Ok;
    return p_.Ask(m);
  }

 private:
  Prompter& p_;
};

int RunDelete(Context& ctx, const Options& o) {
  SubtitleDocument doc = OpenForEditing(ctx, o.file);
  RangeAction action = o.whole ? RangeAction::WholeSubtitles : o.text ? RangeAction::TextOnly : RangeAction::CuesOnly;
  Confirmed confirmed(ctx.prompter);
  if (DeleteRange(doc, o.from, o.to, action, confirmed) != RangeOutcome::Deleted) return kExitError;
  std::string range = ZeroPad(o.from, 4) + "-" + ZeroPad(o.to, 4);
  long n = o.to - o.from + 1;
  std::string count = std::to_string(n) + (n == 1 ? " subtitle" : " subtitles");
  switch (action) {
    case RangeAction::WholeSubtitles:
      ctx.out << "Deleted subtitles " << range << " (" << count << "); " << doc.Count() << " remain\n";
      break;
    case RangeAction::TextOnly: ctx.out << "Deleted the text of subtitles " << range << " (" << count << ")\n"; break;
    case RangeAction::CuesOnly: ctx.out << "Deleted the cues of subtitles " << range << " (" << count << ")\n"; break;
  }
  SaveEdited(ctx, doc, o.file, o.output);
  return kExitOk;
}

Registrar reg(42, [](CLI::App& app) -> Handler {
  auto o = std::make_shared<Options>();
  auto* sub = app.add_subcommand("delete", "Delete whole subtitles, their text or their cues over a range");
  sub->footer(
      "Examples:\n"
      "  kipo delete film.kpox --from 3 --to 5 --whole   # subtitles 3 to 5 go; 6 becomes 3\n"
      "  kipo delete film.kpox --from 10 --to 12 --cues  # empty the in and out cues\n"
      "  kipo delete film.kpox --from 1 --to 1 --text -o new.kpox\n"
      "Numbers count from 1 and include both ends. The command is its own confirmation.");
  sub->add_option("file", o->file, "Subtitle file")->required();
  sub->add_option("--from", o->from, "First subtitle number")->required();
  sub->add_option("--to", o->to, "Last subtitle number")->required();
  sub->add_option("-o,--output", o->output, "Write the result here instead of back to FILE");
  auto* g = sub->add_option_group("what", "What to delete (exactly one)");
  g->add_flag("--whole", o->whole, "Whole subtitles (later ones are renumbered)");
  g->add_flag("--text", o->text, "The text only, keeping cues and attributes");
  g->add_flag("--cues", o->cues, "The in and out cues only");
  g->require_option(1);
  return [o](Context& ctx) { return RunDelete(ctx, *o); };
});

}  // namespace
}  // namespace kipo::cli
