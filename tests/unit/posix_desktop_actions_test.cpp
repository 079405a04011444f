#include "events/posix_desktop_actions.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "support/file_bytes.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

// Waits until the child wrote its file; the child runs on its own, so poll briefly.
std::string WaitForFile(const std::filesystem::path& path) {
    for (int i = 0; i < 200 && !std::filesystem::exists(path); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return test::ReadBytes(path);
}

TEST(PosixDesktopActions, ExecutableGetsEachArgumentAsIsWithoutAShell) {
    test::TempProgramFolder folder;
    auto script = folder.Path() / "notify";
    auto out = folder.Path() / "args.txt";
    test::WriteBytes(script, "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done > \"" +
                                 out.string() + "\"\n");
    chmod(script.c_str(), 0755);
    PosixDesktopActions actions;
    // A host name from the network with shell syntax must reach the program as plain text.
    actions.OpenFile(script.string(), {"192.168.0.5", "$(touch pwned);x", "\x95\x5C"});
    EXPECT_EQ(WaitForFile(out), "[192.168.0.5][$(touch pwned);x][表]");
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "pwned"));
}

TEST(PosixDesktopActions, AProgramNamedWithoutAFolderIsFoundOnThePath) {
    test::TempProgramFolder folder;
    const auto bin = folder.Path() / "bin";
    std::filesystem::create_directories(bin);
    const auto out = folder.Path() / "args.txt";
    test::WriteBytes(bin / "halvera-notify",
                     "#!/bin/sh\nprintf '%s' \"$*\" > \"" + out.string() + "\"\n");
    chmod((bin / "halvera-notify").c_str(), 0755);
    // Not executable: found neither on the path nor by its name.
    test::WriteBytes(bin / "plain", "x");
    const std::string savedPath = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    setenv("PATH", ("/nonexistent::" + bin.string() + ":" + savedPath).c_str(), 1);
    struct Case {
        std::string name;
        std::optional<std::string> found;
    };
    const Case cases[] = {
        {"halvera-notify", (bin / "halvera-notify").string()},
        {(bin / "halvera-notify").string(), (bin / "halvera-notify").string()},
        {"plain", std::nullopt},
        {"missing-program", std::nullopt},
        {"", std::nullopt},
        {"bin/plain", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindExecutable(c.name), c.found) << c.name;
    }
    PosixDesktopActions actions;
    actions.OpenFile("halvera-notify", {"192.168.0.5", "up"});
    EXPECT_EQ(WaitForFile(out), "192.168.0.5 up");
    setenv("PATH", savedPath.c_str(), 1);
}

TEST(PosixDesktopActions, ChildStartsWithoutOurBlockedSignalsAndDescriptors) {
    test::TempProgramFolder folder;
    auto script = folder.Path() / "probe";
    auto out = folder.Path() / "state.txt";
    // A descriptor without close-on-exec, as a capture handle may be.
    constexpr int KEPT_FD = 200;
    ASSERT_EQ(dup2(STDIN_FILENO, KEPT_FD), KEPT_FD);
    test::WriteBytes(script,
                     "#!/bin/sh\n"
                     "blocked=$(sed -n 's/^SigBlk:[[:space:]]*//p' /proc/$$/status)\n"
                     "if [ -e /proc/$$/fd/200 ]; then fd=open; else fd=closed; fi\n"
                     "printf '%s %s' \"$blocked\" \"$fd\" > \"" +
                         out.string() + "\"\n");
    chmod(script.c_str(), 0755);
    sigset_t terminating, previous;
    sigemptyset(&terminating);
    sigaddset(&terminating, SIGTERM);
    sigaddset(&terminating, SIGINT);
    pthread_sigmask(SIG_BLOCK, &terminating, &previous);
    EXPECT_GT(SpawnDetached({script.string()}), 0);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    close(KEPT_FD);
    EXPECT_EQ(WaitForFile(out), "0000000000000000 closed");
}

TEST(PosixDesktopActions, SpawnReportsAProgramThatCannotStart) {
    EXPECT_EQ(SpawnDetached({"/nonexistent/program"}), -1);
    EXPECT_EQ(SpawnDetached({}), -1);
}

}  // namespace
}  // namespace halvera
