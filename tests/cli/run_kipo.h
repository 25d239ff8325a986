#pragma once
// Runs the kipo command line in-process and keeps its exit code and both streams.
#include <sstream>
#include <string>
#include <vector>

#include "app/file_types.h"
#include "cli/cli.h"
#include "platform/prompter.h"

namespace kipo::test {

struct KipoResult {
  int code;
  std::string out, err;
};

inline KipoResult Kipo(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  int code = cli::Run(args, out, err);
  return {code, out.str(), err.str()};
}

// Writes a document to a file in the type its extension selects, with default settings.
inline std::string SaveDoc(const SubtitleDocument& d, const std::string& path) {
  SilentPrompter p;
  SettingsStore settings;
  FileContext ctx{p, settings};
  WriteDocumentFile(d, path, ctx);
  return path;
}

// Reads a file back as the command line left it.
inline SubtitleDocument ReadDoc(const std::string& path) {
  SilentPrompter p;
  SettingsStore settings;
  FileContext ctx{p, settings};
  return ReadDocumentFile(path, ctx).doc;
}

}  // namespace kipo::test
