#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "support/cli_process.h"

// halvera's own options are answered before Qt starts, so they work without a display.
namespace halvera {
namespace {

struct ProgramRun {
    int status = -1;
    std::string out;
};

ProgramRun RunProgramWithoutDisplay(const std::string& option) {
    int out[2];
    if (pipe(out) != 0) {
        return {};
    }
    const std::string program = (test::CliPath().parent_path() / "halvera").string();
    const pid_t child = fork();
    if (child == 0) {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        unsetenv("QT_QPA_PLATFORM");
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        execl(program.c_str(), program.c_str(), option.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    ProgramRun run;
    char buffer[4096];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) {
        run.out.append(buffer, static_cast<std::size_t>(n));
    }
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(ProgramCommandLine, HelpAndVersionNeedNoDisplay) {
    const struct {
        const char* option;
        const char* starts;
    } cases[] = {
        {"--help", "Usage: halvera [--help | --version]"},
        {"--version", "halvera 1.00 (commit "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.option);
        const ProgramRun run = RunProgramWithoutDisplay(c.option);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out.rfind(c.starts, 0), 0u) << run.out;
    }
}

}  // namespace
}  // namespace halvera
