#include "support/cli_terminal.h"

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string_view>

extern char** environ;

namespace halvera::test {

CliResult RunCliOnTerminal(const std::vector<std::string>& arguments) {
    const std::string program = CliPath().string();
    // The same registry folder as every halvera-cli of the tests.
    const std::string configHome = CliRegistryPath().parent_path().parent_path().parent_path();
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    // Made before the fork: the child of a process with threads may only exec.
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (!std::string_view(*entry).starts_with("XDG_CONFIG_HOME=")) {
            environment.emplace_back(*entry);
        }
    }
    environment.push_back("XDG_CONFIG_HOME=" + configHome);
    std::vector<char*> envp;
    for (auto& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);

    CliResult result;
    int terminal = -1;
    const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid < 0) {
        return result;
    }
    if (pid == 0) {
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(3);
    char buffer[4096];
    for (;;) {
        pollfd ready{terminal, POLLIN, 0};
        if (poll(&ready, 1, 1000) < 0 || std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            break;
        }
        if (ready.revents == 0) {
            continue;
        }
        // The terminal reads EIO once the program and every copy of its side have gone.
        const ssize_t n = read(terminal, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        result.out.append(buffer, static_cast<std::size_t>(n));
    }
    close(terminal);
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
        result.status = WEXITSTATUS(status);
    }
    return result;
}

}  // namespace halvera::test
