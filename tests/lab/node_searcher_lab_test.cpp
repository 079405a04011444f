#include "net/node_searcher.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/program_folder.h"
#include "lists/list_tables.h"
#include "net/local_adapter_info.h"
#include "store/event_kind.h"
#include "store/line_codec.h"
#include "support/event_actions_harness.h"
#include "support/file_bytes.h"
#include "support/lab.h"
#include "support/lab_fixture.h"
#include "support/lab_mac.h"
#include "support/lab_packet_driver.h"
#include "support/recording_summary.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

using test::Lab;
using test::LabHost;
using Texts = std::vector<std::string>;

// The lab hosts have no names; a look-up would leave the lab.
class NoNames : public HostResolver {
  public:
    std::optional<std::string> NameOfAddress(Ipv4) override {
        ADD_FAILURE() << "reverse look-up";
        return std::nullopt;
    }
    std::optional<HostEntry> AddressesOfName(const std::string&) override {
        ADD_FAILURE() << "forward look-up";
        return std::nullopt;
    }
};

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1) {
        fields.push_back(text.substr(start, at - start));
    }
    fields.push_back(text.substr(start));
    return fields;
}

// Address, MAC, status and test bits of every record of db/NetDB.na, read from the file.
Texts DecodedNodeFile() {
    const std::string bytes = test::ReadBytes(DbFolder() / "NetDB.na");
    Texts records;
    EXPECT_EQ(bytes.size() % 198, 0u);
    for (std::size_t at = 0; at + 198 <= bytes.size(); at += 198) {
        const auto f = Split(DecodeLine(std::string_view(bytes).substr(at, 198)), ',');
        records.push_back(f.at(0) + " " + f.at(1) + " s" + f.at(4) + " b" + f.at(9));
    }
    return records;
}

// Kind and address of every line of the event log.
Texts EventLogLines() {
    Texts events;
    for (const auto& line : Split(test::ReadBytes(LogFolder() / "log.log"), '\n')) {
        if (!line.empty()) {
            const auto f = Split(line, ',');
            events.push_back(f.at(0) + " " + f.at(2));
        }
    }
    return events;
}

class NodeSearcherLab : public test::LabFixture {
  protected:
    void SetUp() override {
        LabFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        const int adpnum = Lab::AdapterIndexOf(m_driver, Lab::Get().Own());
        ASSERT_GE(adpnum, 0) << "the own host's eth0 is not in the adapter list";
        ASSERT_EQ(ReadLocalAdapter(m_driver, adpnum, h.errorLog, m_local), 0);
        h.ChangeApp([&](AppSettings& app) {
            app.ADPNUM = adpnum;
            app.WINS = 0;
            app.PROMISS = 7;
        });
        ASSERT_EQ(m_nodes.InitNodeStore(), 0);
        EventSettings logged;
        logged.enabled = 1;
        logged.log = 1;
        logged.message = "%IP %MAC";
        for (int kind = 0; kind < EVENT_CONFIGURABLE_COUNT; ++kind) {
            ASSERT_GE(h.eventSettings.PutEventSettings(kind, logged), 0);
        }
    }
    void TearDown() override {
        m_driver.Release();
        LabFixture::TearDown();
    }

    // Probes every address of the segment once, in address order, as a run does.
    void ProbeAll(NodeSearcher& searcher, const std::vector<LabHost>& hosts) {
        for (const auto& host : hosts) {
            SCOPED_TRACE(host.kind + " " + FormatIp(host.address));
            NodeRecord record;
            m_nodes.FindNodeByIp(host.address, record);
            const int attempts = record.status != NODE_NEVER_SEEN ? 4 : 1;
            EXPECT_EQ(searcher.ProbeAndUpdate(host.address, attempts, record),
                      host.kind == "empty" ? ProbeResult::Absent : ProbeResult::Present);
        }
    }

    test::TempProgramFolder m_folder;
    test::EventActionsHarness h;
    std::unique_ptr<PacketDriver> m_driverOwner = test::LabPacketDriver();
    PacketDriver& m_driver = *m_driverOwner;
    LocalAdapterInfo m_local;
    NodeStore m_nodes{h.prompt, h.errorLog};
    NodeTable m_nodeList;
    test::RecordingSummary m_banner;
    NoNames m_resolver;
};

TEST_F(NodeSearcherLab, LabHostsLandInTheNodeDatabaseWithTheirMacsAndEvents) {
    std::vector<LabHost> hosts =
        Lab::Get().Hosts({"own", "normal", "sniffing", "partial", "empty"});
    Lab::SortByAddress(hosts);
    NodeSearcher searcher({m_driver, h.errorLog, h.prompt, h.settings, m_nodes, m_resolver,
                           m_nodeList, m_banner, h.actions},
                          m_local);
    ProbeAll(searcher, hosts);

    Texts records;
    Texts marks;
    Texts events;
    for (const auto& host : hosts) {
        if (host.kind == "empty") {
            continue;
        }
        const TestBits bits = host.kind == "sniffing"  ? TEST_B47 | TEST_B16 | TEST_B8
                              : host.kind == "partial" ? TEST_B47 | TEST_B16
                                                       : 0;
        const std::string ip = FormatIp(host.address);
        records.push_back(ip + " " + FormatMac(test::LabMac(host.mac)) + " s1 b" +
                          std::to_string(bits));
        marks.push_back(ip + (host.kind == "sniffing" ? " x" : " ."));
        if (host.kind != "own") {
            events.push_back("0 " + ip);
        }
        if (host.kind == "sniffing") {
            events.push_back("3 " + ip);
        }
    }
    EXPECT_EQ(DecodedNodeFile(), records);
    Texts shown;
    for (const auto& row : m_nodeList.Display().Snapshot()) {
        shown.push_back(row.cells[NODE_COL_IP] + " " + row.cells[NODE_COL_ST]);
    }
    EXPECT_EQ(shown, marks);
    EXPECT_EQ(EventLogLines(), events);

    // Nothing changed on the segment: a second pass raises nothing.
    ProbeAll(searcher, hosts);
    EXPECT_EQ(DecodedNodeFile(), records);
    EXPECT_EQ(EventLogLines(), events);
    EXPECT_TRUE(h.errorLog.Lines().empty());
    EXPECT_TRUE(h.prompt.Boxes().empty());
}

}  // namespace
}  // namespace halvera
