#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/child_process.h"
#include "support/cli_lab_folder.h"
#include "support/cli_process.h"
#include "support/file_bytes.h"
#include "support/lab.h"
#include "support/lab_fixture.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

using test::Lab;
using test::TsvRows;

// The node list cells that do not depend on when a search ran (both dates left out).
enum { NODE_DETECTED = 10, NODE_UPDATED = 11 };
// Every host of the lab and a free address lie below .64.
constexpr const char* LAST_ADDRESS = "198.18.7.63";
constexpr int GENTLE_RATE = 20;

class SendRateLab : public test::LabFixture {
  protected:
    // The node rows and the event kinds and addresses after a search in a fresh folder and a
    // refresh after it (the stored nodes' attempts of a kind in one window).
    struct Found {
        std::vector<std::vector<std::string>> nodes;
        std::vector<std::pair<std::string, std::string>> events;
    };

    Found SearchWith(int sendRate) {
        test::CliLabFolder home;
        // Without the name walk: its datagrams make the kernel resolve every address with
        // ARP requests of its own, which are not the search's probes.
        EXPECT_TRUE(home.Prepare(
            [&](AppSettings& app) {
                app.SENDRATE = sendRate;
                app.WINS = 0;
            },
            LAST_ADDRESS))
            << home.Failure();
        for (const char* run : {"search", "refresh"}) {
            const auto searched = test::RunCli(home.Args({run}));
            EXPECT_EQ(searched.status, 0) << run << ": " << searched.err;
        }
        Found found;
        for (auto row : TsvRows(test::RunCli(home.Args({"nodes"})).out)) {
            row.erase(row.begin() + NODE_DETECTED, row.begin() + NODE_UPDATED + 1);
            found.nodes.push_back(std::move(row));
        }
        for (const auto& row : TsvRows(test::RunCli(home.Args({"events"})).out)) {
            found.events.emplace_back(row.at(0), row.at(2));
        }
        return found;
    }
};

// Capture times (microseconds) of the records of a classic pcap file; the reading stops at
// the first record that does not fit.
std::vector<std::int64_t> CaptureTimes(const std::string& file) {
    constexpr std::size_t FILE_HEADER = 24;
    constexpr std::size_t RECORD_HEADER = 16;
    std::vector<std::int64_t> times;
    std::size_t at = FILE_HEADER;
    while (file.size() >= at + RECORD_HEADER) {
        std::uint32_t fields[4];
        std::memcpy(fields, file.data() + at, sizeof fields);
        times.push_back(std::int64_t{fields[0]} * 1000000 + fields[1]);
        if (fields[2] > file.size() - at - RECORD_HEADER) {
            break;
        }
        at += RECORD_HEADER + fields[2];
    }
    return times;
}

// The most frames that any one-second window holds.
std::size_t MostInOneSecond(const std::vector<std::int64_t>& times) {
    std::size_t most = 0;
    for (std::size_t first = 0; first < times.size(); ++first) {
        const auto end =
            std::lower_bound(times.begin() + first, times.end(), times[first] + 1000000);
        most = std::max(most, static_cast<std::size_t>(end - (times.begin() + first)));
    }
    return most;
}

TEST_F(SendRateLab, GentleRateFindsTheSameAsTheDefaultAndStaysWithinItsCap) {
    test::TempProgramFolder captureFolder;
    const std::string captured = (captureFolder.Path() / "requests.pcap").string();
    const std::string ownMac = Lab::Get().Hosts("own").at(0).mac;
    Found gentle;
    {
        // The own host's ARP requests as they leave, whatever their destination.
        test::ChildProcess tcpdump({"tcpdump", "-i", "eth0", "-U", "-Z", "root", "-w", captured,
                                    "arp and arp[6:2] = 1 and ether src " + ownMac});
        ASSERT_TRUE(tcpdump.Started());
        for (int i = 0; i < 50 && test::ReadBytes(captured).size() < 24; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        gentle = SearchWith(GENTLE_RATE);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    const Found usual = SearchWith(AppSettings{}.SENDRATE);
    EXPECT_EQ(gentle.nodes, usual.nodes);
    EXPECT_EQ(gentle.events, usual.events);
    EXPECT_FALSE(usual.events.empty());

    const auto times = CaptureTimes(test::ReadBytes(captured));
    // At least every address of the range went out once.
    EXPECT_GE(times.size(), 62u);
    EXPECT_LE(MostInOneSecond(times), static_cast<std::size_t>(GENTLE_RATE));
}

}  // namespace
}  // namespace halvera
