#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <unordered_map>
#include "base/ip_address.h"
#include "lists/error_log.h"
#include "lists/node_table.h"
#include "lists/prompt.h"
#include "lists/summary_text.h"

#include "capture/packet_driver.h"
#include "net/arp_sweep.h"
#include "net/host_name_prefetch.h"
#include "net/host_resolver.h"
#include "net/local_adapter_info.h"
#include "net/mac_by_arp.h"
#include "net/node_verdict.h"
#include "net/packet_attempt.h"
#include "net/probe_frame.h"
#include "net/probe_result.h"
#include "net/run_names.h"
#include "store/node_event_sink.h"
#include "store/node_record.h"
#include "store/node_store.h"
#include "store/settings_store.h"

namespace halvera {

// What the node update of a search run works with.
struct NodeSearchContext {
    PacketDriver& driver;
    ErrorLog& errorLog;
    Prompt& prompt;
    const SettingsStore& settings;  // ADPNUM, TIMEOUT, PROMISS, NODEDISP, WINS
    NodeStore& nodes;
    HostResolver& resolver;
    NodeTable& nodeList;
    SummaryText& banner;
    NodeEventSink& events;
    WindowWait wait = SleepFor;
    ArpLookupTiming arpTiming = {};
};

// The per-address step of a search run: probes an address, recognises the node that
// answers (moved from another address, another device at a known address), keeps the node
// list rows and the node store in step and raises new node, node up, node down, sniffing
// node, address change (a node moved here from another address) and device change (the
// address answers with another MAC). A run creates one for its duration and uses it from its own
// thread only.
class NodeSearcher {
  public:
    NodeSearcher(NodeSearchContext context, const LocalAdapterInfo& local);

    // The own address, mask and MAC the probes go out with; a run sets them after reading
    // the adapter.
    void SetLocalAdapter(const LocalAdapterInfo& local) { m_local = local; }
    const LocalAdapterInfo& LocalAdapter() const { return m_local; }

    // Probes the address with up to `attempts` requests per test, decides what the outcome
    // means for the node (Decide on the record as read from the store; empty when not
    // stored) and applies the verdict to the store, the rows, the events and the banner; the
    // record is the node as it is now. Failed ends the run: when the address itself could not
    // be probed, nothing but the searching mark was touched. Cut when a stop request cut its
    // windows: nothing but the searching mark was touched.
    ProbeResult ProbeAndUpdate(Ipv4 address, int attempts, NodeRecord& record);

    // Probes the targets together (SweepBlock) and keeps each address's outcome for its
    // ProbeAndUpdate with the same attempts, which then sends nothing for the address
    // itself and takes the node's MAC from its presence reply. An address probed again
    // with other attempts is probed on its own.
    void ProbeBlock(std::span<const SweepTarget> targets);
    // Whether ProbeAndUpdate of the address with these attempts has an outcome waiting.
    bool HasOutcome(Ipv4 address, int attempts) const;

    // The run's name walks: asked for each block's answering nodes, awaited before the name
    // book is read. Null when no walk runs.
    void SetNames(RunNames* names) { m_runNames = names; }
    // The run's stop request, which cuts the probe windows in flight: an address whose
    // windows were cut keeps its record and row, and ProbeAndUpdate returns Cut.
    void SetStop(const std::atomic<int>* stop) { m_stop = stop; }

  private:
    struct Collected {
        int attempts = 1;
        SweepOutcome outcome;
    };

    class Lookups;

    PacketAttempt Attempt() const;
    void AwaitNames(Ipv4 address, bool answered);
    void StartNameLookups();
    std::string HostNameOf(Ipv4 address);
    int Probe(Ipv4 address, int attempts, TestBits& bits, std::optional<MacAddress>& replyMac);
    ProbeResult Update(Ipv4 address, int attempts, NodeRecord& record, const AppSettings& app);
    bool ApplyAnswer(Ipv4 address, int attempts, const NodeRecord& stored, NodeVerdict& verdict);
    void ApplyIdentity(Ipv4 address, NodeVerdict& verdict, TestBits bits);
    bool SettleDisplacedNode(Ipv4 address, int attempts, const MacAddress& oldMac, Ipv4 previous);
    void NodeDown(Ipv4 address, NodeRecord& record, const AppSettings& app);
    void RaiseEvent(const NodeRecord& record, int kind);
    std::optional<MacAddress> MacOf(Ipv4 address) const;
    // Sets the mark of the record's node; when it changed, its updated date becomes now (and
    // its detected date too when empty). The record takes both dates from the node.
    void UpdateNodeRow(NodeRecord& record, int status, TestBits bits);

    NodeSearchContext m_context;
    LocalAdapterInfo m_local;
    std::unordered_map<Ipv4, Collected> m_collected;
    // Host names of a block's answering nodes, looked up together once the name walk has
    // filled the name book (at the first step after the block).
    std::unique_ptr<HostNamePrefetch> m_names;
    std::vector<Ipv4> m_answeredUnnamed;
    RunNames* m_runNames = nullptr;
    const std::atomic<int>* m_stop = nullptr;
};

}  // namespace halvera
