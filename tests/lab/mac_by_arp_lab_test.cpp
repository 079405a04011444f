#include "net/mac_by_arp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/lab_mac.h"
#include "support/own_adapter_lab_fixture.h"

namespace halvera {
namespace {

using test::Lab;

using MacByArpLab = test::OwnAdapterLabFixture;

TEST_F(MacByArpLab, EveryLabAddressGivesItsRealMacOrLeavesItAsItWas) {
    const MacAddress before{0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
    PacketAttempt attempt{m_driver, m_log, m_prompt, m_adpnum, 100};
    for (const auto& host :
         Lab::Get().Hosts({"own", "normal", "sniffing", "partial", "empty", "side"})) {
        SCOPED_TRACE(host.kind + " " + FormatIp(host.address));
        // Empty addresses and the second adapter's subnet keep what the caller had.
        const bool answers = host.kind != "empty" && host.kind != "side";
        MacAddress mac = before;
        EXPECT_EQ(GetMacByArp(attempt, m_local, host.address, mac), answers);
        EXPECT_EQ(mac, answers ? test::LabMac(host.mac) : before);
    }
    EXPECT_TRUE(m_log.Lines().empty());
    EXPECT_TRUE(m_prompt.Boxes().empty());
}

}  // namespace
}  // namespace halvera
