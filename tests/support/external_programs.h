#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace halvera::test {

// The programs from outside the project that tests and benchmarks start (argv[0], or the
// program behind `ip netns exec NS`): by name where the PATH finds them, else by path. Each must
// come from a package that scripts/setup.sh installs with --tests; setup_programs_test holds the
// table against those lists, and a start of a program missing here fails.
const std::vector<std::string_view>& ExternalPrograms();

// Empty when `argv` may start: the project's own file (below the source or build tree) or a
// program of the table that is installed. Else what is wrong, naming the program.
std::string StartRefusal(const std::vector<std::string>& argv);

// The file that a program name resolves to on the PATH (an absolute name stays as it is),
// or empty when there is none.
std::string ResolveProgram(const std::string& name);

}  // namespace halvera::test
