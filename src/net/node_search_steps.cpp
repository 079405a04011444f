#include "net/node_search_steps.h"

#include "net/node_list.h"

namespace halvera {

void NodeSearchSteps::BeginRun() {
    m_searcher.emplace(m_context, LocalAdapterInfo{});
}

void NodeSearchSteps::EndRun() {
    m_searcher.reset();
}

int NodeSearchSteps::ProbeAndUpdate(const LocalAdapterInfo& local, Ipv4 ip, int attempts,
                                    NodeRecord& record) {
    if (!m_searcher) {
        BeginRun();
    }
    m_searcher->SetLocalAdapter(local);
    return m_searcher->ProbeAndUpdate(ip, attempts, record);
}

int NodeSearchSteps::IsNodeChecked(Ipv4 ip) {
    return halvera::IsNodeChecked(m_context.nodeList, ip);
}

void NodeSearchSteps::FlushPendingMail() {
    m_context.events.FlushPendingMail();
}

}  // namespace halvera
