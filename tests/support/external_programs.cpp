#include "support/external_programs.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace halvera::test {
namespace {

namespace fs = std::filesystem;

bool Below(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() && path.starts_with(folder) && path[folder.size()] == '/';
}

bool OwnFile(const std::string& path) {
    return Below(path, HALVERA_SOURCE_DIR) || Below(path, HALVERA_BINARY_DIR);
}

std::string RefusalOf(const std::string& program) {
    if (program.empty()) {
        return "a test started a program without a name";
    }
    if (program.front() == '/' && OwnFile(program)) {
        return {};
    }
    const auto& table = ExternalPrograms();
    if (std::find(table.begin(), table.end(), program) == table.end()) {
        return program +
               " is not among the programs tests may start: name it in "
               "tests/support/external_programs.cpp and its Debian package in TEST_PACKAGES of "
               "scripts/setup.sh";
    }
    if (ResolveProgram(program).empty()) {
        return program + " is not installed here: ./scripts/setup.sh --tests installs it";
    }
    return {};
}

}  // namespace

const std::vector<std::string_view>& ExternalPrograms() {
    static const std::vector<std::string_view> programs = {
        // Looked up on the PATH:
        "arp-scan",               // the benchmarks' yardstick
        "dbus-daemon",            // a session bus of the test's own
        "dbus-send",              // asks that bus who serves the notifications
        "desktop-file-validate",  // the desktop entries as the desktop reads them
        "dpkg-query",             // which package gives a program
        "dunst",                  // the notification service
        "dunstctl",               // its history
        "groff",                  // the manual pages as man renders them
        "ip",                     // namespaces, links and addresses of the lab
        "nft",                    // a lab host's ingress rules (run through ip netns exec)
        "tcpdump",                // the frames as they leave, timed
        "trayer",                 // a system tray on the test's X server
        "xdotool",                // clicks and window searches on it
        "Xvfb",                   // the X server
        // By path, where a user's own copy on the PATH must not stand in:
        "/usr/bin/openssl",   // the mail tests' certificates
        "/usr/bin/python3",   // the SMTP servers (aiosmtpd, the TLS server)
        "/usr/bin/setpriv",   // the program started as another user
        "/usr/sbin/dovecot",  // the POP server of the POP-before-SMTP tests
        "/usr/sbin/useradd",  // the users of the tests with two users
        "/usr/sbin/userdel",
    };
    return programs;
}

std::string StartRefusal(const std::vector<std::string>& argv) {
    if (argv.empty()) {
        return RefusalOf({});
    }
    std::string refusal = RefusalOf(argv[0]);
    // ip netns exec NS PROGRAM...: the program runs too.
    if (refusal.empty() && fs::path(argv[0]).filename() == "ip" && argv.size() > 4 &&
        argv[1] == "netns" && argv[2] == "exec") {
        refusal = RefusalOf(argv[4]);
    }
    return refusal;
}

std::string ResolveProgram(const std::string& name) {
    const auto runnable = [](const fs::path& file) {
        return ::access(file.c_str(), X_OK) == 0 && !fs::is_directory(file);
    };
    if (name.find('/') != std::string::npos) {
        return runnable(name) ? name : std::string();
    }
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t colon = std::min(folders.find(':', start), folders.size());
        const fs::path candidate = fs::path(folders.substr(start, colon - start)) / name;
        if (colon > start && runnable(candidate)) {
            return candidate.string();
        }
        start = colon + 1;
    }
    return {};
}

}  // namespace halvera::test
