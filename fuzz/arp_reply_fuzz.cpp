// Feeds arbitrary captured frames to the ARP reply parser: it may not read out of bounds, and
// what it lets through must be a whole Ethernet/IPv4 reply to this host from a station.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "net/probe_frame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const halvera::MacAddress own{0x02, 0x11, 0x22, 0x33, 0x44, 0x55};
    const halvera::Ipv4 ownAddress = halvera::MakeIp(198, 18, 7, 10);
    const std::span<const std::uint8_t> frame(data, size);
    const auto sender = halvera::ParseArpReplyTo(frame, own, ownAddress);
    if (sender) {
        const bool station =
            (sender->mac[0] & 1) == 0 && std::any_of(sender->mac.begin(), sender->mac.end(),
                                                     [](std::uint8_t byte) { return byte != 0; });
        if (size < halvera::PROBE_FRAME_SIZE || !station ||
            !std::equal(own.begin(), own.end(), frame.begin())) {
            std::abort();
        }
    }
    return 0;
}
