#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "net/network_names.h"
#include "net/node_identification.h"
#include "net/system_host_resolver.h"
#include "store/node_record.h"
#include "store/node_store.h"
#include "support/lab.h"
#include "support/lab_fixture.h"
#include "support/recording_error_log.h"
#include "support/recording_prompt.h"
#include "support/temp_program_folder.h"

namespace halvera {
namespace {

using test::Lab;
using test::LabHost;
using Names = std::pair<std::string, std::string>;  // host, domain

const Ipv4 MASK = InetAddr("255.255.255.0");
// The computer name and workgroup of the samba host's nmbd.
const Names SAMBA_NAMES = {"HLVSAMBA", "HLVLAB"};
// What a look-up in the name book leaves when the book has no entry.
const Names UNNAMED = {"(unchanged)", "(unchanged)"};

// The C library's resolver, counting every look-up that reaches it.
class CountingSystemResolver : public HostResolver {
  public:
    std::optional<std::string> NameOfAddress(Ipv4 ip) override {
        ++lookups;
        return m_system.NameOfAddress(ip);
    }
    std::optional<HostEntry> AddressesOfName(const std::string& name) override {
        ++lookups;
        return m_system.AddressesOfName(name);
    }

    int lookups = 0;

  private:
    SystemHostResolver m_system;
};

// Names as the own host of the lab finds them, kept in the node store's name book: the samba
// host's nmbd answers NetBIOS node status queries, and the own host's hosts file names some
// hosts (see scripts/lab).
class NodeNamesLab : public test::LabFixture {
  protected:
    void SetUp() override {
        LabFixture::SetUp();
        if (!IsSkipped() && !HasFatalFailure()) {
            ASSERT_EQ(m_store.InitNodeStore(), 0);
        }
    }
    void TearDown() override {
        m_store.CloseNodeStore();
        LabFixture::TearDown();
    }

    static NameQueryRange Segment() {
        const Ipv4 network = Lab::Get().Own().address & MASK;
        return {network, network | ~MASK};
    }
    int Walk(const NameQueryRange& range) {
        return EnumerateNetworkNames({&range, 1}, Lab::Get().Own().address, MASK, m_store);
    }
    Names BookNames(Ipv4 ip) {
        Names names = UNNAMED;
        m_store.LookupNames(ip, names.first, names.second);
        return names;
    }

    test::TempProgramFolder m_folder;
    test::RecordingPrompt m_prompt;
    test::RecordingErrorLog m_log;
    NodeStore m_store{m_prompt, m_log};
};

TEST_F(NodeNamesLab, NameServerComputerAndWorkgroupLandInTheNameBook) {
    const Ipv4 samba = Lab::Get().Hosts("samba").at(0).address;
    // In order, into one book.
    struct Step {
        const char* name;
        NameQueryRange range;
        int named;
    };
    const Step steps[] = {
        {"range_ends_before_it", {Segment().start, NetworkOrder(HostOrder(samba) - 1)}, 0},
        {"whole_segment", Segment(), 1},
    };
    for (const auto& step : steps) {
        EXPECT_EQ(Walk(step.range), step.named) << step.name;
        for (const auto& host :
             Lab::Get().Hosts({"own", "normal", "sniffing", "partial", "samba", "empty"})) {
            const Names expected = host.address == samba && step.named > 0 ? SAMBA_NAMES : UNNAMED;
            EXPECT_EQ(BookNames(host.address), expected)
                << step.name << " " << FormatIp(host.address);
        }
    }
    EXPECT_TRUE(m_log.Lines().empty());
}

TEST_F(NodeNamesLab, HostsFileNameComesThroughTheSystemResolver) {
    struct Case {
        const char* kind;
        std::size_t index;
        std::string expected;
    };
    const Case cases[] = {
        {"normal", 0, "normal1.hlv-lab.test"},
        {"sniffing", 0, "sniffing-host-with-a-rather-long-na"},  // cut to NODE_NAME_MAX
        {"samba", 0, "samba.hlv-lab.test"},
        {"normal", 1, ""},  // a host without a name
        {"empty", 0, ""},   // no host at all
    };
    SystemHostResolver resolver;
    for (const auto& c : cases) {
        const LabHost host = Lab::Get().Hosts(c.kind).at(c.index);
        EXPECT_EQ(ResolveHostName(host.address, resolver), c.expected) << FormatIp(host.address);
    }
}

TEST_F(NodeNamesLab, NodeTheNameBookNamesIsNotLookedUpAgain) {
    ASSERT_EQ(Walk(Segment()), 1);
    // In order: each step sees the book as the steps before it left it.
    struct Step {
        const char* kind;
        Names names;
        int lookups;
    };
    const Step steps[] = {
        // Its hosts-file name is never asked for: the book's NetBIOS names stand.
        {"samba", SAMBA_NAMES, 0},
        // Reverse look-up and the forward one that confirms it; the name goes into the book.
        {"normal", {"normal1.hlv-lab.test", ""}, 2},
        {"normal", {"normal1.hlv-lab.test", ""}, 0},
        // No name: nothing is stored, so the next fill asks again.
        {"partial", {"", ""}, 1},
        {"partial", {"", ""}, 1},
    };
    for (const auto& step : steps) {
        const LabHost host = Lab::Get().Hosts(step.kind).at(0);
        SCOPED_TRACE(FormatIp(host.address));
        CountingSystemResolver resolver;
        NodeRecord record;
        record.ip = host.address;
        FillNodeNames(record, 1, m_store, resolver);
        EXPECT_EQ(Names(record.host, record.domain), step.names);
        EXPECT_EQ(resolver.lookups, step.lookups);
    }
    EXPECT_EQ(BookNames(Lab::Get().Hosts("partial").at(0).address), UNNAMED);
    EXPECT_TRUE(m_log.Lines().empty());
}

}  // namespace
}  // namespace halvera
