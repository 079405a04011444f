#include "events/posix_desktop_actions.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <thread>

#include "base/text_codec.h"

extern char** environ;

namespace halvera {

int SpawnDetached(const std::vector<std::string>& argv, std::function<void(int status)> onExit) {
    if (argv.empty() || argv[0].empty()) {
        return -1;
    }
    std::vector<char*> args;
    for (const auto& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    // The child starts clean: no descriptor of ours beyond the standard three (a capture
    // handle is one), no signal blocked (halvera-cli blocks SIGINT and SIGTERM in every
    // thread to take them in its main loop), default handling of the signals that end it.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGPIPE}) {
        sigaddset(&signals, signal);
    }
    posix_spawnattr_setsigdefault(&attributes, &signals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    int rc = argv[0].find('/') == std::string::npos
                 ? posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ)
                 : posix_spawn(&pid, args[0], &actions, &attributes, args.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        return -1;
    }
    std::thread([pid, onExit = std::move(onExit)] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        if (onExit) {
            onExit(status);
        }
    }).detach();
    return pid;
}

bool IsExecutableFile(const std::string& pathUtf8) {
    struct stat info {};
    return stat(pathUtf8.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(pathUtf8.c_str(), X_OK) == 0;
}

void PosixDesktopActions::OpenFile(const std::string& path,
                                   const std::vector<std::string>& arguments) {
    // File names on Linux are UTF-8; the settings keep CP932.
    std::vector<std::string> argv{Cp932ToUtf8Lossy(path)};
    if (IsExecutableFile(argv[0])) {
        for (const auto& argument : arguments) {
            argv.push_back(Cp932ToUtf8Lossy(argument));
        }
    } else {
        argv.insert(argv.begin(), "xdg-open");
    }
    SpawnDetached(argv);
}

void PosixDesktopActions::Beep() {
    if (isatty(STDOUT_FILENO)) {
        std::fputs("\a", stdout);
        std::fflush(stdout);
    }
}

void PosixDesktopActions::PlaySound(const std::string& soundFile) {
    bool idle = false;
    if (!m_playing->compare_exchange_strong(idle, true)) {
        return;
    }
    auto playing = m_playing;
    if (SpawnDetached({"aplay", "-q", Cp932ToUtf8Lossy(soundFile)},
                      [playing](int) { *playing = false; }) < 0) {
        *playing = false;
    }
}

}  // namespace halvera
