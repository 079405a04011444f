#include "base/clean_spawn.h"

#include <errno.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

extern char** environ;

namespace halvera {

namespace {

SpawnResult Spawn(const std::vector<std::string>& argv, int channel) {
    if (argv.empty() || argv[0].empty()) {
        return {-1, ENOENT};
    }
    std::vector<char*> args;
    for (const auto& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (channel >= 0) {
        posix_spawn_file_actions_adddup2(&actions, channel, STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, channel, STDOUT_FILENO);
    }
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGPIPE, SIGCHLD}) {
        sigaddset(&signals, signal);
    }
    posix_spawnattr_setsigdefault(&attributes, &signals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int rc = argv[0].find('/') == std::string::npos
                       ? posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ)
                       : posix_spawn(&pid, args[0], &actions, &attributes, args.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? SpawnResult{pid, 0} : SpawnResult{-1, rc};
}

}  // namespace

pid_t SpawnClean(const std::vector<std::string>& argv) {
    return Spawn(argv, -1).pid;
}

SpawnResult SpawnCleanOnChannel(const std::vector<std::string>& argv, int channel) {
    return Spawn(argv, channel);
}

}  // namespace halvera
