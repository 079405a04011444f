// Wall time of `halvera-cli search` over the lab's /24 with the default TIMEOUT and RETRY,
// beside arp-scan over the same /24 from the same host (Debian package arp-scan, only a
// yardstick; installed by hand). Runs in the lab's own host; prints the figures.

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/cli_lab_folder.h"
#include "support/cli_process.h"
#include "support/lab.h"

namespace {

using namespace halvera;
using Clock = std::chrono::steady_clock;

constexpr int RUNS = 3;

// Seconds that `run` takes; negative when it failed.
template <class Run>
double Seconds(Run run) {
    const auto start = Clock::now();
    const bool done = run();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return done ? seconds : -1.0;
}

void Report(const char* what, const std::vector<double>& samples) {
    std::printf("%-58s", what);
    for (double s : samples) {
        std::printf(" %7.2f s", s);
    }
    std::printf("\n");
}

bool Search(const test::CliLabFolder& home) {
    const auto result = test::RunCli(home.Args({"search"}));
    if (result.status != 0) {
        std::fprintf(stderr, "halvera-cli search: %d\n%s", result.status, result.err.c_str());
    }
    return result.status == 0;
}

}  // namespace

int main() {
    test::Lab& lab = test::Lab::Get();
    if (!lab.SkipReason().empty() || !lab.Failure().empty()) {
        std::fprintf(stderr, "cli_search_bench: %s%s\n", lab.SkipReason().c_str(),
                     lab.Failure().c_str());
        return 1;
    }
    if (!lab.EnterOwnHost()) {
        std::fprintf(stderr, "cli_search_bench: cannot enter the own host's namespace\n");
        return 1;
    }
    std::vector<double> first, second, noNames, arpScan;
    for (int i = 0; i < RUNS; ++i) {
        // A fresh folder: every address unknown, one attempt each; then again with the
        // nodes stored, which get RETRY + 1 attempts.
        test::CliLabFolder home;
        test::CliLabFolder withoutNames;
        if (!home.Prepare() || !withoutNames.Prepare([](AppSettings& app) { app.WINS = 0; })) {
            std::fprintf(stderr, "cli_search_bench: %s\n", home.Failure().c_str());
            return 1;
        }
        first.push_back(Seconds([&] { return Search(home); }));
        second.push_back(Seconds([&] { return Search(home); }));
        noNames.push_back(Seconds([&] { return Search(withoutNames); }));
        arpScan.push_back(Seconds([] {
            return test::RunProgram({"arp-scan", "--quiet", "--interface=eth0", "198.18.7.0/24"}) ==
                   0;
        }));
    }
    std::printf(
        "Search of 198.18.7.0/24 (254 addresses, 5 hosts), TIMEOUT 100 ms, RETRY 3, "
        "%d runs\n",
        RUNS);
    Report("halvera-cli search, empty node list (WINS 1)", first);
    Report("halvera-cli search, lab's hosts stored (WINS 1)", second);
    Report("halvera-cli search, empty node list, WINS 0", noNames);
    Report("arp-scan --interface=eth0 198.18.7.0/24 (its defaults)", arpScan);
    lab.LeaveOwnHost();
    return 0;
}
