#pragma once
// Runs the kipo command line in-process and keeps its exit code and both streams.
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"

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

}  // namespace kipo::test
