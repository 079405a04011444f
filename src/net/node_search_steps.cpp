#include "net/node_search_steps.h"

#include "net/node_list.h"

namespace halvera {

void NodeSearchSteps::BeginRun(const std::atomic<int>* stop) {
    m_stop = stop;
    m_searcher.emplace(m_context, LocalAdapterInfo{});
    m_searcher->SetNames(m_runNames);
    m_searcher->SetStop(m_stop);
}

void NodeSearchSteps::SetNames(RunNames* names) {
    m_runNames = names;
    if (m_searcher) {
        m_searcher->SetNames(m_runNames);
    }
}

void NodeSearchSteps::EndRun() {
    m_searcher.reset();
}

ProbeResult NodeSearchSteps::ProbeAndUpdate(const LocalAdapterInfo& local, Ipv4 ip, int attempts,
                                            NodeRecord& record) {
    if (!m_searcher) {
        BeginRun(m_stop);
    }
    m_searcher->SetLocalAdapter(local);
    return m_searcher->ProbeAndUpdate(ip, attempts, record);
}

void NodeSearchSteps::ProbeBlock(const LocalAdapterInfo& local,
                                 std::span<const SweepTarget> targets) {
    if (!m_searcher) {
        BeginRun(m_stop);
    }
    m_searcher->SetLocalAdapter(local);
    m_searcher->ProbeBlock(targets);
}

bool NodeSearchSteps::HasOutcome(Ipv4 ip, int attempts) {
    return m_searcher && m_searcher->HasOutcome(ip, attempts);
}

int NodeSearchSteps::IsNodeChecked(Ipv4 ip) {
    return m_context.nodeList.IsMonitored(ip) ? 1 : 0;
}

void NodeSearchSteps::FlushPendingMail() {
    m_context.events.FlushPendingMail();
}

}  // namespace halvera
