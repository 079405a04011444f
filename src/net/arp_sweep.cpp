#include "net/arp_sweep.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace halvera {
namespace {

// One round: the kind's request to every address of `round` (indexes into targets), one
// capture window, which of them answered and which the own kernel looked up meanwhile
// (their replies say nothing). False when the driver failed (logged).
bool RunRound(const PacketAttempt& attempt, const LocalAdapterInfo& local, int kind,
              std::span<const SweepTarget> targets, const std::vector<std::size_t>& round,
              std::vector<SweepOutcome>& outcomes, std::vector<bool>& answered,
              std::vector<bool>& unsure) {
    std::unordered_map<Ipv4, std::size_t> byAddress;
    std::vector<std::uint8_t> frames;
    frames.reserve(round.size() * PROBE_FRAME_SIZE);
    ProbeFrame frame = BuildProbeFrame(kind, local);
    for (std::size_t i : round) {
        byAddress.emplace(targets[i].ip, i);
        SetProbeTarget(frame, targets[i].ip);
        frames.insert(frames.end(), frame.begin(), frame.end());
    }
    const int window = CaptureWindow(
        attempt, frames, PROBE_FRAME_SIZE, [&](std::span<const std::uint8_t> captured) {
            if (const auto asked = ParseLookUpBesideProbe(captured, frame)) {
                if (const auto found = byAddress.find(*asked); found != byAddress.end()) {
                    unsure[found->second] = true;
                }
                return;
            }
            const auto sender = ParseArpReplyTo(captured, local.ownMac, local.ownAddress);
            const auto found = sender ? byAddress.find(sender->address) : byAddress.end();
            if (found == byAddress.end()) {
                return;
            }
            answered[found->second] = true;
            SweepOutcome& outcome = outcomes[found->second];
            if (kind == PROBE_PRESENCE && !outcome.mac) {
                outcome.mac = sender->mac;
            }
        });
    return window == 0;
}

// Up to each address's attempts of one kind over the addresses in `members`: those that
// answer are returned; the others stayed silent. An address's first unsure round does not
// count as an attempt (as in ProbeNode). False in `ok` when a round failed.
std::vector<std::size_t> RoundsOfKind(const PacketAttempt& attempt, const LocalAdapterInfo& local,
                                      int kind, std::span<const SweepTarget> targets,
                                      const std::vector<std::size_t>& members,
                                      std::vector<SweepOutcome>& outcomes,
                                      std::vector<std::size_t>& silent, bool& ok) {
    std::vector<std::size_t> replied;
    std::vector<int> left(targets.size(), 0);
    for (std::size_t i : members) {
        // The own host never hears its own broadcast request and counts as present anyway;
        // more presence attempts for it would only add windows to wait out.
        const bool ownPresence = kind == PROBE_PRESENCE && targets[i].ip == local.ownAddress;
        left[i] = ownPresence ? 1 : std::max(targets[i].attempts, 1);
    }
    std::vector<bool> repeated(targets.size(), false);
    std::vector<std::size_t> round = members;
    silent.clear();
    ok = true;
    while (!round.empty()) {
        std::vector<bool> answered(targets.size(), false);
        std::vector<bool> unsure(targets.size(), false);
        if (!RunRound(attempt, local, kind, targets, round, outcomes, answered, unsure)) {
            ok = false;
            silent.insert(silent.end(), round.begin(), round.end());
            break;
        }
        std::vector<std::size_t> next;
        for (std::size_t i : round) {
            if (unsure[i] && !repeated[i]) {
                repeated[i] = true;
                next.push_back(i);
            } else if (answered[i] && !unsure[i]) {
                replied.push_back(i);
            } else if (--left[i] > 0) {
                next.push_back(i);
            }
        }
        round = std::move(next);
    }
    std::sort(replied.begin(), replied.end());
    return replied;
}

}  // namespace

std::vector<SweepOutcome> SweepBlock(const PacketAttempt& attempt, const LocalAdapterInfo& local,
                                     std::span<const SweepTarget> targets) {
    std::vector<SweepOutcome> outcomes(targets.size());
    std::vector<std::size_t> all(targets.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        all[i] = i;
    }
    bool ok = true;
    std::vector<std::size_t> unsettled;
    const std::vector<std::size_t> present =
        RoundsOfKind(attempt, local, PROBE_PRESENCE, targets, all, outcomes, unsettled, ok);
    for (std::size_t i : present) {
        outcomes[i].result = 1;
    }
    if (!ok) {
        for (std::size_t i : unsettled) {
            outcomes[i].result = -1;
        }
        return outcomes;
    }
    for (int kind : {PROBE_B47, PROBE_B16, PROBE_B8}) {
        for (std::size_t i :
             RoundsOfKind(attempt, local, kind, targets, present, outcomes, unsettled, ok)) {
            outcomes[i].bits |= ProbeTestBit(kind);
        }
        if (!ok) {
            break;
        }
    }
    return outcomes;
}

}  // namespace halvera
