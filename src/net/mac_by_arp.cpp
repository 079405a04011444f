#include "net/mac_by_arp.h"

#include <optional>

#include "net/node_identification.h"
#include "net/probe_frame.h"

namespace halvera {
namespace {

// One request and its window: the replier's MAC, or nothing after silence or a failure.
std::optional<MacAddress> RequestOnce(const PacketAttempt& attempt, const ProbeFrame& request,
                                      Ipv4 address, const ArpLookupTiming& timing) {
    PacketDriver& driver = attempt.driver;
    if (!driver.Open(attempt.adapterIndex)) {
        return std::nullopt;
    }
    std::optional<MacAddress> mac;
    if (driver.SendBatch(request, request.size(), attempt.sendRate) == 1 && driver.PrepareRead()) {
        const auto step = std::max(timing.step, std::chrono::milliseconds(1));
        for (auto waited = std::chrono::milliseconds(0); !mac && waited < timing.window;
             waited += step) {
            attempt.wait(step);
            const int read = driver.ReadCaptured([&](std::span<const std::uint8_t> frame) {
                const auto sender = mac ? std::nullopt : ParseArpReplyTo(frame, request);
                if (sender && sender->address == address) {
                    mac = sender->mac;
                }
            });
            if (read < 0) {
                break;
            }
        }
    }
    driver.Close();
    return mac;
}

}  // namespace

bool GetMacByArp(const PacketAttempt& attempt, const LocalAdapterInfo& local, Ipv4 address,
                 MacAddress& mac, const ArpLookupTiming& timing) {
    if (address == local.ownAddress) {
        mac = local.ownMac;
        return true;
    }
    if (IsOutsideSubnet(address, local.ownAddress, local.subnetMask)) {
        return false;
    }
    ProbeFrame request = BuildProbeFrame(PROBE_PRESENCE, local);
    SetProbeTarget(request, address);
    for (int i = 0; i < timing.tries; ++i) {
        if (auto found = RequestOnce(attempt, request, address, timing)) {
            mac = *found;
            return true;
        }
    }
    return false;
}

}  // namespace halvera
