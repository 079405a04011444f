#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace halvera::test {

// build/halvera/halvera-cli beside the build folder of the running test or benchmark.
std::filesystem::path CliPath();

// The user's registry file of every halvera-cli these tests start: below an XDG_CONFIG_HOME of
// the test process's own.
std::filesystem::path CliRegistryPath();

// halvera-cli started directly (no shell) by the calling thread, so it runs in that thread's
// network namespace, with its standard output and error collected as it writes them. Killed
// when the object goes (or the test process dies) before it has ended.
class CliProcess {
  public:
    // launcher, when given, is the program (and its arguments) that runs halvera-cli, e.g.
    // setpriv to run it as another user.
    explicit CliProcess(const std::vector<std::string>& arguments,
                        const std::vector<std::string>& launcher = {});
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    bool Started() const { return m_pid > 0; }
    void Signal(int signal);
    // Waits until standard output holds text; false when the process ended or the time ran
    // out first.
    bool WaitForOutput(const std::string& text, std::chrono::seconds timeout);
    // Waits for the end: the exit status, or -1 when it was killed or did not end in time
    // (it is killed then).
    int Wait(std::chrono::seconds timeout);

    std::string Out() const;
    std::string Err() const;

  private:
    void Read(int fd, std::string& into);

    pid_t m_pid = -1;
    int m_status = -1;
    bool m_ended = false;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_out;
    std::string m_err;
    int m_openStreams = 0;
    std::atomic<bool> m_stopReading{false};
    std::thread m_outReader;
    std::thread m_errReader;
};

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs halvera-cli to its end (at most three minutes).
CliResult RunCli(const std::vector<std::string>& arguments,
                 const std::vector<std::string>& launcher = {});

}  // namespace halvera::test
