// kipo settings: read and write the settings store.
#include <ostream>
#include <set>

#include "app/timeline_controller.h"
#include "cli/cli.h"
#include "settings/declared_defaults.h"
#include "settings/keys.h"
#include "text/clean.h"
#include "text/punctuation.h"
#include "video/frame_measure.h"

namespace kipo::cli {
namespace {

struct Options {
  std::string section, key, value;
  std::optional<std::string> def;
};

// What applies to keys that are not stored: the settings module's declarations and the
// option structs of the modules above it that the command line uses.
const DeclaredDefaults& Defaults() {
  static const DeclaredDefaults d = [] {
    DeclaredDefaults d = SettingsModuleDefaults();
    d.AddWrittenBy([](SettingsStore& s) { PunctuationRules{}.Save(s); });
    d.AddWrittenBy([](SettingsStore& s) { TypographicOptions{}.Save(s); });
    d.AddWrittenBy([](SettingsStore& s) { CleanSteps{}.Save(s); });
    d.AddWrittenBy([](SettingsStore& s) { TimelineOptions{}.Save(s); });
    for (const IntSetting& k : {kShotCutSampleSize, kShotCutBaselineRgb, kShotCutMaxRgb, kShotCutMinRgb, kShotCutBitsPerPixel})
      d.Add(k);
    d.Add(kShotCutAdvanced);
    d.AddWrittenBy([](SettingsStore& s) {
      // The hearing-impaired window shows its default lists while nothing is stored.
      SdhOptions sdh;
      sdh.SetFields(sdh.CharsField(), sdh.InterjectionsField());
      sdh.Save(s);
    });
    return d;
  }();
  return d;
}

// The punctuation rules window refuses contradictory rules; so does a change made here.
void RefuseContradictoryRules(const SettingsStore& settings, const Options& o) {
  if (o.section != keys::kPunctuation) return;
  SettingsStore after;
  after.Parse(settings.Serialise());
  after.Set(o.section, o.key, o.value);
  ValidatePunctuationRules(PunctuationRules::Load(after));
}

void List(Context& ctx, const std::string& section) {
  const DeclaredDefaults& defaults = Defaults();
  if (section.empty()) {
    std::set<std::string> sections;
    for (const auto& s : ctx.settings.Sections()) sections.insert(s);
    for (const auto& s : defaults.Sections()) sections.insert(s);
    for (const auto& s : sections) ctx.out << s << "\n";
    return;
  }
  // Stored keys with their values, then the declared keys nobody stored with the
  // defaults in force, each marked.
  for (const auto& k : ctx.settings.Keys(section)) ctx.out << k << "=" << ctx.settings.Get(section, k, "") << "\n";
  for (const auto& k : defaults.Keys(section))
    if (!ctx.settings.Has(section, k)) ctx.out << k << "=" << *defaults.Find(section, k) << "  (default)\n";
}

Registrar reg(80, [](CLI::App& app) -> Handler {
  auto o = std::make_shared<Options>();
  auto* sub = app.add_subcommand("settings", "Read or change a setting");
  sub->require_subcommand(1);
  sub->footer(
      "Examples:\n"
      "  kipo settings get Options \"Enable bold text\" --default 0\n"
      "  kipo settings set Punctuation \"Delete spaces\" True\n"
      "  kipo settings list Options\n"
      "list SECTION shows the stored keys, then the keys not stored with the default in\n"
      "force, marked \"(default)\".");
  auto* get = sub->add_subcommand("get", "Print a setting (or its default when it is not set)");
  get->add_option("section", o->section, "Section, e.g. Options")->required();
  get->add_option("key", o->key, "Key, e.g. \"Enable bold text\"")->required();
  get->add_option("--default", o->def, "Value printed when the key is not set (else the key's own default)");
  auto* set = sub->add_subcommand("set", "Store a setting");
  set->add_option("section", o->section)->required();
  set->add_option("key", o->key)->required();
  set->add_option("value", o->value)->required();
  auto* list = sub->add_subcommand("list", "List the keys of a section with defaults for keys not set, or the sections");
  list->add_option("section", o->section);
  return [o, get, set, list](Context& ctx) {
    if (get->parsed()) {
      std::string def = o->def.value_or(Defaults().Find(o->section, o->key).value_or(""));
      ctx.out << ctx.settings.Get(o->section, o->key, def) << "\n";
    } else if (set->parsed()) {
      RefuseContradictoryRules(ctx.settings, *o);
      ctx.settings.Set(o->section, o->key, o->value);
    } else if (list->parsed()) {
      List(ctx, o->section);
    }
    return kExitOk;
  };
});

}  // namespace
}  // namespace kipo::cli
