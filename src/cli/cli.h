#pragma once
// The kipo command line: each command lives in its own file and registers itself here.
#include <CLI/CLI.hpp>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "platform/prompter.h"
#include "settings/settings_store.h"

namespace kipo::cli {

// Exit codes shared by every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFindings = 1;  // the command worked and found faults
inline constexpr int kExitError = 2;     // bad input, unreadable file, usage error

// What a running command can use.
struct Context {
  std::ostream& out;
  std::ostream& err;
  SettingsStore& settings;
  Prompter& prompter;
};

using Handler = std::function<int(Context&)>;

// Called once per command at start-up to add its subcommand and options to `app`;
// returns the handler that runs when the subcommand is chosen.
using Registration = std::function<Handler(CLI::App& app)>;

struct Registrar {
  Registrar(int order, Registration r);
};

// The warnings of a command that wrote files (export, convert) go to the warning list
// "warning.log" in the data folder, as the desktop's saves put theirs there; the list is
// rewritten by every such command, empty when there were none. A line on stderr names it.
void LogWarnings(Context& ctx, const std::string& command, const std::vector<std::string>& warnings);

// Runs kipo with the given arguments (without the program name), writing to the streams.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Parses a frame-rate argument: "25", "29.97", "23.976", "59.94", "30", "24", "15", "48",
// "50", "60"; also the choice codes 23, 29 and 59. Throws CLI::ValidationError otherwise.
int ParseRateOption(const std::string& text);

}  // namespace kipo::cli
