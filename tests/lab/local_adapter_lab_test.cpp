#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "net/local_adapter_info.h"
#include "support/lab.h"
#include "support/lab_fixture.h"
#include "support/lab_packet_driver.h"
#include "support/recording_error_log.h"

namespace halvera {
namespace {

using test::Lab;
using test::LabHost;

MacAddress ParseMac(const std::string& text) {
    unsigned b[6] = {};
    std::sscanf(text.c_str(), "%x:%x:%x:%x:%x:%x", &b[0], &b[1], &b[2], &b[3], &b[4], &b[5]);
    MacAddress mac;
    std::copy(b, b + 6, mac.begin());
    return mac;
}

// The own host of the lab has two Ethernet adapters (eth0 on the segment, side0 off it)
// and a loopback interface.
class LocalAdapterLab : public test::LabFixture {
  protected:
    std::unique_ptr<PacketDriver> m_driverOwner = test::LabPacketDriver();
    PacketDriver& m_driver = *m_driverOwner;
};

TEST_F(LocalAdapterLab, AdapterListHoldsTheEthernetInterfacesWithAnAddress) {
    const auto adapters = m_driver.Adapters();
    ASSERT_TRUE(adapters.has_value());
    std::vector<std::string> names;
    for (const auto& adapter : *adapters) {
        names.push_back(adapter.name);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"eth0", "side0"}));
}

// An interface taken down leaves the list, as an unplugged adapter does, and comes back with
// it up again.
TEST_F(LocalAdapterLab, AnInterfaceThatIsDownIsNoAdapter) {
    ASSERT_TRUE(Lab::SetLinkUp("side0", false));
    const auto whileDown = m_driver.Adapters();
    ASSERT_TRUE(Lab::SetLinkUp("side0", true));
    ASSERT_TRUE(whileDown.has_value());
    std::vector<std::string> names;
    for (const auto& adapter : *whileDown) {
        names.push_back(adapter.name);
    }
    EXPECT_EQ(names, std::vector<std::string>{"eth0"});
    EXPECT_EQ(m_driver.Adapters()->size(), 2u);
}

TEST_F(LocalAdapterLab, EachAdapterGivesItsOwnAddressMaskAndMac) {
    std::vector<LabHost> own = Lab::Get().Hosts("own");
    const std::vector<LabHost> side = Lab::Get().Hosts("side");
    own.insert(own.end(), side.begin(), side.end());
    ASSERT_EQ(own.size(), 2u);
    for (const auto& host : own) {
        SCOPED_TRACE(host.interface);
        const int adpnum = Lab::AdapterIndexOf(m_driver, host);
        ASSERT_GE(adpnum, 0);
        test::RecordingErrorLog log;
        LocalAdapterInfo info;
        ASSERT_EQ(ReadLocalAdapter(m_driver, adpnum, log, info), 0);
        EXPECT_EQ(FormatIp(info.ownAddress), FormatIp(host.address));
        EXPECT_EQ(FormatIp(info.subnetMask), "255.255.255.0");
        EXPECT_EQ(FormatMac(info.ownMac), FormatMac(ParseMac(host.mac)));
        EXPECT_TRUE(log.Lines().empty());
    }
}

}  // namespace
}  // namespace halvera
