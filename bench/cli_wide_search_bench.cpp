// Wall time of one `halvera-cli search` over a /16 on the lab (the own host's adapter
// renumbered into 198.18.0.0/16 for the run, the lab's few hosts where they are), beside
// arp-scan over the same /16 in the same run (bench/sweep-bench installs it). Default
// settings; prints the figures and their ratio.

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

constexpr const char* OWN_ADDRESS = "198.18.7.10";
constexpr const char* WIDE_NETWORK = "198.18.0.0/16";

template <class Run>
double Seconds(Run run) {
    const auto start = Clock::now();
    const bool done = run();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return done ? seconds : -1.0;
}

bool Cli(const test::CliLabFolder& home, std::initializer_list<std::string> command) {
    const auto result = test::RunCli(home.Args(command));
    if (result.status != 0) {
        std::fprintf(stderr, "halvera-cli: %d\n%s", result.status, result.err.c_str());
    }
    return result.status == 0;
}

// The own host's segment address with another prefix length.
bool SetOwnPrefix(const char* bits) {
    return test::RunProgram({"ip", "addr", "replace", std::string(OWN_ADDRESS) + "/" + bits, "dev",
                             "eth0"}) == 0 &&
           test::RunProgram(
               {"ip", "addr", "del",
                std::string(OWN_ADDRESS) + "/" + (std::string(bits) == "16" ? "24" : "16"), "dev",
                "eth0"}) == 0;
}

}  // namespace

int main() {
    test::Lab& lab = test::Lab::Get();
    if (!lab.SkipReason().empty() || !lab.Failure().empty()) {
        std::fprintf(stderr, "cli_wide_search_bench: %s%s\n", lab.SkipReason().c_str(),
                     lab.Failure().c_str());
        return 1;
    }
    if (!lab.EnterOwnHost()) {
        std::fprintf(stderr, "cli_wide_search_bench: cannot enter the own host's namespace\n");
        return 1;
    }
    if (!SetOwnPrefix("16")) {
        std::fprintf(stderr, "cli_wide_search_bench: cannot renumber eth0 into a /16\n");
        return 1;
    }
    test::CliLabFolder home;
    double search = -1.0;
    double arpScan = -1.0;
    if (home.Prepare() && Cli(home, {"ranges", "clear"}) &&
        Cli(home, {"ranges", "add", WIDE_NETWORK})) {
        search = Seconds([&] { return Cli(home, {"search"}); });
        arpScan = Seconds([] {
            return test::RunProgram({"arp-scan", "--quiet", "--interface=eth0", WIDE_NETWORK}) == 0;
        });
    } else {
        std::fprintf(stderr, "cli_wide_search_bench: %s\n", home.Failure().c_str());
    }
    SetOwnPrefix("24");
    std::printf("Search of %s (65534 addresses, the lab's hosts), default settings, one run\n",
                WIDE_NETWORK);
    std::printf("%-58s %8.2f s\n", "halvera-cli search, empty node list", search);
    std::printf("%-58s %8.2f s\n", "arp-scan --interface=eth0 198.18.0.0/16 (its defaults)",
                arpScan);
    if (search > 0 && arpScan > 0) {
        std::printf("halvera-cli / arp-scan: %.2f x\n", search / arpScan);
    }
    lab.LeaveOwnHost();
    return search > 0 && arpScan > 0 ? 0 : 1;
}
