#include "cli/cli.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <map>

#include "cli/terminal_prompter.h"
#include "core/native_save.h"
#include "platform/user_error.h"

namespace kipo::cli {
namespace {

std::vector<std::pair<int, Registration>>& Registry() {
  static std::vector<std::pair<int, Registration>> r;
  return r;
}

const char* kDescription =
    "Kipo - subtitle preparation from the command line.\n"
    "Convert, check, time and inspect subtitle documents with the same rules as the\n"
    "Kipo workstation. Run 'kipo COMMAND --help' for the options of each command.";

}  // namespace

Registrar::Registrar(int order, Registration r) { Registry().emplace_back(order, std::move(r)); }

void LogWarnings(Context& ctx, const std::string& command, const std::vector<std::string>& warnings) {
  if (!WriteWarningList(warnings))
    ctx.err << "kipo " << command << ": the warning list " << WarningListPath().string() << " could not be written\n";
  else if (!warnings.empty())
    ctx.err << "kipo " << command << ": the warnings are listed in " << WarningListPath().string() << "\n";
}

int ParseRateOption(const std::string& text) {
  static const std::map<std::string, int> kRates{
      {"15", 15}, {"23.976", 23}, {"23.98", 23}, {"23", 23}, {"24", 24}, {"25", 25}, {"29.97", 29},
      {"29", 29}, {"30", 30},     {"48", 48},    {"50", 50}, {"59.94", 59}, {"59", 59}, {"60", 60}};
  auto it = kRates.find(text);
  if (it == kRates.end())
    throw CLI::ValidationError("--rate", "unknown frame rate '" + text +
                                             "' (use 15, 23.976, 24, 25, 29.97, 30, 48, 50, 59.94 or 60)");
  return it->second;
}

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CLI::App app(kDescription, "kipo");
  app.require_subcommand(1);
  // The program's own options may also follow the command (kipo list film.pac --language Greek).
  app.fallthrough();
  bool yes = false, no = false;
  std::string settingsPath, language;
  app.add_flag("--yes", yes, "Answer Yes (or OK) to every question");
  app.add_flag("--no", no, "Answer No to every question");
  app.add_option("--settings", settingsPath,
                 "Settings file to use instead of the user's (also $KIPO_SETTINGS)");
  app.add_option("--language", language,
                 "Language of the PAC and RAC files read: a name of their language list (e.g. Greek) or its number");
  app.set_version_flag("--version", "kipo 0.1.0");

  auto& reg = Registry();
  std::stable_sort(reg.begin(), reg.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::pair<CLI::App*, Handler>> handlers;
  for (auto& [order, r] : reg) {
    std::size_t before = app.get_subcommands({}).size();
    Handler h = r(app);
    auto subs = app.get_subcommands({});
    if (subs.size() > before) handlers.emplace_back(subs.back(), std::move(h));
  }

  std::vector<std::string> rev(args.rbegin(), args.rend());
  try {
    app.parse(rev);
  } catch (const CLI::ParseError& e) {
    return app.exit(e, out, err) == 0 ? kExitOk : kExitError;
  }

  if (settingsPath.empty())
    if (const char* env = std::getenv("KIPO_SETTINGS"); env && *env) settingsPath = env;
  SettingsStore settings(settingsPath.empty() ? SettingsStore::DefaultPath() : std::filesystem::path(settingsPath));
  TerminalPrompter prompter(err, yes ? AutoAnswer::Yes : no ? AutoAnswer::No : AutoAnswer::None,
                            StdinIsTerminal() && &err == &std::cerr);
  prompter.setPresetChoice(language);
  Context ctx{out, err, settings, prompter};
  for (auto& [sub, handler] : handlers) {
    if (!sub->parsed()) continue;
    try {
      return handler(ctx);
    } catch (const UserError& e) {
      // An empty text is a question answered No or Cancel (the answer a run without a
      // terminal gives unless --yes is given).
      if (e.text().empty()) err << "kipo: cancelled: a question was answered No or left without a choice\n";
      else err << "kipo: " << e.title() << ": " << e.text() << "\n";
      return kExitError;
    } catch (const CLI::ParseError& e) {
      return app.exit(e, out, err) == 0 ? kExitOk : kExitError;
    } catch (const std::exception& e) {
      err << "kipo: " << e.what() << "\n";
      return kExitError;
    }
  }
  err << "kipo: no command given; see kipo --help\n";
  return kExitError;
}

}  // namespace kipo::cli
