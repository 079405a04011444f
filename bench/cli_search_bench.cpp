// Wall time of `halvera-cli search` over the lab's /24 with the default settings, with an
// empty node list and with the lab's hosts stored, of `halvera-cli refresh` of the stored
// hosts with two of them down, beside arp-scan over the same /24 from the same host
// (Debian package arp-scan, only a yardstick; bench/sweep-bench installs it). Runs in the
// lab's own host; prints the figures and their ratios to arp-scan's time.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_lab.h"
#include "support/child_process.h"
#include "support/cli_lab_folder.h"
#include "support/cli_process.h"
#include "support/lab.h"

namespace {

using namespace halvera;

constexpr int RUNS = 3;

void Report(const char* what, const std::vector<double>& samples) {
    std::printf("%-58s", what);
    for (double s : samples) {
        std::printf(" %7.2f s", s);
    }
    std::printf("\n");
}

bool Cli(const test::CliLabFolder& home, const char* command) {
    const auto result = test::RunCli(home.Args({command}));
    if (result.status != 0) {
        std::fprintf(stderr, "halvera-cli %s: %d\n%s", command, result.status, result.err.c_str());
    }
    return result.status == 0;
}

bool Search(const test::CliLabFolder& home) {
    return Cli(home, "search");
}

double Median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

// Takes the switch ports of two normal hosts down or up again.
void SetTwoHostsDown(bool down) {
    for (const char* port : {"p-normal1", "p-normal2"}) {
        test::RunProgram({"ip", "-n", "hlv-seg", "link", "set", port, down ? "down" : "up"});
    }
}

}  // namespace

int main() {
    if (!bench::EnterLab("cli_search_bench")) {
        return 1;
    }
    test::Lab& lab = test::Lab::Get();
    std::vector<double> first, second, refresh, noNames, arpScan;
    for (int i = 0; i < RUNS; ++i) {
        // A fresh folder: every address unknown, one attempt each; then again with the
        // nodes stored, which get RETRY + 1 attempts.
        test::CliLabFolder home;
        test::CliLabFolder withoutNames;
        if (!home.Prepare() || !withoutNames.Prepare([](AppSettings& app) { app.WINS = 0; })) {
            std::fprintf(stderr, "cli_search_bench: %s\n", home.Failure().c_str());
            return 1;
        }
        first.push_back(bench::Seconds([&] { return Search(home); }));
        second.push_back(bench::Seconds([&] { return Search(home); }));
        SetTwoHostsDown(true);
        refresh.push_back(bench::Seconds([&] { return Cli(home, "refresh"); }));
        SetTwoHostsDown(false);
        Search(home);  // the two are up again for the next round
        noNames.push_back(bench::Seconds([&] { return Search(withoutNames); }));
        arpScan.push_back(bench::Seconds([] {
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
    Report("halvera-cli refresh, hosts stored, two of them down", refresh);
    Report("halvera-cli search, empty node list, WINS 0", noNames);
    Report("arp-scan --interface=eth0 198.18.7.0/24 (its defaults)", arpScan);
    const double yardstick = Median(arpScan);
    std::printf("Medians as a share of arp-scan's %.2f s:\n", yardstick);
    const std::pair<const char*, const std::vector<double>*> figures[] = {
        {"search, empty node list", &first},
        {"search, hosts stored", &second},
        {"refresh, two hosts down", &refresh},
        {"search, empty node list, WINS 0", &noNames},
    };
    for (const auto& [what, samples] : figures) {
        std::printf("  %-40s %6.2f s  %5.2f x\n", what, Median(*samples),
                    Median(*samples) / yardstick);
    }
    lab.LeaveOwnHost();
    return 0;
}
