#include "net/node_searcher.h"

#include <algorithm>

#include "base/clock.h"
#include "base/text_codec.h"
#include "lists/list_tables.h"
#include "net/arp_probe.h"
#include "net/node_identification.h"
#include "net/node_list.h"
#include "store/event_kind.h"
#include "store/vendor_table.h"

namespace halvera {
namespace {

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

bool NodeSearcher::MacOf(Ipv4 address, MacAddress& mac) const {
    return GetMacByArp(Attempt(), m_local, address, mac, m_context.arpTiming);
}

int NodeSearcher::ProbeAndUpdate(Ipv4 address, int attempts, NodeRecord& record) {
    const auto unnamed = std::find_if(m_answeredUnnamed.begin(), m_answeredUnnamed.end(),
                                      [&](Ipv4 ip) { return ip == address; });
    if (unnamed != m_answeredUnnamed.end()) {
        // Steps of silent addresses go on while the name walk still runs; the first that
        // answered needs the name book.
        StartNameLookups();
    }
    ListTable& list = m_context.nodeList;
    const int row = FindNodeRow(list, address, record.mac);
    if (row >= 0) {
        list.SetCell(row, NODE_COL_MONITOR, SearchingText());
    }
    m_context.banner.SetSummaryText(Sjis("【ノード検索】 ") + FormatIp(address) +
                                    Sjis(" 検索中 . . ."));
    const int result = Update(address, attempts, record, m_context.settings.App());
    if (row >= 0) {
        // Looked up again: a displaced node's row may have gone meanwhile and moved the
        // rows after it up.
        const int marked = list.FindRow(NODE_COL_MONITOR, SearchingText());
        if (marked >= 0) {
            list.SetCell(marked, NODE_COL_MONITOR, "");
        }
    }
    return result;
}

int NodeSearcher::Update(Ipv4 address, int attempts, NodeRecord& record, const AppSettings& app) {
    int oldStatus = record.status;
    const MacAddress oldMac = record.mac;
    m_ipChangeSource = IP_CHANGE_FROM_STORE;
    TestBits bits = 0;
    std::optional<MacAddress> replyMac;
    int result = Probe(address, attempts, bits, replyMac);
    if (result == -1 || result == SWEEP_CUT) {
        return result;
    }
    if (address == m_local.ownAddress) {
        // The own host never hears its own request; it is there all the same.
        if (result != 1) {
            bits = 0;
        }
        result = 1;
    }
    const int code = result == 1 ? Identify(address, oldMac, bits, record, replyMac) : 1;
    if (code == 7 && m_ipChangeSource == IP_CHANGE_STILL_THERE) {
        return result;
    }
    record.ip = address;
    record.status = static_cast<std::int8_t>(result);
    if (result != 1) {
        if (oldStatus == NODE_UP) {
            NodeDown(address, record, app);
        }
        return result;
    }

    ListTable& list = m_context.nodeList;
    if (oldStatus == NODE_NEVER_SEEN) {
        record.monitor = 1;
        const int row = list.FindRow(NODE_COL_IP, FormatIp(address));
        if (row >= 0) {
            list.SetChecked(row, true);
        }
    }
    // A node taken back from the displaced ones at its own address has not moved.
    const bool moved = code == 7 && record.prevIp != 0 && record.prevIp != address;
    if (code == 7) {
        if (oldStatus != NODE_NEVER_SEEN) {
            // The address belonged to another stored node: it moved elsewhere or it goes
            // to the displaced nodes.
            if (SettleDisplacedNode(address, attempts, oldMac, record.prevIp) == -1) {
                return -1;
            }
        } else if (m_ipChangeSource == IP_CHANGE_FROM_STORE) {
            m_context.nodes.DeleteNode(record.prevIp);
        }
        // A moved node is neither new nor up again.
        oldStatus = NODE_UP;
    }
    const TestBits oldBits = record.testBits;
    record.testBits = bits;
    UpdateNodeRow(record, NODE_UP, bits);
    m_context.nodes.PutNode(record);
    if (oldStatus == NODE_NEVER_SEEN) {
        m_context.events.RunEventActions(record, EVENT_NEW_NODE, m_local.ownAddress);
    } else if (oldStatus == NODE_DOWN) {
        m_context.events.RunEventActions(record, EVENT_NODE_UP, m_local.ownAddress);
    }
    if (moved) {
        m_context.events.RunEventActions(record, EVENT_IP_CHANGE, m_local.ownAddress);
    } else if (code == 8) {
        m_context.events.RunEventActions(record, EVENT_DEVICE_CHANGE, m_local.ownAddress);
    }
    if (app.PROMISS != 0 && bits != oldBits && IsSniffing(app.PROMISS, bits)) {
        m_context.events.RunEventActions(record, EVENT_SNIFFING_NODE, m_local.ownAddress);
    }
    m_context.banner.SetSummaryText();
    return result;
}

int NodeSearcher::SettleDisplacedNode(Ipv4 address, int attempts, const MacAddress& oldMac,
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
            return -1;
        }
    }
    MacAddress there{};
    if (found == 1 && MacOf(previous, there) && there == oldMac) {
        // The two nodes swapped addresses.
        IdentifyNode(previous, oldMac, bits, displaced);
        displaced.ip = previous;
        displaced.prevIp = address;
        m_context.nodes.PutNode(displaced);
        m_context.events.RunEventActions(displaced, EVENT_IP_CHANGE, m_local.ownAddress);
    } else {
        RemoveNodeRow(m_context.nodeList, address, displaced.mac);
        m_context.nodes.PutBackupNode(displaced);
        if (previous != 0) {
            m_context.nodes.DeleteNode(previous);
        }
    }
    return 0;
}

