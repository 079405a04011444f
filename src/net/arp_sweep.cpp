#include "net/arp_sweep.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace halvera {
namespace {

// The attempts of an address a window carries at most: RETRY + 1 for the most the settings
// allow. A hand-edited RETRY beyond it would only lengthen the window, with its waves all
// held in memory.
constexpr int MOST_WINDOW_ATTEMPTS = 101;

// One window of a kind: the kind's request to every address of `round` (indexes into
// targets), as many times as the address has attempts, in waves spread over the window
// (an address with fewer attempts drops out of the later waves); which of them answered
// any of their requests and which the own kernel looked up meanwhile (their replies say
// nothing). The window's CaptureWindow result.
int RunWindow(const PacketAttempt& attempt, const LocalAdapterInfo& local, int kind,
              std::span<const SweepTarget> targets, const std::vector<std::size_t>& round,
              const std::vector<int>& attempts, std::vector<SweepOutcome>& outcomes,
              std::vector<bool>& answered, std::vector<bool>& unsure) {
    std::unordered_map<Ipv4, std::size_t> byAddress;
    int waveCount = 0;
    for (std::size_t i : round) {
        byAddress.emplace(targets[i].ip, i);
        waveCount = std::max(waveCount, attempts[i]);
    }
    ProbeFrame frame = BuildProbeFrame(kind, local);
    std::vector<std::vector<std::uint8_t>> waves(static_cast<std::size_t>(waveCount));
    for (int k = 0; k < waveCount; ++k) {
        std::vector<std::uint8_t>& wave = waves[static_cast<std::size_t>(k)];
        wave.reserve(round.size() * PROBE_FRAME_SIZE);
        for (std::size_t i : round) {
            if (attempts[i] > k) {
                SetProbeTarget(frame, targets[i].ip);
                wave.insert(wave.end(), frame.begin(), frame.end());
            }
        }
    }
    return CaptureWindow(
        attempt, waves, PROBE_FRAME_SIZE, [&](std::span<const std::uint8_t> captured) {
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
}

// One kind over the addresses in `members`, all their attempts in one window: those that
// answer any attempt are returned; the others stayed silent. A window in which the own
// kernel looked an address up is repeated once for it; a second such window leaves it
// silent, so that a busy neighbour cannot hold the probe. `window` is 0, or the result of
// the window that failed or was cut; `open` then holds the addresses it left undecided.
std::vector<std::size_t> WindowsOfKind(const PacketAttempt& attempt, const LocalAdapterInfo& local,
                                       int kind, std::span<const SweepTarget> targets,
                                       const std::vector<std::size_t>& members,
                                       std::vector<SweepOutcome>& outcomes,
                                       std::vector<std::size_t>& open, int& window) {
    std::vector<std::size_t> replied;
    std::vector<int> attempts(targets.size(), 0);
    for (std::size_t i : members) {
        // The own host never hears its own broadcast request and counts as present anyway;
        // more presence attempts for it would only lengthen the window.
        const bool ownPresence = kind == PROBE_PRESENCE && targets[i].ip == local.ownAddress;
        attempts[i] = ownPresence ? 1 : std::clamp(targets[i].attempts, 1, MOST_WINDOW_ATTEMPTS);
    }
    std::vector<bool> repeated(targets.size(), false);
    std::vector<std::size_t> round = members;
    open.clear();
    window = 0;
    while (!round.empty()) {
        std::vector<bool> answered(targets.size(), false);
        std::vector<bool> unsure(targets.size(), false);
        window =
            RunWindow(attempt, local, kind, targets, round, attempts, outcomes, answered, unsure);
        if (window != 0) {
            open.insert(open.end(), round.begin(), round.end());
            break;
        }
        std::vector<std::size_t> next;
        for (std::size_t i : round) {
            if (unsure[i] && !repeated[i]) {
                repeated[i] = true;
                next.push_back(i);
            } else if (answered[i] && !unsure[i]) {
                replied.push_back(i);
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
    int window = 0;
    std::vector<std::size_t> open;
    const std::vector<std::size_t> present =
        WindowsOfKind(attempt, local, PROBE_PRESENCE, targets, all, outcomes, open, window);
    for (std::size_t i : present) {
        outcomes[i].result = 1;
    }
    if (window == WINDOW_CUT) {
        // A cut presence window settles no address of the block.
        for (SweepOutcome& outcome : outcomes) {
            outcome = {SWEEP_CUT, 0, std::nullopt};
        }
        return outcomes;
    }
    if (window != 0) {
        for (std::size_t i : open) {
            outcomes[i].result = -1;
        }
        return outcomes;
    }
    for (int kind : {PROBE_B47, PROBE_B16, PROBE_B8}) {
        for (std::size_t i :
             WindowsOfKind(attempt, local, kind, targets, present, outcomes, open, window)) {
            outcomes[i].bits |= ProbeTestBit(kind);
        }
        if (window == WINDOW_CUT) {
            // The absent addresses were settled by the presence window; the tests of the
            // present ones are not complete.
            for (std::size_t i : present) {
                outcomes[i] = {SWEEP_CUT, 0, std::nullopt};
            }
            break;
        }
        if (window != 0) {
            break;
        }
    }
    return outcomes;
}

}  // namespace halvera
