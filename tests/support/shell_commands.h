#pragma once

#include <string>
#include <vector>

namespace halvera::test {

// The names of the programs a POSIX shell script starts: the first
// word of every simple command, also inside $(...), `...`, pipelines, lists and the bodies
// of if, for, while and case, and the word after exec, env, sudo, $SUDO, `command -v` and
// `ip netns exec NS`. Builtins, keywords, the script's own functions, words that start with
// a variable and relative paths (the project's own files) are left out. Quoted text, case
// patterns, here-documents and comments start nothing.
std::vector<std::string> ShellCommands(const std::string& script);

}  // namespace halvera::test