void NodeSearcher::NodeDown(Ipv4 address, NodeRecord& record, const AppSettings& app) {
    UpdateNodeRow(record, NODE_DOWN, record.testBits);
    record.host.clear();
    record.domain.clear();
    AwaitNames(address, false);
    m_context.nodes.LookupNames(address, record.host, record.domain);
    m_context.events.RunEventActions(record, EVENT_NODE_DOWN, m_local.ownAddress);
    if (app.NODEDISP != 0) {
        m_context.nodes.DeleteNode(address);
        RemoveNodeRow(m_context.nodeList, address, record.mac);
    } else {
        m_context.nodes.PutNode(record);
    }
    m_context.banner.SetSummaryText();
}

int NodeSearcher::IdentifyNode(Ipv4 address, const MacAddress& oldMac, TestBits bits,
                               NodeRecord& record) {
    return Identify(address, oldMac, bits, record, std::nullopt);
}

int NodeSearcher::Identify(Ipv4 address, const MacAddress& oldMac, TestBits bits,
                           NodeRecord& record, const std::optional<MacAddress>& replyMac) {
    int code = 1;
    // The presence reply already names the MAC; the own address keeps the own MAC even
    // when another station claims it.
    if (replyMac && address != m_local.ownAddress) {
        record.mac = *replyMac;
    } else {
        MacOf(address, record.mac);
    }
    record.ip = address;
    Ipv4 key = address;
    if (DetectIpChange(record)) {
        code = 7;
        if (m_ipChangeSource == IP_CHANGE_STILL_THERE) {
            return code;
        }
        key = record.prevIp;
        if (m_ipChangeSource == IP_CHANGE_FROM_STORE) {
            m_context.nodes.FindNodeByIp(key, record);
            record.ip = address;
            record.prevIp = key;
        }
    } else if (!IsZeroMac(oldMac) && oldMac != record.mac) {
        code = 8;
        record.prevMac = oldMac;
    }
    AwaitNames(address, true);
    FillNodeNames(record, m_context.settings.App().WINS, m_context.nodes,
                  [this](Ipv4 ip) { return HostNameOf(ip); });

    ListTable& list = m_context.nodeList;
    int row = FindNodeRow(list, key, code == 8 ? record.prevMac : record.mac);
    if (row < 0) {
        if (code != 7) {
            record.label = !record.host.empty() ? record.host : FormatIp(address);
        }
        ListRow added;
        added.cells.resize(NODE_LIST_COLUMNS);
        added.cells[NODE_COL_LABEL] = record.label;
        added.image = record.image;
        if (code == 7) {
            // A node taken back without a row of its own keeps the dates and the monitoring
            // of its record: the runs read the check box back into the record.
            added.checked = record.monitor != 0;
            added.cells[NODE_COL_DETECTED] = record.detected;
            added.cells[NODE_COL_UPDATED] = record.updated;
        }
        row = list.AppendRow(std::move(added));
    }
    FillRow(row, address, bits, record);
    return code;
}

