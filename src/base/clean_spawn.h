#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace halvera {

// Starts argv[0] (looked up in PATH when it holds no '/') with the arguments as given,
// never through a shell, and returns its process id, or -1 when it could not be started.
// The child starts clean: no descriptor of ours beyond the standard three (a capture handle
// or a data file is one), no signal blocked (halvera-cli blocks SIGINT and SIGTERM in every
// thread to take them in its main loop), default handling of the signals that end it and of
// SIGCHLD. The caller reaps it.
pid_t SpawnClean(const std::vector<std::string>& argv);

// A start that says why it failed: the process id, or -1 and the errno value.
struct SpawnResult {
    pid_t pid = -1;
    int error = 0;
};

// As SpawnClean, with channel (a socket) as the child's standard input and output.
SpawnResult SpawnCleanOnChannel(const std::vector<std::string>& argv, int channel);

}  // namespace halvera
