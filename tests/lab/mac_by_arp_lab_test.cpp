#include "net/mac_by_arp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/local_adapter_info.h"
#include "net/pcap_packet_driver.h"
#include "support/lab.h"
#include "support/lab_fixture.h"
#include "support/lab_mac.h"
#include "support/recording_error_log.h"
#include "support/recording_prompt.h"

namespace halvera {
namespace {

using test::Lab;

class MacByArpLab : public test::LabFixture {
  protected:
    void SetUp() override {
        LabFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        m_adpnum = Lab::AdapterIndexOf(m_driver, Lab::Get().Own());
        ASSERT_GE(m_adpnum, 0) << "the own host's eth0 is not in the adapter list";
        ASSERT_EQ(ReadLocalAdapter(m_driver, m_adpnum, m_log, m_local), 0);
    }
    void TearDown() override {
        m_driver.Release();
        LabFixture::TearDown();
    }

    PcapPacketDriver m_driver;
    test::RecordingErrorLog m_log;
    test::RecordingPrompt m_prompt;
    LocalAdapterInfo m_local;
    int m_adpnum = -1;
};

TEST_F(MacByArpLab, EveryLabAddressGivesItsRealMacOrLeavesItAsItWas) {
    const MacAddress before{0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
    PacketAttempt attempt{m_driver, m_log, m_prompt, m_adpnum, 100};
    std::vector<test::LabHost> hosts;
    for (const char* kind : {"own", "normal", "sniffing", "partial", "empty", "side"}) {
        for (const auto& host : Lab::Get().Hosts(kind)) {
            hosts.push_back(host);
        }
    }
    for (const auto& host : hosts) {
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
