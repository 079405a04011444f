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

TEST(IsArpReplyFrom, OnlyTheSenderAddressOfAReplyDecides) {
    const Ipv4 probed = MakeIp(198, 18, 7, 21);
    const MacAddress mac{0x02, 0, 0, 0, 0, 0x15};
    const test::Frame reply = test::ArpReply(probed, mac, MakeIp(198, 18, 7, 99));

    test::Frame request = reply;
    request[21] = 1;
    test::Frame ipv4 = reply;
    ipv4[13] = 0x00;
    test::Frame minimal(reply.begin(), reply.begin() + 32);
    test::Frame truncated(reply.begin(), reply.begin() + 31);
    test::Frame foreignTarget = reply;
    foreignTarget[38] = 10;  // target address and MACs are not compared
    foreignTarget[22] = 0xAA;

    struct Case {
        const char* name;
        test::Frame frame;
        Ipv4 probed;
        bool expected;
    };
    const Case cases[] = {
        {"reply to another host", reply, probed, true},
        {"reply from another address", reply, MakeIp(198, 18, 7, 22), false},
        {"request", request, probed, false},
        {"not ARP", ipv4, probed, false},
        {"32 bytes", minimal, probed, true},
        {"31 bytes", truncated, probed, false},
        {"empty", {}, probed, false},
        {"other target and MACs", foreignTarget, probed, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsArpReplyFrom(c.frame, c.probed), c.expected) << c.name;
    }
}

TEST(ArpReplySenderMac, OnlyAWholeEthernetIpv4ReplyFromTheAddressGivesItsSender) {
    const Ipv4 from = MakeIp(198, 18, 7, 21);
    const MacAddress mac{0x02, 0x48, 0x4C, 0x56, 0x07, 0x15};
    const test::Frame reply = test::ArpReply(from, mac, MakeIp(198, 18, 7, 10));
    auto changed = [&](std::size_t at, std::uint8_t value) {
        test::Frame frame = reply;
        frame[at] = value;
        return frame;
    };
    struct Case {
        const char* name;
        test::Frame frame;
        std::optional<MacAddress> expected;
    };
    const Case cases[] = {
        {"reply", reply, mac},
        {"28 bytes hold the sender", test::Frame(reply.begin(), reply.begin() + 32), mac},
        {"reply from another address", changed(31, 22), std::nullopt},
        {"request", changed(21, 1), std::nullopt},
        {"token ring hardware", changed(15, 6), std::nullopt},
        {"other protocol", changed(16, 0x86), std::nullopt},
        {"8-byte hardware addresses", changed(18, 8), std::nullopt},
        {"16-byte protocol addresses", changed(19, 16), std::nullopt},
        {"cut inside the sender address", test::Frame(reply.begin(), reply.begin() + 30),
         std::nullopt},
        {"empty", {}, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ArpReplySenderMac(c.frame, from), c.expected) << c.name;
    }
}

}  // namespace
}  // namespace halvera
