// Running the tool in the tests' own process.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "Cli.h"

namespace orrimax::cli::test {

struct Result {
  int status;
  std::string out, err;
};

inline Result RunTool(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int status = RunCli(args, out, err);
  return {status, out.str(), err.str()};
}

}  // namespace orrimax::cli::test
