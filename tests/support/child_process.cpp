#include "support/child_process.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string_view>
#include <thread>

#include "support/external_programs.h"

extern char** environ;

namespace halvera::test {
namespace {

// A start that cannot happen fails the running test with the program's name, so that a
// missing program is never mistaken for one that ran and found nothing.
bool MayStart(const std::vector<std::string>& argv) {
    const std::string refusal = StartRefusal(argv);
    if (refusal.empty()) {
        return true;
    }
    if (testing::UnitTest::GetInstance()->current_test_info() != nullptr) {
        ADD_FAILURE() << refusal;
    } else {
        std::fprintf(stderr, "%s\n", refusal.c_str());
    }
    return false;
}

// output, when given, becomes the child's standard output, and its standard error too with
// `errorsToo`.
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
            int output = -1, bool errorsToo = false) {
    if (!MayStart(argv)) {
        return 0;
    }
    // A variable the caller gives replaces the inherited one: the first of two would win.
    auto given = [&](std::string_view entry) {
        const std::string_view name = entry.substr(0, entry.find('=') + 1);
        return std::any_of(environment.begin(), environment.end(),
                           [&](const std::string& mine) { return mine.starts_with(name); });
    };
    std::vector<std::string> envText;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (!given(*entry)) {
            envText.emplace_back(*entry);
        }
    }
    envText.insert(envText.end(), environment.begin(), environment.end());
    std::vector<char*> args;
    for (const auto& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    std::vector<char*> env;
    for (const auto& entry : envText) {
        env.push_back(const_cast<char*>(entry.c_str()));
    }
    env.push_back(nullptr);
    pid_t parent = ::getpid();
    pid_t pid = ::fork();
    if (pid == 0) {
        // A test that crashes takes its servers with it.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) {
            ::_exit(127);
        }
        if (output >= 0) {
            ::dup2(output, STDOUT_FILENO);
            if (errorsToo) {
                ::dup2(output, STDERR_FILENO);
            }
        }
        ::close_range(STDERR_FILENO + 1, ~0u, 0);
        ::execvpe(args[0], args.data(), env.data());
        ::_exit(127);
    }
    return pid > 0 ? pid : 0;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& environment)
    : m_pid(Spawn(argv, environment)) {}

ChildProcess::~ChildProcess() {
    Stop();
}

void ChildProcess::Stop() {
    if (m_pid <= 0) {
        return;
    }
    ::kill(m_pid, SIGTERM);
    for (int i = 0; i < 500; ++i) {
        if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
            m_pid = 0;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
    m_pid = 0;
}

int RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& environment) {
    pid_t pid = Spawn(argv, environment);
    int status = 0;
    if (pid <= 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

std::string ProgramOutput(const std::vector<std::string>& argv,
                          const std::vector<std::string>& environment, bool errorsToo) {
    int channel[2];
    if (::pipe2(channel, O_CLOEXEC) != 0) {
        return {};
    }
    pid_t pid = Spawn(argv, environment, channel[1], errorsToo);
    ::close(channel[1]);
    std::string output;
    char buffer[4096];
    for (ssize_t size; (size = ::read(channel[0], buffer, sizeof buffer)) != 0;) {
        if (size > 0) {
            output.append(buffer, static_cast<std::size_t>(size));
        } else if (errno != EINTR) {
            break;
        }
    }
    ::close(channel[0]);
    if (pid > 0) {
        ::waitpid(pid, nullptr, 0);
    }
    return output;
}

bool WaitForLoopbackPort(int port, int seconds) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        int probe = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bool connected =
            ::connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(probe);
        if (connected) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

}  // namespace halvera::test
