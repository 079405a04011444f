#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "support/cli_process.h"
#include "support/temp_program_folder.h"

// A plugin that another user plants where the program looks for Qt plugins loads into the
// program, as Qt wants; it must find no capability there, since the raw-frame right lies with
// the capture helper alone.
namespace halvera {
namespace {

std::string CapabilityLines(const std::filesystem::path& report) {
    std::ifstream in(report);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(PlantedPlugin, RunsInTheProgramWithoutAnyCapability) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "runs the program as another user (root only)";
    }
    test::TempProgramFolder folder;
    const auto plugins = folder.Path() / "plugins" / "generic";
    std::filesystem::create_directories(plugins);
    std::filesystem::copy_file(HALVERA_PLANTED_PLUGIN, plugins / "libplanted.so");
    const auto report = folder.Path() / "report";
    chmod(folder.Path().c_str(), 0777);
    const std::string program = (test::CliPath().parent_path() / "halvera").string();

    const pid_t child = fork();
    if (child == 0) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("QT_PLUGIN_PATH", (folder.Path() / "plugins").c_str(), 1);
        setenv("QT_QPA_GENERIC_PLUGINS", "planted", 1);
        setenv("PLANTED_REPORT", report.c_str(), 1);
        setenv("HOME", folder.Path().c_str(), 1);
        execl("/usr/bin/setpriv", "setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
              "--", program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    bool ended = false;
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
         !ended && std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
        ended = waitpid(child, &status, WNOHANG) == child;
    }
    if (!ended) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    ASSERT_TRUE(ended) << "the program did not load the plugin";
    const std::string lines = CapabilityLines(report);
    ASSERT_NE(lines.find("CapEff"), std::string::npos) << "the plugin did not run";
    EXPECT_NE(lines.find("CapEff:\t0000000000000000"), std::string::npos) << lines;
    EXPECT_NE(lines.find("CapPrm:\t0000000000000000"), std::string::npos) << lines;
}

}  // namespace
}  // namespace halvera
