// Wall time of one `halvera-cli search` over a /16 on the lab (the own host's adapter
// renumbered into 198.18.0.0/16 for the run, the lab's few hosts where they are), beside
// arp-scan over the same /16 in the same run (bench/sweep-bench installs it). Default
// settings; prints the figures and their ratio.

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench_lab.h"
#include "support/child_process.h"
#include "support/cli_lab_folder.h"
#include "support/cli_process.h"
#include "support/lab.h"

namespace {

using namespace halvera;

constexpr const char* OWN_ADDRESS = "198.18.7.10";
constexpr const char* WIDE_NETWORK = "198.18.0.0/16";

// A /16 takes minutes: longer than RunCli waits.
bool Cli(const test::CliLabFolder& home, std::initializer_list<std::string> command) {
    test::CliProcess process(home.Args(command));
    const int status = process.Wait(std::chrono::minutes(20));
    if (status != 0) {
        std::fprintf(stderr, "halvera-cli: %d\n%s", status, process.Err().c_str());
    }
    return status == 0;
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
    if (!bench::EnterLab("cli_wide_search_bench")) {
        return 1;
    }
    test::Lab& lab = test::Lab::Get();
    if (!SetOwnPrefix("16")) {
        std::fprintf(stderr, "cli_wide_search_bench: cannot renumber eth0 into a /16\n");
        return 1;
    }
    std::printf("Search of %s (65534 addresses, the lab's hosts), default settings, one run\n",
                WIDE_NETWORK);
    // Each figure is printed as soon as it is measured: the whole run takes minutes.
    const auto report = [](const char* what, double seconds) {
        std::printf("%-58s %8.2f s\n", what, seconds);
        std::fflush(stdout);
    };
    const auto search = [](const std::function<void(AppSettings&)>& change) {
        test::CliLabFolder home;
        if (!home.Prepare(change) || !Cli(home, {"ranges", "clear"}) ||
            !Cli(home, {"ranges", "add", WIDE_NETWORK})) {
            std::fprintf(stderr, "cli_wide_search_bench: %s\n", home.Failure().c_str());
            return -1.0;
        }
        return bench::Seconds([&] { return Cli(home, {"search"}); });
    };
    const double withoutNames = search([](AppSettings& app) { app.WINS = 0; });
    report("halvera-cli search, empty node list, WINS 0", withoutNames);
    const double withNames = search({});
    report("halvera-cli search, empty node list (WINS 1)", withNames);
    const double arpScan = bench::Seconds([] {
        return test::RunProgram({"arp-scan", "--quiet", "--interface=eth0", WIDE_NETWORK}) == 0;
    });
    report("arp-scan --interface=eth0 198.18.0.0/16 (its defaults)", arpScan);
    SetOwnPrefix("24");
    if (withoutNames > 0 && withNames > 0 && arpScan > 0) {
        std::printf("halvera-cli / arp-scan: %.2f x (WINS 0), %.2f x (WINS 1)\n",
                    withoutNames / arpScan, withNames / arpScan);
    }
    lab.LeaveOwnHost();
    return withoutNames > 0 && withNames > 0 && arpScan > 0 ? 0 : 1;
}
