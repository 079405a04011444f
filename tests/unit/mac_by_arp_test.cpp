#include "net/mac_by_arp.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "support/fake_packet_driver.h"
#include "support/recording_error_log.h"
#include "support/recording_prompt.h"

namespace halvera {
namespace {

using test::Frame;
using test::ScriptedAttempt;

const LocalAdapterInfo LOCAL{MakeIp(198, 18, 7, 10), MakeIp(255, 255, 255, 0),
                             MacAddress{0x02, 0x11, 0x22, 0x33, 0x44, 0x55}};
const Ipv4 ASKED = MakeIp(198, 18, 7, 21);
const MacAddress ASKED_MAC{0x02, 0x48, 0x4C, 0x56, 0x07, 0x15};
const MacAddress BEFORE{0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};

Frame ReplyFrom(Ipv4 from, const MacAddress& mac) {
    return test::ArpReply(from, mac, LOCAL.ownAddress, LOCAL.ownMac);
}

// Looks up through a fake driver on adapter 2, three requests with windows of three steps
// of 10 ms, and records the waits.
Frame Cut(Frame frame, std::size_t size) {
    frame.resize(size);
    return frame;
}

class GetMacByArpTest : public testing::Test {
  protected:
    bool Lookup(test::FakePacketDriver& driver, Ipv4 address,
                const LocalAdapterInfo& local = LOCAL) {
        m_waits.clear();
        m_mac = BEFORE;
        PacketAttempt attempt{
            driver, m_log, m_prompt,
            2,      100,   [this](std::chrono::milliseconds ms) { m_waits.push_back(ms.count()); }};
        return GetMacByArp(attempt, local, address, m_mac,
                           {3, std::chrono::milliseconds(30), std::chrono::milliseconds(10)});
    }

    test::RecordingErrorLog m_log;
    test::RecordingPrompt m_prompt;
    std::vector<long> m_waits;
    MacAddress m_mac = BEFORE;
};

TEST_F(GetMacByArpTest, RequestsUntilTheAddressAnswersAndTakesTheSenderMac) {
    ScriptedAttempt open;
    open.opens = false;
    ScriptedAttempt unsent;
    unsent.sends = false;
    struct Case {
        const char* name;
        std::vector<ScriptedAttempt> script;
        std::optional<MacAddress> expected;
        std::size_t requests;
        std::size_t waits;  // steps of 10 ms over every window
    };
    const Case cases[] = {
        {"answer to the first request",
         {ScriptedAttempt::Captures({ReplyFrom(ASKED, ASKED_MAC)})},
         ASKED_MAC,
         1,
         1},
        {"answer to the third request",
         {ScriptedAttempt::Silence(), ScriptedAttempt::Silence(),
          ScriptedAttempt::Captures({ReplyFrom(ASKED, ASKED_MAC)})},
         ASKED_MAC,
         3,
         7},
        {"silence", {}, std::nullopt, 3, 9},
        {"only other hosts answer",
         {ScriptedAttempt::Captures(
             {ReplyFrom(MakeIp(198, 18, 7, 22), BEFORE), Cut(ReplyFrom(ASKED, ASKED_MAC), 27)})},
         std::nullopt,
         3,
         9},
        {"first reply from the address wins",
         {ScriptedAttempt::Captures({ReplyFrom(MakeIp(198, 18, 7, 22), BEFORE),
                                     ReplyFrom(ASKED, ASKED_MAC), ReplyFrom(ASKED, BEFORE)})},
         ASKED_MAC,
         1,
         1},
        {"a failed read ends only its window",
         {ScriptedAttempt::ReadFails(), ScriptedAttempt::Captures({ReplyFrom(ASKED, ASKED_MAC)})},
         ASKED_MAC,
         2,
         2},
        {"adapter that does not open", {open, open, open}, std::nullopt, 0, 0},
        {"request that does not leave", {unsent, unsent, unsent}, std::nullopt, 3, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::FakePacketDriver driver;
        driver.Script(c.script);
        EXPECT_EQ(Lookup(driver, ASKED), c.expected.has_value());
        EXPECT_EQ(m_mac, c.expected.value_or(BEFORE));
        EXPECT_EQ(driver.Sent().size(), c.requests);
        EXPECT_EQ(m_waits, std::vector<long>(c.waits, 10));
        EXPECT_FALSE(driver.IsOpen());
        for (int adapter : driver.Opened()) {
            EXPECT_EQ(adapter, 2);
        }
    }
    EXPECT_TRUE(m_log.Lines().empty());
    EXPECT_TRUE(m_prompt.Boxes().empty());
}

TEST_F(GetMacByArpTest, RequestIsABroadcastArpRequestForTheAddress) {
    test::FakePacketDriver driver;
    driver.Script({ScriptedAttempt::Captures({ReplyFrom(ASKED, ASKED_MAC)})});
    ASSERT_TRUE(Lookup(driver, ASKED));
    ProbeFrame expected = BuildProbeFrame(PROBE_PRESENCE, LOCAL);
    SetProbeTarget(expected, ASKED);
    ASSERT_EQ(driver.Sent().size(), 1u);
    EXPECT_EQ(driver.Sent()[0], Frame(expected.begin(), expected.end()));
}

TEST_F(GetMacByArpTest, OwnAddressAndAddressesOutsideTheSubnetSendNothing) {
    struct Case {
        const char* name;
        Ipv4 address;
        Ipv4 mask;
        bool found;
        MacAddress expected;
        std::size_t requests;
    };
    const Case cases[] = {
        {"own address", LOCAL.ownAddress, LOCAL.subnetMask, true, LOCAL.ownMac, 0},
        {"outside the subnet", MakeIp(198, 18, 8, 21), LOCAL.subnetMask, false, BEFORE, 0},
        {"no mask: every address is inside", MakeIp(10, 1, 2, 3), 0, false, BEFORE, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::FakePacketDriver driver;
        LocalAdapterInfo local = LOCAL;
        local.subnetMask = c.mask;
        EXPECT_EQ(Lookup(driver, c.address, local), c.found);
        EXPECT_EQ(m_mac, c.expected);
        EXPECT_EQ(driver.Sent().size(), c.requests);
    }
}

}  // namespace
}  // namespace halvera
