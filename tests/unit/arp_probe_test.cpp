#include "net/arp_probe.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/fake_packet_driver.h"
#include "support/recording_error_log.h"
#include "support/recording_prompt.h"

namespace halvera {
namespace {

using test::ScriptedAttempt;

const LocalAdapterInfo LOCAL{MakeIp(198, 18, 7, 10), MakeIp(255, 255, 255, 0),
                             MacAddress{0x02, 0x11, 0x22, 0x33, 0x44, 0x55}};
const Ipv4 PROBED = MakeIp(198, 18, 7, 21);
const MacAddress PROBED_MAC{0x02, 0, 0, 0, 0, 0x15};

ScriptedAttempt Answer() {
    return ScriptedAttempt::Captures(
        {test::ArpReply(PROBED, PROBED_MAC, LOCAL.ownAddress, LOCAL.ownMac)});
}

class ProbeNodeTest : public testing::Test {
  protected:
    // The probe kind of every frame sent, told by its destination.
    std::vector<int> SentKinds() const {
        std::vector<int> kinds;
        for (const auto& frame : m_driver.Sent()) {
            int kind = -1;
            for (int k = PROBE_PRESENCE; k <= PROBE_GR; ++k) {
                const MacAddress d = ProbeDestination(k);
                if (std::equal(d.begin(), d.end(), frame.begin())) {
                    kind = k;
                }
            }
            kinds.push_back(kind);
        }
        return kinds;
    }
    int Probe(int attempts) { return ProbeNode(m_attempt, LOCAL, PROBED, attempts, m_bits); }

    test::FakePacketDriver m_driver;
    test::RecordingErrorLog m_log;
    test::RecordingPrompt m_prompt;
    std::vector<int> m_waits;
    PacketAttempt m_attempt{
        m_driver, m_log, m_prompt,
        0,        100,   [this](std::chrono::milliseconds ms) { m_waits.push_back(ms.count()); }};
    TestBits m_bits = 0x55;
};

constexpr int P = PROBE_PRESENCE, B47 = PROBE_B47, B16 = PROBE_B16, B8 = PROBE_B8;

TEST_F(ProbeNodeTest, PresentHostGetsEveryKindsAttemptsInAWindowOfItsOwn) {
    m_driver.Script({Answer()});
    EXPECT_EQ(Probe(3), 1);
    EXPECT_EQ(m_bits, 0u);
    EXPECT_EQ(SentKinds(), (std::vector<int>{P, P, P, B47, B47, B47, B16, B16, B16, B8, B8, B8}));
    EXPECT_EQ(m_driver.Opened().size(), 4u);
    // Three waves a short gap apart, then TIMEOUT for the replies, in each window.
    EXPECT_EQ(m_waits, (std::vector<int>{5, 5, 100, 5, 5, 100, 5, 5, 100, 5, 5, 100}));
    EXPECT_TRUE(m_log.Lines().empty());
}

TEST_F(ProbeNodeTest, EachTestIsAnsweredByAReplyInItsOwnWindow) {
    m_driver.Script({Answer(), Answer(), ScriptedAttempt::Silence(), Answer()});
    EXPECT_EQ(Probe(2), 1);
    EXPECT_EQ(m_bits, TEST_B47 | TEST_B8);
    EXPECT_EQ(SentKinds(), (std::vector<int>{P, P, B47, B47, B16, B16, B8, B8}));
}

TEST_F(ProbeNodeTest, SilentPresenceWindowIsAbsentWithBitsUntouched) {
    // Answers to fake destinations after the silence must not matter: no test is made.
    m_driver.Script({ScriptedAttempt::Silence(), Answer(), Answer()});
    EXPECT_EQ(Probe(3), 2);
    EXPECT_EQ(m_bits, 0x55u);
    EXPECT_EQ(SentKinds(), (std::vector<int>{P, P, P}));
}

TEST_F(ProbeNodeTest, ErrorDuringB16KeepsTheB47BitAndEndsTheTests) {
    m_driver.Script({Answer(), Answer(), ScriptedAttempt::ReadFails(), Answer()});
    EXPECT_EQ(Probe(3), 1);
    EXPECT_EQ(m_bits, TEST_B47);
    EXPECT_EQ(SentKinds(), (std::vector<int>{P, P, P, B47, B47, B47, B16, B16, B16}));
    EXPECT_EQ(m_log.Lines(), (decltype(m_log.Lines()){{"netmond", "PacketReceivePacket error"}}));
}

TEST_F(ProbeNodeTest, ErrorDuringPresenceIsAnErrorWithBitsUntouched) {
    m_driver.Script({ScriptedAttempt::ReadFails(), Answer()});
    EXPECT_EQ(Probe(3), -1);
    EXPECT_EQ(m_bits, 0x55u);
    EXPECT_EQ(SentKinds(), (std::vector<int>{P, P, P}));
}

TEST_F(ProbeNodeTest, NoAttemptCountStillProbesOnce) {
    m_driver.Script({Answer(), Answer(), Answer(), Answer()});
    EXPECT_EQ(Probe(0), 1);
    EXPECT_EQ(m_bits, TEST_B47 | TEST_B16 | TEST_B8);
    EXPECT_EQ(SentKinds(), (std::vector<int>{P, B47, B16, B8}));
}

TEST(IsSniffing, SelectedAndAnyMode) {
    struct Case {
        std::int32_t promiss;
        TestBits bits;
        bool expected;
    };
    const Case cases[] = {
        {7, 7, true},     {7, 3, false},       {7, 0, false},       {3, 3, true},
        {3, 7, true},     {3, 1, false},       {1, 1, true},        {0, 7, false},
        {0, 0, false},    {8, 7, false},       {8 | 1, 1, false},   {0x80, 4, true},
        {0x80, 0, false}, {0x80 | 7, 1, true}, {0x80 | 8, 2, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsSniffing(c.promiss, c.bits), c.expected)
            << "PROMISS " << c.promiss << " bits " << c.bits;
    }
}

}  // namespace
}  // namespace halvera
