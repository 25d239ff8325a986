// kipo settings: read and write the settings store.
#include <ostream>

#include "cli/cli.h"

namespace kipo::cli {
namespace {

struct Options {
  std::string section, key, value, def;
  bool hasDefault = false;
};

Registrar reg(80, [](CLI::App& app) -> Handler {
  auto o = std::make_shared<Options>();
  auto* sub = app.add_subcommand("settings", "Read or change a setting");
  sub->require_subcommand(1);
  sub->footer(
      "Examples:\n"
      "  kipo settings get Options \"Enable bold text\" --default 0\n"
      "  kipo settings set Punctuation \"Delete spaces\" True\n"
      "  kipo settings list Options");
  auto* get = sub->add_subcommand("get", "Print a setting (or the default when it is not set)");
  get->add_option("section", o->section, "Section, e.g. Options")->required();
  get->add_option("key", o->key, "Key, e.g. \"Enable bold text\"")->required();
  get->add_option("--default", o->def, "Value printed when the key is not set");
  auto* set = sub->add_subcommand("set", "Store a setting");
  set->add_option("section", o->section)->required();
  set->add_option("key", o->key)->required();
  set->add_option("value", o->value)->required();
  auto* list = sub->add_subcommand("list", "List the keys of a section, or the sections");
  list->add_option("section", o->section);
  return [o, get, set, list](Context& ctx) {
    if (get->parsed()) {
      ctx.out << ctx.settings.Get(o->section, o->key, o->def) << "\n";
    } else if (set->parsed()) {
      ctx.settings.Set(o->section, o->key, o->value);
    } else if (list->parsed()) {
      if (o->section.empty()) {
        for (const auto& s : ctx.settings.Sections()) ctx.out << s << "\n";
      } else {
        for (const auto& k : ctx.settings.Keys(o->section))
          ctx.out << k << "=" << ctx.settings.Get(o->section, k, "") << "\n";
      }
    }
    return kExitOk;
  };
});

}  // namespace
}  // namespace kipo::cli
