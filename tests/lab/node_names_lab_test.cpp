#include <gtest/gtest.h>

#include <map>
#include <string>

#include "net/network_names.h"
#include "net/node_identification.h"
#include "net/system_host_resolver.h"
#include "store/node_record.h"
#include "support/lab.h"
#include "support/lab_fixture.h"
#include "support/memory_name_book.h"

namespace halvera {
namespace {

using test::Lab;
using test::LabHost;
using test::MemoryNameBook;
using BookEntries = std::map<Ipv4, MemoryNameBook::Names>;

const Ipv4 MASK = InetAddr("255.255.255.0");

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

// Names as the own host of the lab finds them: the samba host's nmbd answers NetBIOS node
// status queries, and the own host's hosts file names some hosts (see scripts/lab).
class NodeNamesLab : public test::LabFixture {
  protected:
    static NameQueryRange Segment() {
        const Ipv4 network = Lab::Get().Own().address & MASK;
        return {network, network | ~MASK};
    }
    static int Walk(const NameQueryRange& range, MemoryNameBook& book) {
        return EnumerateNetworkNames({&range, 1}, Lab::Get().Own().address, MASK, book);
    }
};

TEST_F(NodeNamesLab, NameServerComputerAndWorkgroupLandInTheNameBook) {
    const LabHost samba = Lab::Get().Hosts("samba").at(0);
    struct Case {
        const char* name;
        NameQueryRange range;
        BookEntries expected;
    };
    const Case cases[] = {
        {"whole_segment", Segment(), {{samba.address, {"HLVSAMBA", "HLVLAB"}}}},
        {"range_ends_before_it", {Segment().start, NetworkOrder(HostOrder(samba.address) - 1)}, {}},
    };
    for (const auto& c : cases) {
        MemoryNameBook book;
        EXPECT_EQ(Walk(c.range, book), static_cast<int>(c.expected.size())) << c.name;
        EXPECT_EQ(book.Entries(), c.expected) << c.name;
    }
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
    MemoryNameBook book;
    ASSERT_EQ(Walk(Segment(), book), 1);
    // In order: each step sees the book as the steps before it left it.
    struct Step {
        const char* kind;
        std::string host;
        std::string domain;
        int lookups;
    };
    const Step steps[] = {
        // Its hosts-file name is never asked for: the book's NetBIOS names stand.
        {"samba", "HLVSAMBA", "HLVLAB", 0},
        // Reverse look-up and the forward one that confirms it; the name goes into the book.
        {"normal", "normal1.hlv-lab.test", "", 2},
        {"normal", "normal1.hlv-lab.test", "", 0},
        // No name: nothing is stored, so the next fill asks again.
        {"partial", "", "", 1},
        {"partial", "", "", 1},
    };
    for (const auto& step : steps) {
        const LabHost host = Lab::Get().Hosts(step.kind).at(0);
        CountingSystemResolver resolver;
        NodeRecord record;
        record.ip = host.address;
        FillNodeNames(record, 1, book, resolver);
        SCOPED_TRACE(FormatIp(host.address));
        EXPECT_EQ(record.host, step.host);
        EXPECT_EQ(record.domain, step.domain);
        EXPECT_EQ(resolver.lookups, step.lookups);
    }
}

}  // namespace
}  // namespace halvera
