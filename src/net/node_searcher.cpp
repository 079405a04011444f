#include "net/node_searcher.h"

#include <algorithm>

#include "base/clock.h"
#include "base/text_codec.h"
#include "net/arp_probe.h"
#include "net/node_identification.h"
#include "net/node_list.h"
#include "store/event_kind.h"
#include "store/vendor_table.h"

namespace halvera {
namespace {

// The event a change raises; none for a node that is simply still there.
std::optional<EventKind> EventOf(NodeChange change) {
    switch (change) {
        case NodeChange::New:
            return EVENT_NEW_NODE;
        case NodeChange::Up:
            return EVENT_NODE_UP;
        case NodeChange::Down:
            return EVENT_NODE_DOWN;
        case NodeChange::Moved:
            return EVENT_IP_CHANGE;
        case NodeChange::DeviceChanged:
            return EVENT_DEVICE_CHANGE;
        case NodeChange::SniffingFound:
            return EVENT_SNIFFING_NODE;
        case NodeChange::StillThere:
        case NodeChange::SniffingCleared:
            break;
    }
    return std::nullopt;
}

// Reverse look-ups in flight at once: a /24's answering nodes in one go, without a thread
// per node of a /16.
constexpr int NAME_LOOKUPS_AT_ONCE = 32;

}  // namespace

NodeSearcher::NodeSearcher(NodeSearchContext context, const LocalAdapterInfo& local)
    : m_context(std::move(context)), m_local(local) {}

PacketAttempt NodeSearcher::Attempt() const {
    // No name query is in flight while frames are probed: the kernel's ARP exchange for it
    // would look like an answer to a fake-destination test.
    if (m_runNames != nullptr) {
        m_runNames->Await(0, false);
    }
    const AppSettings app = m_context.settings.App();
    return {m_context.driver, m_context.errorLog, m_context.prompt, app.ADPNUM,
            app.TIMEOUT,      m_context.wait,     app.SENDRATE,     m_stop};
}

void NodeSearcher::ProbeBlock(std::span<const SweepTarget> targets) {
    const std::vector<SweepOutcome> outcomes = SweepBlock(Attempt(), m_local, targets);
    for (std::size_t i = 0; i < targets.size(); ++i) {
        m_collected[targets[i].ip] = {targets[i].attempts, outcomes[i]};
        if (outcomes[i].result == 1) {
            m_answeredUnnamed.push_back(targets[i].ip);
        }
    }
    if (m_runNames == nullptr || (m_stop != nullptr && m_stop->load() != 0)) {
        return;
    }
    // Asked once the test rounds are over (see Attempt). The own address never hears its
    // own request but counts as present, so it is asked with the others.
    std::vector<Ipv4> answered = m_answeredUnnamed;
    for (const SweepTarget& target : targets) {
        if (target.ip == m_local.ownAddress) {
            answered.push_back(target.ip);
        }
    }
    m_runNames->Query(answered);
}

void NodeSearcher::AwaitNames(Ipv4 address, bool answered) {
    if (m_runNames != nullptr) {
        m_runNames->Await(address, answered);
    }
}

void NodeSearcher::StartNameLookups() {
    AwaitNames(0, false);
    std::vector<Ipv4> unnamed;
    if (m_context.settings.App().WINS != 0) {
        for (Ipv4 ip : m_answeredUnnamed) {
            std::string host;
            std::string domain;
            m_context.nodes.LookupNames(ip, host, domain);
            if (host.empty()) {
                unnamed.push_back(ip);
            }
        }
    }
    m_answeredUnnamed.clear();
    if (unnamed.empty()) {
        return;
    }
    if (!m_names) {
        m_names = std::make_unique<HostNamePrefetch>(m_context.resolver, NAME_LOOKUPS_AT_ONCE);
    }
    m_names->Start(unnamed);
}

std::string NodeSearcher::HostNameOf(Ipv4 address) {
    std::optional<std::string> looked = m_names ? m_names->Take(address) : std::nullopt;
    return looked ? *looked : ResolveHostName(address, m_context.resolver);
}

bool NodeSearcher::HasOutcome(Ipv4 address, int attempts) const {
    const auto found = m_collected.find(address);
    return found != m_collected.end() && found->second.attempts == attempts;
}

int NodeSearcher::Probe(Ipv4 address, int attempts, TestBits& bits,
                        std::optional<MacAddress>& replyMac) {
    const auto found = m_collected.find(address);
    if (found == m_collected.end()) {
        return ProbeNode(Attempt(), m_local, address, attempts, bits);
    }
    const Collected collected = found->second;
    m_collected.erase(found);
    if (collected.attempts != attempts) {
        // Other attempts could give another verdict: the store changed since the block
        // was planned.
        return ProbeNode(Attempt(), m_local, address, attempts, bits);
    }
    if (collected.outcome.result == 1) {
        bits = collected.outcome.bits;
        replyMac = collected.outcome.mac;
    }
    return collected.outcome.result;
}

std::optional<MacAddress> NodeSearcher::MacOf(Ipv4 address) const {
    MacAddress mac{};
    if (GetMacByArp(Attempt(), m_local, address, mac, m_context.arpTiming)) {
        return mac;
    }
    return std::nullopt;
}

// The look-ups of the decision: ARP on the segment, the store's indexes.
class NodeSearcher::Lookups : public NodeLookups {
  public:
    explicit Lookups(const NodeSearcher& searcher) : m_searcher(searcher) {}