void NodeSearcher::FillRow(int row, Ipv4 address, TestBits bits, NodeRecord& record) {
    ListTable& list = m_context.nodeList;
    list.SetCell(row, NODE_COL_B47, TestBitMark(bits, TEST_B47));
    list.SetCell(row, NODE_COL_B16, TestBitMark(bits, TEST_B16));
    list.SetCell(row, NODE_COL_B8, TestBitMark(bits, TEST_B8));
    list.SetCell(row, NODE_COL_IP, FormatIp(address));
    list.SetCell(row, NODE_COL_HOST, record.host);
    list.SetCell(row, NODE_COL_DOMAIN, record.domain);
    list.SetCell(row, NODE_COL_MAC, IsZeroMac(record.mac) ? std::string() : FormatMac(record.mac));
    LookupVendor(record.mac, record.vendor);
    list.SetCell(row, NODE_COL_VENDOR, record.vendor);
}

bool NodeSearcher::DetectIpChange(NodeRecord& record) {
    // An unknown MAC (all zero) belongs to no stored node, displaced or not.
    if (IsZeroMac(record.mac)) {
        return false;
    }
    NodeRecord backup;
    if (m_context.nodes.FindBackupByMac(record.mac, backup) == 0) {
        // The displaced node's own record, also when it is back at the address it was
        // displaced from.
        const Ipv4 probed = record.ip;
        record = backup;
        record.ip = probed;
        record.prevIp = backup.ip != probed ? backup.ip : 0;
        m_context.nodes.DeleteBackupByMac(record.mac);
        m_ipChangeSource = IP_CHANGE_FROM_BACKUP;
        return true;
    }
    NodeRecord stored;
    if (m_context.nodes.FindNodeByMacElsewhere(record.mac, record.ip, stored) != 0) {
        return false;
    }
    MacAddress there{};
    if (MacOf(stored.ip, there) && there == record.mac) {
        m_ipChangeSource = IP_CHANGE_STILL_THERE;
    } else {
        record.prevIp = stored.ip;
    }
    return true;
}

void NodeSearcher::UpdateNodeRow(NodeRecord& record, int status, TestBits bits) {
    ListTable& list = m_context.nodeList;
    const int row = list.FindRow(NODE_COL_IP, FormatIp(record.ip));
    if (row < 0) {
        return;
    }
    const std::string mark = NodeStatusMark(status, m_context.settings.App().PROMISS, bits);
    const std::string old = list.Cell(row, NODE_COL_ST);
    const bool changed = mark.empty() ? !old.empty() : (old.empty() || old[0] != mark[0]);
    list.SetCell(row, NODE_COL_ST, mark);
    std::string updated;
    if (changed) {
        updated = FormatDateTime(CurrentClock().LocalNow());
        list.SetCell(row, NODE_COL_UPDATED, updated);
    } else {
        updated = list.Cell(row, NODE_COL_UPDATED);
    }
    record.updated = updated;
    if (list.Cell(row, NODE_COL_DETECTED).empty()) {
        list.SetCell(row, NODE_COL_DETECTED, updated);
        record.detected = updated;
    }
}

}  // namespace halvera
