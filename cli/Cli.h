// orrimax-cli: export, import, check and demo rosters from the command line.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace orrimax::cli {

// Runs one command line (without the program name). Returns the exit status:
// 0 success, 1 a failed command or an unsound roster, 2 wrong arguments.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace orrimax::cli
