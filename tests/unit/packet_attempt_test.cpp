#include "net/packet_attempt.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "base/text_codec.h"
#include "support/fake_packet_driver.h"
#include "support/recording_error_log.h"
#include "support/recording_prompt.h"

namespace halvera {
namespace {

using test::Frame;
using test::ScriptedAttempt;
using LogLines = std::vector<std::pair<std::string, std::string>>;

const LocalAdapterInfo LOCAL{MakeIp(198, 18, 7, 10), MakeIp(255, 255, 255, 0),
                             MacAddress{0x02, 0x11, 0x22, 0x33, 0x44, 0x55}};
const Ipv4 PROBED = MakeIp(198, 18, 7, 21);
const MacAddress PROBED_MAC{0x02, 0, 0, 0, 0, 0x15};

Frame ReplyFrom(Ipv4 from, Ipv4 to = LOCAL.ownAddress, const MacAddress& toMac = LOCAL.ownMac) {
    return test::ArpReply(from, PROBED_MAC, to, toMac);
}

// A fake driver with the ports an attempt reports to, and the waits it made.
struct AttemptRig {
    test::FakePacketDriver driver;
    test::RecordingErrorLog log;
    test::RecordingPrompt prompt;
    std::vector<long> waits;

    PacketAttempt Attempt(int adpnum, int timeoutMs) {
        return {driver,    log,
                prompt,    adpnum,
                timeoutMs, [this](std::chrono::milliseconds ms) { waits.push_back(ms.count()); }};
    }
};

ScriptedAttempt With(ScriptedAttempt a, bool opens, bool sends, bool prepares) {
    a.opens = opens;
    a.sends = sends;
    a.prepares = prepares;
    return a;
}

TEST(SendAndCapture, ResultsAndLogLinesOfOneAttempt) {
    const auto ownRequest = [](int kind) {
        ProbeFrame f = BuildProbeFrame(kind, LOCAL);
        SetProbeTarget(f, PROBED);
        return Frame(f.begin(), f.end());
    };
    const Frame ownRequestSeenByOthers = ownRequest(PROBE_B47);
    const Frame kernelLookUp = ownRequest(PROBE_PRESENCE);
    Frame otherLookUp = kernelLookUp;
    otherLookUp[41] = 22;
    struct Case {
        const char* name;
        ScriptedAttempt script;
        int expected;
        LogLines log;
        bool waits;
    };
    const Case cases[] = {
        {"quiet segment after a good send", ScriptedAttempt::Silence(), 2, {}, true},
        {"reply to us", ScriptedAttempt::Captures({ReplyFrom(PROBED)}), 1, {}, true},
        // Another station asked: it tells nothing about our own request.
        {"reply to another host",
         ScriptedAttempt::Captures(
             {ReplyFrom(PROBED, MakeIp(198, 18, 7, 99), {0x02, 0, 0, 0, 0, 0x63})}),
         2,
         {},
         true},
        {"first reply among other traffic",
         ScriptedAttempt::Captures({ownRequestSeenByOthers, ReplyFrom(MakeIp(198, 18, 7, 22)),
                                    ReplyFrom(PROBED), ReplyFrom(PROBED)}),
         1,
         {},
         true},
        {"traffic without a reply from the probed address",
         ScriptedAttempt::Captures({ownRequestSeenByOthers, ReplyFrom(MakeIp(198, 18, 7, 22))}),
         2,
         {},
         true},
        // The kernel's own look-up of the address: its reply looks like an answer.
        {"reply after the kernel looked the address up",
         ScriptedAttempt::Captures({kernelLookUp, ReplyFrom(PROBED)}),
         PROBE_UNSURE,
         {},
         true},
        {"the kernel looked another address up",
         ScriptedAttempt::Captures({otherLookUp, ReplyFrom(PROBED)}),
         1,
         {},
         true},
        {"failed send, nothing else on the wire",
         With(ScriptedAttempt::Silence(), true, false, true),
         -1,
         {{"netmond", "PacketSendPacket failed"}},
         true},
        {"failed send, reply captured anyway",
         With(ScriptedAttempt::Captures({ReplyFrom(PROBED)}), true, false, true),
         1,
         {{"netmond", "PacketSendPacket failed"}},
         true},
        {"failed send, other traffic captured",
         With(ScriptedAttempt::Captures({ReplyFrom(MakeIp(198, 18, 7, 22))}), true, false, true),
         2,
         {{"netmond", "PacketSendPacket failed"}},
         true},
        {"read not prepared",
         With(ScriptedAttempt::Captures({ReplyFrom(PROBED)}), true, true, false),
         -1,
         {{"netmond", "PacketSetReadTimeout error"}},
         false},
        {"read fails",
         ScriptedAttempt::ReadFails(),
         -1,
         {{"netmond", "PacketReceivePacket error"}},
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AttemptRig rig;
        rig.driver.Script({c.script});
        ProbeFrame frame = BuildProbeFrame(PROBE_B47, LOCAL);

        EXPECT_EQ(SendAndCapture(rig.Attempt(1, 250), frame, PROBED), c.expected);
        EXPECT_EQ(rig.log.Lines(), c.log);
        EXPECT_TRUE(rig.prompt.Boxes().empty());
        EXPECT_EQ(rig.waits, c.waits ? std::vector<long>{250} : std::vector<long>{});
        EXPECT_EQ(rig.driver.Opened(), std::vector<int>{1});
        EXPECT_EQ(rig.driver.Closes(), 1);
        ASSERT_EQ(rig.driver.Sent().size(), 1u);
        EXPECT_EQ(rig.driver.Sent()[0].size(), PROBE_FRAME_SIZE);
        EXPECT_EQ(std::memcmp(rig.driver.Sent()[0].data() + 38, &PROBED, 4), 0);
    }
}

TEST(SendAndCapture, AdapterThatDoesNotOpenIsReportedAndShown) {
    AttemptRig rig;
    rig.driver.Script({With(ScriptedAttempt::Silence(), false, true, true)});
    ProbeFrame frame = BuildProbeFrame(PROBE_PRESENCE, LOCAL);

    EXPECT_EQ(SendAndCapture(rig.Attempt(2, 100), frame, PROBED), -1);
    EXPECT_EQ(rig.log.Lines(), (LogLines{{"netmond", "Unable to open the driver"}}));
    ASSERT_EQ(rig.prompt.Boxes().size(), 1u);
    EXPECT_EQ(rig.prompt.Boxes()[0].text, Sjis("winpcap driver not install。"));
    EXPECT_EQ(rig.prompt.Boxes()[0].icon, PromptIcon::Information);
    EXPECT_TRUE(rig.driver.Sent().empty());
    EXPECT_TRUE(rig.waits.empty());
    EXPECT_EQ(rig.driver.Opened(), std::vector<int>{2});
}

TEST(SendAndCapture, NegativeTimeoutDoesNotWait) {
    AttemptRig rig;
    ProbeFrame frame = BuildProbeFrame(PROBE_PRESENCE, LOCAL);
    EXPECT_EQ(SendAndCapture(rig.Attempt(0, -5), frame, PROBED), 2);
    EXPECT_EQ(rig.waits, std::vector<long>{0});
}

// A wave that repeats requests waits only for what the frames sent since their copies do not
// already space: every copy of a request leaves at least the gap after the one before it.
TEST(CaptureWindow, WavesWaitOnlyWhatTheFramesBetweenCopiesDoNotSpace) {
    const struct {
        const char* name;
        int sendRate;
        int timeoutMs;
        std::vector<std::string> waves;  // one letter a request
        std::vector<long> waits;         // the gaps, then TIMEOUT
    } cases[] = {
        {"one request again and again", 1000, 100, {"a", "a", "a"}, {5, 5, 100}},
        {"five requests: four slots lie between copies", 1000, 100, {"abcde", "abcde"}, {1, 100}},
        {"ten requests space their copies themselves",
         1000,
         100,
         {"abcdefghij", "abcdefghij"},
         {100}},
        {"a gentle rate spaces two requests", 100, 100, {"ab", "ab"}, {100}},
        {"the last of a long wave comes again", 1000, 100, {"abcdefg", "g"}, {5, 100}},
        {"the first of a long wave comes again", 1000, 100, {"abcdefg", "a", "a"}, {5, 100}},
        {"a new request has no copy to wait for", 1000, 100, {"a", "b"}, {100}},
        {"a short TIMEOUT shares itself among the waves", 1000, 6, {"a", "a", "a"}, {2, 2, 6}},
    };
    constexpr std::size_t FRAME_SIZE = 4;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AttemptRig rig;
        PacketAttempt attempt = rig.Attempt(0, c.timeoutMs);
        attempt.sendRate = c.sendRate;
        std::vector<std::vector<std::uint8_t>> waves;
        for (const std::string& letters : c.waves) {
            std::vector<std::uint8_t>& wave = waves.emplace_back();
            for (char letter : letters) {
                wave.insert(wave.end(), FRAME_SIZE, static_cast<std::uint8_t>(letter));
            }
        }
        EXPECT_EQ(CaptureWindow(attempt, waves, FRAME_SIZE, [](std::span<const std::uint8_t>) {}),
                  0);
        EXPECT_EQ(rig.waits, c.waits);
    }
}

}  // namespace
}  // namespace halvera
