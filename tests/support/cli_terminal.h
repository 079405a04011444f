#pragma once

#include <string>
#include <vector>

#include "support/cli_process.h"

namespace halvera::test {

// Runs halvera-cli to its end (at most three minutes) on a pseudo-terminal of its own, as
// a user at a terminal starts it, in the calling thread's network namespace. out holds what
// the terminal received (standard output and standard error together, line ends as CR LF).
CliResult RunCliOnTerminal(const std::vector<std::string>& arguments);

}  // namespace halvera::test
