// Feeds arbitrary captured frames to the ARP reply parser and to the reader of the own
// kernel's look-ups: neither may read out of bounds; what the first lets through must be a
// whole Ethernet/IPv4 reply to this host from a station, what the second names a whole
// request from this host to another destination than a fake-destination probe's.
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
    const halvera::LocalAdapterInfo local{ownAddress, halvera::MakeIp(255, 255, 255, 0), own};
    for (int kind = halvera::PROBE_PRESENCE; kind <= halvera::PROBE_B8; ++kind) {
        halvera::ProbeFrame probe = halvera::BuildProbeFrame(kind, local);
        halvera::SetProbeTarget(probe, halvera::MakeIp(198, 18, 7, 21));
        if (!halvera::ParseLookUpBesideProbe(frame, probe)) {
            continue;
        }
        if (kind == halvera::PROBE_PRESENCE || sender || size < halvera::PROBE_FRAME_SIZE ||
            frame[20] != 0 || frame[21] != 1 ||
            !std::equal(own.begin(), own.end(), frame.begin() + 22) ||
            std::equal(probe.begin(), probe.begin() + 6, frame.begin())) {
            std::abort();
        }
    }
    return 0;
}
