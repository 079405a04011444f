#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "base/build_version.h"
#include "base/instance_lock.h"
#include "base/program_folder.h"
#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/console.h"
#include "cli/termination_signals.h"

namespace halvera {
namespace {

int Main(const std::vector<std::string_view>& arguments) {
    // Before any thread exists, so that every thread inherits the block.
    TerminationSignals signals;
    Console console;
    const CliOptions options = ParseCliOptions(arguments);
    if (options.help) {
        console.Out(CliUsage());
        return 0;
    }
    if (options.version) {
        console.Out("halvera-cli " + VersionText());
        return 0;
    }
    if (!options.error.empty()) {
        console.Err("halvera-cli: " + options.error);
        console.Err(CliUsage());
        return 2;
    }
    if (options.home) {
        std::error_code error;
        const auto folder = std::filesystem::canonical(*options.home, error);
        if (error || !std::filesystem::is_directory(folder)) {
            console.Err("halvera-cli: " + options.home->string() + " is not a folder");
            return 1;
        }
        SetDataFolder(folder);
    }
    InstanceLock lock;
    if (!lock.Acquire(DataFolder())) {
        if (lock.Error().empty()) {
            console.Err("halvera-cli: another Halvera process" +
                        (lock.HolderPid() > 0 ? " (pid " + std::to_string(lock.HolderPid()) + ")"
                                              : std::string()) +
                        " is using the data folder " + DataFolder().string());
        } else {
            console.Err("halvera-cli: cannot lock the data folder: " + lock.Error());
        }
        return 1;
    }
    CliSession session(console, signals);
    return session.Run(options);
}

}  // namespace
}  // namespace halvera

int main(int argc, char* argv[]) {
    std::vector<std::string_view> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
    return halvera::Main(arguments);
}
