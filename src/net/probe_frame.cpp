#include "net/probe_frame.h"

#include <algorithm>
#include <cstring>

namespace halvera {
namespace {

constexpr std::size_t ETHER_TYPE_AT = 12;
constexpr std::size_t HARDWARE_TYPE_AT = 14;
constexpr std::size_t PROTOCOL_TYPE_AT = 16;
constexpr std::size_t ADDRESS_LENGTHS_AT = 18;
constexpr std::size_t ARP_OPERATION_AT = 20;
constexpr std::size_t SENDER_MAC_AT = 22;
constexpr std::size_t SENDER_ADDRESS_AT = 28;
constexpr std::size_t TARGET_MAC_AT = 32;
constexpr std::size_t TARGET_ADDRESS_AT = 38;
constexpr std::uint16_t ETHERTYPE_ARP = 0x0806;
constexpr std::uint16_t ETHERTYPE_IPV4 = 0x0800;
constexpr std::uint16_t ARP_REQUEST = 1;
constexpr std::uint16_t ARP_REPLY = 2;

void PutU16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value >> 8);
    at[1] = static_cast<std::uint8_t>(value);
}

std::uint16_t GetU16(std::span<const std::uint8_t> frame, std::size_t at) {
    return static_cast<std::uint16_t>(frame[at] << 8 | frame[at + 1]);
}

// A whole Ethernet/IPv4 ARP frame of this operation.
bool IsArpFrame(std::span<const std::uint8_t> frame, std::uint16_t operation) {
    return frame.size() >= PROBE_FRAME_SIZE && GetU16(frame, ETHER_TYPE_AT) == ETHERTYPE_ARP &&
           GetU16(frame, HARDWARE_TYPE_AT) == 1 &&
           GetU16(frame, PROTOCOL_TYPE_AT) == ETHERTYPE_IPV4 && frame[ADDRESS_LENGTHS_AT] == 6 &&
           frame[ADDRESS_LENGTHS_AT + 1] == 4 && GetU16(frame, ARP_OPERATION_AT) == operation;
}

}  // namespace

MacAddress ProbeDestination(int kind) {
    switch (kind) {
        case PROBE_PRESENCE:
            return {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
        case PROBE_B16:
            return {0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00};
        case PROBE_B8:
            return {0xFF, 0x00, 0x00, 0x00, 0x00, 0x00};
        case PROBE_GR:
            return {0x01, 0x00, 0x00, 0x00, 0x00, 0x00};
        default:
            return {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE};
    }
}

TestBits ProbeTestBit(int kind) {
    switch (kind) {
        case PROBE_B47:
            return TEST_B47;
        case PROBE_B16:
            return TEST_B16;
        case PROBE_B8:
            return TEST_B8;
        case PROBE_GR:
            return TEST_GR;
        default:
            return 0;
    }
}

ProbeFrame BuildProbeFrame(int kind, const LocalAdapterInfo& local) {
    ProbeFrame frame{};
    std::uint8_t* f = frame.data();
    const MacAddress destination = ProbeDestination(kind);
    std::copy(destination.begin(), destination.end(), f);
    std::copy(local.ownMac.begin(), local.ownMac.end(), f + 6);
    PutU16(f + ETHER_TYPE_AT, ETHERTYPE_ARP);
    PutU16(f + HARDWARE_TYPE_AT, 1);
    PutU16(f + PROTOCOL_TYPE_AT, ETHERTYPE_IPV4);
    f[ADDRESS_LENGTHS_AT] = 6;
    f[ADDRESS_LENGTHS_AT + 1] = 4;
    PutU16(f + ARP_OPERATION_AT, ARP_REQUEST);
    std::copy(local.ownMac.begin(), local.ownMac.end(), f + SENDER_MAC_AT);
    std::memcpy(f + SENDER_ADDRESS_AT, &local.ownAddress, 4);
    return frame;
}

void SetProbeTarget(ProbeFrame& frame, Ipv4 probed) {
    std::memcpy(frame.data() + TARGET_ADDRESS_AT, &probed, 4);
}

std::optional<ArpReplySender> ParseArpReplyTo(std::span<const std::uint8_t> frame,
                                              const MacAddress& ownMac, Ipv4 ownAddress) {
    if (!IsArpFrame(frame, ARP_REPLY) || !std::equal(ownMac.begin(), ownMac.end(), frame.begin()) ||
        !std::equal(ownMac.begin(), ownMac.end(), frame.begin() + TARGET_MAC_AT) ||
        std::memcmp(frame.data() + TARGET_ADDRESS_AT, &ownAddress, 4) != 0) {
        return std::nullopt;
    }
    ArpReplySender sender;
    std::copy_n(frame.begin() + SENDER_MAC_AT, sender.mac.size(), sender.mac.begin());
    std::memcpy(&sender.address, frame.data() + SENDER_ADDRESS_AT, 4);
    // A group address or an all-zero MAC is no station that could have answered.
    const bool group = (sender.mac[0] & 0x01) != 0;
    const bool zero = std::all_of(sender.mac.begin(), sender.mac.end(),
                                  [](std::uint8_t byte) { return byte == 0; });
    if (group || zero) {
        return std::nullopt;
    }
    return sender;
}

std::optional<ArpReplySender> ParseArpReplyTo(std::span<const std::uint8_t> frame,
                                              const ProbeFrame& request) {
    MacAddress ownMac;
    std::copy_n(request.begin() + SENDER_MAC_AT, ownMac.size(), ownMac.begin());
    Ipv4 ownAddress = 0;
    std::memcpy(&ownAddress, request.data() + SENDER_ADDRESS_AT, 4);
    return ParseArpReplyTo(frame, ownMac, ownAddress);
}

std::optional<Ipv4> ParseLookUpBesideProbe(std::span<const std::uint8_t> frame,
                                           const ProbeFrame& probe) {
    const MacAddress broadcast = ProbeDestination(PROBE_PRESENCE);
    if (std::equal(broadcast.begin(), broadcast.end(), probe.begin()) ||
        !IsArpFrame(frame, ARP_REQUEST) ||
        !std::equal(probe.begin() + 6, probe.begin() + 12, frame.begin() + 6) ||
        !std::equal(probe.begin() + SENDER_MAC_AT, probe.begin() + TARGET_MAC_AT,
                    frame.begin() + SENDER_MAC_AT) ||
        std::equal(probe.begin(), probe.begin() + 6, frame.begin())) {
        return std::nullopt;
    }
    Ipv4 asked = 0;
    std::memcpy(&asked, frame.data() + TARGET_ADDRESS_AT, 4);
    return asked;
}

}  // namespace halvera
