#include "support/cli_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

extern char** environ;

namespace halvera::test {

std::filesystem::path CliPath() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "halvera" /
           "halvera-cli";
}

namespace {

// halvera-cli reads the user's registry file below XDG_CONFIG_HOME: the tests give it a
// folder of their own, so the developer's settings never reach a test nor a test's theirs.
class ConfigHome {
  public:
    ConfigHome() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "halvera-cli-config-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            m_path = pattern;
        }
    }
    ~ConfigHome() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::filesystem::path& Path() const { return m_path; }

  private:
    std::filesystem::path m_path;
};

const ConfigHome& CliConfigHome() {
    static const ConfigHome configHome;
    return configHome;
}

std::vector<std::string> CliEnvironment() {
    const ConfigHome& configHome = CliConfigHome();
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::string_view(*entry).substr(0, 16) != "XDG_CONFIG_HOME=") {
            environment.emplace_back(*entry);
        }
    }
    environment.push_back("XDG_CONFIG_HOME=" + configHome.Path().string());
    return environment;
}

}  // namespace

std::filesystem::path CliRegistryPath() {
    return CliConfigHome().Path() / "Draymoor" / "Kelvane" / "datareg.reg";
}

CliProcess::CliProcess(const std::vector<std::string>& arguments,
                       const std::vector<std::string>& launcher) {
    const std::string program = CliPath().string();
    std::vector<char*> argv;
    for (const auto& part : launcher) {
        argv.push_back(const_cast<char*>(part.c_str()));
    }
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    const std::vector<std::string> environment = CliEnvironment();
    std::vector<char*> envp;
    for (const auto& entry : environment) {
        envp.push_back(const_cast<char*>(entry.c_str()));
    }
    envp.push_back(nullptr);
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
        return;
    }
    const pid_t parent = getpid();
    m_pid = fork();
    if (m_pid == 0) {
        // Only async-signal-safe calls between fork and exec.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) {
            _exit(127);
        }
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    if (m_pid < 0) {
        close(out[0]);
        close(err[0]);
        return;
    }
    m_openStreams = 2;
    m_outReader = std::thread([this, fd = out[0]] { Read(fd, m_out); });
    m_errReader = std::thread([this, fd = err[0]] { Read(fd, m_err); });
}

CliProcess::~CliProcess() {
    if (m_pid > 0 && !m_ended) {
        kill(m_pid, SIGKILL);
        Wait(std::chrono::seconds(10));
    }
    m_stopReading = true;
    if (m_outReader.joinable()) {
        m_outReader.join();
    }
    if (m_errReader.joinable()) {
        m_errReader.join();
    }
}

void CliProcess::Read(int fd, std::string& into) {
    char buffer[4096];
    // A child of halvera-cli (an external file) may keep the pipe open after the end, so
    // the reader also stops when told to.
    while (!m_stopReading) {
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, 100) <= 0) {
            continue;
        }
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n == 0 || (n < 0 && errno != EINTR)) {
            break;
        }
        if (n > 0) {
            std::lock_guard lock(m_mutex);
            into.append(buffer, static_cast<std::size_t>(n));
            m_changed.notify_all();
        }
    }
    close(fd);
    std::lock_guard lock(m_mutex);
    --m_openStreams;
    m_changed.notify_all();
}

void CliProcess::Signal(int signal) {
    if (m_pid > 0 && !m_ended) {
        kill(m_pid, signal);
    }
}

bool CliProcess::WaitForOutput(const std::string& text, std::chrono::seconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] {
        return m_out.find(text) != std::string::npos || m_openStreams == 0;
    }) && m_out.find(text) != std::string::npos;
}

int CliProcess::Wait(std::chrono::seconds timeout) {
    if (m_pid <= 0) {
        return -1;
    }
    if (!m_ended) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        int status = 0;
        pid_t ended = 0;
        while ((ended = waitpid(m_pid, &status, WNOHANG)) == 0 &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (ended == 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
        }
        m_ended = true;
        m_status = ended > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        // What it wrote last is still in the pipes: give the readers a moment to take it.
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::seconds(2), [this] { return m_openStreams == 0; });
    }
    return m_status;
}

std::string CliProcess::Out() const {
    std::lock_guard lock(m_mutex);
    return m_out;
}

std::string CliProcess::Err() const {
    std::lock_guard lock(m_mutex);
    return m_err;
}

CliResult RunCli(const std::vector<std::string>& arguments,
                 const std::vector<std::string>& launcher) {
    CliProcess process(arguments, launcher);
    CliResult result;
    result.status = process.Wait(std::chrono::seconds(180));
    result.out = process.Out();
    result.err = process.Err();
    return result;
}

}  // namespace halvera::test
