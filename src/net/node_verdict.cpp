#include "net/node_verdict.h"

#include <algorithm>

#include "net/arp_probe.h"

namespace halvera {
namespace {

// The node that answered has its MAC under another address: a displaced node comes back with
// its own record, a stored one moves here unless it still answers where it is stored.
std::optional<NodeVerdict> MacKnownElsewhere(Ipv4 address, const MacAddress& mac,
                                             NodeLookups& lookups) {
    NodeVerdict verdict;
    if (std::optional<NodeRecord> displaced = lookups.DisplacedWithMac(mac)) {
        verdict.source = RecordSource::Displaced;
        verdict.record = *displaced;
        verdict.record.ip = address;
        // Back at the address it was displaced from, it has not moved.
        verdict.record.prevIp = displaced->ip != address ? displaced->ip : 0;
        return verdict;
    }
    const std::optional<NodeRecord> stored = lookups.StoredWithMacElsewhere(mac, address);
    if (!stored) {
        return std::nullopt;
    }
    if (lookups.MacAt(stored->ip) == mac) {
        verdict.source = RecordSource::Elsewhere;
        return verdict;
    }
    verdict.source = RecordSource::Stored;
    verdict.record = *stored;
    verdict.record.ip = address;
    verdict.record.prevIp = stored->ip;
    return verdict;
}

}  // namespace

bool NodeVerdict::Has(NodeChange change) const {
    return std::find(changes.begin(), changes.end(), change) != changes.end();
}

NodeVerdict IdentifyAnswer(const NodeRecord& stored, Ipv4 address, const MacAddress& mac,
                           NodeLookups& lookups) {
    // An unknown MAC (all zero) belongs to no other node, displaced or not.
    if (!IsZeroMac(mac)) {
        if (std::optional<NodeVerdict> known = MacKnownElsewhere(address, mac, lookups)) {
            if (known->source == RecordSource::Elsewhere) {
                known->record = stored;
                known->record.ip = address;
                known->record.mac = mac;
            } else if (known->record.prevIp != 0) {
                known->changes.push_back(NodeChange::Moved);
            }
            return *known;
        }
    }
    NodeVerdict verdict;
    verdict.record = stored;
    verdict.record.ip = address;
    verdict.record.mac = mac;
    if (!IsZeroMac(stored.mac) && stored.mac != mac) {
        verdict.record.prevMac = stored.mac;
        verdict.changes.push_back(NodeChange::DeviceChanged);
    }
    return verdict;
}

NodeVerdict Decide(const NodeRecord& stored, Ipv4 address, const SweepOutcome& outcome,
                   const VerdictRules& rules, NodeLookups& lookups) {
    const bool own = address == rules.ownAddress;
    // The own host never hears its own request; it is there all the same.
    if (outcome.result != 1 && !own) {
        NodeVerdict verdict;
        verdict.record = stored;
        verdict.record.ip = address;
        verdict.record.status = NODE_DOWN;
        if (stored.status == NODE_UP) {
            verdict.changes.push_back(NodeChange::Down);
        }
        return verdict;
    }
    const TestBits bits = outcome.result == 1 ? outcome.bits : 0;
    // The presence reply already names the MAC; the own address keeps the own MAC even when
    // another station claims it. Without an answer to ARP the stored MAC stays.
    const std::optional<MacAddress> replied =
        outcome.mac && !own ? outcome.mac : lookups.MacAt(address);
    NodeVerdict verdict = IdentifyAnswer(stored, address, replied.value_or(stored.mac), lookups);
    if (verdict.source == RecordSource::Elsewhere) {
        return verdict;
    }
    NodeRecord& record = verdict.record;
    record.status = NODE_UP;
    NodeChange presence = NodeChange::StillThere;
    if (stored.status == NODE_NEVER_SEEN) {
        record.monitor = 1;
        presence = verdict.source == RecordSource::Address ? NodeChange::New : presence;
    } else if (verdict.source != RecordSource::Address) {
        verdict.displacesStored = true;
    } else if (stored.status == NODE_DOWN) {
        presence = NodeChange::Up;
    }
    verdict.changes.insert(verdict.changes.begin(), presence);
    const TestBits oldBits = record.testBits;
    record.testBits = bits;
    const bool sniffing = IsSniffing(rules.promiss, bits);
    if (rules.promiss != 0 && bits != oldBits && sniffing) {
        verdict.changes.push_back(NodeChange::SniffingFound);
    } else if (presence == NodeChange::StillThere && !sniffing &&
               IsSniffing(rules.promiss, oldBits)) {
        verdict.changes.push_back(NodeChange::SniffingCleared);
    }
    return verdict;
}

}  // namespace halvera