    std::optional<MacAddress> MacAt(Ipv4 ip) override { return m_searcher.MacOf(ip); }
    std::optional<NodeRecord> DisplacedWithMac(const MacAddress& mac) override {
        NodeRecord record;
        if (m_searcher.m_context.nodes.FindBackupByMac(mac, record) != 0) {
            return std::nullopt;
        }
        return record;
    }
    std::optional<NodeRecord> StoredWithMacElsewhere(const MacAddress& mac, Ipv4 except) override {
        NodeRecord record;
        if (m_searcher.m_context.nodes.FindNodeByMacElsewhere(mac, except, record) != 0) {
            return std::nullopt;
        }
        return record;
    }

  private:
    const NodeSearcher& m_searcher;
};

ProbeResult NodeSearcher::ProbeAndUpdate(Ipv4 address, int attempts, NodeRecord& record) {
    const auto unnamed = std::find_if(m_answeredUnnamed.begin(), m_answeredUnnamed.end(),
                                      [&](Ipv4 ip) { return ip == address; });
    if (unnamed != m_answeredUnnamed.end()) {
        // Steps of silent addresses go on while the name walk still runs; the first that
        // answered needs the name book.
        StartNameLookups();
    }
    NodeTable& list = m_context.nodeList;
    list.MarkSearching(address, record.mac);
    m_context.banner.SetSummaryText(Sjis("【ノード検索】 ") + FormatIp(address) +
                                    Sjis(" 検索中 . . ."));
    const ProbeResult result = Update(address, attempts, record, m_context.settings.App());
    // Wherever the row has gone meanwhile: a displaced node's row may have gone and moved
    // the rows after it up.
    list.ClearSearching();
    return result;
}

ProbeResult NodeSearcher::Update(Ipv4 address, int attempts, NodeRecord& record,
                                 const AppSettings& app) {
    SweepOutcome outcome;
    outcome.result = Probe(address, attempts, outcome.bits, outcome.mac);
    if (outcome.result == -1 || outcome.result == SWEEP_CUT) {
        return ProbeResultOf(outcome.result);
    }
    // The own host never hears its own request; it is there all the same.
    const ProbeResult result = outcome.result == 1 || address == m_local.ownAddress
                                   ? ProbeResult::Present
                                   : ProbeResult::Absent;
    const NodeRecord stored = record;
    Lookups lookups(*this);
    NodeVerdict verdict =
        Decide(stored, address, outcome, {m_local.ownAddress, app.PROMISS}, lookups);
    record = verdict.record;
    if (verdict.changes.empty()) {
        return result;
    }
    if (verdict.Has(NodeChange::Down)) {
        NodeDown(address, record, app);
        return result;
    }
    const bool applied = ApplyAnswer(address, attempts, stored, verdict);
    record = verdict.record;
    return applied ? result : ProbeResult::Failed;
}

bool NodeSearcher::ApplyAnswer(Ipv4 address, int attempts, const NodeRecord& stored,
                               NodeVerdict& verdict) {
    NodeRecord& record = verdict.record;
    ApplyIdentity(address, verdict, record.testBits);
    if (stored.status == NODE_NEVER_SEEN) {
        m_context.nodeList.ChangeNode(address, [](NodeEntry& node) { node.monitored = true; });
    }
    if (verdict.displacesStored) {
        if (!SettleDisplacedNode(address, attempts, stored.mac, record.prevIp)) {
            return false;
        }
    } else if (verdict.source == RecordSource::Stored) {
        m_context.nodes.DeleteNode(record.prevIp);
    }
    UpdateNodeRow(record, NODE_UP, record.testBits);
    m_context.nodes.PutNode(record);
    for (NodeChange change : verdict.changes) {
        if (const std::optional<EventKind> kind = EventOf(change)) {
            RaiseEvent(record, *kind);
        }
    }
    m_context.banner.SetSummaryText();
    return true;
}

void NodeSearcher::RaiseEvent(const NodeRecord& record, int kind) {
    m_context.events.RunEventActions(record, kind, m_local.ownAddress);
}

bool NodeSearcher::SettleDisplacedNode(Ipv4 address, int attempts, const MacAddress& oldMac,
                                       Ipv4 previous) {
    NodeRecord displaced;
    m_context.nodes.FindNodeByIp(address, displaced);
    // Without a previous address (a node taken back to its own address) there is nowhere
    // the displaced node could have gone.
    int found = 2;
    TestBits bits = displaced.testBits;
    if (previous != 0) {
        // The move is half applied by now: it is finished on a whole verdict, even once a
        // stop has been asked for.
        PacketAttempt whole = Attempt();
        whole.stop = nullptr;
        found = ProbeNode(whole, m_local, previous, attempts, bits);
        if (found == -1) {
            return false;
        }
    }
    if (found == 1 && MacOf(previous) == oldMac) {
        // The two nodes swapped addresses.
        Lookups lookups(*this);
        NodeVerdict swapped = IdentifyAnswer(displaced, previous, oldMac, lookups);
        if (swapped.source != RecordSource::Elsewhere) {
            ApplyIdentity(previous, swapped, bits);
        }
        displaced = swapped.record;
        displaced.ip = previous;
        displaced.prevIp = address;
        m_context.nodes.PutNode(displaced);
        RaiseEvent(displaced, EVENT_IP_CHANGE);
    } else {
        m_context.nodeList.Remove(address, displaced.mac);
        m_context.nodes.PutBackupNode(displaced);
        if (previous != 0) {
            m_context.nodes.DeleteNode(previous);
        }
    }
    return true;
}

void NodeSearcher::NodeDown(Ipv4 address, NodeRecord& record, const AppSettings& app) {
    UpdateNodeRow(record, NODE_DOWN, record.testBits);
    record.host.clear();
    record.domain.clear();
    AwaitNames(address, false);
    m_context.nodes.LookupNames(address, record.host, record.domain);
    RaiseEvent(record, EVENT_NODE_DOWN);
    if (app.NODEDISP != 0) {
        m_context.nodes.DeleteNode(address);
        m_context.nodeList.Remove(address, record.mac);
    } else {
        m_context.nodes.PutNode(record);
    }
    m_context.banner.SetSummaryText();
}

void NodeSearcher::ApplyIdentity(Ipv4 address, NodeVerdict& verdict, TestBits bits) {
    NodeRecord& record = verdict.record;
    if (verdict.source == RecordSource::Displaced) {
        m_context.nodes.DeleteBackupByMac(record.mac);
    }
    AwaitNames(address, true);
    FillNodeNames(record, m_context.settings.App().WINS, m_context.nodes,
                  [this](Ipv4 ip) { return HostNameOf(ip); });

    LookupVendor(record.mac, record.vendor);
    const auto fill = [&](NodeEntry& node) {
        node.testBits = bits;
        node.ip = address;
        node.host = record.host;
        node.domain = record.domain;
        node.mac = record.mac;
        node.vendor = record.vendor;
    };
    // A node that brings its record along keeps its row, found under its previous address.
    const bool takenOver = verdict.source != RecordSource::Address;
    NodeTable& list = m_context.nodeList;
    if (list.ChangeNode(takenOver ? record.prevIp : address,
                        verdict.Has(NodeChange::DeviceChanged) ? record.prevMac : record.mac,
                        fill)) {
        return;
    }
    if (!takenOver) {
        record.label = !record.host.empty() ? record.host : FormatIp(address);
    }
    NodeEntry added;
    added.label = record.label;
    added.image = record.image;
    if (takenOver) {
        // A node taken back without a row of its own keeps the dates and the monitoring of
        // its record: the runs read the monitored flag back into the record.
        added.monitored = record.monitor != 0;
        added.detected = LocalStamp::Read(record.detected);
        added.updated = LocalStamp::Read(record.updated);
    }
    fill(added);
    list.Append(std::move(added));
}

void NodeSearcher::UpdateNodeRow(NodeRecord& record, int status, TestBits bits) {
    NodeTable& list = m_context.nodeList;
    const NodeMark mark = NodeMarkOf(status, m_context.settings.App().PROMISS, bits);
    list.ChangeNode(record.ip, [&](NodeEntry& node) {
        if (node.mark != mark) {
            node.mark = mark;
            node.updated = LocalStamp::Of(CurrentClock().LocalNow());
        }
        record.updated = node.updated.Text();
        if (node.detected.Empty()) {
            node.detected = node.updated;
            record.detected = node.updated.Text();
        }
    });
}

}  // namespace halvera
