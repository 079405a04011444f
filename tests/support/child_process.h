#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace halvera::test {

// A program that a test starts and that ends with the object: SIGTERM, then SIGKILL when
// it does not end within a few seconds, or when the test process dies. Started directly,
// never through a shell.
class ChildProcess {
  public:
    // argv[0] is looked up on the PATH; `environment` entries ("NAME=value") are added to
    // the test's own environment, in place of a variable of the same name.
    explicit ChildProcess(const std::vector<std::string>& argv,
                          const std::vector<std::string>& environment = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return m_pid; }
    bool Started() const { return m_pid > 0; }
    void Stop();

  private:
    pid_t m_pid = 0;
};

// Runs a program to its end and gives its exit code (-1 when it could not run);
// `environment` as for ChildProcess.
int RunProgram(const std::vector<std::string>& argv,
               const std::vector<std::string>& environment = {});

// Runs a program to its end and gives what it wrote to its standard output (and to its
// standard error, with `errorsToo`). Through a plain
// fork, like every start here: QProcess starts its children in a way that ThreadSanitizer
// takes for a fork of the test process itself while another thread runs.
std::string ProgramOutput(const std::vector<std::string>& argv,
                          const std::vector<std::string>& environment = {}, bool errorsToo = false);

// Waits (at most `seconds`) until a TCP connection to the loopback port succeeds.
bool WaitForLoopbackPort(int port, int seconds);

}  // namespace halvera::test
