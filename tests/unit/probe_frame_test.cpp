#include "net/probe_frame.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_packet_driver.h"

namespace halvera {
namespace {

std::vector<std::uint8_t> Hex(std::string text) {
    std::erase(text, ' ');
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

const LocalAdapterInfo LOCAL{MakeIp(198, 18, 7, 10), MakeIp(255, 255, 255, 0),
                             MacAddress{0x02, 0x11, 0x22, 0x33, 0x44, 0x55}};

TEST(ProbeFrame, RequestBytesForEachKind) {
    // Everything after the destination: source MAC, ARP, request, sender = own MAC and
    // address, target MAC zero, target 198.18.7.21.
    const std::string rest =
        "021122334455 0806 0001 0800 06 04 0001 021122334455 c612070a 000000000000 c6120715";
    struct Case {
        int kind;
        const char* destination;
        TestBits bit;
    };
    const Case cases[] = {
        {PROBE_PRESENCE, "ffffffffffff", 0},
        {PROBE_B47, "fffffffffffe", TEST_B47},
        {PROBE_B16, "ffff00000000", TEST_B16},
        {PROBE_B8, "ff0000000000", TEST_B8},
        {PROBE_GR, "010000000000", TEST_GR},
        {5, "fffffffffffe", 0},
        {-1, "fffffffffffe", 0},
    };
    for (const auto& c : cases) {
        ProbeFrame frame = BuildProbeFrame(c.kind, LOCAL);
        SetProbeTarget(frame, MakeIp(198, 18, 7, 21));
        EXPECT_EQ(std::vector<std::uint8_t>(frame.begin(), frame.end()),
                  Hex(std::string(c.destination) + rest))
            << "kind " << c.kind;
        EXPECT_EQ(ProbeTestBit(c.kind), c.bit) << "kind " << c.kind;
    }
}

TEST(ProbeFrame, RebuildingForAnotherKindKeepsNothingOfTheLastTarget) {
    ProbeFrame frame = BuildProbeFrame(PROBE_B8, LOCAL);
    SetProbeTarget(frame, MakeIp(198, 18, 7, 99));
    frame = BuildProbeFrame(PROBE_PRESENCE, LOCAL);
    EXPECT_EQ(frame[38] | frame[39] | frame[40] | frame[41], 0);
}

TEST(ParseArpReplyTo, OnlyAWholeEthernetIpv4ReplyToThisHostFromAStationCounts) {
    const Ipv4 from = MakeIp(198, 18, 7, 21);
    const MacAddress mac{0x02, 0x48, 0x4C, 0x56, 0x07, 0x15};
    const test::Frame reply = test::ArpReply(from, mac, LOCAL.ownAddress, LOCAL.ownMac);
    auto changed = [&](std::vector<std::pair<std::size_t, std::uint8_t>> bytes) {
        test::Frame frame = reply;
        for (const auto& [at, value] : bytes) {
            frame[at] = value;
        }
        return frame;
    };
    const ArpReplySender sender{from, mac};
    struct Case {
        const char* name;
        test::Frame frame;
        std::optional<ArpReplySender> expected;
    };
    const Case cases[] = {
        {"reply", reply, sender},
        {"padded to 60 bytes",
         [&] {
             test::Frame padded = reply;
             padded.resize(60, 0);
             return padded;
         }(),
         sender},
        {"request", changed({{21, 1}}), std::nullopt},
        {"not ARP", changed({{13, 0x00}}), std::nullopt},
        {"token ring hardware", changed({{15, 6}}), std::nullopt},
        {"hardware type 0xFFFF", changed({{14, 0xFF}, {15, 0xFF}}), std::nullopt},
        {"other protocol", changed({{16, 0x86}}), std::nullopt},
        {"protocol 0xFFFF", changed({{16, 0xFF}, {17, 0xFF}}), std::nullopt},
        {"16-byte hardware addresses", changed({{18, 16}}), std::nullopt},
        {"16-byte protocol addresses", changed({{19, 16}}), std::nullopt},
        {"cut to 32 bytes", test::Frame(reply.begin(), reply.begin() + 32), std::nullopt},
        {"cut to 41 bytes", test::Frame(reply.begin(), reply.begin() + 41), std::nullopt},
        {"empty", {}, std::nullopt},
        {"to another station's MAC", changed({{5, 0x99}}), std::nullopt},
        {"target MAC of another station", changed({{37, 0x99}}), std::nullopt},
        {"target address of another host", changed({{41, 99}}), std::nullopt},
        {"sender MAC broadcast",
         changed({{22, 0xFF}, {23, 0xFF}, {24, 0xFF}, {25, 0xFF}, {26, 0xFF}, {27, 0xFF}}),
         std::nullopt},
        {"sender MAC a group address", changed({{22, 0x01}}), std::nullopt},
        {"sender MAC all zero", changed({{22, 0}, {23, 0}, {24, 0}, {25, 0}, {26, 0}, {27, 0}}),
         std::nullopt},
    };
    for (const auto& c : cases) {
        const auto parsed = ParseArpReplyTo(c.frame, LOCAL.ownMac, LOCAL.ownAddress);
        ASSERT_EQ(parsed.has_value(), c.expected.has_value()) << c.name;
        if (parsed) {
            EXPECT_EQ(parsed->address, c.expected->address) << c.name;
            EXPECT_EQ(parsed->mac, c.expected->mac) << c.name;
        }
    }
    // Through the request this host sent: the same verdicts.
    ProbeFrame request = BuildProbeFrame(PROBE_B47, LOCAL);
    SetProbeTarget(request, from);
    EXPECT_TRUE(ParseArpReplyTo(reply, request).has_value());
    EXPECT_FALSE(ParseArpReplyTo(changed({{41, 99}}), request).has_value());
}

TEST(ParseLookUpBesideProbe, OnlyTheOwnRequestsToAnotherDestinationThanTheProbe) {
    const Ipv4 asked = MakeIp(198, 18, 7, 21);
    const MacAddress askedMac{0x02, 0x48, 0x4C, 0x56, 0x07, 0x15};
    ProbeFrame kernel = BuildProbeFrame(PROBE_PRESENCE, LOCAL);
    SetProbeTarget(kernel, asked);
    const test::Frame broadcast(kernel.begin(), kernel.end());
    auto changed = [&](std::vector<std::pair<std::size_t, std::uint8_t>> bytes) {
        test::Frame frame = broadcast;
        for (const auto& [at, value] : bytes) {
            frame[at] = value;
        }
        return frame;
    };
    test::Frame unicast = broadcast;
    std::copy(askedMac.begin(), askedMac.end(), unicast.begin());
    ProbeFrame b47 = BuildProbeFrame(PROBE_B47, LOCAL);
    SetProbeTarget(b47, MakeIp(198, 18, 7, 30));
    const test::Frame probeItself(b47.begin(), b47.end());
    struct Case {
        const char* name;
        test::Frame frame;
        int kind;
        std::optional<Ipv4> expected;
    };
    const Case cases[] = {
        {"broadcast look-up in a B47 window", broadcast, PROBE_B47, asked},
        {"unicast look-up of an expired entry in a B8 window", unicast, PROBE_B8, asked},
        {"padded to 60 bytes",
         [&] {
             test::Frame padded = unicast;
             padded.resize(60, 0);
             return padded;
         }(),
         PROBE_B16, asked},
        {"a probe of the same kind", probeItself, PROBE_B47, std::nullopt},
        {"while presence is probed", unicast, PROBE_PRESENCE, std::nullopt},
        {"another station's request", changed({{11, 0x99}, {27, 0x99}}), PROBE_B47, std::nullopt},
        {"sender MAC of another station", changed({{27, 0x99}}), PROBE_B47, std::nullopt},
        {"from another own address", changed({{31, 11}}), PROBE_B47, std::nullopt},
        {"a reply", changed({{21, 2}}), PROBE_B47, std::nullopt},
        {"not ARP", changed({{13, 0x00}}), PROBE_B47, std::nullopt},
        {"cut to 41 bytes", test::Frame(broadcast.begin(), broadcast.begin() + 41), PROBE_B47,
         std::nullopt},
    };
    for (const auto& c : cases) {
        ProbeFrame probe = BuildProbeFrame(c.kind, LOCAL);
        SetProbeTarget(probe, asked);
        EXPECT_EQ(ParseLookUpBesideProbe(c.frame, probe), c.expected) << c.name;
    }
}

}  // namespace
}  // namespace halvera
