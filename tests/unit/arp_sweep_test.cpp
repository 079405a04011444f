#include "net/arp_sweep.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/arp_probe.h"
#include "support/fake_packet_driver.h"
#include "support/recording_error_log.h"
#include "support/recording_prompt.h"

namespace halvera {
namespace {

using test::Frame;
using test::ScriptedAttempt;

const MacAddress OWN_MAC{0x02, 0x11, 0x22, 0x33, 0x44, 0x55};
const LocalAdapterInfo LOCAL{MakeIp(198, 18, 7, 10), MakeIp(255, 255, 255, 0), OWN_MAC};
const Ipv4 PROBED = MakeIp(198, 18, 7, 21);
const MacAddress PROBED_MAC{0x02, 0, 0, 0, 0, 0x15};

// A reply from the address to this host, as an answer to its request arrives.
Frame ReplyFrom(Ipv4 from, const MacAddress& mac = PROBED_MAC) {
    return test::ArpReply(from, mac, LOCAL.ownAddress, OWN_MAC);
}

// The same reply that another station asked for.
Frame ReplyToAnotherStation(Ipv4 from) {
    return test::ArpReply(from, PROBED_MAC, MakeIp(198, 18, 7, 99), {0x02, 0, 0, 0, 0, 0x63});
}

// The own kernel's look-up of the address, sent to broadcast, and the reply it gets: the
// reply looks just like an answer to a fake destination.
ScriptedAttempt KernelLooksUp(Ipv4 address) {
    ProbeFrame request = BuildProbeFrame(PROBE_PRESENCE, LOCAL);
    SetProbeTarget(request, address);
    return ScriptedAttempt::Captures({Frame(request.begin(), request.end()), ReplyFrom(address)});
}

// A packet driver with its recorders, the attempt settings of a probe and no real waits.
struct Probing {
    test::FakePacketDriver driver;
    test::RecordingErrorLog log;
    test::RecordingPrompt prompt;
    PacketAttempt attempt{driver, log, prompt, 0, 100, [](std::chrono::milliseconds) {}, 250};
};

// The request kind and target of every frame sent, as "P.21" or "B47.21".
std::vector<std::string> SentRequests(const test::FakePacketDriver& driver) {
    static const char* const NAMES[] = {"P", "B47", "B16", "B8"};
    std::vector<std::string> sent;
    for (const Frame& frame : driver.Sent()) {
        std::string kind = "?";
        for (int k = PROBE_PRESENCE; k <= PROBE_B8; ++k) {
            const MacAddress d = ProbeDestination(k);
            if (std::equal(d.begin(), d.end(), frame.begin())) {
                kind = NAMES[k];
            }
        }
        sent.push_back(kind + "." + std::to_string(frame[41]));
    }
    return sent;
}

// One address, one window per attempt: the block must reach ProbeNode's verdict on the same
// windows, whatever the replies do.
TEST(SweepBlock, GivesProbeNodesVerdictWhateverTheRepliesDo) {
    const ScriptedAttempt silence = ScriptedAttempt::Silence();
    const ScriptedAttempt answer = ScriptedAttempt::Captures({ReplyFrom(PROBED)});
    const struct Case {
        const char* name;
        int attempts;
        std::vector<ScriptedAttempt> windows;  // presence windows, then B47, B16, B8
        int result;
        TestBits bits;
    } cases[] = {
        {"answers everything at once",
         1,
         {answer, answer, answer, answer},
         1,
         TEST_B47 | TEST_B16 | TEST_B8},
        {"silent", 3, {silence, silence, silence}, 2, 0},
        {"presence reply late, in the second window",
         2,
         {silence, answer, silence, silence, silence, silence, silence, silence},
         1,
         0},
        {"presence reply later than the last window", 1, {silence, answer}, 2, 0},
        {"every reply twice",
         1,
         {ScriptedAttempt::Captures({ReplyFrom(PROBED), ReplyFrom(PROBED)}),
          ScriptedAttempt::Captures({ReplyFrom(PROBED), ReplyFrom(PROBED)}), silence, silence},
         1,
         TEST_B47},
        {"replies from another address only",
         2,
         {ScriptedAttempt::Captures({ReplyFrom(MakeIp(198, 18, 7, 22))}), silence},
         2,
         0},
        {"a B47 reply late in the B16 window counts for B16",
         1,
         {answer, silence, answer, silence},
         1,
         TEST_B16},
        {"no reply to B16 in any attempt",
         2,
         {answer, answer, silence, silence, answer},
         1,
         TEST_B47 | TEST_B8},
        {"B8 answered at its last attempt",
         3,
         {answer, silence, silence, silence, silence, silence, silence, silence, silence, answer},
         1,
         TEST_B8},
        {"the kernel looked the address up in the B47 window: repeated without counting",
         1,
         {answer, KernelLooksUp(PROBED), silence, silence, silence},
         1,
         0},
        {"answered B47 when repeated after a look-up",
         1,
         {answer, KernelLooksUp(PROBED), answer, silence, silence},
         1,
         TEST_B47},
        {"looked up in every window: repeated once, then silent",
         2,
         {answer, KernelLooksUp(PROBED), KernelLooksUp(PROBED), KernelLooksUp(PROBED),
          KernelLooksUp(PROBED), KernelLooksUp(PROBED), KernelLooksUp(PROBED),
          KernelLooksUp(PROBED), KernelLooksUp(PROBED), KernelLooksUp(PROBED)},
         1,
         0},
        {"a look-up of another address leaves the answer standing",
         1,
         {answer,
          ScriptedAttempt::Captures(
              {KernelLooksUp(MakeIp(198, 18, 7, 22)).captured->at(0), ReplyFrom(PROBED)}),
          silence, silence},
         1,
         TEST_B47},
        {"a request that does not leave, with nothing seen",
         1,
         {ScriptedAttempt{true, false, true, std::vector<Frame>{}}},
         -1,
         0},
        {"read fails in the presence window", 2, {ScriptedAttempt::ReadFails()}, -1, 0},
        {"read fails in the B16 window",
         1,
         {answer, answer, ScriptedAttempt::ReadFails()},
         1,
         TEST_B47},
        {"adapter does not open for B47", 1, {answer, ScriptedAttempt{false}}, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Probing one;
        one.driver.Script(c.windows);
        TestBits bits = 0;
        EXPECT_EQ(ProbeNode(one.attempt, LOCAL, PROBED, c.attempts, bits), c.result);
        EXPECT_EQ(c.result == 1 ? bits : 0u, c.bits);

        Probing block;
        block.driver.Script(c.windows);
        const SweepTarget target{PROBED, c.attempts};
        const auto outcomes = SweepBlock(block.attempt, LOCAL, {&target, 1});
        ASSERT_EQ(outcomes.size(), 1u);
        EXPECT_EQ(outcomes[0].result, c.result);
        EXPECT_EQ(outcomes[0].bits, c.bits);
        EXPECT_EQ(outcomes[0].mac.has_value(), c.result == 1);
        // The same requests, in the same order, leave in both.
        EXPECT_EQ(SentRequests(block.driver), SentRequests(one.driver));
        EXPECT_EQ(block.log.Lines(), one.log.Lines());
    }
}

// A reply another station asked for tells nothing about this probe: during a test round it
// would mark a node that merely answered its neighbour as promiscuous.
TEST(SweepBlock, RepliesToAnotherStationCountForNothing) {
    Probing block;
    const ScriptedAttempt answer = ScriptedAttempt::Captures({ReplyFrom(PROBED)});
    const ScriptedAttempt foreign = ScriptedAttempt::Captures({ReplyToAnotherStation(PROBED)});
    block.driver.Script({foreign, answer, foreign, foreign, foreign});
    const SweepTarget target{PROBED, 2};
    const auto outcomes = SweepBlock(block.attempt, LOCAL, {&target, 1});
    EXPECT_EQ(outcomes[0].result, 1);
    EXPECT_EQ(outcomes[0].bits, 0u);
}

TEST(SweepBlock, RoundsCarryOnlyTheAddressesStillOpenAtTheSendRate) {
    const Ipv4 known = MakeIp(198, 18, 7, 30);    // stored: three attempts, never answers
    const Ipv4 unknown = MakeIp(198, 18, 7, 31);  // one attempt
    const Ipv4 sniffer = MakeIp(198, 18, 7, 32);  // answers at once, and B16 only
    const MacAddress snifferMac{0x02, 0, 0, 0, 0, 0x20};
    Probing block;
    block.driver.Script({
        ScriptedAttempt::Captures({ReplyFrom(sniffer, snifferMac), ReplyFrom(sniffer, PROBED_MAC)}),
        ScriptedAttempt::Silence(), ScriptedAttempt::Silence(),
        ScriptedAttempt::Silence(),  // B47
        ScriptedAttempt::Captures({ReplyFrom(sniffer)}),
        ScriptedAttempt::Silence(),  // B8
    });
    const std::vector<SweepTarget> targets{{known, 3}, {unknown, 1}, {sniffer, 1}};
    const auto outcomes = SweepBlock(block.attempt, LOCAL, targets);
    EXPECT_EQ(SentRequests(block.driver),
              (std::vector<std::string>{"P.30", "P.31", "P.32", "P.30", "P.30", "B47.32", "B16.32",
                                        "B8.32"}));
    EXPECT_EQ(block.driver.Rates(), std::vector<int>(6, 250));
    ASSERT_EQ(outcomes.size(), 3u);
    EXPECT_EQ(outcomes[0].result, 2);
    EXPECT_EQ(outcomes[1].result, 2);
    EXPECT_EQ(outcomes[2].result, 1);
    EXPECT_EQ(outcomes[2].bits, TEST_B16);
    // The first reply names the MAC, as the first reply to a look-up would.
    EXPECT_EQ(outcomes[2].mac, snifferMac);
}

TEST(SweepBlock, OwnAddressGetsOnePresenceAttempt) {
    Probing block;
    const std::vector<SweepTarget> targets{{LOCAL.ownAddress, 4}, {PROBED, 2}};
    const auto outcomes = SweepBlock(block.attempt, LOCAL, targets);
    EXPECT_EQ(SentRequests(block.driver), (std::vector<std::string>{"P.10", "P.21", "P.21"}));
    EXPECT_EQ(outcomes[0].result, 2);
    EXPECT_EQ(outcomes[1].result, 2);
}

TEST(SweepBlock, FailedPresenceRoundEndsTheBlockWithOneMessage) {
    const Ipv4 answered = MakeIp(198, 18, 7, 40);
    const Ipv4 settled = MakeIp(198, 18, 7, 41);  // its one attempt was spent in round one
    const Ipv4 open = MakeIp(198, 18, 7, 42);
    Probing block;
    block.driver.Script({ScriptedAttempt::Captures({ReplyFrom(answered)}), ScriptedAttempt{false}});
    const std::vector<SweepTarget> targets{{answered, 2}, {settled, 1}, {open, 2}};
    const auto outcomes = SweepBlock(block.attempt, LOCAL, targets);
    EXPECT_EQ(outcomes[0].result, 1);
    EXPECT_EQ(outcomes[0].bits, 0u);
    EXPECT_EQ(outcomes[1].result, 2);
    EXPECT_EQ(outcomes[2].result, -1);
    // No test round follows the failure.
    EXPECT_EQ(SentRequests(block.driver), (std::vector<std::string>{"P.40", "P.41", "P.42"}));
    EXPECT_EQ(block.prompt.Boxes().size(), 1u);
}

}  // namespace
}  // namespace halvera
