#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "base/ip_address.h"
#include "support/cli_lab_folder.h"
#include "support/cli_process.h"
#include "support/lab.h"
#include "support/lab_fixture.h"
#include "support/lab_mac.h"

namespace halvera {
namespace {

using test::Lab;
using test::RunCli;
using test::TsvRows;

// Cells of the event list rows that halvera-cli prints while it searches, and of the event
// log it prints with "events".
enum { ROW_KIND = 0, ROW_ADDRESS = 3, ROW_INFO = 8 };
enum { LOG_KIND = 0, LOG_ADDRESS = 2, LOG_INFO = 4 };

std::vector<std::vector<std::string>> Lines(const std::string& text) {
    // TsvRows skips a header line; the search output has none.
    return TsvRows("\n" + text);
}

class CliEventSettingsLab : public test::LabFixture {
  protected:
    void SetUp() override {
        LabFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        // Every host of the lab lies below .64.
        ASSERT_TRUE(m_home.Prepare({}, "198.18.7.63")) << m_home.Failure();
    }

    test::CliResult Cli(std::initializer_list<std::string> command) { return m_home.Cli(command); }

    test::CliLabFolder m_home;
};

TEST_F(CliEventSettingsLab, AnEventSetThroughTheCliIsRaisedByTheNextSearch) {
    const test::LabHost sniffing = Lab::Get().Hosts("sniffing").at(0);
    const std::string address = FormatIp(sniffing.address);
    Cli({"event", "set", "0", "enabled", "1", "screen", "1", "log", "1", "message", "新規 %IP %MAC",
         "popup", "新しいノード %IP"});
    // The actions after the event list row apply to the sniffing host alone.
    Cli({"action-ranges", "add", address, address});
    Cli({"action-ranges", "allevent", "0"});

    const auto searched = Cli({"search"});
    std::vector<std::string> shown;  // addresses of the new-node rows of the event list
    std::vector<std::string> popups;
    for (const auto& cells : Lines(searched.out)) {
        if (cells.size() > ROW_INFO && cells[ROW_KIND] == "新規ノード検出") {
            shown.push_back(cells[ROW_ADDRESS]);
            EXPECT_EQ(cells[ROW_INFO], "新規 " + cells[ROW_ADDRESS] + " " + cells[ROW_ADDRESS + 1]);
        }
        if (cells.size() == 2 && cells[0] == "ポップアップ") {
            popups.push_back(cells[1]);
        }
    }
    // The screen row comes before the node range filter: every new host has one.
    std::vector<std::string> hosts;
    for (const auto& host : Lab::Get().Hosts({"normal", "sniffing", "partial", "samba"})) {
        hosts.push_back(FormatIp(host.address));
    }
    std::sort(hosts.begin(), hosts.end());
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, hosts) << searched.out;
    EXPECT_EQ(popups, std::vector<std::string>{"新しいノード " + address}) << searched.out;

    // The log holds the new-node line of the sniffing host alone, with the set message.
    std::vector<std::vector<std::string>> logged;
    for (const auto& row : TsvRows(Cli({"events"}).out)) {
        if (row.at(LOG_KIND) == "新規ノード検出") {
            logged.push_back({row.at(LOG_ADDRESS), row.at(LOG_INFO)});
        }
    }
    EXPECT_EQ(logged, (std::vector<std::vector<std::string>>{
                          {address, "新規 " + address + " " + test::LabMacText(sniffing.mac)}}));
}

}  // namespace
}  // namespace halvera
