#include "net/arp_sweep.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
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

// A packet driver with its recorders, the attempt settings of a probe and the waits it made
// instead of real ones.
struct Probing {
    test::FakePacketDriver driver;
    test::RecordingErrorLog log;
    test::RecordingPrompt prompt;
    std::vector<long> waits;
    PacketAttempt attempt{
        driver, log, prompt,
        0,      100, [this](std::chrono::milliseconds ms) { waits.push_back(ms.count()); },
        250};
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

// One address: each kind's attempts share one window (a repeated one after a kernel look-up),
// and the verdict is the same as ProbeNode's, whatever the replies do.
TEST(SweepBlock, GivesOneVerdictPerKindWindowWhateverTheRepliesDo) {
    const ScriptedAttempt silence = ScriptedAttempt::Silence();
    const ScriptedAttempt answer = ScriptedAttempt::Captures({ReplyFrom(PROBED)});
    const struct Case {
        const char* name;
        int attempts;
        std::vector<ScriptedAttempt> windows;  // presence window, then B47, B16, B8
        int result;
        TestBits bits;
        std::size_t windowsOpened;
    } cases[] = {
        {"answers everything at once",
         1,
         {answer, answer, answer, answer},
         1,
         TEST_B47 | TEST_B16 | TEST_B8,
         4},
        {"silent: all three attempts in one window", 3, {silence, answer}, 2, 0, 1},
        {"present: each test window carries both attempts",
         2,
         {answer, silence, silence, silence},
         1,
         0,
         4},
        {"presence reply later than its window", 1, {silence, answer}, 2, 0, 1},
        {"every reply twice",
         1,
         {ScriptedAttempt::Captures({ReplyFrom(PROBED), ReplyFrom(PROBED)}),
          ScriptedAttempt::Captures({ReplyFrom(PROBED), ReplyFrom(PROBED)}), silence, silence},
         1,
         TEST_B47,
         4},
        {"replies from another address only",
         2,
         {ScriptedAttempt::Captures({ReplyFrom(MakeIp(198, 18, 7, 22))}), silence},
         2,
         0,
         1},
        {"a B47 reply late in the B16 window counts for B16",
         1,
         {answer, silence, answer, silence},
         1,
         TEST_B16,
         4},
        {"no reply to B16 in its window",
         2,
         {answer, answer, silence, answer},
         1,
         TEST_B47 | TEST_B8,
         4},
        {"the kernel looked the address up in the B47 window: repeated without counting",
         1,
         {answer, KernelLooksUp(PROBED), silence, silence, silence},
         1,
         0,
         5},
        {"answered B47 when repeated after a look-up",
         3,
         {answer, KernelLooksUp(PROBED), answer, silence, silence},
         1,
         TEST_B47,
         5},
        {"looked up in every window: repeated once, then silent",
         2,
         {answer, KernelLooksUp(PROBED), KernelLooksUp(PROBED), KernelLooksUp(PROBED),
          KernelLooksUp(PROBED), KernelLooksUp(PROBED), KernelLooksUp(PROBED), answer},
         1,
         0,
         7},
        {"a look-up of another address leaves the answer standing",
         1,
         {answer,
          ScriptedAttempt::Captures(
              {KernelLooksUp(MakeIp(198, 18, 7, 22)).captured->at(0), ReplyFrom(PROBED)}),
          silence, silence},
         1,
         TEST_B47,
         4},
        {"a request that does not leave, with nothing seen",
         1,
         {ScriptedAttempt{true, false, true, std::vector<Frame>{}}},
         -1,
         0,
         1},
        {"read fails in the presence window", 2, {ScriptedAttempt::ReadFails()}, -1, 0, 1},
        {"read fails in the B16 window",
         1,
         {answer, answer, ScriptedAttempt::ReadFails(), answer},
         1,
         TEST_B47,
         3},
        {"adapter does not open for B47", 1, {answer, ScriptedAttempt{false}}, 1, 0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Probing block;
        block.driver.Script(c.windows);
        const SweepTarget target{PROBED, c.attempts};
        const auto outcomes = SweepBlock(block.attempt, LOCAL, {&target, 1});
        ASSERT_EQ(outcomes.size(), 1u);
        EXPECT_EQ(outcomes[0].result, c.result);
        EXPECT_EQ(outcomes[0].bits, c.bits);
        EXPECT_EQ(outcomes[0].mac.has_value(), c.result == 1);
        EXPECT_EQ(block.driver.Opened().size(), c.windowsOpened);

        Probing one;
        one.driver.Script(c.windows);
        TestBits bits = 0;
        EXPECT_EQ(ProbeNode(one.attempt, LOCAL, PROBED, c.attempts, bits), c.result);
        EXPECT_EQ(c.result == 1 ? bits : 0u, c.bits);
    }
}

// A reply another station asked for tells nothing about this probe: during a test round it
// would mark a node that merely answered its neighbour as promiscuous.
TEST(SweepBlock, RepliesToAnotherStationCountForNothing) {
    Probing block;
    const ScriptedAttempt answer = ScriptedAttempt::Captures({ReplyFrom(PROBED)});
    const ScriptedAttempt foreign = ScriptedAttempt::Captures({ReplyToAnotherStation(PROBED)});
    block.driver.Script({answer, foreign, foreign, foreign});
    const SweepTarget target{PROBED, 2};
    const auto outcomes = SweepBlock(block.attempt, LOCAL, {&target, 1});
    EXPECT_EQ(outcomes[0].result, 1);
    EXPECT_EQ(outcomes[0].bits, 0u);
}

// Each address gets all its attempts of a kind in the kind's one window, in waves a short gap
// apart; the window closes TIMEOUT after the last wave.
TEST(SweepBlock, AttemptsOfAKindGoOutInWavesOfOneWindow) {
    const Ipv4 known = MakeIp(198, 18, 7, 30);    // stored: three attempts, never answers
    const Ipv4 unknown = MakeIp(198, 18, 7, 31);  // one attempt
    const Ipv4 sniffer = MakeIp(198, 18, 7, 32);  // stored, answers at once, and B16 only
    const MacAddress snifferMac{0x02, 0, 0, 0, 0, 0x20};
    Probing block;
    block.driver.Script({
        ScriptedAttempt::Captures({ReplyFrom(sniffer, snifferMac), ReplyFrom(sniffer, PROBED_MAC)}),
        ScriptedAttempt::Silence(),  // B47
        ScriptedAttempt::Captures({ReplyFrom(sniffer)}),
        ScriptedAttempt::Silence(),  // B8
    });
    const std::vector<SweepTarget> targets{{known, 3}, {unknown, 1}, {sniffer, 2}};
    const auto outcomes = SweepBlock(block.attempt, LOCAL, targets);
    EXPECT_EQ(SentRequests(block.driver),
              (std::vector<std::string>{"P.30", "P.31", "P.32", "P.30", "P.32", "P.30", "B47.32",
                                        "B47.32", "B16.32", "B16.32", "B8.32", "B8.32"}));
    EXPECT_EQ(block.driver.Opened().size(), 4u);
    // One batch a wave, each at the attempt's send rate.
    EXPECT_EQ(block.driver.Rates(), std::vector<int>(9, 250));
    // Between the presence waves another request already lies between two copies (a slot of
    // 4 ms at 250 a second), so 1 ms is left of the gap; the tests of one address wait it all.
    EXPECT_EQ(block.waits, (std::vector<long>{1, 1, 100, 5, 100, 5, 100, 5, 100}));
    ASSERT_EQ(outcomes.size(), 3u);
    EXPECT_EQ(outcomes[0].result, 2);
    EXPECT_EQ(outcomes[1].result, 2);
    EXPECT_EQ(outcomes[2].result, 1);
    EXPECT_EQ(outcomes[2].bits, TEST_B16);
    // The first reply names the MAC, as the first reply to a look-up would.
    EXPECT_EQ(outcomes[2].mac, snifferMac);
}

// A hand-edited RETRY beyond the settings' 100 would only lengthen the window and fill the
// memory with its waves.
TEST(SweepBlock, AttemptsBeyondTheMostTheSettingsAllowCountAsThatMost) {
    Probing block;
    const SweepTarget target{PROBED, INT_MAX};
    const auto outcomes = SweepBlock(block.attempt, LOCAL, {&target, 1});
    EXPECT_EQ(outcomes[0].result, 2);
    EXPECT_EQ(block.driver.Sent().size(), 101u);
    EXPECT_EQ(block.driver.Opened().size(), 1u);
}

TEST(SweepBlock, OwnAddressGetsOnePresenceAttempt) {
    Probing block;
    const std::vector<SweepTarget> targets{{LOCAL.ownAddress, 4}, {PROBED, 2}};
    const auto outcomes = SweepBlock(block.attempt, LOCAL, targets);
    EXPECT_EQ(SentRequests(block.driver), (std::vector<std::string>{"P.10", "P.21", "P.21"}));
    EXPECT_EQ(outcomes[0].result, 2);
    EXPECT_EQ(outcomes[1].result, 2);
}

TEST(SweepBlock, FailedPresenceWindowEndsTheBlockWithOneMessage) {
    const std::vector<SweepTarget> targets{{MakeIp(198, 18, 7, 40), 2},
                                           {MakeIp(198, 18, 7, 41), 1}};
    Probing block;
    block.driver.Script({ScriptedAttempt{false}});
    const auto outcomes = SweepBlock(block.attempt, LOCAL, targets);
    EXPECT_EQ(outcomes[0].result, -1);
    EXPECT_EQ(outcomes[1].result, -1);
    // No test window follows the failure.
    EXPECT_EQ(block.driver.Opened().size(), 1u);
    EXPECT_EQ(block.prompt.Boxes().size(), 1u);
}

// A stop request ends the window in flight without its verdict: the addresses it would
// have settled are cut, nothing is logged or shown, and no further window opens. What an
// earlier window settled (an address absent after the presence window) stands.
TEST(SweepBlock, AStopCutsTheWindowInFlight) {
    const Ipv4 present = MakeIp(198, 18, 7, 50);
    const Ipv4 absent = MakeIp(198, 18, 7, 51);
    const ScriptedAttempt answer = ScriptedAttempt::Captures({ReplyFrom(present)});
    const struct Case {
        const char* name;
        std::size_t stopAtWait;  // the stop arrives during this wait (0 = the first)
        int presentResult;
        int absentResult;
        std::size_t windowsOpened;
        std::size_t framesSent;
    } cases[] = {
        {"between the presence waves", 0, SWEEP_CUT, SWEEP_CUT, 1, 2},
        {"while the presence window waits", 2, SWEEP_CUT, SWEEP_CUT, 1, 4},
        {"while the B16 window waits", 14, SWEEP_CUT, 2, 3, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Probing block;
        std::atomic<int> stop{0};
        block.attempt.stop = &stop;
        block.attempt.wait = [&](std::chrono::milliseconds ms) {
            if (block.waits.size() == c.stopAtWait) {
                stop = 1;
            }
            block.waits.push_back(ms.count());
        };
        block.driver.Script({answer, answer, answer, answer});
        const std::vector<SweepTarget> targets{{present, 2}, {absent, 2}};
        const auto outcomes = SweepBlock(block.attempt, LOCAL, targets);
        EXPECT_EQ(outcomes[0].result, c.presentResult);
        EXPECT_EQ(outcomes[1].result, c.absentResult);
        EXPECT_EQ(outcomes[0].bits, 0u);
        EXPECT_FALSE(outcomes[0].mac.has_value());
        EXPECT_EQ(block.driver.Opened().size(), c.windowsOpened);
        EXPECT_EQ(block.driver.Closes(), static_cast<int>(c.windowsOpened));
        EXPECT_EQ(block.driver.Sent().size(), c.framesSent);
        EXPECT_TRUE(block.log.Lines().empty());
        EXPECT_TRUE(block.prompt.Boxes().empty());
        // The stop is seen within one short step of the wait, not after the window.
        EXPECT_LE(block.waits.back(), 20);
    }
}

}  // namespace
}  // namespace halvera
